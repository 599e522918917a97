// The parsed-grid cache: one grid file, parsed once and parsed anew whenever it changes.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "geoid/arquivo.hpp"
#include "geoid/grade.hpp"

namespace nivora {

/// Keeps the parsed grid of one file for whoever must see the file as it is at
/// every query (the window's keyboard point, the library's model), so that the file
/// is parsed once and not at every query. A grid rewritten, replaced, removed or
/// restored between two queries is seen by the second. (A batch run takes one
/// version of the grid when it starts and needs none of this.)
///
/// Changes are learnt from the kernel's file notifications (inotify) on the file,
/// its folder and every folder above it, plus the mount table: a query then costs
/// one epoll_wait() that finds nothing. Where notifications cannot be trusted (a relative
/// path, a symbolic link on the way, a file system that is not local, no inotify),
/// the file is examined with stat() at every query instead, and a file changed
/// within the last second, whose time stamps may not tell a further change apart,
/// is compared byte for byte until it has aged.
///
/// Thread-safe: any number of threads, each with its own Leitor.
class TCacheGrade {
 public:
  enum class Deteccao {
    Automatica,  ///< notifications where they can be trusted, stat() elsewhere
    Stat,        ///< stat() at every query
  };

  /// `caminho`: path of the grid file; a relative one is taken from the current
  /// folder now (and then watched as any other). Nothing is read before the first query.
  explicit TCacheGrade(std::string caminho, Deteccao deteccao = Deteccao::Automatica);
  ~TCacheGrade();
  TCacheGrade(const TCacheGrade&) = delete;
  TCacheGrade& operator=(const TCacheGrade&) = delete;

  const std::string& Caminho() const { return caminho_; }

  /// What one query object keeps between its queries: the grid it last used and
  /// its own watch on the mount table. Used by one thread at a time, with the
  /// cache it was made for.
  class Leitor {
   public:
    explicit Leitor(const TCacheGrade& cache);
    ~Leitor();
    Leitor(const Leitor&) = delete;
    Leitor& operator=(const Leitor&) = delete;

   private:
    friend class TCacheGrade;
    std::shared_ptr<const GradeCarregada> grade_;
    std::uint64_t geracao_ = 0;  // of grade_; 0: none yet
    int fdMontagens_ = -1;       // this reader's view of the mount table
    int fdEspera_ = -1;          // epoll: the shared notifications and fdMontagens_
  };

  /// The grid as the file is now (never null).
  /// @throws EAberturaArquivo / EEntradaSaida as reading the file does (every call while
  ///         the file stays missing or unreadable).
  const std::shared_ptr<const GradeCarregada>& Obter(Leitor& leitor);

  /// How many times the file was parsed (tests, benchmarks).
  std::size_t Analises() const { return analises_.load(std::memory_order_relaxed); }
  /// True while changes are learnt from notifications, false with stat().
  bool PorNotificacao() const { return notificacao_.load(std::memory_order_acquire); }

 private:
  struct Vigia {
    int wd;
    std::size_t nivel;  // folder of componentes_[0..nivel) (0: the root), or the file
  };

  bool Pendente(Leitor& leitor, bool& montagemMudou) const;
  const std::shared_ptr<const GradeCarregada>& ObterPorNotificacao(Leitor& leitor,
                                                                   bool montagemMudou);
  const std::shared_ptr<const GradeCarregada>& ObterPorStat(Leitor& leitor, bool existe,
                                                            const AssinaturaArquivo& atual);
  bool Drenar();
  bool Armar();
  void PassarParaStat();
  /// The file could not be read: no grid is kept, for the cache or for `leitor`.
  void EsquecerGrade(Leitor& leitor);
  std::shared_ptr<const GradeCarregada> Analisar(std::string_view conteudo);
  const std::shared_ptr<const GradeCarregada>& Entregar(Leitor& leitor);

  const std::string caminho_;
  std::vector<std::string> componentes_;  // folders from the root, then the file name

  std::mutex mutex_;
  std::shared_ptr<const GradeCarregada> grade_;  // null while the file fails
  std::atomic<std::uint64_t> geracao_{1};        // bumped whenever grade_ changes
  std::atomic<std::size_t> analises_{0};
  std::atomic<bool> notificacao_{false};
  std::atomic<bool> valida_{false};   // grade_ is the file's content, watches armed
  std::atomic<bool> ocupado_{false};  // a thread is draining notifications

  int fdNotificacao_ = -1;
  int fdMontagens_ = -1;  // polled under the lock only
  std::vector<Vigia> vigias_;

  // Examination by stat(): the signature of the version read, whether the
  // signature alone identifies its content, and that content while it does not.
  AssinaturaArquivo assinatura_;
  bool confiavel_ = false;
  std::string conteudo_;
};

}  // namespace nivora
