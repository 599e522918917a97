// The main window TForm1: the title band, the keyboard band, the file band and the
// status band with the main menu. Its methods are split by band:
//   map.cpp          creation, closing, Enter key, error report, menus, documents
//   map_teclado.cpp  keyboard band: mode switches, notation, key filters, Entra/Sai
//   map_ponto.cpp    one point: processing, saving, printing
//   map_arquivo.cpp  file band: mode switch of the file controls, format boxes,
//                    input browse, the batch run with progress and cancel
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
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
}  // namespace nivora

/// The two program folders, each ending with "/".
struct PastasPrograma {
  QString aplicacao;  ///< folder of the running executable
  QString programa;   ///< folder of argument 0 of the command line
};

/// PastasPrograma of the running program. A bare argument 0 (started through PATH)
/// has no folder of its own: the executable's folder is taken then.
PastasPrograma PastasDoExecutavel(const char* argv0);

/// Application title and main window caption.
inline constexpr const char* kTituloAplicacao = "NIVORA2015 v1.0";
inline constexpr const char* kLegendaJanela = "QIRA - NIVORA2015 - Vers\xE3o 1.0 ";

/// Message of a focus request on a disabled or hidden control (Windows-1252).
inline constexpr const char* kErroFoco =
    "N\xE3o \xE9 poss\xEDvel focar uma janela desabilitada ou invis\xEDvel.";

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  /// Creates the window and runs FormCreate. The window keeps a reference to
  /// `plataforma`, which must outlive it.
  TForm1(nivora::Plataforma& plataforma, const PastasPrograma& pastas, QWidget* parent = nullptr);
  ~TForm1() override;

  static constexpr int kLarguraClientePx = 383;
  static constexpr int kAlturaClientePx = 488;

  /// The controls of the window definition (map.ui), named as in the design.
  std::unique_ptr<Ui::TForm1> ui;

  // State of the window's unit.
  QString PastaAplicacao;  ///< ends with "/"
  QString PastaPrograma;   ///< ends with "/"
  bool CancelaProcesso = false;
  std::string FormatoCoord;                 ///< "0".."3", the layout ticked last
  const std::string EspacoColunas = "   ";  ///< gap between two column patterns
  QString NomeArqEntrada;
  QString NomeArqSaida;
  nivora::DialogoArquivo OpenDialog1;
  nivora::DialogoArquivo SaveDialog1;

  nivora::Plataforma& Plataforma() { return plataforma_; }
  nivora::TModeloGeoide& Modelo() { return *modelo_; }
  TForm2* Ilustracao() { return form2_.get(); }
  TAboutBox* Sobre() { return aboutBox_.get(); }

  /// The application's standard error report around one user command: a silent
  /// abort ends it quietly, any other failure is shown with its own text and the
  /// program goes on. Every slot connected to a control runs inside it, so no
  /// exception ever unwinds through Qt's own code.
  void Comando(const std::function<void()>& acao);
  /// The message box of the standard error report.
  void MostrarExcecao(const std::exception& erro);
  /// Gives `controle` the focus. @throws nivora::ErroNivora (kErroFoco) when it is
  /// disabled or hidden.
  void DarFoco(QWidget* controle);

  // Start-up and menus.
  void FormCreate();
  void Sair2Click();
  void ModeloGeoidalSIRGAS1Click();
  void DistribuiodeDadosGravimetricosTerrestres1Click();
  void DiferenasentreNIVORA2004NIVora20101Click();
  void erromdiogeoide1Click();
  void AjudaNNIVORA20041Click();
  void N11Click();
  void Sobre1Click();

  // Keyboard band.
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
  void Latitude1Click();
  void Longirude1Click();
  void IdentificaodoPonto1Click();
  void Executar1Click();
  void Salvar1Click();
  void Imprimir1Click();
  void Limparcampos1Click();

  // One point.
  void PorTeclado();
  std::string VerificaPreenchimento();
  void bbt_ProcessaPontoClick();
  void bbt_SalvarPontoClick();
  void bbt_ImprimeClick();
  /// The point line from the field texts (Windows-1252), with the separators of
  /// the saved file or of the printed page.
  std::string ComporLinhaPonto(bool impresso);

  // File band.
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

  // Batch run (map_arquivo.cpp).
  /// True when one of the four coordinate layout boxes is ticked.
  bool FormatoPreenchido() const;
  /// Chooses the input file and proposes the output name.
  void bbt_ArqEntradaClick();
  void NomedoArquivodeEntrada1Click();
  /// Runs the batch; does nothing while a run is already in progress.
  void bbt_ProcessaArqClick();
  void Executar2Click();
  /// Asks the running batch to stop after its next result line.
  void bbt_CancelaClick();
  void Cancelar1Click();
  /// True from the start of a run to its end (the event pump runs inside it).
  bool Processando() const { return processando_; }

 protected:
  bool eventFilter(QObject* objeto, QEvent* evento) override;
  void closeEvent(QCloseEvent* evento) override;  // FormClose

 private:
  void ConfigurarControles();
  void LigarMenus();
  void LigarBandaTeclado();
  void LigarBandaPonto();
  void LigarBandaArquivo();
  /// Connects a tick box so that each real change of its state runs `handler`.
  void LigarCaixa(QCheckBox* caixa, void (TForm1::*handler)());
  /// Enter: a focused push button is pressed, otherwise the focus moves on.
  void FormKeyPress();
  /// The key filter of an entry field: true when the key is refused.
  bool RecusaTecla(QLineEdit* campo, QKeyEvent* tecla);
  bool CampoDaBandaTeclado(QObject* objeto) const;

  nivora::Plataforma& plataforma_;
  bool processando_ = false;                    ///< a batch run is in progress
  std::unique_ptr<nivora::TCacheGrade> grade_;  ///< the parsed grid, for as long as the window
  std::unique_ptr<nivora::TModeloGeoide> modelo_;
  std::unique_ptr<TForm2> form2_;
  std::unique_ptr<TAboutBox> aboutBox_;
};
