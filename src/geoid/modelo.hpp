// Constants of the geoid model: polynomial degree, grid spacing, plane scale, model area.
#pragma once

#include <cmath>
#include <cstdint>

namespace nivora {

inline constexpr std::int32_t kGrauPolinomio = 2;        ///< degree in each plane coordinate
inline constexpr std::int32_t kEspacamentoGradeMin = 5;  ///< grid spacing, arc-minutes
inline constexpr long double kRaioTerraM = 6370900.0L;   ///< Earth radius, metres
inline constexpr long double kFatorEscala = 28120.0L;    ///< divisor of both plane coordinates

/// Nodes of the window and coefficients of the fit for kGrauPolinomio.
inline constexpr int kNumNos = (2 * kGrauPolinomio + 1) * (2 * kGrauPolinomio + 1);
inline constexpr int kNumCoef = (kGrauPolinomio + 1) * (kGrauPolinomio + 1);

/// Model area, decimal degrees. A point must lie strictly inside.
inline constexpr long double kLimiteNorte = 5.5833027L;
inline constexpr long double kLimiteSul = -34.5830027L;
inline constexpr long double kLimiteLeste = -34.4332999L;
inline constexpr long double kLimiteOeste = -74.5830027L;

/// Grid file below the application folder.
inline constexpr const char* kArquivoGrade = "grid/NIVORA2015_SIRGAS2000.txt";

/// Degrees to radians, atan(1) * 4 / 180 in extended precision, computed once.
inline long double GrausParaRadianos() {
  static const long double rad = atanl(1.0L) * 4 / 180;
  return rad;
}

}  // namespace nivora
