// The parsed grid, indexed by rows, and the process-wide cache that keeps it
// while its file is unchanged.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nivora {

/// Memory for `bytes`, aligned to and rounded up to 2 MiB, advised for huge pages.
/// Released with std::free. @throws std::bad_alloc
void* AlocarPaginasGrandes(std::size_t bytes);

/// One node of a parsed grid, with what the fit needs of it that does not depend
/// on the point.
struct NoCarregado {
  long double lonGraus;  ///< degrees east, the file's value minus 360
  long double latGraus;  ///< degrees north
  long double nMetros;   ///< undulation
  long double cosLat;    ///< cosl(latGraus * rad)
};

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

/// A run of consecutive nodes of equal latitude, as they stand in the file.
struct LinhaNos {
  std::size_t inicio;     ///< first node (index into nos)
  std::size_t fim;        ///< one past the last node
  long double latGraus;   ///< the run's latitude
  bool lonCrescente;      ///< longitudes strictly increase along the run
  long double lonInicio;  ///< longitude of the run's first node
  long double passoLon;   ///< mean longitude step of an increasing run (a search hint only)
};

/// The nodes of a grid file in file order. When a line does not convert, the
/// nodes before it are kept and `erro` holds the conversion message: a query
/// can still end at a coinciding node before that line, and otherwise fails.
class GradeCarregada {
 public:
  static std::shared_ptr<const GradeCarregada> Analisar(std::string_view conteudo);

  /// The nodes that the window of a point takes, in the order the file lists
  /// them: latitude <= latMax and longitude in [lonMin, lonMax], at most `maximo`.
  /// Ordered grids are searched through the row index, others scanned in full.
  /// Returns how many were written to `tomados`.
  int Janela(long double latMax, long double lonMin, long double lonMax, int maximo,
             const NoCarregado** tomados) const;

  using VetorNos = std::vector<NoCarregado, AlocadorPaginasGrandes<NoCarregado>>;
  const VetorNos& Nos() const { return nos_; }
  const std::vector<LinhaNos>& Linhas() const { return linhas_; }
  /// Latitudes never increase from one line to the next (north to south).
  bool Ordenada() const { return ordenada_; }
  bool TemErro() const { return temErro_; }
  const std::string& Erro() const { return erro_; }

 private:
  /// Where the first node of an increasing run with longitude >= lonMin should be,
  /// from the run's first longitude and mean step alone (no node is read).
  static std::size_t PalpiteOeste(const LinhaNos& linha, long double lonMin);
  /// That node exactly, starting from a guess.
  std::size_t PrimeiroAOeste(const LinhaNos& linha, long double lonMin, std::size_t k) const;

  VetorNos nos_;
  std::vector<LinhaNos> linhas_;
  bool ordenada_ = true;
  bool temErro_ = false;
  std::string erro_;
};

/// The parsed grid of the file at `caminho` as it is now. The file is examined on
/// every call (device, inode, size, modification and change times in ns) and read
/// again on any difference. A file changed within the last moments, whose time
/// stamps might not tell a further change apart, is also re-read and compared
/// byte for byte until it has aged. Thread-safe.
/// @throws EFOpenError / EInOutError as reading the file does.
std::shared_ptr<const GradeCarregada> ObterGrade(const std::string& caminho);

/// Forgets every cached grid (tests, memory).
void EsquecerGrades();

/// How many times a grid file was parsed since the start (tests, benchmarks).
std::size_t ContagemAnalises();

}  // namespace nivora
