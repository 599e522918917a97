// Shared fixtures of the window tests: a temporary application folder with a small
// synthetic grid, and a shown, active main window driven by a scripted platform.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "app/map.hpp"
#include "plataforma_roteiro.hpp"

class QLineEdit;
class QWidget;

/// Writes grid/NIVORA2015_SIRGAS2000.txt below `pastaAplicacao`: nodes every 5' from
/// latitude 16 down to -17 and longitude -49 to -46, N given by `ondulacao(lat, lon)`.
void EscreverGrade(const QString& pastaAplicacao,
                   const std::function<double(double latDeg, double lonDeg)>& ondulacao);

/// A main window in a temporary application folder, shown and active.
struct JanelaDeTeste {
  QTemporaryDir pasta;
  PlataformaRoteiro plataforma;
  std::unique_ptr<TForm1> janela;

  JanelaDeTeste();
  ~JanelaDeTeste();
  QString PastaAplicacao() const { return pasta.path() + QLatin1Char('/'); }

  template <typename T = QWidget>
  T* Controle(const char* nome) const {
    return janela->findChild<T*>(QString::fromLatin1(nome));
  }
  QLineEdit* Campo(const char* nome) const;
  /// Focuses the field, types `texto` key by key (through the key filters), and
  /// leaves the field with Tab.
  void Digitar(const char* campo, const QString& texto);
  /// Fills the fields of the keyboard band directly (no filters), e.g. for a point.
  void Preencher(std::initializer_list<std::pair<const char*, const char*>> campos);
};
