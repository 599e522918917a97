// The illustration window: a picture of the geoid undulation over the model area.
#pragma once

#include <QImage>
#include <QWidget>

class QLabel;

/// Caption "Ondulação Geoidal", fixed 601 x 249 client area at screen position 419, 210,
/// close button only. Closing it only hides it: the same window is shown again.
class TForm2 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm2(QWidget* parent = nullptr);

  static constexpr int kLarguraClientePx = 601;
  static constexpr int kAlturaClientePx = 249;
  static constexpr int kPosicaoXPx = 419;
  static constexpr int kPosicaoYPx = 210;
  static constexpr const char* kRecursoIlustracao = ":/imagens/ilustracao.jpg";

  /// The picture as decoded (600 x 250), before it is fitted to the window.
  const QImage& Figura() const { return figura_; }
  /// The picture control that fills the client area.
  QLabel* Image1 = nullptr;

 private:
  QImage figura_;
};
