#include "batch/registro.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "text/erros.hpp"

namespace nivora {
namespace {

struct CasoDecimal {
  std::string formato;
  std::string linha;
  bool valido;
  std::string id;
  long double lat, lon;
};

TEST(ObterCoordDecimal, SplitsEveryLayoutWithAnySeparatorRun) {
  const std::vector<CasoDecimal> casos = {
      {"ID,0", "P1;-23.5;-46.625", true, "P1      ", -23.5L, -46.625L},
      {"ID,0", "P1 -23.5 -46.625", true, "P1      ", -23.5L, -46.625L},
      {"ID,0", "P1|-23.5|-46.625", true, "P1      ", -23.5L, -46.625L},
      {"ID,0", "P1 ; -23.5 ;; -46.625", true, "P1      ", -23.5L, -46.625L},
      {"ID,0", "  P1#$%&*:;@|-23.5  -46.625  ", true, "P1      ", -23.5L, -46.625L},
      {"ID,1", "P1 -46.625 -23.5", true, "P1      ", -23.5L, -46.625L},
      {"0,ID", "-23.5 -46.625 Ponto A", true, "Ponto A ", -23.5L, -46.625L},
      {"0,ID", "-23.5 -46.625 Ponto Azul Claro", true, "Ponto Az", -23.5L, -46.625L},
      {"1,ID", "-46.625;-23.5;P9", true, "P9      ", -23.5L, -46.625L},
      {"0", "-23.5 -46.625", true, "", -23.5L, -46.625L},
      {"0", "-23.5 -46.625 extra columns ignored", true, "", -23.5L, -46.625L},
      {"1", "-46.625 -23.5", true, "", -23.5L, -46.625L},
      {"0", "-2.35E1 -4.6625e1", true, "", -23.5L, -46.625L},
      {"0", "\x01\x02-23.5 -46.625\x1F", true, "", -23.5L, -46.625L},  // trimmed at the ends
      {"0", "-23.5\x01 -46.625", false, "", 0, 0},  // but inside a column no number
      // Failures: the whole record is refused.
      {"ID,0", "P1.-23.5.-46.625", false, "", 0, 0},    // commas already made points: one token
      {"ID,0", "P1\t-23.5\t-46.625", false, "", 0, 0},  // tab is no separator
      {"0", ";-23.5;-46.625", false, "", 0, 0},         // leading separator: empty first column
      {"ID,0", "P1 -23.5 -46.625 x", false, "", 0, 0},  // extra column joins the longitude
      {"0", "", false, "", 0, 0},
      {"0", "-23.5", false, "", 0, 0},
      {"0", "-23.5 abc", false, "", 0, 0},
      {"0", "-23.5 -46.625.1", false, "", 0, 0},
      {"0,ID", "-23.5", false, "", 0, 0},
  };
  for (const CasoDecimal& caso : casos) {
    SCOPED_TRACE(caso.formato + " | " + caso.linha);
    const TListaFormato formato = TListaFormato::DeTexto(caso.formato);
    std::string id = "old";
    long double lat = 99, lon = 99;
    if (!caso.valido) {
      EXPECT_THROW(ObterCoordDecimal(formato, caso.linha, id, lat, lon), ErroNivora);
      continue;
    }
    ObterCoordDecimal(formato, caso.linha, id, lat, lon);
    EXPECT_EQ(id, caso.id);
    EXPECT_EQ(lat, caso.lat);
    EXPECT_EQ(lon, caso.lon);
  }
}

struct CasoGMS {
  std::string formato;
  std::string linha;
  bool valido;
  std::string id, sinal;
  int grauLat, minLat;
  long double segLat;
  int grauLon, minLon;
  long double segLon;
};

TEST(ObterCoordGMS, SplitsEveryLayout) {
  const std::vector<CasoGMS> casos = {
      {"2", "-23 30 00 -46 37 30", true, "", "-", 23, 30, 0, -46, 37, 30},
      {"2", ";-23 30 00;-46 37 30", true, "", "-", 23, 30, 0, -46, 37, 30},
      {"2", "-00 30 00 -45 00 00", true, "", "-", 0, 30, 0, -45, 0, 0},
      {"2", "23 30 00 -46 37 30", true, "", "+", 23, 30, 0, -46, 37, 30},
      {"2", "+05 00 12.5 -46 37 30", true, "", "+", 5, 0, 12.5L, -46, 37, 30},
      {"2", "-23 30 1.5e1 46 37 30 extra", true, "", "-", 23, 30, 15, 46, 37, 30},
      {"3", "-46 37 30 -23 30 00", true, "", "-", 23, 30, 0, -46, 37, 30},
      {"ID,2", "P1 -23 30 00 -46 37 30", true, "P1      ", "-", 23, 30, 0, -46, 37, 30},
      {"ID,3", "P1@-46@37@30@-23@30@00", true, "P1      ", "-", 23, 30, 0, -46, 37, 30},
      {"2,ID", "-23 30 00 -46 37 30 Marco 12", true, "Marco 12", "-", 23, 30, 0, -46, 37, 30},
      {"3,ID", "-46 37 30 -23 30 00 Marco 123", true, "Marco 12", "-", 23, 30, 0, -46, 37, 30},
      // Failures.
      {"2", "-23 30.5 00 -46 37 30", false, "", "", 0, 0, 0, 0, 0, 0},  // decimal minutes
      {"2", "-23.0 30 00 -46 37 30", false, "", "", 0, 0, 0, 0, 0, 0},  // decimal degrees
      {"2", "-23 30 00 -46 37", false, "", "", 0, 0, 0, 0, 0, 0},       // too few columns
      {"2", "", false, "", "", 0, 0, 0, 0, 0, 0},
      {"ID,2", "P1 -23 30 00 -46 37 30 x", false, "", "", 0, 0, 0, 0, 0, 0},
      {"2", "-23 30 00 -46 37 3O", false, "", "", 0, 0, 0, 0, 0, 0},
  };
  for (const CasoGMS& caso : casos) {
    SCOPED_TRACE(caso.formato + " | " + caso.linha);
    const TListaFormato formato = TListaFormato::DeTexto(caso.formato);
    std::string id = "old", sinal;
    std::int32_t gLat = 7, mLat = 7, gLon = 7, mLon = 7;
    long double sLat = 7, sLon = 7;
    if (!caso.valido) {
      EXPECT_THROW(
          ObterCoordGMS(formato, caso.linha, id, sinal, gLat, mLat, gLon, mLon, sLat, sLon),
          ErroNivora);
      continue;
    }
    ObterCoordGMS(formato, caso.linha, id, sinal, gLat, mLat, gLon, mLon, sLat, sLon);
    EXPECT_EQ(id, caso.id);
    EXPECT_EQ(sinal, caso.sinal);
    EXPECT_EQ(gLat, caso.grauLat);
    EXPECT_EQ(mLat, caso.minLat);
    EXPECT_EQ(sLat, caso.segLat);
    EXPECT_EQ(gLon, caso.grauLon);
    EXPECT_EQ(mLon, caso.minLon);
    EXPECT_EQ(sLon, caso.segLon);
  }
}

TEST(ObterCoordGMS, MostNegativeLatitudeDegreesDoNotOverflow) {
  // Regression: the magnitude of INT32_MIN used to overflow; it must stay a
  // positive degree count far outside any latitude.
  const TListaFormato formato = TListaFormato::DeTexto("2");
  std::string id, sinal;
  std::int32_t gLat = 0, mLat = 0, gLon = 0, mLon = 0;
  long double sLat = 0, sLon = 0;
  ObterCoordGMS(formato, "-2147483648 0 0 -46 0 0", id, sinal, gLat, mLat, gLon, mLon, sLat, sLon);
  EXPECT_EQ(sinal, "-");
  EXPECT_GT(gLat, 90);
}

}  // namespace
}  // namespace nivora
