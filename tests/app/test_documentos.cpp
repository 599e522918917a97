// The pictures decoded with libjpeg, the illustration and about windows, the menu
// handlers of the documents, and the drawing helpers of the generators.
#include <cstddef>
#include <cstdio>
// libjpeg's header needs size_t and FILE declared before it.
#include <jpeglib.h>

#include <QCryptographicHash>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/About.hpp"
#include "app/frmIlustra.hpp"
#include "app/jpeg.hpp"
#include "app/map.hpp"
#include "figuras_comum.hpp"
#include "text/erros.hpp"

namespace {

// A JPEG made here with libjpeg's encoder: `componentes` 1 (grey), 3 (RGB) or 4 (CMYK).
QByteArray CodificarJpeg(int largura, int altura, int componentes,
                         const std::function<int(int x, int y, int c)>& amostra) {
  jpeg_compress_struct info;
  jpeg_error_mgr erro;
  info.err = jpeg_std_error(&erro);
  jpeg_create_compress(&info);
  unsigned char* memoria = nullptr;
  unsigned long tamanho = 0;
  jpeg_mem_dest(&info, &memoria, &tamanho);
  info.image_width = static_cast<JDIMENSION>(largura);
  info.image_height = static_cast<JDIMENSION>(altura);
  info.input_components = componentes;
  info.in_color_space = componentes == 1 ? JCS_GRAYSCALE : (componentes == 3 ? JCS_RGB : JCS_CMYK);
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 98, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> linha(static_cast<size_t>(largura * componentes));
  for (int y = 0; y < altura; ++y) {
    for (int x = 0; x < largura; ++x)
      for (int c = 0; c < componentes; ++c)
        linha[static_cast<size_t>(x * componentes + c)] =
            static_cast<unsigned char>(amostra(x, y, c));
    JSAMPROW ptr = linha.data();
    jpeg_write_scanlines(&info, &ptr, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  QByteArray dados(reinterpret_cast<const char*>(memoria), static_cast<qsizetype>(tamanho));
  std::free(memoria);
  return dados;
}

// The text of the first comment marker of a JPEG stream, read with libjpeg; empty when
// there is none.
std::string ComentarioJpeg(const QByteArray& dados) {
  jpeg_decompress_struct info;
  jpeg_error_mgr erro;
  info.err = jpeg_std_error(&erro);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(dados.constData()),
               static_cast<unsigned long>(dados.size()));
  jpeg_save_markers(&info, JPEG_COM, 0xFFFF);
  std::string texto;
  if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK)
    for (jpeg_saved_marker_ptr m = info.marker_list; m != nullptr; m = m->next)
      if (m->marker == JPEG_COM) {
        texto.assign(reinterpret_cast<const char*>(m->data), m->data_length);
        break;
      }
  jpeg_destroy_decompress(&info);
  return texto;
}

QByteArray LerArquivo(const QString& caminho) {
  QFile arquivo(caminho);
  return arquivo.open(QIODevice::ReadOnly) ? arquivo.readAll() : QByteArray();
}

// SHA-256 of the shipped grid, which every picture drawn from it must carry.
std::string Sha256DaGradeDistribuida() {
  return QCryptographicHash::hash(
             LerArquivo(QStringLiteral(NIVORA_SOURCE_DIR "/dist/grid/NIVORA2015_SIRGAS2000.txt")),
             QCryptographicHash::Sha256)
      .toHex()
      .toStdString();
}

int Rampa(int x, int y, int c) {
  return (x * 7 + y * 3 + c * 60) % 256;
}

// Records what the window asks of the platform; every modal answer is "cancel".
class PlataformaGravada : public nivora::Plataforma {
 public:
  std::vector<QString> abertos;
  int mensagens = 0;
  nivora::Resposta MostrarMensagem(const nivora::PedidoMensagem&) override {
    ++mensagens;
    return nivora::Resposta::Ok;
  }
  std::optional<QString> EscolherArquivoAbrir(const nivora::DialogoArquivo&) override {
    return std::nullopt;
  }
  std::optional<QString> EscolherArquivoSalvar(const nivora::DialogoArquivo&) override {
    return std::nullopt;
  }
  bool EscolherImpressora() override { return false; }
  void ImprimirLinhas(const std::vector<std::string>&, int) override {}
  std::optional<std::string> AbrirDocumento(const QString& caminho) override {
    abertos.push_back(caminho);
    return std::nullopt;
  }
  nivora::EstadoTrava TravarInstancia() override { return nivora::EstadoTrava::Obtida; }
  void ProcessarEventos() override {}
  void CursorEspera(bool) override {}
};

}  // namespace

