// The batch run in the window: the bytes against the command-line tool for every
// layout and output choice, the failure dialogs, the format-error stop, cancel by
// button, menu and closing, empty and one-line files, labels and progress, the
// failed query, and no second run from inside the first.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <utility>

#include "apoio.hpp"
#include "batch/lote.hpp"
#include "geoid/consulta.hpp"

#ifndef NIVORA_CLI
#define NIVORA_CLI ""
#endif

namespace {

const char* const kCaixaCodigo[] = {"Chck_LatLon_Dec", "Chck_LonLat_Dec", "Chck_LatLon_GMS",
                                    "Chck_LonLat_GMS"};

// The run's texts as the user reads them (Windows-1252).
const std::string kFim = "Fim de Processamento.";
const std::string kAbortado = "Programa Abortado.";
const std::string kPergunta =
    "Deseja abrir o arquivo de sa\xED"
    "da  ?";
const std::string kErroFormatacao = "Erro na formata\xE7\xE3o do arquivo.";
const std::string kLoteEmAndamento =
    "H\xE1 um arquivo em processamento: a entrada s\xF3 muda depois do fim. Aguarde o fim ou "
    "clique em Cancela.";

/// Small deterministic generator (Park-Miller), the same sequence everywhere.
class Sorteio {
 public:
  explicit Sorteio(int semente) : estado_(semente) {}
  double Proximo() {
    estado_ = estado_ * 16807 % 2147483647;
    return static_cast<double>(estado_) / 2147483647.0;
  }
  int Inteiro(int n) { return static_cast<int>(Proximo() * n) % n; }

