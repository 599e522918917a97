// Everything modal or outside the window goes through this small interface, so
// the window can be driven without a person (tests substitute a scripted one).
// Texts of messages are the program's own single-byte (Windows-1252) texts;
// file names are QStrings.
#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QFileDialog;
class QPrinter;
class QWidget;

namespace nivora {

/// Kind of a message box: picks its icon.
enum class TipoMensagem { Informacao, Aviso, Erro, Confirmacao };

/// The answer a message box gives back; also names its buttons.
enum class Resposta { Ok, Sim, Nao, Cancelar };

struct BotaoMensagem {
  Resposta resposta = Resposta::Ok;
  std::string texto;  ///< own caption (Windows-1252); empty = the platform's standard one
};

struct PedidoMensagem {
  TipoMensagem tipo = TipoMensagem::Informacao;
  std::string titulo;  ///< Windows-1252
  std::string texto;   ///< Windows-1252 (a quoted file name in UTF-8); "\r" starts a new line
  std::vector<BotaoMensagem> botoes;
  Resposta padrao = Resposta::Ok;  ///< the default button
  Resposta escape = Resposta::Ok;  ///< the answer of Escape or of closing the box
};

/// The platform's standard titles of an error box and of a warning box.
inline constexpr const char* kTituloErro = "Error";
inline constexpr const char* kTituloAviso = "Warning";

/// A box of the given kind, title and text with one OK button (`textoOk` empty:
/// the platform's standard caption).
PedidoMensagem CaixaOk(TipoMensagem tipo, std::string titulo, std::string texto,
                       std::string textoOk = {});

/// State and last choice of an open or save dialog, kept by the window between showings.
struct DialogoArquivo {
  QString filtro;  ///< "Label|pattern" pairs separated by "|", e.g. "Text File (*.txt)|*.txt"
  QString extensaoPadrao;  ///< default extension as the window sets it (may be empty)
  QString pastaInicial;    ///< folder of the first showing
  QString nomeArquivo;     ///< the file chosen last; empty before the first choice
};

/// Outcome of taking the single-instance lock.
enum class EstadoTrava {
  Obtida,       ///< this copy holds it for the rest of its life
  EmUso,        ///< another copy of the same user holds it
  Indisponivel  ///< no lock could be made at all: run unguarded
};

class Plataforma {
 public:
  virtual ~Plataforma() = default;

  /// Shows a modal message box and returns the button chosen.
  virtual Resposta MostrarMensagem(const PedidoMensagem& pedido) = 0;

  /// Open and save dialogs: the chosen name, or nothing when the user cancels.
  virtual std::optional<QString> EscolherArquivoAbrir(const DialogoArquivo& dialogo) = 0;
  virtual std::optional<QString> EscolherArquivoSalvar(const DialogoArquivo& dialogo) = 0;

  /// The print dialog: true when the user chose a printer and confirmed.
  virtual bool EscolherImpressora() = 0;
  /// One print job on the printer chosen last: the lines drawn one below the
  /// other from the top-left corner of one page, at `pontos` points.
  /// @throws EEntradaSaida when the job cannot be started or finished.
  virtual void ImprimirLinhas(const std::vector<std::string>& linhas, int pontos) = 0;

  /// Opens a file with the desktop's default application: nothing when the desktop
  /// took it, else what could not open it (Windows-1252, said to the user).
  virtual std::optional<std::string> AbrirDocumento(const QString& caminho) = 0;

  /// Takes the single-instance lock "NIVORA2015" for the life of the process.
  virtual EstadoTrava TravarInstancia() = 0;

  /// Lets pending window events be processed (called from inside long work).
  virtual void ProcessarEventos() = 0;

  /// Shows or removes the wait cursor.
  virtual void CursorEspera(bool ligado) = 0;
};

/// The lock file for one user: "$XDG_RUNTIME_DIR/NIVORA2015" when that folder is
/// set, else "<temporary folder>/NIVORA2015-<uid>.lock".
std::string CaminhoTravaInstancia();

/// An advisory lock (flock) on a file, held until destruction. The kernel drops it
/// when the process ends in any way, so a copy that crashed never blocks the next.
class TravaInstancia {
 public:
  explicit TravaInstancia(const std::string& caminho);
  ~TravaInstancia();
  TravaInstancia(const TravaInstancia&) = delete;
  TravaInstancia& operator=(const TravaInstancia&) = delete;

  EstadoTrava Estado() const { return estado_; }

 private:
  int descritor_ = -1;
  EstadoTrava estado_ = EstadoTrava::Indisponivel;
};

/// Draws the lines of one print job on `impressora` (see Plataforma::ImprimirLinhas).
/// @throws EEntradaSaida when the printer cannot be opened or the job not finished.
void ImprimirLinhasEm(QPrinter& impressora, const std::vector<std::string>& linhas, int pontos);

/// Gives Qt's own file dialog a size that shows its detail columns whole (name, size,
/// type, date), and widens the columns to their contents each time a folder is read.
/// Does nothing to a dialog of the desktop's.
void DimensionarDialogoArquivo(QFileDialog& caixa);

/// Turns a "Label|pattern|Label|pattern" filter into the Qt form "Label (pattern);;...".
QString FiltroQt(const QString& filtro);

/// A program text (Windows-1252) for display, a carriage return on its own becoming a
/// line break.
QString TextoTela(const std::string& cp1252);

/// The platform of the running program: Qt dialogs and message boxes.
class PlataformaQt : public Plataforma {
 public:
  PlataformaQt();
  ~PlataformaQt() override;

  /// Owner window of the dialogs (may be null).
  void DefinirJanela(QWidget* janela) { janela_ = janela; }

  Resposta MostrarMensagem(const PedidoMensagem& pedido) override;
  std::optional<QString> EscolherArquivoAbrir(const DialogoArquivo& dialogo) override;
  std::optional<QString> EscolherArquivoSalvar(const DialogoArquivo& dialogo) override;
  bool EscolherImpressora() override;
  void ImprimirLinhas(const std::vector<std::string>& linhas, int pontos) override;
  std::optional<std::string> AbrirDocumento(const QString& caminho) override;
  EstadoTrava TravarInstancia() override;
  void ProcessarEventos() override;
  void CursorEspera(bool ligado) override;

 private:
  QWidget* janela_ = nullptr;
  std::unique_ptr<QPrinter> impressora_;
  std::unique_ptr<TravaInstancia> trava_;
};

}  // namespace nivora
