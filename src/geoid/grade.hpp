// The parsed grid: its nodes in file order, indexed by rows, and the search of a point's window.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/erros.hpp"

namespace nivora {

/// "Ponto fora da cobertura da grade (...)": fewer grid nodes around the point
/// than the window needs.
std::string MensagemPoucosNos(long double latGraus, long double lonGraus, int encontrados,
                              int necessarios);

/// A point with fewer grid nodes around it than the window needs: the grid does not
/// cover it. what() is MensagemPoucosNos.
class EForaDaGrade : public ErroNivora {
 public:
  using ErroNivora::ErroNivora;
};

/// Memory for `bytes`: from 1 MiB on aligned to and rounded up to 2 MiB and advised
/// for huge pages, an ordinary block below. Released with std::free.
/// @throws std::bad_alloc
void* AlocarPaginasGrandes(std::size_t bytes);

/// Allocates in whole 2 MiB pages and asks the kernel for huge pages: a query
/// reaches a few nodes scattered over the grid, and with ordinary pages most of
/// those reaches also miss the address translation cache.
template <class T>
struct AlocadorPaginasGrandes {
  using value_type = T;
  AlocadorPaginasGrandes() = default;
  template <class U>
  AlocadorPaginasGrandes(const AlocadorPaginasGrandes<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(AlocarPaginasGrandes(n * sizeof(T))); }
  void deallocate(T* p, std::size_t) noexcept { std::free(p); }
  template <class U>
  bool operator==(const AlocadorPaginasGrandes<U>&) const noexcept {
    return true;
  }
};

/// One node of a parsed grid, with what the 80-bit fit needs of it that does not
/// depend on the point.
struct NoCarregado {
  long double lonGraus;  ///< degrees east, the file's value minus 360
  long double latGraus;  ///< degrees north
  long double nMetros;   ///< undulation
  long double cosLat;    ///< cosl(latGraus * rad)
};

/// A long double as the unevaluated sum of two doubles: `alto` the nearest double,
/// `baixo` the rest (exact: a 64-bit significand splits into 53 and 11 bits, while
/// both parts are normal doubles; see Exata). Two exact pairs compare as their long
/// doubles do, `alto` first.
struct DuplaDupla {
  double alto;
  double baixo;
  static DuplaDupla De(long double x) {
    const auto alto = static_cast<double>(x);
    // An infinity has no rest (x - alto would be NaN).
    return {alto, std::isinf(alto) ? 0.0 : static_cast<double>(x - alto)};
  }
  /// The pair is x itself: false beyond the double range (distinct values share an
  /// infinite `alto`), where the rest underflows, and for NaN.
  bool Exata(long double x) const {
    return static_cast<long double>(alto) + static_cast<long double>(baixo) == x;
  }
  /// De(x) into `par`, and whether it is exact (as Exata(x)). For 2^-900 < |alto| <
  /// 2^1000 it always is, and no 80-bit arithmetic is needed to tell: x lies within
  /// half a double ulp of alto, so x - alto is a multiple of x's own ulp (>= 2^-964)
  /// of at most 11 bits, exact in 80 bits and again as a normal double.
  static bool DeExata(const long double& x, DuplaDupla& par) {
    par = De(x);
    const double a = std::fabs(par.alto);
    return (a > 0x1p-900 && a < 0x1p1000) || par.Exata(x);
  }
  bool operator<=(const DuplaDupla& b) const {
    return alto < b.alto || (alto == b.alto && baixo <= b.baixo);
  }
  bool operator<(const DuplaDupla& b) const {
    return alto < b.alto || (alto == b.alto && baixo < b.baixo);
  }
};

/// What the window search and the double estimate read of a node, kept apart
/// from NoCarregado so that two nodes share a cache line: no 80-bit arithmetic.
struct NoBusca {
  DuplaDupla lon;  ///< lonGraus of NoCarregado, exactly
  double nMetros;  ///< N rounded to double
  double cosLat;   ///< cosLat rounded to double
};

/// A node that the window of a point took.
struct NoJanela {
  std::size_t indice;  ///< into Nos() and Busca()
  bool novaLinha;      ///< its latitude differs from the previous node's taken (or it is the first)
};

/// Where the window of a point starts in an ordered grid: its first row and, for up to
/// kLinhasLocalizadas rows from there, the guessed first node of each (Localizar).
inline constexpr std::size_t kLinhasLocalizadas = 6;
struct LocalJanela {
  std::size_t primeira = 0;
  std::size_t previstas = 0;
  std::size_t inicio[kLinhasLocalizadas] = {};
};

/// A run of consecutive nodes of equal latitude, as they stand in the file.
struct LinhaNos {
  std::size_t inicio;    ///< first node (index into nos)
  std::size_t fim;       ///< one past the last node
  long double latGraus;  ///< the run's latitude
  bool lonCrescente;     ///< longitudes strictly increase along the run
  double lonInicio;      ///< longitude of the run's first node, rounded (a hint)
  double passoInverso;   ///< 1 / mean longitude step of an increasing run, else 0 (a hint)
};

/// The nodes of a grid file in file order, indexed by rows: one version of the file,
/// never changed once parsed, shared by whoever queries it. When a line does not
/// convert, the nodes before it are kept and Erro() holds the conversion message:
/// a query can still end at a coinciding node before that line, and otherwise fails.
class GradeCarregada {
 public:
  /// The grid of `conteudo`, the bytes of the file `arquivo` (kept for messages).
  static std::shared_ptr<const GradeCarregada> Analisar(std::string_view conteudo,
                                                        std::string arquivo = {});