 private:
  long long estado_;
};

/// Degrees as "DD MM SS.ssss" with the given sign text in front.
QString Gms(const QString& sinal, double grausAbs) {
  const long long dezMilesimos = std::llround(grausAbs * 36000000.0);  // 1e-4 seconds
  const long long graus = dezMilesimos / 36000000;
  const long long minutos = dezMilesimos / 600000 % 60;
  const double segundos = static_cast<double>(dezMilesimos % 600000) / 10000.0;
  return sinal + QString::asprintf("%02lld %02lld %07.4f", graus, minutos, segundos);
}

/// A test input of `linhas` records in layout `codigo` with the identification
/// at `posId` (-1 none, 0 first, 1 last): mostly points inside the test grid,
/// some outside the model area, varied separators, identifiers and line ends.
QByteArray GerarEntrada(int codigo, int posId, int linhas, int semente) {
  Sorteio s(semente);
  const char* const separadores[] = {" ", ";", " ; ", "|", "@@", "  ",
                                     "#", "$", "%",   "&", "*",  ":"};
  QByteArray saida;
  for (int i = 0; i < linhas; ++i) {
    double lat = -15.5 + 20.5 * s.Proximo();  // -15.5 .. 5.0
    double lon = -48.3 + 1.6 * s.Proximo();   // -48.3 .. -46.7
    switch (i % 9) {
      case 4:
        lat = 6.25;  // north of the model area
        break;
      case 7:
        lon = -75.5;  // west of it
        break;
      case 8:
        if (i % 2 == 0) {  // both outside
          lat = -40.0;
          lon = -30.0;
        }
        break;
      default:
        break;
    }
    const QString sep = QString::fromLatin1(separadores[s.Inteiro(std::size(separadores))]);
    QString latTxt;
    QString lonTxt;
    if (codigo <= 1) {
      latTxt = QString::asprintf("%.6f", lat);
      lonTxt = QString::asprintf("%.6f", lon);
      if (i % 11 == 3) lonTxt = QString::asprintf("%.4fE1", lon / 10.0);
      if (i % 13 == 5 && sep.trimmed().isEmpty())
        latTxt.replace(QLatin1Char('.'), QLatin1Char(','));
    } else {
      const QString sinalLat = lat < 0 ? QStringLiteral("-") : (i % 2 ? QStringLiteral("+") : "");
      latTxt = Gms(sinalLat, std::abs(lat)).replace(QLatin1Char(' '), sep);
      lonTxt = Gms(QStringLiteral("-"), std::abs(lon)).replace(QLatin1Char(' '), sep);
    }
    QString coords = (codigo == 0 || codigo == 2) ? latTxt + sep + lonTxt : lonTxt + sep + latTxt;
    QString id;
    if (posId >= 0) {
      switch (i % 4) {
        case 0:
          id = QStringLiteral("P%1").arg(i);
          break;
        case 1:
          id = QStringLiteral("ESTACAO%1").arg(1000 + i);  // cut to 8 characters
          break;
        case 2:
          id = posId == 1 ? QStringLiteral("Pt %1 a").arg(i) : QStringLiteral("M-%1").arg(i);
          break;
        default:
          id = QStringLiteral("x%1").arg(i);
          break;
      }
    }
    QString linha = posId == 0 ? id + sep + coords : (posId == 1 ? coords + sep + id : coords);
    saida += linha.toLatin1();
    saida += (semente + i) % 3 == 0 ? "\n" : "\r\n";
  }
  return saida;
}

/// Ticks the input layout (identification before or after the coordinates, as the
/// order of ticking says) and the output boxes.
void Compor(JanelaDeTeste& t, int codigo, int posId, bool saidaId, bool saidaCoord) {
  if (posId == 0) t.Caixa("ChckBx_Ponto_E")->setChecked(true);
  t.Caixa(kCaixaCodigo[codigo])->setChecked(true);
  if (posId == 1) t.Caixa("ChckBx_Ponto_E")->setChecked(true);
  t.Caixa("ChckBx_Ponto_S")->setChecked(saidaId);
  t.Caixa("ChckBx_Coord_S")->setChecked(saidaCoord);
}

struct SaidaCli {
  int codigo = -1;
  QByteArray bytes;
  QByteArray erros;
};

/// The command-line tool on the same files and choices.
SaidaCli ExecutarCli(const QString& grade, const QString& formato, bool saidaId, bool saidaCoord,
                     const QString& entrada, const QString& saida) {
  QStringList args = {"--quiet", "--grade", grade, "--formato", formato};
  if (saidaId) args << "--saida-id";
  if (saidaCoord) args << "--saida-coord";
  args << entrada << saida;
  QProcess processo;
  processo.start(QString::fromLocal8Bit(NIVORA_CLI), args);
  SaidaCli r;
  if (!processo.waitForFinished(120000)) return r;
  r.codigo = processo.exitCode();
  r.erros = processo.readAllStandardError();
  r.bytes = LerArquivo(saida);
  return r;
}

/// The message the query gives for the grid as it is now.
std::string ErroDaConsulta(const QString& pastaAplicacao, long double lat, long double lon) {
  nivora::TCacheGrade cache(
      nivora::TModeloGeoide::CaminhoGrade(QFile::encodeName(pastaAplicacao).toStdString()));
  nivora::TModeloGeoide modelo(cache);
  try {
    modelo.ObterOndulacao(lat, lon);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "<sem erro>";
}

/// Messages as one readable text, so that a failed comparison shows them.
QString Juntar(const std::vector<std::string>& textos) {
  QStringList lista;
  for (const std::string& texto : textos) lista << QString::fromLatin1(texto.c_str());
  return lista.join(QStringLiteral(" | "));
}
QString Mensagens(const JanelaDeTeste& t) {
  return Juntar(t.plataforma.Textos());
}

}  // namespace

class TesteExecucao : public QObject {
  Q_OBJECT

  QTemporaryDir comum_;  // one grid for the comparisons with the command-line tool
  QString Comum() const { return comum_.path() + QLatin1Char('/'); }
  QString GradeComum() const { return Comum() + "grid/NIVORA2015_SIRGAS2000.txt"; }

 private slots:
  void initTestCase() {
    QVERIFY2(QFileInfo(QString::fromLocal8Bit(NIVORA_CLI)).isExecutable(),
             "nivora2015-cli not built");
    EscreverGrade(Comum(), OndulacaoDeTeste);
  }

