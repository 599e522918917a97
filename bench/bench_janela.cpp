// The window side of bench/bench_janela.sh: one batch run of ENTRADA (layout Lat Lon
// decimal, N only) in a window on the grid of PASTA, timed from the click on
// "Processa" to the end of the run. Prints the run's wall time in microseconds, the
// pumps, the lines read and, when asked, the latency of a cancel click.
// Usage: bench_janela PASTA ENTRADA SAIDA [CANCELA_MS]   (offscreen platform)
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/map.hpp"
#include "app/plataforma.hpp"
#include "text/cp1252.hpp"

namespace {

/// Qt's event pump and nothing modal: the browse answers with the input file, a
/// box is recorded and closed at once, the first one marking the end of the run.
class PlataformaBancada : public nivora::PlataformaQt {
 public:
  explicit PlataformaBancada(QString entrada) : entrada_(std::move(entrada)) {}

  QElapsedTimer relogio;
  qint64 primeiraMensagemUs = -1;
  int bombeamentos = 0;
  std::vector<std::string> mensagens;

  nivora::Resposta MostrarMensagem(const nivora::PedidoMensagem& pedido) override {
    if (primeiraMensagemUs < 0) primeiraMensagemUs = relogio.nsecsElapsed() / 1000;
    mensagens.push_back(pedido.texto);
    return pedido.escape;
  }
  std::optional<QString> EscolherArquivoAbrir(const nivora::DialogoArquivo&) override {
    return entrada_;
  }
  nivora::EstadoTrava TravarInstancia() override { return nivora::EstadoTrava::Obtida; }
  void ProcessarEventos() override {
    ++bombeamentos;
    QCoreApplication::processEvents();
  }
  void CursorEspera(bool) override {}

 private:
  QString entrada_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 4) {
    std::cerr << "uso: bench_janela PASTA ENTRADA SAIDA [CANCELA_MS]\n";
    return 2;
  }
  QString pasta = args[1];
  if (!pasta.endsWith(QLatin1Char('/'))) pasta += QLatin1Char('/');
  PlataformaBancada plataforma(args[2]);
  TForm1 janela(plataforma, PastasPrograma{pasta, pasta});
  janela.show();
  const auto controle = [&janela](const char* nome) {
    return janela.findChild<QWidget*>(QString::fromLatin1(nome));
  };
  static_cast<QCheckBox*>(controle("Chck_LatLon_Dec"))->setChecked(true);
  janela.findChild<QAction*>("NomedoArquivodeEntrada1")->trigger();
  static_cast<QLineEdit*>(controle("Ed_SaidaArquivo"))->setText(args[3]);
  plataforma.mensagens.clear();
  plataforma.primeiraMensagemUs = -1;

  // The cancel click arrives CANCELA_MS after the start; the latency runs from
  // then to the moment the run stops ("Programa Abortado." is shown).
  const qint64 cancelaMs = args.size() > 4 ? args[4].toLongLong() : -1;
  plataforma.relogio.start();
  if (cancelaMs >= 0) {
    QTimer::singleShot(std::chrono::milliseconds(cancelaMs), Qt::PreciseTimer, &janela,
                       [&] { static_cast<QPushButton*>(controle("bbt_Cancela"))->click(); });
  }
  static_cast<QPushButton*>(controle("bbt_ProcessaArq"))->click();
  const qint64 totalUs = plataforma.relogio.nsecsElapsed() / 1000;

  std::cout << "janela_us=" << totalUs << "\n";
  std::cout << "bombeamentos=" << plataforma.bombeamentos << "\n";
  std::cout << "linhas=" << static_cast<QLabel*>(controle("Label15"))->text().toStdString() << "\n";
  if (cancelaMs >= 0) {
    std::cout << "latencia_cancela_us=" << plataforma.primeiraMensagemUs - cancelaMs * 1000 << "\n";
  }
  for (const std::string& texto : plataforma.mensagens) {
    std::cout << "mensagem=" << nivora::Cp1252ParaUtf8(texto) << "\n";
  }
  return 0;
}
