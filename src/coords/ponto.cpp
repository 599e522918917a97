// The point record and its conversions between decimal degrees and GMS.
//
// Every assignment runs its checks in a fixed order (a later failing check's
// code replaces an earlier one's), stores the value, and only then raises the
// domain error, so a caller that catches it still reads what was given.
#include "coords/ponto.hpp"

#include <charconv>
#include <cmath>
#include <limits>

#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace nivora {

namespace {

// Geographic domain, degrees.
constexpr long double kLatMaxGraus = 90.0L;
constexpr long double kLonMaxGraus = 180.0L;
constexpr std::int64_t kGrauLatMax = 90;
constexpr std::int64_t kGrauLonMax = 180;
constexpr std::int32_t kMinutoMax = 59;
constexpr long double kSegundosPorMinuto = 60.0L;
constexpr long double kMinutosPorGrau = 60.0L;

// The factors of the GMS sum, held as Extended values.
constexpr long double kUmSessentaAvos = 1.0L / 60.0L;
constexpr long double kUmTresMilSeiscentosAvos = 1.0L / 3600.0L;

constexpr int kLarguraCampoGMS = 2;
constexpr std::string_view kMascaraSegundos = "#0.0000";
constexpr std::string_view kSeparadorDecimal = ".";

// An int64 brought back into the int32 range (used for |g| and -g of INT32_MIN,
// whose true value does not fit; the clamped value is still refused by the checks).
std::int32_t LimitaInt32(std::int64_t v) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  if (v > kMax) return static_cast<std::int32_t>(kMax);
  if (v < kMin) return static_cast<std::int32_t>(kMin);
  return static_cast<std::int32_t>(v);
}

// Whole degrees of a non-negative magnitude; NaN and magnitudes beyond the int32
// range give a clamped value instead of an undefined conversion.
std::int32_t ParteInteiraGraus(long double a) {
  if (std::isnan(a)) return 0;
  constexpr long double kMax = static_cast<long double>(std::numeric_limits<std::int32_t>::max());
  if (a >= kMax) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::trunc(a));
}

std::string DigitosDecimais(std::int64_t v) {
  char buf[24];
  auto [fim, ec] = std::to_chars(buf, buf + sizeof buf, v);
  (void)ec;  // 24 characters always hold an int64
  return std::string(buf, fim);
}

// Decimal digits of v padded with "0" on the left to two characters, never cut.
std::string CampoDoisDigitos(std::int64_t v) {
  std::string digitos = DigitosDecimais(v);
  if (digitos.size() < static_cast<std::size_t>(kLarguraCampoGMS)) {
    digitos.insert(0, static_cast<std::size_t>(kLarguraCampoGMS) - digitos.size(), '0');
  }
  return digitos;
}

// Seconds as "SS.SSSS": the whole part padded to two characters (never cut).
std::string CampoSegundos(long double segundos) {
  const std::string texto = FormatFloat(kMascaraSegundos, segundos);
  std::string inteiro = ObterTermo(1, kSeparadorDecimal, texto);
  const std::string decimais = ObterTermo(2, kSeparadorDecimal, texto);
  if (inteiro.size() < static_cast<std::size_t>(kLarguraCampoGMS)) {
    inteiro.insert(0, static_cast<std::size_t>(kLarguraCampoGMS) - inteiro.size(), '0');
  }
  return inteiro + std::string(kSeparadorDecimal) + decimais;
}

// |g| + m/60 + s/3600 in Extended, rounded to Double.
double SomaGMS(std::int32_t g, std::int32_t m, double s) {
  const long double grausAbs = std::fabs(static_cast<long double>(g));
  const long double soma = grausAbs + static_cast<long double>(m) * kUmSessentaAvos +
                           static_cast<long double>(s) * kUmTresMilSeiscentosAvos;
  return static_cast<double>(soma);
}

}  // namespace

void DecimalParaGMS(double x, std::int32_t& graus, std::int32_t& minutos, long double& segundos) {
  const long double a = std::fabs(static_cast<long double>(x));
  const long double inteiroGraus = std::trunc(a);
  // The minutes are kept as a Double; the seconds stay in Extended.
  const double m = static_cast<double>((a - inteiroGraus) * kMinutosPorGrau);
  const long double inteiroMinutos = std::trunc(static_cast<long double>(m));
  graus = ParteInteiraGraus(a);
  minutos = ParteInteiraGraus(inteiroMinutos);
  segundos = (static_cast<long double>(m) - inteiroMinutos) * kSegundosPorMinuto;
  if (std::isnan(a) || std::isinf(a)) {
    minutos = 0;
    segundos = 0;
  }
  if (x < 0) graus = -graus;
}

double GMSParaDecimal(std::int32_t g, std::int32_t m, double s) {
  double v = SomaGMS(g, m, s);
  if (g < 0) v = -v;
  return v;
}

