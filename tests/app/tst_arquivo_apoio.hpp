// Fixtures of the file band tests: a scripted platform whose event pump can act
// in the middle of a run (click Cancel, trigger a menu, close the window) and
// that keeps count of the wait cursor, and a main window driven by it.
#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <string>

#include "apoio.hpp"
#include "app/map.hpp"
#include "plataforma_roteiro.hpp"

/// A scripted platform for runs: the pump calls `aoBombear` (when set) and then
/// processes the window's real pending events.
class PlataformaArquivo : public PlataformaRoteiro {
 public:
  std::function<void()> aoBombear;
  int cursorProfundidade = 0;  ///< wait cursors shown and not yet removed
  int cursorMaximo = 0;

  void ProcessarEventos() override {
    PlataformaRoteiro::ProcessarEventos();
    if (aoBombear) aoBombear();
    QCoreApplication::processEvents();
  }
  void CursorEspera(bool ligado) override {
    cursorProfundidade += ligado ? 1 : -1;
    cursorMaximo = std::max(cursorMaximo, cursorProfundidade);
  }
};

/// N of the synthetic test grid: smooth, a few metres, varying in both directions.
inline double OndulacaoDeTeste(double latDeg, double lonDeg) {
  return -5.0 + 0.125 * latDeg - 0.0625 * (lonDeg + 47.5) + 0.01 * latDeg * (lonDeg + 47.5);
}

/// A main window in an application folder that holds the test grid.
struct JanelaArquivo {
  QTemporaryDir pasta;
  PlataformaArquivo plataforma;
  std::unique_ptr<TForm1> janela;

  /// `pastaAplicacao` empty: a fresh temporary folder with its own grid.
  explicit JanelaArquivo(const QString& pastaAplicacao = QString()) {
    const QString app = pastaAplicacao.isEmpty() ? Pasta() : pastaAplicacao;
    if (pastaAplicacao.isEmpty()) EscreverGrade(app, OndulacaoDeTeste);
    janela = std::make_unique<TForm1>(plataforma, PastasPrograma{app, app});
    janela->show();
    janela->activateWindow();
    if (!QTest::qWaitForWindowActive(janela.get())) qWarning("janela de teste inativa");
  }
  QString Pasta() const { return pasta.path() + QLatin1Char('/'); }

  template <typename T = QWidget>
  T* Controle(const char* nome) const {
    return janela->findChild<T*>(QString::fromLatin1(nome));
  }
  QCheckBox* Caixa(const char* nome) const { return Controle<QCheckBox>(nome); }

  /// The token list as "ID,0".
  QString Lista() const {
    QStringList itens;
    const auto* lista = Controle<QListWidget>("ListBox1");
    for (int i = 0; i < lista->count(); ++i) itens << lista->item(i)->text();
    return itens.join(QLatin1Char(','));
  }

  /// Names the input and output files as the browse action and the user would.
  void Arquivos(const QString& entrada, const QString& saida) {
    janela->NomeArqEntrada = entrada;
    Controle<QLineEdit>("Ed_EntradaArquivo")->setText(entrada);
    Controle<QLineEdit>("Ed_SaidaArquivo")->setText(saida);
  }

  /// Runs the batch as a click on "Processa" does.
  void Processar() { Controle<QPushButton>("bbt_ProcessaArq")->click(); }

  /// True when the window is back at rest after a run.
  bool Ocioso() const {
    return !janela->Processando() && !Controle("bbt_ProcessaArq")->isHidden() &&
           Controle("bbt_Cancela")->isHidden() && plataforma.cursorProfundidade == 0;
  }
};

inline QByteArray LerArquivo(const QString& nome) {
  QFile arquivo(nome);
  if (!arquivo.open(QIODevice::ReadOnly)) return QByteArray("<ausente>");
  return arquivo.readAll();
}

inline void GravarArquivo(const QString& nome, const QByteArray& bytes) {
  QFile arquivo(nome);
  if (!arquivo.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("arquivo de teste");
  arquivo.write(bytes);
}

/// Windows-1252 text of a test expectation written in UTF-8.
inline QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}