class TesteDocumentos : public QObject {
  Q_OBJECT

 private slots:
  // ---- libjpeg decoding ----
  void jpegDecodesToItsSize_data() {
    QTest::addColumn<int>("largura");
    QTest::addColumn<int>("altura");
    QTest::addColumn<int>("componentes");
    QTest::newRow("rgb 37x19") << 37 << 19 << 3;
    QTest::newRow("rgb 1x1") << 1 << 1 << 3;
    QTest::newRow("cinza 40x9") << 40 << 9 << 1;
    QTest::newRow("rgb 600x250") << 600 << 250 << 3;
  }
  void jpegDecodesToItsSize() {
    QFETCH(int, largura);
    QFETCH(int, altura);
    QFETCH(int, componentes);
    // Smooth gradients, one per channel, so that quality 98 keeps each sample within a
    // few levels even with the chroma subsampling of the encoder.
    auto amostra = [largura, altura](int x, int y, int c) {
      if (c == 0) return 40 + x * 150 / largura;
      if (c == 1) return 40 + y * 150 / altura;
      return 120 + (x + y) * 60 / (largura + altura);
    };
    const QImage imagem = DecodificarJpeg(CodificarJpeg(largura, altura, componentes, amostra));
    QCOMPARE(imagem.width(), largura);
    QCOMPARE(imagem.height(), altura);
    int piorDiferenca = 0;
    for (int y = 0; y < altura; ++y)
      for (int x = 0; x < largura; ++x) {
        const QColor cor = imagem.pixelColor(x, y);
        const int rgb[3] = {cor.red(), cor.green(), cor.blue()};
        for (int c = 0; c < 3; ++c) {
          const int esperado = amostra(x, y, componentes == 1 ? 0 : c);
          piorDiferenca = std::max(piorDiferenca, std::abs(rgb[c] - esperado));
        }
      }
    QVERIFY2(piorDiferenca <= 12, qPrintable(QString("diferen\u00e7a %1").arg(piorDiferenca)));
  }

  void jpegRefusesBadData_data() {
    QTest::addColumn<QByteArray>("dados");
    const QByteArray bom = CodificarJpeg(64, 48, 3, Rampa);
    QTest::newRow("vazio") << QByteArray();
    QTest::newRow("s\u00f3 o marcador SOI") << bom.left(2);
    QTest::newRow("cabe\u00e7alho cortado") << bom.left(100);
    QTest::newRow("metade") << bom.left(bom.size() / 2);
    QTest::newRow("sem o marcador final e um byte") << bom.left(bom.size() - 3);
    QTest::newRow("texto") << QByteArray("isto n\xC3\xA3o \xC3\xA9 uma imagem");
    QTest::newRow("PNG") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    QTest::newRow("CMYK sem convers\u00e3o para RGB")
        << CodificarJpeg(8, 8, 4, [](int, int, int c) { return c * 40; });
  }
  void jpegRefusesBadData() {
    QFETCH(QByteArray, dados);
    try {
      const QImage imagem = DecodificarJpeg(dados);
      QFAIL("decoded a bad stream");
    } catch (const nivora::ErroNivora& e) {
      QVERIFY2(std::string(e.what()).rfind("Imagem JPEG inv\xE1lida: ", 0) == 0, e.what());
      QVERIFY(std::string(e.what()).size() > std::string("Imagem JPEG inv\xE1lida: ").size());
    }
  }

  // Damaged bytes anywhere in the stream: a whole picture or an ErroNivora, never a crash.
  void damagedJpegNeverCrashes() {
    const QByteArray bom = CodificarJpeg(48, 32, 3, Rampa);
    int recusados = 0;
    for (int posicao = 0; posicao < bom.size(); posicao += 3) {
      QByteArray ruim = bom;
      ruim[posicao] = static_cast<char>(ruim[posicao] ^ 0x5A);
      try {
        const QImage imagem = DecodificarJpeg(ruim);
        QCOMPARE(imagem.isNull(), false);
      } catch (const nivora::ErroNivora&) {
        ++recusados;
      }
    }
    QVERIFY(recusados > 0);
  }

