// What the build ships beside the executable: the four documents generated from the
// grid, and the help file with everything it links to.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <cmath>
#include <fstream>
#include <string>

#include "app/map.hpp"
#include "batch/lote.hpp"
#include "cli/argumentos.hpp"
#include "coords/ponto.hpp"
#include "text/cp1252.hpp"
#include "text/numeros.hpp"

namespace {

const QString kPastaBin = QStringLiteral(NIVORA_BIN_DIR);

QString Utf8(const std::string& cp1252) {
  return QString::fromStdString(nivora::Cp1252ParaUtf8(cp1252));
}

// Text of a PDF (or of one of its pages) as pdftotext reads it, blanks and line breaks
// collapsed to one space.
QString TextoDoPdf(const QString& caminho, int pagina = 0) {
  QStringList argumentos{"-enc", "UTF-8"};
  if (pagina > 0) argumentos << "-f" << QString::number(pagina) << "-l" << QString::number(pagina);
  QProcess processo;
  processo.start("pdftotext", argumentos << caminho << "-");
  if (!processo.waitForFinished(60000) || processo.exitCode() != 0) return {};
  return QString::fromUtf8(processo.readAllStandardOutput()).simplified();
}

// Page and size in pixels of every picture embedded in a PDF, as pdfimages lists them.
struct ImagemPdf {
  int pagina;
  QSize tamanho;
};
QList<ImagemPdf> ImagensDoPdf(const QString& caminho) {
  QProcess processo;
  processo.start("pdfimages", {"-list", caminho});
  if (!processo.waitForFinished(60000) || processo.exitCode() != 0) return {};
  QList<ImagemPdf> imagens;
  // "page num type width height ...", after two header lines.
  const QStringList linhas = QString::fromUtf8(processo.readAllStandardOutput()).split('\n');
  for (qsizetype i = 2; i < linhas.size(); ++i) {
    const QStringList campos = linhas[i].simplified().split(' ');
    if (campos.size() > 4 && campos[2] == "image")
      imagens.push_back({campos[0].toInt(), QSize(campos[3].toInt(), campos[4].toInt())});
  }
  return imagens;
}

// What a poppler tool prints for a PDF.
QString Poppler(const QString& ferramenta, const QString& caminho) {
  QProcess processo;
  processo.start(ferramenta, {caminho});
  return processo.waitForFinished(60000) ? QString::fromUtf8(processo.readAllStandardOutput())
                                         : QString();
}

QString Sha256DaGrade() {
  QFile grade(kPastaBin + "/grid/NIVORA2015_SIRGAS2000.txt");
  if (!grade.open(QIODevice::ReadOnly)) return {};
  return QString::fromLatin1(
      QCryptographicHash::hash(grade.readAll(), QCryptographicHash::Sha256).toHex());
}

QString LerHtml() {
  QFile arquivo(kPastaBin + "/Ajuda_Nivora2015.html");
  if (!arquivo.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(arquivo.readAll());
}

// The few entities the help uses, turned back into characters.
QString SemEntidades(QString html) {
  html.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&nbsp;", " ");
  return html.replace("&amp;", "&");
}

}  // namespace

class TesteDocumentosGerados : public QObject {
  Q_OBJECT

