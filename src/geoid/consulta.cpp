// The undulation query on the cached, indexed grid. Its arithmetic follows the
// step-by-step fit of TInterpolador operation for operation, so the results are
// identical; it only leaves out what cannot reach the result (re-reading an
// unchanged file, the scan outside the window, the lower triangle of the normal
// matrix and every row of its inverse but the first).
#include "geoid/consulta.hpp"

#include <cmath>

#include "geoid/cache.hpp"
#include "geoid/interpolacao.hpp"
#include "text/erros.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace nivora {

namespace {

constexpr int kGrau = kGrauPolinomio;
constexpr int kNumNos = (2 * kGrau + 1) * (2 * kGrau + 1);
constexpr int kNumCoef = (kGrau + 1) * (kGrau + 1);

// Mask of the rounding of the result to millimetres.
constexpr const char* kMascaraResultado = "#0.000";

// Sum over the window of a[k] * b[k], k ascending from 0.0: one entry of a
// matrix product exactly as the step-by-step fit accumulates it.
inline long double Produto(const long double* a, const long double* b) {
  long double soma = 0.0L;
  for (int k = 1; k <= kNumNos; ++k) soma = soma + a[k] * b[k];
  return soma;
}

// Four such sums sharing their left factor, run side by side so that the four
// independent chains of additions overlap. Each chain keeps its own order.
inline void Produtos4(const long double* a, const long double* const* b, long double* const* s) {
  long double t0 = 0.0L, t1 = 0.0L, t2 = 0.0L, t3 = 0.0L;
  const long double *b0 = b[0], *b1 = b[1], *b2 = b[2], *b3 = b[3];
  for (int k = 1; k <= kNumNos; ++k) {
    const long double ak = a[k];
    t0 = t0 + ak * b0[k];
    t1 = t1 + ak * b1[k];
    t2 = t2 + ak * b2[k];
    t3 = t3 + ak * b3[k];
  }
  *s[0] = t0;
  *s[1] = t1;
  *s[2] = t2;
  *s[3] = t3;
}

// Four sums with left factors of their own (where a group spans two rows).
inline void Produtos4Pares(const long double* const* a, const long double* const* b,
                           long double* const* s) {
  long double t0 = 0.0L, t1 = 0.0L, t2 = 0.0L, t3 = 0.0L;
  const long double *a0 = a[0], *a1 = a[1], *a2 = a[2], *a3 = a[3];
  const long double *b0 = b[0], *b1 = b[1], *b2 = b[2], *b3 = b[3];
  for (int k = 1; k <= kNumNos; ++k) {
    t0 = t0 + a0[k] * b0[k];
    t1 = t1 + a1[k] * b1[k];
    t2 = t2 + a2[k] * b2[k];
    t3 = t3 + a3[k] * b3[k];
  }
  *s[0] = t0;
  *s[1] = t1;
  *s[2] = t2;
  *s[3] = t3;
}

// N at the point from the window nodes `no[1..kNumNos]`, already known not to
// coincide with the point; X, Y, weights as the step-by-step fit computes them.
long double Ajustar(const long double (&X)[kNumNos + 1], const long double (&Y)[kNumNos + 1],
                    const long double (&peso)[kNumNos + 1], const long double (&nNo)[kNumNos + 1]) {
  // Design matrix, kept transposed (At[j][k]: monomial j at node k), and its
  // weighted form AtP[j][k] = At[j][k] * peso[k]. The monomials are the integer
  // powers X^p * Y^q by repeated products from 1, written out: a factor 1 changes
  // no value, so 1 * Y is Y and X^2 is X * X.
  long double At[kNumCoef + 1][kNumNos + 1];
  long double AtP[kNumCoef + 1][kNumNos + 1];
  for (int k = 1; k <= kNumNos; ++k) {
    const long double x = X[k], y = Y[k];
    const long double yy = y * y, xx = x * x;
    At[1][k] = 1.0L;
    At[2][k] = y;
    At[3][k] = yy;
    At[4][k] = x;
    At[5][k] = x * y;
    At[6][k] = x * yy;
    At[7][k] = xx;
    At[8][k] = xx * y;
    At[9][k] = xx * yy;
    for (int j = 1; j <= kNumCoef; ++j) AtP[j][k] = At[j][k] * peso[k];
  }

  // Normal equations: the upper triangle of M (all the inversion reads) and U,
  // each entry the same ordered sum as the full product computes.
  long double M[kNumCoef + 1][kNumCoef + 1];
  long double U[kNumCoef + 1];
  // Every entry as a (left, right, destination) triple, row by row, so that the
  // sums can run four at a time.
  constexpr int kEntradas = kNumCoef * (kNumCoef + 1) / 2 + kNumCoef;
  const long double* esquerda[kEntradas];
  const long double* direita[kEntradas];
  long double* destino[kEntradas];
  int total = 0;
  for (int r = 1; r <= kNumCoef; ++r) {
    for (int c = r; c <= kNumCoef; ++c, ++total) {
      esquerda[total] = AtP[r];
      direita[total] = At[c];
      destino[total] = &M[r][c];
    }
    esquerda[total] = AtP[r];
    direita[total] = nNo;
    destino[total] = &U[r];
    ++total;
  }
  int i = 0;
  for (; i + 4 <= total; i += 4) {
    if (esquerda[i] == esquerda[i + 3])
      Produtos4(esquerda[i], direita + i, destino + i);
    else
      Produtos4Pares(esquerda + i, direita + i, destino + i);
  }
  for (; i < total; ++i) *destino[i] = Produto(esquerda[i], direita[i]);

  const int n = kNumCoef;
  // Cholesky factor into the upper triangle.
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= i; ++j) {
      if (j > 1) {
        long double soma = 0.0L;
        for (int k = 1; k <= j - 1; ++k) soma = soma + M[k][j] * M[k][i];
        M[j][i] = M[j][i] - soma;
      }
      if (j < i) {
        M[j][i] = M[j][i] / M[j][j];
      } else {
        const long double pivo = M[i][i];
        if (!(pivo >= 0.0L)) throw EInvalidOp();
        if (pivo == 0.0L) throw EZeroDivide();
        M[i][i] = sqrtl(pivo);
      }
    }
  // Inverse of the factor.
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= i; ++j) {
      if (j < i) {
        long double soma = 0.0L;
        for (int k = j; k <= i - 1; ++k) soma = soma + M[j][k] * M[k][i];
        M[j][i] = -soma / M[i][i];
      } else {
        M[i][i] = 1 / M[i][i];
      }
    }
  // First row of the inverse matrix, then the constant coefficient.
  long double linha1[kNumCoef + 1];
  for (int i = 1; i <= n; ++i) {
    long double s = 0.0L;
    for (int k = i; k <= n; ++k) s = s + M[1][k] * M[i][k];
    linha1[i] = s;
  }
  long double a1 = 0.0L;
  for (int k = 1; k <= n; ++k) a1 = a1 + linha1[k] * U[k];
  return a1;
}

}  // namespace

