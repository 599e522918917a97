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
class EForaDoDominio : public ErroNivora {
 public:
  EForaDoDominio() : ErroNivora("Erro de Dominio") {}
};

/// Width of a point's identification as written: padded on the right with
/// spaces or cut to this many characters.
inline constexpr int kLarguraId = 8;

/// How a point was entered, which decides which notation the other is derived from.
enum class TipoEntradaPonto : std::int32_t {
  Decimal = 0,  ///< decimal degrees: the decimal assignments derive the GMS fields
  GMS = 1,      ///< degrees, minutes and seconds: the GMS assignments derive the decimal fields
};

/// Why the last failing check refused a coordinate (the record's `Erro`). The
/// numbers are the codes the user reads about; MensagemErro words each one.
enum class ErroPonto : std::int32_t {
  Nenhum = 0,      ///< no check has failed (or the refusal had no reason of its own)
  GrauLat = 1,     ///< latitude outside the geographic domain (90 degrees or more either way)
  MinLat = 2,      ///< latitude minutes above 59
  SegLat = 3,      ///< latitude seconds of 60 or more
  GrauLon = 4,     ///< longitude outside the geographic domain (180 degrees or more either way)
  MinLon = 5,      ///< longitude minutes above 59
  SegLon = 6,      ///< longitude seconds of 60 or more
  AcimaNorte = 7,  ///< latitude at or north of the model's north limit
  AbaixoSul = 8,   ///< latitude at or south of the model's south limit
  ForaLon = 9,     ///< longitude at or beyond the model's east or west limit
};

/// True for the reasons that name the latitude (GrauLat, MinLat, SegLat, AcimaNorte,
/// AbaixoSul).
bool MotivoDeLatitude(ErroPonto erro);

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
  TipoEntradaPonto TipoEntrada = TipoEntradaPonto::Decimal;
  std::string Id;
  bool SaidaId = false;
  bool SaidaCoord = false;
  long double Ondulacao = 0;           ///< metres, stored by the caller
  ErroPonto Erro = ErroPonto::Nenhum;  ///< reason of the last failing check; never reset
  /// Whether the decimal assignments derive the GMS fields too. A batch of a decimal
  /// layout never reads them, and skips the work.
  bool DerivaGMS = true;

  /// Decimal degrees. @throws EForaDoDominio after storing the value.
  void AtribuiLatDec(long double x);
  void AtribuiLonDec(long double x);
  /// GMS; the latitude degrees are a magnitude signed by `sinal`, the longitude
  /// degrees carry the sign. @throws EForaDoDominio after storing the values.
  void AtribuiLatGMS(std::string_view sinal, std::int32_t g, std::int32_t m, long double s);
  void AtribuiLonGMS(std::int32_t g, std::int32_t m, long double s);

  /// Latitude, then longitude, as a batch record gives them. When the latitude is
  /// refused for a reason of its own (MotivoDeLatitude), the longitude is still
  /// assigned, so that a longitude reason replaces the latitude's in `Erro`; after
  /// a refusal without a reason the longitude is left unassigned.
  /// @throws EForaDoDominio when either coordinate is refused.
  void AtribuiLatLonDec(long double lat, long double lon);
  void AtribuiLatLonGMS(std::string_view sinalLat, std::int32_t grauLat, std::int32_t minLat,
                        long double segLat, std::int32_t grauLon, std::int32_t minLon,
                        long double segLon);
  /// Text front ends of the keyboard. @throws EConversao for a text that is no
  /// number, EForaDoDominio for a refused value.
  void AtribuiDecimal(std::string_view sinal, std::string_view valor, bool longitude);
  void AtribuiGMS(std::string_view sinal, std::string_view grau, std::string_view minuto,
                  std::string_view segundo, bool longitude);

  /// "-03 07 43.3200": sign, degrees, minutes, seconds (degrees and minutes padded
  /// with "0" to two characters, never cut).
  std::string LatGMSTexto() const;
  /// "-46 37 30.0000": "-" only for negative degrees.
  std::string LonGMSTexto() const;
};

/// What AtribuiLatLonDec decides for (lat, lon), without a record: `recusado` tells
/// whether it raises, and the result is the record's Erro after it (Nenhum for an
/// accepted point, and for a refusal without a reason of its own: a NaN latitude).
ErroPonto RecusaLatLonDec(const long double& lat, const long double& lon, bool& recusado);

/// Degrees (negated for x < 0), minutes and seconds of x; minutes and seconds >= 0.
void DecimalParaGMS(double x, std::int32_t& graus, std::int32_t& minutos, long double& segundos);
/// |g| + m/60 + s/3600 in Extended, rounded to Double, negated when g < 0.
double GMSParaDecimal(std::int32_t g, std::int32_t m, double s);
/// The same sum without the sign step.
double GMSParaDecimalAbs(std::int32_t g, std::int32_t m, double s);
/// @throws EForaDoDominio when `falha` is true.
void VerificaDominio(bool falha);

/// "Entrada Inválida : " + the description of the reason (Windows-1252); the
/// general "POSSÍVEL ERRO NA ENTRADA DE DADOS" for Nenhum and any value outside the list.
std::string MensagemErro(ErroPonto codigo);
/// The limit text that the keyboard refusal box shows after MensagemErro for the
/// reason (lines separated by "\r"); empty for Nenhum and values outside the list.
std::string TextoLimite(ErroPonto codigo);

}  // namespace nivora
