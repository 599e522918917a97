// The about window: what About.ui cannot say (colours, the logo, the position).
#include "app/About.hpp"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include "app/jpeg.hpp"
#include "text/erros.hpp"
#include "ui_About.h"

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      ui(std::make_unique<Ui::TAboutBox>()) {
  ui->setupUi(this);
  setFixedSize(kLarguraClientePx, kAlturaClientePx);
  setAttribute(Qt::WA_QuitOnClose, false);
  setAttribute(Qt::WA_DeleteOnClose, false);

  // The panel stands raised on a background of the highlight colour.
  QPalette fundo = palette();
  fundo.setColor(QPalette::Window, fundo.color(QPalette::Highlight));
  setPalette(fundo);
  setAutoFillBackground(true);
  QPalette painel = ui->Panel1->palette();
  painel.setColor(QPalette::Window, QGuiApplication::palette().color(QPalette::Button));
  painel.setColor(QPalette::WindowText, QGuiApplication::palette().color(QPalette::ButtonText));
  ui->Panel1->setPalette(painel);
  ui->Panel1->setAutoFillBackground(true);
  QPalette azul = ui->ProductName->palette();
  azul.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80));  // navy
  ui->ProductName->setPalette(azul);

  try {
    logo_ = CarregarJpeg(QString::fromLatin1(kRecursoLogo));
  } catch (const nivora::ErroNivora&) {
    logo_ = QImage();  // the window still opens, without its logo
  }
  if (!logo_.isNull()) {
    ui->ProgramIcon->setPixmap(QPixmap::fromImage(logo_));
    ui->ProgramIcon->resize(logo_.size());  // sized to the picture
  }
  connect(ui->OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);

  // Centred on the screen, not on the owner.
  if (const QScreen* tela = QGuiApplication::primaryScreen()) {
    const QRect area = tela->availableGeometry();
    move(area.center().x() - kLarguraClientePx / 2, area.center().y() - kAlturaClientePx / 2);
  }
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::OKButtonClick() {
  close();
}
