// The step-by-step fit: monomials, the Cholesky inversion, and Processar on small
// grids whose answer is known.
#include "apoio/interpolacao.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>

#include "apoio/grade.hpp"
#include "text/erros.hpp"
#include "text/numeros.hpp"

namespace nivora {
namespace {

TEST(CalculaMonomio, ColumnsOfDegreeTwo) {
  const long double X = 3.0L, Y = -2.0L;
  // j: 1, Y, Y^2, X, XY, XY^2, X^2, X^2Y, X^2Y^2
  const long double esperado[] = {1, -2, 4, 3, -6, 12, 9, -18, 36};
  for (int j = 1; j <= 9; ++j) EXPECT_EQ(CalculaMonomio(2, j, X, Y), esperado[j - 1]) << j;
  // Exponent 0 gives 1 also for a zero coordinate.
  EXPECT_EQ(CalculaMonomio(2, 1, 0.0L, 0.0L), 1.0L);
  EXPECT_EQ(CalculaMonomio(2, 4, 0.0L, 5.0L), 0.0L);
  EXPECT_EQ(CalculaMonomio(2, 2, 0.0L, 5.0L), 5.0L);
}

TEST(InverteMatriz, InverseOfASymmetricPositiveDefiniteMatrix) {
  auto t = std::make_unique<TInterpolador>();
  t->NumCoef = 3;
  const long double a[3][3] = {{4, 2, 0.6L}, {2, 5, 1}, {0.6L, 1, 3}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) t->MatrizN[r + 1][c + 1] = a[r][c];
  t->InverteMatriz();
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      long double produto = 0;
      for (int k = 0; k < 3; ++k) produto += a[r][k] * t->MatrizN[k + 1][c + 1];
      EXPECT_NEAR(static_cast<double>(produto), r == c ? 1.0 : 0.0, 1e-15) << r << "," << c;
      EXPECT_EQ(t->MatrizN[r + 1][c + 1], t->MatrizN[c + 1][r + 1]);
    }
}

TEST(InverteMatriz, ZeroOrNegativePivot) {
  struct Caso {
    long double m[2][2];
    std::string mensagem;
  };
  const long double nan = std::nanl("");
  const Caso casos[] = {
      {{{1, 2}, {2, 1}}, "Invalid floating point operation"},
      {{{-1, 0}, {0, 1}}, "Invalid floating point operation"},
      {{{nan, 0}, {0, 1}}, "Invalid floating point operation"},
      {{{1, 1}, {1, 1}}, "Floating point division by zero"},
      {{{0, 0}, {0, 1}}, "Floating point division by zero"},
  };
  for (const Caso& c : casos) {
    auto t = std::make_unique<TInterpolador>();
    t->NumCoef = 2;
    for (int r = 0; r < 2; ++r)
      for (int k = 0; k < 2; ++k) t->MatrizN[r + 1][k + 1] = c.m[r][k];
    try {
      t->InverteMatriz();
      ADD_FAILURE() << c.mensagem;
    } catch (const EAritmetica& e) {
      EXPECT_EQ(std::string(e.what()), c.mensagem);
    }
  }
}

class ProcessarEmGrade : public ::testing::Test {
 protected:
  // 12 x 12 nodes from 5S 55W (305 east) southwards and eastwards.
  static constexpr long kLat0 = -5 * 12, kLon0 = 305 * 12;
  teste::PastaTemporaria pasta;
  std::mt19937 sorteio{20150};
  std::unique_ptr<TInterpolador> t = std::make_unique<TInterpolador>();

