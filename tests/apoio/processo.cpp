// Test support: a program run as a child process.
#include "apoio/processo.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace nivora::teste {

namespace {

/// Gives the child's stream `fdFilho` the file `arquivo`, opened with `flags`, or,
/// when `arquivo` is empty, one end of a new pipe: the child's end goes to `doFilho`
/// (the parent closes it once the child has started), the other end to `nosso`.
/// False when no pipe could be made.
bool Ligar(posix_spawn_file_actions_t& acoes, int fdFilho, const std::string& arquivo, int flags,
           int& doFilho, int& nosso) {
  if (!arquivo.empty()) {
    posix_spawn_file_actions_addopen(&acoes, fdFilho, arquivo.c_str(), flags, 0644);
    return true;
  }
  int tubo[2];
  if (::pipe2(tubo, O_CLOEXEC) != 0) return false;
  const bool filhoLe = fdFilho == STDIN_FILENO;
  doFilho = tubo[filhoLe ? 0 : 1];
  nosso = tubo[filhoLe ? 1 : 0];
  posix_spawn_file_actions_adddup2(&acoes, doFilho, fdFilho);
  return true;
}

}  // namespace

Processo::Processo(const std::string& programa, const std::vector<std::string>& args,
                   const Fluxos& fluxos) {
  constexpr int kCriar = O_WRONLY | O_CREAT | O_TRUNC;
  posix_spawn_file_actions_t acoes;
  posix_spawn_file_actions_init(&acoes);
  int entradaDoFilho = -1;
  int saidaDoFilho = -1;
  const bool ligado =
      Ligar(acoes, STDIN_FILENO, fluxos.entrada, O_RDONLY, entradaDoFilho, fdEscrita) &&
      Ligar(acoes, STDOUT_FILENO, fluxos.saida, kCriar, saidaDoFilho, fdLeitura);
  posix_spawn_file_actions_addopen(&acoes, STDERR_FILENO, fluxos.erros.c_str(), kCriar, 0644);
  if (ligado) {
    std::vector<std::string> todos = {programa};
    todos.insert(todos.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : todos) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, programa.c_str(), &acoes, nullptr, argv.data(), environ) != 0) pid_ = -1;
  }
  posix_spawn_file_actions_destroy(&acoes);
  // The child's ends belong to the child now.
  for (const int fd : {entradaDoFilho, saidaDoFilho}) {
    if (fd >= 0) ::close(fd);
  }
}

Processo::~Processo() {
  FecharEscrita();
  if (fdLeitura >= 0) ::close(fdLeitura);
  if (pid_ > 0) Esperar();
}

void Processo::FecharEscrita() {
  if (fdEscrita >= 0) ::close(fdEscrita);
  fdEscrita = -1;
}

Termino Processo::Esperar() {
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

bool EscreverTudo(int fd, const std::string& bytes) {
  std::size_t feito = 0;
  while (feito < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + feito, bytes.size() - feito);
    if (n <= 0) return false;
    feito += static_cast<std::size_t>(n);
  }
  return true;
}

Execucao RodarAteOFim(const std::string& programa, const PastaTemporaria& pasta,
                      const std::vector<std::string>& args, const std::string& entrada,
                      const std::string& saida) {
  GravarArquivo(pasta / "stdin", entrada);
  const std::string arquivoSaida = saida.empty() ? pasta / "stdout" : saida;
  Processo processo(programa, args, {pasta / "stdin", arquivoSaida, pasta / "stderr"});
  Execucao r;
  r.status = processo.Esperar().status;
  if (saida.empty()) r.saida = LerArquivoTodo(arquivoSaida);
  r.erros = LerArquivoTodo(pasta / "stderr");
  return r;
}

}  // namespace nivora::teste
