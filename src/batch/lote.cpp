// The batch run: line processing, reading, writing, files and the run itself.
#include "batch/lote.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "batch/registro.hpp"
#include "coords/ponto.hpp"
#include "geoid/consulta.hpp"
#include "text/descritor.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace nivora {

namespace {

constexpr size_t kTamanhoBuffer = 64 * 1024;
constexpr std::string_view kSeparadorColunas = "  ";
constexpr std::string_view kSeparadorMotivo = "|";
constexpr const char* kMascaraOndulacao = "#0.00";
constexpr const char* kMascaraCoord = "#0.0000";

std::string D(long double x) {
  return AjustaCampo12(FormatFloat(kMascaraCoord, x));
}

}  // namespace

// ---------------------------------------------------------------------------
// Options

OpcoesLote OpcoesLote::De(TListaFormato formato, bool saidaId, bool saidaCoord) {
  OpcoesLote opcoes;
  opcoes.FormatoCoord = formato.CodigoCoord();
  opcoes.formato = std::move(formato);
  opcoes.SaidaId = saidaId;
  opcoes.SaidaCoord = saidaCoord;
  return opcoes;
}

void OpcoesLote::Validar() const {
  const bool coordOk = FormatoCoord.size() == 1 && FormatoCoord[0] >= '0' && FormatoCoord[0] <= '3';
  if (formato.CodigoCoord().empty() || !coordOk) throw ErroNivora(kMsgPreenchimento);
}

// ---------------------------------------------------------------------------
// One line

ProcessadorLinha::ProcessadorLinha(const OpcoesLote& opcoes, TModeloGeoide& modelo)
    : opcoes_(opcoes), modelo_(modelo) {
  opcoes_.Validar();
  decimal_ = opcoes_.formato.Decimal();
  codigo_ = opcoes_.FormatoCoord[0];
}