  std::string Escrever(const std::vector<std::string>& linhas) {
    const std::string caminho = pasta / "grade.txt";
    teste::EscreverLinhas(caminho, linhas);
    return caminho;
  }
};

TEST_F(ProcessarEmGrade, SurfacesTheFitReproduces) {
  // N constant, and N equal to the node's latitude (a degree-1 surface in X).
  auto constante = teste::Achatar(teste::GradeRegular(kLat0, kLon0, 12, 12, sorteio, "-7.250"));
  // Rows 1/8 degree apart so that N = latitude is written exactly with 3 decimals.
  std::vector<std::string> latitude;
  for (int r = 0; r < 12; ++r) {
    const std::string lat = teste::Milimetros(-5000 - 125 * r);
    for (int c = 0; c < 12; ++c)
      latitude.push_back(teste::LinhaNo(teste::Doze(kLon0 + c), lat, lat));
  }
  const std::string gradeConstante = pasta / "constante.txt";
  const std::string gradeLatitude = pasta / "latitude.txt";
  teste::EscreverLinhas(gradeConstante, constante);
  teste::EscreverLinhas(gradeLatitude, latitude);
  std::uniform_real_distribution<long double> lat(-5.6L, -5.3L), lon(-54.7L, -54.4L);
  for (int k = 0; k < 20; ++k) {
    const long double la = lat(sorteio), lo = lon(sorteio);
    EXPECT_NEAR(static_cast<double>(t->OndulacaoBruta(gradeConstante, la, lo)), -7.25, 1e-15);
    EXPECT_NEAR(static_cast<double>(t->OndulacaoBruta(gradeLatitude, la, lo)),
                static_cast<double>(la), 1e-13);
  }
}

TEST_F(ProcessarEmGrade, WindowOfTwoRowsNorthAndThreeSouth) {
  const std::string caminho =
      Escrever(teste::Achatar(teste::GradeRegular(kLat0, kLon0, 12, 12, sorteio)));
  // A point strictly inside the cell between rows 5 and 6, columns 4 and 5.
  const long double la = StrToFloat(teste::Doze(kLat0 - 5)) - 0.03L;
  const long double lo = StrToFloat(teste::Doze(kLon0 + 4)) - 360 + 0.02L;
  t->OndulacaoBruta(caminho, la, lo);
  std::set<long double> norte, leste;
  int aoNorte = 0, aOeste = 0;
  for (int i = 1; i <= 25; ++i) {
    norte.insert(t->CoordNorte[i]);
    aoNorte += t->CoordNorte[i] > 0;
    aOeste += t->CoordLeste[i] > 0;
  }
  EXPECT_EQ(norte.size(), 5u);
  EXPECT_EQ(aoNorte, 10);  // two rows of five
  EXPECT_EQ(aOeste, 10);   // two columns in each of five rows
}

TEST_F(ProcessarEmGrade, APointOnANodeGivesTheFilesN) {
  auto grade = teste::GradeRegular(kLat0, kLon0, 12, 12, sorteio);
  grade[6][6] = teste::LinhaNo("305.500000", "-5.500000", " 1.2345");
  const std::string caminho = Escrever(teste::Achatar(grade));
  EXPECT_EQ(t->OndulacaoBruta(caminho, -5.5L, -54.5L), StrToFloat("1.2345"));
  // Off the node by a hair: a normal fit, dominated by that node.
  EXPECT_NEAR(static_cast<double>(t->OndulacaoBruta(caminho, -5.5L, -54.5L + 1e-9L)), 1.2345, 1e-6);
}

TEST_F(ProcessarEmGrade, TooFewNodesFailWithAMessageNamingThePoint) {
  const std::string caminho =
      Escrever(teste::Achatar(teste::GradeRegular(kLat0, kLon0, 12, 12, sorteio)));
  struct Caso {
    long double lat, lon;
    std::string mensagem;
  };
  const Caso casos[] = {
      // Near the south edge: three rows are left, 15 nodes.
      {-5.87L, -54.6L,
       "Ponto fora da cobertura da grade (latitude -5.8700, longitude -54.6000): apenas 15 "
       "n\xF3s da grade encontrados, s\xE3o necess\xE1rios 25."},
      {-30.0L, -54.6L,
       "Ponto fora da cobertura da grade (latitude -30.0000, longitude -54.6000): nenhum "
       "n\xF3 da grade encontrado, s\xE3o necess\xE1rios 25."},
  };
  for (const Caso& c : casos) {
    try {
      t->OndulacaoBruta(caminho, c.lat, c.lon);
      ADD_FAILURE() << c.mensagem;
    } catch (const ErroNivora& e) {
      EXPECT_EQ(std::string(e.what()), c.mensagem);
    }
  }
}

TEST_F(ProcessarEmGrade, ABadLineAnywhereFailsEveryQuery) {
  const auto base = teste::Achatar(teste::GradeRegular(kLat0, kLon0, 12, 12, sorteio));
  for (std::size_t pos : {std::size_t{0}, base.size() / 2, base.size()}) {
    auto linhas = base;
    linhas.insert(linhas.begin() + static_cast<std::ptrdiff_t>(pos), "");
    const std::string caminho = Escrever(linhas);
    try {
      t->OndulacaoBruta(caminho, -5.4L, -54.5L);
      ADD_FAILURE() << pos;
    } catch (const EConversao& e) {
      EXPECT_EQ(std::string(e.what()), "'' is not a valid floating point value");
    }
  }
}

}  // namespace
}  // namespace nivora
