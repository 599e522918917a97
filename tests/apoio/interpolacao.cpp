// The literal reference: the undulation fit, step by step.
#include "apoio/interpolacao.hpp"

#include <cmath>

#include "geoid/arquivo.hpp"
#include "geoid/consulta.hpp"
#include "geoid/estimativa.hpp"
#include "geoid/formato_no.hpp"
#include "geoid/grade.hpp"
#include "text/erros.hpp"

namespace nivora {

long double CalculaMonomio(std::int32_t d, std::int32_t j, long double X, long double Y) {
  const std::int32_t p = (j - 1) / (d + 1);
  const std::int32_t q = (j - 1) - p * (d + 1);
  long double potenciaX = 1.0L;
  for (std::int32_t k = 1; k <= p; ++k) potenciaX = potenciaX * X;
  long double potenciaY = 1.0L;
  for (std::int32_t k = 1; k <= q; ++k) potenciaY = potenciaY * Y;
  return potenciaX * potenciaY;
}

void TInterpolador::Processar(const std::vector<std::string>& ListaGrade) {
  const long double rad = GrausParaRadianos();
  const std::int32_t d = GrauPolinomio;
  NumCoef = (d + 1) * (d + 1);
  NumNos = (2 * d + 1) * (2 * d + 1);
  const long double e = EspacamentoGrade / 60.0L;
  const long double LatMax = LatPonto + d * e;
  const long double LonMin = LonPonto - d * e;
  const long double LonMax = LonPonto + (d + 1) * e;

  std::int32_t i = 1;
  for (const std::string& linha : ListaGrade) {
    const TNoGrade no = LerNo(linha);
    const long double phi = no.Lat;
    const long double lambda = no.Lon;
    if (!(phi <= LatMax && lambda >= LonMin && lambda <= LonMax && i <= NumNos)) continue;
    const long double X = (phi - LatPonto) * rad * RaioTerra / FatorEscala;
    const long double Y = cosl(phi * rad) * (LonPonto - lambda) * rad * RaioTerra / FatorEscala;
    CoordNorte[i] = X;
    CoordLeste[i] = Y;
    OndulacaoNos[i] = no.N;
    const long double D = X * X + Y * Y;
    if (D == 0.0L) {
      Coeficientes[1] = no.N;
      return;
    }
    Pesos[i] = 1 / D;
    i = i + 1;
  }
  // Slots left empty would carry an earlier run's nodes: refuse the point instead.
  if (i - 1 < NumNos) throw EForaDaGrade(MensagemPoucosNos(LatPonto, LonPonto, i - 1, NumNos));

  for (std::int32_t r = 1; r <= NumNos; ++r)
    for (std::int32_t j = 1; j <= NumCoef; ++j)
      MatrizA[r][j] = CalculaMonomio(d, j, CoordNorte[r], CoordLeste[r]);
  Transpoe();
  for (std::int32_t j = 1; j <= NumCoef; ++j)
    for (std::int32_t k = 1; k <= NumNos; ++k) MatrizAtP[j][k] = MatrizAt[j][k] * Pesos[k];
  MultiplicaMatrizes();
  MultiplicaMatrizVetor();
  InverteMatriz();
  CalculaCoeficientes();
}

void TInterpolador::Transpoe() {
  for (std::int32_t i = 1; i <= NumNos; ++i)
    for (std::int32_t j = 1; j <= NumCoef; ++j) MatrizAt[j][i] = MatrizA[i][j];
}

void TInterpolador::MultiplicaMatrizes() {
  for (std::int32_t r = 1; r <= NumCoef; ++r)
    for (std::int32_t c = 1; c <= NumCoef; ++c) {
      long double soma = 0.0L;
      for (std::int32_t k = 1; k <= NumNos; ++k) soma = soma + MatrizAtP[r][k] * MatrizA[k][c];
      MatrizN[r][c] = soma;
    }
}

void TInterpolador::MultiplicaMatrizVetor() {
  for (std::int32_t r = 1; r <= NumCoef; ++r) {
    long double soma = 0.0L;
    for (std::int32_t k = 1; k <= NumNos; ++k) soma = soma + MatrizAtP[r][k] * OndulacaoNos[k];
    VetorU[r] = soma;
  }
}

void TInterpolador::InverteMatriz() {
  const std::int32_t n = NumCoef;
  auto& M = MatrizN;
  // Cholesky factor M = U'U into the upper triangle, column by column.
  for (std::int32_t i = 1; i <= n; ++i)
    for (std::int32_t j = 1; j <= i; ++j) {
      if (j > 1) {
        long double soma = 0.0L;
        for (std::int32_t k = 1; k <= j - 1; ++k) soma = soma + M[k][j] * M[k][i];
        M[j][i] = M[j][i] - soma;
      }
      if (j < i) {
        M[j][i] = M[j][i] / M[j][j];
      } else {
        const long double pivo = M[i][i];
        if (!(pivo >= 0.0L)) throw EOperacaoInvalida();  // negative or NaN
        if (pivo == 0.0L) throw EDivisaoPorZero();       // the next column divides by it
        M[i][i] = sqrtl(pivo);
      }
    }
  // V = U^-1 in place.
  for (std::int32_t i = 1; i <= n; ++i)
    for (std::int32_t j = 1; j <= i; ++j) {
      if (j < i) {
        long double soma = 0.0L;
        for (std::int32_t k = j; k <= i - 1; ++k) soma = soma + M[j][k] * M[k][i];
        M[j][i] = -soma / M[i][i];
      } else {
        M[i][i] = 1 / M[i][i];
      }
    }
  // M^-1 = V V'.
  for (std::int32_t i = 1; i <= n; ++i)
    for (std::int32_t j = 1; j <= i; ++j) {
      long double s = 0.0L;
      for (std::int32_t k = i; k <= n; ++k) s = s + M[j][k] * M[i][k];
      M[j][i] = s;
      if (j != i) M[i][j] = s;
    }
}

void TInterpolador::CalculaCoeficientes() {
  for (std::int32_t r = 1; r <= NumCoef; ++r) {
    long double soma = 0.0L;
    for (std::int32_t k = 1; k <= NumCoef; ++k) soma = soma + MatrizN[r][k] * VetorU[k];
    Coeficientes[r] = soma;
  }
}

long double TInterpolador::OndulacaoBruta(const std::string& arquivoGrade, long double Lat,
                                          long double Lon) {
  EspacamentoGrade = kEspacamentoGradeMin;
  LatPonto = Lat;
  LonPonto = Lon;
  const std::vector<std::string> ListaGrade = CarregarLinhas(arquivoGrade);
  Processar(ListaGrade);
  return Coeficientes[1];
}

long double OndulacaoEstendida(const GradeCarregada& grade, long double Lat, long double Lon) {
  bool noGrade = false;
  return AjusteEstendido(grade, BuscarJanela(grade, Lat, Lon), Lat, Lon, noGrade);
}

bool EstimativaDupla(const GradeCarregada& grade, long double Lat, long double Lon, double& valor,
                     double& limite) {
  const JanelaPonto janela = BuscarJanela(grade, Lat, Lon);
  EstimativaLimitada estimativa;
  if (janela.quantos < kNumNos || grade.TemErro() ||
      !Estimar(grade, janela.nos, Lat, Lon, estimativa))
    return false;
  valor = estimativa.valor;
  limite = estimativa.limite;
  return true;
}

}  // namespace nivora
