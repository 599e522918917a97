// The double estimate of the fit and its bound; the derivation of the bound is written here.
//
// WHAT IS BOUNDED
// The query's result is r, the constant term that the 80-bit fit (ajuste.hpp, in the
// documented order) computes from its data: for each node k of the window
//   X_k = ((d_k * rad) * R) / F,  d_k = phi_k - Lat,
//   Y_k = (((c_k * e_k) * rad) * R) / F,  e_k = Lon - lambda_k,  c_k = cos(phi_k),
//   w_k = 1 / (X_k^2 + Y_k^2),  n_k = the node's N,
// every operation rounded to the 64-bit significand (unit roundoff U = 2^-64). Call
// these "the data". With M the 25 x 9 matrix of the monomials X^p Y^q (p, q <= 2) of
// the data, W = diag(w), the exact normal matrix and right side are A* = M'WM and
// b* = M'Wn, and x* = A*^-1 b* is the exact weighted least-squares solution of the
// data. This file computes, in double (unit roundoff u = 2^-53), an estimate e of x*_1
// and a bound B such that |e - x*_1| + |r - x*_1| <= B; then |e - r| <= B.
// Everything below is standard rounding-error analysis (N. J. Higham, Accuracy and
// Stability of Numerical Algorithms, 2nd ed., SIAM 2002: gamma_k = k u / (1 - k u),
// Lemmas 3.1 and 8.4, Theorems 8.12, 10.3, 10.4, 10.7); the only inputs are the
// operations below as written, each rounded once, with no underflow or overflow in
// the double computation (checked at run time through the IEEE flags, see 9).
//
// 1. THE DOUBLE DATA. kPlano = double(rad * R / F) (two 80-bit roundings and one to
//    double). X~ = double(d) * kPlano, d taken in 80 bits as the fit takes it (5 per
//    window, one per row). The longitudes are held as pairs of doubles (hi + lo, an
//    exact split of the 80-bit value); e~ = (Lon.hi - lambda.hi) + (Lon.lo - lambda.lo)
//    where both differences are exact (the first by Sterbenz's lemma: the window's
//    nodes lie within 3/12 degree of the point, so from |Lon| >= 1 degree, checked,
//    Lon.hi and lambda.hi are of one sign and within a factor 2; the second being a
//    multiple of the finer ulp smaller than 2^12 of it) and the sum is rounded once:
//    e~ = e(1 + delta) with e the exact difference, while the fit's e is e(1 + delta').
//    Y~ = double(c) * (e~ * kPlano). So X~ = X(1 + a), |a| <= 3u + 5U <= 3.01u;
//    Y~ = Y(1 + b), |b| <= 5u + 7U <= 5.01u. D~ = X~^2 + Y~^2 (three roundings; both
//    terms positive) and w~ = 1 / D~ against the data's w (three 80-bit roundings):
//    w~ = w(1 + c), |c| <= 13.1u. n~ = double(n): |n~ - n| <= u|n|. A point near a
//    node keeps the relative accuracy of its small offset.
// 2. FORMING A AND b. The entry (r, c) of A* is sum_k w X^p Y^q with p = p_r + p_c,
//    q = q_r + q_c <= 4, and b*_r = sum_k w n X^p Y^q with p, q <= 2. They are formed
//    as moments: per node w~ Y~^q and w~ n~ Y~^q, summed per row of the window (nodes of
//    equal latitude, hence equal X), then multiplied by X~^p and summed over rows.
//    Counting the operations: a term of A takes at most 6 roundings of products and
//    24 of sums (each node meets at most 24 additions, in its row and over the rows),
//    and its data are off by at most 4a + 4b + c <= 45.2u; so every computed term is
//    its exact value times (1 + t), |t| <= gamma_80, and |A^ - A*| <= gamma_80 |A|~,
//    where |A|~ = |M|'W|M| (the same sums with absolute values). For b: 5 roundings,
//    24 sums and 30.2u of data: |b^ - b*| <= gamma_62 |M|'W|n|.
// 3. SCALING. D = diag(A^_jj)^(1/2), the computed diagonal. |A|~ is a Gram matrix
//    (positive semidefinite) with the diagonal of A*, and A^_jj >= (1 - gamma_80) A*_jj,
//    so ||D^-1 |A|~ D^-1||_2 <= trace <= 9 / (1 - gamma_80). By Cauchy-Schwarz,
//    (|M|'W|n|)_j <= sqrt(A*_jj) ||n||_W with ||n||_W^2 = sum_k w_k n_k^2 <= nu^2 A*_11,
//    nu = max |n_k|; hence ||D^-1 f||_2 <= 3 gamma_62 nu D_1 / (1 - gamma_80) for
//    f = b^ - b*.
// 4. FACTOR AND SOLVE. Cholesky A^ = R'R with the reciprocals of the pivots (one more
//    rounding than a division): R'R = A^ + dA1, |dA1| <= gamma_11 |R'||R| (Thm 10.3
//    with n + 2). x^ by forward and back substitution, also with the reciprocals:
//    (A^ + dA)x^ = b^ with |dA| <= gamma_34 |R'||R| (Thm 10.4 with n + 2 per solve).
//    With T = R D^-1: ||T||_F^2 = sum (R'R)_jj / A^_jj <= 9 / (1 - gamma_11), and
//    || |R'||R| ||_2 <= ||T||_F^2 in the scaled norm.
// 5. CONDITIONING. For the triangular R, |R^-1| <= M(R)^-1, M(R) its comparison matrix
//    (Thm 8.12). With T^-1 = D R^-1: ||T^-1||_inf <= max_i D_i (M(R)^-1 1)_i and
//    ||T^-1||_1 <= max_j (M(R)^-T d)_j, d = (D_1 .. D_9); both vectors come from
//    substitutions that only add, multiply and divide positive numbers (each computed
//    entry within gamma_20 of the exact one). H~ = D^-1 R'R D^-1 = T'T, so
//    ||H~^-1||_2 = ||T^-1||_2^2 <= ||T^-1||_1 ||T^-1||_inf =: beta_d. H* = D^-1 A* D^-1
//    differs from H~ by at most eps_H := 9 gamma_80 / (1 - gamma_80) + 9 gamma_11 /
//    (1 - gamma_11) in the 2-norm; with beta_d eps_H <= 1/2, Weyl's inequality gives
//    that A* is positive definite and ||H*^-1||_2 <= beta* := 1 / (1 / beta_d - eps_H).
//    (On the shipped grid beta_d is at most about 1,400 and at most 23 times the
//    exact ||H~^-1||_2: measured, and only to choose this route.)
// 6. THE ESTIMATE. x^ - x* = A*^-1 (f - E x^) exactly, E = A^ + dA - A*, and in the
//    scaled norm ||D^-1 E D^-1||_2 <= eps_E := 9 gamma_80 / (1 - gamma_80) +
//    9 gamma_34 / (1 - gamma_11). So, with psi = ||D x^||_2 / D_1,
//      |x^_1 - x*_1| <= ||D(x^ - x*)||_2 / D_1 <= rho :=
//          beta* (3 gamma_62 nu / (1 - gamma_80) + eps_E psi).
// 7. THE 80-BIT FIT, r. Same analysis with U and the documented algorithm (its own
//    factor R8, inverse V8 and the first row of V8 V8' times U8, no data error):
//    forming gamma'_33 (A) and gamma'_30 (b); Cholesky with divisions gamma'_10;
//    |V8 R8 - I| <= gamma'_10 |V8||R8| (each row of V8 a substitution, Lemma 8.4); the
//    first row of V8 V8' and its product with b, gamma'_18. Its scaled matrix lies
//    within eps_H8 := gamma'_10 tau^2 + 9 gamma'_33 / (1 - gamma_80) of H*,
//    tau^2 = 9 (1 + gamma'_33) / ((1 - gamma'_10)(1 - gamma_80)), so ||H8^-1|| <= beta8 :=
//    1 / (1 / beta* - eps_H8). With S8 = D V8 and T8 = R8 D^-1, F = S8 T8 - I has
//    ||F||_2 <= gamma'_10 ||S8||_F ||T8||_F and S8 = (I + F) T8^-1, whence ||F|| <= phi8 :=
//    a / (1 - a), a = 3 gamma'_10 tau sqrt(beta8), and ||S8||_F <= sigma8 :=
//    (1 + phi8) 3 sqrt(beta8); kappa := 3 (1 + gamma'_30) nu / (1 - gamma_80) bounds
//    ||D^-1 b8|| / D_1. Then |r - x*_1| <= (a) + (b) + (c):
//      (a) rounding of the last two products: gamma'_18 sigma8^2 kappa;
//      (b) V8 V8' against (R8'R8)^-1 = (S8 S8' - H8^-1 = F H8^-1 + H8^-1 F' + F H8^-1 F'):
//          (2 phi8 + phi8^2) beta8 kappa;
//      (c) (R8'R8)^-1 b8 against x*: beta* (phif + eps_H8 (psi + rho + beta* phif) /
//          (1 - beta* eps_H8)), phif = 3 gamma'_30 nu / (1 - gamma_80).
//    The 80-bit Cholesky cannot meet a pivot <= 0 (which would raise the fit's error):
//    the matrix it factors, scaled by its own diagonal, has lambda_min >=
//    (1/beta* - 9 gamma'_33 / (1 - gamma_80))(1 - gamma_80) / (1 + gamma'_33), more than
//    9 gamma'_10 / (1 - 9 gamma'_10) whenever 1/beta* > 10 (gamma'_33 + gamma'_10), checked
//    (Thm 10.7: Cholesky then runs to completion).
//    An underflow of the 80-bit fit (exponent range 2^+-16382) could add at most about
//    2^-16445 per operation to quantities bounded here by 2^1024; 1e-300 m is added to B.
// 8. THE BOUND. B = (rho + (a) + (b) + (c)) (1 + 1e-6) + 1e-300: the factor covers the
//    roundings of computing B itself and the norms it starts from (a few dozen
//    operations on positive quantities, the differences 1/beta - eps kept at least half
//    their first term: a relative error far below 1e-12).
// 9. RUN-TIME CONDITIONS. The double computation raised no invalid, division by zero,
//    overflow, underflow or denormal-operand flag (so every double above is a normal
//    number and each operation is one rounding), every pivot was positive,
//    beta_d eps_H <= 1/2, beta* eps_H8 <= 1/2, a <= 1/2, the longitudes passed the
//    condition of 1, and the 80-bit differences d are 0 or at least 1e-270 in magnitude
//    (so that they round to normal doubles). Otherwise the query runs the 80-bit fit.
//
// WHAT WAS ONLY MEASURED (bench/soak.sh; figures in the README): on 10^8 points of the
// shipped grid, synthetic grids and grids searched adversarially (hill climbing towards
// the largest |e - r| / B), no |e - r| exceeded its B; the largest ratio was 0.019 (on
// near-degenerate windows) and 6.8e-4 on the shipped grid, where B is about 2.5e-10 m
// (median), so the estimate decides all but about one query in 1.5 million there; on
// grids off the lattice the bound grows with their conditioning and the 80-bit fit
// takes over.
#include "geoid/estimativa.hpp"

