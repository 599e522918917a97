// The main window TForm1: the title band, the keyboard band, the file band and the
// status band with the main menu. Its methods are split by band:
//   map.cpp                   creation, closing, Enter key, error report, menus, documents
//   map_teclado.cpp           keyboard band: mode switches, notation, key filters, Entra/Sai
//   map_ponto.cpp             one point: processing, saving, printing
//   map_arquivo.cpp           file band: mode switch of the file controls, format boxes
//   map_arquivo_execucao.cpp  the batch run: input browse, progress, cancel, end dialogs
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/plataforma.hpp"

class QCheckBox;
class QKeyEvent;
class QLineEdit;
class TAboutBox;
class TForm2;

namespace Ui {
class TForm1;
}

namespace nivora {
class TCacheGrade;
class TModeloGeoide;
struct ResultadoLote;
}  // namespace nivora

/// The two program folders, each ending with "/".
struct PastasPrograma {
  QString aplicacao;  ///< folder of the running executable
  QString programa;   ///< folder of argument 0 of the command line
};

/// PastasPrograma of the running program. A bare argument 0 (started through PATH)
/// has no folder of its own: the executable's folder is taken then.
PastasPrograma PastasDoExecutavel(const char* argv0);

/// Application title (the caption of the standard error report) and main window caption.
inline constexpr const char* kTituloAplicacao = "NIVORA2015 v1.0";
inline constexpr const char* kLegendaJanela = "QIRA - NIVORA2015 - Vers\xE3o 1.0 ";

/// Message of a focus request on a disabled or hidden control (Windows-1252).
inline constexpr const char* kErroFoco =
    "N\xE3o \xE9 poss\xEDvel focar uma janela desabilitada ou invis\xEDvel.";
/// A keyboard command of the menu while keyboard entry is off: what to do.
inline constexpr const char* kMsgTecladoDesligado =
    "A entrada via teclado est\xE1 desligada: marque ENTRADA VIA TECLADO para digitar e "
    "processar um ponto.";
/// A menu command that would change the entry while a file is being processed.
inline constexpr const char* kMsgLoteEmAndamento =
    "H\xE1 um arquivo em processamento: a entrada s\xF3 muda depois do fim. Aguarde o fim "
    "ou clique em Cancela.";
/// First line of the box of a file that the desktop could not open.
inline constexpr const char* kMsgNaoAbriu = "N\xE3o foi poss\xEDvel abrir o arquivo";

