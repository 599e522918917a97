// The short-number paths of the conversions against the C++ library's correctly
// rounded conversions, on many random and tie-prone values.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "text/numeros.hpp"

namespace {

// Significant digits of a decimal text, without sign, point, leading or trailing zeros.
std::string Significativos(const std::string& texto) {
  std::string d;
  for (char c : texto)
    if (c >= '0' && c <= '9') d.push_back(c);
  const auto ini = d.find_first_not_of('0');
  if (ini == std::string::npos) return "";
  d.erase(0, ini);
  while (!d.empty() && d.back() == '0') d.pop_back();
  return d;
}

TEST(ConversaoRapida, EighteenDigitsAsTheStandardLibraryGivesThem) {
  std::mt19937_64 g(20261207);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int i = 0; i < 200000; ++i) {
    long double v =
        static_cast<long double>(u(g)) * std::pow(10.0L, static_cast<int>(g() % 19) - 2);
    if (i % 2)
      v = std::ldexp(static_cast<long double>(g() >> (g() % 50)), -static_cast<int>(g() % 60));
    if (!(std::fabs(v) >= 0.01L && std::fabs(v) < 1e16L)) continue;
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 17);
    const std::string esperado(buf, static_cast<std::size_t>(std::strchr(buf, 'e') - buf));
    // 25 decimals keep every one of the 18 significant digits of values >= 0.01.
    const std::string obtido = nivora::FormatFloat("#0.0000000000000000000000000", v);
    ASSERT_EQ(Significativos(obtido), Significativos(esperado)) << obtido << " " << buf;
    ASSERT_EQ(obtido[0] == '-', v < 0) << obtido;
    (void)r;
  }
}

TEST(ConversaoRapida, ShortTextAsTheStandardLibraryReadsIt) {
  std::mt19937_64 g(7);
  const char digitos[] = "0123456789";
  for (int i = 0; i < 200000; ++i) {
    std::string s;
    if (g() % 3 == 0) s += "-";
    const int inteiros = static_cast<int>(g() % 12), decimais = static_cast<int>(g() % 22);
    for (int k = 0; k < inteiros; ++k) s += digitos[g() % 10];
    if (g() % 2) {
      s += ".";
      for (int k = 0; k < decimais; ++k) s += digitos[g() % 10];
    }
    if (g() % 4 == 0) {
      s.push_back('e');
      if (g() % 2) s.push_back('-');
      s.append(std::to_string(g() % 40));
    }
    long double esperado = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), esperado);
    const bool valido = r.ec == std::errc{} && r.ptr == s.data() + s.size();
    long double obtido = 0;
    ASSERT_EQ(nivora::TryStrToFloat(s, obtido), valido) << s;
    if (valido) {
      ASSERT_EQ(std::memcmp(&obtido, &esperado, 10), 0) << s;
    }
  }
}

}  // namespace
