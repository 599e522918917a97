// Reading the geoid grid file.
#include "geoid/grade.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "text/erros.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

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

// Closes the descriptor on every way out.
struct Descritor {
  int fd;
  ~Descritor() {
    if (fd >= 0) ::close(fd);
  }
};

// Characters of `linha` from `inicio` on, at most `largura`; empty past the end.
std::string_view Campo(std::string_view linha, std::size_t inicio, std::size_t largura) {
  if (inicio >= linha.size()) return {};
  return linha.substr(inicio, largura);
}

}  // namespace

bool AssinaturaDe(const std::string& caminho, AssinaturaArquivo& assinatura) {
  struct stat st {};
  if (::stat(caminho.c_str(), &st) != 0) return false;
  assinatura = Assinatura(st);
  return true;
}

std::string LerArquivo(const std::string& caminho, AssinaturaArquivo* assinatura, bool* estavel) {
  Descritor d{::open(caminho.c_str(), O_RDONLY | O_CLOEXEC)};
  if (d.fd < 0) throw EFOpenError(ErroAbertura(caminho, errno));
  struct stat antes {};
  if (::fstat(d.fd, &antes) != 0) throw EFOpenError(ErroAbertura(caminho, errno));
  // A folder opens for reading here but is no file: refuse it as opening does elsewhere.
  if (S_ISDIR(antes.st_mode)) throw EFOpenError(ErroAbertura(caminho, EISDIR));

  std::string bytes;
  if (antes.st_size > 0) bytes.reserve(static_cast<std::size_t>(antes.st_size));
  char bloco[1 << 16];
  for (;;) {
    const ssize_t lidos = ::read(d.fd, bloco, sizeof bloco);
    if (lidos < 0) {
      if (errno == EINTR) continue;
      throw FalhaDeArquivo("ler", caminho, errno);
    }
    if (lidos == 0) break;
    bytes.append(bloco, static_cast<std::size_t>(lidos));
  }
  if (assinatura != nullptr || estavel != nullptr) {
    struct stat depois {};
    if (::fstat(d.fd, &depois) != 0) depois = antes;
    if (assinatura != nullptr) *assinatura = Assinatura(depois);
    if (estavel != nullptr) *estavel = Assinatura(antes) == Assinatura(depois);
  }
  return bytes;
}

std::vector<std::string> DividirLinhas(std::string_view conteudo) {
  const std::size_t nul = conteudo.find('\0');
  if (nul != std::string_view::npos) conteudo = conteudo.substr(0, nul);
  std::vector<std::string> linhas;
  std::size_t inicio = 0;
  const std::size_t fim = conteudo.size();
  while (inicio < fim) {
    std::size_t quebra = inicio;
    while (quebra < fim && conteudo[quebra] != '\r' && conteudo[quebra] != '\n') ++quebra;
    linhas.emplace_back(conteudo.substr(inicio, quebra - inicio));
    if (quebra == fim) break;
    inicio = quebra + 1;
    if (conteudo[quebra] == '\r' && inicio < fim && conteudo[inicio] == '\n') ++inicio;
  }
  return linhas;
}

std::vector<std::string> CarregarLinhas(const std::string& caminho) {
  return DividirLinhas(LerArquivo(caminho));
}

TNoGrade LerNo(std::string_view linha) {
  TNoGrade no;
  no.Lon = StrToFloat(Campo(linha, kInicioLon, kLarguraLon)) - kVoltaGrausLon;
  no.Lat = StrToFloat(Campo(linha, kInicioLat, kLarguraLat));
  no.N = StrToFloat(Trim(Campo(linha, kInicioN, kLarguraN)));
  return no;
}

}  // namespace nivora
