// The layer mode: an OGR vector layer of points in, a new layer out with every input
// field kept and N (and the other height) added, computed on one version of the grid.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "nivora2015/nivora2015.hpp"

namespace nivora::gis {

/// Which height a layer carries or which goes to Z.
enum class Altura { Nenhuma, Elipsoidal, Ortometrica };

struct OpcoesCamada {
  std::string entrada;
  std::string saida;
  std::string camada;               ///< the input layer; empty: the only one
  Altura altura = Altura::Nenhuma;  ///< the height given (h or H)
  std::string campoAltura;          ///< the field holding it; empty: the points' Z
  std::string campoLat;             ///< columns of the coordinates; empty: the geometry, or
  std::string campoLon;             ///< columns named lat/latitude/y and lon/longitude/long/x
  std::string crs;                  ///< the coordinates' CRS; empty: the layer's
  Altura z = Altura::Nenhuma;       ///< the height written as the output points' Z
  std::string formatoSaida;         ///< a GDAL driver name; empty: from the output's extension
  std::string campoN = "N";
  std::string campoOutra;  ///< empty: "H" for an ellipsoidal height, "h" for an orthometric one
  std::string campoMotivo = "motivo";
  bool sobrescrever = false;
  unsigned threads = 1;
};

struct ResultadoCamada {
  std::string nomeCamada;
  std::string driverSaida;
  std::uint64_t feicoes = 0;
  std::uint64_t comN = 0;       ///< features that got N
  std::uint64_t recusadas = 0;  ///< features left with a reason
};

/// Features done, and the total when the input knows it cheaply (-1 otherwise).
using ProgressoCamada = std::function<void(std::uint64_t feitas, std::int64_t total)>;

/// Reads `opcoes.entrada`, writes `opcoes.saida`, N and heights from `grade`.
/// Needs a SessaoGdal. Nothing is written before the input, its fields, its CRS and
/// the output's name and format are found usable; what was written before a failure
/// stays in the output.
/// @throws ErroGis; the grid's errors (nivora::ErroNivora) as they come.
ResultadoCamada ProcessarCamada(const OpcoesCamada& opcoes, const nivora2015::Grade& grade,
                                const ProgressoCamada& progresso = {});

}  // namespace nivora::gis
