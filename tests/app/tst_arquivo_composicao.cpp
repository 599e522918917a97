// The file band before a run: composition of the input layout (token list,
// pattern, description, position of "ID"), the "Via Arquivo" menu items, the
// input browse with its proposed output name, and the input name's key filter.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "apoio.hpp"
#include "app/map_arquivo.hpp"

namespace {

const char* const kCoordenadas[] = {"Chck_LatLon_Dec", "Chck_LonLat_Dec", "Chck_LatLon_GMS",
                                    "Chck_LonLat_GMS"};
const char* const kSeteCaixas[] = {"ChckBx_Ponto_E",  "Chck_LatLon_Dec", "Chck_LonLat_Dec",
                                   "Chck_LatLon_GMS", "Chck_LonLat_GMS", "ChckBx_Ponto_S",
                                   "ChckBx_Coord_S"};

// Patterns and descriptions of the four layouts, as the user reads them.
const char* const kPadrao0 = "(+/-)GG.DDDD   -GG.DDDD";
const char* const kPadrao1 = "-GG.DDDD   (+/-)GG.DDDD";
const char* const kPadrao2 = "(+/-)GG   MM   SS.SSSS   -GG   MM   SS.SSSS";
const char* const kPadrao3 = "-GG   MM   SS.SSSS   (+/-)GG   MM   SS.SSSS";
const char* const kDescricao0 = "Latitude(G.DDDD) Longitude(G.DDDD)";
const char* const kDescricao1 = "Longitude(G.DDDD) Latitude(G.DDDD)";
const char* const kDescricao2 = "Latitude(GMS) Longitude(GMS) ";
const char* const kDescricao3 = "Longitude(GMS) Latitude(GMS)";

/// Applies "+Box" (tick) or "-Box" (untick) steps, comma separated.
void Aplicar(JanelaDeTeste& t, const QString& passos) {
  for (const QString& passo : passos.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    QCheckBox* caixa = t.Caixa(passo.mid(1).toLatin1().constData());
    QVERIFY2(caixa != nullptr, qPrintable(passo));
    caixa->setChecked(passo.startsWith(QLatin1Char('+')));
  }
}

}  // namespace

class TesteComposicao : public QObject {
  Q_OBJECT

