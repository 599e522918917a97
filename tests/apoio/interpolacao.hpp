// Test support: the literal reference, the undulation fit written step by step on the
// model's state, and the query's raw 80-bit value for the differential tests.
//
// The window is the first 25 nodes in file order in the band north of the point (for a
// point inside a regular grid, the 5 x 5 nodes around it); the fit is a weighted
// least-squares surface of degree 2 in each plane coordinate, N at the point its
// constant term. Reads and converts every grid line on every run. The query
// (TConsultaGrade) must match it bit for bit; it shares nothing with the query but the
// node-line reader and the constants. Not linked by the programs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geoid/grade.hpp"
#include "geoid/modelo.hpp"

namespace nivora {

inline constexpr std::int32_t kMaxNos = 81;  ///< slots for degree up to 4
inline constexpr std::int32_t kMaxCoef = 25;

/// X^p * Y^q for the j-th monomial (1-based) of degree `d` in each coordinate:
/// p = (j-1) div (d+1), q = (j-1) - p*(d+1); integer powers by repeated products.
long double CalculaMonomio(std::int32_t d, std::int32_t j, long double X, long double Y);

/// The model state and the fit, all arrays indexed from 1.
class TInterpolador {
 public:
  std::int32_t GrauPolinomio = kGrauPolinomio;
  std::int32_t EspacamentoGrade = kEspacamentoGradeMin;
  std::int32_t NumNos = 0;
  std::int32_t NumCoef = 0;
  long double RaioTerra = kRaioTerraM;
  long double FatorEscala = kFatorEscala;
  long double LatPonto = 0;  ///< degrees north
  long double LonPonto = 0;  ///< degrees east (negative in the model area)

  long double Coeficientes[kMaxCoef + 1] = {};
  long double CoordNorte[kMaxNos + 1] = {};
  long double CoordLeste[kMaxNos + 1] = {};
  long double Pesos[kMaxNos + 1] = {};
  long double OndulacaoNos[kMaxNos + 1] = {};
  long double MatrizA[kMaxNos + 1][kMaxCoef + 1] = {};
  long double MatrizAt[kMaxCoef + 1][kMaxNos + 1] = {};
  long double MatrizAtP[kMaxCoef + 1][kMaxNos + 1] = {};
  long double MatrizN[kMaxCoef + 1][kMaxCoef + 1] = {};
  long double VetorU[kMaxCoef + 1] = {};

  /// Runs the whole fit on `ListaGrade`; the result is Coeficientes[1].
  /// @throws EConversao for a grid line that does not convert,
  ///         ErroNivora when fewer than NumNos nodes qualify (after the whole scan),
  ///         EDivisaoPorZero / EOperacaoInvalida for a normal matrix that is not positive definite.
  void Processar(const std::vector<std::string>& ListaGrade);

  void Transpoe();
  void MultiplicaMatrizes();
  void MultiplicaMatrizVetor();
  /// In-place inverse of MatrizN through its Cholesky factor (reads the upper triangle).
  void InverteMatriz();
  void CalculaCoeficientes();

  /// One literal query: loads the file's lines, sets the point and runs Processar.
  /// Returns the raw, unrounded Coeficientes[1].
  long double OndulacaoBruta(const std::string& arquivoGrade, long double Lat, long double Lon);
};

/// The query's raw 80-bit value at (Lat, Lon) on `grade`, before rounding (the
/// coinciding node's N, or the fit). @throws as the query.
long double OndulacaoEstendida(const GradeCarregada& grade, long double Lat, long double Lon);

/// The query's double estimate and its bound at (Lat, Lon), when it gives one (a full
/// window of an undamaged grid, within the bound's reach); false otherwise.
bool EstimativaDupla(const GradeCarregada& grade, long double Lat, long double Lon, double& valor,
                     double& limite);

}  // namespace nivora
