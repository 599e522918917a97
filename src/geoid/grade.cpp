// The parsed grid with its row index, and the search of a point's window.
#include "geoid/grade.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <new>

#include "geoid/arquivo.hpp"
#include "geoid/formato_no.hpp"
#include "geoid/modelo.hpp"
#include "text/numeros.hpp"

namespace nivora {

std::string MensagemPoucosNos(long double latGraus, long double lonGraus, int encontrados,
                              int necessarios) {
  std::string texto = "Ponto fora da cobertura da grade (latitude " +
                      FormatFloat("#0.0000", latGraus) + ", longitude " +
                      FormatFloat("#0.0000", lonGraus) + "): ";
  if (encontrados == 0)
    texto += "nenhum n\xF3 da grade encontrado";
  else if (encontrados == 1)
    texto += "apenas 1 n\xF3 da grade encontrado";
  else
    texto += "apenas " + std::to_string(encontrados) + " n\xF3s da grade encontrados";
  texto += ", s\xE3o necess\xE1rios " + std::to_string(necessarios) + ".";
  return texto;
}

void* AlocarPaginasGrandes(std::size_t bytes) {
  constexpr std::size_t kPagina = std::size_t{2} << 20;
  // Below half a huge page, an ordinary block (small grids of tests and tools).
  if (bytes < kPagina / 2) {
    void* p = std::malloc(bytes == 0 ? 1 : bytes);
    if (p == nullptr) throw std::bad_alloc();
    return p;
  }
  const std::size_t arredondado = (bytes + kPagina - 1) / kPagina * kPagina;
  void* p = std::aligned_alloc(kPagina, arredondado);
  if (p == nullptr) throw std::bad_alloc();
  // Only advice: where huge pages are not to be had, ordinary ones serve.
  ::madvise(p, arredondado, MADV_HUGEPAGE);
  return p;
}

std::shared_ptr<const GradeCarregada> GradeCarregada::Analisar(std::string_view conteudo,
                                                               std::string arquivo) {
  auto grade = std::make_shared<GradeCarregada>();
  grade->arquivo_ = std::move(arquivo);
  const long double rad = GrausParaRadianos();
  // Node lines are all about as long as the first one, and a line shorter than
  // the start of the N field never converts.
  const std::size_t primeira = std::min(conteudo.find('\n'), conteudo.size());
  grade->nos_.reserve(conteudo.size() / std::max(primeira + 1, kInicioN + 1) + 1);
  std::size_t numero = 0;
  ParaCadaLinha(conteudo, [&](std::string_view linha) {
    ++numero;
    if (grade->temErro_) return;
    TNoGrade no;
    try {
      no = LerNo(linha);
    } catch (const EConversao& erro) {
      grade->temErro_ = true;
      grade->erro_ = erro.what();
      grade->linhaErro_ = numero;
      return;
    }
    grade->nos_.push_back(NoCarregado{no.Lon, no.Lat, no.N, cosl(no.Lat * rad)});
  });
  grade->busca_.reserve(grade->nos_.size());
  for (const NoCarregado& no : grade->nos_) {
    grade->busca_.push_back(NoBusca{DuplaDupla::De(no.lonGraus), static_cast<double>(no.nMetros),
                                    static_cast<double>(no.cosLat)});
    grade->lonExatas_ = grade->lonExatas_ && grade->busca_.back().lon.Exata(no.lonGraus);
  }
  // Row index: runs of equal latitude; ordered when latitude never increases.
  auto& nos = grade->nos_;
  for (std::size_t k = 0; k < nos.size(); ++k) {
    if (k > 0 && !(nos[k].latGraus <= nos[k - 1].latGraus)) grade->ordenada_ = false;
    if (k == 0 || !(nos[k].latGraus == grade->linhas_.back().latGraus)) {
      grade->linhas_.push_back(
          LinhaNos{k, k + 1, nos[k].latGraus, true, static_cast<double>(nos[k].lonGraus), 0.0});
    } else {
      LinhaNos& linha = grade->linhas_.back();
      if (!(nos[k - 1].lonGraus < nos[k].lonGraus)) linha.lonCrescente = false;
      linha.fim = k + 1;
    }
  }
  for (LinhaNos& linha : grade->linhas_) {
    if (linha.lonCrescente && linha.fim - linha.inicio > 1) {
      const auto passo =
          static_cast<double>((nos[linha.fim - 1].lonGraus - nos[linha.inicio].lonGraus) /
                              static_cast<long double>(linha.fim - linha.inicio - 1));
      if (passo > 0) linha.passoInverso = 1 / passo;
    }
    grade->latLinhas_.push_back(static_cast<double>(linha.latGraus));
  }
  grade->DetectarReticulado();
  const auto& latLinhas = grade->latLinhas_;
  if (grade->ordenada_ && latLinhas.size() > 1 && latLinhas.front() > latLinhas.back())
    grade->passoLinhasInverso_ =
        static_cast<double>(latLinhas.size() - 1) / (latLinhas.front() - latLinhas.back());
  return grade;
}

std::size_t GradeCarregada::PalpiteOeste(const LinhaNos& linha, double lonMin) {
  const double passos = (lonMin - linha.lonInicio) * linha.passoInverso;
  if (!(passos > 0)) return linha.inicio;
  if (passos >= static_cast<double>(linha.fim - linha.inicio)) return linha.fim;
  return linha.inicio + static_cast<std::size_t>(passos);
}

std::size_t GradeCarregada::PrimeiroAOeste(const LinhaNos& linha, const DuplaDupla& lonMin,
                                           std::size_t k) const {
  while (k > linha.inicio && lonMin <= busca_[k - 1].lon) --k;
  while (k < linha.fim && busca_[k].lon < lonMin) ++k;
  return k;
}

std::size_t GradeCarregada::PrimeiraLinha(const long double& latMax) const {
  // Rows run north to south. Searched among the latitudes rounded to double, which
  // keep their order: a row whose rounded latitude is above latMax's is north of it,
  // one below is south, and only those that round alike are compared in extended
  // precision. The search starts from where evenly spaced rows would put it.
  const auto latMaxDupla = static_cast<double>(latMax);
  const std::size_t total = latLinhas_.size();
  std::size_t primeira = 0;
  const double passos =
      (latLinhas_.empty() ? 0 : latLinhas_.front() - latMaxDupla) * passoLinhasInverso_;
  if (passos > 0)
    primeira = passos >= static_cast<double>(total) ? total : static_cast<std::size_t>(passos);
  while (primeira > 0 && latLinhas_[primeira - 1] <= latMaxDupla) --primeira;
  while (primeira < total && !(latLinhas_[primeira] <= latMaxDupla)) ++primeira;
  while (primeira < total && latLinhas_[primeira] == latMaxDupla &&
         !(linhas_[primeira].latGraus <= latMax))
    ++primeira;
  return primeira;
}

namespace {

// Nodes of a row that the band can hold (six when both its ends fall on nodes).
constexpr std::size_t kNosPorLinha = 6;

}  // namespace

LocalJanela GradeCarregada::Localizar(const long double& latMax, const long double& lonMin) const {
  LocalJanela local;
  if (!ordenada_) return local;
  const auto lonMinDupla = static_cast<double>(lonMin);
  local.primeira = PrimeiraLinha(latMax);
  // Every row at once, so that the memory fetches overlap instead of following one
  // another: from the node before the guess to the last one the band can hold.
  for (std::size_t l = local.primeira; l < linhas_.size() && local.previstas < kLinhasLocalizadas;
       ++l, ++local.previstas) {
    const LinhaNos& linha = linhas_[l];
    const std::size_t k = linha.lonCrescente ? PalpiteOeste(linha, lonMinDupla) : linha.inicio;
    local.inicio[local.previstas] = k;
    const std::size_t ate = std::min(linha.fim, k + kNosPorLinha);
    for (std::size_t j = k > linha.inicio ? k - 1 : k; j < ate; j += 2)
      __builtin_prefetch(&busca_[j]);
    if (ate > 0) __builtin_prefetch(&busca_[ate - 1]);
  }
  return local;
}

static_assert(GradeCarregada::kLadoJanela * GradeCarregada::kLadoJanela == kNumNos);

void GradeCarregada::DetectarReticulado() {
  reticulado_ = false;
  if (!ordenada_ || !lonExatas_ || temErro_ || linhas_.size() < kLadoJanela) return;
  const std::size_t colunas = linhas_.front().fim - linhas_.front().inicio;
  if (colunas < kLadoJanela) return;
  for (std::size_t l = 0; l < linhas_.size(); ++l) {
    const LinhaNos& linha = linhas_[l];
    if (!linha.lonCrescente || linha.inicio != l * colunas || linha.fim != linha.inicio + colunas)
      return;
    for (std::size_t c = 0; c < colunas; ++c)
      if (!(nos_[linha.inicio + c].lonGraus == nos_[c].lonGraus)) return;
  }
  colunas_ = colunas;
  reticulado_ = true;
  for (std::size_t c = 0; c < colunas; ++c) lonColunas_.push_back(busca_[c].lon);
  for (const LinhaNos& linha : linhas_) {
    cosLinhas_.push_back(busca_[linha.inicio].cosLat);
    latLinhasEstendidas_.push_back(linha.latGraus);
  }
  nReticulado_.reserve(busca_.size());
  for (const NoBusca& no : busca_) nReticulado_.push_back(no.nMetros);
}

bool GradeCarregada::JanelaReticulado(const long double& latMax, const long double& lonMin,
                                      const long double& lonMax, std::size_t& linha,
                                      std::size_t& coluna) const {
  if (!reticulado_) return false;
  // Rows run north to south, so the window's rows are the five from the first one at
  // or south of latMax.
  const std::size_t primeira = PrimeiraLinha(latMax);
  if (primeira + kLadoJanela > linhas_.size()) return false;
  DuplaDupla minimo, maximo;
  if (!DuplaDupla::DeExata(lonMin, minimo) || !DuplaDupla::DeExata(lonMax, maximo)) return false;
  // The columns in [lonMin, lonMax], found on the first row (every row has them).
  const LinhaNos& topo = linhas_.front();
  const std::size_t oeste = PrimeiroAOeste(topo, minimo, PalpiteOeste(topo, minimo.alto));
  if (oeste + kLadoJanela > colunas_ || !(busca_[oeste + kLadoJanela - 1].lon <= maximo))
    return false;
  // A sixth column in the band: the first 25 nodes are not a block.
  if (oeste + kLadoJanela < colunas_ && busca_[oeste + kLadoJanela].lon <= maximo) return false;
  linha = primeira;
  coluna = oeste;
  return true;
}

int GradeCarregada::JanelaDesordenada(const long double& latMax, const long double& lonMin,
                                      const long double& lonMax, int maximo,
                                      NoJanela* tomados) const {
  int n = 0;
  for (std::size_t k = 0; k < nos_.size() && n < maximo; ++k) {
    const NoCarregado& no = nos_[k];
    if (no.latGraus <= latMax && no.lonGraus >= lonMin && no.lonGraus <= lonMax) {
      tomados[n] = NoJanela{k, n == 0 || !(no.latGraus == nos_[tomados[n - 1].indice].latGraus)};
      ++n;
    }
  }
  return n;
}

int GradeCarregada::Janela(const long double& latMax, const long double& lonMin,
                           const long double& lonMax, int maximo, NoJanela* tomados) const {
  if (!ordenada_) return JanelaDesordenada(latMax, lonMin, lonMax, maximo, tomados);
  return Janela(Localizar(latMax, lonMin), latMax, lonMin, lonMax, maximo, tomados);
}

int GradeCarregada::Janela(const LocalJanela& local, const long double& latMax,
                           const long double& lonMin, const long double& lonMax, int maximo,
                           NoJanela* tomados) const {
  // The bounds as pairs of doubles, compared exactly with the nodes' pairs; where a
  // pair would not be exact (beyond the double range), the scan in extended precision.
  DuplaDupla minimo, maximoLon;
  if (!ordenada_ || !lonExatas_ || !DuplaDupla::DeExata(lonMin, minimo) ||
      !DuplaDupla::DeExata(lonMax, maximoLon))
    return JanelaDesordenada(latMax, lonMin, lonMax, maximo, tomados);
  int n = 0;
  std::size_t indice = 0;
  for (std::size_t l = local.primeira; l < linhas_.size() && n < maximo; ++l, ++indice) {
    const LinhaNos& linha = linhas_[l];
    bool nova = true;  // rows are runs of one latitude
    if (!linha.lonCrescente) {
      for (std::size_t k = linha.inicio; k < linha.fim && n < maximo; ++k)
        if (minimo <= busca_[k].lon && busca_[k].lon <= maximoLon) {
          tomados[n++] = NoJanela{k, nova};
          nova = false;
        }
      continue;
    }
    std::size_t k = PrimeiroAOeste(
        linha, minimo,
        indice < local.previstas ? local.inicio[indice] : PalpiteOeste(linha, minimo.alto));
    for (; k < linha.fim && n < maximo && busca_[k].lon <= maximoLon; ++k) {
      tomados[n++] = NoJanela{k, nova};
      nova = false;
    }
  }
  return n;
}

}  // namespace nivora
