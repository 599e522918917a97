// Strict number parsing and number masks. The syntax is checked here, by our own
// code; the conversion itself goes through std::from_chars / std::to_chars, which
// are correctly rounded and never look at the process locale.
#include "text/numeros.hpp"

#include <immintrin.h>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

#include "text/erros.hpp"

namespace nivora {

namespace {

bool EhDigito(char c) {
  return c >= '0' && c <= '9';
}

/// The number part of `text` when it has the accepted floating point syntax
/// (spaces, sign, mantissa, exponent, spaces), without the blanks and without a
/// leading '+'; false otherwise.
bool ExtrairNumeroFloat(std::string_view text, std::string_view& numero) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  // from_chars takes no '+': it is left out of the number
  const bool mais = i < n && text[i] == '+';
  if (mais) ++i;
  const std::size_t inicio = i;
  if (!mais && i < n && text[i] == '-') ++i;
  std::size_t digitosMantissa = 0;
  while (i < n && EhDigito(text[i])) {
    ++i;
    ++digitosMantissa;
  }
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && EhDigito(text[i])) {
      ++i;
      ++digitosMantissa;
    }
  }
  if (digitosMantissa == 0) return false;
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digitosExpoente = 0;
    while (i < n && EhDigito(text[i])) {
      ++i;
      ++digitosExpoente;
    }
    if (digitosExpoente == 0) return false;
  }
  const std::size_t fim = i;
  while (i < n && text[i] == ' ') ++i;
  if (i != n) return false;
  numero = text.substr(inicio, fim - inicio);
  return true;
}

bool ExtrairInteiro(std::string_view text, bool& negativo, std::string_view& digitos) {
  std::size_t i = 0;
  negativo = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negativo = text[i] == '-';
    ++i;
  }
  digitos = text.substr(i);
  if (digitos.empty()) return false;
  for (char c : digitos) {
    if (!EhDigito(c)) return false;
  }
  return true;
}

/// Exact powers of ten in extended precision: 10^k = 2^k * 5^k, and 5^27 still
/// fits the 64-bit significand.
constexpr int kMaxPotenciaExata = 27;
const std::array<long double, kMaxPotenciaExata + 1> kPotenciasDez = [] {
  std::array<long double, kMaxPotenciaExata + 1> p{};
  p[0] = 1.0L;
  for (int k = 1; k <= kMaxPotenciaExata; ++k) p[k] = p[k - 1] * 10.0L;
  return p;
}();

/// The common short case of a checked number (at most 19 significant digits and
/// a decimal exponent within the exact powers of ten): digits and power of ten are
/// both exact extended values, so one multiplication or division gives the
/// correctly rounded result, as the general conversion would. False when the
/// number is not of that kind.
bool ConverterCurto(std::string_view numero, long double& value) {
  std::size_t i = 0;
  const std::size_t n = numero.size();
  const bool negativo = i < n && numero[i] == '-';
  if (negativo) ++i;
  std::uint64_t digitos = 0;
  int significativos = 0;
  int casasDecimais = 0;
  bool depoisPonto = false;
  for (; i < n; ++i) {
    const char c = numero[i];
    if (c == '.') {
      depoisPonto = true;
      continue;
    }
    if (!EhDigito(c)) break;
    if (digitos != 0 || c != '0') {
      if (++significativos > 19) return false;
    }
    digitos = digitos * 10 + static_cast<std::uint64_t>(c - '0');
    if (depoisPonto) ++casasDecimais;
  }
  int expoente = 0;
  if (i < n) {  // the exponent: 'E' or 'e', an optional sign, digits
    ++i;
    bool expoenteNegativo = false;
    if (i < n && (numero[i] == '+' || numero[i] == '-')) expoenteNegativo = numero[i++] == '-';
    for (; i < n; ++i) {
      if (expoente > 1000) return false;
      expoente = expoente * 10 + (numero[i] - '0');
    }
    if (expoenteNegativo) expoente = -expoente;
  }
  const int escala = expoente - casasDecimais;
  if (digitos == 0) {
    value = negativo ? -0.0L : 0.0L;
    return true;
  }
  if (escala < -kMaxPotenciaExata || escala > kMaxPotenciaExata) return false;
  const auto mantissa = static_cast<long double>(digitos);
  const long double v =
      escala < 0 ? mantissa / kPotenciasDez[-escala] : mantissa * kPotenciasDez[escala];
  value = negativo ? -v : v;
  return true;
}