TipoLinha ProcessadorLinha::Processar(std::string_view linhaLida, std::string& saida) {
  linha_.assign(linhaLida);
  VirgPontoNoLugar(linha_);

  TPonto ponto;
  std::string id;
  bool recusado = false;
  if (decimal_) {
    long double lat = 0;
    long double lon = 0;
    try {
      ObterCoordDecimal(opcoes_.formato, linha_, id, lat, lon);
    } catch (const ErroNivora&) {
      throw EErroFormatacao();
    }
    ponto.Id = id;
    ponto.TipoEntrada = TipoEntradaPonto::Decimal;
    try {
      ponto.AtribuiLatLonDec(lat, lon);
    } catch (const EInvalidArgument&) {
      recusado = true;
    }
  } else {
    std::string sinalLat;
    std::int32_t grauLat = 0, minLat = 0, grauLon = 0, minLon = 0;
    long double segLat = 0, segLon = 0;
    try {
      ObterCoordGMS(opcoes_.formato, linha_, id, sinalLat, grauLat, minLat, grauLon, minLon, segLat,
                    segLon);
    } catch (const ErroNivora&) {
      throw EErroFormatacao();
    }
    ponto.Id = id;
    ponto.TipoEntrada = TipoEntradaPonto::GMS;
    try {
      ponto.AtribuiLatLonGMS(sinalLat, grauLat, minLat, segLat, grauLon, minLon, segLon);
    } catch (const EInvalidArgument&) {
      recusado = true;
    }
  }

  // The two coordinates in the input order of FormatoCoord (only when written:
  // formatting them costs more than the rest of the line).
  std::string c1, c2;
  auto coordenadas = [&] {
    switch (codigo_) {
      case '0':
        c1 = D(ponto.LatDec);
        c2 = D(ponto.LonDec);
        break;
      case '1':
        c1 = D(ponto.LonDec);
        c2 = D(ponto.LatDec);
        break;
      case '2':
        c1 = ponto.LatGMSTexto();
        c2 = ponto.LonGMSTexto();
        break;
      default:
        c1 = ponto.LonGMSTexto();
        c2 = ponto.LatGMSTexto();
        break;
    }
  };

  if (recusado) {
    coordenadas();
    const std::string_view separadorId = id.empty() ? std::string_view() : kSeparadorColunas;
    saida.append(ponto.Id).append(separadorId).append(c1).append(kSeparadorColunas).append(c2);
    saida.append(codigo_ == '3' ? kSeparadorColunas : kSeparadorMotivo);
    saida.append(MensagemErro(ponto.Erro)).append(kFimDeLinha);
    return TipoLinha::Rejeicao;
  }

  ponto.SaidaId = opcoes_.SaidaId;
  ponto.SaidaCoord = opcoes_.SaidaCoord;
  ponto.Ondulacao = modelo_.ObterOndulacao(ponto.LatDec, ponto.LonDec);
  if (ponto.SaidaId) saida.append(ponto.Id).append(kSeparadorColunas);
  if (ponto.SaidaCoord) {
    coordenadas();
    saida.append(c1).append(kSeparadorColunas).append(c2).append(kSeparadorColunas);
  }
  saida.append(AjustaCampo12(FormatFloat(kMascaraOndulacao, ponto.Ondulacao)));
  saida.append(kFimDeLinha);
  return TipoLinha::Resultado;
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
// Files

bool MesmoArquivo(int fdA, int fdB) {
  struct stat a {};
  struct stat b {};
  if (::fstat(fdA, &a) != 0 || ::fstat(fdB, &b) != 0) return false;
  return S_ISREG(a.st_mode) && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int AbrirEntrada(const std::string& arquivo) {
  const int fd = ::open(arquivo.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EArquivoInvalido(arquivo, RazaoDoSistema(errno));
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw EArquivoInvalido(arquivo, RazaoDoSistema(EISDIR));
  }
  return fd;
}

int CriarSaida(const std::string& arquivo, int fdEntrada) {
  struct stat entrada {};
  const bool entradaRegular = ::fstat(fdEntrada, &entrada) == 0 && S_ISREG(entrada.st_mode);
  struct stat existente {};
  // Refused before anything is opened for writing, whatever the names (hard or
  // symbolic links included).
  if (entradaRegular && ::stat(arquivo.c_str(), &existente) == 0 &&
      existente.st_dev == entrada.st_dev && existente.st_ino == entrada.st_ino) {
    throw EMesmoArquivo();
  }
  // Opened without truncation, checked once more on the open descriptor (the name
  // may have changed meanwhile), then truncated.
  const int fd = ::open(arquivo.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) throw EArquivoInvalido(arquivo, RazaoDoSistema(errno));
  if (MesmoArquivo(fdEntrada, fd)) {
    ::close(fd);
    throw EMesmoArquivo();
  }
  struct stat saida {};
  if (::fstat(fd, &saida) == 0 && S_ISREG(saida.st_mode) && ::ftruncate(fd, 0) != 0) {
    const int erro = errno;
    ::close(fd);
    throw EArquivoInvalido(arquivo, RazaoDoSistema(erro));
  }
  return fd;
}

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

// ---------------------------------------------------------------------------
// The run

ResultadoLote ProcessarLote(LeitorLinhas& entrada, EscritorSaida& saida, const OpcoesLote& opcoes,
                            TModeloGeoide& modelo, ObservadorLote& observador) {
  ProcessadorLinha processador(opcoes, modelo);
  ResultadoLote resultado;
  std::string linha;
  std::string linhaSaida;
  while (!entrada.Fim()) {
    ++resultado.linhasLidas;
    observador.AntesDaLinha(resultado.linhasLidas);
    entrada.LerLinha(linha);
    observador.LinhaLida(resultado.linhasLidas);
    observador.AntesDaDivisao();
    linhaSaida.clear();
    TipoLinha tipo;
    try {
      tipo = processador.Processar(linha, linhaSaida);
    } catch (const EErroFormatacao&) {
      resultado.fim = FimLote::ErroFormato;
      resultado.linhaErro = resultado.linhasLidas;
      return resultado;
    }
    saida.Escrever(linhaSaida);
    if (tipo == TipoLinha::Rejeicao) {
      ++resultado.rejeicoes;
      continue;
    }
    ++resultado.resultados;
    if (observador.Cancelado()) {
      resultado.fim = FimLote::Cancelado;
      return resultado;
    }
  }
  resultado.fim = FimLote::FimDoArquivo;
  return resultado;
}

ResultadoLote ExecutarLote(const std::string& entrada, const std::string& saida,
                           const OpcoesLote& opcoes, TModeloGeoide& modelo,
                           ObservadorLote& observador) {
  opcoes.Validar();
  GuardaDescritor fdEntrada(AbrirEntrada(entrada));
  EscritorSaida escritor(CriarSaida(saida, fdEntrada.Get()), saida, true);

  std::int64_t total = -1;
  if (observador.QuerTotal() && ::lseek(fdEntrada.Get(), 0, SEEK_CUR) == 0) {
    total = ContarLinhas(fdEntrada.Get(), entrada);
    if (::lseek(fdEntrada.Get(), 0, SEEK_SET) != 0) {
      throw FalhaDeArquivo("ler", entrada, errno);
    }
  }
  observador.Inicio(total);

  LeitorLinhas leitor(fdEntrada.Get(), entrada);
  return ExecutarEFechar(
      escritor, [&] { return ProcessarLote(leitor, escritor, opcoes, modelo, observador); });
}

}  // namespace nivora
