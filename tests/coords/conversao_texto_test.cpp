// GMS renderings, the free conversion routines and the texts of the error codes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "coords/ponto.hpp"

namespace nivora {
namespace {

TEST(TPontoRenderizacao, LatGMSTextoPadsEachPartToTwoDigitsNeverCuts) {
  struct Caso {
    const char* sinal;
    std::int32_t g, m;
    long double s;
    const char* esperado;
  };
  const std::vector<Caso> casos = {
      {"-", 3, 7, 43.32L, "-03 07 43.3200"},
      {"+", 5, 0, 0, "+05 00 00.0000"},
      {"+", 12, 34, 5.5L, "+12 34 05.5000"},
      {"", 0, 0, 0, "00 00 00.0000"},            // a fresh record has no sign
      {"+", 123, 0, 0, "+123 00 00.0000"},       // never cut to two characters
      {"+", 3, 75, 123.25L, "+03 75 123.2500"},  // refused values, shown whole
      {"+", 3, -5, 0, "+03 -5 00.0000"},
      {"+", 3, 7, 59.99996L, "+03 07 60.0000"},  // the mask rounds half away from zero
      {"+", 3, 7, 0.00004L, "+03 07 00.0000"},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.esperado);
    TPonto p;
    p.SinalLat = c.sinal;
    p.GrauLat = c.g;
    p.MinLat = c.m;
    p.SegLat = c.s;
    EXPECT_EQ(p.LatGMSTexto(), c.esperado);
  }
}

TEST(TPontoRenderizacao, LonGMSTextoSignsOnlyNegativeDegrees) {
  struct Caso {
    std::int32_t g, m;
    long double s;
    const char* esperado;
  };
  const std::vector<Caso> casos = {
      {-46, 37, 30, "-46 37 30.0000"},
      {-123, 4, 5.25L, "-123 04 05.2500"},  // three-digit degrees keep every digit
      {40, 0, 0, "40 00 00.0000"},          // no "+" for east
      {-5, 0, 0, "-05 00 00.0000"},
      {0, 0, 0, "00 00 00.0000"},
      {-46, -3, 0, "-46 -3 00.0000"},
      {std::numeric_limits<std::int32_t>::min(), 0, 0, "-2147483648 00 00.0000"},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.esperado);
    TPonto p;
    p.GrauLon = c.g;
    p.MinLon = c.m;
    p.SegLon = c.s;
    EXPECT_EQ(p.LonGMSTexto(), c.esperado);
  }
}

TEST(Conversao, DecimalParaGMSSplitsDegreesMinutesAndSeconds) {
  struct Caso {
    double x;
    std::int32_t g, m;
    double s;
  };
  const std::vector<Caso> casos = {
      {-3.1287, -3, 7, 43.32},  {-46.625, -46, 37, 30.0}, {0.5, 0, 30, 0.0},
      {-0.5, 0, 30, 0.0},       {10.0, 10, 0, 0.0},       {5.5833, 5, 34, 59.88},
      {-34.583, -34, 34, 58.8},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.x);
    std::int32_t g = 99, m = 99;
    long double s = 99;
    DecimalParaGMS(c.x, g, m, s);
    EXPECT_EQ(g, c.g);
    EXPECT_EQ(m, c.m);
    EXPECT_NEAR(static_cast<double>(s), c.s, 1e-9);
    EXPECT_GE(s, 0);
    EXPECT_LT(s, 60);
    // The minutes pass through a Double: minutes plus seconds/60 rebuild that Double
    // exactly (the seconds are its fraction times 60, exact in Extended).
    const long double minutos = static_cast<long double>(m) + s / 60.0L;
    EXPECT_EQ(static_cast<long double>(static_cast<double>(minutos)), minutos);
  }
}

TEST(Conversao, DecimalParaGMSSurvivesValuesOutsideInt32) {
  std::int32_t g = 0, m = 0;
  long double s = 0;
  DecimalParaGMS(-1e300, g, m, s);
  EXPECT_EQ(g, -std::numeric_limits<std::int32_t>::max());
  DecimalParaGMS(std::numeric_limits<double>::quiet_NaN(), g, m, s);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(m, 0);
}

TEST(Conversao, GMSParaDecimalSignAndAbs) {
  struct Caso {
    std::int32_t g, m;
    double s;
    double comSinal, semSinal;
  };
  const std::vector<Caso> casos = {
      {30, 30, 0, 30.5, 30.5},
      {-30, 30, 0, -30.5, 30.5},
      {-46, 37, 30, -46.625, 46.625},
      {0, 45, 0, 0.75, 0.75},
      {0, 0, 36, 0.01, 0.01},
      {std::numeric_limits<std::int32_t>::min(), 0, 0, -2147483648.0, 2147483648.0},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(std::to_string(c.g) + " " + std::to_string(c.m) + " " + std::to_string(c.s));
    EXPECT_DOUBLE_EQ(GMSParaDecimal(c.g, c.m, c.s), c.comSinal);
    EXPECT_DOUBLE_EQ(GMSParaDecimalAbs(c.g, c.m, c.s), c.semSinal);
  }
}