 private slots:
  void composition_data() {
    QTest::addColumn<QString>("passos");
    QTest::addColumn<QString>("lista");
    QTest::addColumn<QString>("padrao");
    QTest::addColumn<QString>("descricao");
    QTest::addColumn<QString>("formatoCoord");
    const QString S = QStringLiteral("   ");
    const QString id = QStringLiteral("ID");
    const QString ident = U("Identificação");

    QTest::newRow("ID antes de Lat Lon decimal")
        << "+ChckBx_Ponto_E,+Chck_LatLon_Dec"
        << "ID,0" << id + S + kPadrao0 << ident + " " + kDescricao0 << "0";
    QTest::newRow("Lon Lat decimal antes de ID")
        << "+Chck_LonLat_Dec,+ChckBx_Ponto_E"
        << "1,ID" << kPadrao1 + S + id << kDescricao1 + (" " + ident) << "1";
    QTest::newRow("Lat Lon GMS sozinho") << "+Chck_LatLon_GMS"
                                         << "2" << QString(kPadrao2) << QString(kDescricao2) << "2";
    QTest::newRow("Lon Lat GMS sozinho") << "+Chck_LonLat_GMS"
                                         << "3" << QString(kPadrao3) << QString(kDescricao3) << "3";
    QTest::newRow("ID sozinho") << "+ChckBx_Ponto_E"
                                << "ID" << id + S << ident + " "
                                << "";
    QTest::newRow("ID por ultimo vira primeiro ao trocar o codigo")
        << "+Chck_LatLon_Dec,+ChckBx_Ponto_E,+Chck_LatLon_GMS"
        << "ID,2" << id + S + kPadrao2 << ident + " " + kDescricao2 << "2";
    QTest::newRow("cada codigo substitui o anterior")
        << "+Chck_LatLon_Dec,+Chck_LonLat_Dec,+Chck_LatLon_GMS,+Chck_LonLat_GMS,+Chck_LatLon_Dec"
        << "0" << QString(kPadrao0) << QString(kDescricao0) << "0";
    QTest::newRow("desmarcar o codigo guarda FormatoCoord") << "+Chck_LatLon_GMS,-Chck_LatLon_GMS"
                                                            << ""
                                                            << ""
                                                            << ""
                                                            << "2";
    QTest::newRow("desmarcar ID deixa o codigo")
        << "+ChckBx_Ponto_E,+Chck_LonLat_GMS,-ChckBx_Ponto_E"
        << "3" << QString(kPadrao3) << QString(kDescricao3) << "3";
    QTest::newRow("desmarcar o codigo deixa ID")
        << "+Chck_LatLon_Dec,+ChckBx_Ponto_E,-Chck_LatLon_Dec"
        << "ID" << id + S << ident + " "
        << "0";
    QTest::newRow("ID remarcado vai para o fim")
        << "+ChckBx_Ponto_E,+Chck_LatLon_Dec,-ChckBx_Ponto_E,+ChckBx_Ponto_E"
        << "0,ID" << kPadrao0 + S + id << kDescricao0 + (" " + ident) << "0";
    QTest::newRow("tudo desmarcado")
        << "+ChckBx_Ponto_E,+Chck_LatLon_Dec,-ChckBx_Ponto_E,-Chck_LatLon_Dec"
        << ""
        << ""
        << ""
        << "0";
    QTest::newRow("modo arquivo desligado esvazia")
        << "+ChckBx_Ponto_E,+Chck_LonLat_Dec,+ChckBx_Ponto_S,+ChckBx_Coord_S,-CheckBox2"
        << ""
        << ""
        << ""
        << "1";
  }
  void composition() {
    QFETCH(QString, passos);
    QFETCH(QString, lista);
    QFETCH(QString, padrao);
    QFETCH(QString, descricao);
    QFETCH(QString, formatoCoord);
    JanelaDeTeste t(OndulacaoDeTeste);
    Aplicar(t, passos);
    QCOMPARE(t.Lista(), lista);
    QCOMPARE(t.Controle<QLineEdit>("Edt_Entrada")->text(), padrao);
    QCOMPARE(t.Controle<QLabel>("L_1")->text(), descricao);
    QCOMPARE(QString::fromStdString(t.janela->Estado().FormatoCoord), formatoCoord);
    // At most one coordinate box ticked, and it is the one whose code is listed.
    int marcadas = 0;
    for (int i = 0; i < 4; ++i) {
      if (!t.Caixa(kCoordenadas[i])->isChecked()) continue;
      ++marcadas;
      QVERIFY(lista.split(QLatin1Char(',')).contains(QString::number(i)));
    }
    QVERIFY(marcadas <= 1);
    QCOMPARE(t.Caixa("ChckBx_Ponto_E")->isChecked(), lista.contains(QStringLiteral("ID")));
    QCOMPARE(t.janela->FormatoPreenchido(), marcadas == 1);
  }

  void tickingSwitchesFileModeOn_data() {
    QTest::addColumn<QString>("caixa");
    for (const char* nome : kSeteCaixas) QTest::newRow(nome) << QString::fromLatin1(nome);
  }
  void tickingSwitchesFileModeOn() {
    // Ticking any box by a click switches to file input; unticking it switches nothing.
    QFETCH(QString, caixa);
    JanelaDeTeste t(OndulacaoDeTeste);
    t.Caixa("CheckBox1")->setChecked(true);
    QCheckBox* alvo = t.Caixa(caixa.toLatin1().constData());
    alvo->click();
    QVERIFY(alvo->isChecked());
    QVERIFY(t.Caixa("CheckBox2")->isChecked());
    QVERIFY(!t.Caixa("CheckBox1")->isChecked());
    QVERIFY(!t.Controle("Ed_grau_Lat")->isEnabled());
    QVERIFY(t.Controle("bbt_ArqEntrada")->isEnabled());
    QVERIFY(t.Controle("bbt_ProcessaArq")->isEnabled());
    alvo->click();
    QVERIFY(!alvo->isChecked());
    QVERIFY(t.Caixa("CheckBox2")->isChecked());
    QVERIFY(t.Controle("bbt_ProcessaArq")->isEnabled());
  }

