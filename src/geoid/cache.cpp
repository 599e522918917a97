// The parsed-grid cache, and how it learns that the file changed.
#include "geoid/cache.hpp"

#include <fcntl.h>
#include <linux/magic.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <string_view>

namespace nivora {

namespace {

// A file whose time stamps are younger than this may still change without its
// stamps changing (they advance by clock ticks, and a remote clock may lag):
// until then its content is compared as well.
constexpr std::int64_t kIdadeConfiavelNs = 1000000000;

// What is watched. A folder above the file's own: its renaming, removal and
// attribute changes (permissions); while it holds the file it can be neither
// removed nor renamed over, and an exchange of two folders renames it. The file's
// folder: also the entries that come and go under the file's name. The file (its
// inode, whatever name it is reached by): every change of content or attributes.
// Writes through a shared memory mapping are the one change no notification tells.
constexpr std::uint32_t kEventosAcima =
    IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW;
constexpr std::uint32_t kEventosPasta =
    kEventosAcima | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t kEventosArquivo =
    IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVE_SELF | IN_DELETE_SELF | IN_DONT_FOLLOW;

// Mounts and unmounts in this process's namespace make /proc/self/mountinfo
// report a priority event to poll() (once per descriptor and change).
constexpr const char* kTabelaMontagens = "/proc/self/mountinfo";

// Tags of the two descriptors in a reader's epoll set.
constexpr std::uint32_t kMarcaNotificacao = 0;
constexpr std::uint32_t kMarcaMontagens = 1;

std::int64_t AgoraNs() {
  timespec t{};
  clock_gettime(CLOCK_REALTIME, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

bool Envelhecida(const AssinaturaArquivo& a) {
  return AgoraNs() - std::max(a.modificacaoNs, a.mudancaNs) > kIdadeConfiavelNs;
}

// File systems whose every change passes through this kernel, so that its
// notifications tell them all (a network or user-space file system can change
// behind its back).
bool SistemaLocal(const char* caminho) {
  struct statfs s {};
  if (::statfs(caminho, &s) != 0) return false;
  switch (static_cast<unsigned long>(s.f_type)) {
    case EXT4_SUPER_MAGIC:  // ext2 and ext3 too
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
      return true;
    default:
      return false;
  }
}

// The names along an absolute path without "." or ".." (which a symbolic link on
// the way would give another meaning); false for any other path.
bool DividirCaminho(const std::string& caminho, std::vector<std::string>& partes) {
  if (caminho.empty() || caminho.front() != '/' || caminho.back() == '/') return false;
  std::size_t inicio = 1;
  while (inicio <= caminho.size()) {
    const std::size_t fim = std::min(caminho.find('/', inicio), caminho.size());
    const std::string parte = caminho.substr(inicio, fim - inicio);
    if (parte == "." || parte == "..") return false;
    if (!parte.empty()) partes.push_back(parte);
    inicio = fim + 1;
  }
  return !partes.empty();
}

// A relative path taken from the current folder, without "." names (which never
// change its meaning); ".." is kept, and with it the examination by stat().
std::string Absoluto(std::string caminho) {
  if (caminho.empty() || caminho.front() == '/') return caminho;
  char pasta[PATH_MAX];
  if (::getcwd(pasta, sizeof pasta) == nullptr) return caminho;
  std::string absoluto = pasta;
  std::size_t inicio = 0;
  while (inicio <= caminho.size()) {
    const std::size_t fim = std::min(caminho.find('/', inicio), caminho.size());
    const std::string_view parte(caminho.data() + inicio, fim - inicio);
    if (!parte.empty() && parte != ".") {
      if (absoluto.back() != '/') absoluto += '/';
      absoluto += parte;
    }
    inicio = fim + 1;
  }
  if (caminho.back() == '/') absoluto += '/';
  return absoluto;
}

void Fechar(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

TCacheGrade::Leitor::Leitor(const TCacheGrade& cache) {
  if (!cache.PorNotificacao()) return;
  // A reader's own view of the mount table starts now; what changed before is in
  // the cache's, which its first query polls.
  fdMontagens_ = ::open(kTabelaMontagens, O_RDONLY | O_CLOEXEC);
  fdEspera_ = ::epoll_create1(EPOLL_CLOEXEC);
  epoll_event notificacao{};
  notificacao.events = EPOLLIN;
  notificacao.data.u32 = kMarcaNotificacao;
  epoll_event montagens{};
  montagens.events = EPOLLPRI;
  montagens.data.u32 = kMarcaMontagens;
  if (fdMontagens_ < 0 || fdEspera_ < 0 ||
      ::epoll_ctl(fdEspera_, EPOLL_CTL_ADD, cache.fdNotificacao_, &notificacao) != 0 ||
      ::epoll_ctl(fdEspera_, EPOLL_CTL_ADD, fdMontagens_, &montagens) != 0) {
    Fechar(fdEspera_);  // its cache then turns to stat() at its first query
    Fechar(fdMontagens_);
  }
}

TCacheGrade::Leitor::~Leitor() {
  Fechar(fdEspera_);
  Fechar(fdMontagens_);
}

TCacheGrade::TCacheGrade(std::string caminho, Deteccao deteccao)
    : caminho_(Absoluto(std::move(caminho))) {
  if (deteccao != Deteccao::Automatica || !DividirCaminho(caminho_, componentes_)) return;
  fdNotificacao_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  fdMontagens_ = ::open(kTabelaMontagens, O_RDONLY | O_CLOEXEC);
  if (fdNotificacao_ < 0 || fdMontagens_ < 0) {
    Fechar(fdNotificacao_);
    Fechar(fdMontagens_);
    return;
  }
  notificacao_.store(true, std::memory_order_release);
}

TCacheGrade::~TCacheGrade() {
  Fechar(fdNotificacao_);
  Fechar(fdMontagens_);
}

const std::shared_ptr<const GradeCarregada>& TCacheGrade::Obter(Leitor& leitor) {
  // The common case, without the lock: nothing was notified since this reader
  // took its grid, nobody is taking in notifications right now (whoever read
  // them flags ocupado_ before reading, and keeps it until the new grid is
  // out), and the grid is still the one this reader holds.
  bool montagemMudou = false;
  if (notificacao_.load(std::memory_order_acquire) && leitor.geracao_ != 0 &&
      !Pendente(leitor, montagemMudou) && !ocupado_.load() &&
      valida_.load(std::memory_order_acquire) &&
      geracao_.load(std::memory_order_acquire) == leitor.geracao_)
    return leitor.grade_;

  if (!notificacao_.load(std::memory_order_acquire)) {
    // Examined before taking the lock, so that threads do not queue behind each
    // other's system calls.
    AssinaturaArquivo atual;
    const bool existe = AssinaturaDe(caminho_, atual);
    std::lock_guard<std::mutex> trava(mutex_);
    return ObterPorStat(leitor, existe, atual);
  }
  std::lock_guard<std::mutex> trava(mutex_);
  ocupado_.store(true);
  struct Liberar {
    std::atomic<bool>& ocupado;
    ~Liberar() { ocupado.store(false, std::memory_order_release); }
  } liberar{ocupado_};
  if (!notificacao_.load(std::memory_order_relaxed)) {
    AssinaturaArquivo atual;
    const bool existe = AssinaturaDe(caminho_, atual);
    return ObterPorStat(leitor, existe, atual);
  }
  return ObterPorNotificacao(leitor, montagemMudou);
}

bool TCacheGrade::Pendente(Leitor& leitor, bool& montagemMudou) const {
  // Both descriptors wake the epoll set from within the system call that made
  // the change, so an empty ready list means that nothing happened until now.
  epoll_event eventos[2];
  const int prontos = ::epoll_wait(leitor.fdEspera_, eventos, 2, 0);
  for (int k = 0; k < prontos; ++k)
    if (eventos[k].data.u32 == kMarcaMontagens) montagemMudou = true;
  return prontos != 0;  // a failed wait counts as a change
}

const std::shared_ptr<const GradeCarregada>& TCacheGrade::ObterPorNotificacao(Leitor& leitor,
                                                                              bool montagemMudou) {
  bool mudou = !valida_.load(std::memory_order_relaxed) || montagemMudou;
  if (leitor.fdEspera_ < 0) {
    PassarParaStat();
    AssinaturaArquivo atual;
    const bool existe = AssinaturaDe(caminho_, atual);
    return ObterPorStat(leitor, existe, atual);
  }
  if (Drenar()) mudou = true;
  pollfd montagens{fdMontagens_, POLLPRI, 0};
  if (::poll(&montagens, 1, 0) != 0) mudou = true;
  if (!mudou) return Entregar(leitor);

  // Watches first, then the file: a change after this point is notified, one
  // before it is in what is read.
  valida_.store(false, std::memory_order_relaxed);
  if (!Armar()) {
    PassarParaStat();
    AssinaturaArquivo atual;
    const bool existe = AssinaturaDe(caminho_, atual);
    return ObterPorStat(leitor, existe, atual);
  }
  std::string conteudo;
  try {
    conteudo = LerArquivo(caminho_);
  } catch (...) {
    EsquecerGrade(leitor);
    throw;
  }
  grade_ = Analisar(conteudo);
  geracao_.fetch_add(1, std::memory_order_release);
  valida_.store(true, std::memory_order_release);
  return Entregar(leitor);
}

bool TCacheGrade::Drenar() {
  alignas(inotify_event) char buffer[16 * 1024];
  bool relevante = false;
  for (;;) {
    const ssize_t lidos = ::read(fdNotificacao_, buffer, sizeof buffer);
    if (lidos < 0 && errno == EINTR) continue;
    if (lidos < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (lidos <= 0) return true;  // cannot tell what happened: assume a change
    for (ssize_t p = 0; p < lidos;) {
      // The kernel aligns every event in the buffer for its header.
      const auto* evento = reinterpret_cast<const inotify_event*>(buffer + p);
      const char* inicioNome = buffer + p + sizeof(inotify_event);
      const std::string_view nome(inicioNome, ::strnlen(inicioNome, evento->len));
      const int wd = evento->wd;
      const std::uint32_t mascara = evento->mask;
      p += static_cast<ssize_t>(sizeof(inotify_event) + evento->len);
      if (mascara & IN_Q_OVERFLOW) {
        relevante = true;
        continue;
      }
      const auto vigia =
          std::find_if(vigias_.begin(), vigias_.end(), [wd](const Vigia& v) { return v.wd == wd; });
      if (vigia == vigias_.end()) continue;  // a watch given up
      const std::size_t n = componentes_.size();
      // The file itself; a folder itself (its renaming, removal, attributes, the
      // end of its watch); the file's name in its folder.
      if (vigia->nivel == n || nome.empty() ||
          (vigia->nivel + 1 == n && nome == componentes_.back()))
        relevante = true;
    }
  }
  return relevante;
}

bool TCacheGrade::Armar() {
  // Watches that stay on the same inode keep their descriptor (adding one again
  // only sets its events); those left behind are given up at the end.
  std::vector<Vigia> novas;
  auto concluir = [&](bool confiavel) {
    for (const Vigia& v : vigias_)
      if (std::none_of(novas.begin(), novas.end(), [&](const Vigia& n) { return n.wd == v.wd; }))
        ::inotify_rm_watch(fdNotificacao_, v.wd);
    vigias_ = std::move(novas);
    return confiavel;
  };
  // A name that is missing, or no folder, ends the walk: reading the file then
  // fails, and every query tries again until it succeeds. A symbolic link on the
  // way is refused (its target could change unseen).
  auto ausente = [&](const std::string& caminho) {
    const int erro = errno;
    struct stat st {};
    return concluir(erro == ENOENT || (erro == ENOTDIR && ::lstat(caminho.c_str(), &st) == 0 &&
                                       !S_ISLNK(st.st_mode)));
  };
  // From the root down: each folder is watched before its entries are looked at,
  // so nothing can change between looking and watching.
  const std::size_t n = componentes_.size();
  std::string pasta = "/";
  for (std::size_t nivel = 0; nivel < n; ++nivel) {
    if (nivel > 0) pasta += (nivel > 1 ? "/" : "") + componentes_[nivel - 1];
    const int wd = ::inotify_add_watch(fdNotificacao_, pasta.c_str(),
                                       nivel + 1 == n ? kEventosPasta : kEventosAcima);
    if (wd < 0) return ausente(pasta);
    novas.push_back({wd, nivel});
    if (!SistemaLocal(pasta.c_str())) return concluir(false);
  }
  const int wd = ::inotify_add_watch(fdNotificacao_, caminho_.c_str(), kEventosArquivo);
  if (wd < 0) return ausente(caminho_);
  novas.push_back({wd, n});
  struct stat st {};
  if (::lstat(caminho_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return concluir(false);
  return concluir(SistemaLocal(caminho_.c_str()));
}

void TCacheGrade::PassarParaStat() {
  // The descriptors stay open until the end: a thread may be polling them.
  for (const Vigia& v : vigias_) ::inotify_rm_watch(fdNotificacao_, v.wd);
  vigias_.clear();
  valida_.store(false, std::memory_order_release);
  notificacao_.store(false, std::memory_order_release);
}

void TCacheGrade::EsquecerGrade(Leitor& leitor) {
  // Stays invalid: every query reads again until the file can be read.
  if (grade_) {
    grade_.reset();
    geracao_.fetch_add(1, std::memory_order_release);
  }
  leitor.grade_.reset();
  leitor.geracao_ = 0;
}

const std::shared_ptr<const GradeCarregada>& TCacheGrade::ObterPorStat(
    Leitor& leitor, bool existe, const AssinaturaArquivo& atual) {
  if (existe && grade_ && assinatura_ == atual && confiavel_) return Entregar(leitor);
  // Changed, new, or too young to trust its stamps: read it (this also raises the
  // file's own error when it is gone or unreadable).
  AssinaturaArquivo lida;
  bool estavel = false;
  std::string conteudo;
  try {
    conteudo = LerArquivo(caminho_, &lida, &estavel);
  } catch (...) {
    EsquecerGrade(leitor);
    throw;
  }
  const bool mesmo = grade_ && !confiavel_ && assinatura_ == lida && conteudo_ == conteudo;
  if (!mesmo) {
    grade_ = Analisar(conteudo);
    geracao_.fetch_add(1, std::memory_order_release);
  }
  assinatura_ = lida;
  confiavel_ = estavel && Envelhecida(lida);
  if (confiavel_)
    std::string().swap(conteudo_);
  else
    conteudo_ = std::move(conteudo);
  return Entregar(leitor);
}

std::shared_ptr<const GradeCarregada> TCacheGrade::Analisar(std::string_view conteudo) {
  analises_.fetch_add(1, std::memory_order_relaxed);
  return GradeCarregada::Analisar(conteudo, caminho_);
}

const std::shared_ptr<const GradeCarregada>& TCacheGrade::Entregar(Leitor& leitor) {
  const std::uint64_t geracao = geracao_.load(std::memory_order_relaxed);
  if (leitor.geracao_ != geracao) {
    leitor.grade_ = grade_;
    leitor.geracao_ = geracao;
  }
  return leitor.grade_;
}

}  // namespace nivora
