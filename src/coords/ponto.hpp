// The point record: one point in decimal degrees and in degrees, minutes and
// seconds (GMS), checked against the geographic domain and the model area.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "geoid/modelo.hpp"  // the model area: kLimiteNorte, kLimiteSul, kLimiteLeste, kLimiteOeste
#include "text/erros.hpp"

namespace nivora {

/// Raised by an assignment whose value cannot be used; the record's Erro tells why.
class EInvalidArgument : public ErroNivora {
 public:
  EInvalidArgument() : ErroNivora("Erro de Dominio") {}
};

/// One point. Fields keep their record names; a new record is all zero / empty.
class TPonto {
 public:
  long double LatDec = 0;  ///< latitude, decimal degrees, north positive
  long double LonDec = 0;  ///< longitude, decimal degrees, east positive
  std::string SinalLat;    ///< at most one character: "+", "-" or what was given
  std::int32_t GrauLat = 0;
  std::int32_t MinLat = 0;
  long double SegLat = 0;
  std::int32_t GrauLon = 0;  ///< carries the longitude's sign
  std::int32_t MinLon = 0;
  long double SegLon = 0;
  std::int32_t TipoEntrada = 0;  ///< 0 entered in decimal degrees, 1 in GMS
  std::string Id;
  bool SaidaId = false;
  bool SaidaCoord = false;
  long double Ondulacao = 0;  ///< metres, stored by the caller
  std::int32_t Erro = 0;      ///< code of the last failing check (1..9), 0 when none

  /// Decimal degrees. @throws EInvalidArgument after storing the value.
  void AtribuiLatDec(long double x);
  void AtribuiLonDec(long double x);
  /// GMS; the latitude degrees are a magnitude signed by `sinal`, the longitude
  /// degrees carry the sign. @throws EInvalidArgument after storing the values.
  void AtribuiLatGMS(std::string_view sinal, std::int32_t g, std::int32_t m, long double s);
  void AtribuiLonGMS(std::int32_t g, std::int32_t m, long double s);
  /// Text front ends of the keyboard. @throws EConvertError for a text that is no
  /// number, EInvalidArgument for a refused value.
  void AtribuiDecimal(std::string_view sinal, std::string_view valor, bool longitude);
  void AtribuiGMS(std::string_view sinal, std::string_view grau, std::string_view minuto,
                  std::string_view segundo, bool longitude);

  /// "-03 07 43.3200": sign, degrees, minutes, seconds (degrees and minutes padded
  /// with "0" to two characters, never cut).
  std::string LatGMSTexto() const;
  /// "-46 37 30.0000": "-" only for negative degrees.
  std::string LonGMSTexto() const;
};

/// Degrees (negated for x < 0), minutes and seconds of x; minutes and seconds >= 0.
void DecimalParaGMS(double x, std::int32_t& graus, std::int32_t& minutos, long double& segundos);
/// |g| + m/60 + s/3600 in Extended, rounded to Double, negated when g < 0.
double GMSParaDecimal(std::int32_t g, std::int32_t m, double s);
/// The same sum without the sign step.
double GMSParaDecimalAbs(std::int32_t g, std::int32_t m, double s);
/// @throws EInvalidArgument when `falha` is true.
void VerificaDominio(bool falha);

/// "Entrada Inválida : " + the description of the code (Windows-1252).
std::string MensagemErro(std::int32_t codigo);
/// The limit text that the keyboard refusal box shows after MensagemErro for the
/// code (lines separated by "\r"); empty for 0 and unknown codes.
std::string TextoLimite(std::int32_t codigo);

}  // namespace nivora
