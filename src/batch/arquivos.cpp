// The files of a batch run: opening, reading lines, buffered writing, counting lines.
#include "batch/arquivos.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "text/cp1252.hpp"
#include "text/descritor.hpp"

namespace nivora {

namespace {

constexpr size_t kTamanhoBuffer = 64 * 1024;

bool Regular(int fd, struct stat& st) {
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

// ---------------------------------------------------------------------------
// Opening

bool MesmoArquivo(int fdA, int fdB) {
  struct stat a {};
  struct stat b {};
  if (::fstat(fdA, &a) != 0 || ::fstat(fdB, &b) != 0) return false;
  return S_ISREG(a.st_mode) && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int AbrirEntrada(const std::string& arquivo) {
  GuardaDescritor fd(::open(arquivo.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) throw EArquivoInvalido(arquivo, RazaoDoSistema(errno));
  struct stat st {};
  if (::fstat(fd.Get(), &st) == 0 && S_ISDIR(st.st_mode)) {
    throw EArquivoInvalido(arquivo, RazaoDoSistema(EISDIR));
  }
  return fd.Liberar();
}

int CriarSaida(const std::string& arquivo, int fdEntrada) {
  struct stat entrada {};
  const bool entradaRegular = Regular(fdEntrada, entrada);
  struct stat existente {};
  // Refused before anything is opened for writing, whatever the names (hard or
  // symbolic links included).
  if (entradaRegular && ::stat(arquivo.c_str(), &existente) == 0 &&
      existente.st_dev == entrada.st_dev && existente.st_ino == entrada.st_ino) {
    throw EMesmoArquivo();
  }
  // Opened without truncation, checked once more on the open descriptor (the name
  // may have changed meanwhile), then truncated.
  GuardaDescritor fd(::open(arquivo.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (fd.Get() < 0) throw EArquivoInvalido(arquivo, RazaoDoSistema(errno));
  if (MesmoArquivo(fdEntrada, fd.Get())) throw EMesmoArquivo();
  struct stat saida {};
  if (Regular(fd.Get(), saida) && ::ftruncate(fd.Get(), 0) != 0) {
    throw EArquivoInvalido(arquivo, RazaoDoSistema(errno));
  }
  return fd.Liberar();
}

// ---------------------------------------------------------------------------
// Reading

LeitorLinhas::LeitorLinhas(int fd, std::string nome) : fd_(fd), nome_(std::move(nome)) {
  buffer_.resize(kTamanhoBuffer);
}

bool LeitorLinhas::EsperarDados() {
  constexpr int kEsperaMs = 50;
  while (!parar_->load()) {
    pollfd pfd{fd_, POLLIN, 0};
    const int pronto = ::poll(&pfd, 1, kEsperaMs);
    if (pronto > 0 || (pronto < 0 && errno != EINTR)) return true;  // read() tells the rest
  }
  return false;
}

bool LeitorLinhas::Encher() {
  while (!acabou_) {
    if (parar_ != nullptr && !EsperarDados()) {
      acabou_ = true;
      return false;
    }
    const ssize_t lidos = ::read(fd_, buffer_.data(), buffer_.size());
    if (lidos < 0) {
      if (errno == EINTR) continue;
      const int erro = errno;
      acabou_ = true;
      throw FalhaDeArquivo("ler", nome_, erro);
    }
    inicio_ = 0;
    fim_ = static_cast<size_t>(lidos);
    if (lidos == 0) acabou_ = true;
    return lidos > 0;
  }
  return false;
}

bool LeitorLinhas::Fim() {
  if (inicio_ == fim_ && !Encher()) return true;
  return buffer_[inicio_] == kFimDeTexto;
}

bool LeitorLinhas::LerLinha(std::string& linha) {
  if (!LerLinhaBruta(linha)) return false;
  if (utf8_) linha = Utf8ParaCp1252(linha);
  return true;
}

bool LeitorLinhas::LerLinhaBruta(std::string& linha) {
  if (Fim()) return false;
  linha.clear();
  while (true) {
    for (size_t i = inicio_; i < fim_; ++i) {
      const char c = buffer_[i];
      if (c == '\n') {
        inicio_ = i + 1;
        return true;
      }
      if (c == kFimDeTexto) {  // stays in the buffer: Fim() answers true from now on
        inicio_ = i;
        return true;
      }
      if (c != '\r') linha.push_back(c);
    }
    inicio_ = fim_;
    if (!Encher()) return true;  // a last line without a break
  }
}

// ---------------------------------------------------------------------------
// Writing

EscritorSaida::EscritorSaida(int fd, std::string nome, bool fechar)
    : fd_(fd), nome_(std::move(nome)), fechar_(fechar) {
  buffer_.reserve(kTamanhoBuffer);
}

EscritorSaida::~EscritorSaida() {
  if (fechado_) return;
  try {
    Fechar();
  } catch (const ErroNivora&) {
    // A destructor cannot report; callers that care call Fechar themselves.
  }
}

void EscritorSaida::EscreverTudo(const char* dados, size_t tamanho) {
  while (tamanho > 0) {
    const ssize_t escritos = ::write(fd_, dados, tamanho);
    if (escritos < 0) {
      if (errno == EINTR) continue;
      throw FalhaDeArquivo("gravar", nome_, errno);
    }
    dados += escritos;
    tamanho -= static_cast<size_t>(escritos);
  }
}

void EscritorSaida::Escrever(std::string_view bytes) {
  if (fechado_) throw FalhaDeArquivo("gravar", nome_, "j\xE1 fechado");
  if (utf8_) {
    EscreverNoBuffer(Cp1252ParaUtf8(bytes));
  } else {
    EscreverNoBuffer(bytes);
  }
}

void EscritorSaida::EscreverNoBuffer(std::string_view bytes) {
  if (buffer_.size() + bytes.size() > kTamanhoBuffer) {
    Descarregar();
    if (bytes.size() >= kTamanhoBuffer) {
      EscreverTudo(bytes.data(), bytes.size());
      return;
    }
  }
  buffer_.append(bytes);
}

void EscritorSaida::Descarregar() {
  if (buffer_.empty()) return;
  // What failed to go out stays buffered: the error is reported, never hidden.
  EscreverTudo(buffer_.data(), buffer_.size());
  buffer_.clear();
}

void EscritorSaida::Fechar() {
  if (fechado_) return;
  fechado_ = true;
  try {
    Descarregar();
  } catch (...) {
    if (fechar_) ::close(fd_);
    throw;
  }
  if (fechar_ && ::close(fd_) != 0 && errno != EINTR) {
    throw FalhaDeArquivo("fechar", nome_, errno);
  }
}

// ---------------------------------------------------------------------------
// Counting

std::int64_t ContarLinhas(int fd, const std::string& nome) {
  std::string buffer(kTamanhoBuffer, '\0');
  std::int64_t quebras = 0;
  bool crPendente = false;   // the last byte seen was a CR (a LF right after it is the same break)
  bool linhaAberta = false;  // bytes after the last break
  while (true) {
    const ssize_t lidos = ::read(fd, buffer.data(), buffer.size());
    if (lidos < 0) {
      if (errno == EINTR) continue;
      throw FalhaDeArquivo("ler", nome, errno);
    }
    if (lidos == 0) break;
    for (ssize_t i = 0; i < lidos; ++i) {
      const char c = buffer[static_cast<size_t>(i)];
      if (c == '\n') {
        if (!crPendente) ++quebras;
        crPendente = false;
        linhaAberta = false;
      } else if (c == '\r') {
        ++quebras;
        crPendente = true;
        linhaAberta = false;
      } else {
        crPendente = false;
        linhaAberta = true;
      }
    }
  }
  return quebras + (linhaAberta ? 1 : 0);
}

std::int64_t ContarLinhas(const std::string& arquivo) {
  GuardaDescritor fd(AbrirEntrada(arquivo));
  return ContarLinhas(fd.Get(), arquivo);
}

std::int64_t ContarLinhasDoInicio(int fd, const std::string& nome) {
  struct stat st {};
  if (!Regular(fd, st) || ::lseek(fd, 0, SEEK_CUR) != 0) return -1;
  const std::int64_t total = ContarLinhas(fd, nome);
  if (::lseek(fd, 0, SEEK_SET) != 0) throw FalhaDeArquivo("ler", nome, errno);
  return total;
}

}  // namespace nivora
