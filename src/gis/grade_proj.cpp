// The model as a PROJ grid: rows of nodes queried in blocks, written as Float32 tiles,
// DEFLATE-compressed, pixel-is-point, with the metadata PROJ's grid conventions name.
// Every tag is set before the first tile, so the file's directory stays at its head.
#include "gis/grade_proj.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "geoid/modelo.hpp"
#include "gis/gdal.hpp"

namespace nivora::gis {

namespace {

using Tipo = ErroGis::Tipo;

/// Nodes per block query: enough for the threads.
constexpr std::size_t kNosPorBloco = 1 << 18;
/// Beyond this the GeoTIFF would need BigTIFF, and no national grid is that fine.
constexpr std::uint64_t kMaxNos = 500'000'000;
/// An index a hair beyond a multiple still counts as the multiple.
constexpr double kFolga = 1e-9;

constexpr const char* kEgm96Altura = "EPSG:5773";

std::string Aspas(const std::string& texto) {
  return "\"" + texto + "\"";
}

std::string Numero(double valor) {
  char texto[32];
  std::snprintf(texto, sizeof texto, "%.10g", valor);
  return texto;
}

std::string NomeDoArquivo(const std::string& caminho) {
  return caminho.substr(caminho.rfind('/') + 1);
}

/// Now, as TIFF's DateTime tag writes it.
std::string DataHoraTiff() {
  const std::time_t agora = std::time(nullptr);
  std::tm utc{};
  ::gmtime_r(&agora, &utc);
  char texto[32];
  std::strftime(texto, sizeof texto, "%Y:%m:%d %H:%M:%S", &utc);
  return texto;
}

/// Removes the temporary file unless it was renamed.
class Temporario {
 public:
  explicit Temporario(std::string caminho) : caminho_(std::move(caminho)) {}
  ~Temporario() {
    if (!caminho_.empty()) ::unlink(caminho_.c_str());
  }
  Temporario(const Temporario&) = delete;
  Temporario& operator=(const Temporario&) = delete;
  const std::string& Caminho() const { return caminho_; }
  void Renomear(const std::string& destino) {
    if (std::rename(caminho_.c_str(), destino.c_str()) != 0) {
      throw ErroGis(Tipo::Arquivo, "n\xC3\xA3o foi poss\xC3\xADvel gravar " + Aspas(destino) +
                                       ": " + VSIStrerror(errno));
    }
    caminho_.clear();
  }

