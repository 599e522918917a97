// One keyboard point: empty-field messages, the refusal box of every code, the
// undulation shown, saving to real files and printing (also into a PDF file).
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>
#include <cmath>

#include "apoio.hpp"
#include "geoid/consulta.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace {

using Campos = std::vector<std::pair<std::string, std::string>>;

// A southern point inside the test grid, in both notations.
const Campos kPontoDecimal = {{"Ed_sinal_Lat", "-"}, {"Ed_Lat", "15.5000"}, {"Ed_Lon", "47.8000"}};
const Campos kPontoGMS = {{"Ed_sinal_Lat", "-"},     {"Ed_grau_Lat", "15"}, {"Ed_min_Lat", "30"},
                          {"Ed_seg_Lat", "00.0000"}, {"Ed_grau_Lon", "47"}, {"Ed_min_Lon", "48"},
                          {"Ed_seg_Lon", "00.0000"}};

const std::string kL3 =
    "Limite correto para a LATITUDE no modelo   :\r"
    "GMS                -34\xBA 34' 58.80\"   \xE0   5\xBA 34' 59.88\"\r"
    "GrauDecimal  -34.5830027       \xE0   5.5833027";
const std::string kL2 =
    "Limite correto para a LATITUDE no modelo  :\r"
    "GMS                -34\xBA 34' 58.80\"   \xE0   5\xBA 34' 59.88\"\r"
    "GrauDecimal  -34.5830027       \xE0   5.5833027";
const std::string kG0 =
    "Limite correto para a LONGITUDE no modelo :\r"
    " -74\xBA 34' 58.80\"   \xE0   -34\xBA 25' 59.88\"\r"
    "GrauDecimal  -74.5830027       \xE0   -34.4332999";
const std::string kG1 =
    "Limite correto para a LONGITUDE no modelo :\r"
    "GMS                -74\xBA 34' 58.80\"   \xE0   -34\xBA 25' 59.88\"\r"
    "GrauDecimal  -74.5830027       \xE0   -34.4332999";

}  // namespace

class TestePonto : public QObject {
  Q_OBJECT

 private:
  /// Keyboard entry on in the chosen notation, the fields filled as given.
  static void Preparar(JanelaDeTeste& t, bool decimal, const Campos& campos) {
    t.Controle<QRadioButton>(decimal ? "RadioButton1" : "RadioButton2")->setChecked(true);
    t.Controle<QCheckBox>("CheckBox1")->setChecked(true);
    for (const auto& [nome, texto] : campos)
      t.Campo(nome.c_str())->setText(QString::fromStdString(texto));
  }
  static void Clicar(JanelaDeTeste& t, const char* botao) {
    QTest::mouseClick(t.Controle(botao), Qt::LeftButton);
  }

