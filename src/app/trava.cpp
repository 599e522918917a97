// The single-instance lock: an advisory flock on a per-user file.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "app/plataforma.hpp"

namespace nivora {

namespace {
constexpr const char* kNomeTrava = "NIVORA2015";
}

std::string CaminhoTravaInstancia() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') {
    return (std::filesystem::path(runtime) / kNomeTrava).string();
  }
  std::error_code erro;
  std::filesystem::path temporaria = std::filesystem::temp_directory_path(erro);
  if (erro) temporaria = "/tmp";
  return (temporaria / (std::string(kNomeTrava) + "-" + std::to_string(::getuid()) + ".lock"))
      .string();
}

TravaInstancia::TravaInstancia(const std::string& caminho) {
  // O_NOFOLLOW: in a shared temporary folder another user could plant a link.
  // O_CLOEXEC: programs started from the window must not inherit the lock.
  descritor_ = ::open(caminho.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (descritor_ < 0) {
    estado_ = EstadoTrava::Indisponivel;
    return;
  }
  int resultado = 0;
  do {
    resultado = ::flock(descritor_, LOCK_EX | LOCK_NB);
  } while (resultado != 0 && errno == EINTR);
  if (resultado == 0) {
    estado_ = EstadoTrava::Obtida;
    return;
  }
  estado_ = (errno == EWOULDBLOCK) ? EstadoTrava::EmUso : EstadoTrava::Indisponivel;
  ::close(descritor_);
  descritor_ = -1;
}

TravaInstancia::~TravaInstancia() {
  if (descritor_ >= 0) ::close(descritor_);  // closing drops the lock
}

}  // namespace nivora
