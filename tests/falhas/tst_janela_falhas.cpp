// The window's batch run under a storm of user actions, all arriving through the
// window's real event queue while the run pumps it: Cancel clicked over and over
// (also during a stretch of refused points), "Processa" and its menu twin asked
// again and again, and the window closed in the middle. Exactly one run may
// happen, the output must be whole lines of the full run, both files closed.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <functional>
#include <string>

#include "apoio/arquivos.hpp"
#include "app/apoio.hpp"
#include "batch/lote.hpp"
#include "geoid/consulta.hpp"

namespace {

using nivora::teste::DescritoresAbertos;

/// `aceitas` accepted points after `recusadas` refused ones, all different.
QByteArray Entrada(int recusadas, int aceitas) {
  QByteArray texto;
  for (int i = 0; i < recusadas; ++i) texto += "7." + QByteArray::number(i % 1000) + " -47\r\n";
  for (int i = 0; i < aceitas; ++i) {
    texto += "-1" + QByteArray::number(i % 5) + "." + QByteArray::number(1000 + i % 8000) +
             " -47." + QByteArray::number(1000 + (i * 7) % 8000) + "\r\n";
  }
  return texto;
}

/// The whole output of `entrada`, made by the core on the window's grid.
QByteArray SaidaCompleta(const QString& pasta, const QString& entrada) {
  nivora::TCacheGrade cache(
      nivora::TModeloGeoide::CaminhoGrade(QFile::encodeName(pasta).toStdString()));
  nivora::TModeloGeoide modelo(cache);
  nivora::ObservadorLote nada;
  const QString saida = pasta + "completa.txt";
  nivora::ExecutarLote(
      QFile::encodeName(entrada).toStdString(), QFile::encodeName(saida).toStdString(),
      nivora::OpcoesLote::De(nivora::TListaFormato::DeTexto("0"), false, true), modelo, nada);
  return LerArquivo(saida);
}

void Clicar(QWidget* botao) {
  // Queued like a click of the user: it reaches the window only through the pump.
  QCoreApplication::postEvent(botao, new QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5),
                                                     botao->mapToGlobal(QPointF(5, 5)),
                                                     Qt::LeftButton, Qt::LeftButton, {}));
  QCoreApplication::postEvent(
      botao, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(5, 5),
                             botao->mapToGlobal(QPointF(5, 5)), Qt::LeftButton, Qt::NoButton, {}));
}

}  // namespace

class TesteJanelaFalhas : public QObject {
  Q_OBJECT

  struct Caso {
    int recusadas = 0;
    int aceitas = 0;
    bool cancelar = false;  // Cancel clicked on every pump
    bool pedirOutra = false;
    bool fechar = false;  // the window closed on the 2nd pump, 50 ms in (with Cancel: the 1st)
  };

  void Rodar(const Caso& c) {
    JanelaDeTeste t(OndulacaoDeTeste);
    const QString entrada = t.PastaAplicacao() + "entrada.txt";
    GravarArquivo(entrada, Entrada(c.recusadas, c.aceitas));
    const QByteArray completa = SaidaCompleta(t.PastaAplicacao(), entrada);
    t.Caixa("Chck_LatLon_Dec")->setChecked(true);
    t.Caixa("ChckBx_Coord_S")->setChecked(true);
    t.Arquivos(entrada, t.PastaAplicacao() + "saida.txt");

    int bombas = 0;
    t.plataforma.aoBombear = [&] {
      ++bombas;
      if (c.cancelar) {
        for (int k = 0; k < 5; ++k) Clicar(t.Controle<QPushButton>("bbt_Cancela"));
        t.janela->findChild<QAction*>("Cancelar1")->trigger();
      }
      if (c.pedirOutra) {
        t.janela->findChild<QAction*>("Executar2")->trigger();
        Clicar(t.Controle<QPushButton>("bbt_ProcessaArq"));
        QMetaObject::invokeMethod(
            t.janela.get(), [&] { t.janela->findChild<QAction*>("Executar2")->trigger(); },
            Qt::QueuedConnection);
      }
      if (c.fechar && bombas == (c.cancelar ? 1 : 2)) {
        // As the window system closes it: a close event to the native window.
        QCoreApplication::postEvent(t.janela->windowHandle(), new QCloseEvent);
      }
    };
    const int abertos = DescritoresAbertos();
    t.Processar();
    t.plataforma.aoBombear = nullptr;
    QCoreApplication::processEvents();  // what was still queued, after the run

    QVERIFY(bombas > 0);
    QCOMPARE(DescritoresAbertos(), abertos);
    QVERIFY(t.Ocioso());
    QCOMPARE(t.plataforma.cursorMaximo, 1);  // never a second run inside the first
    const QByteArray saida = LerArquivo(t.PastaAplicacao() + "saida.txt");
    QVERIFY(saida.isEmpty() || saida.endsWith("\r\n"));
    QVERIFY2(completa.startsWith(saida), "not a prefix of the full run");
    const std::vector<std::string> textos = t.plataforma.Textos();
    if (c.fechar) {
      QVERIFY(!t.janela->isVisible());
      QVERIFY(t.plataforma.mensagens.empty());
      QVERIFY(saida.size() < completa.size());
    } else if (c.cancelar) {
      // Stopped after the first accepted point, whatever refused points came before.
      QCOMPARE(saida.count("\r\n"), c.recusadas + 1);
      QCOMPARE(textos.front(), std::string("Programa Abortado."));
    } else {
      QCOMPARE(saida, completa);
      QCOMPARE(textos.front(), std::string("Fim de Processamento."));
    }
    // A later run starts with the cancel flag cleared and reaches the end.
    t.plataforma.mensagens.clear();
    if (!t.janela->isVisible()) t.janela->show();
    t.Processar();
    QCOMPARE(LerArquivo(t.PastaAplicacao() + "saida.txt"), completa);
    QCOMPARE(t.plataforma.Textos().front(), std::string("Fim de Processamento."));
  }

 private slots:
  void cancelManyTimes() { Rodar({0, 4000, true, false, false}); }
  void cancelDuringRefusedPoints() { Rodar({3000, 2000, true, false, false}); }
  void secondRunAsked() { Rodar({100, 4000, false, true, false}); }
  // Enough points that the run is still going 50 ms in, however fast the query.
  void closeDuringARun() { Rodar({0, 100000, false, false, true}); }
  void allTogether() { Rodar({500, 20000, true, true, true}); }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  TesteJanelaFalhas teste;
  return QTest::qExec(&teste, argc, argv);
}

#include "tst_janela_falhas.moc"