#include <xmmintrin.h>

#include <algorithm>
#include <atomic>
#include <cmath>

#include "geoid/modelo.hpp"

namespace nivora {

namespace {

constexpr int kN = kNumCoef;  // 9 unknowns
constexpr double kU = 0x1p-53;
constexpr double kU80 = 0x1p-64;

constexpr double Gama(double k, double u) {
  return k * u / (1 - k * u);
}

// The constants of the derivation above.
constexpr double kGamaA = Gama(80, kU);        // forming A
constexpr double kGamaB = Gama(62, kU);        // forming b
constexpr double kGamaFator = Gama(11, kU);    // Cholesky
constexpr double kGamaSolucao = Gama(34, kU);  // the two substitutions, factor included
constexpr double kEpsH = 9 * kGamaA / (1 - kGamaA) + 9 * kGamaFator / (1 - kGamaFator);
constexpr double kEpsE = 9 * kGamaA / (1 - kGamaA) + 9 * kGamaSolucao / (1 - kGamaFator);
constexpr double kGama80A = Gama(33, kU80);
constexpr double kGama80B = Gama(30, kU80);
constexpr double kGama80Fator = Gama(10, kU80);
constexpr double kGama80Final = Gama(18, kU80);
constexpr double kFolgaRelativa = 1e-6;
constexpr double kFolgaAbsoluta = 1e-300;

// A latitude difference too small to round to a normal double with its relative
// accuracy is left to the 80-bit fit.
constexpr long double kDiferencaMinima = 1e-270L;

// MXCSR: the exception flags, and those that void the derivation.
constexpr unsigned kFlagsExcecao = 0x3F;
constexpr unsigned kFlagsProibidos = 0x1F;  // invalid, denormal, zero divide, overflow, underflow

// The per-node sums of a row: w Y^q (q = 0..4) and w n Y^q (q = 0..2).
constexpr int kTermos = 8;

double ConstantePlano() {
  static const double k = static_cast<double>(GrausParaRadianos() * kRaioTerraM / kFatorEscala);
  return k;
}

// Points side by side, one per lane (GCC's vector extension: four lanes are one
// AVX2 instruction or two SSE2 ones per operation, eight lanes one AVX-512 one; each
// lane rounded as a double is). These vectors never cross a function boundary
// between translation units, so the ABI of passing them (which AVX would change)
// does not matter here (GCC warns at the end of the file, so the warning stays off
// to the end of this file).
#pragma GCC diagnostic ignored "-Wpsabi"
using Lote4 = double __attribute__((vector_size(4 * sizeof(double))));
using Lote8 = double __attribute__((vector_size(8 * sizeof(double))));
template <class V>
using Mascara = decltype(V{} > V{});
template <class V>
constexpr int kFaixas = sizeof(V) / sizeof(double);
template <class V>
concept Vetor = kFaixas<V> >
1;

// What the arithmetic needs for a scalar or for a lane vector.
inline double Raiz(double x) {
  return std::sqrt(x);
}
template <Vetor V>
[[gnu::always_inline]] inline V Raiz(V x) {
  V r;
  for (int k = 0; k < kFaixas<V>; ++k) r[k] = std::sqrt(x[k]);
  return r;
}
inline double Modulo(double x) {
  return std::fabs(x);
}
template <Vetor V>
[[gnu::always_inline]] inline V Modulo(V x) {
  return reinterpret_cast<V>(reinterpret_cast<Mascara<V>>(x) & 0x7FFFFFFFFFFFFFFFLL);
}
inline double Maior(double a, double b) {
  return std::max(a, b);
}
template <Vetor V>
[[gnu::always_inline]] inline V Maior(V a, V b) {
  return a > b ? a : b;
}
inline bool Verdade(double) {
  return true;
}
template <Vetor V>
[[gnu::always_inline]] inline Mascara<V> Verdade(V) {
  return Mascara<V>{} - 1;
}

// The inputs of one window for the arithmetic: rows (shared by the lanes) and, per
// lane, X of each row, the point's longitude and each node's longitude, cosine and N.
template <class V>
struct EntradaJanela {
  int linhas = 0;
  int fimLinha[kNumNos];
  V x[kNumNos];  // per row
  V lonAlto, lonBaixo;
  V noLonAlto[kNumNos], noLonBaixo[kNumNos], cosLat[kNumNos], n[kNumNos];