 private slots:
  void emptyFields_data() {
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QString>("vazio");
    QTest::addColumn<QByteArray>("mensagem");
    QTest::newRow("lat") << true << "Ed_Lat" << QByteArray("Latitude n\xE3o preenchida");
    QTest::newRow("lat brancos") << true
                                 << "Ed_Lat=   " << QByteArray("Latitude n\xE3o preenchida");
    QTest::newRow("lon") << true << "Ed_Lon" << QByteArray("Longitude n\xE3o preenchida");
    QTest::newRow("grau lat") << false << "Ed_grau_Lat"
                              << QByteArray("Grau Latitude n\xE3o preenchido");
    QTest::newRow("min lat") << false << "Ed_min_Lat"
                             << QByteArray("Minuto Latitude n\xE3o preenchido");
    QTest::newRow("seg lat") << false << "Ed_seg_Lat"
                             << QByteArray("Segundo Latitude n\xE3o preenchido");
    QTest::newRow("grau lon") << false << "Ed_grau_Lon"
                              << QByteArray("Grau Longitude n\xE3o preenchido");
    QTest::newRow("min lon") << false << "Ed_min_Lon"
                             << QByteArray("Minuto Longitude n\xE3o preenchido");
    QTest::newRow("seg lon") << false << "Ed_seg_Lon"
                             << QByteArray("Segundo Longitude n\xE3o preenchido");
  }
  void emptyFields() {
    QFETCH(bool, decimal);
    QFETCH(QString, vazio);
    QFETCH(QByteArray, mensagem);
    JanelaDeTeste t;
    Preparar(t, decimal, decimal ? kPontoDecimal : kPontoGMS);
    const QStringList partes = vazio.split('=');
    t.Campo(qPrintable(partes[0]))->setText(partes.size() > 1 ? partes[1] : QString());
    t.Campo("Ed_Ondulacao")->setText("anterior");
    for (const char* botao : {"bbt_ProcessaPonto", "bbt_SalvarPonto", "bbt_Imprime"}) {
      t.plataforma.mensagens.clear();
      Clicar(t, botao);
      QCOMPARE(t.plataforma.Textos(), std::vector<std::string>{mensagem.toStdString()});
      QCOMPARE(t.plataforma.mensagens[0].titulo, std::string("Error"));
      QVERIFY(t.plataforma.mensagens[0].tipo == nivora::TipoMensagem::Erro);
    }
    QCOMPARE(t.Campo("Ed_Ondulacao")->text(), QStringLiteral("anterior"));
    QVERIFY(t.plataforma.dialogosSalvar.empty());
    QCOMPARE(t.plataforma.dialogosImpressao, 0);
  }

  void refusedPoint_data() {
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QStringList>("campos");  // name=value over the valid point
    QTest::addColumn<QByteArray>("texto");
    const auto linha = [](const char* nome, bool decimal, QStringList campos,
                          const std::string& texto) {
      QTest::newRow(nome) << decimal << campos << QByteArray::fromStdString(texto);
    };
    linha("7 acima", true, {"Ed_sinal_Lat=+", "Ed_Lat=5.5833027"},
          "Entrada Inv\xE1lida : LATITUDE ACIMA  do limite do grid\r" + kL3);
    linha("8 abaixo", true, {"Ed_sinal_Lat=-", "Ed_Lat=34.5830027"},
          "Entrada Inv\xE1lida : LATITUDE ABAIXO do limite do grid\r" + kL2);
    linha("9 leste", true, {"Ed_Lon=34.4332999"},
          "Entrada Inv\xE1lida : LONGITUDE FORA  do limite do grid\r" + kG1);
    linha("9 oeste", true, {"Ed_Lon=74.5830027"},
          "Entrada Inv\xE1lida : LONGITUDE FORA  do limite do grid\r" + kG1);
    linha("4 grau lon", true, {"Ed_Lon=200"},
          "Entrada Inv\xE1lida : GRAU LONGITUDE fora do limite\r" + kG0);
    linha("so a latitude", true, {"Ed_Lat=50", "Ed_Lon=200"},
          "Entrada Inv\xE1lida : LATITUDE ABAIXO do limite do grid\r" + kL2);
    linha("0 ponto sozinho", true, {"Ed_Lat=."},
          "Entrada Inv\xE1lida : POSS\xCDVEL ERRO NA ENTRADA DE DADOS\r");
    linha("0 grau 90", false, {"Ed_grau_Lat=90"},
          "Entrada Inv\xE1lida : POSS\xCDVEL ERRO NA ENTRADA DE DADOS\r");
    linha("1 grau 95", false, {"Ed_grau_Lat=95"},
          "Entrada Inv\xE1lida : GRAU LATITUDE fora do limite\r" + kL3);
    linha("2 minuto lat", false, {"Ed_min_Lat=60"},
          "Entrada Inv\xE1lida : MINUTO LATITUDE fora do limite\rLimite correto para o MINUTO  :  "
          "0  \xE0  59 ");
    linha("3 segundo lat", false, {"Ed_seg_Lat=60"},
          "Entrada Inv\xE1lida : SEGUNDO LATITUDE fora do limite\r"
          "Limite correto para o SEGUNDO :  0  \xE0  59.9999... ");
    linha("5 minuto lon", false, {"Ed_min_Lon=60"},
          "Entrada Inv\xE1lida : MINUTO LONGITUDE fora do limite\rLimite correto para o MINUTO  :  "
          "0  \xE0  59");
    linha("6 segundo lon", false, {"Ed_seg_Lon=60"},
          "Entrada Inv\xE1lida : SEGUNDO LONGITUDE fora do limite\r"
          "Limite correto para o SEGUNDO  :  0  \xE0  59.9999...");
    linha("9 GMS", false, {"Ed_grau_Lon=34", "Ed_min_Lon=25", "Ed_seg_Lon=59.87"},
          "Entrada Inv\xE1lida : LONGITUDE FORA  do limite do grid\r" + kG1);
  }
  void refusedPoint() {
    QFETCH(bool, decimal);
    QFETCH(QStringList, campos);
    QFETCH(QByteArray, texto);
    JanelaDeTeste t;
    EscreverGrade(t.PastaAplicacao(), [](double, double) { return 1.0; });
    Preparar(t, decimal, decimal ? kPontoDecimal : kPontoGMS);
    for (const QString& c : campos)
      t.Campo(qPrintable(c.section('=', 0, 0)))->setText(c.section('=', 1));
    for (const char* botao : {"bbt_ProcessaPonto", "bbt_SalvarPonto", "bbt_Imprime"}) {
      t.plataforma.mensagens.clear();
      t.Campo("Ed_Ondulacao")->setText("anterior");
      t.plataforma.arquivosSalvar = {t.PastaAplicacao() + "nunca.txt"};
      t.plataforma.impressoras = {true};
      Clicar(t, botao);
      QCOMPARE(t.plataforma.Textos(), std::vector<std::string>{texto.toStdString()});
      QCOMPARE(t.plataforma.mensagens[0].titulo, std::string("Error"));
      QVERIFY(t.Campo("Ed_Ondulacao")->text().isEmpty());
    }
    // A refused point never reaches the file or print dialog, nor the grid.
    QVERIFY(t.plataforma.dialogosSalvar.empty());
    QCOMPARE(t.plataforma.dialogosImpressao, 0);
    QCOMPARE(t.plataforma.bombeamentos, 0);
  }