  void jpegForgedSizeRefused() {
    // SOF0 claims 65000 x 65000: refused before any large allocation.
    QByteArray dados = CodificarJpeg(16, 16, 3, Rampa);
    const int sof = dados.indexOf(QByteArray("\xFF\xC0", 2));
    QVERIFY(sof > 0);
    dados[sof + 5] = static_cast<char>(0xFD);
    dados[sof + 6] = static_cast<char>(0xE8);
    dados[sof + 7] = static_cast<char>(0xFD);
    dados[sof + 8] = static_cast<char>(0xE8);
    QVERIFY_THROWS_EXCEPTION(nivora::ErroNivora, DecodificarJpeg(dados));
  }

  // The pictures that ship: their sizes, real content, and for those drawn from the
  // grid, the grid's checksum in their metadata (a JPEG comment, a PNG text chunk).
  void programPicturesInTheirSizes_data() {
    QTest::addColumn<QString>("origem");
    QTest::addColumn<QSize>("tamanho");
    QTest::addColumn<bool>("daGrade");
    QTest::newRow("ilustra\u00e7\u00e3o")
        << QString(TForm2::kRecursoIlustracao) << QSize(600, 250) << true;
    QTest::newRow("logo") << QString(TAboutBox::kRecursoLogo) << QSize(126, 24) << false;
    QTest::newRow("mapa do README")
        << QStringLiteral(NIVORA_SOURCE_DIR "/docs/mapa_ondulacao.png") << QSize(900, 0) << true;
  }
  void programPicturesInTheirSizes() {
    QFETCH(QString, origem);
    QFETCH(QSize, tamanho);
    QFETCH(bool, daGrade);
    const bool jpeg = origem.endsWith(".jpg");
    const QImage imagem = jpeg ? CarregarJpeg(origem) : QImage(origem);
    QVERIFY2(!imagem.isNull(), qPrintable(origem));
    QCOMPARE(imagem.width(), tamanho.width());
    if (tamanho.height() > 0) QCOMPARE(imagem.height(), tamanho.height());
    // A real picture, not a flat placeholder: many distinct colours.
    QSet<QRgb> cores;
    for (int y = 0; y < imagem.height(); y += 2)
      for (int x = 0; x < imagem.width(); x += 2) cores.insert(imagem.pixel(x, y));
    QVERIFY(cores.size() > 50);
    if (!daGrade) return;
    const std::string esperado = Sha256DaGradeDistribuida();
    QCOMPARE(esperado.size(), size_t{64});
    if (jpeg) {
      QCOMPARE(ComentarioJpeg(LerArquivo(origem)),
               std::string(ferramentas::kChaveSha256Grade) + ": " + esperado);
    } else {
      // Drawn again with: cmake --build build --target mapa_readme
      QCOMPARE(imagem.text(ferramentas::kChaveSha256Grade).toStdString(), esperado);
    }
  }

  void missingFileGivesAClearError() {
    QTemporaryDir pasta;
    const QString caminho = pasta.filePath("nada.jpg");
    try {
      CarregarJpeg(caminho);
      QFAIL("read a missing file");
    } catch (const nivora::ErroNivora& e) {
      QVERIFY(QString::fromLatin1(e.what()).contains("nada.jpg"));
    }
  }

  void glyphsAndIconExist_data() {
    QTest::addColumn<QString>("nome");
    for (const char* nome :
         {"icone", "processa", "salva", "imprime", "limpa", "procura", "executa", "cancela"})
      QTest::newRow(nome) << QString(nome);
  }
  void glyphsAndIconExist() {
    QFETCH(QString, nome);
    const QImage imagem(":/imagens/" + nome + ".png");
    QVERIFY(!imagem.isNull());
    QCOMPARE(imagem.width(), imagem.height());
    if (nome != "icone") QCOMPARE(imagem.width(), 20);
    // A glyph has a transparent surround and a drawn middle.
    QCOMPARE(qAlpha(imagem.pixel(0, 0)), 0);
    QVERIFY(qAlpha(imagem.pixel(imagem.width() / 2, imagem.height() / 2)) > 0);
  }

