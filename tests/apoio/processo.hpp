// Test support: a program run as a child process, its standard streams from files
// or pipes, its exit status and its peak memory.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "apoio/arquivos.hpp"

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

  /// Starts `programa` with `args` (argv[0] is the program itself).
  Processo(const std::string& programa, const std::vector<std::string>& args, const Fluxos& fluxos);
  /// Closes the pipes and waits for the child.
  ~Processo();
  Processo(const Processo&) = delete;
  Processo& operator=(const Processo&) = delete;

  bool Iniciado() const { return pid_ > 0; }
  /// Closes the child's stdin pipe: the end of its input.
  void FecharEscrita();
  /// Waits for the end of the child.
  Termino Esperar();

  int fdEscrita = -1;  ///< the child's stdin, when it is a pipe
  int fdLeitura = -1;  ///< the child's stdout, when it is a pipe

 private:
  pid_t pid_ = -1;
};

/// Writes all of `bytes` to `fd`; false when the reader went away.
bool EscreverTudo(int fd, const std::string& bytes);

/// What a finished run gave.
struct Execucao {
  int status = -1;
  std::string saida;  ///< stdout bytes (empty when stdout went to a file of the caller's)
  std::string erros;  ///< stderr bytes
};

/// Runs `programa` to its end with `args` and the bytes `entrada` as its standard
/// input. Its standard output goes to `saida`, or, when `saida` is empty, to a file
/// of `pasta` whose bytes are returned; its standard error always to a file of `pasta`.
Execucao RodarAteOFim(const std::string& programa, const PastaTemporaria& pasta,
                      const std::vector<std::string>& args, const std::string& entrada,
                      const std::string& saida = "");

}  // namespace nivora::teste
