// nivora2015-cli camada as a user runs it: inputs made with GDAL itself in each format
// and kind of CRS, the output read back with GDAL, N and the heights compared with the
// text mode's on the same points to the last digit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "apoio/processo.hpp"
#include "gis/gdal.hpp"
#include "nivora2015/nivora2015.hpp"

namespace nivora {
namespace {

using teste::Execucao;
using teste::PastaTemporaria;

const std::string kGrade = std::string(NIVORA_SOURCE_DIR) + "/dist/grid/NIVORA2015_SIRGAS2000.txt";

struct Ponto {
  std::string id;
  double lat;
  double lon;
  std::string altura;  // as a surveyor's file has it
  std::string wkt;     // another geometry (SIRGAS2000), "-" for none
  std::string motivo;  // the reason expected for it, when the text mode cannot say
};

// Accepted points all over the country and one of each refusal of the model area...
const std::vector<Ponto> kPontos = {
    {"RN01", -15.7939, -47.8828, "1172.345", "", ""},
    {"RN02", -22.9068, -43.1729, "12.870", "", ""},
    {"RN03", -3.119, -60.0217, "92.5", "", ""},
    {"RN04", -30.0346, -51.2177, "-3.25", "", ""},
    {"RN05", -8.0476, -34.877, "7.004", "", ""},
    {"NORTE", 10.0, -50.0, "1", "", ""},
    {"SUL", -35.0, -52.0, "1", "", ""},
    {"OESTE", -10.0, -75.0, "1", "", ""},
};
// ...and what only a GIS layer can bring: other geometries, heights that are no numbers.
const std::vector<Ponto> kEstranhos = {
    {"MULTI1", -15.7939, -47.8828, "1172.345", "MULTIPOINT ((-47.8828 -15.7939))", ""},
    {"MULTI2", 0, 0, "1", "MULTIPOINT ((-47 -15),(-48 -16))", "multiponto com 2 pontos"},
    {"LINHA", 0, 0, "1", "LINESTRING (-47 -15,-48 -16)",
     "geometria n\xC3\xA3o \xC3\xA9 um ponto (LINESTRING)"},
    {"VAZIO", 0, 0, "1", "POINT EMPTY", "geometria vazia"},
    {"NULO", 0, 0, "1", "-", "sem geometria"},
    {"ALTX", -20, -45, "1O0", "", nivora2015::MensagemCodigo(nivora2015::Codigo::NaoNumero)},
    {"ALTV", -20, -45, "", "", "sem altura: o campo \"alt\" est\xC3\xA1 vazio"},
};

/// What the text mode says of a point: N, H from h and h from H with three decimals,
/// or its rejection's message (UTF-8).
struct Esperado {
  std::string n, h, hDeH, motivo;
};

std::map<std::string, Esperado> DoModoTexto(const PastaTemporaria& pasta) {
  std::vector<const Ponto*> pontos;
  for (const auto* lista : {&kPontos, &kEstranhos}) {
    for (const Ponto& p : *lista) {
      if (p.motivo.empty()) pontos.push_back(&p);
    }
  }
  // The last column of each line: h = 0 + N gives N itself with three decimals.
  const auto coluna = [&](const std::string& altura, bool zero) {
    std::string entrada;
    for (const Ponto* p : pontos) {
      std::ostringstream linha;
      linha.precision(17);
      linha << p->id << ' ' << p->lat << ' ' << p->lon << ' ' << (zero ? "0" : p->altura) << '\n';
      entrada += linha.str();
    }
    const Execucao r = teste::RodarAteOFim(
        NIVORA_CLI, pasta, {"--utf8", "-f", "ID,0,H", "--altura", altura, "--grade", kGrade},
        entrada);
    EXPECT_EQ(r.status, 0) << r.erros;
    std::vector<std::string> ultimas;
    std::istringstream linhas(r.saida);
    for (std::string linha; std::getline(linhas, linha);) {
      linha.erase(linha.find_last_not_of('\r') + 1);
      const auto barra = linha.find('|');
      ultimas.push_back(barra != std::string::npos ? linha.substr(barra)
                                                   : linha.substr(linha.find_last_of(' ') + 1));
    }
    EXPECT_EQ(ultimas.size(), pontos.size());
    ultimas.resize(pontos.size(), "?");
    return ultimas;
  };
  const auto n = coluna("ortometrica", true);
  const auto h = coluna("elipsoidal", false);
  const auto hDeH = coluna("ortometrica", false);
  std::map<std::string, Esperado> esperado;
  for (std::size_t i = 0; i < pontos.size(); ++i) {
    esperado[pontos[i]->id] =
        n[i][0] == '|' ? Esperado{"", "", "", n[i].substr(1)} : Esperado{n[i], h[i], hDeH[i], ""};
  }
  return esperado;
}

/// How a case's input is made with GDAL: its points in `epsg`, with Z the height when
/// `tresD`, the height also as a text field "alt"; `epsg` 0 makes columns instead of a
/// geometry (named `colunas`), without a CRS.
struct Entrada {
  std::string driver;
  std::string arquivo;
  int epsg = 4674;
  bool tresD = false;
  bool estranhos = false;
  std::vector<std::string> colunas = {"lat", "lon"};
  std::vector<std::string> extras = {};  // more (empty) fields
};

void CriarCamada(const Entrada& e, const std::string& caminho) {
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(e.driver.c_str());
  ASSERT_NE(driver, nullptr) << e.driver;
  gis::Dataset ds(driver->Create(caminho.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  ASSERT_TRUE(ds) << caminho;
  OGRSpatialReference crs;
  OGRSpatialReference sirgas = gis::Sirgas2000();
  if (e.epsg != 0) {
    crs.importFromEPSG(e.epsg);
    crs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  }
  OGRLayer* camada = ds->CreateLayer("pontos", e.epsg != 0 ? &crs : nullptr,
                                     e.epsg == 0 ? wkbNone
                                     : e.tresD   ? wkbPoint25D
                                                 : wkbPoint);
  ASSERT_NE(camada, nullptr);
  std::vector<std::string> campos = {"id", "alt"};
  if (e.epsg == 0) campos.insert(campos.end(), e.colunas.begin(), e.colunas.end());
  campos.insert(campos.end(), e.extras.begin(), e.extras.end());
  for (const std::string& nome : campos) {
    OGRFieldDefn campo(nome.c_str(), OFTString);
    ASSERT_EQ(camada->CreateField(&campo), OGRERR_NONE);
  }
  std::vector<Ponto> pontos = kPontos;
  if (e.estranhos) pontos.insert(pontos.end(), kEstranhos.begin(), kEstranhos.end());
  for (const Ponto& p : pontos) {
    gis::Feicao f(OGRFeature::CreateFeature(camada->GetLayerDefn()));
    f->SetField("id", p.id.c_str());
    f->SetField("alt", p.altura.c_str());
    std::ostringstream lat, lon;
    lat.precision(17);
    lon.precision(17);
    lat << p.lat;
    lon << p.lon;
    if (e.epsg == 0) {
      f->SetField(e.colunas[0].c_str(), lat.str().c_str());
      f->SetField(e.colunas[1].c_str(), lon.str().c_str());
    } else if (p.wkt != "-") {
      const std::string wkt = p.wkt.empty() ? "POINT (" + lon.str() + " " + lat.str() + ")" : p.wkt;
      OGRGeometry* g = nullptr;
      ASSERT_EQ(OGRGeometryFactory::createFromWkt(wkt.c_str(), &sirgas, &g), OGRERR_NONE) << wkt;
      ASSERT_EQ(g->transformTo(&crs), OGRERR_NONE);
      if (e.tresD && p.wkt.empty()) g->toPoint()->setZ(std::atof(p.altura.c_str()));
      f->SetGeometryDirectly(g);
    }
    ASSERT_EQ(camada->CreateFeature(f.get()), OGRERR_NONE);
  }
}

/// Every feature of the first layer of `arquivo`, by its "id".
std::map<std::string, gis::Feicao> LerCamada(const std::string& arquivo) {
  std::map<std::string, gis::Feicao> feicoes;
  gis::Dataset ds(GDALDataset::Open(arquivo.c_str(), GDAL_OF_VECTOR));
  EXPECT_TRUE(ds) << arquivo;
  if (!ds) return feicoes;
  OGRLayer* camada = ds->GetLayer(0);
  for (OGRFeature* f; (f = camada->GetNextFeature()) != nullptr;) {
    feicoes.emplace(f->GetFieldAsString("id"), gis::Feicao(f));
  }
  return feicoes;
}

/// Null, or (where the format cannot tell, as CSV) empty.
bool Vazio(const OGRFeature& f, int campo) {
  return !f.IsFieldSetAndNotNull(campo) || *f.GetFieldAsString(campo) == '\0';
}

std::string Tres(double valor) {
  char texto[32];
  std::snprintf(texto, sizeof texto, "%.3f", valor);
  return texto;
}

class Camada : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { GDALAllRegister(); }
  PastaTemporaria pasta_;
};

TEST_F(Camada, TableOfLayers) {
  const std::map<std::string, Esperado> esperado = DoModoTexto(pasta_);
  struct Caso {
    std::string nome;
    Entrada entrada;
    std::vector<std::string> args;  // before ENTRADA SAIDA
    std::string saida;
    int status = 0;
    std::string erroContem = "";           // UTF-8; empty: stderr empty
    std::vector<std::string> campos = {};  // N, the other height, the reason; empty: defaults
  };
  const std::string kGpkg = "GPKG", kShp = "ESRI Shapefile", kCsv = "CSV";
  const std::vector<Caso> casos = {
      {"GeoPackage, geographic SIRGAS2000, 3D: h from Z, to a GeoPackage",
       {kGpkg, "e1.gpkg", 4674, true},
       {"--altura", "elipsoidal"},
       "s1.gpkg"},
      {"GeoPackage in UTM 23S, 2D, every refusal: H from a field, to a Shapefile",
       {kGpkg, "e2.gpkg", 31983, false, true},
       {"--altura", "ortometrica", "--campo-altura", "alt"},
       "s2.shp"},
      {"Shapefile in UTM 22S, 3D: h from Z, H written as Z, to a GeoPackage",
       {kShp, "e3.shp", 31982, true},
       {"--altura", "elipsoidal", "--z", "ortometrica"},
       "s3.gpkg"},
      {"GeoJSON in WGS 84, 2D: N only, to FlatGeobuf",
       {"GeoJSON", "e4.geojson", 4326},
       {},
       "s4.fgb"},
      {"FlatGeobuf, geographic SIRGAS2000, 3D: to GeoJSON",
       {"FlatGeobuf", "e5.fgb", 4674, true},
       {"--altura", "elipsoidal"},
       "s5.geojson"},
      {"CSV with lat/lon columns and --crs: to CSV",
       {kCsv, "e6.csv", 0},
       {"--crs", "EPSG:4674", "--altura", "elipsoidal", "--campo-altura", "alt"},
       "s6.csv"},
      {"CSV columns named by options, the format by option",
       {kCsv, "e7.csv", 0, false, false, {"latitude_gnss", "longitude_gnss"}},
       {"--crs", "EPSG:4674", "--campo-lat", "latitude_gnss", "--campo-lon", "longitude_gnss",
        "--formato-saida", "GeoJSON"},
       "s7.dados"},
      {"the added fields named by option",
       {kGpkg, "e8.gpkg", 4674, false, false, {"lat", "lon"}, {"N"}},
       {"--campos", "N_geoide,motivo_n"},
       "s8.gpkg",
       0,
       "",
       {"N_geoide", "", "motivo_n"}},
      {"a CSV without a CRS", {kCsv, "e9.csv", 0}, {}, "s9.csv", 3, "indique-o com --crs"},
      {"a field that is already there",
       {kGpkg, "e10.gpkg", 4674, false, false, {"lat", "lon"}, {"n"}},
       {},
       "s10.gpkg",
       3,
       "j\xC3\xA1 tem o campo \"N\""},
      {"a 2D layer without a height field",
       {kGpkg, "e11.gpkg"},
       {"--altura", "elipsoidal"},
       "s11.gpkg",
       3,
       "--campo-altura"},
      {"--z without --altura",
       {kGpkg, "e12.gpkg"},
       {"--z", "ortometrica"},
       "s12.gpkg",
       2,
       "--z pede --altura"},
      {"an output that is there", {kGpkg, "e13.gpkg"}, {}, "e1.gpkg", 3, "use --sobrescrever"},
      {"the input as the output",
       {kGpkg, "e14.gpkg"},
       {"--sobrescrever"},
       "e14.gpkg",
       3,
       "pr\xC3\xB3pria entrada"},
      {"an extension no format writes", {kGpkg, "e15.gpkg"}, {}, "s15.xyz", 2, "--formato-saida"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nome);
    CriarCamada(caso.entrada, pasta_ / caso.entrada.arquivo);
    std::vector<std::string> args = {"camada", "--grade", kGrade};
    args.insert(args.end(), caso.args.begin(), caso.args.end());
    args.push_back(pasta_ / caso.entrada.arquivo);
    args.push_back(pasta_ / caso.saida);
    const std::string antes = teste::LerArquivoTodo(pasta_ / caso.saida);
    const Execucao r = teste::RodarAteOFim(NIVORA_CLI, pasta_, args, "");
    EXPECT_EQ(r.status, caso.status);
    if (caso.erroContem.empty()) {
      EXPECT_EQ(r.erros, "");
    } else {
      EXPECT_NE(r.erros.find(caso.erroContem), std::string::npos) << r.erros;
    }
    if (caso.status != 0) {
      EXPECT_EQ(teste::LerArquivoTodo(pasta_ / caso.saida), antes) << "a refused run wrote";
      continue;
    }

    const auto pos = std::find(caso.args.begin(), caso.args.end(), "--altura");
    const std::string altura = pos != caso.args.end() ? *(pos + 1) : "";
    const bool comZ = std::find(caso.args.begin(), caso.args.end(), "--z") != caso.args.end();
    std::vector<std::string> campos = caso.campos;
    if (campos.empty()) campos = {"N", altura == "elipsoidal" ? "H" : "h", "motivo"};
    const std::map<std::string, gis::Feicao> saida = LerCamada(pasta_ / caso.saida);
    EXPECT_EQ(saida.size(), kPontos.size() + (caso.entrada.estranhos ? kEstranhos.size() : 0));
    for (const auto* lista : {&kPontos, &kEstranhos}) {
      if (lista == &kEstranhos && !caso.entrada.estranhos) continue;
      for (const Ponto& p : *lista) {
        SCOPED_TRACE(p.id);
        const auto achada = saida.find(p.id);
        ASSERT_NE(achada, saida.end());
        const OGRFeature& f = *achada->second;
        EXPECT_STREQ(f.GetFieldAsString("alt"), p.altura.c_str());  // the input's fields kept
        const int iN = f.GetFieldIndex(campos[0].c_str());
        const int iMotivo = f.GetFieldIndex(campos[2].c_str());
        const int iOutra = altura.empty() ? -1 : f.GetFieldIndex(campos[1].c_str());
        ASSERT_GE(iN, 0);
        ASSERT_GE(iMotivo, 0);
        ASSERT_EQ(iOutra < 0, altura.empty());
        const Esperado e = p.motivo.empty() ? esperado.at(p.id) : Esperado{"", "", "", p.motivo};
        if (!e.motivo.empty()) {
          EXPECT_TRUE(Vazio(f, iN));
          if (iOutra >= 0) {
            EXPECT_TRUE(Vazio(f, iOutra));
          }
          EXPECT_EQ(std::string(f.GetFieldAsString(iMotivo)).substr(0, e.motivo.size()), e.motivo);
          continue;
        }
        // The same decimal, and the double nearest to it.
        EXPECT_EQ(Tres(f.GetFieldAsDouble(iN)), e.n);
        EXPECT_EQ(f.GetFieldAsDouble(iN), std::strtod(e.n.c_str(), nullptr));
        EXPECT_TRUE(Vazio(f, iMotivo));
        if (iOutra < 0) continue;
        const std::string& outra = altura == "elipsoidal" ? e.h : e.hDeH;
        EXPECT_EQ(Tres(f.GetFieldAsDouble(iOutra)), outra);
        EXPECT_EQ(f.GetFieldAsDouble(iOutra), std::strtod(outra.c_str(), nullptr));
        if (comZ) {
          ASSERT_NE(f.GetGeometryRef(), nullptr);
          EXPECT_EQ(Tres(f.GetGeometryRef()->toPoint()->getZ()), outra);
        }
      }
    }
    if (caso.saida.ends_with(".shp")) {
      const std::string base = caso.saida.substr(0, caso.saida.size() - 4);
      EXPECT_EQ(teste::LerArquivoTodo(pasta_ / (base + ".cpg")), "UTF-8");
    }
  }
}

}  // namespace
}  // namespace nivora
