// A band of the main window, painted in the active-caption gradient colour.
#pragma once

#include <QFrame>

/// A framed band whose background is a horizontal gradient of the classic
/// active-caption blue, light enough for black captions on top of it.
class TPainel : public QFrame {
  Q_OBJECT
 public:
  explicit TPainel(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* evento) override;
};