std::string MensagemFloat(std::string_view text) {
  return "'" + std::string(text) + "' is not a valid floating point value";
}

std::string MensagemInteiro(std::string_view text) {
  return "'" + std::string(text) + "' is not a valid integer value";
}

}  // namespace

// A magnitude beyond the extended range ("1e5000") and a non-zero value below the
// smallest normal extended number (about 3.4e-4932, e.g. "1e-5000") are both refused
// as not valid: the text does not stand for an extended number. A zero with any
// exponent ("0e-99999") is zero.
bool TryStrToFloat(std::string_view text, long double& value) {
  std::string_view numero;
  if (!ExtrairNumeroFloat(text, numero)) return false;
  if (ConverterCurto(numero, value)) return true;
  long double convertido = 0.0L;
  const char* const fim = numero.data() + numero.size();
  const auto [ptr, ec] =
      std::from_chars(numero.data(), fim, convertido, std::chars_format::general);
  if (ec != std::errc{} || ptr != fim) return false;
  if (!std::isfinite(convertido)) return false;
  value = convertido;
  return true;
}

long double StrToFloat(std::string_view text) {
  long double valor = 0.0L;
  if (!TryStrToFloat(text, valor)) throw EConversao(MensagemFloat(text));
  return valor;
}

bool TryStrToInt(std::string_view text, std::int32_t& value) {
  bool negativo = false;
  std::string_view digitos;
  if (!ExtrairInteiro(text, negativo, digitos)) return false;
  // The magnitude is bounded while it is read, so any number of digits is safe.
  constexpr std::int64_t kLimitePositivo = std::numeric_limits<std::int32_t>::max();
  const std::int64_t limite = negativo ? kLimitePositivo + 1 : kLimitePositivo;
  std::int64_t magnitude = 0;
  for (char c : digitos) {
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limite) return false;
  }
  value = static_cast<std::int32_t>(negativo ? -magnitude : magnitude);
  return true;
}

std::int32_t StrToInt(std::string_view text) {
  std::int32_t valor = 0;
  if (!TryStrToInt(text, valor)) throw EConversao(MensagemInteiro(text));
  return valor;
}