  void sameBytesAsTheCli_data() {
    QTest::addColumn<int>("codigo");
    QTest::addColumn<int>("posId");
    QTest::addColumn<bool>("saidaId");
    QTest::addColumn<bool>("saidaCoord");
    const char* const nomesId[] = {"sem ID", "ID antes", "ID depois"};
    for (int codigo = 0; codigo < 4; ++codigo) {
      for (int posId = -1; posId <= 1; ++posId) {
        for (int saida = 0; saida < 4; ++saida) {
          const bool id = saida & 1;
          const bool coord = saida & 2;
          const QByteArray nome = QByteArray::number(codigo) + ", " + nomesId[posId + 1] +
                                  (id ? ", saida ID" : "") + (coord ? ", saida coord" : "");
          QTest::newRow(nome.constData()) << codigo << posId << id << coord;
        }
      }
    }
  }
  void sameBytesAsTheCli() {
    QFETCH(int, codigo);
    QFETCH(int, posId);
    QFETCH(bool, saidaId);
    QFETCH(bool, saidaCoord);
    JanelaDeTeste t(Comum());
    QTemporaryDir pasta;
    const QString entrada = pasta.path() + "/entrada.txt";
    const QString saidaJanela = pasta.path() + "/janela.txt";
    const QString saidaCli = pasta.path() + "/cli.txt";
    constexpr int kLinhas = 45;
    GravarArquivo(entrada, GerarEntrada(codigo, posId, kLinhas, 100 + codigo * 10 + posId));

    Compor(t, codigo, posId, saidaId, saidaCoord);
    const QString formato = t.Lista();
    t.Arquivos(entrada, saidaJanela);
    t.Processar();

    QCOMPARE(Mensagens(t), Juntar(std::vector<std::string>{kFim, kPergunta}));
    QVERIFY(t.Ocioso());
    const SaidaCli cli = ExecutarCli(GradeComum(), formato, saidaId, saidaCoord, entrada, saidaCli);
    QVERIFY2(cli.codigo == 0, cli.erros.constData());
    const QByteArray janela = LerArquivo(saidaJanela);
    QCOMPARE(janela, cli.bytes);
    // Both kinds of line are exercised, one line per record.
    QCOMPARE(janela.count("\r\n"), kLinhas);
    QVERIFY(janela.contains("Entrada Inv\xE1lida : "));
    QVERIFY(janela.count("Entrada Inv\xE1lida : ") < kLinhas / 2);
  }

