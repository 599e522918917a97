// TForm1: creation (FormCreate), closing, the window-wide Enter key, the standard
// error report, the menus and the documents.
#include "app/map.hpp"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QToolTip>
#include <clocale>

#include "app/About.hpp"
#include "app/frmIlustra.hpp"
#include "app/pastas.hpp"
#include "app/recursos.hpp"
#include "app/texto_qt.hpp"
#include "geoid/consulta.hpp"
#include "text/erros.hpp"
#include "ui_map.h"

using nivora::ParaQt;

namespace {

constexpr int kFonteJanelaPt = 8;
constexpr int kAtrasoDicaMs = 300;
constexpr QRgb kFundoDica = qRgb(0, 255, 0);  // pure green

/// The look of the whole application: hints appear after 300 ms.
class EstiloNivora : public QProxyStyle {
 public:
  int styleHint(StyleHint dica, const QStyleOption* opcao, const QWidget* widget,
                QStyleHintReturn* retorno) const override {
    if (dica == QStyle::SH_ToolTip_WakeUpDelay) return kAtrasoDicaMs;
    return QProxyStyle::styleHint(dica, opcao, widget, retorno);
  }
};

// Documents beside the executable, below PastaPrograma.
constexpr const char* kDocModelo = "imagens/NIVORA2015.pdf";
constexpr const char* kDocRede = "imagens/rede_NIVORA2015.pdf";
constexpr const char* kDocDiferencas = "imagens/diferencas_NIVORA2015.pdf";
constexpr const char* kDocDiscrepancias = "imagens/discrepancias_NIVORA2015.pdf";
constexpr const char* kArquivoAjuda = "Ajuda_Nivora2015.html";

}  // namespace

PastasPrograma PastasDoExecutavel(const char* argv0) {
  PastasPrograma pastas;
  pastas.aplicacao = QCoreApplication::applicationDirPath() + QLatin1Char('/');
  const QString programa = argv0 != nullptr ? QFile::decodeName(argv0) : QString();
  // A link to the program (as an installation puts in bin/) stands for the program
  // itself: the documents ship beside the real executable.
  const QString real = QFileInfo(programa).canonicalFilePath();
  pastas.programa = !programa.contains(QLatin1Char('/')) ? pastas.aplicacao
                    : !real.isEmpty() ? QFileInfo(real).absolutePath() + QLatin1Char('/')
                                      : QFileInfo(programa).absolutePath() + QLatin1Char('/');
  return pastas;
}

TForm1::TForm1(nivora::Plataforma& plataforma, const PastasPrograma& pastas, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TForm1>()), plataforma_(plataforma) {
  nivora::RegistrarRecursos();
  ui->setupUi(this);
  ConfigurarControles();
  LigarMenus();
  LigarBandaTeclado();
  LigarBandaPonto();
  LigarBandaArquivo();
  QApplication::instance()->installEventFilter(this);

  estado_.PastaAplicacao = pastas.aplicacao;
  estado_.PastaPrograma = pastas.programa;
  FormCreate();
  // The tab order starts at the selected button of the notation group.
  (ui->RadioButton1->isChecked() ? ui->RadioButton1 : ui->RadioButton2)
      ->setFocus(Qt::OtherFocusReason);

  grade_ = std::make_unique<nivora::TCacheGrade>(
      nivora::TModeloGeoide::CaminhoGrade(estado_.PastaAplicacao.toStdString()));
  modelo_ = std::make_unique<nivora::TModeloGeoide>(*grade_);
  form2_ = std::make_unique<TForm2>();
}

TForm1::~TForm1() = default;

