// The batch run: an input text file of points, one per line, becomes an output
// text file of result and rejection lines (Windows-1252, CR LF line ends).
//
// Pieces, usable on their own (the command-line tool runs them in parallel):
//   OpcoesLote        the composed input layout and the output columns;
//   ProcessadorLinha  one read line -> its output line;
//   LeitorLinhas      lines of a file descriptor (LF or CR LF ends a line,
//                     every CR removed, byte 0x1A ends the input);
//   EscritorSaida     buffered output whose every failure is an error;
//   ExecutarLote      the whole run between two named files, with an observer
//                     for the window's progress, event pump and cancel flag.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "batch/formato.hpp"
#include "text/erros.hpp"

namespace nivora {

class TModeloGeoide;

// Messages of the run (Windows-1252).
inline constexpr const char* kMsgErroFormatacao = "Erro na formata\xE7\xE3o do arquivo.";
inline constexpr const char* kMsgArquivoInvalido = "Arquivo Inv\xE1lido.";
inline constexpr const char* kMsgEntradaInvalida = "Arquivo de entrada n\xE3o \xE9 v\xE1lido.";
inline constexpr const char* kMsgPreenchimento = "Preenchimento insuficiente para processamento";
inline constexpr const char* kMsgMesmoArquivo =
    "O arquivo de sa\xED"
    "da \xE9 o pr\xF3prio arquivo de entrada; escolha outro nome para a "
    "sa\xED"
    "da.";

/// Byte that ends the input like the end of the file (Ctrl+Z).
inline constexpr char kFimDeTexto = '\x1A';
/// Line end written after every output line.
inline constexpr std::string_view kFimDeLinha = "\r\n";

/// A record that cannot be split or converted. what() is kMsgErroFormatacao.
class EErroFormatacao : public ErroNivora {
 public:
  EErroFormatacao() : ErroNivora(kMsgErroFormatacao) {}
};

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

/// What the run needs of the composition: the token list, the coordinate code
/// most recently ticked, and the two output boxes.
struct OpcoesLote {
  TListaFormato formato;
  std::string FormatoCoord;  ///< "0".."3": order of the coordinates in output lines
  bool SaidaId = false;      ///< "ID do Ponto"
  bool SaidaCoord = false;   ///< "Coordenadas de Entrada"

  /// Options whose FormatoCoord is the code of `formato`.
  static OpcoesLote De(TListaFormato formato, bool saidaId, bool saidaCoord);
  /// @throws ErroNivora(kMsgPreenchimento) without a coordinate code in the list
  ///         or with a FormatoCoord that is not "0".."3".
  void Validar() const;
};

/// Kind of line written for one record.
enum class TipoLinha { Resultado, Rejeicao };

/// Turns one read line into its output line, on a new point record each time.
class ProcessadorLinha {
 public:
  /// `opcoes` and `modelo` must outlive the processor.
  ProcessadorLinha(const OpcoesLote& opcoes, TModeloGeoide& modelo);

  /// Appends the output line of `linhaLida` (CRs already removed; commas are
  /// turned into points here), CR LF included, to `saida`.
  /// @throws EErroFormatacao when the record fails to split (nothing appended);
  ///         the query's errors propagate as they are (nothing appended).
  TipoLinha Processar(std::string_view linhaLida, std::string& saida);

 private:
  const OpcoesLote& opcoes_;
  TModeloGeoide& modelo_;
  bool decimal_;
  char codigo_;
  std::string linha_;
};

/// Reads lines from a file descriptor through its own buffer. A line ends at LF
/// (a CR before it, like every other CR, is removed); a final line without a
/// break is a line; a break at the very end adds no empty line; byte 0x1A ends
/// the input. Does not own the descriptor.
class LeitorLinhas {
 public:
  /// `nome` names the file in error messages.
  LeitorLinhas(int fd, std::string nome);

  /// True when no byte is left before the end of the file or a 0x1A.
  /// @throws EInOutError on a read failure.
  bool Fim();
  /// The next line without its break and without any CR; false at the end.
  /// @throws EInOutError on a read failure.
  bool LerLinha(std::string& linha);

  /// While `parar` is set to true by another thread, a read that would block ends
  /// the input instead (the descriptor is polled every few milliseconds).
  void DefinirParada(const std::atomic<bool>* parar) { parar_ = parar; }

 private:
  bool Encher();
  bool EsperarDados();

