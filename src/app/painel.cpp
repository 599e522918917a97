// The gradient band of the main window.
#include "app/painel.hpp"

#include <QLinearGradient>
#include <QPainter>

namespace {
// The gradient colour of an active title bar on the classic desktop, from its
// left end to its right end.
constexpr QRgb kGradienteInicio = qRgb(0xB9, 0xD1, 0xEA);
constexpr QRgb kGradienteFim = qRgb(0xDF, 0xEA, 0xF7);
}  // namespace

TPainel::TPainel(QWidget* parent) : QFrame(parent) {}

void TPainel::paintEvent(QPaintEvent* evento) {
  {
    QPainter pintor(this);
    QLinearGradient gradiente(rect().topLeft(), rect().topRight());
    gradiente.setColorAt(0.0, QColor(kGradienteInicio));
    gradiente.setColorAt(1.0, QColor(kGradienteFim));
    pintor.fillRect(rect(), gradiente);
  }
  QFrame::paintEvent(evento);  // the single border
}