double GMSParaDecimalAbs(std::int32_t g, std::int32_t m, double s) {
  return SomaGMS(g, m, s);
}

void VerificaDominio(bool falha) {
  if (falha) throw EForaDoDominio();
}

bool MotivoDeLatitude(ErroPonto erro) {
  switch (erro) {
    case ErroPonto::GrauLat:
    case ErroPonto::MinLat:
    case ErroPonto::SegLat:
    case ErroPonto::AcimaNorte:
    case ErroPonto::AbaixoSul:
      return true;
    default:
      return false;
  }
}

void TPonto::AtribuiLatDec(long double x) {
  if (x >= kLimiteNorte) Erro = ErroPonto::AcimaNorte;
  if (x <= kLimiteSul) Erro = ErroPonto::AbaixoSul;
  if (x <= -kLatMaxGraus || x >= kLatMaxGraus) Erro = ErroPonto::GrauLat;
  LatDec = x;
  // A NaN passes every comparison above; it is refused too (without a code).
  VerificaDominio(x >= kLimiteNorte || x <= kLimiteSul || x <= -kLatMaxGraus || x >= kLatMaxGraus ||
                  std::isnan(x));
  if (x < 0) SinalLat.assign(1, '-');
  if (TipoEntrada == TipoEntradaPonto::Decimal && DerivaGMS)
    DecimalParaGMS(static_cast<double>(x), GrauLat, MinLat, SegLat);
}

namespace {

// The checks of a decimal longitude (the model's east and west limits, then the
// geographic domain, which replaces their code), storing the value before the
// refusal; shared by both longitude assignments.
void VerificaLonDec(TPonto& p, long double x) {
  if (x >= kLimiteLeste && x <= kLonMaxGraus) p.Erro = ErroPonto::ForaLon;
  if (x <= kLimiteOeste && x >= -kLonMaxGraus) p.Erro = ErroPonto::ForaLon;
  if (x <= -kLonMaxGraus || x >= kLonMaxGraus) p.Erro = ErroPonto::GrauLon;
  p.LonDec = x;
  VerificaDominio(x >= kLimiteLeste || x <= kLimiteOeste || std::isnan(x));
}

}  // namespace

void TPonto::AtribuiLonDec(long double x) {
  VerificaLonDec(*this, x);
  if (TipoEntrada == TipoEntradaPonto::Decimal && DerivaGMS)
    DecimalParaGMS(static_cast<double>(x), GrauLon, MinLon, SegLon);
}

void TPonto::AtribuiLatGMS(std::string_view sinal, std::int32_t g, std::int32_t m, long double s) {
  const std::string sinalLido = sinal.empty() ? std::string("+") : std::string(sinal.substr(0, 1));
  if (g > kGrauLatMax) Erro = ErroPonto::GrauLat;
  if (m > kMinutoMax) Erro = ErroPonto::MinLat;
  if (s >= kSegundosPorMinuto) Erro = ErroPonto::SegLat;
  SinalLat = sinalLido;
  GrauLat = g;
  MinLat = m;
  SegLat = s;
  VerificaDominio(g >= kGrauLatMax || m < 0 || m > kMinutoMax || s < 0 || s >= kSegundosPorMinuto ||
                  std::isnan(s));
  if (TipoEntrada == TipoEntradaPonto::GMS) {
    long double v = GMSParaDecimalAbs(g, m, static_cast<double>(s));
    if (SinalLat == "-") v = v * -1;
    if (v >= kLimiteNorte && v <= kLatMaxGraus) Erro = ErroPonto::AcimaNorte;
    if (v <= kLimiteSul && v >= -kLatMaxGraus) Erro = ErroPonto::AbaixoSul;
    if (v <= -kLatMaxGraus || v >= kLatMaxGraus) Erro = ErroPonto::GrauLat;
    LatDec = v;
    VerificaDominio(v >= kLimiteNorte || v <= kLimiteSul);
  }
}

void TPonto::AtribuiLonGMS(std::int32_t g, std::int32_t m, long double s) {
  // In int64 so that |INT32_MIN| is defined (and refused).
  const std::int64_t grausAbs = g < 0 ? -static_cast<std::int64_t>(g) : g;
  if (grausAbs > kGrauLonMax) Erro = ErroPonto::GrauLon;
  if (m > kMinutoMax) Erro = ErroPonto::MinLon;
  if (s >= kSegundosPorMinuto) Erro = ErroPonto::SegLon;
  GrauLon = g;
  MinLon = m;
  SegLon = s;
  VerificaDominio(grausAbs > kGrauLonMax || m < 0 || m > kMinutoMax || s < 0 ||
                  s >= kSegundosPorMinuto || std::isnan(s));
  if (TipoEntrada == TipoEntradaPonto::GMS)
    VerificaLonDec(*this, GMSParaDecimal(g, m, static_cast<double>(s)));
}

