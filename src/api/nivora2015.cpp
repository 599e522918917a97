// The library's public face: the model object over the grid cache, one version of the
// grid for const queries, the block forms and their threads.
#include "nivora2015/nivora2015.hpp"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <limits>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "coords/ponto.hpp"
#include "geoid/cache.hpp"
#include "geoid/consulta.hpp"
#include "geoid/modelo.hpp"
#include "text/cp1252.hpp"
#include "text/numeros.hpp"

#ifndef NIVORA_DADOS_RELATIVO
#define NIVORA_DADOS_RELATIVO "../share"
#endif
#ifndef NIVORA_DADOS_ABSOLUTO
#define NIVORA_DADOS_ABSOLUTO "/usr/share"
#endif

namespace nivora2015 {

namespace {

constexpr const char* kGradeSobDados = "/nivora2015/grid/NIVORA2015_SIRGAS2000.txt";
constexpr const char* kMascaraAltura = "#0.000";
// Below this many points a block is not worth another thread.
constexpr std::size_t kPontosPorThreadMinimo = 4096;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The double nearest to the decimal that the mask "#0.000" writes for `valor`.
double DuplaDoTexto(long double valor) {
  const std::string texto = nivora::FormatFloat(kMascaraAltura, valor);
  double d = 0;
  std::from_chars(texto.data(), texto.data() + texto.size(), d);
  return d;
}

// Points converted to their text's extended values at a time (memory per thread).
constexpr std::size_t kSubbloco = 1024;

[[noreturn]] void Recusar(Codigo codigo) {
  throw EPontoRecusado(codigo, nivora::Utf8ParaCp1252(MensagemCodigo(codigo)));
}

// Points a thread takes at a time: threads that finish early take more, so that a
// core slowed by other work does not hold the others up at the end.
constexpr std::size_t kPontosPorPedaco = std::size_t{1} << 16;

// Runs `parte(inicio, fim)` over [0, n) in pieces, on up to `threads` threads (0: one
// per core); the first exception, by position, is rethrown after every thread has ended.
template <class Parte>
void Dividir(std::size_t n, unsigned threads, Parte&& parte) {
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t porPedaco =
      std::max(kPontosPorThreadMinimo,
               std::min(kPontosPorPedaco, (n + threads - 1) / std::max(1u, threads)));
  const std::size_t pedacos = n == 0 ? 0 : (n + porPedaco - 1) / porPedaco;
  if (pedacos <= 1) {
    parte(0, n);
    return;
  }
  std::vector<std::exception_ptr> erros(pedacos);
  std::atomic<std::size_t> proximo{0};
  auto executar = [&] {
    for (std::size_t k; (k = proximo.fetch_add(1, std::memory_order_relaxed)) < pedacos;) {
      try {
        parte(k * porPedaco, std::min(n, (k + 1) * porPedaco));
      } catch (...) {
        erros[k] = std::current_exception();
      }
    }
  };
  const std::size_t quantas = std::min<std::size_t>(threads, pedacos);
  std::vector<std::thread> trabalhos;
  trabalhos.reserve(quantas - 1);
  for (std::size_t k = 1; k < quantas; ++k) trabalhos.emplace_back(executar);
  executar();
  for (std::thread& t : trabalhos) t.join();
  for (const std::exception_ptr& e : erros)
    if (e) std::rethrow_exception(e);
}

void Somar(Contagem& total, const nivora::ContagemCaminhos& c) {
  total.recusados += c.recusas;
  total.porEstimativa += c.dupla;
  total.porAjuste80 += c.estendida;
  total.emNo += c.no;
  total.aceitos += c.dupla + c.estendida + c.no;
}

}  // namespace

std::string MensagemCodigo(Codigo codigo) {
  switch (codigo) {
    case Codigo::Aceito:
      return {};
    case Codigo::ForaDaGrade:
      return "Ponto fora da cobertura da grade: faltam n\xC3\xB3s da grade ao redor do ponto.";
    case Codigo::NaoNumero:
      return nivora::Cp1252ParaUtf8(nivora::MensagemErro(nivora::ErroPonto::Nenhum)) +
             " (coordenada ou altura que n\xC3\xA3o \xC3\xA9 n\xC3\xBAmero)";
    default:
      return nivora::Cp1252ParaUtf8(nivora::MensagemErro(static_cast<nivora::ErroPonto>(codigo)));
  }
}

std::string MensagemUtf8(const std::exception& erro) {
  return nivora::MensagemParaUtf8(erro.what());
}

Gms DecimalParaGms(double graus) {
  if (!std::isfinite(graus)) Recusar(Codigo::NaoNumero);
  // Whole degrees are a 32-bit integer, as in the degrees field; beyond it the
  // field's own message, never a clamped value.
  if (std::fabs(graus) >= 2147483648.0) {
    char texto[400];
    std::snprintf(texto, sizeof texto, "%.0f", std::trunc(graus));
    throw nivora::EConversao("'" + std::string(texto) + "' is not a valid integer value");
  }
  nivora::TPonto ponto;  // the latitude's derivation, whose text keeps the sign of 0 degrees
  Gms gms;
  nivora::DecimalParaGMS(graus, gms.graus, gms.minutos, ponto.SegLat);
  gms.negativo = graus < 0;
  gms.graus = std::abs(gms.graus);
  if (gms.negativo) ponto.SinalLat.push_back('-');
  ponto.GrauLat = gms.graus;
  ponto.MinLat = gms.minutos;
  gms.segundos = static_cast<double>(ponto.SegLat);
  gms.texto = ponto.LatGMSTexto();
  return gms;
}

double GmsParaDecimal(const std::string& texto) {
  std::istringstream partes(texto);
  std::string g, m, s, resto;
  if (!(partes >> g >> m >> s) || (partes >> resto))
    throw nivora::EConversao("'" + texto +
                             "' n\xE3o \xE9 uma coordenada GMS (graus minutos segundos)");
  const std::int32_t graus = nivora::StrToInt(g);
  const std::int32_t minutos = nivora::StrToInt(m);
  const long double segundos = nivora::StrToFloat(s);
  if (minutos < 0 || minutos > 59) Recusar(Codigo::MinutoLatitude);
  if (!(segundos >= 0 && segundos < 60)) Recusar(Codigo::SegundoLatitude);
  const bool negativo = g.front() == '-';
  const double magnitude =
      nivora::GMSParaDecimalAbs(graus, minutos, static_cast<double>(segundos));  // |graus| inside
  return negativo ? -magnitude : magnitude;
}

struct Grade::Dados {
  explicit Dados(std::shared_ptr<const nivora::GradeCarregada> grade)
      : consulta(std::move(grade)) {}
  nivora::TConsultaGrade consulta;
};

Grade::Grade(std::shared_ptr<const Dados> dados) : dados_(std::move(dados)) {}

const std::string& Grade::Arquivo() const {
  return dados_->consulta.Grade().Arquivo();
}

double Grade::Ondulacao(double latGraus, double lonGraus) const {
  double n = 0;
  std::int32_t codigo = 0;
  const long double lat = nivora::ComoTexto(latGraus), lon = nivora::ComoTexto(lonGraus);
  dados_->consulta.Ondulacoes(&lat, &lon, 1, &n, &codigo);
  if (codigo == nivora::kCodigoForaDaGrade) {
    // The query's own words, which name the point and the nodes it found.
    try {
      dados_->consulta.Ondulacao(lat, lon);
    } catch (const nivora::EForaDaGrade& e) {
      throw EPontoRecusado(Codigo::ForaDaGrade, e.what());
    }
  }
  if (codigo != 0) Recusar(static_cast<Codigo>(codigo));
  return n;
}

double Grade::OutraAltura(double latGraus, double lonGraus, double altura, Altura tipo) const {
  double saida = 0;
  std::int32_t codigo = 0;
  OutrasAlturas(&latGraus, &lonGraus, &altura, 1, tipo, &saida, &codigo, 1);
  if (codigo != 0) Recusar(static_cast<Codigo>(codigo));
  return saida;
}

Contagem Grade::Ondulacoes(const double* lat, const double* lon, std::size_t n, double* N,
                           std::int32_t* codigos, unsigned threads) const {
  std::mutex trava;
  Contagem total;
  Dividir(n, threads, [&](std::size_t inicio, std::size_t fim) {
    // The coordinates as the program reads their text, then the block form.
    long double la[kSubbloco], lo[kSubbloco];
    nivora::ContagemCaminhos c;
    for (std::size_t a = inicio; a < fim; a += kSubbloco) {
      const std::size_t m = std::min(kSubbloco, fim - a);
      nivora::ComoTextos(lat + a, m, la);
      nivora::ComoTextos(lon + a, m, lo);
      c += dados_->consulta.Ondulacoes(la, lo, m, N + a, codigos + a);
    }
    const std::lock_guard<std::mutex> guarda(trava);
    Somar(total, c);
  });
  return total;
}

Contagem Grade::OutrasAlturas(const double* lat, const double* lon, const double* altura,
                              std::size_t n, Altura tipo, double* saida, std::int32_t* codigos,
                              unsigned threads) const {
  return Alturas(lat, lon, altura, n, tipo, saida, codigos, nullptr, nullptr, threads);
}

Contagem Grade::OutrasAlturas(const double* lat, const double* lon, const double* altura,
                              std::size_t n, Altura tipo, double* saida, std::int32_t* codigos,
                              double* N, std::int32_t* codigosN, unsigned threads) const {
  return Alturas(lat, lon, altura, n, tipo, saida, codigos, N, codigosN, threads);
}

Contagem Grade::Alturas(const double* lat, const double* lon, const double* altura, std::size_t n,
                        Altura tipo, double* saida, std::int32_t* codigos, double* saidaN,
                        std::int32_t* codigosN, unsigned threads) const {
  // Below this, N's three decimals times 1000 round back to their integer.
  constexpr double kMilimetrosExatos = 1e12;
  std::mutex trava;
  Contagem total;
  Dividir(n, threads, [&](std::size_t inicio, std::size_t fim) {
    long double la[kSubbloco], lo[kSubbloco];
    double proprioN[kSubbloco];
    nivora::ContagemCaminhos c;
    for (std::size_t a = inicio; a < fim; a += kSubbloco) {
      const std::size_t m = std::min(kSubbloco, fim - a);
      nivora::ComoTextos(lat + a, m, la);
      nivora::ComoTextos(lon + a, m, lo);
      for (std::size_t i = 0; i < m; ++i) {
        // Without N asked for, a height that is no number refuses a point whose
        // coordinates are accepted right in the query (and in the counts).
        bool recusado = false;
        nivora::RecusaLatLonDec(la[i], lo[i], recusado);
        if (saidaN == nullptr && !recusado && !std::isfinite(altura[a + i])) la[i] = kNaN;
      }
      double* const N = saidaN != nullptr ? saidaN + a : proprioN;
      std::int32_t* const codigosDeN = codigosN != nullptr ? codigosN + a : codigos + a;
      c += dados_->consulta.Ondulacoes(la, lo, m, N, codigosDeN);
      for (std::size_t i = 0; i < m; ++i) {
        double& h = saida[a + i];
        h = kNaN;
        codigos[a + i] = codigosDeN[i];
        if (codigos[a + i] != 0) continue;
        if (!std::isfinite(altura[a + i])) {
          codigos[a + i] = static_cast<std::int32_t>(Codigo::NaoNumero);
          continue;
        }
        // The query's three-decimal N (as the command-line tool holds it), then the
        // other height from it, as its height column.
        const long double valorN = std::fabs(N[i]) < kMilimetrosExatos
                                       ? nivora::ValorEmMilimetros(std::llround(N[i] * 1000.0))
                                       : dados_->consulta.Ondulacao(la[i], lo[i]);
        const long double dada = nivora::ComoTexto(altura[a + i]);
        h = DuplaDoTexto(tipo == Altura::Elipsoidal ? dada - valorN : dada + valorN);
      }
    }
    const std::lock_guard<std::mutex> guarda(trava);
    Somar(total, c);
  });
  return total;
}

struct Modelo::Estado {
  explicit Estado(const std::string& arquivo) : cache(arquivo), leitor(cache) {}
  nivora::TCacheGrade cache;
  std::mutex trava;  // the reader serves one thread at a time
  nivora::TCacheGrade::Leitor leitor;
};

Modelo::Modelo() : Modelo(ArquivoPadrao()) {}

Modelo::Modelo(const std::string& arquivo) : estado_(std::make_unique<Estado>(arquivo)) {
  Retrato();  // a file that cannot be read is refused now
}

Modelo::~Modelo() = default;
Modelo::Modelo(Modelo&&) noexcept = default;
Modelo& Modelo::operator=(Modelo&&) noexcept = default;

std::string Modelo::ArquivoPadrao() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&Modelo::ArquivoPadrao), &info) != 0 &&
      info.dli_fname != nullptr) {
    std::string pasta = info.dli_fname;
    pasta = pasta.substr(0, pasta.rfind('/') + 1);
    const std::string junto = pasta + NIVORA_DADOS_RELATIVO + kGradeSobDados;
    if (::access(junto.c_str(), F_OK) == 0) return junto;
  }
  return std::string(NIVORA_DADOS_ABSOLUTO) + kGradeSobDados;
}

const std::string& Modelo::Arquivo() const {
  return estado_->cache.Caminho();
}

Grade Modelo::Retrato() {
  std::shared_ptr<const nivora::GradeCarregada> grade;
  {
    const std::lock_guard<std::mutex> guarda(estado_->trava);
    grade = estado_->cache.Obter(estado_->leitor);
  }
  return Grade(std::make_shared<const Grade::Dados>(std::move(grade)));
}

double Modelo::Ondulacao(double latGraus, double lonGraus) {
  return Retrato().Ondulacao(latGraus, lonGraus);
}

}  // namespace nivora2015
