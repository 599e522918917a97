// The library's public face: the model object over the grid cache, one version of the
// grid for const queries, the block forms and their threads.
#include "nivora2015/nivora2015.hpp"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
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
// Points per call of the query's block form (see PedeTexto).
constexpr std::size_t kSubbloco = 256;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The double nearest to the decimal that the mask "#0.000" writes for `valor`.
double DuplaDoTexto(long double valor) {
  const std::string texto = nivora::FormatFloat(kMascaraAltura, valor);
  double d = 0;
  std::from_chars(texto.data(), texto.data() + texto.size(), d);
  return d;
}

// A finite double as the program reads it from a file: its shortest round-trip
// decimal, converted with the program's own conversion.
long double ComoTexto(double valor) {
  char texto[64];
  const auto [fim, ec] = std::to_chars(texto, texto + sizeof texto, valor);
  (void)ec;  // 64 characters hold any double
  return nivora::StrToFloat(std::string_view(texto, static_cast<std::size_t>(fim - texto)));
}

// The program reads a coordinate as the extended value of its text; the query's block
// form takes the double as it is. The two give different results only where the query
// is discontinuous within half an ulp of the double: at a limit of the model area (a
// decimal no double holds: the double nearest to 5.5833027 lies inside the area), on a
// line of the 5' lattice of the grid's nodes (the window's bounds then fall on nodes:
// a point typed with a node's coordinate), and where the 80-bit fit decides a
// rounding. Such points are computed from the coordinates' text (PedeTexto, and the
// 80-bit sub-blocks of Grade::Ondulacoes).
constexpr double kPertoDoLimite = 1e-12;  // degrees; far above half an ulp of 180
constexpr double kPertoDaLinha = 1.2e-5;  // lattice spacings: 1e-6 degrees
constexpr double kLinhasPorGrau = 60.0 / nivora::kEspacamentoGradeMin;
bool PedeTexto(double x) {
  if (!(std::fabs(x) < 1000)) return false;  // NaN, infinite, far out: refused alike
  for (const long double limite :
       {nivora::kLimiteNorte, nivora::kLimiteSul, nivora::kLimiteLeste, nivora::kLimiteOeste})
    if (std::fabs(x - static_cast<double>(limite)) <= kPertoDoLimite) return true;
  const double linhas = x * kLinhasPorGrau;
  const double resto = std::fabs(linhas - static_cast<double>(static_cast<long long>(linhas)));
  return resto < kPertoDaLinha || resto > 1 - kPertoDaLinha;
}

// A coordinate as the program reads its text (NaN and infinities as they are).
long double Texto(double x) {
  return std::isfinite(x) ? ComoTexto(x) : x;
}

Codigo CodigoDaRecusa(long double lat, long double lon) {
  bool recusado = false;
  const nivora::ErroPonto erro = nivora::RecusaLatLonDec(lat, lon, recusado);
  if (!recusado) return Codigo::Aceito;
  return erro == nivora::ErroPonto::Nenhum ? Codigo::NaoNumero : static_cast<Codigo>(erro);
}

[[noreturn]] void Recusar(Codigo codigo) {
  throw EPontoRecusado(codigo, nivora::Utf8ParaCp1252(MensagemCodigo(codigo)));
}

// Runs `parte(inicio, fim)` over [0, n) in up to `threads` threads (0: one per core);
// the first exception, by position, is rethrown after every thread has ended.
template <class Parte>
void Dividir(std::size_t n, unsigned threads, Parte&& parte) {
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t porTrabalho =
      std::max(kPontosPorThreadMinimo, (n + threads - 1) / std::max(1u, threads));
  const std::size_t partes = n == 0 ? 0 : (n + porTrabalho - 1) / porTrabalho;
  if (partes <= 1) {
    parte(0, n);
    return;
  }
  std::vector<std::exception_ptr> erros(partes);
  std::vector<std::thread> trabalhos;
  trabalhos.reserve(partes - 1);
  auto executar = [&](std::size_t k) {
    try {
      parte(k * porTrabalho, std::min(n, (k + 1) * porTrabalho));
    } catch (...) {
      erros[k] = std::current_exception();
    }
  };
  for (std::size_t k = 1; k < partes; ++k) trabalhos.emplace_back(executar, k);
  executar(0);
  for (std::thread& t : trabalhos) t.join();
  for (const std::exception_ptr& e : erros)
    if (e) std::rethrow_exception(e);
}

// One point from its coordinates' text; as the block form of the query otherwise.
void ConsultarComoTexto(const nivora::TConsultaGrade& consulta, double lat, double lon, double& N,
                        std::int32_t& codigo, nivora::ContagemCaminhos& c) {
  const long double la = Texto(lat), lo = Texto(lon);
  codigo = static_cast<std::int32_t>(CodigoDaRecusa(la, lo));
  N = kNaN;
  if (codigo != 0) {
    ++c.recusas;
    return;
  }
  nivora::CaminhoConsulta caminho{};
  try {
    N = DuplaDoTexto(consulta.Ondulacao(la, lo, &caminho));
    c.Contar(caminho);
  } catch (const nivora::EForaDaGrade&) {
    codigo = static_cast<std::int32_t>(Codigo::ForaDaGrade);
    ++c.recusas;
  }
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
  return nivora::Cp1252ParaUtf8(erro.what());
}

