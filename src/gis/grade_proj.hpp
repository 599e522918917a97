// The model as a PROJ grid: N sampled by the library's query on a regular grid of
// geographic SIRGAS 2000, written as a GeoTIFF vertical offset grid (PROJ's
// geodetic TIFF grid conventions) that PROJ's vgridshift reads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "nivora2015/nivora2015.hpp"

namespace nivora::gis {

/// A rectangle in decimal degrees.
struct Area {
  double latNorte = 0;
  double latSul = 0;
  double lonOeste = 0;
  double lonLeste = 0;
};

/// The model area (nodes strictly inside it get N).
Area AreaDoModelo();

struct OpcoesExportacao {
  std::string saida;              ///< a .tif file
  double espacamentoMinutos = 1;  ///< nodes at the multiples of this spacing
  Area area = AreaDoModelo();     ///< nodes inside it, edges included
  std::string crsVertical;        ///< the target vertical CRS; empty: EGM96 height (EPSG:5773)
  bool gradeDistribuida = true;   ///< the shipped grid (derived from EGM96): said in the metadata
  bool sobrescrever = false;
  unsigned threads = 1;
};

struct ResultadoExportacao {
  int colunas = 0;
  int linhas = 0;
  double lonOeste = 0;         ///< the first node's longitude
  double latNorte = 0;         ///< the first node's latitude
  std::uint64_t semValor = 0;  ///< nodes the query refused (nodata)
  std::string crsVertical;     ///< as written: "EPSG:5773" or the CRS's name
};

/// The value written for a node the query refuses.
inline constexpr double kSemValor = -32768;

/// Writes the grid (to a temporary file beside it, renamed at the end). Needs a SessaoGdal.
/// `progresso` gets the fraction done.
/// @throws ErroGis; the grid's errors (nivora::ErroNivora) as they come.
ResultadoExportacao ExportarGrade(const OpcoesExportacao& opcoes, const nivora2015::Grade& grade,
                                  const std::function<void(double)>& progresso = {});

}  // namespace nivora::gis