  void undulationShown_data() {
    QTest::addColumn<double>("n");
    QTest::addColumn<QString>("mostrado");
    QTest::newRow("-11.235") << -11.235 << "      -11.24";
    QTest::newRow("11.225") << 11.225 << "       11.23";
    QTest::newRow("3.1") << 3.1 << "       03.10";
    QTest::newRow("-5.234") << -5.234 << "      -05.23";
    QTest::newRow("-0.004 sem sinal") << -0.004 << "       00.00";
  }
  void undulationShown() {
    QFETCH(double, n);
    QFETCH(QString, mostrado);
    JanelaDeTeste t;
    EscreverGrade(t.PastaAplicacao(), [n](double, double) { return n; });
    for (const bool decimal : {true, false}) {
      Preparar(t, decimal, decimal ? kPontoDecimal : kPontoGMS);
      Clicar(t, "bbt_ProcessaPonto");
      QVERIFY(t.plataforma.mensagens.empty());
      QCOMPARE(t.Campo("Ed_Ondulacao")->text(), mostrado);
    }
    QVERIFY(t.plataforma.bombeamentos > 0);  // the query lets events through
  }

  void acceptedPointAsTheQueryGivesIt_data() {
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QStringList>("campos");
    QTest::addColumn<double>("latDeg");
    QTest::addColumn<double>("lonDeg");
    QTest::newRow("decimal") << true << QStringList{"Ed_Lat=15.4321", "Ed_Lon=47.1234"} << -15.4321
                             << -47.1234;
    QTest::newRow("decimal sinal mais")
        << true << QStringList{"Ed_sinal_Lat=+", "Ed_Lat=3.4321"} << 3.4321 << -47.8;
    QTest::newRow("GMS") << false
                         << QStringList{"Ed_min_Lat=10", "Ed_seg_Lat=30.0000", "Ed_seg_Lon=36.0000"}
                         << -(15 + 10 / 60.0 + 30 / 3600.0) << -(47 + 48 / 60.0 + 36 / 3600.0);
    QTest::newRow("GMS sinal branco")
        << false << QStringList{"Ed_sinal_Lat= ", "Ed_grau_Lat=03"} << 3.5 << -47.8;
  }
  void acceptedPointAsTheQueryGivesIt() {
    QFETCH(bool, decimal);
    QFETCH(QStringList, campos);
    QFETCH(double, latDeg);
    QFETCH(double, lonDeg);
    JanelaDeTeste t;
    // A surface that changes with both coordinates and with the latitude's sign.
    const auto superficie = [](double lat, double lon) { return 0.5 * lat + 0.2 * lon + 30.0; };
    EscreverGrade(t.PastaAplicacao(), superficie);
    Preparar(t, decimal, decimal ? kPontoDecimal : kPontoGMS);
    for (const QString& c : campos)
      t.Campo(qPrintable(c.section('=', 0, 0)))->setText(c.section('=', 1));
    Clicar(t, "bbt_ProcessaPonto");
    QVERIFY2(t.plataforma.mensagens.empty(),
             t.plataforma.mensagens.empty() ? "" : t.plataforma.mensagens[0].texto.c_str());
    nivora::TCacheGrade cache(
        nivora::TModeloGeoide::CaminhoGrade(t.PastaAplicacao().toStdString()));
    nivora::TModeloGeoide modelo(cache);
    const long double n = modelo.ObterOndulacao(latDeg, lonDeg);
    const std::string esperado = nivora::AjustaCampo12(nivora::FormatFloat("#00.00", n));
    QCOMPARE(t.Campo("Ed_Ondulacao")->text().toStdString(), esperado);
    // And the surface itself is reproduced, so the coordinates were the right ones.
    QVERIFY(std::abs(static_cast<double>(n) - superficie(latDeg, lonDeg)) < 0.002);
  }

