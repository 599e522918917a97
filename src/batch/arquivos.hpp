// The files of a batch run: opening the input and creating the output, reading
// lines, buffered writing whose every failure is an error, and counting lines.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "text/erros.hpp"

namespace nivora {

// Messages (Windows-1252).
inline constexpr const char* kMsgArquivoInvalido = "Arquivo Inv\xE1lido.";
inline constexpr const char* kMsgEntradaInvalida = "Arquivo de entrada n\xE3o \xE9 v\xE1lido.";
inline constexpr const char* kMsgMesmoArquivo =
    "O arquivo de sa\xED"
    "da \xE9 o pr\xF3prio arquivo de entrada; escolha outro nome para a "
    "sa\xED"
    "da.";

/// Byte that ends the input like the end of the file (Ctrl+Z).
inline constexpr char kFimDeTexto = '\x1A';

/// An input or output file that cannot be opened or created. what() is
/// kMsgArquivoInvalido; Motivo() names the file and the system's reason.
class EArquivoInvalido : public ErroNivora {
 public:
  EArquivoInvalido(std::string arquivo, std::string razao)
      : ErroNivora(kMsgArquivoInvalido), arquivo_(std::move(arquivo)), razao_(std::move(razao)) {}
  /// The file name as given.
  const std::string& Arquivo() const { return arquivo_; }
  /// The system's reason, e.g. "No such file or directory".
  const std::string& Razao() const { return razao_; }
  /// "<file>: <reason>".
  std::string Motivo() const { return arquivo_ + ": " + razao_; }

 private:
  std::string arquivo_;
  std::string razao_;
};

/// The output names the very file being read (same device and inode).
class EMesmoArquivo : public ErroNivora {
 public:
  EMesmoArquivo() : ErroNivora(kMsgMesmoArquivo) {}
};

/// Opens `arquivo` for reading. @throws EArquivoInvalido (a folder included).
int AbrirEntrada(const std::string& arquivo);
/// Creates or truncates `arquivo` for writing, refusing it when it is the same
/// file as the open input `fdEntrada` (checked before anything is truncated).
/// @throws EMesmoArquivo, EArquivoInvalido.
int CriarSaida(const std::string& arquivo, int fdEntrada);
/// True when the descriptors name the same regular file.
bool MesmoArquivo(int fdA, int fdB);

/// Reads lines from a file descriptor through its own buffer. A line ends at LF
/// (a CR before it, like every other CR, is removed); a final line without a
/// break is a line; a break at the very end adds no empty line; byte 0x1A ends
/// the input. Does not own the descriptor.
class LeitorLinhas {
 public:
  /// `nome` names the file in error messages.
  LeitorLinhas(int fd, std::string nome);

  /// True when no byte is left before the end of the file or a 0x1A.
  /// @throws EEntradaSaida on a read failure.
  bool Fim();
  /// The next line without its break and without any CR; false at the end.
  /// @throws EEntradaSaida on a read failure.
  bool LerLinha(std::string& linha);

  /// While `parar` is set to true by another thread, a read that would block ends
  /// the input instead (the descriptor is polled every few milliseconds).
  void DefinirParada(const std::atomic<bool>* parar) { parar_ = parar; }

  /// Reads UTF-8 text: every line is turned into Windows-1252 as it is read (a
  /// character outside it becomes "?"), before anything else sees it.
  void DefinirUtf8(bool utf8) { utf8_ = utf8; }

 private:
  bool Encher();
  bool EsperarDados();
  bool LerLinhaBruta(std::string& linha);

  int fd_;
  std::string nome_;
  std::string buffer_;
  size_t inicio_ = 0;
  size_t fim_ = 0;
  bool acabou_ = false;
  bool utf8_ = false;
  const std::atomic<bool>* parar_ = nullptr;
};

/// Buffered writing to a file descriptor. Every write, flush or close failure
/// throws EEntradaSaida naming the file and the system's reason; nothing written
/// before a failure is dropped silently.
class EscritorSaida {
 public:
  /// Takes ownership of `fd` when `fechar` is true (it is closed by Fechar).
  EscritorSaida(int fd, std::string nome, bool fechar);
  ~EscritorSaida();
  EscritorSaida(const EscritorSaida&) = delete;
  EscritorSaida& operator=(const EscritorSaida&) = delete;

  void Escrever(std::string_view bytes);
  /// Writes UTF-8: the program's Windows-1252 lines are turned into UTF-8 as they
  /// are written (for a terminal, or a UTF-8 pipeline that asked for it).
  void DefinirUtf8(bool utf8) { utf8_ = utf8; }
  /// Writes out everything buffered.
  void Descarregar();
  /// Flushes, then closes the descriptor if owned. Called once; later calls do nothing.
  void Fechar();

 private:
  void EscreverNoBuffer(std::string_view bytes);
  void EscreverTudo(const char* dados, size_t tamanho);

  int fd_;
  std::string nome_;
  bool fechar_;
  bool fechado_ = false;
  bool utf8_ = false;
  std::string buffer_;
};

/// Runs `corpo` and closes `escritor` afterwards, whatever happens: every line
/// written so far stays in the output. When `corpo` fails, its error is the one
/// reported, not a failure to close after it; otherwise a failed close is an error.
template <class Corpo>
auto ExecutarEFechar(EscritorSaida& escritor, Corpo&& corpo) -> decltype(corpo()) {
  try {
    auto resultado = corpo();
    escritor.Fechar();
    return resultado;
  } catch (...) {
    try {
      escritor.Fechar();
    } catch (const ErroNivora&) {
    }
    throw;
  }
}

/// Lines of a file as the window counts them for its progress bar: breaks at
/// CR LF, LF or a lone CR; a break at the very end adds no line.
/// @throws EArquivoInvalido when the file cannot be opened, EEntradaSaida on a read failure.
std::int64_t ContarLinhas(const std::string& arquivo);
/// The same for an open descriptor, read from its current position to the end.
std::int64_t ContarLinhas(int fd, const std::string& nome);
/// The line count of the regular file open on `fd`, taken before a run reads it:
/// counted from the start, then the descriptor is put back at the start. -1,
/// with nothing read, when `fd` is no regular file or not at its start (a pipe,
/// a terminal or a device can be read only once, or never ends).
/// @throws EEntradaSaida on a read failure or when the descriptor cannot be put back.
std::int64_t ContarLinhasDoInicio(int fd, const std::string& nome);

}  // namespace nivora
