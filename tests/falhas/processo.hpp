// Running nivora2015-cli as a child process for the fault and load tests:
// standard streams from files or pipes, exit status, and peak memory.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace nivora::teste {

/// How a child ended: exit status (128 + signal when killed) and peak resident memory.
struct Termino {
  int status = -1;
  long picoKiB = 0;
};

/// A started child. Each stream is either a file path opened for it or, when the
/// path is empty, a pipe whose other end the test gets (-1 when not asked for).
class Processo {
 public:
  struct Fluxos {
    std::string entrada;  ///< file for stdin; empty: a pipe (fdEscrita)
    std::string saida;    ///< file for stdout; empty: a pipe (fdLeitura)
    std::string erros;    ///< file for stderr (required)
  };

  Processo(const std::vector<std::string>& args, const Fluxos& fluxos) {
    int pipeEntrada[2] = {-1, -1};
    int pipeSaida[2] = {-1, -1};
    posix_spawn_file_actions_t acoes;
    posix_spawn_file_actions_init(&acoes);
    if (fluxos.entrada.empty()) {
      if (::pipe2(pipeEntrada, O_CLOEXEC) != 0) return;
      posix_spawn_file_actions_adddup2(&acoes, pipeEntrada[0], 0);
      fdEscrita = pipeEntrada[1];
    } else {
      posix_spawn_file_actions_addopen(&acoes, 0, fluxos.entrada.c_str(), O_RDONLY, 0);
    }
    if (fluxos.saida.empty()) {
      if (::pipe2(pipeSaida, O_CLOEXEC) != 0) return;
      posix_spawn_file_actions_adddup2(&acoes, pipeSaida[1], 1);
      fdLeitura = pipeSaida[0];
    } else {
      posix_spawn_file_actions_addopen(&acoes, 1, fluxos.saida.c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    posix_spawn_file_actions_addopen(&acoes, 2, fluxos.erros.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<std::string> todos = {NIVORA_CLI};
    todos.insert(todos.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : todos) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, NIVORA_CLI, &acoes, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&acoes);
    // The child's ends belong to the child now.
    if (pipeEntrada[0] >= 0) ::close(pipeEntrada[0]);
    if (pipeSaida[1] >= 0) ::close(pipeSaida[1]);
  }

  ~Processo() {
    FecharEscrita();
    if (fdLeitura >= 0) ::close(fdLeitura);
    if (pid_ > 0) Esperar();
  }
  Processo(const Processo&) = delete;
  Processo& operator=(const Processo&) = delete;

  bool Iniciado() const { return pid_ > 0; }

  void FecharEscrita() {
    if (fdEscrita >= 0) ::close(fdEscrita);
    fdEscrita = -1;
  }

  /// Waits for the end of the child.
  Termino Esperar() {
    Termino t;
    int estado = 0;
    rusage uso{};
    if (pid_ > 0 && ::wait4(pid_, &estado, 0, &uso) == pid_) {
      t.status = WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
      t.picoKiB = uso.ru_maxrss;
    }
    pid_ = -1;
    return t;
  }

  int fdEscrita = -1;  ///< the child's stdin, when it is a pipe
  int fdLeitura = -1;  ///< the child's stdout, when it is a pipe

 private:
  pid_t pid_ = -1;
};

/// Writes all of `bytes` to `fd`; false when the reader went away.
inline bool EscreverTudo(int fd, const std::string& bytes) {
  std::size_t feito = 0;
  while (feito < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + feito, bytes.size() - feito);
    if (n <= 0) return false;
    feito += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace nivora::teste
