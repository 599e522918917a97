// Number routines checked against independent references on many generated inputs
// (fixed seeds, so every run sees the same cases).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "text/numeros.hpp"

namespace nivora {
namespace {

// The accepted floating point syntax written as a regular expression.
const std::regex kSintaxeFloat(R"(^ *[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)? *$)");

TEST(Referencias, StrToFloatSyntaxMatchesARegularExpression) {
  const std::string alfabeto = " +-.eE0123456789x\t,";
  std::mt19937 gerador(20150501);
  std::uniform_int_distribution<std::size_t> tamanho(0, 8);
  std::uniform_int_distribution<std::size_t> letra(0, alfabeto.size() - 1);
  int aceitos = 0;
  for (int i = 0; i < 200000; ++i) {
    std::string texto;
    const std::size_t n = tamanho(gerador);
    for (std::size_t k = 0; k < n; ++k) texto.push_back(alfabeto[letra(gerador)]);
    long double valor = 0.0L;
    std::smatch partes;
    const bool esperado = std::regex_match(texto, partes, kSintaxeFloat);
    // Exponents of four digits or more may leave the extended range: syntax only is
    // what this test compares.
    if (partes[2].length() > 4) continue;
    ASSERT_EQ(TryStrToFloat(texto, valor), esperado) << "'" << texto << "'";
    if (esperado) ++aceitos;
  }
  EXPECT_GT(aceitos, 1000);  // the generator does reach the accepted forms
}

// Away from ties, cutting the 18-digit form half away from zero gives the same
// digits as rounding the exact binary value, which the C library's printf does.
TEST(Referencias, MasksMatchPrintfAwayFromTies) {
  struct Mascara {
    const char* texto;
    int inteiros;
    int decimais;
  };
  const std::vector<Mascara> mascaras = {
      {"#0.000", 1, 3}, {"#00.00", 2, 2}, {"#0.00", 1, 2}, {"#0.0000", 1, 4}};
  std::mt19937_64 gerador(1234);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  int conferidos = 0;
  for (const auto& m : mascaras) {
    // |v| < 10^(13 - decimais): at least four digits of the 18 are dropped by the mask
    std::uniform_int_distribution<int> expoente(-m.decimais - 2, 12 - m.decimais);
    for (int i = 0; i < 20000; ++i) {
      const long double v =
          static_cast<long double>(mantissa(gerador)) * std::pow(10.0L, expoente(gerador)) / 3.0L;
      char exato[128];
      std::snprintf(exato, sizeof exato, "%.*Lf", m.decimais + 30, std::fabs(v));
      const std::string digitos(exato);
      const std::string caidos = digitos.substr(digitos.size() - 30, 4);
      if (caidos == "4999" || caidos == "5000") continue;  // too close to a tie
      char referencia[128];
      std::snprintf(referencia, sizeof referencia, "%0*.*Lf", m.inteiros + 1 + m.decimais,
                    m.decimais, std::fabs(v));
      std::string esperado(referencia);
      const bool zero = esperado.find_first_not_of("0.") == std::string::npos;
      if (v < 0 && !zero) esperado = "-" + esperado;
      ASSERT_EQ(FormatFloat(m.texto, v), esperado) << m.texto << " of " << exato;
      ++conferidos;
    }
  }
  EXPECT_GT(conferidos, 70000);
}

}  // namespace
}  // namespace nivora