namespace {

/// Significant digits a value is first taken to before a mask cuts it.
constexpr int kDigitosSignificativos = 18;
/// Significant digits of the general form used for values too large for a mask.
constexpr int kDigitosGerais = 15;

/// What a mask asks for: "0" before the point are required integer digits; after
/// the point "0" and "#" are decimals, those up to the last "0" required. Other
/// characters of the mask are ignored (no thousands separators are written).
struct Mascara {
  std::size_t inteirosMinimos = 0;
  std::size_t decimais = 0;
  std::size_t decimaisObrigatorias = 0;
};

Mascara LerMascara(std::string_view mask) {
  Mascara m;
  bool depoisPonto = false;
  for (char c : mask) {
    if (c == '.') {
      depoisPonto = true;
    } else if (!depoisPonto) {
      if (c == '0') ++m.inteirosMinimos;
    } else if (c == '0' || c == '#') {
      ++m.decimais;
      if (c == '0') m.decimaisObrigatorias = m.decimais;
    }
  }
  return m;
}

/// `value` (finite) in scientific form with `digitos` significant digits, correctly
/// rounded: its sign, the digits without the point, and the decimal exponent of
/// the first digit.
struct Decimal {
  bool negativo = false;
  std::string digitos;
  int expoente = 0;
};

/// Decompor for 18 digits of a value from 0.01 up to 1e17, in integer arithmetic:
/// the value is m * 2^(e2-64) exactly, so v * 10^s is an exact 128-bit fraction,
/// rounded to nearest with ties to even as the general conversion does. False
/// outside that range.
bool DecomporCurto(long double value, Decimal& d) {
  __extension__ typedef unsigned __int128 u128;
  const long double v = value < 0 ? -value : value;
  if (!(v >= 0.01L && v < 1e17L)) return false;
  int e2 = 0;
  const long double fracao = std::frexp(v, &e2);  // v = fracao * 2^e2, fracao in [0.5, 1)
  const auto m = static_cast<std::uint64_t>(std::ldexp(fracao, 64));
  const int deslocamento = 64 - e2;  // v = m / 2^deslocamento
  if (deslocamento <= 0 || deslocamento >= 128) return false;
  constexpr std::uint64_t kMin = 100000000000000000ULL;   // 10^17
  constexpr std::uint64_t kMax = 1000000000000000000ULL;  // 10^18
  // First guess of the decimal exponent of the leading digit, then settled.
  int e10 = static_cast<int>(std::floor((e2 - 1) * 0.30102999566398119521L));
  for (int tentativa = 0; tentativa < 3; ++tentativa) {
    const int s = 17 - e10;
    if (s < 0 || s > 19) return false;
    std::uint64_t p = 1;
    for (int k = 0; k < s; ++k) p *= 10;
    const u128 produto = static_cast<u128>(m) * p;
    const u128 inteiro = produto >> deslocamento;
    if (inteiro < kMin) {
      --e10;
      continue;
    }
    if (inteiro >= kMax) {
      ++e10;
      continue;
    }
    const u128 resto = produto - (inteiro << deslocamento);
    const u128 metade = static_cast<u128>(1) << (deslocamento - 1);
    std::uint64_t q = static_cast<std::uint64_t>(inteiro);
    if (resto > metade || (resto == metade && (q & 1) != 0)) ++q;
    int expoente = e10;
    if (q == kMax) {
      q = kMin;
      ++expoente;
    }
    d.negativo = value < 0;
    d.expoente = expoente;
    d.digitos.assign(18, '0');
    for (int k = 17; k >= 0; --k) {
      d.digitos[static_cast<std::size_t>(k)] = static_cast<char>('0' + q % 10);
      q /= 10;
    }
    return true;
  }
  return false;
}

Decimal Decompor(long double value, int digitos) {
  if (digitos == kDigitosSignificativos) {
    Decimal curto;
    if (DecomporCurto(value, curto)) return curto;
  }
  // Sign, digits, point, "e", sign and up to 5 exponent digits, with room to spare.
  std::array<char, 64> buffer{};
  const auto [fim, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::scientific, digitos - 1);
  Decimal d;
  if (ec != std::errc{}) return d;  // cannot happen with this buffer size
  const std::string_view texto(buffer.data(), static_cast<std::size_t>(fim - buffer.data()));
  std::size_t i = 0;
  if (i < texto.size() && texto[i] == '-') {
    d.negativo = true;
    ++i;
  }
  for (; i < texto.size() && texto[i] != 'e'; ++i) {
    if (EhDigito(texto[i])) d.digitos.push_back(texto[i]);
  }
  if (i < texto.size()) {
    ++i;  // the 'e'
    bool expoenteNegativo = false;
    if (i < texto.size() && (texto[i] == '+' || texto[i] == '-')) {
      expoenteNegativo = texto[i] == '-';
      ++i;
    }
    int e = 0;
    for (; i < texto.size(); ++i) e = e * 10 + (texto[i] - '0');
    d.expoente = expoenteNegativo ? -e : e;
  }
  return d;
}

/// General form of 15 significant digits for a value beyond the masks: "1E30", "-1.5E20".
std::string FormaGeral(long double value) {
  const Decimal d = Decompor(value, kDigitosGerais);
  std::string mantissa = d.digitos.empty() ? "0" : d.digitos;
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
  std::string resultado = d.negativo ? "-" : "";
  resultado.push_back(mantissa[0]);
  if (mantissa.size() > 1) resultado.append(".").append(mantissa, 1);
  resultado.append("E").append(std::to_string(d.expoente));
  return resultado;
}

/// The common case of a value that is the extended number nearest to a decimal of
/// at most three decimals, such as every undulation the query returns and every
/// coordinate typed with three decimals: its 18-digit form is that decimal itself
/// (the extended value is within 2^-64 of it, relatively, far inside half a unit of
/// the 18th significant digit), so the digits of |value| * 10^decimais rounded half
/// away from zero follow from the thousandths in integer arithmetic. False for any
/// other value, or |value| >= 1e12, or more than six decimals.
bool EscaladoMilesimos(long double value, std::size_t decimais, std::string& escalado,
                       bool& negativo) {
  constexpr long double kLimite = 1e12L;
  constexpr std::size_t kMaxDecimais = 6;
  if (!(std::fabs(value) < kLimite) || decimais > kMaxDecimais) return false;
  const long long milesimos = std::llround(value * 1000);
  if (static_cast<long double>(milesimos) / 1000.0L != value) return false;
  const auto absolutos = static_cast<unsigned long long>(milesimos < 0 ? -milesimos : milesimos);
  unsigned long long escala = 1;
  for (std::size_t k = decimais; k < 3; ++k) escala *= 10;
  unsigned long long q = absolutos / escala + (absolutos % escala >= (escala + 1) / 2 ? 1 : 0);
  for (std::size_t k = 3; k < decimais; ++k) q *= 10;
  escalado = q == 0 ? std::string() : std::to_string(q);
  negativo = value < 0;
  return true;
}

/// Adds one unit to the last digit of a digit string, carrying to the left.
void SomarUmNoUltimo(std::string& digitos) {
  for (std::size_t i = digitos.size(); i > 0; --i) {
    if (digitos[i - 1] != '9') {
      ++digitos[i - 1];
      return;
    }
    digitos[i - 1] = '0';
  }
  digitos.insert(digitos.begin(), '1');
}

}  // namespace