  void failuresBeforeTheRun_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QByteArray>("mensagem");
    QTest::addColumn<bool>("cursor");  // the wait cursor was shown (and removed)
    QTest::newRow("sem formato de coordenadas")
        << "sem formato" << QByteArray("Preenchimento insuficiente para processamento") << false;
    QTest::newRow("entrada inexistente")
        << "entrada inexistente" << QByteArray("Arquivo de entrada n\xE3o \xE9 v\xE1lido.") << true;
    QTest::newRow("entrada nunca escolhida")
        << "entrada vazia" << QByteArray("Arquivo de entrada n\xE3o \xE9 v\xE1lido.") << true;
    QTest::newRow("entrada e uma pasta")
        << "entrada pasta" << QByteArray("Arquivo de entrada n\xE3o \xE9 v\xE1lido.") << true;
    QTest::newRow("saida so com brancos") << "saida em branco"
                                          << QByteArray(
                                                 "Prencha o nome do arquivo de sa\xED"
                                                 "da.")
                                          << true;
    QTest::newRow("campo de entrada encurtado")
        << "campo editado" << QByteArray("Arquivo Inv\xE1lido.") << true;
    QTest::newRow("saida em pasta inexistente")
        << "saida impossivel" << QByteArray("Arquivo Inv\xE1lido.") << true;
    QTest::newRow("saida e a propria entrada")
        << "mesmo arquivo" << QByteArray(nivora::kMsgMesmoArquivo) << true;
  }
  void failuresBeforeTheRun() {
    QFETCH(QString, caso);
    QFETCH(QByteArray, mensagem);
    QFETCH(bool, cursor);
    JanelaDeTeste t(OndulacaoDeTeste);
    const QString entrada = t.PastaAplicacao() + "entrada.txt";
    const QByteArray conteudo = "-10 -47\r\n-11 -47.5\r\n";
    GravarArquivo(entrada, conteudo);
    QString saida = t.PastaAplicacao() + "saida.txt";
    if (caso == "sem formato") {
      t.Caixa("ChckBx_Ponto_E")->setChecked(true);
      t.Caixa("ChckBx_Coord_S")->setChecked(true);
    } else {
      t.Caixa("Chck_LatLon_Dec")->setChecked(true);
    }
    // The file the browse chose: missing, never chosen, a folder, or the real one.
    if (caso == "entrada inexistente") t.Arquivos(t.PastaAplicacao() + "nada.txt", saida);
    if (caso == "entrada pasta") t.Arquivos(t.PastaAplicacao() + "grid", saida);
    if (caso == "entrada vazia") t.Controle<QLineEdit>("Ed_SaidaArquivo")->setText(saida);
    if (!caso.startsWith("entrada ")) t.Arquivos(entrada, saida);
    if (caso == "saida em branco") t.Controle<QLineEdit>("Ed_SaidaArquivo")->setText(" \t ");
    if (caso == "campo editado") {
      t.Controle<QLineEdit>("Ed_EntradaArquivo")->setText(t.PastaAplicacao() + "entrada.tx");
    }
    if (caso == "saida impossivel") {
      saida = t.PastaAplicacao() + "nao/existe.txt";
      t.Controle<QLineEdit>("Ed_SaidaArquivo")->setText(saida);
    }
    if (caso == "mesmo arquivo") {
      t.Controle<QLineEdit>("Ed_SaidaArquivo")
          ->setText("  " + t.PastaAplicacao() + "./entrada.txt ");
    }
    t.Processar();

    QCOMPARE(t.plataforma.mensagens.size(), size_t{1});
    const nivora::PedidoMensagem& m = t.plataforma.mensagens[0];
    QCOMPARE(QByteArray::fromStdString(m.texto), mensagem);
    QVERIFY(m.tipo == nivora::TipoMensagem::Erro);
    QCOMPARE(m.titulo, std::string("Error"));
    QCOMPARE(m.botoes.size(), size_t{1});
    QVERIFY(m.botoes[0].resposta == nivora::Resposta::Ok);
    QCOMPARE(t.plataforma.cursorMaximo, cursor ? 1 : 0);
    QVERIFY(t.Ocioso());
    // No run state was shown and nothing was written.
    QVERIFY(t.Controle("Label13")->isHidden());
    QCOMPARE(t.plataforma.bombeamentos, 0);
    QCOMPARE(LerArquivo(entrada), conteudo);
    if (caso != "mesmo arquivo") QVERIFY(!QFileInfo::exists(saida));
  }

