// The window tests' fixture: a shown, active main window in an application folder
// (with or without a synthetic grid), driven by a scripted platform; and the small
// helpers the window tests share.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

#include "app/map.hpp"
#include "plataforma_roteiro.hpp"

class QCheckBox;
class QLineEdit;
class QWidget;

/// N of a synthetic grid at a node, metres.
using FuncaoOndulacao = std::function<double(double latDeg, double lonDeg)>;

/// N of the usual synthetic grid: smooth, a few metres, varying in both directions.
double OndulacaoDeTeste(double latDeg, double lonDeg);

/// Writes grid/NIVORA2015_SIRGAS2000.txt below `pastaAplicacao`: nodes every 5' from
/// latitude 16 down to -17 and longitude -49 to -46, N given by `ondulacao(lat, lon)`.
void EscreverGrade(const QString& pastaAplicacao, const FuncaoOndulacao& ondulacao);

/// A whole file as bytes; "<ausente>" when it cannot be read.
QByteArray LerArquivo(const QString& nome);
/// Creates or truncates a file with `bytes`.
void GravarArquivo(const QString& nome, const QByteArray& bytes);
/// A test expectation written in UTF-8.
inline QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

/// A main window, shown and active.
struct JanelaDeTeste {
  QTemporaryDir pasta;
  PlataformaRoteiro plataforma;
  std::unique_ptr<TForm1> janela;

  /// In a fresh temporary folder without a grid.
  JanelaDeTeste();
  /// In a fresh temporary folder with a grid of N = `ondulacao`.
  explicit JanelaDeTeste(const FuncaoOndulacao& ondulacao);
  /// In the application folder `pastaAplicacao` (ending with "/"), as it is.
  explicit JanelaDeTeste(const QString& pastaAplicacao);
  ~JanelaDeTeste();

  /// The fresh temporary folder (also the application folder unless one was given).
  QString PastaAplicacao() const { return pasta.path() + QLatin1Char('/'); }

  template <typename T = QWidget>
  T* Controle(const char* nome) const {
    return janela->findChild<T*>(QString::fromLatin1(nome));
  }
  QLineEdit* Campo(const char* nome) const;
  QCheckBox* Caixa(const char* nome) const;

  /// Focuses the field, types `texto` key by key (through the key filters), and
  /// leaves the field with Tab.
  void Digitar(const char* campo, const QString& texto);
  /// Fills the fields of the keyboard band directly (no filters), e.g. for a point.
  void Preencher(std::initializer_list<std::pair<const char*, const char*>> campos);

  /// The format token list as "ID,0".
  QString Lista() const;
  /// Chooses `entrada` through the input browse (its menu item, always enabled) and
  /// types `saida` over the proposed output name, as a user would. What the browse
  /// itself showed is forgotten, so that a test sees only what the run shows.
  void Arquivos(const QString& entrada, const QString& saida);
  /// Runs the batch as a click on "Processa" does.
  void Processar();
  /// True when the window is back at rest after a run.
  bool Ocioso() const;

 private:
  void Mostrar(const QString& pastaAplicacao);
};
