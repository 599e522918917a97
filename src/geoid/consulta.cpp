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

long double ValorEmMilimetros(long long milimetros) {
  // "12.345" reads back as 12345 / 10^3, one correctly rounded division; "0.000"
  // as +0.
  if (milimetros == 0) return 0.0L;
  return static_cast<long double>(milimetros) / 1000.0L;
}

namespace {

// The band of a point's window: LatMax = Lat + 2e, LonMin = Lon - 2e, LonMax = Lon + 3e,
// e the spacing in degrees, all in extended precision.
struct Banda {
  long double latMax, lonMin, lonMax;
  Banda(long double Lat, long double Lon) {
    const long double e = kEspacamentoGradeMin / 60.0L;
    latMax = Lat + kGrauPolinomio * e;
    lonMin = Lon - kGrauPolinomio * e;
    lonMax = Lon + (kGrauPolinomio + 1) * e;
  }
};

}  // namespace

JanelaPonto BuscarJanela(const GradeCarregada& grade, long double Lat, long double Lon) {
  const Banda banda(Lat, Lon);
  JanelaPonto janela;
  janela.quantos = grade.Janela(banda.latMax, banda.lonMin, banda.lonMax, kNumNos, janela.nos);
  return janela;
}

long double AjusteEstendido(const GradeCarregada& grade, const JanelaPonto& janela, long double Lat,
                            long double Lon, bool& noGrade) {
  noGrade = false;
  const long double rad = GrausParaRadianos();
  JanelaAjuste a;
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
  return Ajustar(a);
}

TConsultaGrade::TConsultaGrade(std::shared_ptr<const GradeCarregada> grade)
    : grade_(std::move(grade)) {}

long double TConsultaGrade::Consultar(long double Lat, long double Lon, CaminhoConsulta& caminho,
                                      long long& milimetros) const {
  return Consultar(Lat, Lon, BuscarJanela(*grade_, Lat, Lon), caminho, milimetros);
}

