#include "app/About.hpp"

#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include "app/jpeg.hpp"
#include "text/erros.hpp"

namespace {

// Geometry of the window's controls, in pixels of the client area.
constexpr int kMargemPx = 8;
constexpr int kPainelLarguraPx = 281;
constexpr int kPainelAlturaPx = 161;
constexpr int kLogoLarguraPx = 126;
constexpr int kLogoAlturaPx = 24;
constexpr int kBotaoLarguraPx = 75;
constexpr int kBotaoAlturaPx = 25;
constexpr int kBotaoTopoPx = 178;
constexpr int kTextoEsquerdaPx = kMargemPx + kLogoLarguraPx + 12;

QFont Verdana(int pontos, bool negrito = false) {
  QFont fonte(QStringLiteral("Verdana"), pontos, negrito ? QFont::Bold : QFont::Normal);
  fonte.setStyleHint(QFont::SansSerif);
  return fonte;
}

QLabel* NovoRotulo(QWidget* pai, const char* nome, const QString& texto, const QFont& fonte) {
  auto* rotulo = new QLabel(texto, pai);
  rotulo->setObjectName(QString::fromLatin1(nome));
  rotulo->setFont(fonte);
  return rotulo;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("AboutBox");
  setWindowTitle(QStringLiteral("NIVORA2010"));
  setFixedSize(kLarguraClientePx, kAlturaClientePx);
  setModal(false);
  setAttribute(Qt::WA_QuitOnClose, false);
  setAttribute(Qt::WA_DeleteOnClose, false);

  // The panel stands raised on a background of the highlight colour.
  QPalette fundo = palette();
  fundo.setColor(QPalette::Window, fundo.color(QPalette::Highlight));
  setPalette(fundo);
  setAutoFillBackground(true);

  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setLineWidth(1);
  Panel1->setGeometry(kMargemPx, kMargemPx, kPainelLarguraPx, kPainelAlturaPx);
  QPalette painel = Panel1->palette();
  painel.setColor(QPalette::Window, QGuiApplication::palette().color(QPalette::Button));
  painel.setColor(QPalette::WindowText, QGuiApplication::palette().color(QPalette::ButtonText));
  Panel1->setPalette(painel);
  Panel1->setAutoFillBackground(true);

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setObjectName("ProgramIcon");
  try {
    logo_ = CarregarJpeg(QString::fromLatin1(kRecursoLogo));
  } catch (const nivora::ErroNivora&) {
    logo_ = QImage();  // the window still opens, without its logo
  }
  if (!logo_.isNull()) ProgramIcon->setPixmap(QPixmap::fromImage(logo_));
  // Sized to the picture.
  ProgramIcon->setGeometry(kMargemPx, kMargemPx + 8,
                           logo_.isNull() ? kLogoLarguraPx : logo_.width(),
                           logo_.isNull() ? kLogoAlturaPx : logo_.height());

  ProductName = NovoRotulo(Panel1, "ProductName", QStringLiteral("NIVORA2015"), Verdana(10, true));
  QPalette azul = ProductName->palette();
  azul.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80));  // navy
  ProductName->setPalette(azul);
  ProductName->setGeometry(kTextoEsquerdaPx, 12, kPainelLarguraPx - kTextoEsquerdaPx - 4, 20);

  Version = NovoRotulo(Panel1, "Version", QString::fromUtf8("Vers\u00e3o 1.0"), Verdana(8));
  Version->setGeometry(kTextoEsquerdaPx, 36, kPainelLarguraPx - kTextoEsquerdaPx - 4, 16);

  Comments = NovoRotulo(Panel1, "Comments",
                        QString::fromUtf8("Sistema de Interpola\u00e7\u00e3o de "
                                          "Ondula\u00e7\u00e3o Geoidal"),
                        Verdana(8));
  Comments->setWordWrap(true);
  Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Comments->setGeometry(kMargemPx, 72, kPainelLarguraPx - 2 * kMargemPx, 48);

  Data = NovoRotulo(Panel1, "Data", QStringLiteral("nov/2015"), Verdana(6));
  Data->setAlignment(Qt::AlignRight | Qt::AlignBottom);
  Data->setGeometry(kPainelLarguraPx - 80, kPainelAlturaPx - 20, 72, 14);

  OKButton = new QPushButton(QStringLiteral("Fechar"), this);
  OKButton->setObjectName("OKButton");
  OKButton->setGeometry((kLarguraClientePx - kBotaoLarguraPx) / 2, kBotaoTopoPx, kBotaoLarguraPx,
                        kBotaoAlturaPx);
  OKButton->setDefault(true);
  OKButton->setAutoDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);

  // Centred on the screen, not on the owner.
  if (const QScreen* tela = QGuiApplication::primaryScreen()) {
    const QRect area = tela->availableGeometry();
    move(area.center().x() - kLarguraClientePx / 2, area.center().y() - kAlturaClientePx / 2);
  }
}

void TAboutBox::OKButtonClick() {
  close();
}