Gms DecimalParaGms(double graus) {
  if (!std::isfinite(graus)) Recusar(Codigo::NaoNumero);
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
    throw nivora::EConversao("'" + texto + "' n\xE3o \xE9 uma coordenada GMS (graus minutos segundos)");
  const std::int32_t graus = nivora::StrToInt(g);
  const std::int32_t minutos = nivora::StrToInt(m);
  const long double segundos = nivora::StrToFloat(s);
  if (minutos < 0 || minutos > 59) Recusar(Codigo::MinutoLatitude);
  if (!(segundos >= 0 && segundos < 60)) Recusar(Codigo::SegundoLatitude);
  const bool negativo = g.front() == '-';
  const double magnitude =
      nivora::GMSParaDecimalAbs(graus < 0 ? -graus : graus, minutos, static_cast<double>(segundos));
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
  dados_->consulta.Ondulacoes(&latGraus, &lonGraus, 1, &n, &codigo);
  if (codigo == nivora::kCodigoForaDaGrade) {
    // The query's own words, which name the point and the nodes it found.
    try {
      dados_->consulta.Ondulacao(latGraus, lonGraus);
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
    const nivora::TConsultaGrade& consulta = dados_->consulta;
    nivora::ContagemCaminhos c;
    // Points none of which asks for its text, by the block form; a sub-block in which
    // the 80-bit fit decided a point is done again from the text.
    auto emBloco = [&](std::size_t a, std::size_t b) {
      for (; a < b; a += kSubbloco) {
        const std::size_t m = std::min(kSubbloco, b - a);
        const nivora::ContagemCaminhos cb =
            consulta.Ondulacoes(lat + a, lon + a, m, N + a, codigos + a);
        if (cb.estendida == 0) {
          c += cb;
          continue;
        }
        for (std::size_t i = a; i < a + m; ++i)
          ConsultarComoTexto(consulta, lat[i], lon[i], N[i], codigos[i], c);
      }
    };
    std::size_t bloco = inicio;
    for (std::size_t i = inicio; i < fim; ++i) {
      if (!PedeTexto(lat[i]) && !PedeTexto(lon[i])) continue;
      emBloco(bloco, i);
      ConsultarComoTexto(consulta, lat[i], lon[i], N[i], codigos[i], c);
      bloco = i + 1;
    }
    emBloco(bloco, fim);
    const std::lock_guard<std::mutex> guarda(trava);
    Somar(total, c);
  });
  return total;
}

Contagem Grade::OutrasAlturas(const double* lat, const double* lon, const double* altura,
                              std::size_t n, Altura tipo, double* saida, std::int32_t* codigos,
                              unsigned threads) const {
  std::mutex trava;
  Contagem total;
  Dividir(n, threads, [&](std::size_t inicio, std::size_t fim) {
    Contagem parcial;
    for (std::size_t i = inicio; i < fim; ++i) {
      const bool texto = PedeTexto(lat[i]) || PedeTexto(lon[i]);
      long double la = texto ? Texto(lat[i]) : lat[i], lo = texto ? Texto(lon[i]) : lon[i];
      Codigo codigo = CodigoDaRecusa(la, lo);
      if (codigo == Codigo::Aceito && !std::isfinite(altura[i])) codigo = Codigo::NaoNumero;
      if (codigo != Codigo::Aceito) {
        codigos[i] = static_cast<std::int32_t>(codigo);
        saida[i] = kNaN;
        ++parcial.recusados;
        continue;
      }
      nivora::CaminhoConsulta caminho{};
      long double n = 0;
      try {
        n = dados_->consulta.Ondulacao(la, lo, &caminho);
        if (caminho == nivora::CaminhoConsulta::Estendida && !texto) {
          la = Texto(lat[i]);
          lo = Texto(lon[i]);
          n = dados_->consulta.Ondulacao(la, lo, &caminho);
        }
      } catch (const nivora::EForaDaGrade&) {
        codigos[i] = static_cast<std::int32_t>(Codigo::ForaDaGrade);
        saida[i] = kNaN;
        ++parcial.recusados;
        continue;
      }
      // From the three-decimal N, as the command-line tool's height column.
      const long double dada = ComoTexto(altura[i]);
      saida[i] = DuplaDoTexto(tipo == Altura::Elipsoidal ? dada - n : dada + n);
      codigos[i] = 0;
      ++parcial.aceitos;
      ++(caminho == nivora::CaminhoConsulta::Dupla       ? parcial.porEstimativa
         : caminho == nivora::CaminhoConsulta::Estendida ? parcial.porAjuste80
                                                         : parcial.emNo);
    }
    const std::lock_guard<std::mutex> guarda(trava);
    total.aceitos += parcial.aceitos;
    total.recusados += parcial.recusados;
    total.porEstimativa += parcial.porEstimativa;
    total.porAjuste80 += parcial.porAjuste80;
    total.emNo += parcial.emNo;
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