namespace {

// Runs `latitude` then `longitude`; a latitude refused for a reason of its own
// does not stop the longitude, whose reason then replaces it.
template <class Latitude, class Longitude>
void AtribuiLatitudeELongitude(const TPonto& ponto, Latitude&& latitude, Longitude&& longitude) {
  bool recusada = false;
  try {
    latitude();
  } catch (const EForaDoDominio&) {
    if (!MotivoDeLatitude(ponto.Erro)) throw;
    recusada = true;
  }
  longitude();
  if (recusada) throw EForaDoDominio();
}

}  // namespace

ErroPonto RecusaLatLonDec(const long double& lat, const long double& lon, bool& recusado) {
  // Inside the model area no check below refuses (its limits lie within the degree
  // ranges): four comparisons for nearly every point.
  static_assert(kLimiteNorte < kLatMaxGraus && kLimiteSul > -kLatMaxGraus &&
                kLimiteLeste < kLonMaxGraus && kLimiteOeste > -kLonMaxGraus);
  if (lat < kLimiteNorte && lat > kLimiteSul && lon < kLimiteLeste && lon > kLimiteOeste) {
    recusado = false;
    return ErroPonto::Nenhum;
  }
  // The checks of AtribuiLatDec, then (unless the latitude was refused without a
  // reason) those of VerificaLonDec, each later code replacing an earlier one.
  ErroPonto erro = ErroPonto::Nenhum;
  if (lat >= kLimiteNorte) erro = ErroPonto::AcimaNorte;
  if (lat <= kLimiteSul) erro = ErroPonto::AbaixoSul;
  if (lat <= -kLatMaxGraus || lat >= kLatMaxGraus) erro = ErroPonto::GrauLat;
  const bool latRecusada = lat >= kLimiteNorte || lat <= kLimiteSul || std::isnan(lat);
  recusado = latRecusada;
  if (latRecusada && !MotivoDeLatitude(erro)) return erro;
  if (lon >= kLimiteLeste && lon <= kLonMaxGraus) erro = ErroPonto::ForaLon;
  if (lon <= kLimiteOeste && lon >= -kLonMaxGraus) erro = ErroPonto::ForaLon;
  if (lon <= -kLonMaxGraus || lon >= kLonMaxGraus) erro = ErroPonto::GrauLon;
  if (lon >= kLimiteLeste || lon <= kLimiteOeste || std::isnan(lon)) recusado = true;
  return erro;
}

void TPonto::AtribuiLatLonDec(long double lat, long double lon) {
  AtribuiLatitudeELongitude(
      *this, [&] { AtribuiLatDec(lat); }, [&] { AtribuiLonDec(lon); });
}

void TPonto::AtribuiLatLonGMS(std::string_view sinalLat, std::int32_t grauLat, std::int32_t minLat,
                              long double segLat, std::int32_t grauLon, std::int32_t minLon,
                              long double segLon) {
  AtribuiLatitudeELongitude(
      *this, [&] { AtribuiLatGMS(sinalLat, grauLat, minLat, segLat); },
      [&] { AtribuiLonGMS(grauLon, minLon, segLon); });
}

void TPonto::AtribuiDecimal(std::string_view sinal, std::string_view valor, bool longitude) {
  const long double fator = sinal == "-" ? -1.0L : 1.0L;
  const long double x = StrToFloat(valor) * fator;
  if (longitude) {
    AtribuiLonDec(x);
  } else {
    AtribuiLatDec(x);
  }
}

void TPonto::AtribuiGMS(std::string_view sinal, std::string_view grau, std::string_view minuto,
                        std::string_view segundo, bool longitude) {
  const std::int32_t g = StrToInt(grau);
  const std::int32_t m = StrToInt(minuto);
  const long double s = StrToFloat(segundo);
  if (longitude) {
    // Typed without a sign and always west. -INT32_MIN does not fit: it is
    // clamped to INT32_MAX, which the degree check refuses.
    AtribuiLonGMS(LimitaInt32(-static_cast<std::int64_t>(g)), m, s);
  } else {
    const std::int64_t grausAbs = g < 0 ? -static_cast<std::int64_t>(g) : g;
    AtribuiLatGMS(sinal, LimitaInt32(grausAbs), m, s);
  }
}

std::string TPonto::LatGMSTexto() const {
  return SinalLat + CampoDoisDigitos(GrauLat) + " " + CampoDoisDigitos(MinLat) + " " +
         CampoSegundos(SegLat);
}

std::string TPonto::LonGMSTexto() const {
  const std::int64_t graus = GrauLon;
  const std::string sinal = graus < 0 ? "-" : "";
  return sinal + CampoDoisDigitos(graus < 0 ? -graus : graus) + " " + CampoDoisDigitos(MinLon) +
         " " + CampoSegundos(SegLon);
}

}  // namespace nivora