/// The state of the window's unit, kept by its handlers.
struct EstadoJanela {
  QString PastaAplicacao;  ///< ends with "/"
  QString PastaPrograma;   ///< ends with "/"
  bool CancelaProcesso = false;
  std::string FormatoCoord;  ///< "0".."3", the layout ticked last
  QString NomeArqEntrada;
  QString NomeArqSaida;
  nivora::DialogoArquivo OpenDialog1;
  nivora::DialogoArquivo SaveDialog1;
};

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  /// Creates the window and runs FormCreate. The window keeps a reference to
  /// `plataforma`, which must outlive it.
  TForm1(nivora::Plataforma& plataforma, const PastasPrograma& pastas, QWidget* parent = nullptr);
  ~TForm1() override;

  static constexpr int kLarguraClientePx = 383;
  static constexpr int kAlturaClientePx = 488;
  /// Gap between two column patterns in the composed input layout.
  static constexpr const char* EspacoColunas = "   ";

  /// The unit's state as the handlers left it.
  const EstadoJanela& Estado() const { return estado_; }
  /// True from the start of a batch run to its end (the event pump runs inside it).
  bool Processando() const { return processando_; }
  /// True when one of the four coordinate layout boxes is ticked.
  bool FormatoPreenchido() const;
  nivora::TModeloGeoide& Modelo() { return *modelo_; }
  TForm2* Ilustracao() const { return form2_.get(); }
  /// The about window, or null before its first use.
  TAboutBox* Sobre() const { return aboutBox_.get(); }

  /// The application's standard error report around one user command: a silent
  /// abort ends it quietly, any other failure is shown with its own text and the
  /// program goes on. Every slot connected to a control runs inside it, so no
  /// exception ever unwinds through Qt's own code.
  void Comando(const std::function<void()>& acao);

 protected:
  bool eventFilter(QObject* objeto, QEvent* evento) override;
  void closeEvent(QCloseEvent* evento) override;  // FormClose

 private:
  class ObservadorJanela;
  class LoteEmCurso;

  // Wiring (map.cpp and one Ligar...() per band).
  void ConfigurarControles();
  void LigarMenus();
  void LigarBandaTeclado();
  void LigarBandaPonto();
  void LigarBandaArquivo();
  /// Runs `handler` inside Comando whenever `emissor` sends `sinal`.
  template <class Emissor, class Sinal>
  void Ligar(Emissor* emissor, Sinal sinal, void (TForm1::*handler)());
  /// Connects a tick box so that each real change of its state runs `handler`.
  void LigarCaixa(QCheckBox* caixa, void (TForm1::*handler)());

  /// A box of the given kind, title and text with one standard OK button.
  void Mostrar(nivora::TipoMensagem tipo, const char* titulo, const std::string& texto);
  /// Gives `controle` the focus. @throws nivora::ErroNivora (`mensagem`) when it is
  /// disabled or hidden.
  void DarFoco(QWidget* controle, const char* mensagem = kErroFoco);
  /// Opens a file with the desktop's application, or says which file could not be
  /// opened and why.
  void AbrirArquivo(const QString& caminho);
  /// While a run is in progress the boxes that compose the entry (both mode boxes,
  /// the notation buttons, the input and output format boxes) are disabled, so that
  /// the layout of the running file cannot change under it.
  void TravarComposicao(bool travar);
  /// The menu commands that would change the entry refuse while a run is in
  /// progress. @throws nivora::ErroNivora (kMsgLoteEmAndamento).
  void RecusarDuranteLote() const;

  // Start-up, keys and menus (map.cpp).
  void FormCreate();
  /// Enter: a focused push button is pressed, otherwise the focus moves on.
  void FormKeyPress();
  bool MenuDaJanela(const QObject* objeto) const;
  /// Closes every open menu of the menu bar.
  void FecharMenus();
  /// A key pressed while a menu is open: Alt and Alt + letter belong to the menu
  /// bar, never to an item of the open menu. True when the key was taken.
  bool TeclaComMenuAberto(QKeyEvent* tecla);
  void Sair2Click();
  void ModeloGeoidalSIRGAS1Click();
  void DistribuiodeDadosGravimetricosTerrestres1Click();
  void DiferenasentreNIVORA2004NIVora20101Click();
  void erromdiogeoide1Click();
  void AjudaNNIVORA20041Click();
  void N11Click();
  void Sobre1Click();

  // Keyboard band (map_teclado.cpp).
  void CheckBox1Click();
  void CheckBox2Click();
  void RadioButton1Click();
  void RadioButton2Click();
  void SelecionaFormato(bool decimal);
  void HabilitaTeclado(bool habilitar);
  void bbt_LimpaClick();
  void Ed_LonChange();
  void Entra(QLineEdit* campo);
  void Sai(QLineEdit* campo);
  /// The key filter of an entry field: true when the key is refused.
  bool RecusaTecla(QLineEdit* campo, QKeyEvent* tecla);
  bool CampoDaBandaTeclado(QObject* objeto) const;
  void Latitude1Click();
  void Longirude1Click();
  void IdentificaodoPonto1Click();
  void Executar1Click();
  void Salvar1Click();
  void Imprimir1Click();
  void Limparcampos1Click();

  // One point (map_ponto.cpp).
  void PorTeclado();
  std::string VerificaPreenchimento();
  void bbt_ProcessaPontoClick();
  void bbt_SalvarPontoClick();
  void bbt_ImprimeClick();
  /// The point line from the field texts (Windows-1252), with the separators of
  /// the saved file or of the printed page.
  std::string ComporLinhaPonto(bool impresso);

  // File band (map_arquivo.cpp).
  void HabilitaArquivo(bool habilitar);
  void LimpaEntradaArquivo();
  void CompletaEntrada(QCheckBox* sender);
  void ChckBx_Ponto_SClick();
  void ChckBx_Coord_SClick();
  void IdentificaodoPonto2Click();
  void LatitudeLongitudeGGDDDD1Click();
  void LongitudeLatitudeGGDDDD1Click();
  void LatitudeLongitudeG1Click();
  void IdPontoLongitudeLatitudeGGMMSSSSSS1Click();
  void IdentificaodoPonto3Click();
  void Las1Click();
  void Ondulao1Click();

  // Batch run (map_arquivo_execucao.cpp).
  /// Chooses the input file and proposes the output name.
  void bbt_ArqEntradaClick();
  void NomedoArquivodeEntrada1Click();
  /// Runs the batch; does nothing while a run is already in progress.
  void bbt_ProcessaArqClick();
  void Executar2Click();
  /// Asks the running batch to stop after its next result line.
  void bbt_CancelaClick();
  void Cancelar1Click();
  /// Takes the file names of the run from the fields; the message that refuses
  /// them, or nothing when the run may start.
  std::optional<std::string> VerificaArquivosDoLote();
  /// Runs the core's batch from `entrada` into `saida`; nothing when a file could
  /// not be opened (already reported).
  std::optional<nivora::ResultadoLote> RodarLote(const QString& entrada, const QString& saida,
                                                 ObservadorJanela& observador,
                                                 LoteEmCurso& emCurso);
  /// The dialogs that end a run and the offer to open its output `saida`.
  void ConcluirLote(const nivora::ResultadoLote& resultado, const QString& saida,
                    LoteEmCurso& emCurso);

  std::unique_ptr<Ui::TForm1> ui;
  nivora::Plataforma& plataforma_;
  EstadoJanela estado_;
  bool processando_ = false;                    ///< a batch run is in progress
  bool composicaoTravada_ = false;              ///< the entry cannot change (TravarComposicao)
  std::unique_ptr<nivora::TCacheGrade> grade_;  ///< the parsed grid, for as long as the window
  std::unique_ptr<nivora::TModeloGeoide> modelo_;
  std::unique_ptr<TForm2> form2_;
  std::unique_ptr<TAboutBox> aboutBox_;
};

template <class Emissor, class Sinal>
void TForm1::Ligar(Emissor* emissor, Sinal sinal, void (TForm1::*handler)()) {
  connect(emissor, sinal, this,
          [this, handler] { Comando([this, handler] { (this->*handler)(); }); });
}
