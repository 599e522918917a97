// Reading a file whole, with the signature of the version read.
#include "geoid/arquivo.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "text/descritor.hpp"
#include "text/erros.hpp"

namespace nivora {

namespace {

constexpr std::int64_t kNsPorSegundo = 1000000000;

AssinaturaArquivo Assinatura(const struct stat& st) {
  AssinaturaArquivo a;
  a.dispositivo = static_cast<std::uint64_t>(st.st_dev);
  a.inode = static_cast<std::uint64_t>(st.st_ino);
  a.tamanhoBytes = static_cast<std::int64_t>(st.st_size);
  a.modificacaoNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * kNsPorSegundo +
                    static_cast<std::int64_t>(st.st_mtim.tv_nsec);
  a.mudancaNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * kNsPorSegundo +
                static_cast<std::int64_t>(st.st_ctim.tv_nsec);
  return a;
}

std::string ErroAbertura(const std::string& caminho, int erro) {
  return "Cannot open file \"" + caminho + "\". " + RazaoDoSistema(erro);
}

}  // namespace

bool AssinaturaDe(const std::string& caminho, AssinaturaArquivo& assinatura) {
  struct stat st {};
  if (::stat(caminho.c_str(), &st) != 0) return false;
  assinatura = Assinatura(st);
  return true;
}

std::string LerArquivo(const std::string& caminho, AssinaturaArquivo* assinatura, bool* estavel) {
  const GuardaDescritor d(::open(caminho.c_str(), O_RDONLY | O_CLOEXEC));
  if (d.Get() < 0) throw EAberturaArquivo(ErroAbertura(caminho, errno));
  struct stat antes {};
  if (::fstat(d.Get(), &antes) != 0) throw EAberturaArquivo(ErroAbertura(caminho, errno));
  // A folder opens for reading here but is no file: refuse it as opening does elsewhere.
  if (S_ISDIR(antes.st_mode)) throw EAberturaArquivo(ErroAbertura(caminho, EISDIR));

  std::string bytes;
  if (antes.st_size > 0) bytes.reserve(static_cast<std::size_t>(antes.st_size));
  char bloco[1 << 16];
  for (;;) {
    const ssize_t lidos = ::read(d.Get(), bloco, sizeof bloco);
    if (lidos < 0) {
      if (errno == EINTR) continue;
      throw FalhaDeArquivo("ler", caminho, errno);
    }
    if (lidos == 0) break;
    bytes.append(bloco, static_cast<std::size_t>(lidos));
  }
  if (assinatura != nullptr || estavel != nullptr) {
    struct stat depois {};
    if (::fstat(d.Get(), &depois) != 0) depois = antes;
    if (assinatura != nullptr) *assinatura = Assinatura(depois);
    if (estavel != nullptr) *estavel = Assinatura(antes) == Assinatura(depois);
  }
  return bytes;
}

std::vector<std::string> DividirLinhas(std::string_view conteudo) {
  std::vector<std::string> linhas;
  ParaCadaLinha(conteudo, [&](std::string_view linha) { linhas.emplace_back(linha); });
  return linhas;
}

std::vector<std::string> CarregarLinhas(const std::string& caminho) {
  return DividirLinhas(LerArquivo(caminho));
}

}  // namespace nivora