long double TConsultaGrade::Consultar(long double Lat, long double Lon, const JanelaPonto& janela,
                                      CaminhoConsulta& caminho, long long& milimetros) const {
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

namespace {

// Below this the three-decimal value times 1000 rounds back to its integer.
constexpr long double kMilimetrosExatos = 1e12L;

// The double nearest to the decimal the query's result stands for.
double DuplaDoResultado(long double valor, CaminhoConsulta caminho, long long milimetros) {
  if (caminho != CaminhoConsulta::Dupla) {
    if (!(std::fabs(valor) < kMilimetrosExatos)) return static_cast<double>(valor);
    milimetros = std::llround(valor * 1000.0L);
  }
  // k / 1000 in one correctly rounded division.
  return static_cast<double>(milimetros) / 1000.0;
}

// One group of points of the block form: their refusals, and where their windows
// start (located, and their memory asked for, one group ahead).
struct Grupo {
  std::size_t inicio = 0, fim = 0;
  long double Lat[kLarguraLote], Lon[kLarguraLote];
  bool aceito[kLarguraLote];
  LocalJanela local[kLarguraLote];
  // On a lattice: whether each window is a block of it, and the block's first row and column.
  bool bloco[kLarguraLote];
  std::size_t linha[kLarguraLote], coluna[kLarguraLote];
};

}  // namespace

template <class Ponto, class Decidido, class Consultado>
bool TConsultaGrade::Percorrer(std::size_t n, Ponto&& ponto, Decidido&& decidido,
                               Consultado&& consultado) const {
  constexpr std::size_t W = kLarguraLote;
  const bool semErro = !grade_->TemErro();
  // Which points to query, and the first step of their windows' search.
  auto localizar = [&](Grupo& g, std::size_t inicio) {
    g.inicio = inicio;
    g.fim = std::min(n, inicio + W);
    for (std::size_t i = g.inicio; i < g.fim; ++i) {
      const std::size_t k = i - g.inicio;
      g.aceito[k] = ponto(i, g.Lat[k], g.Lon[k]);
      if (!g.aceito[k]) continue;
      const Banda banda(g.Lat[k], g.Lon[k]);
      g.local[k] = grade_->Localizar(banda.latMax, banda.lonMin);
    }
  };
  // On a lattice, a group whose windows are all blocks of the lattice: each window is
  // two numbers (Localizar is not needed), and the estimate reads the block directly.
  auto blocos = [&](Grupo& g, std::size_t inicio) {
    g.inicio = inicio;
    g.fim = std::min(n, inicio + W);
    bool todos = g.fim - g.inicio == W;
    for (std::size_t i = g.inicio; i < g.fim; ++i) {
      const std::size_t k = i - g.inicio;
      g.aceito[k] = ponto(i, g.Lat[k], g.Lon[k]);
      if (!g.aceito[k]) {
        todos = false;
        continue;
      }
      const Banda banda(g.Lat[k], g.Lon[k]);
      g.bloco[k] = grade_->JanelaReticulado(banda.latMax, banda.lonMin, banda.lonMax, g.linha[k],
                                            g.coluna[k]);
      if (g.bloco[k]) grade_->PrefetchBloco(g.linha[k], g.coluna[k]);
      todos = todos && g.bloco[k];
    }
    return todos;
  };
  // The points of `g` the estimate did not decide, one by one (the whole query, in order).
  auto restantes = [&](Grupo& g, const bool* feito, JanelaPonto* janelas) {
    for (std::size_t k = 0; k < g.fim - g.inicio; ++k) {
      if (!g.aceito[k] || feito[k]) continue;
      if (janelas == nullptr) {
        JanelaPonto janela = BuscarJanela(*grade_, g.Lat[k], g.Lon[k]);
        if (!consultado(g.inicio + k, [&](CaminhoConsulta& caminho, long long& milimetros) {
              return Consultar(g.Lat[k], g.Lon[k], janela, caminho, milimetros);
            }))
          return false;
      } else if (!consultado(g.inicio + k, [&](CaminhoConsulta& caminho, long long& milimetros) {
                   return Consultar(g.Lat[k], g.Lon[k], janelas[k], caminho, milimetros);
                 })) {
        return false;
      }
    }
    return true;
  };
  // What the estimates of a group decided.
  auto decidir = [&](const Grupo& g, const EstimativaLimitada* estimativas, const bool* dada,
                     bool* feito) {
    for (std::size_t k = 0; k < W; ++k) {
      long long milimetros = 0;
      feito[k] = dada[k] && DecidirMilimetros(estimativas[k], milimetros);
      if (feito[k]) decidido(g.inicio + k, milimetros);
    }
  };
  const bool reticulado = grade_->Reticulado() && semErro;
  Grupo grupos[2];
  bool todosBlocos[2] = {};
  if (reticulado)
    todosBlocos[0] = blocos(grupos[0], 0);
  else
    localizar(grupos[0], 0);
  for (std::size_t vez = 0, inicio = 0; inicio < n; ++vez, inicio += W) {
    Grupo& g = grupos[vez % 2];
    bool feito[W] = {};
    if (reticulado) {
      // The next group's blocks first, so that their memory comes meanwhile.
      todosBlocos[(vez + 1) % 2] = blocos(grupos[(vez + 1) % 2], inicio + W);
      if (todosBlocos[vez % 2]) {
        EstimativaLimitada estimativas[W];
        bool dada[W];
        if (EstimarLoteReticulado(*grade_, g.linha, g.coluna, g.Lat, g.Lon, estimativas, dada) > 0)
          decidir(g, estimativas, dada, feito);
      }
      if (!restantes(g, feito, nullptr)) return false;
      continue;
    }
    localizar(grupos[(vez + 1) % 2], inicio + W);
    JanelaPonto janelas[W];
    std::size_t cheias = 0;
    for (std::size_t k = 0; k < g.fim - g.inicio; ++k) {
      if (!g.aceito[k]) continue;
      const Banda banda(g.Lat[k], g.Lon[k]);
      janelas[k].quantos = grade_->Janela(g.local[k], banda.latMax, banda.lonMin, banda.lonMax,
                                          kNumNos, janelas[k].nos);
      cheias += janelas[k].quantos == kNumNos;
    }
    // A whole group of full windows: estimated side by side.
    if (cheias == W && semErro) {
      const NoJanela* nos[W];
      for (std::size_t k = 0; k < W; ++k) nos[k] = janelas[k].nos;
      EstimativaLimitada estimativas[W];
      bool dada[W];
      if (EstimarLote(*grade_, nos, g.Lat, g.Lon, estimativas, dada) > 0)
        decidir(g, estimativas, dada, feito);
    }
    if (!restantes(g, feito, janelas)) return false;
  }
  return true;
}

ContagemCaminhos TConsultaGrade::Ondulacoes(const double* lat, const double* lon, std::size_t n,
                                            double* N, std::int32_t* codigo) const {
  return OndulacoesDe(lat, lon, n, N, codigo);
}

ContagemCaminhos TConsultaGrade::Ondulacoes(const long double* lat, const long double* lon,
                                            std::size_t n, double* N, std::int32_t* codigo) const {
  return OndulacoesDe(lat, lon, n, N, codigo);
}

template <class T>
ContagemCaminhos TConsultaGrade::OndulacoesDe(const T* lat, const T* lon, std::size_t n, double* N,
                                              std::int32_t* codigo) const {
  ContagemCaminhos contagem;
  auto recusar = [&](std::size_t i, std::int32_t c) {
    codigo[i] = c;
    N[i] = std::numeric_limits<double>::quiet_NaN();
    ++contagem.recusas;
  };
  Percorrer(
      n,
      [&](std::size_t i, long double& Lat, long double& Lon) {
        bool recusado = false;
        const ErroPonto erro = RecusaLatLonDec(lat[i], lon[i], recusado);
        if (recusado) {
          recusar(i,
                  erro == ErroPonto::Nenhum ? kCodigoNaoNumero : static_cast<std::int32_t>(erro));
          return false;
        }
        Lat = lat[i];
        Lon = lon[i];
        return true;
      },
      [&](std::size_t i, long long milimetros) {
        N[i] = DuplaDoResultado(0, CaminhoConsulta::Dupla, milimetros);
        codigo[i] = 0;
        contagem.Contar(CaminhoConsulta::Dupla);
      },
      [&](std::size_t i, auto&& consultar) {
        CaminhoConsulta caminho{};
        try {
          long long milimetros = 0;
          const long double valor = consultar(caminho, milimetros);
          N[i] = DuplaDoResultado(valor, caminho, milimetros);
          codigo[i] = 0;
          contagem.Contar(caminho);
        } catch (const EForaDaGrade&) {
          recusar(i, kCodigoForaDaGrade);
        }
        return true;
      });
  return contagem;
}

std::size_t TConsultaGrade::OndulacoesEstendidas(const long double* lat, const long double* lon,
                                                 std::size_t n, long double* N,
                                                 std::exception_ptr& erro) const {
  std::size_t falha = n;
  Percorrer(
      n,
      [&](std::size_t i, long double& Lat, long double& Lon) {
        Lat = lat[i];
        Lon = lon[i];
        return true;
      },
      [&](std::size_t i, long long milimetros) { N[i] = ValorEmMilimetros(milimetros); },
      [&](std::size_t i, auto&& consultar) {
        try {
          CaminhoConsulta caminho{};
          long long milimetros = 0;
          N[i] = consultar(caminho, milimetros);
          return true;
        } catch (...) {
          erro = std::current_exception();
          falha = i;
          return false;
        }
      });
  return falha;
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
