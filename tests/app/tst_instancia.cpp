// One running copy per user: real processes under the offscreen platform, with a
// temporary runtime folder for the lock.
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/plataforma.hpp"

#ifndef NIVORA_INSTANCIA_TESTE
#error "NIVORA_INSTANCIA_TESTE must name the helper program"
#endif

class TesteInstancia : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir runtime_;
  std::vector<std::unique_ptr<QProcess>> processos_;

  QProcess* Iniciar(const QString& xdgRuntime) {
    auto processo = std::make_unique<QProcess>();
    QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
    ambiente.insert("QT_QPA_PLATFORM", "offscreen");
    ambiente.insert("XDG_RUNTIME_DIR", xdgRuntime);
    processo->setProcessEnvironment(ambiente);
    processo->start(QStringLiteral(NIVORA_INSTANCIA_TESTE), {});
    processos_.push_back(std::move(processo));
    return processos_.back().get();
  }
  /// Waits for a line beginning with `inicio` on the process's output.
  static QByteArray EsperarLinha(QProcess* p, const QByteArray& inicio, int msTotal = 20000) {
    QByteArray lido;
    QElapsedTimer relogio;
    relogio.start();
    while (relogio.elapsed() < msTotal) {
      p->waitForReadyRead(200);
      lido += p->readAllStandardOutput();
      for (const QByteArray& linha : lido.split('\n')) {
        if (linha.startsWith(inicio)) return linha;
      }
      if (p->state() == QProcess::NotRunning && p->bytesAvailable() == 0) break;
    }
    return {};
  }

 private slots:
  void cleanup() {
    for (auto& p : processos_) {
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(5000);
      }
    }
    processos_.clear();
  }

  void secondCopyRefusedThenAllowed() {
    QVERIFY(runtime_.isValid());
    QProcess* primeira = Iniciar(runtime_.path());
    QCOMPARE(EsperarLinha(primeira, "TRAVA"), QByteArray("TRAVA obtida"));

    QProcess* segunda = Iniciar(runtime_.path());
    QVERIFY(segunda->waitForFinished(20000));
    const QByteArray saida = segunda->readAllStandardOutput();
    QVERIFY2(saida.contains("TRAVA em-uso\n"), saida.constData());
    QVERIFY2(
        saida.contains(QByteArray("MENSAGEM|Warning|O sistema j\xC3\xA1 est\xC3\xA1 rodando nesta "
                                  "m\xC3\xA1quina.\n")),
        saida.constData());
    QCOMPARE(segunda->exitStatus(), QProcess::NormalExit);
    QCOMPARE(segunda->exitCode(), 0);
    QCOMPARE(primeira->state(), QProcess::Running);  // the first copy is not disturbed

    // The first copy dies without any clean-up: the lock goes with it.
    primeira->kill();
    QVERIFY(primeira->waitForFinished(10000));
    QProcess* terceira = Iniciar(runtime_.path());
    QCOMPARE(EsperarLinha(terceira, "TRAVA"), QByteArray("TRAVA obtida"));
    QTest::qWait(300);
    QCOMPARE(terceira->state(), QProcess::Running);
  }

  void noLockPossibleRunsUnguarded() {
    const QString inexistente = runtime_.path() + "/nao/existe";
    QProcess* a = Iniciar(inexistente);
    QCOMPARE(EsperarLinha(a, "TRAVA"), QByteArray("TRAVA indisponivel"));
    QProcess* b = Iniciar(inexistente);
    QCOMPARE(EsperarLinha(b, "TRAVA"), QByteArray("TRAVA indisponivel"));
    QTest::qWait(500);
    QCOMPARE(a->state(), QProcess::Running);
    QCOMPARE(b->state(), QProcess::Running);
    QVERIFY(!b->readAllStandardOutput().contains("MENSAGEM"));
  }

  void lockInTheSameProcess() {
    const std::string caminho = (runtime_.path() + "/trava").toStdString();
    {
      nivora::TravaInstancia primeira(caminho);
      QVERIFY(primeira.Estado() == nivora::EstadoTrava::Obtida);
      nivora::TravaInstancia segunda(caminho);
      QVERIFY(segunda.Estado() == nivora::EstadoTrava::EmUso);
    }
    nivora::TravaInstancia depois(caminho);
    QVERIFY(depois.Estado() == nivora::EstadoTrava::Obtida);
  }

  void lockPath() {
    const QByteArray antes = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", "/run/user/4242");
    QCOMPARE(QString::fromStdString(nivora::CaminhoTravaInstancia()),
             QStringLiteral("/run/user/4242/NIVORA2015"));
    qunsetenv("XDG_RUNTIME_DIR");
    const QString semRuntime = QString::fromStdString(nivora::CaminhoTravaInstancia());
    QVERIFY2(semRuntime.endsWith(QStringLiteral("/NIVORA2015-%1.lock").arg(::getuid())),
             qPrintable(semRuntime));
    if (antes.isNull()) {
      qunsetenv("XDG_RUNTIME_DIR");
    } else {
      qputenv("XDG_RUNTIME_DIR", antes);
    }
  }
};

QTEST_GUILESS_MAIN(TesteInstancia)
#include "tst_instancia.moc"
