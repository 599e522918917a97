// Strict number parsing and number masks.
#include "text/numeros.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "text/erros.hpp"
#include "text/textos.hpp"

namespace nivora {
namespace {

struct CasoFloat {
  std::string texto;
  long double esperado;  // the same number as a literal, rounded by the compiler
};

TEST(StrToFloat, AcceptsTheDecimalSyntaxCorrectlyRounded) {
  const std::vector<CasoFloat> casos = {
      {" 12.5 ", 12.5L},
      {"+.5", 0.5L},
      {"5.", 5.0L},
      {".5", 0.5L},
      {"-2.35E1", -23.5L},
      {"1e+3", 1000.0L},
      {"1E5", 100000.0L},
      {"1e-3", 1e-3L},
      {"-23.5", -23.5L},
      {"0.1", 0.1L},
      {"-34.5830027", -34.5830027L},
      {"00012.50000", 12.5L},
      {"0.1000000000000000000000000000000000000000000001",
       0.1000000000000000000000000000000000000000000001L},
      {"123456789012345678901234567890", 123456789012345678901234567890.0L},
      // 1 + 2^-64 is a tie between two extended values: it goes to the even one
      {"1.0000000000000000000542101086242752217003726400434970855712890625",
       1.0000000000000000000542101086242752217003726400434970855712890625L},
      {"1.00000000000000000005421010862427522170037264004349708557128906250001",
       1.00000000000000000005421010862427522170037264004349708557128906250001L},
      {"1e4000", 1e4000L},        // beyond double, within extended
      {"3.4e-4932", 3.4e-4932L},  // just above the smallest normal extended
      {"0e-99999", 0.0L},
  };
  for (const auto& c : casos) {
    long double valor = -999.0L;
    ASSERT_TRUE(TryStrToFloat(c.texto, valor)) << "'" << c.texto << "'";
    EXPECT_EQ(valor, c.esperado) << "'" << c.texto << "'";
    EXPECT_EQ(StrToFloat(c.texto), c.esperado) << "'" << c.texto << "'";
  }
  // The tie case rounds down to 1 and the value just above it does not.
  EXPECT_EQ(StrToFloat("1.0000000000000000000542101086242752217003726400434970855712890625"), 1.0L);
  EXPECT_GT(StrToFloat("1.00000000000000000005421010862427522170037264004349708557128906250001"),
            1.0L);
}

TEST(StrToFloat, MinusZeroKeepsItsSign) {
  const long double v = StrToFloat("-0");
  EXPECT_EQ(v, 0.0L);
  EXPECT_TRUE(std::signbit(v));
  EXPECT_FALSE(std::signbit(StrToFloat("+0.0")));
}

// Doubles of [1e-5, 1000) on the edges of the fast way's tests: powers of two and their
// neighbours, doubles whose 15-digit decimal lies within a few 2^-64 ulps of the midpoint
// to the next double (the edge of the round trip), and doubles whose 15-digit decimal
// lies as near the midpoint of two extended values (the edge of its 64-bit rounding).
// Both are built by inverting 5^s modulo a power of two.
std::vector<double> Bordas(std::mt19937_64& sorteio) {
  __extension__ typedef unsigned __int128 U128;
  std::vector<double> bordas;
  for (int e = -17; e <= 9; ++e) {
    const double p = std::ldexp(1.0, e);
    bordas.insert(bordas.end(), {p, std::nextafter(p, 0.0), std::nextafter(p, 1e9)});
  }
  std::uniform_real_distribution<double> expoente(-5, 3);
  for (int k = 0; k < 20000; ++k) {
    const double a = std::pow(10.0, expoente(sorteio));
    int s = 12, e = 0;
    while (a < std::pow(10.0, 14 - s)) ++s;                                        // 10^(14-s) <= a
    const auto m = static_cast<std::uint64_t>(std::ldexp(std::frexp(a, &e), 53));  // a = m 2^(e-53)
    const int d = 53 - e - s;
    std::uint64_t cinco = 1, inverso = 1;
    for (int i = 0; i < s; ++i) cinco *= 5;
    for (int i = 0; i < 7; ++i) inverso *= 2 - cinco * inverso;  // 1 / 5^s modulo 2^64
    const std::uint64_t delta = (k % 2 ? 1 : -1) * (2 * (sorteio() % 4) + 1);
    // (2m' + 1) 5^s = delta modulo 2^(d + 1): m' 2^(e-53) and the next double.
    const std::uint64_t meios = (std::uint64_t{1} << (d + 1)) - 1;
    const std::uint64_t impar = ((2 * m) & ~meios) | (delta * inverso & meios);
    bordas.push_back(std::ldexp(static_cast<double>(impar / 2), e - 53));
    bordas.push_back(std::ldexp(static_cast<double>(impar / 2 + 1), e - 53));
    // W 5^s = delta modulo 2^(d + 12), W = 2S + 1 with S a 64-bit significand: the
    // decimal M 10^-s nearest to W 2^(e-65) and the doubles around it.
    const std::uint64_t bits = (std::uint64_t{1} << (d + 12)) - 1;
    const U128 w = ((U128{m} << 12) & ~U128{bits}) | (delta * inverso & bits);
    const auto decimal =
        static_cast<std::uint64_t>((w * cinco + (U128{1} << (d + 11))) >> (d + 12));
    const std::string texto = std::to_string(decimal) + "e-" + std::to_string(s);
    double x = 0;
    std::from_chars(texto.data(), texto.data() + texto.size(), x);
    bordas.insert(bordas.end(), {x, std::nextafter(x, 0.0), std::nextafter(x, 1e9)});
  }
  return bordas;
}

// A double read as the program reads its text: the shortest decimal's extended value,
// whatever the double (coordinates, tiny, huge, negative zero, the fast way's edges), the
// fast way, its batch form and the full conversion alike.
TEST(ComoTexto, IsTheConversionOfTheShortestDecimal) {
  std::mt19937_64 sorteio(11);
  std::uniform_real_distribution<double> coordenada(-180, 180);
  std::uniform_int_distribution<std::uint64_t> bits;
  std::vector<double> valores = {
      0.0, -0.0, 5.5833027, -34.4332999, -11.263761, 1e-30, 1.5e300, 123000.0, 0.1,
      std::numeric_limits<double>::denorm_min(),
      // Twenty digits whose integer is a multiple of 2^64 (a 64-bit sum would wrap to 0).
      0x1p64, -0x1p65, 0x1p64 * 3, 0x1p66};
  for (int k = 0; k < 200000; ++k) {
    valores.push_back(coordenada(sorteio));
    valores.push_back(std::round(coordenada(sorteio) * 1e6) / 1e6);  // typed with 6 decimals
    double x = 0;
    const std::uint64_t b = bits(sorteio);
    std::memcpy(&x, &b, sizeof x);
    if (std::isfinite(x)) valores.push_back(x);
  }
  for (const double x : Bordas(sorteio)) valores.insert(valores.end(), {x, -x});
  std::vector<long double> lote(valores.size());
  ComoTextos(valores.data(), valores.size(), lote.data());
  for (std::size_t i = 0; i < valores.size(); ++i) {
    const double x = valores[i];
    char texto[32];
    const auto fim = std::to_chars(texto, texto + sizeof texto, x).ptr;
    const long double esperado = StrToFloat(std::string_view(texto, fim - texto));
    const long double obtido = ComoTexto(x);
    ASSERT_EQ(std::memcmp(&obtido, &esperado, 10), 0) << std::string(texto, fim);
    ASSERT_EQ(std::memcmp(&lote[i], &esperado, 10), 0) << std::string(texto, fim);
  }
  EXPECT_TRUE(std::isnan(ComoTexto(std::nan(""))));
  EXPECT_EQ(ComoTexto(-std::numeric_limits<double>::infinity()), -INFINITY);
}

TEST(StrToFloat, RefusesWhatIsNoDecimalNumber) {
  const std::vector<std::string> recusados = {
      "",
      " ",
      ".",
      "1.2.3",
      "1,5",
      "\t1",
      "1\t",
      "0x10",
      "inf",
      "nan",
      "INF",
      "-inf",
      "1e",
      "1e+",
      "1e-",
      "--1",
      "+-1",
      "-+1",
      "++1",
      "1 2",
      "+",
      "-",
      "+ 1",
      "- 1",
      "e5",
      ".e1",
      "1.5x",
      "x1",
      "1e5.0",
      "1d5",
      "1E 5",
      "$10",
      "1\r",
      "\n1",
      "\xA0"
      "1",
      std::string("1\0", 2),
      "1e5000",
      "-1e5000",
      "1e-5000",
      "1e-4940",
  };
  for (const auto& texto : recusados) {
    long double valor = 42.0L;
    EXPECT_FALSE(TryStrToFloat(texto, valor)) << "'" << texto << "'";
    EXPECT_EQ(valor, 42.0L) << "value changed for '" << texto << "'";
    try {
      StrToFloat(texto);
      ADD_FAILURE() << "no error for '" << texto << "'";
    } catch (const EConversao& e) {
      // what() is a C string: a text holding a NUL shows up to it
      EXPECT_STREQ(e.what(), ("'" + texto + "' is not a valid floating point value").c_str());
    }
  }
}

struct CasoInt {
  std::string texto;
  std::int32_t esperado;
};

TEST(StrToInt, AcceptsASignAndDigits) {
  const std::vector<CasoInt> casos = {
      {"0", 0},
      {"7", 7},
      {"-00", 0},
      {"+45", 45},
      {"-45", -45},
      {"007", 7},
      {"2147483647", std::numeric_limits<std::int32_t>::max()},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"000000000000000000000000000000012", 12},
  };
  for (const auto& c : casos) {
    std::int32_t valor = -1;
    ASSERT_TRUE(TryStrToInt(c.texto, valor)) << "'" << c.texto << "'";
    EXPECT_EQ(valor, c.esperado);
    EXPECT_EQ(StrToInt(c.texto), c.esperado);
  }
}

TEST(StrToInt, RefusesEverythingElse) {
  const std::vector<std::string> recusados = {
      "",    "+",    "-",          "30.5",        "1e3",
      " 1",  "1 ",   "0x10",       "$10",         "--1",
      "+-1", "1a",   "2147483648", "-2147483649", "99999999999999999999999",
      "\t1", "\xB9",
  };
  for (const auto& texto : recusados) {
    std::int32_t valor = 42;
    EXPECT_FALSE(TryStrToInt(texto, valor)) << "'" << texto << "'";
    EXPECT_EQ(valor, 42);
    try {
      StrToInt(texto);
      ADD_FAILURE() << "no error for '" << texto << "'";
    } catch (const EConversao& e) {
      EXPECT_EQ(std::string(e.what()), "'" + texto + "' is not a valid integer value");
    }
  }
}

struct CasoMascara {
  std::string mascara;
  long double valor;
  std::string esperado;
};

TEST(FormatFloat, RoundsHalfAwayFromZeroOn18Digits) {
  const std::vector<CasoMascara> casos = {
      {"#0.000", 1.23449999L, "1.234"},
      {"#0.000", 1.2345L, "1.235"},  // not exact in binary; its 18 digits end in ...500000
      {"#0.000", -1.2345L, "-1.235"},
      {"#0.000", -0.0004L, "0.000"},  // rounds to zero: no sign
      {"#0.000", -0.0005L, "-0.001"},
      {"#0.000", 0.0006L, "0.001"},  // every significant digit dropped, first one >= 5
      {"#0.000", 0.0004L, "0.000"},
      {"#0.000", 1e-30L, "0.000"},
      {"#0.000", 9.9995L, "10.000"},  // carry into a new integer digit
      {"#0.000", -0.0L, "0.000"},
      {"#00.00", -5.234L, "-05.23"},
      {"#00.00", -11.235L, "-11.24"},
      {"#00.00", 11.225L, "11.23"},
      {"#00.00", 3.1L, "03.10"},
      {"#00.00", 0.0L, "00.00"},
      {"#00.00", -0.004L, "00.00"},
      {"#00.00", 123.456L, "123.46"},
      {"#0.00", -5.234L, "-5.23"},
      {"#0.0000", -23.5L, "-23.5000"},
      {"#0.0000", 123.45678L, "123.4568"},
      {"#0.0000", -46.625L, "-46.6250"},
      {"#0.0000", 59.99995L, "60.0000"},
      {"#0", 2.5L, "3"},
      {"#0", -2.5L, "-3"},
      {"#0.00", 999999999999999999.0L, "999999999999999999.00"},
      {"#0.0#", 1.25L, "1.25"},  // "#" decimals are dropped when they are zero
      {"#0.0#", 1.5L, "1.5"},
      {"#0.0#", 1.0L, "1.0"},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(FormatFloat(c.mascara, c.valor), c.esperado)
        << c.mascara << " of " << static_cast<double>(c.valor);
  }
}

TEST(FormatFloat, ValuesBeyondTheMaskInGeneralForm) {
  const std::vector<CasoMascara> casos = {
      {"#0.000", 1e30L, "1E30"},
      {"#0.000", -1.5e20L, "-1.5E20"},
      {"#00.00", 1e18L, "1E18"},
      {"#0.0000", 1.23456789012345678e25L, "1.23456789012346E25"},
      {"#0.000", 1e4000L, "1E4000"},
      {"#0.000", std::numeric_limits<long double>::quiet_NaN(), "NAN"},
      {"#0.000", std::numeric_limits<long double>::infinity(), "INF"},
      {"#0.000", -std::numeric_limits<long double>::infinity(), "-INF"},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(FormatFloat(c.mascara, c.valor), c.esperado) << c.mascara;
  }
}

// The three-decimal rounding of the undulation: mask, pad to 10, read back.
TEST(FormatFloat, RoundTripThroughTheThreeDecimalMask) {
  struct Caso {
    long double bruto;
    long double esperado;
  };
  const std::vector<Caso> casos = {
      {1.23449999L, 1.234L}, {1.2345L, 1.235L},        {-1.2345L, -1.235L},
      {-0.0005L, -0.001L},   {-12.3456789L, -12.346L}, {5.0L, 5.0L},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(StrToFloat(AjustaCampo10(FormatFloat("#0.000", c.bruto))), c.esperado);
  }
  const long double zero = StrToFloat(AjustaCampo10(FormatFloat("#0.000", -0.0004L)));
  EXPECT_EQ(zero, 0.0L);
  EXPECT_FALSE(std::signbit(zero));
}

}  // namespace
}  // namespace nivora