  // ---- illustration window ----
  void illustration() {
    TForm2 janela;
    QCOMPARE(janela.windowTitle(), QString::fromUtf8("Ondula\u00e7\u00e3o Geoidal"));
    QCOMPARE(janela.size(), QSize(601, 249));
    QCOMPARE(janela.minimumSize(), janela.maximumSize());
    QCOMPARE(janela.pos(), QPoint(419, 210));
    const Qt::WindowFlags flags = janela.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(janela.Figura().size(), QSize(600, 250));
    // Fitted keeping its proportions: the height fills, the width follows 600:250.
    const QPixmap figura = janela.Image1->pixmap();
    QCOMPARE(figura.height(), 249);
    QVERIFY(std::abs(figura.width() - qRound(249 * 600.0 / 250.0)) <= 1);
    QCOMPARE(janela.Image1->geometry(), QRect(0, 0, 601, 249));
    QCOMPARE(janela.Image1->alignment(), Qt::AlignCenter);
    janela.show();
    QVERIFY(QTest::qWaitForWindowExposed(&janela));
    QVERIFY(janela.close());
    QVERIFY(janela.isHidden());
    janela.show();  // the same window comes back
    QVERIFY(janela.isVisible());
  }

  // ---- about window ----
  void about() {
    TAboutBox caixa;
    QCOMPARE(caixa.windowTitle(), QString("NIVORA2010"));
    QCOMPARE(caixa.size(), QSize(298, 213));
    QCOMPARE(caixa.minimumSize(), caixa.maximumSize());
    QVERIFY(!caixa.isModal());
    const Qt::WindowFlags flags = caixa.windowFlags();
    QVERIFY(!(flags & Qt::WindowCloseButtonHint));
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
    QCOMPARE(caixa.findChild<QLabel*>("ProductName")->text(), QString("NIVORA2015"));
    QCOMPARE(caixa.findChild<QLabel*>("ProductName")->font().pointSize(), 10);
    QVERIFY(caixa.findChild<QLabel*>("ProductName")->font().bold());
    QCOMPARE(caixa.findChild<QLabel*>("ProductName")->palette().color(QPalette::WindowText),
             QColor(0, 0, 0x80));
    QCOMPARE(caixa.findChild<QLabel*>("Version")->text(), QString::fromUtf8("Vers\u00e3o 1.0"));
    QCOMPARE(caixa.findChild<QLabel*>("Comments")->text(),
             QString::fromUtf8("Sistema de Interpola\u00e7\u00e3o de Ondula\u00e7\u00e3o Geoidal"));
    QVERIFY(caixa.findChild<QLabel*>("Comments")->wordWrap());
    QCOMPARE(caixa.findChild<QLabel*>("Data")->text(), QString("nov/2015"));
    QCOMPARE(caixa.findChild<QLabel*>("Data")->font().pointSize(), 6);
    QCOMPARE(caixa.Logo().size(), QSize(126, 24));
    QCOMPARE(caixa.findChild<QLabel*>("ProgramIcon")->size(), QSize(126, 24));
    QCOMPARE(caixa.findChild<QPushButton*>("OKButton")->text(), QString("Fechar"));
    QVERIFY(caixa.findChild<QPushButton*>("OKButton")->isDefault());
    // The "nov/2015" label sits in the bottom-right corner of the panel.
    QVERIFY(caixa.findChild<QLabel*>("Data")->geometry().right() >
            caixa.findChild<QFrame*>("Panel1")->width() * 3 / 4);
    QVERIFY(caixa.findChild<QLabel*>("Data")->geometry().bottom() >
            caixa.findChild<QFrame*>("Panel1")->height() * 3 / 4);
  }

