// The undulation query: the window, the double estimate where its bound decides, the
// 80-bit fit otherwise, the rounding to millimetres; the block form and the run's grid.
#include "geoid/consulta.hpp"

#include <cmath>
#include <limits>

#include "coords/ponto.hpp"
#include "geoid/ajuste.hpp"
#include "geoid/arquivo.hpp"
#include "geoid/estimativa.hpp"
#include "text/erros.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace nivora {

namespace {

// Mask of the rounding of the result to millimetres.
constexpr const char* kMascaraResultado = "#0.000";

// The 80-bit fit's pivot rule: the errors of the step-by-step reference.
struct PivoEstrito {
  bool operator()(long double pivo, long double) const {
    if (!(pivo >= 0.0L)) throw EOperacaoInvalida();  // negative or NaN
    if (pivo == 0.0L) throw EDivisaoPorZero();       // the next column divides by it
    return true;
  }
};

}  // namespace

void ContagemCaminhos::Contar(CaminhoConsulta caminho) {
  switch (caminho) {
    case CaminhoConsulta::Dupla:
      ++dupla;
      break;
    case CaminhoConsulta::Estendida:
      ++estendida;
      break;
    case CaminhoConsulta::No:
      ++no;
      break;
  }
}

ContagemCaminhos& ContagemCaminhos::operator+=(const ContagemCaminhos& outra) {
  dupla += outra.dupla;
  estendida += outra.estendida;
  no += outra.no;
  recusas += outra.recusas;
  return *this;
}

long double ValorEmMilimetros(long long milimetros) {
  // "12.345" reads back as 12345 / 10^3, one correctly rounded division; "0.000"
  // as +0.
  if (milimetros == 0) return 0.0L;
  return static_cast<long double>(milimetros) / 1000.0L;
}

JanelaPonto BuscarJanela(const GradeCarregada& grade, long double Lat, long double Lon) {
  const long double e = kEspacamentoGradeMin / 60.0L;
  const long double LatMax = Lat + kGrauPolinomio * e;
  const long double LonMin = Lon - kGrauPolinomio * e;
  const long double LonMax = Lon + (kGrauPolinomio + 1) * e;
  JanelaPonto janela;
  janela.quantos = grade.Janela(LatMax, LonMin, LonMax, kNumNos, janela.nos);
  return janela;
}

