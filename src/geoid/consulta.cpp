// The undulation query: window, double estimate, 80-bit fit where that cannot decide, rounding.
#include "geoid/consulta.hpp"

#include <cmath>

#include "geoid/ajuste.hpp"
#include "geoid/grade.hpp"
#include "text/erros.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace nivora {

namespace {

// Mask of the rounding of the result to millimetres.
constexpr const char* kMascaraResultado = "#0.000";

// The range in which the double estimate was validated against the 80-bit fit;
// a window outside it goes to the 80-bit fit:
//   - every node N finite and within +-kNMaximoM metres;
//   - every node at a squared plane distance D = X^2 + Y^2 in [kDMinimo, kDMaximo].
//     Over the shipped grid a window spans D from about 1e-35 (a point one ulp off a
//     node) to 2.8; kDMinimo keeps 1 / D and every product of the normal matrix far
//     inside the double range, and also means that no node coincides with the point
//     in 80 bits. Farther nodes only come from grids out of order;
//   - every Cholesky pivot positive and at least kRazaoPivoMinima times the diagonal
//     entry of the normal matrix it came from. A small ratio means that the pivot
//     lost its leading digits to cancellation: an ill-conditioned window. Over the
//     shipped grid (200,000 windows, half of them 1e-1 to 1e-17 degrees from a node)
//     the smallest ratio was 0.067.
constexpr double kNMaximoM = 1000.0;
constexpr double kDMinimo = 1e-100;
constexpr double kDMaximo = 4;
constexpr double kRazaoPivoMinima = 1e-3;

// The safety margin. The estimate e decides the result when |e| * 1000 lies more
// than kMargemMm from a rounding boundary k + 0.5 (millimetres), that is e more than
// 1e-9 m from x.xxx5.
//
// Why it is safe: the result is the 80-bit value r written with "#0.000", that is r
// taken to 18 significant digits (which moves it by at most 5e-16 m for |r| < 1000)
// and then rounded half away from zero; computing |e| * 1000 in double adds at most
// 1.2e-10 mm. So whenever |e - r| < 1e-9 m - 1e-12 m, e and r lie on the same side of
// every boundary, give the same millimetres, and the same sign whenever those are
// not zero. The bound relied on is |e - r| <= 1e-11 m inside the validated range.
// Measured by bench/soak.sh against the 80-bit fit (figures in the README,
// Performance): over 1e8 points of the shipped grid and of synthetic grids (near
// nodes down to an ulp, at rounding boundaries, six-node bands, constant, rough,
// shuffled and large values) the largest |e - r| was 2.2e-12 m, with |N| near
// 1000 m, and 1.4e-13 m on the shipped grid; no result differed. The margin is 100
// times the bound and 450 times the largest difference measured.
constexpr double kMargemMm = 1e-6;
// |N| at which the estimate hands over to the 80-bit fit, in millimetres.
constexpr double kMmMaximo = kNMaximoM * 1000.0;

// The 80-bit fit's pivot rule: the errors of the step-by-step reference.
struct PivoEstrito {
  bool operator()(long double pivo, long double) const {
    if (!(pivo >= 0.0L)) throw EOperacaoInvalida();  // negative or NaN
    if (pivo == 0.0L) throw EDivisaoPorZero();       // the next column divides by it
    return true;
  }
};

// The estimate's pivot rule: only clearly positive pivots (see above).
struct PivoVigiado {
  bool operator()(double pivo, double diagonal) const {
    return pivo > 0.0 && pivo >= kRazaoPivoMinima * diagonal;
  }
};

}  // namespace

bool DecidirMilimetros(double estimativa, long long& milimetros) {
  const double mm = std::fabs(estimativa) * 1000.0;
  if (!(mm < kMmMaximo)) return false;  // NaN too
  const double inteiros = std::floor(mm);
  const double resto = mm - inteiros;  // exact
  if (std::fabs(resto - 0.5) <= kMargemMm) return false;
  const auto absolutos = static_cast<long long>(inteiros) + (resto > 0.5 ? 1 : 0);
  milimetros = estimativa < 0 ? -absolutos : absolutos;
  return true;
}

long double ValorEmMilimetros(long long milimetros) {
  // "12.345" reads back as 12345 / 10^3, one correctly rounded division; "0.000"
  // as +0.
  if (milimetros == 0) return 0.0L;
  return static_cast<long double>(milimetros) / 1000.0L;
}

struct TModeloGeoide::Janela {
  const GradeCarregada* grade = nullptr;
  NoJanela nos[kNumNos];
  int quantos = 0;
};

TModeloGeoide::TModeloGeoide(TCacheGrade& cache) : cache_(cache), leitor_(cache) {}

std::string TModeloGeoide::CaminhoGrade(const std::string& PastaAplicacao) {
  return PastaAplicacao + kArquivoGrade;
}

void TModeloGeoide::DefinirBomba(std::function<void()> bomba) {
  bomba_ = std::move(bomba);
}