 private slots:
  // Each document: its title, the maps drawn by GMT embedded in it (pictures of at least
  // 800 x 800 pixels), what its first page must say, and the checksum of the shipped
  // grid the maps were drawn from.
  void pdfsExistWithTheirTitles_data() {
    QTest::addColumn<QString>("arquivo");
    QTest::addColumn<QString>("titulo");
    QTest::addColumn<int>("mapas");
    QTest::addColumn<bool>("mapaNaPrimeiraPagina");
    QTest::addColumn<QStringList>("primeiraPagina");
    QTest::addColumn<QString>("unidade");  // the one unit of its values, as it says
    QTest::newRow("modelo") << "NIVORA2015.pdf"
                            << QString::fromUtf8("Modelo de Ondula\u00e7\u00e3o Geoidal SIRGAS2000")
                            << 1 << false << QStringList{"EGM96"} << "metros (m)";
    QTest::newRow("rede") << "rede_NIVORA2015.pdf"
                          << QString::fromUtf8(
                                 "Distribui\u00e7\u00e3o de Dados Gravim\u00e9tricos Terrestres")
                          << 2 << true << QStringList{"EGM96"} << "";
    // The menu promises two versions of the model; there is one, compared with the global
    // model it came from, and the first page says so with the map of that difference.
    QTest::newRow("diferen\u00e7as")
        << "diferencas_NIVORA2015.pdf"
        << QString::fromUtf8("Diferen\u00e7as entre o NIVORA2015 e o EGM96") << 1 << true
        << QStringList{QString::fromUtf8("O que este documento compara"),
                       QString::fromUtf8("N\u00e3o existe uma vers\u00e3o NIVORA2010"),
                       QString::fromUtf8("modelo global de que ele foi derivado, o EGM96"),
                       QString::fromUtf8("N calculado pelo NIVORA2015 \u2212 N do EGM96")}
        << QString::fromUtf8("mil\u00edmetros (mm)");
    QTest::newRow("discrep\u00e2ncias")
        << "discrepancias_NIVORA2015.pdf"
        << QString::fromUtf8("Discrep\u00e2ncias no Modelo de Ondula\u00e7\u00e3o Geoidal") << 1
        << true << QStringList{"3000 pontos"} << QString::fromUtf8("mil\u00edmetros (mm)");
  }
  void pdfsExistWithTheirTitles() {
    QFETCH(QString, arquivo);
    QFETCH(QString, titulo);
    QFETCH(int, mapas);
    QFETCH(bool, mapaNaPrimeiraPagina);
    QFETCH(QStringList, primeiraPagina);
    QFETCH(QString, unidade);
    const QString caminho = kPastaBin + "/imagens/" + arquivo;
    QVERIFY2(QFileInfo::exists(caminho), qPrintable(caminho));
    const QString texto = TextoDoPdf(caminho);
    QVERIFY2(texto.startsWith(titulo), qPrintable(texto.left(200)));
    const QString pagina1 = TextoDoPdf(caminho, 1);
    for (const QString& trecho : primeiraPagina)
      QVERIFY2(pagina1.contains(trecho), qPrintable(trecho));
    QList<ImagemPdf> grandes;
    for (const ImagemPdf& imagem : ImagensDoPdf(caminho))
      if (imagem.tamanho.width() >= 800 && imagem.tamanho.height() >= 800)
        grandes.push_back(imagem);
    QCOMPARE(grandes.size(), mapas);
    if (mapaNaPrimeiraPagina) QCOMPARE(grandes.front().pagina, 1);
    const QString sha256 = Sha256DaGrade();
    QCOMPARE(sha256.size(), 64);
    QVERIFY2(texto.contains("SHA-256 " + sha256), qPrintable(texto.right(300)));
    // One decimal mark, one unit (said), one font family with the maps' own.
    QVERIFY2(!texto.contains(QRegularExpression("\\d,\\d")), qPrintable(texto));
    if (!unidade.isEmpty()) {
      QVERIFY(texto.contains(unidade));
      const QString simbolo = unidade.section('(', 1).chopped(1);  // "m", "mm"
      for (auto it = QRegularExpression("\\d (cm|mm|m)\\b").globalMatch(texto); it.hasNext();)
        QCOMPARE(it.next().captured(1), simbolo);
    }
    const QString fontes = Poppler("pdffonts", caminho);  // one line per font after 2 lines
    QCOMPARE(fontes.count("\nNimbusSans-"), fontes.count('\n') - 2);
  }

  // The statistics of the model document agree with the shipped grid, read here on its own.
  void modelStatisticsMatchTheGrid() {
    std::ifstream grade(std::string(NIVORA_BIN_DIR) + "/grid/NIVORA2015_SIRGAS2000.txt");
    QVERIFY(grade.good());
    std::string linha;
    long nos = 0;
    double minimo = 1e9, maximo = -1e9;
    while (std::getline(grade, linha)) {
      if (!linha.empty() && linha.back() == '\r') linha.pop_back();
      const double lon = static_cast<double>(nivora::StrToFloat(linha.substr(1, 11))) - 360.0;
      const double lat = static_cast<double>(nivora::StrToFloat(linha.substr(13, 11)));
      const double n = static_cast<double>(nivora::StrToFloat(linha.substr(27, 7)));
      if (lat <= nivora::kLimiteSul || lat >= nivora::kLimiteNorte || lon <= nivora::kLimiteOeste ||
          lon >= nivora::kLimiteLeste)
        continue;
      ++nos;
      minimo = std::min(minimo, n);
      maximo = std::max(maximo, n);
    }
    QVERIFY(nos > 1000);
    const QString texto = TextoDoPdf(kPastaBin + "/imagens/NIVORA2015.pdf");
    const auto valorApos = [&texto](const QString& rotulo) {
      const QRegularExpression padrao(QRegularExpression::escape(rotulo) +
                                      "\\s+(-?[0-9]+(?:\\.[0-9]+)?)");
      return padrao.match(texto).captured(1);
    };
    QCOMPARE(valorApos(QString::fromUtf8("N\u00famero de n\u00f3s")).toLong(), nos);
    QCOMPARE(valorApos(QString::fromUtf8("M\u00ednimo")).toDouble(), minimo);
    QCOMPARE(valorApos(QString::fromUtf8("M\u00e1ximo")).toDouble(), maximo);
  }