namespace {

constexpr std::uint64_t kCinco[] = {244140625ull,     1220703125ull,    6103515625ull,
                                    30517578125ull,   152587890625ull,  762939453125ull,
                                    3814697265625ull, 19073486328125ull};  // 5^12..5^19
// 2^11 / 5^s, to approximate q (its error is caught by the exact test of rho).
constexpr auto kInversos = [] {
  std::array<double, std::size(kCinco)> inversos{};
  for (std::size_t k = 0; k < inversos.size(); ++k)
    inversos[k] = 2048.0 / static_cast<double>(kCinco[k]);
  return inversos;
}();
// The limits 1e2, 1e2 / 10, ... as the repeated division gives them.
constexpr auto kLimites = [] {
  std::array<double, 7> limites{};
  double limite = 1e2;
  for (double& l : limites) l = limite, limite /= 10;
  return limites;
}();

// The fast way for a double of at most 15 significant digits in [1e-5, 1000) (every
// coordinate typed with a fixed number of decimals), in integer arithmetic only.
//
// Let a = |x| = m 2^-D (m the 53-bit significand) and s the scale with
// 10^(14-s) <= a < 10^(15-s), so that a 10^s holds 15 digits before the point.
// The ulp of a is at most a 2^-52 < 0.23 10^-s, narrower than the spacing of the
// decimals M 10^-s; so the nearest of them is the only decimal of 15 digits or fewer
// within half an ulp of x, and when it rounds back to x it is the shortest
// round-trip decimal (a shorter one would be on the same spacing). Its extended
// value is RN64(M / 10^s).
//
// With d = D - s (31 <= d <= 50 over the whole range) and the integer P = m 5^s:
// a 10^s = P / 2^d. Write P = M 2^d + r with M the nearest integer,
// |r| <= 2^(d-1). Then
//   * M 10^-s rounds back to x iff |M 10^-s - a| < ulp(a) / 2, i.e. iff 2|r| < 5^s.
//     A tie for M (|r| = 2^(d-1)) fails this test, as the spacing argument above says
//     it must. A power of two, whose lower ulp is half the upper one, is a decimal of
//     at most 12 digits here (2^-k = 5^k 10^-k with k <= 16, and k <= s), so r = 0.
//   * In units of the 64-bit ulp u = 2^(-D-11) of a's binade, M 10^-s = u (m 2^11 - q)
//     with q = r 2^11 / 5^s, |q| < 2^10; m 2^11 - q stays inside [2^63, 2^64) (for
//     m = 2^52, q = 0), so RN64 is u times the integer nearest to it: S = m 2^11 - t with t
//     the integer nearest to q. q is never a half-integer (2 r 2^11 is even, 5^s
//     odd), and t, taken from a double approximation of q, is accepted only when the
//     exact integer rho = r 2^11 - t 5^s has 2|rho| < 5^s, i.e. |q - t| < 1/2.
// Every integer here stays within 64 bits once 2|r| < 5^s: |r 2^11| < 2^55,
// |t 5^s| < 2^55. The value's bits are S, a's exponent rebiased and x's sign.
// False where this does not apply (the caller then takes the general way).
bool ComoTextoCurto(double x, long double& v) {
  const double a = std::fabs(x);
  if (!(a >= 1e-5 && a < 1e3)) return false;
  const std::size_t k = std::size_t{a < kLimites[0]} + (a < kLimites[1]) + (a < kLimites[2]) +
                        (a < kLimites[3]) + (a < kLimites[4]) + (a < kLimites[5]) +
                        (a < kLimites[6]);  // s - 12
  const auto bits = std::bit_cast<std::uint64_t>(a);
  const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int d = 1075 - static_cast<int>(bits >> 52) - 12 - static_cast<int>(k);
  const auto cinco = static_cast<std::int64_t>(kCinco[k]);
  // P mod 2^d, from the low 64 bits of P (the product wrapped, as unsigned ones do).
  const auto resto = static_cast<std::int64_t>((m * kCinco[k]) & ((std::uint64_t{1} << d) - 1));
  const std::int64_t meio = std::int64_t{1} << (d - 1);
  // r = resto, or resto - 2^d when M is the integer above (no branch: that is a coin toss).
  const std::int64_t r = resto - (((meio - resto) >> 63) & (2 * meio));
  if (!(2 * r < cinco && 2 * r > -cinco)) return false;
  const double q = static_cast<double>(r) * kInversos[k];
  const auto t = static_cast<std::int64_t>(q + std::copysign(0.5, q));
  const std::int64_t rho = r * 2048 - t * cinco;
  if (!(2 * rho < cinco && 2 * rho > -cinco)) return false;
  struct {
    std::uint64_t significando;
    std::uint16_t sinalExpoente;
  } estendido{(m << 11) - static_cast<std::uint64_t>(t),
              static_cast<std::uint16_t>((bits >> 52) + (16383 - 1023) +
                                         ((std::bit_cast<std::uint64_t>(x) >> 63) << 15))};
  std::memcpy(&v, &estendido, 10);
  return true;
}

// Any double the general way: its shortest text, converted.
long double ComoTextoGeral(double x) {
  if (!std::isfinite(x)) return x;
  char texto[32];
  const auto [fim, ec] = std::to_chars(texto, texto + sizeof texto, x);
  (void)ec;  // 32 characters hold any double's shortest form
  // The digits as an integer m and a power of ten: x's decimal is m * 10^k. While m has
  // at most 19 digits and 10^|k| at most 27 (both exact in a 64-bit significand), one
  // correctly rounded product or quotient gives the decimal's nearest extended value,
  // as the full conversion does.
  static constexpr long double kPotencias[] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                               1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                               1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L,
                                               1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
  const char* p = texto;
  const bool negativo = *p == '-';
  if (negativo) ++p;
  std::uint64_t m = 0;
  int digitos = 0, k = 0;  // digits from the first that is not 0
  bool ponto = false;
  for (; p < fim && *p != 'e'; ++p) {
    if (*p == '.') {
      ponto = true;
      continue;
    }
    if (digitos > 0 || *p != '0') ++digitos;
    // Beyond 19 digits m is not used (and would wrap).
    if (digitos <= 19) m = m * 10 + static_cast<std::uint64_t>(*p - '0');
    if (ponto) --k;
  }
  if (p < fim) {  // e+NN or e-NN
    int e = 0;
    const bool eNegativo = p[1] == '-';
    for (p += 2; p < fim; ++p) e = e * 10 + (*p - '0');
    k += eNegativo ? -e : e;
  }
  long double v = 0;
  if (digitos > 19 || k > 27 || k < -27)
    return StrToFloat(std::string_view(texto, static_cast<std::size_t>(fim - texto)));
  if (m != 0) {
    const auto inteiro = static_cast<long double>(m);  // exact: m < 10^19 < 2^64
    v = k >= 0 ? inteiro * kPotencias[k] : inteiro / kPotencias[-k];
  }
  return negativo ? -v : v;
}

// The fast way on eight doubles at once with AVX-512: the same integer steps lane by
// lane (64-bit products, shifts and conversions are exact the same way), each lane's
// 80-bit value written into its 16-byte slot; a lane it does not apply to goes the
// general way. The caller checks that the processor has AVX-512 F and DQ.
typedef std::int64_t Inteiros8 __attribute__((vector_size(64)));
typedef std::uint64_t Naturais8 __attribute__((vector_size(64)));
typedef double Duplas8 __attribute__((vector_size(64)));

// GCC 12 takes the placeholder operand inside the AVX-512 header's permutes for an
// uninitialized variable.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
__attribute__((target("avx512f,avx512dq"))) void ComoTextos8(const double* x, long double* v) {
  Duplas8 xs;
  std::memcpy(&xs, x, sizeof xs);
  Inteiros8 cincos, k = {};
  Duplas8 inversos;
  std::memcpy(&cincos, kCinco, sizeof cincos);
  std::memcpy(&inversos, kInversos.data(), sizeof inversos);
  const auto bits = reinterpret_cast<Naturais8>(xs) & ~(Naturais8{} + (std::uint64_t{1} << 63));
  const auto a = reinterpret_cast<Duplas8>(bits);
  Inteiros8 boas = (a >= 1e-5) & (a < 1e3);
  for (const double limite : kLimites) k -= a < limite;  // s - 12
  const Naturais8 m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const Naturais8 expoente = bits >> 52;
  // d is 31..50 where |x| is in the range; elsewhere 32, so that no step overflows there.
  const Inteiros8 d = ((1063 - reinterpret_cast<Inteiros8>(expoente) - k) & boas) | (32 & ~boas);
  const auto cinco = reinterpret_cast<Inteiros8>(
      _mm512_permutexvar_epi64(reinterpret_cast<__m512i>(k), reinterpret_cast<__m512i>(cincos)));
  const Naturais8 unidade = (Naturais8{} + 1) << reinterpret_cast<Naturais8>(d);
  const auto resto =
      reinterpret_cast<Inteiros8>(m * reinterpret_cast<Naturais8>(cinco) & (unidade - 1));
  const auto meio = reinterpret_cast<Inteiros8>(unidade >> 1);
  Inteiros8 r = resto - (((meio - resto) >> 63) & reinterpret_cast<Inteiros8>(unidade));
  boas &= (2 * r < cinco) & (2 * r > -cinco);
  r &= boas;  // lanes already refused go on with r = 0 (so q = t = 0: nothing overflows)
  const Duplas8 q = __builtin_convertvector(r, Duplas8) *
                    reinterpret_cast<Duplas8>(_mm512_permutexvar_pd(
                        reinterpret_cast<__m512i>(k), reinterpret_cast<__m512d>(inversos)));
  const Naturais8 meioComSinal = (reinterpret_cast<Naturais8>(q) & (std::uint64_t{1} << 63)) |
                                 std::bit_cast<std::uint64_t>(0.5);
  const Inteiros8 t =
      __builtin_convertvector(q + reinterpret_cast<Duplas8>(meioComSinal), Inteiros8);
  const auto rho = reinterpret_cast<Inteiros8>(reinterpret_cast<Naturais8>(r) * 2048 -
                                               reinterpret_cast<Naturais8>(t * cinco));
  boas &= (2 * rho < cinco) & (2 * rho > -cinco);
  const Naturais8 significando = (m << 11) - reinterpret_cast<Naturais8>(t);
  const Naturais8 topo = expoente + (16383 - 1023) + (reinterpret_cast<Naturais8>(xs) >> 63 << 15);
  // Slot i: the significand, then sign and exponent (the slot's padding zeroed).
  const Naturais8 primeiros = __builtin_shufflevector(significando, topo, 0, 8, 1, 9, 2, 10, 3, 11);
  const Naturais8 ultimos = __builtin_shufflevector(significando, topo, 4, 12, 5, 13, 6, 14, 7, 15);
  std::memcpy(static_cast<void*>(v), &primeiros, sizeof primeiros);
  std::memcpy(static_cast<void*>(v + 4), &ultimos, sizeof ultimos);
  for (int i = 0; i < 8; ++i)
    if (boas[i] == 0) v[i] = ComoTextoGeral(x[i]);
}
#pragma GCC diagnostic pop

}  // namespace