 private:
  std::string caminho_;
};

}  // namespace

Area AreaDoModelo() {
  return {static_cast<double>(kLimiteNorte), static_cast<double>(kLimiteSul),
          static_cast<double>(kLimiteOeste), static_cast<double>(kLimiteLeste)};
}

ResultadoExportacao ExportarGrade(const OpcoesExportacao& opcoes, const nivora2015::Grade& grade,
                                  const std::function<void(double)>& progresso) {
  const double s = opcoes.espacamentoMinutos;
  const Area& area = opcoes.area;
  if (!(s > 0) || !std::isfinite(s)) {
    throw ErroGis(Tipo::Uso, "--espacamento pede um n\xC3\xBAmero de minutos maior que zero");
  }
  if (!(area.latNorte > area.latSul) || !(area.lonLeste > area.lonOeste)) {
    throw ErroGis(Tipo::Uso, "--area pede LATN,LATS,LONW,LONE com LATN > LATS e LONE > LONW");
  }

  // The nodes: the multiples of the spacing inside the area, rows from the north.
  const double kNorte = std::floor(area.latNorte * 60 / s + kFolga);
  const double kSul = std::ceil(area.latSul * 60 / s - kFolga);
  const double kOeste = std::ceil(area.lonOeste * 60 / s - kFolga);
  const double kLeste = std::floor(area.lonLeste * 60 / s + kFolga);
  const double linhas = kNorte - kSul + 1;
  const double colunas = kLeste - kOeste + 1;
  if (linhas < 2 || colunas < 2) {
    throw ErroGis(Tipo::Uso,
                  "a \xC3\xA1rea n\xC3\xA3o cont\xC3\xA9m 2 \xC3\x97 2 n\xC3\xB3s com o "
                  "espa\xC3\xA7"
                  "amento de " +
                      Numero(s) + "'");
  }
  if (linhas * colunas > static_cast<double>(kMaxNos)) {
    throw ErroGis(Tipo::Uso, "a grade teria " + Numero(linhas) + " \xC3\x97 " + Numero(colunas) +
                                 " n\xC3\xB3s, mais do que um GeoTIFF comporta: aumente o "
                                 "espa\xC3\xA7"
                                 "amento ou diminua a \xC3\xA1rea");
  }
  ResultadoExportacao resultado;
  resultado.linhas = static_cast<int>(linhas);
  resultado.colunas = static_cast<int>(colunas);
  const auto latitude = [&](int linha) { return (kNorte - linha) * s / 60; };
  const auto longitude = [&](int coluna) { return (kOeste + coluna) * s / 60; };
  resultado.latNorte = latitude(0);
  resultado.lonOeste = longitude(0);

  // The target vertical CRS.
  if (opcoes.crsVertical.empty() && !opcoes.gradeDistribuida) {
    throw ErroGis(Tipo::Uso,
                  "a grade de --grade n\xC3\xA3o \xC3\xA9 a distribu\xC3\xAD"
                  "da (derivada do EGM96): diga o CRS vertical dela com "
                  "--crs-vertical (EPSG:5773 se for mesmo o EGM96)");
  }
  OGRSpatialReference vertical = CrsDoUsuario(
      opcoes.crsVertical.empty() ? kEgm96Altura : opcoes.crsVertical, "--crs-vertical");
  if (!vertical.IsVertical() || vertical.IsCompound()) {
    throw ErroGis(Tipo::Uso,
                  "--crs-vertical: " + NomeCrs(vertical) + " n\xC3\xA3o \xC3\xA9 um CRS vertical");
  }
  resultado.crsVertical = NomeCrs(vertical);
  const char* autoridade = vertical.GetAuthorityName(nullptr);
  const char* codigo = vertical.GetAuthorityCode(nullptr);
  const bool epsg = autoridade != nullptr && codigo != nullptr && std::string(autoridade) == "EPSG";
  const std::string nomeVertical = vertical.GetName() != nullptr ? vertical.GetName() : "?";

  // The output: a GeoTIFF, new unless asked.
  const std::string nome = NomeDoArquivo(opcoes.saida);
  const auto ponto = nome.rfind('.');
  const std::string extensao = ponto == std::string::npos ? "" : nome.substr(ponto);
  if (extensao != ".tif" && extensao != ".tiff" && extensao != ".TIF" && extensao != ".TIFF") {
    throw ErroGis(Tipo::Uso,
                  "a grade \xC3\xA9 gravada como GeoTIFF: d\xC3\xAA \xC3\xA0 sa\xC3\xAD"
                  "da a extens\xC3\xA3o .tif (" +
                      Aspas(opcoes.saida) + ")");
  }
  if (Existe(opcoes.saida) && !opcoes.sobrescrever) {
    throw ErroGis(Tipo::Arquivo,
                  "a sa\xC3\xAD"
                  "da " +
                      Aspas(opcoes.saida) +
                      " j\xC3\xA1 existe: use --sobrescrever para substitu\xC3\xAD-la");
  }
  Temporario temporario(opcoes.saida + ".parcial.tif");
  GDALDriver* gtiff = GetGDALDriverManager()->GetDriverByName("GTiff");
  if (gtiff == nullptr) throw ErroGis(Tipo::Arquivo, "o GDAL n\xC3\xA3o tem o formato GTiff");
  CPLStringList criacao;
  // Small tiles: PROJ decompresses a whole tile for a point whose tile it does not hold,
  // and points in no particular order (a survey's) then cost a tile each. 64 x 64 made
  // cct ten times faster on random points than 256 x 256, in a file of the same size.
  criacao.SetNameValue("TILED", "YES");
  criacao.SetNameValue("BLOCKXSIZE", "64");
  criacao.SetNameValue("BLOCKYSIZE", "64");
  criacao.SetNameValue("COMPRESS", "DEFLATE");
  criacao.SetNameValue("PREDICTOR", "3");  // floating point
  criacao.SetNameValue("NUM_THREADS", std::to_string(std::max(1u, opcoes.threads)).c_str());
  CPLErrorReset();
  Dataset tif(gtiff->Create(temporario.Caminho().c_str(), resultado.colunas, resultado.linhas, 1,
                            GDT_Float32, criacao.List()));
  if (!tif) {
    throw ErroComGdal(Tipo::Arquivo, "n\xC3\xA3o foi poss\xC3\xADvel criar " + Aspas(opcoes.saida));
  }
  const OGRSpatialReference sirgas = Sirgas2000();
  tif->SetSpatialRef(&sirgas);
  // GDAL's transform is pixel-is-area; with AREA_OR_POINT=Point the file's tie point
  // is the first node itself.
  const double passo = s / 60;
  double transformacao[6] = {resultado.lonOeste - passo / 2, passo, 0,
                             resultado.latNorte + passo / 2, 0,     -passo};
  tif->SetGeoTransform(transformacao);
  tif->SetMetadataItem("AREA_OR_POINT", "Point");
  tif->SetMetadataItem("TYPE", "VERTICAL_OFFSET_GEOGRAPHIC_TO_VERTICAL");
  const Area modelo = AreaDoModelo();
  const bool areaDoModelo = area.latNorte == modelo.latNorte && area.latSul == modelo.latSul &&
                            area.lonOeste == modelo.lonOeste && area.lonLeste == modelo.lonLeste;
  tif->SetMetadataItem(
      "area_of_use",
      areaDoModelo ? "Brazil (NIVORA2015 model area)"
                   : ("Brazil: latitude " + Numero(area.latSul) + " to " + Numero(area.latNorte) +
                      ", longitude " + Numero(area.lonOeste) + " to " + Numero(area.lonLeste))
                         .c_str());
  if (epsg) {
    tif->SetMetadataItem("target_crs_epsg_code", codigo);
  } else {
    char* wkt = nullptr;
    const char* formato[] = {"FORMAT=WKT2_2019", nullptr};
    vertical.exportToWkt(&wkt, formato);
    tif->SetMetadataItem("target_crs_wkt", wkt != nullptr ? wkt : "");
    CPLFree(wkt);
  }
  const std::string arquivoGrade = NomeDoArquivo(grade.Arquivo());
  tif->SetMetadataItem("TIFFTAG_IMAGEDESCRIPTION",
                       ("NIVORA2015 geoid undulation: SIRGAS 2000 (EPSG:4674) to " + nomeVertical +
                        " (" + resultado.crsVertical + "), sampled every " + Numero(s) +
                        " arc-minute(s) by the NIVORA2015 query on the grid " + arquivoGrade)
                           .c_str());
  tif->SetMetadataItem(
      "TIFFTAG_COPYRIGHT",
      opcoes.gradeDistribuida
          ? "Public domain. Derived from EGM96 (NGA) through PROJ's egm96_15.gtx "
            "by the NIVORA2015 grid and query"
          : ("Derived from the grid file " + arquivoGrade + " by the NIVORA2015 query").c_str());
  tif->SetMetadataItem("TIFFTAG_DATETIME", DataHoraTiff().c_str());
  GDALRasterBand& banda = *tif->GetRasterBand(1);
  banda.SetDescription("geoid_undulation");
  banda.SetUnitType("metre");
  banda.SetNoDataValue(kSemValor);

  // Block after block of rows.
  const int porBloco = static_cast<int>(
      std::max<std::size_t>(1, kNosPorBloco / static_cast<std::size_t>(resultado.colunas)));
  const std::size_t capacidade = static_cast<std::size_t>(porBloco) * resultado.colunas;
  std::vector<double> lat(capacidade), lon(capacidade), n(capacidade);
  std::vector<std::int32_t> codigos(capacidade);
  std::vector<float> valores(capacidade);
  for (int linha0 = 0; linha0 < resultado.linhas; linha0 += porBloco) {
    const int quantas = std::min(porBloco, resultado.linhas - linha0);
    std::size_t k = 0;
    for (int r = 0; r < quantas; ++r) {
      const double la = latitude(linha0 + r);
      for (int c = 0; c < resultado.colunas; ++c, ++k) {
        lat[k] = la;
        lon[k] = longitude(c);
      }
    }
    grade.Ondulacoes(lat.data(), lon.data(), k, n.data(), codigos.data(), opcoes.threads);
    for (std::size_t i = 0; i < k; ++i) {
      if (codigos[i] != 0) ++resultado.semValor;
      valores[i] = codigos[i] == 0 ? static_cast<float>(n[i]) : static_cast<float>(kSemValor);
    }
    CPLErrorReset();
    if (banda.RasterIO(GF_Write, 0, linha0, resultado.colunas, quantas, valores.data(),
                       resultado.colunas, quantas, GDT_Float32, 0, 0, nullptr) != CE_None) {
      throw ErroComGdal(Tipo::Arquivo, "falha ao gravar " + Aspas(opcoes.saida));
    }
    if (progresso) progresso(static_cast<double>(linha0 + quantas) / resultado.linhas);
  }
  if (resultado.semValor == static_cast<std::uint64_t>(linhas * colunas)) {
    throw ErroGis(Tipo::Uso,
                  "nenhum n\xC3\xB3 da \xC3\xA1rea est\xC3\xA1 dentro da \xC3\xA1rea do modelo");
  }
  CPLErrorReset();
  tif.reset();
  if (CPLGetLastErrorType() == CE_Failure) {
    throw ErroComGdal(Tipo::Arquivo, "falha ao gravar " + Aspas(opcoes.saida));
  }
  temporario.Renomear(opcoes.saida);
  return resultado;
}

}  // namespace nivora::gis