  void aboutClosesWithButtonAndEnter_data() {
    QTest::addColumn<bool>("comEnter");
    QTest::newRow("Fechar") << false;
    QTest::newRow("Enter") << true;
  }
  void aboutClosesWithButtonAndEnter() {
    QFETCH(bool, comEnter);
    TAboutBox caixa;
    for (int vez = 0; vez < 2; ++vez) {  // closes, opens again, closes again
      caixa.show();
      QVERIFY(QTest::qWaitForWindowExposed(&caixa));
      caixa.activateWindow();
      QVERIFY(caixa.isVisible());
      if (comEnter)
        QTest::keyClick(&caixa, Qt::Key_Return);
      else
        QTest::mouseClick(caixa.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
      QVERIFY(caixa.isHidden());
    }
  }

  // ---- menu handlers of the main window ----
  void menusOpenTheRightDocuments() {
    PlataformaGravada plataforma;
    const PastasPrograma pastas{"/pasta/aplicacao/", "/pasta/programa/"};
    TForm1 janela(plataforma, pastas);
    struct Caso {
      QAction* item;
      QString caminho;
    };
    const Caso casos[] = {
        {janela.findChild<QAction*>("ModeloGeoidalSIRGAS1"),
         "/pasta/programa/imagens/NIVORA2015.pdf"},
        {janela.findChild<QAction*>("DistribuiodeDadosGravimetricosTerrestres1"),
         "/pasta/programa/imagens/rede_NIVORA2015.pdf"},
        {janela.findChild<QAction*>("DiferenasentreNIVORA2004NIVora20101"),
         "/pasta/programa/imagens/diferencas_NIVORA2015.pdf"},
        {janela.findChild<QAction*>("erromdiogeoide1"),
         "/pasta/programa/imagens/discrepancias_NIVORA2015.pdf"},
        {janela.findChild<QAction*>("AjudaNNIVORA20041"), "/pasta/aplicacao/Ajuda_Nivora2015.html"},
    };
    for (const Caso& caso : casos) {
      plataforma.abertos.clear();
      caso.item->trigger();
      QCOMPARE(plataforma.abertos.size(), size_t{1});
      QCOMPARE(plataforma.abertos[0], caso.caminho);
    }
    // Missing files are the desktop's business: nothing is shown by the program.
    QCOMPARE(plataforma.mensagens, 0);
  }

  void windowsCreatedOnceAndReused() {
    PlataformaGravada plataforma;
    TForm1 janela(plataforma, PastasPrograma{"/a/", "/a/"});
    TForm2* ilustracao = janela.Ilustracao();
    QVERIFY(ilustracao != nullptr);  // created with the main window, hidden
    QVERIFY(ilustracao->isHidden());
    QVERIFY(janela.Sobre() == nullptr);  // created on first use
    janela.findChild<QAction*>("N11")->trigger();
    janela.findChild<QAction*>("N11")->trigger();
    QCOMPARE(janela.Ilustracao(), ilustracao);
    QVERIFY(ilustracao->isVisible());
    janela.findChild<QAction*>("Sobre1")->trigger();
    TAboutBox* sobre = janela.Sobre();
    QVERIFY(sobre != nullptr);
    QVERIFY(sobre->isVisible());
    janela.findChild<QAction*>("Sobre1")->trigger();
    QCOMPARE(janela.Sobre(), sobre);
    sobre->findChild<QPushButton*>("OKButton")->click();
    QVERIFY(sobre->isHidden());
    janela.findChild<QAction*>("Sobre1")->trigger();
    QCOMPARE(janela.Sobre(), sobre);
    QVERIFY(sobre->isVisible());
    int quantas = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<TAboutBox*>(w) || qobject_cast<TForm2*>(w)) ++quantas;
    QCOMPARE(quantas, 2);
  }

  // ---- helpers of the generators ----
  void grade_lidaEInterpolada() {
    // A 4 x 3 grid whose N is lat + 0.2 lon: bilinear reproduces a plane exactly.
    QTemporaryDir pasta;
    const std::string caminho = pasta.filePath("g.txt").toStdString();
    std::ofstream saida(caminho, std::ios::binary);
    const double passo = 5.0 / 60.0;
    for (int l = 0; l < 4; ++l)
      for (int c = 0; c < 3; ++c) {
        const double lat = -10.0 - l * passo, lon = -50.0 + c * passo;
        char linha[64];
        std::snprintf(linha, sizeof linha, " %11.6f %11.6f   %7.3f\r\n", lon + 360.0, lat,
                      lat + 0.2 * lon);
        saida << linha;
      }
    saida.close();
    const ferramentas::Campo campo = ferramentas::LerGrade(caminho);
    QCOMPARE(campo.linhas, 4);
    QCOMPARE(campo.colunas, 3);
    QVERIFY(std::fabs(campo.latNorteDeg - (-10.0)) < 1e-9);
    QVERIFY(std::fabs(campo.lonOesteDeg - (-50.0)) < 1e-9);
    const struct {
      double lat, lon;
    } pontos[] = {{-10.0, -50.0}, {-10.1, -49.9}, {-10.2, -49.85}, {-10.25, -49.8334}};
    for (const auto& p : pontos)
      QVERIFY(std::fabs(campo.Bilinear(p.lat, p.lon) - (p.lat + 0.2 * p.lon)) < 1e-3);
    QVERIFY(std::isnan(campo.Bilinear(-9.9, -50.0)));   // north of the grid
    QVERIFY(std::isnan(campo.Bilinear(-10.1, -50.5)));  // west of the grid
  }

  void grade_linhaRuimNomeiaArquivoELinha() {
    QTemporaryDir pasta;
    const std::string caminho = pasta.filePath("ruim.txt").toStdString();
    std::ofstream(caminho, std::ios::binary) << "  310.000000  -10.000000     1.000\r\n"
                                             << "  310.083333  -10.000000     x.abc\r\n";
    try {
      ferramentas::LerGrade(caminho);
      QFAIL("read a bad grid");
    } catch (const std::runtime_error& e) {
      QVERIFY(std::string(e.what()).find("ruim.txt:2") != std::string::npos);
    }
  }