TEST(Conversao, DecimalToGMSAndBack) {
  for (double x = -34.5; x < 5.5; x += 0.3721) {
    SCOPED_TRACE(x);
    std::int32_t g = 0, m = 0;
    long double s = 0;
    DecimalParaGMS(x, g, m, s);
    // Degrees carry the sign, so between -1 and 0 it is lost; the magnitude never is.
    EXPECT_NEAR(GMSParaDecimalAbs(g, m, static_cast<double>(s)), std::fabs(x), 1e-12);
    if (std::fabs(x) >= 1) {
      EXPECT_NEAR(GMSParaDecimal(g, m, static_cast<double>(s)), x, 1e-12);
    }
  }
}

TEST(Mensagens, MensagemErroBytesOfEveryCode) {
  const std::string prefixo = std::string("Entrada Inv") + char(0xE1) + "lida : ";
  const std::string geral = std::string("POSS") + char(0xCD) + "VEL ERRO NA ENTRADA DE DADOS";
  struct Caso {
    std::int32_t codigo;
    std::string descricao;
  };
  const std::vector<Caso> casos = {
      {0, geral},
      {1, "GRAU LATITUDE fora do limite"},
      {2, "MINUTO LATITUDE fora do limite"},
      {3, "SEGUNDO LATITUDE fora do limite"},
      {4, "GRAU LONGITUDE fora do limite"},
      {5, "MINUTO LONGITUDE fora do limite"},
      {6, "SEGUNDO LONGITUDE fora do limite"},
      {7, "LATITUDE ACIMA" + std::string(2, ' ') + "do limite do grid"},
      {8, "LATITUDE ABAIXO do limite do grid"},
      {9, "LONGITUDE FORA" + std::string(2, ' ') + "do limite do grid"},
      {10, geral},
      {-1, geral},
      {std::numeric_limits<std::int32_t>::min(), geral},
      {std::numeric_limits<std::int32_t>::max(), geral},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.codigo);
    EXPECT_EQ(MensagemErro(static_cast<ErroPonto>(c.codigo)), prefixo + c.descricao);
  }
}

TEST(Mensagens, TextoLimiteBytesOfEveryCode) {
  const std::string grau(1, char(0xBA));
  const std::string a(1, char(0xE0));
  const std::string ate = std::string(3, ' ') + a + std::string(3, ' ');
  const std::string cr = "\r";
  const auto titulo = [](const std::string& eixo, int brancos) {
    return "Limite correto para a " + eixo + " no modelo" + std::string(brancos, ' ') + ":";
  };
  const auto gms = [&](const std::string& de, const std::string& ate_) {
    return "GMS" + std::string(16, ' ') + de + ate + ate_;
  };
  const auto decimal = [&](const std::string& de, const std::string& ate_) {
    return "GrauDecimal" + std::string(2, ' ') + de + std::string(7, ' ') + a +
           std::string(3, ' ') + ate_;
  };
  const std::string sul = "-34" + grau + " 34' 58.80\"";
  const std::string norte = "5" + grau + " 34' 59.88\"";
  const std::string oeste = "-74" + grau + " 34' 58.80\"";
  const std::string leste = "-34" + grau + " 25' 59.88\"";
  const std::string latDec = decimal("-34.5830027", "5.5833027");
  const std::string lonDec = decimal("-74.5830027", "-34.4332999");

  const std::string l3 = titulo("LATITUDE", 3) + cr + gms(sul, norte) + cr + latDec;
  const std::string l2 = titulo("LATITUDE", 2) + cr + gms(sul, norte) + cr + latDec;
  const std::string g0 = titulo("LONGITUDE", 1) + cr + " " + oeste + ate + leste + cr + lonDec;
  const std::string g1 = titulo("LONGITUDE", 1) + cr + gms(oeste, leste) + cr + lonDec;

  const std::string minuto = "Limite correto para o MINUTO  :  0  " + a + "  59";
  const std::string segundo = "  :  0  " + a + "  59.9999...";

  struct Caso {
    std::int32_t codigo;
    std::string esperado;
  };
  const std::vector<Caso> casos = {
      {1, l3}, {2, minuto + " "}, {3, "Limite correto para o SEGUNDO" + segundo.substr(1) + " "},
      {4, g0}, {5, minuto},       {6, "Limite correto para o SEGUNDO" + segundo},
      {7, l3}, {8, l2},           {9, g1},
      {0, ""}, {10, ""},          {-7, ""},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.codigo);
    EXPECT_EQ(TextoLimite(static_cast<ErroPonto>(c.codigo)), c.esperado);
  }
}

}  // namespace
}  // namespace nivora