long double AjusteEstendido(const GradeCarregada& grade, const JanelaPonto& janela,
                            long double Lat, long double Lon, bool& noGrade) {
  noGrade = false;
  const long double rad = GrausParaRadianos();
  JanelaAjuste<long double> a;
  for (int t = 0; t < janela.quantos; ++t) {
    const NoCarregado& no = grade.Nos()[janela.nos[t].indice];
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
  if (grade.TemErro()) throw EGradeDanificada(grade.Erro(), grade.Arquivo(), grade.LinhaErro());
  if (janela.quantos < kNumNos)
    throw EForaDaGrade(MensagemPoucosNos(Lat, Lon, janela.quantos, kNumNos));
  long double a1 = 0;
  Ajustar(a, PivoEstrito{}, a1);
  return a1;
}

TConsultaGrade::TConsultaGrade(std::shared_ptr<const GradeCarregada> grade)
    : grade_(std::move(grade)) {}

long double TConsultaGrade::Consultar(long double Lat, long double Lon, CaminhoConsulta& caminho,
                                      long long& milimetros) const {
  const JanelaPonto janela = BuscarJanela(*grade_, Lat, Lon);
  if (janela.quantos == kNumNos && !grade_->TemErro()) {
    EstimativaLimitada estimativa;
    if (Estimar(*grade_, janela.nos, Lat, Lon, estimativa) &&
        DecidirMilimetros(estimativa, milimetros)) {
      caminho = CaminhoConsulta::Dupla;
      return ValorEmMilimetros(milimetros);
    }
  }
  bool noGrade = false;
  const long double bruto = AjusteEstendido(*grade_, janela, Lat, Lon, noGrade);
  caminho = noGrade ? CaminhoConsulta::No : CaminhoConsulta::Estendida;
  return StrToFloat(AjustaCampo10(FormatFloat(kMascaraResultado, bruto)));
}

long double TConsultaGrade::Ondulacao(long double Lat, long double Lon,
                                      CaminhoConsulta* caminho) const {
  CaminhoConsulta tomado{};
  long long milimetros = 0;
  const long double valor = Consultar(Lat, Lon, tomado, milimetros);
  if (caminho != nullptr) *caminho = tomado;
  return valor;
}

ContagemCaminhos TConsultaGrade::Ondulacoes(const double* lat, const double* lon, std::size_t n,
                                            double* N, std::int32_t* codigo) const {
  // Below this the three-decimal value times 1000 rounds back to its integer.
  constexpr long double kMilimetrosExatos = 1e12L;
  ContagemCaminhos contagem;
  for (std::size_t i = 0; i < n; ++i) {
    bool recusado = false;
    const ErroPonto erro = RecusaLatLonDec(lat[i], lon[i], recusado);
    if (recusado) {
      codigo[i] = erro == ErroPonto::Nenhum ? kCodigoNaoNumero : static_cast<std::int32_t>(erro);
      N[i] = std::numeric_limits<double>::quiet_NaN();
      ++contagem.recusas;
      continue;
    }
    CaminhoConsulta caminho{};
    try {
      long long milimetros = 0;
      const long double valor = Consultar(lat[i], lon[i], caminho, milimetros);
      if (caminho != CaminhoConsulta::Dupla && std::fabs(valor) < kMilimetrosExatos)
        milimetros = std::llround(valor * 1000.0L);
      // The double nearest to the decimal k / 1000: one correctly rounded division.
      N[i] = caminho == CaminhoConsulta::Dupla || std::fabs(valor) < kMilimetrosExatos
                 ? static_cast<double>(milimetros) / 1000.0
                 : static_cast<double>(valor);
      codigo[i] = 0;
      contagem.Contar(caminho);
    } catch (const EForaDaGrade&) {
      codigo[i] = kCodigoForaDaGrade;
      N[i] = std::numeric_limits<double>::quiet_NaN();
      ++contagem.recusas;
    }
  }
  return contagem;
}

TRetratoGrade TRetratoGrade::DoArquivo(const std::string& caminho) {
  try {
    return TRetratoGrade(GradeCarregada::Analisar(LerArquivo(caminho), caminho));
  } catch (...) {
    return TRetratoGrade(std::current_exception());
  }
}

TRetratoGrade::TRetratoGrade(std::shared_ptr<const GradeCarregada> grade)
    : consulta_(std::make_shared<const TConsultaGrade>(std::move(grade))) {}

TRetratoGrade::TRetratoGrade(std::exception_ptr erro) : erro_(std::move(erro)) {}

long double TRetratoGrade::ObterOndulacao(long double Lat, long double Lon) const {
  if (!consulta_) std::rethrow_exception(erro_);
  return consulta_->Ondulacao(Lat, Lon);
}

TModeloGeoide::TModeloGeoide(TCacheGrade& cache) : cache_(cache), leitor_(cache) {}

std::string TModeloGeoide::CaminhoGrade(const std::string& PastaAplicacao) {
  return PastaAplicacao + kArquivoGrade;
}

long double TModeloGeoide::ObterOndulacao(long double Lat, long double Lon) {
  return TConsultaGrade(cache_.Obter(leitor_)).Ondulacao(Lat, Lon);
}

TRetratoGrade TModeloGeoide::Retrato() {
  try {
    return TRetratoGrade(cache_.Obter(leitor_));
  } catch (...) {
    return TRetratoGrade(std::current_exception());
  }
}

}  // namespace nivora