  void statistics() {
    const std::vector<double> valores{2, 4, 4, 4, 5, 5, 7, 9};
    const ferramentas::Estatisticas e = ferramentas::CalcularEstatisticas(valores);
    QCOMPARE(e.quantidade, size_t{8});
    QCOMPARE(e.minimo, 2.0);
    QCOMPARE(e.maximo, 9.0);
    QCOMPARE(e.media, 5.0);
    QVERIFY(std::fabs(e.desvioPadrao - std::sqrt(32.0 / 7.0)) < 1e-12);
    QVERIFY(std::fabs(e.rms - std::sqrt(232.0 / 8.0)) < 1e-12);
  }

  void jpegWrittenByTheGeneratorReadsBack() {
    QTemporaryDir pasta;
    QImage original(30, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30; ++x) original.setPixelColor(x, y, QColor(x * 8, y * 12, 128));
    const std::string caminho = pasta.filePath("f.jpg").toStdString();
    ferramentas::GravarJpeg(original, caminho, 95, "chave: valor");
    const QImage lida = CarregarJpeg(QString::fromStdString(caminho));
    QCOMPARE(lida.size(), original.size());
    for (int y = 0; y < 20; y += 3)
      for (int x = 0; x < 30; x += 3)
        QVERIFY(std::abs(lida.pixelColor(x, y).green() - original.pixelColor(x, y).green()) < 20);
    QCOMPARE(ComentarioJpeg(LerArquivo(QString::fromStdString(caminho))),
             std::string("chave: valor"));
    ferramentas::GravarJpeg(original, caminho, 95);
    QCOMPARE(ComentarioJpeg(LerArquivo(QString::fromStdString(caminho))), std::string());
  }

  // The maps are taken only from the folder of the very grid they were drawn from.
  void mapsCheckedAgainstTheGrid_data() {
    QTest::addColumn<QString>("hashEscrito");  // content of grade.sha256; "-" for no file
    QTest::addColumn<bool>("comMapa");
    QTest::addColumn<QString>("erro");  // part of the message, empty when accepted
    // SHA-256 of the three bytes "abc", the grid of this test.
    const QString abc("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    QTest::newRow("mesma grade") << abc + "\n" << true << QString();
    QTest::newRow("sem quebra de linha") << abc << true << QString();
    QTest::newRow("mapa ausente") << abc << false << QString("ondulacao.png");
    QTest::newRow("outra grade") << QString(64, '0') << true << QString("outra grade");
    QTest::newRow("hash vazio") << QString() << true << QString("grade.sha256");
    QTest::newRow("sem arquivo de hash") << QString("-") << true << QString("grade.sha256");
  }
  void mapsCheckedAgainstTheGrid() {
    QFETCH(QString, hashEscrito);
    QFETCH(bool, comMapa);
    QFETCH(QString, erro);
    QTemporaryDir pasta;
    const std::string grade = pasta.filePath("grade.txt").toStdString();
    std::ofstream(grade, std::ios::binary) << "abc";
    QCOMPARE(ferramentas::Sha256DoArquivo(grade),
             std::string("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
    if (hashEscrito != "-")
      std::ofstream(pasta.filePath("grade.sha256").toStdString(), std::ios::binary)
          << hashEscrito.toStdString();
    if (comMapa) {
      QImage mapa(8, 6, QImage::Format_RGB32);
      mapa.fill(Qt::red);
      QVERIFY(mapa.save(pasta.filePath("ondulacao.png"), "PNG"));
    }
    try {
      const ferramentas::Mapas mapas(pasta.path().toStdString(), grade);
      const QImage lido = mapas.Ler("ondulacao");
      QVERIFY2(erro.isEmpty(), "accepted what it should refuse");
      QCOMPARE(lido.size(), QSize(8, 6));
      QCOMPARE(mapas.Sha256Grade(), ferramentas::Sha256DoArquivo(grade));
    } catch (const std::runtime_error& e) {
      QVERIFY2(!erro.isEmpty(), e.what());
      QVERIFY2(QString::fromUtf8(e.what()).contains(erro), e.what());
    }
  }
};

QTEST_MAIN(TesteDocumentos)
#include "test_documentos.moc"