long double ComoTexto(double x) {
  long double curto = 0;
  return ComoTextoCurto(x, curto) ? curto : ComoTextoGeral(x);
}

void ComoTextos(const double* x, std::size_t n, long double* v) {
  static_assert(sizeof(long double) == 16 && std::numeric_limits<long double>::digits == 64);
  static const bool vetorial =
      __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq");
  std::size_t i = 0;
  if (vetorial)
    for (; i + 8 <= n; i += 8) ComoTextos8(x + i, v + i);
  for (; i < n; ++i)
    if (!ComoTextoCurto(x[i], v[i])) v[i] = ComoTextoGeral(x[i]);
}

std::string FormatFloat(std::string_view mask, long double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";

  const Mascara m = LerMascara(mask);
  // Digits of |value| * 10^decimais rounded half away from zero: the significant
  // digits kept are those down to the mask's last decimal.
  std::string escalado;
  bool negativo = false;
  if (!EscaladoMilesimos(value, m.decimais, escalado, negativo)) {
    const Decimal d = Decompor(value, kDigitosSignificativos);
    if (d.expoente >= kDigitosSignificativos) return FormaGeral(value);
    negativo = d.negativo;
    const bool zero = d.digitos.find_first_not_of('0') == std::string::npos;
    if (!zero) {
      const long long mantidos =
          static_cast<long long>(d.expoente) + 1 + static_cast<long long>(m.decimais);
      if (mantidos == 0) {
        // Every digit is dropped; the first dropped one is the leading digit itself.
        if (d.digitos[0] >= '5') escalado.assign(1, '1');
      } else if (mantidos > 0) {
        const auto n = static_cast<std::size_t>(mantidos);
        if (n >= d.digitos.size()) {
          escalado = d.digitos + std::string(n - d.digitos.size(), '0');
        } else {
          escalado = d.digitos.substr(0, n);
          if (d.digitos[n] >= '5') SomarUmNoUltimo(escalado);
        }
      }
      // mantidos < 0: the first dropped digit is a leading zero, so the value rounds to 0.
    }
  }
  const bool resultadoZero = escalado.find_first_not_of('0') == std::string::npos;
  if (resultadoZero) escalado.clear();

  if (escalado.size() < m.decimais) escalado.insert(0, m.decimais - escalado.size(), '0');
  std::string inteiros = escalado.substr(0, escalado.size() - m.decimais);
  std::string fracao = escalado.substr(escalado.size() - m.decimais);
  if (inteiros.size() < m.inteirosMinimos) {
    inteiros.insert(0, m.inteirosMinimos - inteiros.size(), '0');
  }
  while (fracao.size() > m.decimaisObrigatorias && fracao.back() == '0') fracao.pop_back();

  if (inteiros.empty() && fracao.empty()) return "0";  // a mask with no required digit

  std::string resultado;
  if (negativo && !resultadoZero) resultado.push_back('-');
  resultado.append(inteiros);
  if (!fracao.empty()) resultado.append(".").append(fracao);
  return resultado;
}

}  // namespace nivora