  void missingGridGoesToTheStandardReport() {
    JanelaDeTeste t;
    Preparar(t, true, kPontoDecimal);
    t.Campo("Ed_Ondulacao")->setText("anterior");
    Clicar(t, "bbt_ProcessaPonto");
    QCOMPARE(t.plataforma.mensagens.size(), size_t{1});
    QVERIFY(t.plataforma.mensagens[0].texto.rfind("Cannot open file", 0) == 0);
    QCOMPARE(t.plataforma.mensagens[0].titulo, std::string("NIVORA2015 v1.0"));
    QCOMPARE(t.Campo("Ed_Ondulacao")->text(), QStringLiteral("anterior"));
    // Put the grid back: the next query works without a restart.
    EscreverGrade(t.PastaAplicacao(), [](double, double) { return 2.0; });
    Clicar(t, "bbt_ProcessaPonto");
    QCOMPARE(t.Campo("Ed_Ondulacao")->text(), QStringLiteral("       02.00"));
  }

  void save() {
    JanelaDeTeste t;
    EscreverGrade(t.PastaAplicacao(), [](double, double) { return -11.234; });
    Preparar(t, true, kPontoDecimal);
    t.Campo("ed_IdPonto")->setText("P1");
    const QString arquivo = t.PastaAplicacao() + "pontos.txt";
    const QByteArray linha1 = "P1        -15.5000   -47.8000         -11.23\r\n";

    // New file, name typed without extension.
    t.plataforma.arquivosSalvar = {t.PastaAplicacao() + "pontos"};
    Clicar(t, "bbt_SalvarPonto");
    QVERIFY(t.plataforma.mensagens.empty());
    QCOMPARE(LerArquivo(arquivo), linha1);
    const nivora::DialogoArquivo& dialogo = t.plataforma.dialogosSalvar.at(0);
    QCOMPARE(dialogo.filtro, QStringLiteral("Text File (*.txt)|*.txt"));
    QCOMPARE(dialogo.extensaoPadrao, QStringLiteral("Text"));
    QCOMPARE(dialogo.pastaInicial, t.PastaAplicacao() + "saida");
    QVERIFY(dialogo.nomeArquivo.isEmpty());

    // Existing file, "Inserir": a second line; the dialog starts from the last choice.
    t.Campo("ed_IdPonto")->setText("P2");
    const QByteArray linha2 = "P2        -15.5000   -47.8000         -11.23\r\n";
    t.plataforma.arquivosSalvar = {arquivo};
    t.plataforma.respostas = {nivora::Resposta::Sim};
    Clicar(t, "bbt_SalvarPonto");
    QCOMPARE(LerArquivo(arquivo), linha1 + linha2);
    QCOMPARE(t.plataforma.dialogosSalvar.at(1).nomeArquivo, t.PastaAplicacao() + "pontos");
    const nivora::PedidoMensagem& pergunta = t.plataforma.mensagens.at(0);
    QCOMPARE(pergunta.titulo, std::string("Salvar um ponto"));
    QCOMPARE(
        pergunta.texto,
        std::string(
            "Deseja Adicionar ao Arquivo(Inserir),Gravar por cima(Sobrescrever) ou N\xE3o fazer "
            "nada(Cancelar)"));
    QVERIFY(pergunta.tipo == nivora::TipoMensagem::Confirmacao);
    QCOMPARE(pergunta.botoes.size(), size_t{3});
    QCOMPARE(pergunta.botoes[0].texto, std::string("Inserir"));
    QCOMPARE(pergunta.botoes[1].texto, std::string("Sobrescrever"));
    QCOMPARE(pergunta.botoes[2].texto, std::string("Cancelar"));
    QVERIFY(pergunta.padrao == nivora::Resposta::Sim);
    QVERIFY(pergunta.escape == nivora::Resposta::Cancelar);

    // "Sobrescrever" then No, "Cancelar", closing the box, cancelling the dialog:
    // the file stays as it was and N stays shown.
    t.Campo("ed_IdPonto")->setText("P3");
    const std::pair<std::deque<nivora::Resposta>, bool> recusas[] = {
        {{nivora::Resposta::Nao, nivora::Resposta::Nao}, true},
        {{nivora::Resposta::Cancelar}, true},
        {{}, true},
        {{}, false}};
    for (const auto& [respostas, escolheArquivo] : recusas) {
      t.plataforma.mensagens.clear();
      t.plataforma.respostas = respostas;
      if (escolheArquivo) t.plataforma.arquivosSalvar = {arquivo};
      Clicar(t, "bbt_SalvarPonto");
      QCOMPARE(LerArquivo(arquivo), linha1 + linha2);
      QCOMPARE(t.Campo("Ed_Ondulacao")->text(), QStringLiteral("      -11.23"));
    }

    // "Sobrescrever" then Yes: only the newest line.
    t.plataforma.mensagens.clear();
    t.plataforma.arquivosSalvar = {arquivo};
    t.plataforma.respostas = {nivora::Resposta::Nao, nivora::Resposta::Sim};
    Clicar(t, "bbt_SalvarPonto");
    QCOMPARE(LerArquivo(arquivo), QByteArray("P3        -15.5000   -47.8000         -11.23\r\n"));
    const nivora::PedidoMensagem& confirma = t.plataforma.mensagens.at(1);
    QCOMPARE(confirma.texto,
             std::string("Todos os dados inseridos anteriormente neste arquivo ser\xE3o apagados.\r"
                         "Tem certeza que deseja sobrescrever ? "));
    QCOMPARE(confirma.titulo, std::string("Warning"));
    QVERIFY(confirma.tipo == nivora::TipoMensagem::Aviso);
    QVERIFY(confirma.padrao == nivora::Resposta::Sim);
    QVERIFY(confirma.escape == nivora::Resposta::Nao);
  }

