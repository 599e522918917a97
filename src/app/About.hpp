// The about window: logo, product name, version and a one-line description.
#pragma once

#include <QDialog>
#include <QImage>

class QFrame;
class QLabel;
class QPushButton;

/// Caption "NIVORA2010", fixed 298 x 213, centred on the screen, no title-bar buttons;
/// "Fechar" is the default button and hides the window. Modeless and reused.
class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  static constexpr int kLarguraClientePx = 298;
  static constexpr int kAlturaClientePx = 213;
  static constexpr const char* kRecursoLogo = ":/imagens/logo.jpg";

  QFrame* Panel1 = nullptr;
  QLabel* ProgramIcon = nullptr;
  QLabel* ProductName = nullptr;
  QLabel* Version = nullptr;
  QLabel* Comments = nullptr;
  QLabel* Data = nullptr;
  QPushButton* OKButton = nullptr;

  /// The logo as decoded (126 x 24).
  const QImage& Logo() const { return logo_; }

 private slots:
  void OKButtonClick();

 private:
  QImage logo_;
};