void TForm1::ConfigurarControles() {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setWindowTitle(ParaQt(kLegendaJanela));

  QFont fonte(QStringLiteral("Verdana"), kFonteJanelaPt);
  fonte.setStyleHint(QFont::SansSerif);
  setFont(fonte);

  // The pattern field in the pale colour of an inactive title bar.
  QPalette paleta = ui->Edt_Entrada->palette();
  paleta.setColor(QPalette::Base, QColor(0xD7, 0xE4, 0xF2));
  ui->Edt_Entrada->setPalette(paleta);
  // The run-statistics labels in the highlight colour.
  for (QWidget* rotulo : {static_cast<QWidget*>(ui->Label13), static_cast<QWidget*>(ui->Label15),
                          static_cast<QWidget*>(ui->Label16), static_cast<QWidget*>(ui->Label17),
                          static_cast<QWidget*>(ui->Label18)}) {
    QPalette p = rotulo->palette();
    p.setColor(QPalette::WindowText, p.color(QPalette::Highlight));
    rotulo->setPalette(p);
  }

  // Client area 383 x 488 below the menu bar, fixed, centred on the screen.
  ui->centralwidget->setFixedSize(kLarguraClientePx, kAlturaClientePx);
  setFixedSize(kLarguraClientePx, kAlturaClientePx + menuBar()->sizeHint().height());
  if (const QScreen* tela = QGuiApplication::primaryScreen()) {
    const QRect area = tela->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

void TForm1::FormCreate() {
  // GMS notation; its cascade switches keyboard entry on and file entry off.
  ui->RadioButton2->setChecked(true);

  // Hints: pure green background, 300 ms before they appear. Their texts are in
  // the window definition.
  if (dynamic_cast<EstiloNivora*>(QApplication::style()) == nullptr) {
    QApplication::setStyle(new EstiloNivora);
  }
  QPalette dica = QToolTip::palette();
  dica.setColor(QPalette::ToolTipBase, QColor(kFundoDica));
  dica.setColor(QPalette::ToolTipText, Qt::black);
  QToolTip::setPalette(dica);

  // "." is the decimal mark of the whole process, whatever the locale says.
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());

  // Keyboard entry off: every keyboard field disabled and empty.
  ui->CheckBox1->setChecked(false);

  // The first folders of the dialogs, below the application folder (in the user's
  // documents when the program is installed for all users).
  const QString trabalho = nivora::PastaDeTrabalho(estado_.PastaAplicacao);
  estado_.OpenDialog1.filtro = QStringLiteral("Arquivo de Entrada|*.*");
  estado_.OpenDialog1.pastaInicial = trabalho + QStringLiteral("entradas");
  estado_.SaveDialog1.pastaInicial = trabalho + QStringLiteral("saida");
}

void TForm1::Comando(const std::function<void()>& acao) {
  try {
    acao();
  } catch (const nivora::EAbortoSilencioso&) {
    // The silent abort: the command ends without another message.
  } catch (const std::exception& erro) {
    Mostrar(nivora::TipoMensagem::Erro, kTituloAplicacao, erro.what());
  } catch (...) {
    Mostrar(nivora::TipoMensagem::Erro, kTituloAplicacao, "Erro desconhecido.");
  }
}

void TForm1::Mostrar(nivora::TipoMensagem tipo, const char* titulo, const std::string& texto) {
  plataforma_.MostrarMensagem(nivora::CaixaOk(tipo, titulo, texto));
}

void TForm1::DarFoco(QWidget* controle, const char* mensagem) {
  if (!controle->isEnabled() || !controle->isVisible()) throw nivora::ErroNivora(mensagem);
  controle->setFocus(Qt::OtherFocusReason);
}

void TForm1::AbrirArquivo(const QString& caminho) {
  if (const std::optional<std::string> falha = plataforma_.AbrirDocumento(caminho)) {
    Mostrar(nivora::TipoMensagem::Erro, nivora::kTituloErro,
            std::string(kMsgNaoAbriu) + "\r" + nivora::ParaCp1252(caminho) + "\r" + *falha);
  }
}

void TForm1::TravarComposicao(bool travar) {
  composicaoTravada_ = travar;
  for (QWidget* controle :
       {static_cast<QWidget*>(ui->CheckBox1), static_cast<QWidget*>(ui->CheckBox2),
        static_cast<QWidget*>(ui->GroupBox1), static_cast<QWidget*>(ui->GrB_Arq_Entrada),
        static_cast<QWidget*>(ui->GrB_Arq_Saida)}) {
    controle->setEnabled(!travar);
  }
}

void TForm1::RecusarDuranteLote() const {
  if (composicaoTravada_) throw nivora::ErroNivora(kMsgLoteEmAndamento);
}

void TForm1::FormKeyPress() {
  QWidget* focado = QApplication::focusWidget();
  if (auto* botao = qobject_cast<QPushButton*>(focado); botao != nullptr && botao->isEnabled()) {
    botao->click();
    return;
  }
  focusNextChild();
}

bool TForm1::MenuDaJanela(const QObject* objeto) const {
  if (qobject_cast<const QMenu*>(objeto) == nullptr) return false;
  for (const QObject* o = objeto; o != nullptr; o = o->parent())
    if (o == menuBar()) return true;
  return false;
}

void TForm1::FecharMenus() {
  // Open menus are a stack of popups, the deepest on top.
  for (int i = 0; i < 16; ++i) {
    QWidget* aberto = QApplication::activePopupWidget();
    if (aberto == nullptr || !MenuDaJanela(aberto)) break;
    aberto->close();
  }
}

bool TForm1::TeclaComMenuAberto(QKeyEvent* tecla) {
  if (tecla->key() == Qt::Key_Alt) {
    // Alt closes every open menu, not only the deepest one, so that the letter that
    // follows reaches the menu bar instead of an item of a menu left open.
    FecharMenus();
    return true;
  }
  if (!(tecla->modifiers() & Qt::AltModifier)) return false;
  // Alt + letter: the menu bar's access key, whatever menu is open; never an item.
  FecharMenus();
  const QKeySequence atalho(static_cast<int>(tecla->modifiers()) | tecla->key());
  for (QAction* menu : menuBar()->actions()) {
    if (!menu->isSeparator() && QKeySequence::mnemonic(menu->text()) == atalho) {
      menuBar()->setActiveAction(menu);
      break;
    }
  }
  return true;
}

bool TForm1::eventFilter(QObject* objeto, QEvent* evento) {
  switch (evento->type()) {
    case QEvent::KeyPress: {
      if (MenuDaJanela(objeto)) return TeclaComMenuAberto(static_cast<QKeyEvent*>(evento));
      auto* controle = qobject_cast<QWidget*>(objeto);
      if (controle == nullptr || controle->window() != this) break;
      auto* tecla = static_cast<QKeyEvent*>(evento);
      if (tecla->key() == Qt::Key_Return || tecla->key() == Qt::Key_Enter) {
        // Enter never reaches a control: it moves on like Tab, or presses a button.
        Comando([this] { FormKeyPress(); });
        return true;
      }
      if (auto* campo = qobject_cast<QLineEdit*>(objeto)) return RecusaTecla(campo, tecla);
      break;
    }
    case QEvent::FocusIn:
      if (CampoDaBandaTeclado(objeto)) {
        auto* campo = static_cast<QLineEdit*>(objeto);
        Comando([this, campo] { Entra(campo); });
      }
      break;
    case QEvent::FocusOut:
      if (CampoDaBandaTeclado(objeto)) {
        // A menu opening (by mouse or by keyboard) or another window taking over is
        // not leaving the field: the menu commands see the text as typed.
        const Qt::FocusReason motivo = static_cast<QFocusEvent*>(evento)->reason();
        if (motivo != Qt::PopupFocusReason && motivo != Qt::MenuBarFocusReason &&
            motivo != Qt::ActiveWindowFocusReason) {
          auto* campo = static_cast<QLineEdit*>(objeto);
          Comando([this, campo] { Sai(campo); });
        }
      }
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(objeto, evento);
}

void TForm1::closeEvent(QCloseEvent* evento) {
  // FormClose: a batch in progress stops at its next check.
  estado_.CancelaProcesso = true;
  evento->accept();
  // Closing the main window ends the program: the auxiliary windows go with it.
  if (form2_) form2_->hide();
  if (aboutBox_) aboutBox_->hide();
}

void TForm1::Sair2Click() {
  close();
}

void TForm1::ModeloGeoidalSIRGAS1Click() {
  AbrirArquivo(estado_.PastaPrograma + QLatin1String(kDocModelo));
}
void TForm1::DistribuiodeDadosGravimetricosTerrestres1Click() {
  AbrirArquivo(estado_.PastaPrograma + QLatin1String(kDocRede));
}
void TForm1::DiferenasentreNIVORA2004NIVora20101Click() {
  AbrirArquivo(estado_.PastaPrograma + QLatin1String(kDocDiferencas));
}
void TForm1::erromdiogeoide1Click() {
  AbrirArquivo(estado_.PastaPrograma + QLatin1String(kDocDiscrepancias));
}
void TForm1::AjudaNNIVORA20041Click() {
  AbrirArquivo(estado_.PastaAplicacao + QLatin1String(kArquivoAjuda));
}

void TForm1::N11Click() {
  form2_->show();
  form2_->raise();
  form2_->activateWindow();
}

void TForm1::Sobre1Click() {
  if (!aboutBox_) aboutBox_ = std::make_unique<TAboutBox>();
  aboutBox_->show();
  aboutBox_->raise();
  aboutBox_->activateWindow();
}

void TForm1::LigarCaixa(QCheckBox* caixa, void (TForm1::*handler)()) {
  // toggled comes only on a real change, also for a change made from code, and
  // runs synchronously: the cascades run nested, as the handlers expect.
  Ligar(caixa, &QCheckBox::toggled, handler);
}

void TForm1::LigarMenus() {
  const std::pair<QAction*, void (TForm1::*)()> menus[] = {
      {ui->Latitude1, &TForm1::Latitude1Click},
      {ui->Longirude1, &TForm1::Longirude1Click},
      {ui->IdentificaodoPonto1, &TForm1::IdentificaodoPonto1Click},
      {ui->Executar1, &TForm1::Executar1Click},
      {ui->Salvar1, &TForm1::Salvar1Click},
      {ui->Imprimir1, &TForm1::Imprimir1Click},
      {ui->Limparcampos1, &TForm1::Limparcampos1Click},
      {ui->Sair2, &TForm1::Sair2Click},
      {ui->N11, &TForm1::N11Click},
      {ui->ModeloGeoidalSIRGAS1, &TForm1::ModeloGeoidalSIRGAS1Click},
      {ui->DistribuiodeDadosGravimetricosTerrestres1,
       &TForm1::DistribuiodeDadosGravimetricosTerrestres1Click},
      {ui->DiferenasentreNIVORA2004NIVora20101, &TForm1::DiferenasentreNIVORA2004NIVora20101Click},
      {ui->erromdiogeoide1, &TForm1::erromdiogeoide1Click},
      {ui->AjudaNNIVORA20041, &TForm1::AjudaNNIVORA20041Click},
      {ui->Sobre1, &TForm1::Sobre1Click},
  };
  for (const auto& [acao, handler] : menus) Ligar(acao, &QAction::triggered, handler);
}