  void menus_data() {
    QTest::addColumn<bool>("doTeclado");  // start in keyboard mode
    QTest::addColumn<QString>("itens");
    QTest::addColumn<QString>("marcadas");  // the seven boxes, as in kSeteCaixas
    QTest::addColumn<QString>("lista");
    QTest::addColumn<QString>("mudancasSaida");  // toggles of ChckBx_Ponto_S, ChckBx_Coord_S
    QTest::addColumn<bool>("modoArquivo");

    QTest::newRow("Id Ponto de entrada") << true << "IdentificaodoPonto2"
                                         << "1000000"
                                         << "ID"
                                         << "0,0" << true;
    QTest::newRow("Id Ponto de entrada duas vezes")
        << false << "IdentificaodoPonto2,IdentificaodoPonto2"
        << "0000000"
        << ""
        << "0,0" << true;
    QTest::newRow("Lat Lon decimal") << true << "LatitudeLongitudeGGDDDD1"
                                     << "0100000"
                                     << "0"
                                     << "0,0" << true;
    QTest::newRow("Lon Lat decimal duas vezes")
        << false << "LongitudeLatitudeGGDDDD1,LongitudeLatitudeGGDDDD1"
        << "0000000"
        << ""
        << "0,0" << true;
    QTest::newRow("GMS troca o codigo")
        << true << "IdentificaodoPonto2,LatitudeLongitudeG1,IdPontoLongitudeLatitudeGGMMSSSSSS1"
        << "1000100"
        << "ID,3"
        << "0,0" << true;
    QTest::newRow("codigo antes do ID") << false << "LatitudeLongitudeG1,IdentificaodoPonto2"
                                        << "1001000"
                                        << "2,ID"
                                        << "0,0" << true;
    QTest::newRow("Id Ponto de saida") << true << "IdentificaodoPonto3"
                                       << "0000010"
                                       << ""
                                       << "1,0" << true;
    QTest::newRow("Id Ponto de saida alterna e tira coordenadas")
        << false << "Las1,IdentificaodoPonto3"
        << "0000000"
        << ""
        << "2,2" << true;
    QTest::newRow("Id Ponto e coordenadas") << true << "Las1"
                                            << "0000011"
                                            << ""
                                            << "1,1" << true;
    QTest::newRow("Id Ponto e coordenadas de novo nada muda") << false << "Las1,Las1"
                                                              << "0000011"
                                                              << ""
                                                              << "1,1" << true;
    QTest::newRow("so coordenadas") << true << "Ondulao1"
                                    << "0000001"
                                    << ""
                                    << "0,1" << true;
    QTest::newRow("so coordenadas depois de ambos") << false << "Las1,Ondulao1"
                                                    << "0000001"
                                                    << ""
                                                    << "2,1" << true;
    QTest::newRow("Id Ponto depois de so coordenadas") << false << "Ondulao1,IdentificaodoPonto3"
                                                       << "0000010"
                                                       << ""
                                                       << "1,2" << true;
    QTest::newRow("desmarcar pelo menu nao muda o modo")
        << true << "IdentificaodoPonto3,IdentificaodoPonto3"
        << "0000000"
        << ""
        << "2,0" << true;
  }
  void menus() {
    QFETCH(bool, doTeclado);
    QFETCH(QString, itens);
    QFETCH(QString, marcadas);
    QFETCH(QString, lista);
    QFETCH(QString, mudancasSaida);
    QFETCH(bool, modoArquivo);
    JanelaDeTeste t(OndulacaoDeTeste);
    if (doTeclado) t.Caixa("CheckBox1")->setChecked(true);
    QSignalSpy mudancasPonto(t.Caixa("ChckBx_Ponto_S"), &QCheckBox::toggled);
    QSignalSpy mudancasCoord(t.Caixa("ChckBx_Coord_S"), &QCheckBox::toggled);
    for (const QString& item : itens.split(QLatin1Char(','))) {
      auto* acao = t.janela->findChild<QAction*>(item);
      QVERIFY2(acao != nullptr, qPrintable(item));
      acao->trigger();
    }
    QString estado;
    for (const char* nome : kSeteCaixas) estado += t.Caixa(nome)->isChecked() ? '1' : '0';
    QCOMPARE(estado, marcadas);
    QCOMPARE(t.Lista(), lista);
    QCOMPARE(QStringLiteral("%1,%2").arg(mudancasPonto.count()).arg(mudancasCoord.count()),
             mudancasSaida);
    QCOMPARE(t.Caixa("CheckBox2")->isChecked(), modoArquivo);
    QCOMPARE(t.Caixa("CheckBox1")->isChecked(), !modoArquivo);
    QVERIFY(t.plataforma.mensagens.empty());
  }