  int fd_;
  std::string nome_;
  std::string buffer_;
  size_t inicio_ = 0;
  size_t fim_ = 0;
  bool acabou_ = false;
  const std::atomic<bool>* parar_ = nullptr;
};

/// Buffered writing to a file descriptor. Every write, flush or close failure
/// throws EInOutError naming the file and the system's reason; nothing written
/// before a failure is dropped silently.
class EscritorSaida {
 public:
  /// Takes ownership of `fd` when `fechar` is true (it is closed by Fechar).
  EscritorSaida(int fd, std::string nome, bool fechar);
  ~EscritorSaida();
  EscritorSaida(const EscritorSaida&) = delete;
  EscritorSaida& operator=(const EscritorSaida&) = delete;

  void Escrever(std::string_view bytes);
  /// Writes out everything buffered.
  void Descarregar();
  /// Flushes, then closes the descriptor if owned. Called once; later calls do nothing.
  void Fechar();

 private:
  void EscreverTudo(const char* dados, size_t tamanho);

  int fd_;
  std::string nome_;
  bool fechar_;
  bool fechado_ = false;
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
/// @throws EArquivoInvalido when the file cannot be opened, EInOutError on a read failure.
std::int64_t ContarLinhas(const std::string& arquivo);
/// The same for an open descriptor, read from its current position to the end.
std::int64_t ContarLinhas(int fd, const std::string& nome);

/// Hooks that the window fills with its progress bar, labels, event pump and
/// cancel flag. Every hook has a default that does nothing.
class ObservadorLote {
 public:
  virtual ~ObservadorLote() = default;
  /// Whether Inicio should get the line count (costs one more read of the input).
  virtual bool QuerTotal() const { return false; }
  /// After both files are open, before the first line: the line count (ContarLinhas),
  /// or -1 when QuerTotal() is false.
  virtual void Inicio(std::int64_t totalLinhas) { (void)totalLinhas; }
  /// Before reading each line: the number of lines read so far, this one included
  /// (the progress position); then the event pump.
  virtual void AntesDaLinha(std::int64_t linhasLidas) { (void)linhasLidas; }
  /// After the line is read: the lines read so far (and the elapsed time, kept by the window).
  virtual void LinhaLida(std::int64_t linhasLidas) { (void)linhasLidas; }
  /// Event pump right before each record is split.
  virtual void AntesDaDivisao() {}
  /// Polled after each result line only (never after a rejection line).
  virtual bool Cancelado() { return false; }
};

/// How a run ended.
enum class FimLote {
  FimDoArquivo,  ///< every line was processed
  Cancelado,     ///< the observer asked to stop, after a result line
  ErroFormato,   ///< a record failed to split: see ResultadoLote::linhaErro
};

struct ResultadoLote {
  FimLote fim = FimLote::FimDoArquivo;
  std::int64_t linhasLidas = 0;  ///< lines read, the failing one included
  std::int64_t linhaErro = 0;    ///< line number (from 1) of the record that failed to split
  std::int64_t resultados = 0;   ///< result lines written
  std::int64_t rejeicoes = 0;    ///< rejection lines written
};

/// Opens `arquivo` for reading. @throws EArquivoInvalido.
int AbrirEntrada(const std::string& arquivo);
/// Creates or truncates `arquivo` for writing, refusing it when it is the same
/// file as the open input `fdEntrada` (checked before anything is truncated).
/// @throws EMesmoArquivo, EArquivoInvalido.
int CriarSaida(const std::string& arquivo, int fdEntrada);
/// True when the descriptors (or paths) name the same regular file.
bool MesmoArquivo(int fdA, int fdB);

/// The run over already opened files, as ExecutarLote describes; closes neither.
ResultadoLote ProcessarLote(LeitorLinhas& entrada, EscritorSaida& saida, const OpcoesLote& opcoes,
                            TModeloGeoide& modelo, ObservadorLote& observador);

/// The whole batch run: opens `entrada`, refuses a `saida` that is the same file,
/// creates `saida`, processes every line and closes both files on every way out.
/// @throws EArquivoInvalido / EMesmoArquivo before anything is written,
///         ErroNivora(kMsgPreenchimento) for options without a layout,
///         EInOutError on a read or write failure, and the query's own errors
///         (after closing both files; the output keeps every earlier line).
ResultadoLote ExecutarLote(const std::string& entrada, const std::string& saida,
                           const OpcoesLote& opcoes, TModeloGeoide& modelo,
                           ObservadorLote& observador);

}  // namespace nivora
