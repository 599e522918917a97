// Strict number parsing and number masks. The syntax is checked here, by our own
// code; the conversion itself goes through std::from_chars / std::to_chars, which
// are correctly rounded and never look at the process locale.
#include "text/numeros.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
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
  if (!TryStrToFloat(text, valor)) throw EConvertError(MensagemFloat(text));
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
  if (!TryStrToInt(text, valor)) throw EConvertError(MensagemInteiro(text));
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

Decimal Decompor(long double value, int digitos) {
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

std::string FormatFloat(std::string_view mask, long double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";

  const Decimal d = Decompor(value, kDigitosSignificativos);
  if (d.expoente >= kDigitosSignificativos) return FormaGeral(value);

  const Mascara m = LerMascara(mask);
  const bool zero = d.digitos.find_first_not_of('0') == std::string::npos;

  // Digits of |value| * 10^decimais rounded half away from zero: the significant
  // digits kept are those down to the mask's last decimal.
  std::string escalado;
  if (!zero) {
    const long long mantidos =
        static_cast<long long>(d.expoente) + 1 + static_cast<long long>(m.decimais);
    if (mantidos == 0) {
      // Every digit is dropped; the first dropped one is the leading digit itself.
      if (d.digitos[0] >= '5') escalado = "1";
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
  if (d.negativo && !resultadoZero) resultado.push_back('-');
  resultado.append(inteiros);
  if (!fracao.empty()) resultado.append(".").append(fracao);
  return resultado;
}

}  // namespace nivora
