// The point record: checks, codes, stored values and derivations.
#include "coords/ponto.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace nivora {

// Failure messages name the reason by its number.
void PrintTo(ErroPonto erro, std::ostream* os) {
  *os << "ErroPonto " << static_cast<int>(erro);
}

namespace {

using enum ErroPonto;
constexpr TipoEntradaPonto kEntradaDecimal = TipoEntradaPonto::Decimal;
constexpr TipoEntradaPonto kEntradaGMS = TipoEntradaPonto::GMS;

// Runs `assign` and reports whether it refused the value with the domain error.
template <typename F>
bool Recusou(F&& assign) {
  try {
    assign();
  } catch (const EForaDoDominio& e) {
    EXPECT_STREQ(e.what(), "Erro de Dominio");
    return true;
  }
  return false;
}

struct CasoDecimal {
  long double x;
  bool recusado;
  ErroPonto erro;
};

TEST(TPontoDecimal, LatitudeLimitsAndCodeOrder) {
  const std::vector<CasoDecimal> casos = {
      {5.5833027L, true, AcimaNorte},                           // north limit itself is outside
      {5.5833026L, false, Nenhum},                              // just inside
      {-34.5830027L, true, AbaixoSul},                          // south limit itself is outside
      {-34.5830026L, false, Nenhum},   {95.0L, true, GrauLat},  // the domain check runs last and
                                                                // replaces AcimaNorte
      {-95.0L, true, GrauLat},         {90.0L, true, GrauLat},  {-90.0L, true, GrauLat},
      {0.0L, false, Nenhum},           {-23.5L, false, Nenhum},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(static_cast<double>(c.x));
    TPonto p;
    p.TipoEntrada = kEntradaDecimal;
    EXPECT_EQ(Recusou([&] { p.AtribuiLatDec(c.x); }), c.recusado);
    EXPECT_EQ(p.Erro, c.erro);
    EXPECT_EQ(p.LatDec, c.x);  // stored also when refused
    // The sign and the GMS fields come after the check: a refusal leaves them untouched.
    if (c.recusado) {
      EXPECT_EQ(p.SinalLat, "");
      EXPECT_EQ(p.GrauLat, 0);
    } else {
      EXPECT_EQ(p.SinalLat, c.x < 0 ? "-" : "");
    }
  }
}

TEST(TPontoDecimal, LongitudeLimitsAndCodeOrder) {
  const std::vector<CasoDecimal> casos = {
      {-34.4332999L, true, ForaLon},  // east limit itself is outside
      {-34.4333L, false, Nenhum},
      {-74.5830027L, true, ForaLon},  // west limit itself is outside
      {-74.5830026L, false, Nenhum},
      {180.0L, true, GrauLon},  // east band first gives ForaLon, the domain check
                                // replaces it
      {-180.0L, true, GrauLon},
      {200.0L, true, GrauLon},
      {-200.0L, true, GrauLon},
      {0.0L, true, ForaLon},
      {-46.625L, false, Nenhum},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(static_cast<double>(c.x));
    TPonto p;
    p.TipoEntrada = kEntradaDecimal;
    EXPECT_EQ(Recusou([&] { p.AtribuiLonDec(c.x); }), c.recusado);
    EXPECT_EQ(p.Erro, c.erro);
    EXPECT_EQ(p.LonDec, c.x);
  }
}

TEST(TPontoDecimal, NaNIsRefusedWithoutCode) {
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  TPonto p;
  EXPECT_TRUE(Recusou([&] { p.AtribuiLatDec(nan); }));
  EXPECT_TRUE(Recusou([&] { p.AtribuiLonDec(nan); }));
  EXPECT_TRUE(Recusou([&] { p.AtribuiLatGMS("+", 10, 0, nan); }));
  EXPECT_TRUE(Recusou([&] { p.AtribuiLonGMS(-40, 0, nan); }));
  EXPECT_EQ(p.Erro, Nenhum);
}

TEST(TPontoDecimal, TipoEntradaControlsTheDerivation) {
  for (const TipoEntradaPonto tipo : {kEntradaDecimal, kEntradaGMS}) {
    SCOPED_TRACE(static_cast<int>(tipo));
    TPonto p;
    p.TipoEntrada = tipo;
    p.AtribuiLatDec(-3.1287L);
    p.AtribuiLonDec(-46.625L);
    p.AtribuiLatGMS("-", 10, 30, 0);  // derives LatDec only in GMS mode
    p.AtribuiLonGMS(-40, 30, 0);
    const bool decimal = tipo == kEntradaDecimal;
    EXPECT_EQ(p.LatDec, decimal ? -3.1287L : -10.5L);
    EXPECT_EQ(p.LonDec, decimal ? -46.625L : -40.5L);
  }
  TPonto p;
  p.AtribuiLatDec(-3.1287L);
  p.AtribuiLonDec(-46.625L);
  EXPECT_EQ(p.SinalLat, "-");
  EXPECT_EQ(p.GrauLat, -3);
  EXPECT_EQ(p.MinLat, 7);
  EXPECT_NEAR(static_cast<double>(p.SegLat), 43.32, 1e-9);
  EXPECT_EQ(p.GrauLon, -46);
  EXPECT_EQ(p.MinLon, 37);
  EXPECT_NEAR(static_cast<double>(p.SegLon), 30.0, 1e-9);
  TPonto gms;
  gms.TipoEntrada = kEntradaGMS;
  gms.AtribuiLatDec(-3.1287L);
  EXPECT_EQ(gms.GrauLat, 0);  // no GMS derived from a decimal value in GMS mode
  EXPECT_EQ(gms.SegLat, 0);
}

struct CasoLatGMS {
  const char* sinal;
  std::int32_t g, m;
  long double s;
  bool recusado;
  ErroPonto erro;
  double latDecAprox;  // checked only when accepted
};

TEST(TPontoGMS, LatitudeChecksAndDerivedValue) {
  const std::vector<CasoLatGMS> casos = {
      {"-", 34, 34, 58.80L, false, Nenhum, -34.583},
      {"-", 34, 34, 58.81L, true, AbaixoSul, 0},
      {"+", 5, 34, 59.88L, false, Nenhum, 5.5833},
      {"+", 5, 35, 0, true, AcimaNorte, 0},
      {"", 5, 0, 0, false, Nenhum, 5.0},   // empty sign is north
      {" ", 5, 0, 0, false, Nenhum, 5.0},  // a blank sign too
      {"+", 90, 0, 0, true, Nenhum, 0},    // exactly 90: refused without a code
      {"+", 91, 0, 0, true, GrauLat, 0},
      {"+", 10, 60, 0, true, MinLat, 0},
      {"+", 10, 0, 60, true, SegLat, 0},
      {"+", 91, 60, 60, true, SegLat, 0},  // the last failing check wins
      {"+", 10, -5, 0, true, Nenhum, 0},   // negative minutes: no code
      {"+", 10, 0, -0.5L, true, Nenhum, 0},
      {"-", 89, 59, 59.9L, true, AbaixoSul, 0},  // derived check: far south
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(std::string(c.sinal) + " " + std::to_string(c.g) + " " + std::to_string(c.m) +
                 " " + std::to_string(static_cast<double>(c.s)));
    TPonto p;
    p.TipoEntrada = kEntradaGMS;
    EXPECT_EQ(Recusou([&] { p.AtribuiLatGMS(c.sinal, c.g, c.m, c.s); }), c.recusado);
    EXPECT_EQ(p.Erro, c.erro);
    // Stored before the refusal.
    EXPECT_EQ(p.GrauLat, c.g);
    EXPECT_EQ(p.MinLat, c.m);
    EXPECT_EQ(p.SegLat, c.s);
    EXPECT_EQ(p.SinalLat, std::string(c.sinal).empty() ? "+" : std::string(c.sinal, 1));
    if (!c.recusado) {
      EXPECT_NEAR(static_cast<double>(p.LatDec), c.latDecAprox, 1e-12);
      // The derived value went through a Double.
      EXPECT_EQ(static_cast<long double>(static_cast<double>(p.LatDec)), p.LatDec);
    }
  }
}

struct CasoLonGMS {
  std::int32_t g, m;
  long double s;
  bool recusado;
  ErroPonto erro;
  double lonDecAprox;
};

TEST(TPontoGMS, LongitudeChecksAndDerivedValue) {
  const std::vector<CasoLonGMS> casos = {
      {-40, 0, 0, false, Nenhum, -40.0},
      {40, 0, 0, true, ForaLon, 0},  // east of the model
      {-34, 25, 59.88L, false, Nenhum, -34.4333},
      {-34, 25, 59.87L, true, ForaLon, 0},
      {-74, 34, 58.80L, false, Nenhum, -74.583},
      {-74, 34, 58.81L, true, ForaLon, 0},
      {-180, 0, 0, true, GrauLon, 0},  // passes |g| <= 180, the derived value is refused
      {-181, 0, 0, true, GrauLon, 0},
      {181, 0, 0, true, GrauLon, 0},
      {-40, 60, 0, true, MinLon, 0},
      {-40, 0, 60, true, SegLon, 0},
      {-181, 60, 60, true, SegLon, 0},
      {-40, -1, 0, true, Nenhum, 0},
      {std::numeric_limits<std::int32_t>::min(), 0, 0, true, GrauLon, 0},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(std::to_string(c.g) + " " + std::to_string(c.m) + " " +
                 std::to_string(static_cast<double>(c.s)));
    TPonto p;
    p.TipoEntrada = kEntradaGMS;
    EXPECT_EQ(Recusou([&] { p.AtribuiLonGMS(c.g, c.m, c.s); }), c.recusado);
    EXPECT_EQ(p.Erro, c.erro);
    EXPECT_EQ(p.GrauLon, c.g);
    EXPECT_EQ(p.MinLon, c.m);
    EXPECT_EQ(p.SegLon, c.s);
    if (!c.recusado) {
      EXPECT_NEAR(static_cast<double>(p.LonDec), c.lonDecAprox, 1e-12);
    }
  }
}

TEST(TPontoErro, CodeIsNeverResetByTheRecord) {
  // A refusal without a code of its own keeps an earlier code.
  TPonto p;
  p.TipoEntrada = kEntradaGMS;
  EXPECT_TRUE(Recusou([&] { p.AtribuiLatGMS("-", 40, 0, 0); }));
  EXPECT_EQ(p.Erro, AbaixoSul);
  EXPECT_TRUE(Recusou([&] { p.AtribuiLatGMS("-", 90, 0, 0); }));
  EXPECT_EQ(p.Erro, AbaixoSul);
  // An accepted value does not clear it either.
  EXPECT_FALSE(Recusou([&] { p.AtribuiLatGMS("-", 20, 0, 0); }));
  EXPECT_EQ(p.Erro, AbaixoSul);
  // A longitude reason found after a latitude one replaces it (the batch's second try).
  EXPECT_TRUE(Recusou([&] { p.AtribuiLonGMS(40, 0, 0); }));
  EXPECT_EQ(p.Erro, ForaLon);
}

TEST(TPontoTexto, AtribuiDecimalAppliesTheSignText) {
  struct Caso {
    const char* sinal;
    const char* valor;
    bool longitude;
    long double esperado;
  };
  const std::vector<Caso> casos = {
      {"-", "3.5", false, -3.5L},      {"+", "3.5", false, 3.5L}, {"", "-3.5", false, -3.5L},
      {"-", "-3.5", false, 3.5L},      {" ", "3.5", false, 3.5L}, {"--", "3.5", false, 3.5L},
      {"-", "46.625", true, -46.625L},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(std::string(c.sinal) + "|" + c.valor);
    TPonto p;
    p.AtribuiDecimal(c.sinal, c.valor, c.longitude);
    EXPECT_EQ(c.longitude ? p.LonDec : p.LatDec, c.esperado);
    EXPECT_EQ(c.longitude ? p.LatDec : p.LonDec, 0);
  }
}

TEST(TPontoTexto, AtribuiDecimalRefusesTextThatIsNoNumber) {
  TPonto p;
  EXPECT_THROW(p.AtribuiDecimal("-", "3,5", false), EConversao);
  EXPECT_THROW(p.AtribuiDecimal("-", "", true), EConversao);
  EXPECT_EQ(p.LatDec, 0);
  EXPECT_EQ(p.Erro, Nenhum);
}

TEST(TPontoTexto, AtribuiGMSSignsOfDegrees) {
  struct Caso {
    const char* grau;
    bool longitude;
    bool recusado;
    ErroPonto erro;
    std::int32_t grauGuardado;
  };
  const std::vector<Caso> casos = {
      {"40", true, false, Nenhum, -40},  // typed without a sign: west
      {"-40", true, true, ForaLon, 40},  // a typed minus turns it east
      {"-3", false, false, Nenhum, 3},   // latitude degrees are a magnitude
      {"3", false, false, Nenhum, 3},
      {"-2147483648", false, true, GrauLat, std::numeric_limits<std::int32_t>::max()},
      {"-2147483648", true, true, GrauLon, std::numeric_limits<std::int32_t>::max()},
      {"2147483647", true, true, GrauLon, -std::numeric_limits<std::int32_t>::max()},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(std::string(c.grau) + (c.longitude ? " lon" : " lat"));
    TPonto p;
    p.TipoEntrada = kEntradaGMS;
    EXPECT_EQ(Recusou([&] { p.AtribuiGMS("-", c.grau, "7", "43.32", c.longitude); }), c.recusado);
    EXPECT_EQ(p.Erro, c.erro);
    EXPECT_EQ(c.longitude ? p.GrauLon : p.GrauLat, c.grauGuardado);
    if (!c.longitude) {
      EXPECT_EQ(p.SinalLat, "-");
    }
  }
}

TEST(TPontoTexto, AtribuiGMSConvertsDegreesFirst) {
  // Two bad fields: the degrees' conversion error is the one raised.
  TPonto p;
  try {
    p.AtribuiGMS("+", "x1", "7", "y2", false);
    ADD_FAILURE() << "no conversion error";
  } catch (const EConversao& e) {
    EXPECT_NE(std::string(e.what()).find("x1"), std::string::npos) << e.what();
  }
  // The seconds are a decimal number, the minutes an integer.
  EXPECT_THROW(p.AtribuiGMS("+", "1", "7.5", "2", false), EConversao);
  EXPECT_NO_THROW(p.AtribuiGMS("+", "1", "7", "2.5", false));
  EXPECT_EQ(p.SegLat, 2.5L);
}

TEST(TPontoLote, ALongitudeReasonReplacesALatitudeReason) {
  // As a batch record is assigned: the longitude after a latitude reason too.
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  struct CasoDec {
    long double lat, lon;
    bool recusado;
    ErroPonto erro;
    long double lonGuardada;  // 0: the longitude was never assigned
  };
  const std::vector<CasoDec> decimais = {
      {-23.5L, -46.625L, false, Nenhum, -46.625L},
      {10.0L, -50.0L, true, AcimaNorte, -50.0L},  // the longitude is fine: the latitude's reason
      {-40.0L, -80.0L, true, ForaLon, -80.0L},    // both outside: the longitude's reason
      {95.0L, 200.0L, true, GrauLon, 200.0L},
      {-23.5L, -80.0L, true, ForaLon, -80.0L},
      {nan, -80.0L, true, Nenhum, 0.0L},  // a refusal without a reason stops there
  };
  for (const auto& c : decimais) {
    SCOPED_TRACE(std::to_string(static_cast<double>(c.lat)) + " " +
                 std::to_string(static_cast<double>(c.lon)));
    TPonto p;
    p.TipoEntrada = kEntradaDecimal;
    EXPECT_EQ(Recusou([&] { p.AtribuiLatLonDec(c.lat, c.lon); }), c.recusado);
    EXPECT_EQ(p.Erro, c.erro);
    EXPECT_EQ(p.LonDec, c.lonGuardada);
  }

  struct CasoGMS {
    const char* sinalLat;
    std::int32_t grauLat, minLat, grauLon, minLon;
    bool recusado;
    ErroPonto erro;
    std::int32_t grauLonGuardado;
  };
  const std::vector<CasoGMS> gms = {
      {"-", 23, 30, -46, 37, false, Nenhum, -46},
      {"+", 10, 0, -80, 0, true, ForaLon, -80},  // north of the model, then west of it
      {"-", 10, 60, -46, 0, true, MinLat, -46},
      {"-", 10, 60, -46, 70, true, MinLon, -46},
      {"+", 10, 0, -46, -3, true, AcimaNorte, -46},  // no longitude reason: the latitude's stays
      {"+", 90, 0, -80, 0, true, Nenhum, 0},  // 90 exactly: no reason, the longitude never assigned
      {"-", 20, 0, -46, -3, true, Nenhum, -46},
  };
  for (const auto& c : gms) {
    SCOPED_TRACE(std::string(c.sinalLat) + std::to_string(c.grauLat) + " " +
                 std::to_string(c.minLat) + " " + std::to_string(c.grauLon) + " " +
                 std::to_string(c.minLon));
    TPonto p;
    p.TipoEntrada = kEntradaGMS;
    EXPECT_EQ(Recusou([&] {
                p.AtribuiLatLonGMS(c.sinalLat, c.grauLat, c.minLat, 0, c.grauLon, c.minLon, 0);
              }),
              c.recusado);
    EXPECT_EQ(p.Erro, c.erro);
    EXPECT_EQ(p.GrauLon, c.grauLonGuardado);
  }
}

TEST(TPontoLote, RefusalsWithoutCodeGiveTheGeneralReason) {
  // What a batch line shows for the refusals that set no code of their own.
  struct Caso {
    std::int32_t grauLat, minLat;
    long double segLat;
    std::int32_t minLon;
    const char* latTexto;
    const char* lonTexto;
  };
  const std::vector<Caso> casos = {
      {90, 0, 0, 0, "-90 00 00.0000", "00 00 00.0000"},  // longitude never assigned
      {20, -5, 0, 0, "-20 -5 00.0000", "00 00 00.0000"},
      {20, 0, -1.5L, 0, "-20 00 -1.5000", "00 00 00.0000"},
      {20, 0, 0, -3, "-20 00 00.0000", "-46 -3 00.0000"},  // both shown as read
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.latTexto);
    TPonto p;
    p.TipoEntrada = kEntradaGMS;
    const bool recusado = Recusou([&] {
      p.AtribuiLatGMS("-", c.grauLat, c.minLat, c.segLat);
      p.AtribuiLonGMS(-46, c.minLon, 0);
    });
    EXPECT_TRUE(recusado);
    EXPECT_EQ(p.Erro, Nenhum);
    EXPECT_EQ(MensagemErro(p.Erro), "Entrada Inv\xE1lida : POSS\xCDVEL ERRO NA ENTRADA DE DADOS");
    EXPECT_EQ(p.LatGMSTexto(), c.latTexto);
    EXPECT_EQ(p.LonGMSTexto(), c.lonTexto);
  }
}

}  // namespace
}  // namespace nivora