  void savedAndPrintedLine_data() {
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QStringList>("campos");
    QTest::addColumn<QByteArray>("salva");
    QTest::addColumn<QByteArray>("impressa");
    QTest::newRow("GMS sem id")
        << false << QStringList{}
        << QByteArray("          -15 30 00.0000   -47 48 00.0000          03.10")
        << QByteArray("          -15  30  00.0000   -47  48 00.0000          03.10");
    QTest::newRow("decimal sinal vazio")
        << true << QStringList{"Ed_sinal_Lat=", "Ed_Lat=03.5000", "ed_IdPonto=ABC"}
        << QByteArray("ABC       +03.5000   -47.8000          03.10")
        << QByteArray("ABC       +03.5000   -47.8000          03.10");
    QTest::newRow("sinal branco") << true
                                  << QStringList{"Ed_sinal_Lat= ", "Ed_Lat=03.5000",
                                                 "ed_IdPonto= X1 "}
                                  << QByteArray("X1         03.5000   -47.8000          03.10")
                                  << QByteArray("X1         03.5000   -47.8000          03.10");
    QTest::newRow("id fora de cp1252")
        << true << QStringList{"ed_IdPonto=\xC3\x89\xCE\xA9Z"}
        << QByteArray("\xC9?Z       -15.5000   -47.8000          03.10")
        << QByteArray("\xC9?Z       -15.5000   -47.8000          03.10");
  }
  void savedAndPrintedLine() {
    QFETCH(bool, decimal);
    QFETCH(QStringList, campos);
    QFETCH(QByteArray, salva);
    QFETCH(QByteArray, impressa);
    JanelaDeTeste t;
    EscreverGrade(t.PastaAplicacao(), [](double, double) { return 3.1; });
    Preparar(t, decimal, decimal ? kPontoDecimal : kPontoGMS);
    for (const QString& c : campos)
      t.Campo(qPrintable(c.section('=', 0, 0)))->setText(c.section('=', 1));
    const QString arquivo = t.PastaAplicacao() + "linha.txt";
    t.plataforma.arquivosSalvar = {arquivo};
    Clicar(t, "bbt_SalvarPonto");
    QCOMPARE(LerArquivo(arquivo), salva + "\r\n");
    t.plataforma.impressoras = {true};
    Clicar(t, "bbt_Imprime");
    QCOMPARE(t.plataforma.impressoes.size(), size_t{1});
    QCOMPARE(t.plataforma.impressoes[0].pontos, 12);
    QCOMPARE(t.plataforma.impressoes[0].linhas, std::vector<std::string>{impressa.toStdString()});
    QVERIFY(t.plataforma.mensagens.empty());
  }