  void formatErrorStops_data() {
    QTest::addColumn<QByteArray>("entrada");
    QTest::addColumn<int>("linhasLidas");
    QTest::newRow("quarta linha sem numero")
        << QByteArray("A -10 -47\r\nB -11.5 -47.25\r\nC 7 -47\r\nD abc -47\r\nE -12 -47\r\n") << 4;
    QTest::newRow("linha em branco no meio") << QByteArray("A -10 -47\r\n\r\nB -11 -47\r\n") << 2;
    QTest::newRow("primeira linha com colunas de menos")
        << QByteArray("A -10\r\nB -11 -47\r\n") << 1;
    QTest::newRow("tabulacao nao separa") << QByteArray("A -10 -47\nB\t-11\t-47\n") << 2;
  }
  void formatErrorStops() {
    QFETCH(QByteArray, entrada);
    QFETCH(int, linhasLidas);
    JanelaDeTeste t(Comum());
    QTemporaryDir pasta;
    const QString arquivo = pasta.path() + "/entrada.txt";
    GravarArquivo(arquivo, entrada);
    Compor(t, 0, 0, true, true);
    t.Arquivos(arquivo, pasta.path() + "/janela.txt");
    t.Processar();

    QCOMPARE(Mensagens(t), Juntar(std::vector<std::string>{kErroFormatacao}));
    QVERIFY(t.plataforma.mensagens[0].tipo == nivora::TipoMensagem::Erro);
    QVERIFY(t.Ocioso());
    QCOMPARE(t.Controle<QProgressBar>("ProgressBar1")->value(), 0);
    QCOMPARE(t.Controle<QLabel>("Label15")->text(), QString::number(linhasLidas));
    // The output keeps every line before the bad record, as the tool writes it.
    const SaidaCli cli =
        ExecutarCli(GradeComum(), "ID,0", true, true, arquivo, pasta.path() + "/cli.txt");
    QCOMPARE(cli.codigo, 1);
    const QByteArray janela = LerArquivo(pasta.path() + "/janela.txt");
    QCOMPARE(janela, cli.bytes);
    QCOMPARE(janela.count("\r\n"), linhasLidas - 1);
  }

  void cancel_data() {
    QTest::addColumn<QString>("como");
    QTest::addColumn<QByteArray>("entrada");
    QTest::addColumn<int>("linhasEscritas");
    QTest::addColumn<bool>("abortado");
    const QByteArray aceitas = "-10 -47\r\n-11 -47\r\n-12 -47\r\n-13 -47\r\n";
    const QByteArray recusadasAntes = "7 -47\r\n8 -47\r\n-10 -47\r\n-11 -47\r\n";
    const QByteArray soRecusadas = "7 -47\r\n8 -47\r\n9 -47\r\n-10 -80\r\n";
    QTest::newRow("botao, todas aceitas") << "botao" << aceitas << 1 << true;
    QTest::newRow("botao, recusadas antes") << "botao" << recusadasAntes << 3 << true;
    QTest::newRow("botao, so recusadas") << "botao" << soRecusadas << 4 << false;
    QTest::newRow("menu Cancela processo") << "menu" << aceitas << 1 << true;
    QTest::newRow("fechando a janela") << "fechar" << aceitas << 1 << true;
  }
  void cancel() {
    QFETCH(QString, como);
    QFETCH(QByteArray, entrada);
    QFETCH(int, linhasEscritas);
    QFETCH(bool, abortado);
    JanelaDeTeste t(OndulacaoDeTeste);
    const QString arquivo = t.PastaAplicacao() + "entrada.txt";
    GravarArquivo(arquivo, entrada);
    Compor(t, 0, -1, false, true);
    t.Arquivos(arquivo, t.PastaAplicacao() + "saida.txt");
    bool pedido = false;
    t.plataforma.aoBombear = [&] {
      if (pedido) return;
      pedido = true;
      QVERIFY(t.janela->Processando());
      QVERIFY(!t.Controle("bbt_Cancela")->isHidden());
      QVERIFY(t.Controle("bbt_ProcessaArq")->isHidden());
      if (como == "botao") t.Controle<QPushButton>("bbt_Cancela")->click();
      if (como == "menu") t.janela->findChild<QAction*>("Cancelar1")->trigger();
      if (como == "fechar") t.janela->close();
    };
    t.Processar();

    QVERIFY(pedido);
    QVERIFY(t.janela->Estado().CancelaProcesso);
    QVERIFY(t.Ocioso());
    const QByteArray saida = LerArquivo(t.PastaAplicacao() + "saida.txt");
    QCOMPARE(saida.count("\r\n"), linhasEscritas);
    // The lines written are those of a full run, cut after the cancel.
    const SaidaCli cli = ExecutarCli(t.PastaAplicacao() + "grid/NIVORA2015_SIRGAS2000.txt", "0",
                                     false, true, arquivo, t.PastaAplicacao() + "cli.txt");
    QVERIFY(cli.bytes.startsWith(saida));
    if (como == "fechar") {
      // A closed window shows nothing more.
      QVERIFY(!t.janela->isVisible());
      QVERIFY(t.plataforma.mensagens.empty());
      return;
    }
    std::vector<std::string> esperadas;
    if (abortado) esperadas.push_back(kAbortado);
    esperadas.push_back(kPergunta);  // also after a cancelled run
    QCOMPARE(Mensagens(t), Juntar(esperadas));
    if (abortado) {
      QVERIFY(t.plataforma.mensagens[0].tipo == nivora::TipoMensagem::Aviso);
      QCOMPARE(t.plataforma.mensagens[0].titulo, std::string("Warning"));
    }
  }

