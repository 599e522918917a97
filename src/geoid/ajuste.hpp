// The 80-bit weighted least-squares fit of a window, whose result the query returns.
//
// Operation for operation the step-by-step reference (tests/apoio/interpolacao), in
// the documented order; the only liberties taken leave every value unchanged: the
// lower triangle of the normal matrix and all rows of its inverse but the first are
// never computed (nothing reads them on the way to the constant term), and the
// ordered sums of one row of the normal matrix run side by side, each keeping its
// own order. (The double estimate that usually stands in for it, with its bound, is
// estimativa.cpp.)
#pragma once

#include <cmath>

#include "geoid/modelo.hpp"
#include "nivora2015/erros.hpp"

namespace nivora {

/// The window of one point as the fit reads it, arrays indexed from 1.
struct JanelaAjuste {
  using T = long double;
  T X[kNumNos + 1];     ///< north plane coordinate of each node (scaled metres)
  T Y[kNumNos + 1];     ///< east-west plane coordinate, positive west of the point
  T peso[kNumNos + 1];  ///< 1 / (X^2 + Y^2)
  T n[kNumNos + 1];     ///< undulation of each node, metres
};

namespace detalhe {

/// Row r of the normal matrix from column r on, and U[r]: for each node k in turn,
/// every one of these sums takes its next term, so the sums of a row run side by
/// side (and in SIMD lanes) while each keeps the order of the step-by-step product.
template <int r, class T = long double>
inline void LinhasNormais(const T (&A)[kNumNos + 1][kNumCoef + 1],
                          const T (&AtP)[kNumCoef + 1][kNumNos + 1], const T* n,
                          T (&M)[kNumCoef + 1][kNumCoef + 1], T (&U)[kNumCoef + 1]) {
  if constexpr (r <= kNumCoef) {
    T s[kNumCoef + 1];
    for (int c = r; c <= kNumCoef; ++c) s[c] = T(0);
    T u = T(0);
    for (int k = 1; k <= kNumNos; ++k) {
      const T esquerda = AtP[r][k];
      for (int c = r; c <= kNumCoef; ++c) s[c] = s[c] + esquerda * A[k][c];
      u = u + esquerda * n[k];
    }
    for (int c = r; c <= kNumCoef; ++c) M[r][c] = s[c];
    U[r] = u;
    LinhasNormais<r + 1>(A, AtP, n, M, U);
  }
}

}  // namespace detalhe

/// The constant term of the weighted least-squares surface of degree kGrauPolinomio
/// in X and Y through the window's nodes (none of which coincides with the point).
/// @throws EOperacaoInvalida for a negative (or NaN) pivot of the Cholesky factor,
///         EDivisaoPorZero for a zero one, as the step-by-step reference.
inline long double Ajustar(const JanelaAjuste& janela) {
  using T = long double;
  // Design matrix by node (A[k][j]: monomial j at node k), and the weighted
  // monomials by row (AtP[j][k] = A[k][j] * peso[k]). The monomials are the integer
  // powers X^p * Y^q by repeated products from 1, written out: a factor 1 changes
  // no value, so 1 * Y is Y and X^2 is X * X.
  T A[kNumNos + 1][kNumCoef + 1];
  T AtP[kNumCoef + 1][kNumNos + 1];
  for (int k = 1; k <= kNumNos; ++k) {
    const T x = janela.X[k], y = janela.Y[k];
    const T yy = y * y, xx = x * x;
    T* a = A[k];
    a[1] = T(1);
    a[2] = y;
    a[3] = yy;
    a[4] = x;
    a[5] = x * y;
    a[6] = x * yy;
    a[7] = xx;
    a[8] = xx * y;
    a[9] = xx * yy;
    for (int j = 1; j <= kNumCoef; ++j) AtP[j][k] = a[j] * janela.peso[k];
  }

  // Normal equations: the upper triangle of M (all that the inversion reads) and
  // U, each entry the ordered sum of the full product, k ascending from 0.0. The
  // sums of one row of M, and that row's entry of U, advance together node by node.
  T M[kNumCoef + 1][kNumCoef + 1];
  T U[kNumCoef + 1];
  detalhe::LinhasNormais<1>(A, AtP, janela.n, M, U);

  const int n = kNumCoef;
  // Cholesky factor M = U'U into the upper triangle, column by column.
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= i; ++j) {
      if (j > 1) {
        T soma = T(0);
        for (int k = 1; k <= j - 1; ++k) soma = soma + M[k][j] * M[k][i];
        M[j][i] = M[j][i] - soma;
      }
      if (j < i) {
        M[j][i] = M[j][i] / M[j][j];
      } else {
        if (!(M[i][i] >= 0.0L)) throw EOperacaoInvalida();  // negative or NaN
        if (M[i][i] == 0.0L) throw EDivisaoPorZero();       // the next column divides by it
        M[i][i] = std::sqrt(M[i][i]);
      }
    }
  // V = U^-1 in place.
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= i; ++j) {
      if (j < i) {
        T soma = T(0);
        for (int k = j; k <= i - 1; ++k) soma = soma + M[j][k] * M[k][i];
        M[j][i] = -soma / M[i][i];
      } else {
        M[i][i] = T(1) / M[i][i];
      }
    }
  // First row of M^-1 = V V', then the constant coefficient.
  T linha1[kNumCoef + 1];
  for (int i = 1; i <= n; ++i) {
    T s = T(0);
    for (int k = i; k <= n; ++k) s = s + M[1][k] * M[i][k];
    linha1[i] = s;
  }
  T soma = T(0);
  for (int k = 1; k <= n; ++k) soma = soma + linha1[k] * U[k];
  return soma;
}

}  // namespace nivora