  void proposedOutputName_data() {
    QTest::addColumn<QString>("entrada");
    QTest::addColumn<QString>("saida");
    QTest::newRow("com extensao") << "/dados/pontos.txt"
                                  << "/dados/pontos_saida.txt";
    QTest::newRow("outra extensao") << "/dados/pontos.dat"
                                    << "/dados/pontos_saida.txt";
    QTest::newRow("sem extensao corta letras") << "dados"
                                               << "d_saida.txt";
    QTest::newRow("caminho sem extensao") << "/x/dados"
                                          << "/x/d_saida.txt";
    QTest::newRow("quatro caracteres") << "a.tx"
                                       << "_saida.txt";
    QTest::newRow("um caractere") << "a"
                                  << "_saida.txt";
    QTest::newRow("vazio") << ""
                           << "_saida.txt";
    QTest::newRow("acentos contam como um") << U("/só/ação.txt") << U("/só/ação_saida.txt");
    QTest::newRow("extensao curta") << "/d/p.c"
                                    << "/d_saida.txt";
  }
  void proposedOutputName() {
    QFETCH(QString, entrada);
    QFETCH(QString, saida);
    QCOMPARE(nivora::NomeSaidaProposto(entrada), saida);
  }

  void browseInput_data() {
    QTest::addColumn<bool>("saidaExiste");
    QTest::addColumn<bool>("peloMenu");
    QTest::newRow("saida nova, botao") << false << false;
    QTest::newRow("saida existe, botao") << true << false;
    QTest::newRow("saida existe, menu") << true << true;
  }
  void browseInput() {
    QFETCH(bool, saidaExiste);
    QFETCH(bool, peloMenu);
    JanelaDeTeste t(OndulacaoDeTeste);
    t.Caixa("CheckBox2")->setChecked(true);
    const QString entrada = t.PastaAplicacao() + "pontos.dat";
    const QString saida = t.PastaAplicacao() + "pontos_saida.txt";
    GravarArquivo(entrada, "-10 -47\r\n");
    if (saidaExiste) GravarArquivo(saida, "antigo");
    t.plataforma.arquivosAbrir.push_back(entrada);
    if (peloMenu) {
      t.janela->findChild<QAction*>("NomedoArquivodeEntrada1")->trigger();
    } else {
      t.Controle<QPushButton>("bbt_ArqEntrada")->click();
    }
    QCOMPARE(t.plataforma.dialogosAbrir.size(), size_t{1});
    QCOMPARE(t.plataforma.dialogosAbrir[0].filtro, QStringLiteral("Arquivo de Entrada|*.*"));
    QCOMPARE(t.plataforma.dialogosAbrir[0].pastaInicial, t.PastaAplicacao() + "entradas");
    QCOMPARE(t.Controle<QLineEdit>("Ed_EntradaArquivo")->text(), entrada);
    QCOMPARE(t.janela->Estado().NomeArqEntrada, entrada);
    QCOMPARE(t.janela->Estado().NomeArqSaida, saida);
    QCOMPARE(t.Controle<QLineEdit>("Ed_SaidaArquivo")->text(), saida);
    QCOMPARE(t.plataforma.mensagens.size(), size_t{saidaExiste ? 1u : 0u});
    if (saidaExiste) {
      const nivora::PedidoMensagem& m = t.plataforma.mensagens[0];
      QCOMPARE(m.titulo, std::string("Sobrescrever Arquivo."));
      QCOMPARE(m.texto, std::string("O arquivo j\xE1 existe. \r"
                                    "Se o nome do arquivo saida n\xE3o for alterado,\r"
                                    "ele ser\xE1 sobrescrito."));
      QVERIFY(m.tipo == nivora::TipoMensagem::Aviso);
      QCOMPARE(m.botoes.size(), size_t{1});
      QVERIFY(m.botoes[0].resposta == nivora::Resposta::Ok);
      QCOMPARE(LerArquivo(saida), QByteArray("antigo"));  // only a warning: nothing touched
    }
  }

