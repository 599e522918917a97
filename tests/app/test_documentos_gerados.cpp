// What the build ships beside the executable: the four documents generated from the
// grid, and the help file with everything it links to.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <cmath>
#include <fstream>
#include <string>

#include "batch/lote.hpp"
#include "coords/ponto.hpp"
#include "text/cp1252.hpp"
#include "text/numeros.hpp"

namespace {

const QString kPastaBin = QStringLiteral(NIVORA_BIN_DIR);

QString Utf8(const std::string& cp1252) {
  return QString::fromStdString(nivora::Cp1252ParaUtf8(cp1252));
}

// Text of a PDF as pdftotext reads it, blanks and line breaks collapsed to one space.
QString TextoDoPdf(const QString& caminho) {
  QProcess processo;
  processo.start("pdftotext", {"-enc", "UTF-8", caminho, "-"});
  if (!processo.waitForFinished(60000) || processo.exitCode() != 0) return {};
  return QString::fromUtf8(processo.readAllStandardOutput()).simplified();
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
  void pdfsExistemComSeusTitulos_data() {
    QTest::addColumn<QString>("arquivo");
    QTest::addColumn<QString>("titulo");
    QTest::newRow("modelo") << "NIVORA2015.pdf"
                            << QString::fromUtf8(
                                   "Modelo de Ondula\u00e7\u00e3o Geoidal SIRGAS2000");
    QTest::newRow("rede") << "rede_NIVORA2015.pdf"
                          << QString::fromUtf8(
                                 "Distribui\u00e7\u00e3o de Dados Gravim\u00e9tricos Terrestres");
    QTest::newRow("diferen\u00e7as")
        << "diferencas_NIVORA2015.pdf"
        << QString::fromUtf8("Diferen\u00e7as entre a Ondula\u00e7\u00e3o Interpolada e o EGM96");
    QTest::newRow("discrep\u00e2ncias")
        << "discrepancias_NIVORA2015.pdf"
        << QString::fromUtf8("Discrep\u00e2ncias no Modelo de Ondula\u00e7\u00e3o Geoidal");
  }
  void pdfsExistemComSeusTitulos() {
    QFETCH(QString, arquivo);
    QFETCH(QString, titulo);
    const QString caminho = kPastaBin + "/imagens/" + arquivo;
    QVERIFY2(QFileInfo::exists(caminho), qPrintable(caminho));
    const QString texto = TextoDoPdf(caminho);
    QVERIFY2(texto.startsWith(titulo), qPrintable(texto.left(200)));
  }

  // The statistics of the model document agree with the shipped grid, read here on its own.
  void estatisticasDoModeloConferemComAGrade() {
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

  void ajudaExisteELinksResolvem() {
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
  void ajudaTrazCadaMensagemDeRecusa_data() {
    QTest::addColumn<int>("codigo");
    for (int codigo = 0; codigo <= 9; ++codigo)
      QTest::newRow(qPrintable(QString("c\u00f3digo %1").arg(codigo))) << codigo;
  }
  void ajudaTrazCadaMensagemDeRecusa() {
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

  void ajudaTrazCadaMensagemDoLote_data() {
    QTest::addColumn<QString>("mensagem");
    for (const char* mensagem :
         {nivora::kMsgErroFormatacao, nivora::kMsgArquivoInvalido, nivora::kMsgEntradaInvalida,
          nivora::kMsgPreenchimento, nivora::kMsgMesmoArquivo})
      QTest::newRow(mensagem) << Utf8(mensagem);
  }
  void ajudaTrazCadaMensagemDoLote() {
    QFETCH(QString, mensagem);
    QVERIFY2(SemEntidades(LerHtml()).contains(mensagem), qPrintable(mensagem));
  }
};

QTEST_MAIN(TesteDocumentosGerados)
#include "test_documentos_gerados.moc"
