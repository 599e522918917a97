// The parsed grid and its cache.
#include "geoid/cache.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>
#include <map>
#include <mutex>
#include <new>

#include "geoid/grade.hpp"
#include "geoid/interpolacao.hpp"
#include "text/erros.hpp"

namespace nivora {

namespace {

// A file whose time stamps are younger than this may still change without its
// stamps changing (they advance by clock ticks, and a remote clock may lag):
// until then its content is compared as well.
constexpr std::int64_t kIdadeConfiavelNs = 1000000000;
// Grids kept at once; the least recently used goes first.
constexpr std::size_t kMaxGradesEmCache = 8;

struct EntradaCache {
  AssinaturaArquivo assinatura;
  std::shared_ptr<const GradeCarregada> grade;
  bool confiavel = false;  // the signature alone identifies the content
  std::string conteudo;    // kept while not confiavel, to compare
  std::uint64_t usoRecente = 0;
};

std::mutex mutexCache;
std::map<std::string, EntradaCache> cache;
std::uint64_t relogioUso = 0;
std::atomic<std::size_t> analises{0};

std::int64_t AgoraNs() {
  timespec t{};
  clock_gettime(CLOCK_REALTIME, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

bool Envelhecida(const AssinaturaArquivo& a) {
  return AgoraNs() - std::max(a.modificacaoNs, a.mudancaNs) > kIdadeConfiavelNs;
}

void Guardar(EntradaCache& entrada, const AssinaturaArquivo& lida, bool estavel,
             std::string&& conteudo) {
  entrada.assinatura = lida;
  entrada.confiavel = estavel && Envelhecida(lida);
  if (entrada.confiavel)
    std::string().swap(entrada.conteudo);
  else
    entrada.conteudo = std::move(conteudo);
}

void Podar(const std::string& manter) {
  while (cache.size() > kMaxGradesEmCache) {
    auto velha = cache.end();
    for (auto it = cache.begin(); it != cache.end(); ++it)
      if (it->first != manter &&
          (velha == cache.end() || it->second.usoRecente < velha->second.usoRecente))
        velha = it;
    if (velha == cache.end()) return;
    cache.erase(velha);
  }
}

}  // namespace

void* AlocarPaginasGrandes(std::size_t bytes) {
  constexpr std::size_t kPagina = std::size_t{2} << 20;
  const std::size_t arredondado = (bytes + kPagina - 1) / kPagina * kPagina;
  void* p = std::aligned_alloc(kPagina, arredondado == 0 ? kPagina : arredondado);
  if (p == nullptr) throw std::bad_alloc();
  // Only advice: where huge pages are not to be had, ordinary ones serve.
  ::madvise(p, arredondado, MADV_HUGEPAGE);
  return p;
}

std::shared_ptr<const GradeCarregada> GradeCarregada::Analisar(std::string_view conteudo) {
  analises.fetch_add(1, std::memory_order_relaxed);
  auto grade = std::make_shared<GradeCarregada>();
  const long double rad = GrausParaRadianos();
  const std::vector<std::string> linhas = DividirLinhas(conteudo);
  grade->nos_.reserve(linhas.size());
  for (const std::string& linha : linhas) {
    TNoGrade no;
    try {
      no = LerNo(linha);
    } catch (const EConvertError& erro) {
      grade->temErro_ = true;
      grade->erro_ = erro.what();
      break;
    }
    grade->nos_.push_back(NoCarregado{no.Lon, no.Lat, no.N, cosl(no.Lat * rad)});
  }
  // Row index: runs of equal latitude; ordered when latitude never increases.
  auto& nos = grade->nos_;
  for (std::size_t k = 0; k < nos.size(); ++k) {
    if (k > 0 && !(nos[k].latGraus <= nos[k - 1].latGraus)) grade->ordenada_ = false;
    if (k == 0 || !(nos[k].latGraus == grade->linhas_.back().latGraus)) {
      grade->linhas_.push_back(LinhaNos{k, k + 1, nos[k].latGraus, true, nos[k].lonGraus, 0.0L});
    } else {
      LinhaNos& linha = grade->linhas_.back();
      if (!(nos[k - 1].lonGraus < nos[k].lonGraus)) linha.lonCrescente = false;
      linha.fim = k + 1;
    }
  }
  for (LinhaNos& linha : grade->linhas_)
    if (linha.lonCrescente && linha.fim - linha.inicio > 1)
      linha.passoLon = (nos[linha.fim - 1].lonGraus - nos[linha.inicio].lonGraus) /
                       static_cast<long double>(linha.fim - linha.inicio - 1);
  return grade;
}

std::size_t GradeCarregada::PalpiteOeste(const LinhaNos& linha, long double lonMin) {
  if (!(linha.passoLon > 0.0L)) return linha.inicio;
  const long double passos = (lonMin - linha.lonInicio) / linha.passoLon;
  if (passos >= static_cast<long double>(linha.fim - linha.inicio)) return linha.fim;
  // Through double: a hint needs no extended precision, and the conversion then
  // avoids switching the x87 rounding mode.
  if (passos > 0.0L) return linha.inicio + static_cast<std::size_t>(static_cast<double>(passos));
  return linha.inicio;
}

std::size_t GradeCarregada::PrimeiroAOeste(const LinhaNos& linha, long double lonMin,
                                           std::size_t k) const {
  while (k > linha.inicio && nos_[k - 1].lonGraus >= lonMin) --k;
  while (k < linha.fim && nos_[k].lonGraus < lonMin) ++k;
  return k;
}

int GradeCarregada::Janela(long double latMax, long double lonMin, long double lonMax, int maximo,
                           const NoCarregado** tomados) const {
  int n = 0;
  auto tomar = [&](const NoCarregado& no) {
    if (no.latGraus <= latMax && no.lonGraus >= lonMin && no.lonGraus <= lonMax) tomados[n++] = &no;
  };
  if (!ordenada_) {
    for (std::size_t k = 0; k < nos_.size() && n < maximo; ++k) tomar(nos_[k]);
    return n;
  }
  // Rows run north to south: the first one at or south of latMax, then onwards.
  auto linha = std::partition_point(linhas_.begin(), linhas_.end(),
                                    [&](const LinhaNos& l) { return !(l.latGraus <= latMax); });
  // The window spans a few rows: find where each starts and ask for their nodes
  // at once, so that the memory fetches overlap instead of following one another.
  constexpr std::size_t kLinhasAdiante = 6;
  std::size_t inicioLinha[kLinhasAdiante];
  std::size_t previstas = 0;
  for (auto l = linha; l != linhas_.end() && previstas < kLinhasAdiante; ++l, ++previstas) {
    const std::size_t k = l->lonCrescente ? PalpiteOeste(*l, lonMin) : l->inicio;
    inicioLinha[previstas] = k;
    if (k > l->inicio) __builtin_prefetch(&nos_[k - 1]);
    if (k < l->fim) __builtin_prefetch(&nos_[k]);
  }
  for (std::size_t indice = 0; linha != linhas_.end() && n < maximo; ++linha, ++indice) {
    if (!linha->lonCrescente) {
      for (std::size_t k = linha->inicio; k < linha->fim && n < maximo; ++k) tomar(nos_[k]);
      continue;
    }
    std::size_t k = PrimeiroAOeste(
        *linha, lonMin, indice < previstas ? inicioLinha[indice] : PalpiteOeste(*linha, lonMin));
    for (; k < linha->fim && n < maximo && nos_[k].lonGraus <= lonMax; ++k) tomados[n++] = &nos_[k];
  }
  return n;
}

std::shared_ptr<const GradeCarregada> ObterGrade(const std::string& caminho) {
  // The file is examined before taking the lock, so that threads querying the
  // same grid do not queue behind each other's system calls.
  AssinaturaArquivo atual;
  const bool existe = AssinaturaDe(caminho, atual);
  std::lock_guard<std::mutex> trava(mutexCache);
  auto it = cache.find(caminho);
  if (existe && it != cache.end() && it->second.assinatura == atual) {
    it->second.usoRecente = ++relogioUso;
    if (it->second.confiavel) return it->second.grade;
  }
  // Changed, new, or too young to trust its stamps: read it (this also raises the
  // file's own error when it is gone or unreadable).
  AssinaturaArquivo lida;
  bool estavel = false;
  std::string conteudo;
  try {
    conteudo = LerArquivo(caminho, &lida, &estavel);
  } catch (...) {
    if (it != cache.end()) cache.erase(it);
    throw;
  }
  if (it != cache.end() && it->second.grade && !it->second.confiavel &&
      it->second.assinatura == lida && it->second.conteudo == conteudo) {
    Guardar(it->second, lida, estavel, std::move(conteudo));
    return it->second.grade;
  }
  auto grade = GradeCarregada::Analisar(conteudo);
  EntradaCache& entrada = cache[caminho];
  entrada.grade = grade;
  entrada.usoRecente = ++relogioUso;
  Guardar(entrada, lida, estavel, std::move(conteudo));
  Podar(caminho);
  return grade;
}

void EsquecerGrades() {
  std::lock_guard<std::mutex> trava(mutexCache);
  cache.clear();
}

std::size_t ContagemAnalises() {
  return analises.load(std::memory_order_relaxed);
}

}  // namespace nivora