  void cancelledBrowseKeepsThePreviousName() {
    JanelaDeTeste t(OndulacaoDeTeste);
    t.Caixa("CheckBox2")->setChecked(true);
    // Cancelled before any choice: the field stays empty, the name is just the suffix.
    t.Controle<QPushButton>("bbt_ArqEntrada")->click();
    QVERIFY(t.Controle<QLineEdit>("Ed_EntradaArquivo")->text().isEmpty());
    QCOMPARE(t.Controle<QLineEdit>("Ed_SaidaArquivo")->text(), QStringLiteral("_saida.txt"));

    const QString entrada = t.PastaAplicacao() + "a.txt";
    t.plataforma.arquivosAbrir = {entrada, QString()};
    t.Controle<QPushButton>("bbt_ArqEntrada")->click();
    t.Controle<QLineEdit>("Ed_SaidaArquivo")->setText("outra.txt");
    t.Controle<QPushButton>("bbt_ArqEntrada")->click();  // cancelled
    QCOMPARE(t.Controle<QLineEdit>("Ed_EntradaArquivo")->text(), entrada);
    QCOMPARE(t.Controle<QLineEdit>("Ed_SaidaArquivo")->text(), t.PastaAplicacao() + "a_saida.txt");
    QCOMPARE(t.plataforma.dialogosAbrir.size(), size_t{3});
    QCOMPARE(t.plataforma.dialogosAbrir[2].nomeArquivo, entrada);
  }

  void inputNameKeyFilter() {
    // The name can only be shortened by typing; the output name is a plain field.
    JanelaDeTeste t(OndulacaoDeTeste);
    t.Caixa("CheckBox2")->setChecked(true);
    auto* campo = t.Controle<QLineEdit>("Ed_EntradaArquivo");
    campo->setText("/d/abc.txt");
    campo->setFocus();
    QApplication::clipboard()->setText("colado");
    QTest::keyClicks(campo, "x1. /");
    QTest::keyClick(campo, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(campo->text(), QStringLiteral("/d/abc.txt"));
    QTest::keyClick(campo, Qt::Key_Backspace);
    QTest::keyClick(campo, Qt::Key_Home);
    QTest::keyClick(campo, Qt::Key_Delete);
    QCOMPARE(campo->text(), QStringLiteral("d/abc.tx"));
    auto* saida = t.Controle<QLineEdit>("Ed_SaidaArquivo");
    saida->setFocus();
    QTest::keyClicks(saida, "s.txt");
    QCOMPARE(saida->text(), QStringLiteral("s.txt"));
  }

  void keyRule_data() {
    QTest::addColumn<int>("tecla");
    QTest::addColumn<int>("modificadores");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("recusada");
    QTest::newRow("letra") << int(Qt::Key_A) << 0 << "a" << true;
    QTest::newRow("digito") << int(Qt::Key_5) << 0 << "5" << true;
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << 0 << "\b" << false;
    QTest::newRow("delete 127") << int(Qt::Key_Delete) << 0 << "\x7f" << false;
    QTest::newRow("127 de outra tecla") << int(Qt::Key_unknown) << 0 << "\x7f" << false;
    QTest::newRow("copiar") << int(Qt::Key_C) << int(Qt::ControlModifier) << "\x03" << true;
    QTest::newRow("colar") << int(Qt::Key_V) << int(Qt::ControlModifier) << "\x16" << true;
    QTest::newRow("seta") << int(Qt::Key_Left) << 0 << "" << false;
    QTest::newRow("tab") << int(Qt::Key_Tab) << 0 << "\t" << false;
    QTest::newRow("escape") << int(Qt::Key_Escape) << 0 << "\x1b" << true;
  }
  void keyRule() {
    QFETCH(int, tecla);
    QFETCH(int, modificadores);
    QFETCH(QString, texto);
    QFETCH(bool, recusada);
    const QKeyEvent evento(QEvent::KeyPress, tecla, Qt::KeyboardModifiers(modificadores), texto);
    QCOMPARE(nivora::RecusaTeclaNomeEntrada(evento), recusada);
  }
};

QTEST_MAIN(TesteComposicao)
#include "tst_arquivo_composicao.moc"
