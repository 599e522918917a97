// nivora2015-cli exportar-grade: the GeoTIFF checked with gdalinfo against PROJ's grid
// conventions, and read by PROJ's cct, whose value at every node is the query's own N
// at that node (the library's, on the same double coordinates).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "apoio/processo.hpp"
#include "nivora2015/nivora2015.hpp"

namespace nivora {
namespace {

using teste::Execucao;
using teste::PastaTemporaria;

const std::string kGrade = std::string(NIVORA_SOURCE_DIR) + "/dist/grid/NIVORA2015_SIRGAS2000.txt";

/// PROJ's value of the grid at each (lon, lat), inf where it has none.
std::vector<double> Cct(const PastaTemporaria& pasta, const std::string& grade,
                        const std::vector<std::pair<double, double>>& pontos) {
  std::string entrada;
  char linha[96];
  for (const auto& [lon, lat] : pontos) {
    std::snprintf(linha, sizeof linha, "%.17g %.17g 0\n", lon, lat);
    entrada += linha;
  }
  const Execucao r = teste::RodarAteOFim(
      NIVORA_CCT, pasta, {"-d", "6", "+proj=vgridshift", "+grids=" + grade, "+multiplier=1"},
      entrada);
  std::vector<double> z;
  std::istringstream fluxo(r.saida);
  for (std::string l; std::getline(fluxo, l);) {
    if (l.rfind("# Record", 0) == 0) z.push_back(INFINITY);  // "TRANSFORMATION ERROR", two lines
    if (l.empty() || l[0] == '#' || l.rfind(" (", 0) == 0) continue;
    double x = 0, y = 0, h = 0;
    z.push_back(std::sscanf(l.c_str(), "%lf %lf %lf", &x, &y, &h) == 3 ? h : NAN);
  }
  EXPECT_EQ(z.size(), pontos.size()) << r.saida << r.erros;
  z.resize(pontos.size(), NAN);
  return z;
}

/// The query's own N at each (lon, lat), three decimals; empty where it refuses the point.
std::vector<std::string> NDaConsulta(const std::vector<std::pair<double, double>>& pontos) {
  nivora2015::Modelo modelo(kGrade);
  const nivora2015::Grade grade = modelo.Retrato();
  std::vector<double> lat, lon, n(pontos.size());
  std::vector<std::int32_t> codigos(pontos.size());
  for (const auto& [x, y] : pontos) {
    lon.push_back(x);
    lat.push_back(y);
  }
  grade.Ondulacoes(lat.data(), lon.data(), pontos.size(), n.data(), codigos.data());
  std::vector<std::string> texto;
  for (std::size_t k = 0; k < pontos.size(); ++k) {
    char t[32];
    std::snprintf(t, sizeof t, "%.3f", n[k]);
    texto.push_back(codigos[k] == 0 ? t : "");
  }
  return texto;
}

std::string Tres(double valor) {
  char texto[32];
  std::snprintf(texto, sizeof texto, "%.3f", valor);
  return texto;
}

TEST(ExportarGrade, AGridPROJReadsWithTheQuerysNAtEveryNode) {
  PastaTemporaria pasta;
  const std::string tif = pasta / "brasilia.tif";
  // 2' nodes from 15S to 16.5S and 48.5W to 47W: 46 x 46; the grid beside the program.
  const Execucao r = teste::RodarAteOFim(
      NIVORA_CLI, pasta,
      {"exportar-grade", "--espacamento", "2", "--area", "-15,-16.5,-48.5,-47", tif}, "");
  ASSERT_EQ(r.status, 0) << r.erros;
  EXPECT_EQ(r.erros, "");

  const Execucao info = teste::RodarAteOFim(NIVORA_GDALINFO, pasta, {tif}, "");
  ASSERT_EQ(info.status, 0);
  for (const char* item :
       {"Driver: GTiff/GeoTIFF", "Size is 46, 46", "ID[\"EPSG\",4674]", "AREA_OR_POINT=Point",
        "TYPE=VERTICAL_OFFSET_GEOGRAPHIC_TO_VERTICAL", "target_crs_epsg_code=5773",
        "TIFFTAG_IMAGEDESCRIPTION=", "EGM96 height", "TIFFTAG_COPYRIGHT=", "TIFFTAG_DATETIME=",
        "area_of_use=", "COMPRESSION=DEFLATE", "Block=64x64 Type=Float32",
        "Description = geoid_undulation", "Unit Type: metre", "NoData Value=-32768"}) {
    EXPECT_NE(info.saida.find(item), std::string::npos) << item << "\n" << info.saida;
  }
  // GDAL shows pixel-is-area: the first node is half a spacing inside the origin.
  const auto origem = info.saida.find("Origin = (");
  ASSERT_NE(origem, std::string::npos);
  double x = 0, y = 0;
  ASSERT_EQ(std::sscanf(info.saida.c_str() + origem, "Origin = (%lf,%lf)", &x, &y), 2);
  EXPECT_NEAR(x, -48.5 - 1.0 / 60, 1e-12);
  EXPECT_NEAR(y, -15.0 + 1.0 / 60, 1e-12);
  // The directory at the file's head, where readers over the network look first.
  const std::string cabeca = teste::LerArquivoTodo(tif).substr(0, 8);
  ASSERT_EQ(cabeca.substr(0, 4), std::string("II*\0", 4));
  EXPECT_LT(static_cast<unsigned char>(cabeca[4]) + 256 * static_cast<unsigned char>(cabeca[5]),
            100);

  // PROJ at every node gives the query's N; between nodes, bilinear within their values.
  std::vector<std::pair<double, double>> nos, meios;
  for (int i = 0; i < 46; ++i) {
    for (int j = 0; j < 46; ++j) nos.emplace_back((-1455 + j) / 30.0, (-450 - i) / 30.0);
  }
  for (int i = 0; i < 45; i += 4) {
    for (int j = 0; j < 45; j += 4)
      meios.emplace_back((-1455 + j + 0.37) / 30.0, (-450 - i - 0.61) / 30.0);
  }
  const std::vector<double> proj = Cct(pasta, tif, nos);
  const std::vector<std::string> casa = NDaConsulta(nos);
  for (std::size_t k = 0; k < nos.size(); ++k) {
    ASSERT_EQ(Tres(proj[k]), casa[k]) << nos[k].first << " " << nos[k].second;
  }
  const std::vector<double> entre = Cct(pasta, tif, meios);
  for (std::size_t k = 0; k < meios.size(); ++k) {
    const int j = static_cast<int>(std::floor(meios[k].first * 30)) + 1455;
    const int i = -450 - static_cast<int>(std::floor(meios[k].second * 30)) - 1;
    const double cantos[] = {proj[i * 46 + j], proj[i * 46 + j + 1], proj[(i + 1) * 46 + j],
                             proj[(i + 1) * 46 + j + 1]};
    EXPECT_GE(entre[k], *std::min_element(cantos, cantos + 4) - 1e-6);
    EXPECT_LE(entre[k], *std::max_element(cantos, cantos + 4) + 1e-6);
  }
}

TEST(ExportarGrade, TableOfAreasAndRefusals) {
  PastaTemporaria pasta;
  teste::GravarArquivo(pasta / "existe.tif", "x");
  struct Caso {
    std::string nome;
    std::vector<std::string> args;
    int status;
    std::string contem;  // in stderr when refused, in gdalinfo's output when done
  };
  const std::vector<Caso> casos = {
      {"beyond the north limit: nodata, PROJ has no value there",
       {"--espacamento", "10", "--area", "6,5,-50,-49", "@/norte.tif"},
       0,
       "Size is 7, 7"},
      {"a user's grid with its own vertical CRS",
       {"--grade", kGrade, "--crs-vertical", "EPSG:5714", "--espacamento", "30", "--area",
        "-20,-21,-45,-44", "@/propria.tif"},
       0,
       "target_crs_epsg_code=5714"},
      {"a user's grid without a vertical CRS",
       {"--grade", kGrade, "@/sem.tif"},
       2,
       "--crs-vertical"},
      {"a vertical CRS that is not",
       {"--crs-vertical", "EPSG:4674", "@/h.tif"},
       2,
       "n\xC3\xA3o \xC3\xA9 um CRS vertical"},
      {"not a GeoTIFF name", {"@/grade.png"}, 2, ".tif"},
      {"an output that is there", {"@/existe.tif"}, 3, "use --sobrescrever"},
      {"an area outside the model",
       {"--area", "20,19,-10,-9", "@/fora.tif"},
       2,
       "nenhum n\xC3\xB3"},
      {"a spacing of zero", {"--espacamento", "0", "@/zero.tif"}, 2, "--espacamento"},
      {"an area that does not read",
       {"--area", "-15,-16,-48", "@/a.tif"},
       2,
       "LATN,LATS,LONW,LONE"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nome);
    std::vector<std::string> args = {"exportar-grade"};
    for (std::string a : caso.args) args.push_back(a.rfind("@/", 0) == 0 ? pasta / a.substr(2) : a);
    const Execucao r = teste::RodarAteOFim(NIVORA_CLI, pasta, args, "");
    EXPECT_EQ(r.status, caso.status) << r.erros;
    if (caso.status != 0) {
      EXPECT_NE(r.erros.find(caso.contem), std::string::npos) << r.erros;
      if (args.back().ends_with("existe.tif")) {
        EXPECT_EQ(teste::LerArquivoTodo(args.back()), "x");
      }
      continue;
    }
    const Execucao info = teste::RodarAteOFim(NIVORA_GDALINFO, pasta, {args.back()}, "");
    EXPECT_NE(info.saida.find(caso.contem), std::string::npos) << info.saida;
  }
  // North of 5.5833027 the query refuses the nodes: PROJ finds nodata there.
  const std::vector<double> z = Cct(pasta, pasta / "norte.tif", {{-50, 6}, {-50, 5.5}, {-50, 5}});
  EXPECT_TRUE(std::isinf(z[0])) << z[0];
  const std::vector<std::string> n = NDaConsulta({{-50, 5.5}, {-50, 5}});
  EXPECT_EQ(Tres(z[1]), n[0]);
  EXPECT_EQ(Tres(z[2]), n[1]);
}

}  // namespace
}  // namespace nivora