  void questionOpensTheOutput_data() {
    QTest::addColumn<bool>("sim");
    QTest::newRow("sim") << true;
    QTest::newRow("nao") << false;
  }
  void questionOpensTheOutput() {
    QFETCH(bool, sim);
    JanelaDeTeste t(OndulacaoDeTeste);
    GravarArquivo(t.PastaAplicacao() + "e.txt", "-10 -47\n");
    Compor(t, 0, -1, false, false);
    t.Arquivos(t.PastaAplicacao() + "e.txt", t.PastaAplicacao() + "s.txt");
    t.plataforma.respostas = {nivora::Resposta::Ok,
                              sim ? nivora::Resposta::Sim : nivora::Resposta::Nao};
    t.Processar();
    QCOMPARE(t.plataforma.mensagens.size(), size_t{2});
    const nivora::PedidoMensagem& fim = t.plataforma.mensagens[0];
    QCOMPARE(fim.texto, kFim);
    QVERIFY(fim.tipo == nivora::TipoMensagem::Aviso);
    QCOMPARE(fim.titulo, std::string("Warning"));
    const nivora::PedidoMensagem& pergunta = t.plataforma.mensagens[1];
    QCOMPARE(pergunta.texto, kPergunta);
    QCOMPARE(pergunta.titulo, std::string("NIVORA2015"));
    QVERIFY(pergunta.tipo == nivora::TipoMensagem::Confirmacao);
    QCOMPARE(pergunta.botoes.size(), size_t{2});
    QVERIFY(pergunta.botoes[0].resposta == nivora::Resposta::Sim);
    QVERIFY(pergunta.botoes[1].resposta == nivora::Resposta::Nao);
    QCOMPARE(t.plataforma.documentos,
             sim ? std::vector<QString>{t.PastaAplicacao() + "s.txt"} : std::vector<QString>{});
  }