  /// The nodes that the window of a point takes, in the order the file lists
  /// them: latitude <= latMax and longitude in [lonMin, lonMax], at most `maximo`.
  /// Ordered grids are searched through the row index, others scanned in full.
  /// Returns how many were written to `tomados`.
  int Janela(const long double& latMax, const long double& lonMin, const long double& lonMax,
             int maximo, NoJanela* tomados) const;

  /// The first step of Janela: where the window starts, and the memory it will read
  /// asked for without waiting for it (a block of queries locates the next points
  /// while it fits these).
  LocalJanela Localizar(const long double& latMax, const long double& lonMin) const;
  /// The second step, for the bounds Localizar was given.
  int Janela(const LocalJanela& local, const long double& latMax, const long double& lonMin,
             const long double& lonMax, int maximo, NoJanela* tomados) const;

  /// Rows and columns of a lattice window (kLadoJanela of each; the window's 25 nodes).
  static constexpr std::size_t kLadoJanela = 5;
  /// The grid is a lattice: ordered, every row holding the same longitudes (exactly,
  /// increasing, as exact pairs of doubles) and no bad line.
  bool Reticulado() const { return reticulado_; }
  /// On a lattice, when the window of the bounds is the block of rows linha ..
  /// linha + 4 and columns coluna .. coluna + 4 (the band holds five columns and
  /// five rows lie at or south of latMax), those two; false otherwise (then Janela
  /// says what the window is). Reads no node beyond the columns of the first row.
  bool JanelaReticulado(const long double& latMax, const long double& lonMin,
                        const long double& lonMax, std::size_t& linha, std::size_t& coluna) const;
  /// Columns of a lattice (nodes per row).
  std::size_t Colunas() const { return colunas_; }
  /// Asks for the memory of a lattice block (rows linha .. linha + 4 from coluna).
  void PrefetchBloco(std::size_t linha, std::size_t coluna) const {
    for (std::size_t l = 0; l < kLadoJanela; ++l) {
      const double* p = nReticulado_.data() + (linha + l) * colunas_ + coluna;
      __builtin_prefetch(p);
      __builtin_prefetch(p + kLadoJanela - 1);
    }
  }

  template <class T>
  using Vetor = std::vector<T, AlocadorPaginasGrandes<T>>;
  const Vetor<NoCarregado>& Nos() const { return nos_; }
  const Vetor<NoBusca>& Busca() const { return busca_; }
  /// A lattice's node data packed by what they depend on, the same values as Busca():
  /// longitudes per column, cosines and latitudes per row, N per node (row after row).
  const Vetor<DuplaDupla>& LonColunas() const { return lonColunas_; }
  const Vetor<double>& CosLinhas() const { return cosLinhas_; }
  const Vetor<long double>& LatLinhas() const { return latLinhasEstendidas_; }
  const Vetor<double>& NReticulado() const { return nReticulado_; }
  /// Latitudes never increase from one line to the next (north to south).
  bool Ordenada() const { return ordenada_; }
  bool TemErro() const { return temErro_; }
  const std::string& Erro() const { return erro_; }
  /// The line (from 1) that did not convert, when TemErro().
  std::size_t LinhaErro() const { return linhaErro_; }
  /// The file the grid was read from.
  const std::string& Arquivo() const { return arquivo_; }

 private:
  /// Where the first node of an increasing run with longitude >= lonMin should be,
  /// from the run's first longitude and mean step alone (no node is read).
  static std::size_t PalpiteOeste(const LinhaNos& linha, double lonMin);
  /// That node exactly, starting from a guess.
  std::size_t PrimeiroAOeste(const LinhaNos& linha, const DuplaDupla& lonMin, std::size_t k) const;
  /// The first row at or south of latMax (ordered grids).
  std::size_t PrimeiraLinha(const long double& latMax) const;
  /// Sets reticulado_ and colunas_ once the rows are indexed.
  void DetectarReticulado();
  /// Scan of an unordered grid.
  int JanelaDesordenada(const long double& latMax, const long double& lonMin,
                        const long double& lonMax, int maximo, NoJanela* tomados) const;

  Vetor<NoCarregado> nos_;
  Vetor<NoBusca> busca_;
  std::vector<LinhaNos> linhas_;
  std::vector<double> latLinhas_;  // each row's latitude rounded to double, for the search
  double passoLinhasInverso_ = 0;  // 1 / mean latitude step between rows (a hint), or 0
  bool ordenada_ = true;
  bool lonExatas_ = true;  // every node's longitude pair is exact: the row search may compare pairs
  bool reticulado_ = false;
  std::size_t colunas_ = 0;
  Vetor<DuplaDupla> lonColunas_;
  Vetor<double> cosLinhas_;
  Vetor<long double> latLinhasEstendidas_;
  Vetor<double> nReticulado_;
  bool temErro_ = false;
  std::string erro_;
  std::size_t linhaErro_ = 0;
  std::string arquivo_;
};

/// A query that met a grid line that does not convert. what() is the conversion
/// message as the window shows it; the file and its line say where, for the
/// command-line tool's report.
class EGradeDanificada : public EConversao {
 public:
  EGradeDanificada(const std::string& mensagem, std::string arquivo, std::size_t linha)
      : EConversao(mensagem), arquivo_(std::move(arquivo)), linha_(linha) {}
  const std::string& Arquivo() const { return arquivo_; }
  std::size_t Linha() const { return linha_; }

 private:
  std::string arquivo_;
  std::size_t linha_;
};

}  // namespace nivora