struct TModeloGeoide::Estado {
  long double ultimoBruto = 0;
};

TModeloGeoide::TModeloGeoide(std::string arquivoGrade)
    : arquivo_(std::move(arquivoGrade)), estado_(std::make_unique<Estado>()) {}

TModeloGeoide::~TModeloGeoide() = default;

std::string TModeloGeoide::CaminhoGrade(const std::string& PastaAplicacao) {
  return PastaAplicacao + kArquivoGrade;
}

void TModeloGeoide::DefinirBomba(std::function<void()> bomba) {
  bomba_ = std::move(bomba);
}

long double TModeloGeoide::UltimoBruto() const {
  return estado_->ultimoBruto;
}

long double TModeloGeoide::ObterOndulacao(long double Lat, long double Lon) {
  if (bomba_) bomba_();
  const std::shared_ptr<const GradeCarregada> grade = ObterGrade(arquivo_);

  const long double rad = GrausParaRadianos();
  const long double e = kEspacamentoGradeMin / 60.0L;
  const long double LatMax = Lat + kGrau * e;
  const long double LonMin = Lon - kGrau * e;
  const long double LonMax = Lon + (kGrau + 1) * e;

  const NoCarregado* tomados[kNumNos];
  const int quantos = grade->Janela(LatMax, LonMin, LonMax, kNumNos, tomados);

  long double X[kNumNos + 1], Y[kNumNos + 1], peso[kNumNos + 1], nNo[kNumNos + 1];
  long double bruto = 0;
  bool coincide = false;
  for (int t = 0; t < quantos; ++t) {
    const NoCarregado& no = *tomados[t];
    const int i = t + 1;
    X[i] = (no.latGraus - Lat) * rad * kRaioTerraM / kFatorEscala;
    Y[i] = no.cosLat * (Lon - no.lonGraus) * rad * kRaioTerraM / kFatorEscala;
    nNo[i] = no.nMetros;
    const long double D = X[i] * X[i] + Y[i] * Y[i];
    if (D == 0.0L) {
      bruto = no.nMetros;
      coincide = true;
      break;
    }
    peso[i] = 1 / D;
  }
  if (!coincide) {
    // The step-by-step scan reaches the bad line before any fit.
    if (grade->TemErro()) throw EConvertError(grade->Erro());
    if (quantos < kNumNos) throw ErroNivora(MensagemPoucosNos(Lat, Lon, quantos, kNumNos));
    bruto = Ajustar(X, Y, peso, nNo);
  }
  estado_->ultimoBruto = bruto;

  const std::string texto = AjustaCampo10(FormatFloat(kMascaraResultado, bruto));
  return StrToFloat(texto);
}

}  // namespace nivora
