// The about window: logo, product name, version and a one-line description.
#pragma once

#include <QDialog>
#include <QImage>
#include <memory>

namespace Ui {
class TAboutBox;
}

/// Caption "NIVORA2010", fixed 298 x 213, centred on the screen, no title-bar buttons;
/// "Fechar" is the default button and hides the window. Modeless and reused. Its
/// controls (Panel1, ProgramIcon, ProductName, Version, Comments, Data, OKButton)
/// are laid out in About.ui.
class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
  ~TAboutBox() override;

  static constexpr int kLarguraClientePx = 298;
  static constexpr int kAlturaClientePx = 213;
  static constexpr const char* kRecursoLogo = ":/imagens/logo.jpg";

  /// The logo as decoded (126 x 24).
  const QImage& Logo() const { return logo_; }

 private:
  void OKButtonClick();

  std::unique_ptr<Ui::TAboutBox> ui;
  QImage logo_;
};