  struct Colunas {
    double kPlano;
  };
  void PorColuna(Colunas& c) const { c.kPlano = ConstantePlano(); }
  // Y of node t (in row l): c * (e * kPlano), e the longitude difference rounded once.
  [[gnu::always_inline]] V Y(const Colunas& c, int t, int) const {
    const V e = (lonAlto - noLonAlto[t]) + (lonBaixo - noLonBaixo[t]);
    return cosLat[t] * (e * c.kPlano);
  }
};

// The same inputs for a lattice block: the nodes of a column share their longitude
// and those of a row their cosine, so e * kPlano is computed once per column. Each
// value is the one EntradaJanela computes for that node, operation for operation.
template <class V>
struct EntradaBloco {
  static constexpr int kLado = static_cast<int>(GradeCarregada::kLadoJanela);
  static constexpr int linhas = kLado;
  static constexpr int fimLinha[kLado] = {5, 10, 15, 20, 25};
  static_assert(kLado * kLado == kNumNos && kLado == 5);
  V x[kLado], cosLinha[kLado];
  V lonAlto, lonBaixo;
  V colLonAlto[kLado], colLonBaixo[kLado];
  V n[kNumNos];

  struct Colunas {
    V ePlano[kLado];
  };
  void PorColuna(Colunas& c) const {
    const double kPlano = ConstantePlano();
    for (int k = 0; k < kLado; ++k)
      c.ePlano[k] = ((lonAlto - colLonAlto[k]) + (lonBaixo - colLonBaixo[k])) * kPlano;
  }
  [[gnu::always_inline]] V Y(const Colunas& c, int t, int l) const {
    return cosLinha[l] * c.ePlano[t - l * kLado];
  }
};

// A window as the nodes the search took, in its order.
struct JanelaTomada {
  const GradeCarregada* grade;
  const NoJanela* nos;
  bool Nova(int t) const { return nos[t].novaLinha; }
  long double LatLinha(int t) const { return grade->Nos()[nos[t].indice].latGraus; }
  NoBusca No(int t) const { return grade->Busca()[nos[t].indice]; }
  // Rows of the window: where each ends. The lanes of a batch share them.
  int Linhas(int* fimLinha) const {
    int linhas = 0;
    for (int t = 1; t < kNumNos; ++t)
      if (nos[t].novaLinha) fimLinha[linhas++] = t;
    fimLinha[linhas++] = kNumNos;
    return linhas;
  }
};

// The scalar part of the inputs, lane `k` of `entrada` (the rows must be already
// there, the same for every lane): the 80-bit latitude differences of the rows and
// the nodes' data. False where the estimate cannot be used (see 1 and 9).
template <class V, class Janela, class Escrever>
bool Preparar(const Janela& janela, long double Lat, long double Lon, Escrever&& escrever) {
  const double kPlano = ConstantePlano();
  const DuplaDupla lon = DuplaDupla::De(Lon);
  // Every node of the window lies within 3/12 degree of the point's longitude: from
  // 1 degree on, both are of one sign and within a factor 2 (Sterbenz).
  if (!(std::fabs(lon.alto) >= 1.0)) return false;
  escrever.Ponto(lon);
  for (int t = 0, linha = 0; t < kNumNos; ++t) {
    if (janela.Nova(t)) {
      const long double d = janela.LatLinha(t) - Lat;
      if (d != 0.0L && std::fabs(d) < kDiferencaMinima) return false;
      escrever.Linha(linha++, static_cast<double>(d) * kPlano);
    }
    escrever.No(t, janela.No(t));
  }
  return true;
}

// The entry (i, j) of the normal matrix: the moment of X^(p_i + p_j) Y^(q_i + q_j),
// monomial j being X^(j / 3) Y^(j % 3).
#define NIVORA_A(i, j) S[(i) / 3 + (j) / 3][(i) % 3 + (j) % 3]

// The arithmetic of 1.-8. on one window per lane: the estimate, its bound, and in
// `boa` the lanes whose pivots, conditioning and values allow the bound (the
// floating-point flags are the caller's to read).
template <class V, class Entrada>
[[gnu::always_inline]] inline void Calcular(const Entrada& in, V& valor, V& limite,
                                            decltype(V{} > V{}) & boa) {
  auto ok = Verdade(V{});

  // 1.-2. Per node the terms w Y^q (q <= 4) and w n Y^q (q <= 2), summed per row; each
  // row's sums multiplied by X^p and added into the moments S[p][q] = sum w X^p Y^q
  // (p, q <= 4) and B[p][q] = sum w n X^p Y^q (p, q <= 2).
  V S[5][5] = {};
  V B[3][3] = {};
  V nu = V{};
  typename Entrada::Colunas colunas;
  in.PorColuna(colunas);
  for (int l = 0, t = 0; l < in.linhas; ++l) {
    const V x = in.x[l], xx = x * x;
    V s[kTermos] = {};
    for (; t < in.fimLinha[l]; ++t) {
      const V Y = in.Y(colunas, t, l);
      const V Y2 = Y * Y;
      const V w = 1 / (xx + Y2);
      const V n = in.n[t];
      nu = Maior(nu, Modulo(n));
      const V wY2 = w * Y2;
      const V wn = w * n;
      s[0] += w;
      s[1] += w * Y;
      s[2] += wY2;
      s[3] += wY2 * Y;
      s[4] += wY2 * Y2;
      s[5] += wn;
      s[6] += wn * Y;
      s[7] += wn * Y2;
    }
    const V potencia[5] = {V{} + 1, x, xx, xx * x, xx * xx};
    for (int q = 0; q < 5; ++q) S[0][q] += s[q];
    for (int p = 1; p < 5; ++p)
      for (int q = 0; q < 5; ++q) S[p][q] += potencia[p] * s[q];
    for (int q = 0; q < 3; ++q) B[0][q] += s[5 + q];
    for (int p = 1; p < 3; ++p)
      for (int q = 0; q < 3; ++q) B[p][q] += potencia[p] * s[5 + q];
  }
  nu /= 1 - kU;  // the largest |n| of the data, from the rounded ones

  // 4. Cholesky factor R (upper, A = R'R) with the reciprocals of its pivots. A pivot
  // that is not positive spoils its lane (the square root raises the invalid flag).
  V R[kN][kN];
  V v[kN];
  V diag[kN];  // D_j^2 = A^_jj
  _Pragma("GCC unroll 16") for (int i = 0; i < kN; ++i) {
    _Pragma("GCC unroll 16") for (int j = 0; j <= i; ++j) {
      V s = NIVORA_A(j, i);
      _Pragma("GCC unroll 16") for (int k = 0; k < j; ++k) s -= R[k][j] * R[k][i];
      if (j < i) {
        R[j][i] = s * v[j];
      } else {
        diag[i] = NIVORA_A(i, i);
        ok &= s > 0;
        R[i][i] = Raiz(s);
        v[i] = 1 / R[i][i];
      }
    }
  }
  // x^: R't = b, then R x = t.
  V t[kN], x[kN];
  _Pragma("GCC unroll 16") for (int i = 0; i < kN; ++i) {
    V s = B[i / 3][i % 3];
    _Pragma("GCC unroll 16") for (int k = 0; k < i; ++k) s -= R[k][i] * t[k];
    t[i] = s * v[i];
  }
  _Pragma("GCC unroll 16") for (int i = kN - 1; i >= 0; --i) {
    V s = t[i];
    _Pragma("GCC unroll 16") for (int k = i + 1; k < kN; ++k) s -= R[i][k] * x[k];
    x[i] = s * v[i];
  }
  V normaY = V{};
  _Pragma("GCC unroll 16") for (int j = 0; j < kN; ++j) normaY += diag[j] * (x[j] * x[j]);

  // 5. ||T^-1||_inf and ||T^-1||_1 through the comparison matrix of R (positive sums).
  V D[kN], linha[kN], coluna[kN];
  _Pragma("GCC unroll 16") for (int j = 0; j < kN; ++j) D[j] = Raiz(diag[j]);
  V normaInf = V{}, norma1 = V{};
  _Pragma("GCC unroll 16") for (int i = kN - 1; i >= 0; --i) {
    V s = V{} + 1;
    _Pragma("GCC unroll 16") for (int k = i + 1; k < kN; ++k) s += Modulo(R[i][k]) * linha[k];
    linha[i] = s * v[i];
    normaInf = Maior(normaInf, D[i] * linha[i]);
  }
  _Pragma("GCC unroll 16") for (int j = 0; j < kN; ++j) {
    V s = D[j];
    _Pragma("GCC unroll 16") for (int k = 0; k < j; ++k) s += Modulo(R[k][j]) * coluna[k];
    coluna[j] = s * v[j];
    norma1 = Maior(norma1, coluna[j]);
  }

  // 5.-8. The bound.
  const V psi = Raiz(normaY / diag[0]);
  const V betaD = norma1 * normaInf;
  ok &= betaD * kEpsH <= 0.5;
  const V beta = 1 / (1 / betaD - kEpsH);
  const V rho = beta * (3 * kGamaB * nu / (1 - kGamaA) + kEpsE * psi);

  constexpr double tau2 = 9 * (1 + kGama80A) / ((1 - kGama80Fator) * (1 - kGamaA));
  constexpr double epsH8 = kGama80Fator * tau2 + 9 * kGama80A / (1 - kGamaA);
  const V beta8 = 1 / (1 / beta - epsH8);
  const V a = (3 * kGama80Fator) * Raiz(tau2 * beta8);
  const V phi8 = a / (1 - a);
  const V sigma8 = (1 + phi8) * 3 * Raiz(beta8);
  const V kappa = 3 * (1 + kGama80B) * nu / (1 - kGamaA);
  const V phif = 3 * kGama80B * nu / (1 - kGamaA);
  const V termoA = kGama80Final * sigma8 * sigma8 * kappa;
  const V termoB = (2 * phi8 + phi8 * phi8) * beta8 * kappa;
  const V termoC = beta * (phif + epsH8 * (psi + rho + beta * phif) / (1 - beta * epsH8));
  ok &= beta * epsH8 <= 0.5;
  ok &= a <= 0.5;
  ok &= 1 / beta > 10 * (kGama80A + kGama80Fator);
  limite = (rho + termoA + termoB + termoC) * (1 + kFolgaRelativa) + kFolgaAbsoluta;
  valor = x[0];
  ok &= limite < 1;
  ok &= valor - valor == 0;  // finite
  boa = ok;
}

#undef NIVORA_A

// Reads the MXCSR flags only once every value the lanes give has been computed.
template <class V>
[[gnu::always_inline]] inline unsigned FlagsApos(const V& valor, const V& limite) {
  asm volatile("" : : "m"(valor), "m"(limite));
  return _mm_getcsr();
}

// The lane arithmetic: four lanes compiled for AVX2 as well where the processor has
// it, eight lanes for AVX-512 (called only where the processor has it).
template <class Entrada, class V>
[[gnu::always_inline]] inline unsigned CalcularComFlags(const Entrada& entrada, V& valor, V& limite,
                                                        Mascara<V>& boa) {
  const unsigned csr = _mm_getcsr();
  _mm_setcsr(csr & ~kFlagsExcecao);
  Calcular(entrada, valor, limite, boa);
  const unsigned flags = FlagsApos(valor, limite);
  _mm_setcsr(csr);
  return flags;
}
__attribute__((target_clones("avx2", "default"))) unsigned CalcularLote(
    const EntradaJanela<Lote4>& entrada, Lote4& valor, Lote4& limite, Mascara<Lote4>& boa) {
  return CalcularComFlags(entrada, valor, limite, boa);
}
__attribute__((target_clones("avx2", "default"))) unsigned CalcularLote(
    const EntradaBloco<Lote4>& entrada, Lote4& valor, Lote4& limite, Mascara<Lote4>& boa) {
  return CalcularComFlags(entrada, valor, limite, boa);
}
__attribute__((target("avx512f"))) unsigned CalcularLote(const EntradaJanela<Lote8>& entrada,
                                                         Lote8& valor, Lote8& limite,
                                                         Mascara<Lote8>& boa) {
  return CalcularComFlags(entrada, valor, limite, boa);
}
__attribute__((target("avx512f"))) unsigned CalcularLote(const EntradaBloco<Lote8>& entrada,
                                                         Lote8& valor, Lote8& limite,
                                                         Mascara<Lote8>& boa) {
  return CalcularComFlags(entrada, valor, limite, boa);
}

// Whether the processor (and the system, which must save its registers) has AVX-512,
// and whether it is to be used.
std::atomic<bool> semAvx512{false};
bool ComAvx512() {
  static const bool tem = __builtin_cpu_supports("avx512f");
  return tem && !semAvx512.load(std::memory_order_relaxed);
}

// kLarguraLote windows through `estimar`, eight lanes at once with AVX-512 or four
// at a time without: estimar<V>(primeira) fills saida and dada from window
// `primeira` on for kFaixas<V> windows and returns how many got an estimate, or -1
// when they cannot go together (then none of them did).
template <class Estimar>
int PorLargura(bool* dada, Estimar&& estimar) {
  static_assert(kLarguraLote == kFaixas<Lote8> && kLarguraLote % kFaixas<Lote4> == 0);
  auto contar = [&](int boas, int primeira, int faixas) {
    if (boas >= 0) return boas;
    std::fill(dada + primeira, dada + primeira + faixas, false);
    return 0;
  };
  if (ComAvx512()) return contar(estimar.template operator()<Lote8>(0), 0, kLarguraLote);
  int boas = 0;
  for (int primeira = 0; primeira < kLarguraLote; primeira += kFaixas<Lote4>)
    boas += contar(estimar.template operator()<Lote4>(primeira), primeira, kFaixas<Lote4>);
  return boas;
}

}  // namespace

bool Estimar(const GradeCarregada& grade, const NoJanela* nos, long double Lat, long double Lon,
             EstimativaLimitada& saida) {
  const JanelaTomada janela{&grade, nos};
  EntradaJanela<double> entrada;
  entrada.linhas = janela.Linhas(entrada.fimLinha);
  struct {
    EntradaJanela<double>& e;
    void Ponto(const DuplaDupla& lon) { e.lonAlto = lon.alto, e.lonBaixo = lon.baixo; }
    void Linha(int l, double x) { e.x[l] = x; }
    void No(int t, const NoBusca& no) {
      e.noLonAlto[t] = no.lon.alto, e.noLonBaixo[t] = no.lon.baixo;
      e.cosLat[t] = no.cosLat, e.n[t] = no.nMetros;
    }
  } escrever{entrada};
  if (!Preparar<double>(janela, Lat, Lon, escrever)) return false;

  const unsigned csr = _mm_getcsr();
  _mm_setcsr(csr & ~kFlagsExcecao);
  double valor = 0, limite = 0;
  bool boa = false;
  Calcular(entrada, valor, limite, boa);
  const unsigned flags = FlagsApos(valor, limite);
  _mm_setcsr(csr);
  if ((flags & kFlagsProibidos) != 0 || !boa) return false;
  saida.valor = valor;
  saida.limite = limite;
  return true;
}

namespace {

template <class V, class Entrada>
int Resultados(const Entrada& entrada, EstimativaLimitada* saida, bool* dada) {
  V valor, limite;
  Mascara<V> boa;
  const unsigned flags = CalcularLote(entrada, valor, limite, boa);
  // A flag belongs to no lane in particular: each point then by itself.
  if ((flags & kFlagsProibidos) != 0) return -1;
  int boas = 0;
  for (int k = 0; k < kFaixas<V>; ++k) {
    dada[k] = boa[k] != 0;
    saida[k] = EstimativaLimitada{valor[k], limite[k]};
    boas += dada[k];
  }
  return boas;
}

// The lanes of a batch once their windows are known (rows of one shape).
template <class V, class Janela>
int EstimarLoteDe(const Janela* janelas, int linhas, const int* fimLinha, const long double* Lat,
                  const long double* Lon, EstimativaLimitada* saida, bool* dada) {
  EntradaJanela<V> entrada;
  entrada.linhas = linhas;
  std::copy(fimLinha, fimLinha + linhas, entrada.fimLinha);
  for (int k = 0; k < kFaixas<V>; ++k) {
    struct {
      EntradaJanela<V>& e;
      int k;
      void Ponto(const DuplaDupla& lon) { e.lonAlto[k] = lon.alto, e.lonBaixo[k] = lon.baixo; }
      void Linha(int l, double x) { e.x[l][k] = x; }
      void No(int t, const NoBusca& no) {
        e.noLonAlto[t][k] = no.lon.alto, e.noLonBaixo[t][k] = no.lon.baixo;
        e.cosLat[t][k] = no.cosLat, e.n[t][k] = no.nMetros;
      }
    } escrever{entrada, k};
    if (!Preparar<V>(janelas[k], Lat[k], Lon[k], escrever)) return -1;  // each one by itself
  }
  return Resultados<V>(entrada, saida, dada);
}

// The lanes of a batch of lattice blocks: the data of 1., as Preparar takes them,
// from the lattice's packed arrays.
template <class V>
int EstimarBlocos(const GradeCarregada& grade, const std::size_t* linha, const std::size_t* coluna,
                  const long double* Lat, const long double* Lon, EstimativaLimitada* saida,
                  bool* dada) {
  constexpr int kLado = EntradaBloco<V>::kLado;
  const double kPlano = ConstantePlano();
  const std::size_t colunas = grade.Colunas();
  const long double* lat = grade.LatLinhas().data();
  const double* cosLinhas = grade.CosLinhas().data();
  const DuplaDupla* lonColunas = grade.LonColunas().data();
  const double* nos = grade.NReticulado().data();
  EntradaBloco<V> entrada;
  for (int k = 0; k < kFaixas<V>; ++k) {
    const DuplaDupla lon = DuplaDupla::De(Lon[k]);
    if (!(std::fabs(lon.alto) >= 1.0)) return -1;
    entrada.lonAlto[k] = lon.alto;
    entrada.lonBaixo[k] = lon.baixo;
    for (int c = 0; c < kLado; ++c) {
      entrada.colLonAlto[c][k] = lonColunas[coluna[k] + c].alto;
      entrada.colLonBaixo[c][k] = lonColunas[coluna[k] + c].baixo;
    }
    for (int l = 0; l < kLado; ++l) {
      const std::size_t r = linha[k] + l;
      const long double d = lat[r] - Lat[k];
      if (d != 0.0L && std::fabs(d) < kDiferencaMinima) return -1;
      entrada.x[l][k] = static_cast<double>(d) * kPlano;
      entrada.cosLinha[l][k] = cosLinhas[r];
      const double* n = nos + r * colunas + coluna[k];
      for (int c = 0; c < kLado; ++c) entrada.n[l * kLado + c][k] = n[c];
    }
  }
  return Resultados<V>(entrada, saida, dada);
}

}  // namespace

void DispensarAvx512(bool dispensar) {
  semAvx512.store(dispensar, std::memory_order_relaxed);
}

int EstimarLote(const GradeCarregada& grade, const NoJanela* const* nos, const long double* Lat,
                const long double* Lon, EstimativaLimitada* saida, bool* dada) {
  std::fill(dada, dada + kLarguraLote, false);
  JanelaTomada janelas[kLarguraLote];
  for (int k = 0; k < kLarguraLote; ++k) janelas[k] = JanelaTomada{&grade, nos[k]};
  int fimLinha[kNumNos];
  const int linhas = janelas[0].Linhas(fimLinha);
  for (int k = 1; k < kLarguraLote; ++k) {
    int fim[kNumNos];
    if (janelas[k].Linhas(fim) != linhas || !std::equal(fim, fim + linhas, fimLinha)) return 0;
  }
  auto estimar = [&]<class V>(int primeira) {
    return EstimarLoteDe<V>(janelas + primeira, linhas, fimLinha, Lat + primeira, Lon + primeira,
                            saida + primeira, dada + primeira);
  };
  return PorLargura(dada, estimar);
}

int EstimarLoteReticulado(const GradeCarregada& grade, const std::size_t* linha,
                          const std::size_t* coluna, const long double* Lat, const long double* Lon,
                          EstimativaLimitada* saida, bool* dada) {
  std::fill(dada, dada + kLarguraLote, false);
  auto estimar = [&]<class V>(int primeira) {
    return EstimarBlocos<V>(grade, linha + primeira, coluna + primeira, Lat + primeira,
                            Lon + primeira, saida + primeira, dada + primeira);
  };
  return PorLargura(dada, estimar);
}

bool DecidirMilimetros(const EstimativaLimitada& estimativa, long long& milimetros) {
  constexpr double kMmMaximo = 1e6;  // |N| < 1000 m, where the millimetre form is exact
  const double e = estimativa.valor;
  const double mm = std::fabs(e) * 1000.0;
  if (!(mm < kMmMaximo)) return false;  // NaN too
  // r lies within limite of e; the mask takes r to 18 significant digits first (a
  // move of at most 5e-18 |r|), and |e| * 1000 is within u |e| * 1000 of exact.
  const double margemMm =
      (estimativa.limite + 6e-18 * (std::fabs(e) + estimativa.limite) + 2 * kU * std::fabs(e)) *
      1000.0 * (1 + 1e-12);
  const double inteiros = std::floor(mm);
  const double resto = mm - inteiros;  // exact
  if (!(std::fabs(resto - 0.5) > margemMm)) return false;
  const auto absolutos = static_cast<long long>(inteiros) + (resto > 0.5 ? 1 : 0);
  milimetros = e < 0 ? -absolutos : absolutos;
  return true;
}

}  // namespace nivora
