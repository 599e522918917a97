// The illustration window: the picture of N over the model area, fitted to it.
#include "app/frmIlustra.hpp"

#include <QLabel>
#include <QPixmap>

#include "app/jpeg.hpp"
#include "text/erros.hpp"

TForm2::TForm2(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("Form2");
  setWindowTitle(QString::fromUtf8("Ondula\u00e7\u00e3o Geoidal"));
  setFixedSize(kLarguraClientePx, kAlturaClientePx);
  move(kPosicaoXPx, kPosicaoYPx);
  // The window lives until the end of the program and never keeps it running alone.
  setAttribute(Qt::WA_QuitOnClose, false);
  setAttribute(Qt::WA_DeleteOnClose, false);

  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setGeometry(0, 0, kLarguraClientePx, kAlturaClientePx);
  Image1->setAlignment(Qt::AlignCenter);
  try {
    figura_ = CarregarJpeg(QString::fromLatin1(kRecursoIlustracao));
  } catch (const nivora::ErroNivora&) {
    // The picture ships inside the program; without it the window stays empty
    // rather than stopping the start-up of the whole program.
    figura_ = QImage();
  }
  if (!figura_.isNull()) {
    // Fitted to the client area keeping its proportions, centred by the label.
    const QImage ajustada = figura_.scaled(kLarguraClientePx, kAlturaClientePx, Qt::KeepAspectRatio,
                                           Qt::SmoothTransformation);
    Image1->setPixmap(QPixmap::fromImage(ajustada));
  }
}