  void writeFailureIsReported_data() {
    QTest::addColumn<QString>("arquivo");  // below the temporary application folder
    QTest::addColumn<int>("resposta");     // to the existing-file question, -1 for none
    QTest::addColumn<QByteArray>("inicio");
    QTest::newRow("pasta inexistente")
        << "nao/existe/p.txt" << -1 << QByteArray("N\xE3o foi poss\xEDvel criar o arquivo \"");
    // cheio.txt is a link to /dev/full: opening works, the flush finds no space.
    QTest::newRow("disco cheio ao anexar")
        << "cheio.txt" << static_cast<int>(nivora::Resposta::Sim)
        << QByteArray("N\xE3o foi poss\xEDvel gravar o arquivo \"");
  }
  void writeFailureIsReported() {
    QFETCH(QString, arquivo);
    QFETCH(int, resposta);
    QFETCH(QByteArray, inicio);
    JanelaDeTeste t;
    if (arquivo == "cheio.txt") {
      if (!QFile::exists("/dev/full")) QSKIP("no /dev/full here");
      QVERIFY(QFile::link("/dev/full", t.PastaAplicacao() + arquivo));
    }
    EscreverGrade(t.PastaAplicacao(), [](double, double) { return 1.0; });
    Preparar(t, true, kPontoDecimal);
    t.plataforma.arquivosSalvar = {t.PastaAplicacao() + arquivo};
    if (resposta >= 0) t.plataforma.respostas = {static_cast<nivora::Resposta>(resposta)};
    Clicar(t, "bbt_SalvarPonto");
    QVERIFY(!t.plataforma.mensagens.empty());
    const nivora::PedidoMensagem& erro = t.plataforma.mensagens.back();
    QCOMPARE(erro.titulo, std::string("NIVORA2015 v1.0"));
    QVERIFY2(erro.texto.rfind(inicio.toStdString(), 0) == 0, erro.texto.c_str());
    QVERIFY(erro.texto.size() > static_cast<size_t>(inicio.size()));  // the system's reason follows
  }