  void labelsAndProgress_data() {
    QTest::addColumn<int>("linhas");
    QTest::addColumn<int>("maximo");
    QTest::addColumn<int>("posicao");
    // count - 1 as the maximum; with one line or none a range of 0..1, never 0..0
    // (drawn as a busy bar).
    QTest::newRow("arquivo vazio") << 0 << 1 << 0;
    QTest::newRow("uma linha") << 1 << 1 << 1;
    QTest::newRow("duas linhas") << 2 << 1 << 1;
    QTest::newRow("tres mil linhas") << 3000 << 2999 << 2999;
  }
  void labelsAndProgress() {
    QFETCH(int, linhas);
    QFETCH(int, maximo);
    QFETCH(int, posicao);
    JanelaDeTeste t(Comum());
    QTemporaryDir pasta;
    GravarArquivo(pasta.path() + "/e.txt", GerarEntrada(1, -1, linhas, 7));
    Compor(t, 1, -1, false, false);
    t.Arquivos(pasta.path() + "/e.txt", pasta.path() + "/s.txt");
    t.Processar();

    QCOMPARE(Mensagens(t), Juntar(std::vector<std::string>{kFim, kPergunta}));
    QCOMPARE(LerArquivo(pasta.path() + "/s.txt").count("\r\n"), linhas);
    auto* barra = t.Controle<QProgressBar>("ProgressBar1");
    QCOMPARE(barra->minimum(), 0);
    QCOMPARE(barra->maximum(), maximo);
    QCOMPARE(barra->value(), posicao);
    for (const char* nome : {"Label13", "Label15", "Label16", "Label17", "Label18"}) {
      QVERIFY2(!t.Controle(nome)->isHidden(), nome);
    }
    QCOMPARE(t.Controle<QLabel>("Label15")->text(), QString::number(linhas));
    QCOMPARE(t.Controle<QLabel>("Label16")->text(), " de " + QString::number(linhas));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d+:\\d\\d:\\d\\d$"))
                .match(t.Controle<QLabel>("Label17")->text())
                .hasMatch());
    // The pump and the repaint keep to their pace, not once per line.
    QVERIFY(t.plataforma.bombeamentos >= (linhas > 0 ? 1 : 0));
    if (linhas >= 3000) QVERIFY(t.plataforma.bombeamentos < linhas / 10);
    QVERIFY(t.Ocioso());
  }

  void failedQuery_data() {
    QTest::addColumn<QString>("grade");
    QTest::newRow("grade ausente") << "ausente";
    QTest::newRow("grade danificada") << "danificada";
  }
  void failedQuery() {
    QFETCH(QString, grade);
    JanelaDeTeste t(OndulacaoDeTeste);
    const QString arquivoGrade = t.PastaAplicacao() + "grid/NIVORA2015_SIRGAS2000.txt";
    const QString entrada = t.PastaAplicacao() + "e.txt";
    // Two refused points (no query), then accepted ones.
    GravarArquivo(entrada, "A 7 -47\r\nB -10 -80\r\nC -10 -47\r\nD -11 -47\r\n");
    Compor(t, 0, 0, true, true);
    t.Arquivos(entrada, t.PastaAplicacao() + "s.txt");
    const SaidaCli completo =
        ExecutarCli(arquivoGrade, "ID,0", true, true, entrada, t.PastaAplicacao() + "cli.txt");
    QCOMPARE(completo.codigo, 0);
    const QByteArray gradeBoa = LerArquivo(arquivoGrade);
    if (grade == "ausente") {
      QVERIFY(QFile::remove(arquivoGrade));
    } else {
      GravarArquivo(arquivoGrade, gradeBoa.left(gradeBoa.size() / 2) + "lixo\r\n" +
                                      gradeBoa.mid(gradeBoa.size() / 2));
    }
    const std::string erro = ErroDaConsulta(t.PastaAplicacao(), -10.0L, -47.0L);
    QVERIFY(erro != "<sem erro>");
    t.Processar();

    // The standard error report with the query's own text; no end of run.
    QCOMPARE(Mensagens(t), Juntar(std::vector<std::string>{erro}));
    QVERIFY(t.plataforma.mensagens[0].tipo == nivora::TipoMensagem::Erro);
    QVERIFY(t.Ocioso());
    const QByteArray saida = LerArquivo(t.PastaAplicacao() + "s.txt");
    QCOMPARE(saida.count("\r\n"), 2);
    QVERIFY(completo.bytes.startsWith(saida));

    // The window is usable again; the query itself pumps nothing (the window does).
    GravarArquivo(arquivoGrade, gradeBoa);
    t.plataforma.mensagens.clear();
    t.Processar();
    QCOMPARE(Mensagens(t), Juntar(std::vector<std::string>{kFim, kPergunta}));
    QCOMPARE(LerArquivo(t.PastaAplicacao() + "s.txt"), completo.bytes);
    const int antes = t.plataforma.bombeamentos;
    t.janela->Modelo().ObterOndulacao(-10.0L, -47.0L);
    QCOMPARE(t.plataforma.bombeamentos, antes);
  }

  void noSecondRun() {
    JanelaDeTeste t(Comum());
    QTemporaryDir pasta;
    GravarArquivo(pasta.path() + "/e.txt", GerarEntrada(2, 1, 30, 3));
    Compor(t, 2, 1, true, false);
    t.Arquivos(pasta.path() + "/e.txt", pasta.path() + "/s.txt");
    int tentativas = 0;
    t.plataforma.aoBombear = [&] {
      if (tentativas++ > 2) return;
      t.janela->findChild<QAction*>("Executar2")->trigger();
      t.Controle<QPushButton>("bbt_ProcessaArq")->click();  // hidden, but clickable from code
    };
    t.Processar();
    QVERIFY(tentativas > 0);
    QCOMPARE(Mensagens(t), Juntar(std::vector<std::string>{kFim, kPergunta}));
    QCOMPARE(t.plataforma.cursorMaximo, 1);
    QVERIFY(t.Ocioso());
    const SaidaCli cli = ExecutarCli(GradeComum(), "2,ID", true, false, pasta.path() + "/e.txt",
                                     pasta.path() + "/c.txt");
    QCOMPARE(LerArquivo(pasta.path() + "/s.txt"), cli.bytes);
  }

  // Regression: ticking ENTRADA VIA TECLADO during a run emptied the file band while
  // the run went on. The boxes that compose the entry are disabled for the run, and
  // the menu commands that would change it say so and change nothing.
  void entryLockedDuringARun_data() {
    QTest::addColumn<QString>("item");
    for (const char* item : {"Latitude1", "Longirude1", "IdentificaodoPonto1", "Executar1",
                             "LatitudeLongitudeG1", "Las1"})
      QTest::newRow(item) << item;
  }
  void entryLockedDuringARun() {
    QFETCH(QString, item);
    JanelaDeTeste t(Comum());
    QTemporaryDir pasta;
    GravarArquivo(pasta.path() + "/e.txt", GerarEntrada(0, 0, 30, 5));
    Compor(t, 0, 0, true, false);
    t.Arquivos(pasta.path() + "/e.txt", pasta.path() + "/s.txt");
    const QString padrao = t.Campo("Edt_Entrada")->text();
    bool tentou = false;
    t.plataforma.aoBombear = [&] {
      if (std::exchange(tentou, true)) return;
      for (const char* nome :
           {"CheckBox1", "CheckBox2", "RadioButton1", "Chck_LonLat_Dec", "ChckBx_Ponto_S"})
        QVERIFY2(!t.Controle(nome)->isEnabled(), nome);
      QTest::mouseClick(t.Controle("CheckBox1"), Qt::LeftButton);
      t.janela->findChild<QAction*>(item)->trigger();
    };
    t.Processar();
    QVERIFY(tentou);
    QCOMPARE(Mensagens(t), Juntar(std::vector<std::string>{kLoteEmAndamento, kFim, kPergunta}));
    QVERIFY(t.Caixa("CheckBox2")->isChecked() && !t.Caixa("CheckBox1")->isChecked());
    QCOMPARE(t.Campo("Edt_Entrada")->text(), padrao);
    QCOMPARE(t.Campo("Ed_EntradaArquivo")->text(), pasta.path() + "/e.txt");
    for (const char* nome : {"CheckBox1", "RadioButton1", "Chck_LonLat_Dec", "ChckBx_Ponto_S"})
      QVERIFY2(t.Controle(nome)->isEnabled(), nome);
  }

  void processFileMenu() {
    // The menu twin runs the batch like the button, also in keyboard mode (where it
    // finds no layout).
    JanelaDeTeste t(Comum());
    QTemporaryDir pasta;
    GravarArquivo(pasta.path() + "/e.txt", "-10 -47\n");
    Compor(t, 0, -1, false, false);
    t.Arquivos(pasta.path() + "/e.txt", pasta.path() + "/s.txt");
    t.janela->findChild<QAction*>("Executar2")->trigger();
    QCOMPARE(Mensagens(t), Juntar(std::vector<std::string>{kFim, kPergunta}));
    t.Caixa("CheckBox1")->setChecked(true);
    t.plataforma.mensagens.clear();
    t.janela->findChild<QAction*>("Executar2")->trigger();
    QCOMPARE(Mensagens(t),
             Juntar(std::vector<std::string>{"Preenchimento insuficiente para processamento"}));
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  TesteExecucao teste;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&teste, argc, argv);
}

#include "tst_arquivo_execucao.moc"