  void helpExistsAndLinksResolve() {
    const QString html = LerHtml();
    QVERIFY2(!html.isEmpty(), "Ajuda_Nivora2015.html is missing in bin/");
    QVERIFY(html.contains("<title>"));
    // Every local href/src points to an existing file; every "#x" to an element id.
    const QRegularExpression link("(?:href|src)\\s*=\\s*\"([^\"]*)\"");
    int locais = 0;
    for (auto it = link.globalMatch(html); it.hasNext();) {
      const QString alvo = it.next().captured(1);
      if (alvo.startsWith("http:") || alvo.startsWith("https:") || alvo.startsWith("mailto:"))
        continue;
      QVERIFY2(!alvo.isEmpty(), "empty link");
      if (alvo.startsWith('#')) {
        QVERIFY2(html.contains("id=\"" + alvo.mid(1) + "\""), qPrintable(alvo));
      } else {
        const QString arquivo = alvo.section('#', 0, 0);
        QVERIFY2(QFileInfo::exists(kPastaBin + "/" + arquivo), qPrintable(alvo));
        ++locais;
      }
    }
    QVERIFY(locais > 0);  // it does link the examples and the documents
  }

  // Every refusal text a point can get is explained in the help in one table row
  // together with the valid range shown below it (none for code 0).
  void helpExplainsEveryRefusal_data() {
    QTest::addColumn<int>("codigo");
    for (int codigo = 0; codigo <= 9; ++codigo)
      QTest::newRow(qPrintable(QString("c\u00f3digo %1").arg(codigo))) << codigo;
  }
  void helpExplainsEveryRefusal() {
    QFETCH(int, codigo);
    const QRegularExpression padraoLinha(QString("<tr><td>%1</td>(.*?)</tr>").arg(codigo),
                                         QRegularExpression::DotMatchesEverythingOption);
    const QString linhaTabela = SemEntidades(padraoLinha.match(LerHtml()).captured(1));
    const auto erro = static_cast<nivora::ErroPonto>(codigo);
    const QString mensagem = Utf8(nivora::MensagemErro(erro));
    QVERIFY2(linhaTabela.contains(mensagem), qPrintable(mensagem));
    const QStringList limite = Utf8(nivora::TextoLimite(erro)).split('\r', Qt::SkipEmptyParts);
    for (const QString& linha : limite) QVERIFY2(linhaTabela.contains(linha), qPrintable(linha));
    QCOMPARE(linhaTabela.contains("Limite correto"), !limite.isEmpty());
  }

  void helpExplainsEveryBatchMessage_data() {
    QTest::addColumn<QString>("mensagem");
    for (const char* mensagem :
         {nivora::kMsgErroFormatacao, nivora::kMsgArquivoInvalido, nivora::kMsgEntradaInvalida,
          nivora::kMsgPreenchimento, nivora::kMsgMesmoArquivo, kMsgTecladoDesligado,
          kMsgLoteEmAndamento, kMsgNaoAbriu})
      QTest::newRow(mensagem) << Utf8(mensagem);
  }
  void helpExplainsEveryBatchMessage() {
    QFETCH(QString, mensagem);
    QVERIFY2(SemEntidades(LerHtml()).contains(mensagem), qPrintable(mensagem));
  }

  // The commands the help shows for the command line are examples of its --help, which
  // the command-line tests run as written.
  void helpCommandsAreTheToolsExamples() {
    const QString html = LerHtml();
    const qsizetype secao = html.indexOf("<h2 id=\"linha\">");
    const QRegularExpression pre("<pre>(.*?)</pre>",
                                 QRegularExpression::DotMatchesEverythingOption);
    const QString comandos = SemEntidades(pre.match(html, secao).captured(1));
    QVERIFY(secao > 0 && !comandos.isEmpty());
    const QString ajuda = Utf8(nivora::cli::TextoAjuda());
    for (const QString& comando : comandos.split('\n'))
      QVERIFY2(ajuda.contains("\n  " + comando + "\n"), qPrintable(comando));
  }
};

QTEST_MAIN(TesteDocumentosGerados)
#include "test_documentos_gerados.moc"