  void print_data() {
    QTest::addColumn<bool>("confirma");
    QTest::addColumn<int>("falha");
    QTest::addColumn<int>("impressoes");
    QTest::addColumn<int>("mensagens");
    using F = PlataformaRoteiro::FalhaImpressao;
    QTest::newRow("impressa") << true << static_cast<int>(F::Nenhuma) << 1 << 0;
    QTest::newRow("dialogo cancelado") << false << static_cast<int>(F::Nenhuma) << 0 << 0;
    QTest::newRow("falha de E/S engolida") << true << static_cast<int>(F::EntradaSaida) << 1 << 0;
    QTest::newRow("outra falha relatada") << true << static_cast<int>(F::Outra) << 1 << 1;
  }
  void print() {
    QFETCH(bool, confirma);
    QFETCH(int, falha);
    QFETCH(int, impressoes);
    QFETCH(int, mensagens);
    JanelaDeTeste t;
    EscreverGrade(t.PastaAplicacao(), [](double, double) { return 1.0; });
    Preparar(t, true, kPontoDecimal);
    t.plataforma.impressoras = {confirma};
    t.plataforma.falhaImpressao = static_cast<PlataformaRoteiro::FalhaImpressao>(falha);
    t.janela->findChild<QAction*>("Imprimir1")->trigger();
    QCOMPARE(t.plataforma.dialogosImpressao, 1);
    QCOMPARE(static_cast<int>(t.plataforma.impressoes.size()), impressoes);
    QCOMPARE(static_cast<int>(t.plataforma.mensagens.size()), mensagens);
    if (mensagens > 0)
      QCOMPARE(t.plataforma.mensagens[0].texto, std::string("impressora ausente simulada"));
  }

