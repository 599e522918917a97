// Number routines checked against independent references on many generated inputs
// (fixed seeds, so every run sees the same cases).
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
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

// A decimal of at most three decimals, m / 1000, written with a mask by the rule on
// its digits: cut after `decimais` decimals, rounding half away from zero, at least
// `inteiros` integer digits, no sign on a zero.
std::string MilesimosPelaRegra(long long m, int inteiros, int decimais) {
  char texto[32];
  std::snprintf(texto, sizeof texto, "%04lld", m < 0 ? -m : m);
  std::string digitos(texto);  // integer digits, then exactly three decimals
  const std::size_t ponto = digitos.size() - 3;
  if (decimais >= 3) {
    digitos.append(static_cast<std::size_t>(decimais - 3), '0');
  } else {
    const bool sobe = digitos[ponto + static_cast<std::size_t>(decimais)] >= '5';
    digitos.resize(ponto + static_cast<std::size_t>(decimais));
    for (std::size_t i = digitos.size(); sobe; --i) {
      if (i == 0) {
        digitos.insert(digitos.begin(), '1');
        break;
      }
      if (digitos[i - 1] != '9') {
        ++digitos[i - 1];
        break;
      }
      digitos[i - 1] = '0';
    }
  }
  std::string inteira = digitos.substr(0, digitos.size() - static_cast<std::size_t>(decimais));
  const std::string fracao = digitos.substr(inteira.size());
  inteira.erase(0, std::min(inteira.find_first_not_of('0'), inteira.size()));
  if (inteira.size() < static_cast<std::size_t>(inteiros))
    inteira.insert(0, static_cast<std::size_t>(inteiros) - inteira.size(), '0');
  const bool zero = digitos.find_first_not_of('0') == std::string::npos;
  std::string resultado = m < 0 && !zero ? "-" : "";
  resultado += inteira;
  if (!fracao.empty()) resultado.append(".").append(fracao);
  return resultado;
}

// Every value the query can return (the extended number nearest to a number of
// millimetres) and coordinates with three decimals, through every mask in use.
TEST(Referencias, MilesimosPelasMascarasComoARegra) {
  struct Mascara {
    const char* texto;
    int inteiros;
    int decimais;
  };
  const Mascara mascaras[] = {{"#0.000", 1, 3},  {"#00.00", 2, 2}, {"#0.00", 1, 2},
                              {"#0.0000", 1, 4}, {"#0.0", 1, 1},   {"#0", 1, 0}};
  std::mt19937_64 gerador(20151);
  std::uniform_int_distribution<long long> grande(-999999999999999, 999999999999999);
  int conferidos = 0;
  for (long long i = -300000; i <= 300000; ++i) {
    const long long m =
        i % 4 == 0 ? grande(gerador) / (1 + static_cast<long long>(gerador() % 1000000)) : i;
    const long double v = static_cast<long double>(m) / 1000.0L;
    if (i % 16 == 0) {
      // The premise: the correctly rounded 18 significant digits of v are the digits
      // of m / 1000.
      char buf[64];
      const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 17);
      std::string esperado = "0.00000000000000000e+00";
      if (m != 0) {
        std::string d = std::to_string(m < 0 ? -m : m);
        const int e = static_cast<int>(d.size()) - 4;
        d.resize(18, '0');
        char expoente[16];
        std::snprintf(expoente, sizeof expoente, "e%c%02d", e < 0 ? '-' : '+', e < 0 ? -e : e);
        esperado = m < 0 ? "-" : "";
        esperado.append(d, 0, 1).append(".").append(d, 1).append(expoente);
      }
      ASSERT_EQ(std::string(buf, r.ptr), esperado) << m;
    }
    for (const Mascara& k : mascaras) {
      ASSERT_EQ(FormatFloat(k.texto, v), MilesimosPelaRegra(m, k.inteiros, k.decimais))
          << k.texto << " of " << m << "/1000";
      ++conferidos;
    }
  }
  EXPECT_GT(conferidos, 3000000);
}

}  // namespace
}  // namespace nivora