void TModeloGeoide::Preparar(long double Lat, long double Lon, Janela& janela) {
  janela.grade = &cache_.Obter(leitor_);
  const long double e = kEspacamentoGradeMin / 60.0L;
  const long double LatMax = Lat + kGrauPolinomio * e;
  const long double LonMin = Lon - kGrauPolinomio * e;
  const long double LonMax = Lon + (kGrauPolinomio + 1) * e;
  janela.quantos = janela.grade->Janela(LatMax, LonMin, LonMax, kNumNos, janela.nos);
}

long double TModeloGeoide::Estendida(const Janela& janela, long double Lat, long double Lon,
                                     bool& noGrade) {
  const long double rad = GrausParaRadianos();
  JanelaAjuste<long double> a;
  for (int t = 0; t < janela.quantos; ++t) {
    const NoCarregado& no = janela.grade->Nos()[janela.nos[t].indice];
    const int i = t + 1;
    a.X[i] = (no.latGraus - Lat) * rad * kRaioTerraM / kFatorEscala;
    a.Y[i] = no.cosLat * (Lon - no.lonGraus) * rad * kRaioTerraM / kFatorEscala;
    a.n[i] = no.nMetros;
    const long double D = a.X[i] * a.X[i] + a.Y[i] * a.Y[i];
    if (D == 0.0L) {
      noGrade = true;
      return no.nMetros;
    }
    a.peso[i] = 1 / D;
  }
  // The step-by-step scan reaches the bad line before any fit.
  if (janela.grade->TemErro()) {
    throw EGradeDanificada(janela.grade->Erro(), cache_.Caminho(), janela.grade->LinhaErro());
  }
  if (janela.quantos < kNumNos)
    throw ErroNivora(MensagemPoucosNos(Lat, Lon, janela.quantos, kNumNos));
  long double a1 = 0;
  Ajustar(a, PivoEstrito{}, a1);
  return a1;
}

namespace {

// The estimate from a full window of a grid without errors; false outside the
// validated range.
bool Estimar(const GradeCarregada& grade, const NoJanela* nos, long double Lat, long double Lon,
             double& n) {
  const double rad = static_cast<double>(GrausParaRadianos());
  const double raio = static_cast<double>(kRaioTerraM);
  const double escala = static_cast<double>(kFatorEscala);
  JanelaAjuste<double> a;
  for (int t = 0; t < kNumNos; ++t) {
    const NoBusca& no = grade.Busca()[nos[t].indice];
    const int i = t + 1;
    if (!(std::fabs(no.nMetros) <= kNMaximoM)) return false;
    // The differences in 80 bits, where they are exact for nearby values: a point
    // near a node keeps all the digits of its small offset.
    const auto dLat = static_cast<double>(nos[t].latGraus - Lat);
    const auto dLon = static_cast<double>(Lon - no.lonGraus);
    a.X[i] = dLat * rad * raio / escala;
    a.Y[i] = no.cosLat * dLon * rad * raio / escala;
    a.n[i] = no.nMetros;
    const double D = a.X[i] * a.X[i] + a.Y[i] * a.Y[i];
    if (!(D >= kDMinimo && D <= kDMaximo)) return false;
    a.peso[i] = 1 / D;
  }
  return Ajustar(a, PivoVigiado{}, n);
}

}  // namespace

long double TModeloGeoide::ObterOndulacao(long double Lat, long double Lon) {
  if (bomba_) bomba_();
  try {
    Janela janela;
    Preparar(Lat, Lon, janela);
    bool emFaixa = false;
    if (janela.quantos == kNumNos && !janela.grade->TemErro()) {
      double estimativa = 0;
      if (Estimar(*janela.grade, janela.nos, Lat, Lon, estimativa)) {
        emFaixa = true;
        long long milimetros = 0;
        if (DecidirMilimetros(estimativa, milimetros)) {
          ++caminhos_.dupla;
          return ValorEmMilimetros(milimetros);
        }
      }
    }
    bool noGrade = false;
    const long double bruto = Estendida(janela, Lat, Lon, noGrade);
    ++(noGrade ? caminhos_.no : emFaixa ? caminhos_.margem : caminhos_.faixa);
    return StrToFloat(AjustaCampo10(FormatFloat(kMascaraResultado, bruto)));
  } catch (...) {
    ++caminhos_.falhas;
    throw;
  }
}

long double TModeloGeoide::OndulacaoEstendida(long double Lat, long double Lon) {
  Janela janela;
  Preparar(Lat, Lon, janela);
  bool noGrade = false;
  return Estendida(janela, Lat, Lon, noGrade);
}

std::optional<double> TModeloGeoide::Estimativa(long double Lat, long double Lon) {
  Janela janela;
  Preparar(Lat, Lon, janela);
  double n = 0;
  if (janela.quantos == kNumNos && !janela.grade->TemErro() &&
      Estimar(*janela.grade, janela.nos, Lat, Lon, n))
    return n;
  return std::nullopt;
}

}  // namespace nivora