  void printToPdf() {
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty()) QSKIP("pdftotext is not installed");
    JanelaDeTeste t;
    EscreverGrade(t.PastaAplicacao(), [](double, double) { return -11.235; });
    Preparar(t, false, kPontoGMS);
    t.Campo("ed_IdPonto")->setText("RN42");
    t.plataforma.impressoras = {true};
    t.plataforma.pdfImpressao = t.PastaAplicacao() + "ponto.pdf";
    Clicar(t, "bbt_Imprime");
    QVERIFY(t.plataforma.mensagens.empty());
    QProcess processo;
    processo.start(pdftotext, {"-layout", t.plataforma.pdfImpressao, "-"});
    QVERIFY(processo.waitForFinished(30000));
    const QString texto = QString::fromUtf8(processo.readAllStandardOutput());
    // One line at the top of one page: the words of the printed line in order.
    QCOMPARE(texto.count(QChar('\f')), 1);
    QCOMPARE(texto.simplified(), QStringLiteral("RN42 -15 30 00.0000 -47 48 00.0000 -11.24"));
    // A printer that cannot be opened is an input/output failure: swallowed.
    t.plataforma.pdfImpressao = t.PastaAplicacao() + "nao/existe/ponto.pdf";
    t.plataforma.impressoras = {true};
    Clicar(t, "bbt_Imprime");
    QVERIFY(t.plataforma.mensagens.empty());
  }

  void keyboardMenus() {
    JanelaDeTeste t;
    EscreverGrade(t.PastaAplicacao(), [](double, double) { return 4.0; });
    // Keyboard entry off: saving from the menu reports the first empty GMS field.
    t.janela->findChild<QAction*>("Salvar1")->trigger();
    QCOMPARE(t.plataforma.Textos(), std::vector<std::string>{"Grau Latitude n\xE3o preenchido"});
    t.plataforma.mensagens.clear();

    // "Processa ponto" moves the focus to the button: the field being left is
    // normalised before the point is processed.
    Preparar(t, true, kPontoDecimal);
    QLineEdit* lat = t.Campo("Ed_Lat");
    lat->setFocus(Qt::TabFocusReason);
    lat->setText("15,5");
    t.janela->findChild<QAction*>("Executar1")->trigger();
    QVERIFY(t.plataforma.mensagens.empty());
    QCOMPARE(lat->text(), QStringLiteral("15.5000"));
    QCOMPARE(t.Campo("Ed_Ondulacao")->text(), QStringLiteral("       04.00"));

    // "Salva em arquivo" leaves the focus where it is: a lone "." is no number.
    lat->setFocus(Qt::TabFocusReason);
    lat->setText(".");
    t.janela->findChild<QAction*>("Salvar1")->trigger();
    QCOMPARE(
        t.plataforma.Textos(),
        std::vector<std::string>{"Entrada Inv\xE1lida : POSS\xCDVEL ERRO NA ENTRADA DE DADOS\r"});
    QCOMPARE(lat->text(), QStringLiteral("."));
    QVERIFY(t.plataforma.dialogosSalvar.empty());
  }

  // Regression: opening the menus from the keyboard normalised the field being
  // edited, so "Salva em arquivo" and "Imprime ponto" took 05.5833 (inside the
  // model) for the 5.5833027 that was typed (above it).
  void keyboardOpenedMenusSeeTheTypedText_data() {
    QTest::addColumn<QString>("teclas");  // after Alt+E: submenu and item access keys
    QTest::addColumn<QString>("digitado");
    QTest::addColumn<QString>("depois");  // the latitude field afterwards
    QTest::addColumn<QByteArray>("mensagem");
    const QByteArray acima = QByteArray::fromStdString(
        "Entrada Inv\xE1lida : LATITUDE ACIMA  do limite do grid\r" + kL3);
    QTest::newRow("salva") << "VS"
                           << "5.5833027"
                           << "5.5833027" << acima;
    QTest::newRow("imprime") << "VM"
                             << "5.5833027"
                             << "5.5833027" << acima;
    // "Processa ponto" gives the focus to its button: the field is left and normalised.
    QTest::newRow("processa") << "VP"
                              << "5.5833027"
                              << "05.5833" << QByteArray();
  }
  void keyboardOpenedMenusSeeTheTypedText() {
    QFETCH(QString, teclas);
    QFETCH(QString, digitado);
    QFETCH(QString, depois);
    QFETCH(QByteArray, mensagem);
    JanelaDeTeste t;
    EscreverGrade(t.PastaAplicacao(), [](double, double) { return 4.0; });
    Preparar(t, true, {{"Ed_sinal_Lat", "+"}, {"Ed_Lon", "47.8000"}});
    t.plataforma.impressoras = {true};
    QLineEdit* lat = t.Campo("Ed_Lat");
    lat->setFocus(Qt::TabFocusReason);
    lat->setText(digitado);
    QTest::keyClick(lat, Qt::Key_E, Qt::AltModifier);
    for (const QChar c : teclas) {
      QWidget* menu = QApplication::activePopupWidget();
      QVERIFY2(menu != nullptr, qPrintable(teclas));
      QCOMPARE(lat->text(), digitado);  // an open menu does not touch the field
      QTest::keyClick(menu, c.toLatin1());
    }
    QVERIFY(QApplication::activePopupWidget() == nullptr);
    QCOMPARE(lat->text(), depois);
    if (mensagem.isEmpty()) {
      QVERIFY(t.plataforma.mensagens.empty());
      QCOMPARE(t.Campo("Ed_Ondulacao")->text(), QStringLiteral("       04.00"));
    } else {
      QCOMPARE(t.plataforma.Textos(), std::vector<std::string>{mensagem.toStdString()});
    }
  }
};

QTEST_MAIN(TestePonto)
#include "tst_ponto.moc"
