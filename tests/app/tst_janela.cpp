// The main window: start-up state, mode cascades, the notation menu table, key
// filters, normalisation on leaving a field, the Enter key, menus and documents.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QTreeView>
#include <clocale>

#include "apoio.hpp"
#include "app/About.hpp"
#include "app/frmIlustra.hpp"
#include "app/inicio.hpp"

namespace {

const char* const kCamposTeclado[] = {"ed_IdPonto",  "Ed_sinal_Lat", "Ed_Lat",      "Ed_Lon",
                                      "Ed_grau_Lat", "Ed_min_Lat",   "Ed_seg_Lat",  "Ed_grau_Lon",
                                      "Ed_min_Lon",  "Ed_seg_Lon",   "Ed_Ondulacao"};
const char* const kBotoesTeclado[] = {"bbt_ProcessaPonto", "bbt_SalvarPonto", "bbt_Imprime",
                                      "bbt_Limpa"};
const char* const kBotoesArquivo[] = {"bbt_ArqEntrada", "bbt_SalvaArq", "bbt_ProcessaArq"};
const char* const kCaixasFormato[] = {"ChckBx_Ponto_E",  "Chck_LatLon_Dec", "Chck_LonLat_Dec",
                                      "Chck_LatLon_GMS", "Chck_LonLat_GMS", "ChckBx_Ponto_S",
                                      "ChckBx_Coord_S"};

}  // namespace

class TesteJanela : public QObject {
  Q_OBJECT

 private:
  // Asserts the keyboard band: enabled or not, every field empty or not.
  static void VerificaTeclado(JanelaDeTeste& t, bool habilitado) {
    for (const char* nome : kCamposTeclado) {
      QVERIFY2(t.Campo(nome)->isEnabled() == habilitado, nome);
    }
    for (const char* nome : kBotoesTeclado) {
      QVERIFY2(t.Controle(nome)->isEnabled() == habilitado, nome);
    }
  }
  static bool CamposVazios(JanelaDeTeste& t) {
    for (const char* nome : kCamposTeclado) {
      if (!t.Campo(nome)->text().isEmpty()) return false;
    }
    return true;
  }

 private slots:
  void startUpState() {
    JanelaDeTeste t;
    TForm1& j = *t.janela;
    QCOMPARE(j.windowTitle(), U("QIRA - NIVORA2015 - Versão 1.0 "));
    QCOMPARE(t.Controle("centralwidget")->size(), QSize(383, 488));
    QVERIFY(j.minimumSize() == j.maximumSize());
    QVERIFY(!(j.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(j.windowFlags() & Qt::WindowMinimizeButtonHint);

    QVERIFY(!t.Controle<QCheckBox>("CheckBox1")->isChecked());
    QVERIFY(!t.Controle<QCheckBox>("CheckBox2")->isChecked());
    QVERIFY(t.Controle<QRadioButton>("RadioButton2")->isChecked());
    QVERIFY(!t.Controle<QRadioButton>("RadioButton1")->isChecked());
    // GMS fields in place of the decimal ones, all disabled and empty.
    QVERIFY(t.Campo("Ed_grau_Lat")->isVisible());
    QVERIFY(t.Campo("Ed_seg_Lon")->isVisible());
    QVERIFY(!t.Campo("Ed_Lat")->isVisible());
    QVERIFY(!t.Campo("Ed_Lon")->isVisible());
    VerificaTeclado(t, false);
    QVERIFY(CamposVazios(t));
    // File band: nothing ticked, buttons disabled, statistics hidden.
    for (const char* nome : kCaixasFormato)
      QVERIFY2(!t.Controle<QCheckBox>(nome)->isChecked(), nome);
    for (const char* nome : kBotoesArquivo) QVERIFY2(!t.Controle(nome)->isEnabled(), nome);
    QVERIFY(t.Controle<QCheckBox>("CheckBox6")->isChecked());
    QVERIFY(!t.Controle("CheckBox6")->isEnabled());
    QCOMPARE(t.Controle<QListWidget>("ListBox1")->count(), 0);
    QVERIFY(t.Controle("ListBox1")->isHidden());
    QVERIFY(t.Campo("Edt_Entrada")->text().isEmpty());
    QVERIFY(t.Controle<QLabel>("L_1")->text().isEmpty());
    for (const char* nome : {"Label13", "Label15", "Label16", "Label17", "Label18"}) {
      QVERIFY2(t.Controle(nome)->isHidden(), nome);
    }
    QCOMPARE(t.Controle<QProgressBar>("ProgressBar1")->value(), 0);
    QVERIFY(t.Controle("bbt_Cancela")->isHidden());
    QVERIFY(t.Controle("bbt_SalvaArq")->isHidden());
    QVERIFY(!t.Controle("bbt_ProcessaArq")->isHidden());
    // Folders and dialogs.
    QCOMPARE(j.Estado().PastaAplicacao, t.PastaAplicacao());
    QCOMPARE(j.Estado().OpenDialog1.pastaInicial, t.PastaAplicacao() + "entradas");
    QCOMPARE(j.Estado().SaveDialog1.pastaInicial, t.PastaAplicacao() + "saida");
    QCOMPARE(j.Estado().OpenDialog1.filtro, QStringLiteral("Arquivo de Entrada|*.*"));
    QVERIFY(!j.Estado().CancelaProcesso);
    // The illustration window exists from the start, hidden.
    QVERIFY(j.Ilustracao() != nullptr);
    QVERIFY(!j.Ilustracao()->isVisible());
    QVERIFY(j.Sobre() == nullptr);
  }

  // Installed for all users, the program's folder is not the user's: the dialogs
  // start in the user's documents, created with the sample input on first use.
  void userFoldersWhenInstalled() {
    QTemporaryDir casa, programa;
    const QByteArray casaAntes = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(casa.path()));
    const QString app = programa.path() + "/";
    QVERIFY(QDir(app).mkpath("entradas"));
    GravarArquivo(app + "entradas/pontos.txt", "-10 -47\r\n");
    GravarArquivo(app + "instalado_para_todos", "");
    {
      JanelaDeTeste t(app);
      const QString usuario = casa.path() + "/Documents/NIVORA2015/";
      QCOMPARE(t.janela->Estado().OpenDialog1.pastaInicial, usuario + "entradas");
      QCOMPARE(t.janela->Estado().SaveDialog1.pastaInicial, usuario + "saida");
      QCOMPARE(LerArquivo(usuario + "entradas/pontos.txt"), QByteArray("-10 -47\r\n"));
      QVERIFY(QFileInfo(usuario + "saida").isDir());
      // A second start keeps what the user changed.
      GravarArquivo(usuario + "entradas/pontos.txt", "meu");
      JanelaDeTeste outra(app);
      QCOMPARE(LerArquivo(usuario + "entradas/pontos.txt"), QByteArray("meu"));
    }
    qputenv("HOME", casaAntes);
  }

  void hintAppearance() {
    JanelaDeTeste t;
    QCOMPARE(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 300);
    QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase), QColor(0, 255, 0));
    // "." is the decimal mark of the process.
    QCOMPARE(QString::fromLatin1(std::localeconv()->decimal_point), QStringLiteral("."));
    QCOMPARE(QLocale().decimalPoint(), QStringLiteral("."));
  }

  void hints_data() {
    QTest::addColumn<QString>("controle");
    QTest::addColumn<QString>("dica");
    const std::pair<const char*, const char*> linhas[] = {
        {"GroupBox1", "Seleciona formato Grau Decimal ou GMS \npara entrada via teclado."},
        {"Ed_sinal_Lat", "Sinal Latitude \nExemplo :  +  ou  -"},
        {"Ed_Lat", "Latitude  Grau Decimal \nLimite  : intervalo [-34.5830027º , +5.5833027º]"},
        {"Ed_Lon", "Longitude Grau Decimal \nLimite  : intervalo [-74.5830027º , -34.4332999º]"},
        {"Ed_grau_Lat", "Grau Latitude GMS \nLimite  : intervalo [-34º , +5º]"},
        {"Ed_min_Lat", "Minuto Latitude GMS \nLimite  : intervalo  [0' , 59']"},
        {"Ed_seg_Lat", "Segundo Latitude GMS \nLimite  : intervalo  [0\" , 59.9999...\"]"},
        {"Ed_grau_Lon", "Grau Longitude GMS \nLimite  : intervalo [-74º , -34º]"},
        {"Ed_min_Lon", "Minuto Longitude GMS \nLimite  : intervalo  [0' , 59']"},
        {"Ed_seg_Lon", "Segundo Longitude GMS \nLimite  : intervalo   [0\" , 59.9999...\"]"},
        {"ed_IdPonto", "Identificação do Ponto (campo não obrigatório)"},
        {"Ed_Ondulacao", "Ondulação Geoidal (em metros)"},
        {"bbt_ProcessaPonto", "Processa ponto"},
        {"bbt_SalvarPonto", "Salva em arquivo"},
        {"bbt_Imprime", "Imprime ponto"},
        {"bbt_Limpa", "Limpa campos"},
        {"Ed_EntradaArquivo",
         "Verifique a pasta \"exemplos\" para visualizar alguns formatos válidos "},
        {"bbt_ArqEntrada", "Procura Arquivo de Entrada"},
        {"bbt_SalvaArq", "Procura Arquivo de Saida"},
        {"bbt_ProcessaArq", "Processa arquivo"},
        {"bbt_Cancela", "Cancela processo"},
        {"CheckBox1", ""},
        {"ChckBx_Ponto_E", ""},
    };
    for (const auto& [controle, dica] : linhas) QTest::newRow(controle) << U(controle) << U(dica);
  }
  void hints() {
    QFETCH(QString, controle);
    QFETCH(QString, dica);
    JanelaDeTeste t;
    QWidget* w = t.janela->findChild<QWidget*>(controle);
    QVERIFY(w != nullptr);
    QCOMPARE(w->toolTip(), dica);
  }

  void menus_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("legenda");
    const std::pair<const char*, const char*> linhas[] = {
        {"Arquivo1", "&Entradas"},
        {"Manual1", "&Via &Teclado"},
        {"Latitude1", "Grau &Decimal"},
        {"Longirude1", "&GMS"},
        {"IdentificaodoPonto1", "&ID do Ponto"},
        {"Executar1", "&Processa ponto"},
        {"Salvar1", "&Salva em arquivo"},
        {"Imprimir1", "I&mprime ponto"},
        {"Limparcampos1", "&Limpa campos"},
        {"Arquivo2", "Via &Arquivo"},
        {"Entrada1", "&Entrada"},
        {"IdentificaodoPonto2", "&Id Ponto"},
        {"LatitudeLongitudeGGDDDD1", "&Lat Lon (Grau Decimal)"},
        {"LongitudeLatitudeGGDDDD1", "L&on Lat (Grau Decimal)"},
        {"LatitudeLongitudeG1", "Lat Lon (&GMS)"},
        {"IdPontoLongitudeLatitudeGGMMSSSSSS1", "Lon Lat (G&MS)"},
        {"NomedoArquivodeEntrada1", "&Arquivo de Entrada"},
        {"Sada1", "&Saída"},
        {"IdentificaodoPonto3", "&Id Ponto"},
        {"Las1", "Id Ponto,&Coordenadas de Entrada"},
        {"Ondulao1", "Coordenadas de &Entrada"},
        {"Executar2", "&Processa arquivo"},
        {"Cancelar1", "&Cancela processo"},
        {"Sair2", "Sa&ir"},
        {"Ilustrao1", "&Ilustrações"},
        {"N11", "&Ondulação Geoidal"},
        {"ModeloGeoidalSIRGAS1", "Modelo de Ondulação &Geoidal SIRGAS2000"},
        {"DistribuiodeDadosGravimetricosTerrestres1",
         "Distribuição de Dados Gravimétricos &Terrestres"},
        {"DiferenasentreNIVORA2004NIVora20101", "Di&ferenças entre  NIVORA2010 - NIVORA2015"},
        {"erromdiogeoide1", "&Discrepâncias no Modelo de Ondulação Geoidal"},
        {"Ajuda1", "&Ajuda"},
        {"AjudaNNIVORA20041", "&Ajuda NIVORA2015"},
        {"Sobre1", "&Sobre"},
    };
    for (const auto& [item, legenda] : linhas) QTest::newRow(item) << U(item) << U(legenda);
  }
  void menus() {
    QFETCH(QString, item);
    QFETCH(QString, legenda);
    JanelaDeTeste t;
    if (auto* menu = t.janela->findChild<QMenu*>(item)) {
      QCOMPARE(menu->title(), legenda);
    } else {
      auto* acao = t.janela->findChild<QAction*>(item);
      QVERIFY2(acao != nullptr, qPrintable(item));
      QCOMPARE(acao->text(), legenda);
      QVERIFY(acao->isEnabled());
    }
  }

  // Regression: the seconds fields cut the first digit of "48.3600". Every field
  // shows its longest normalised text whole, in whatever font loaded.
  void fieldsShowTheirWholeText_data() {
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QString>("campo");
    QTest::addColumn<QString>("texto");
    QTest::newRow("identificador") << false << "ed_IdPonto"
                                   << "WWWWWWWW";
    QTest::newRow("sinal") << false << "Ed_sinal_Lat"
                           << "+";
    QTest::newRow("grau lat") << false << "Ed_grau_Lat"
                              << "88";
    QTest::newRow("minuto lat") << false << "Ed_min_Lat"
                                << "59";
    QTest::newRow("segundo lat") << false << "Ed_seg_Lat"
                                 << "48.3600";
    QTest::newRow("segundo lat 8") << false << "Ed_seg_Lat"
                                   << "88.8888";
    QTest::newRow("grau lon") << false << "Ed_grau_Lon"
                              << "88";
    QTest::newRow("minuto lon") << false << "Ed_min_Lon"
                                << "59";
    QTest::newRow("segundo lon") << false << "Ed_seg_Lon"
                                 << "88.8888";
    QTest::newRow("latitude") << true << "Ed_Lat"
                              << "88.8888";
    QTest::newRow("longitude") << true << "Ed_Lon"
                               << "88.8888";
    QTest::newRow("ondulacao") << true << "Ed_Ondulacao"
                               << "     -888.88";
    QTest::newRow("padrao") << true << "Edt_Entrada"
                            << "ID   (+/-)GG   MM   SS.SSSS   -GG   MM   SS.SSSS";
  }
  void fieldsShowTheirWholeText() {
    QFETCH(bool, decimal);
    QFETCH(QString, campo);
    QFETCH(QString, texto);
    JanelaDeTeste t;
    t.Controle<QRadioButton>(decimal ? "RadioButton1" : "RadioButton2")->setChecked(true);
    QLineEdit* c = t.Campo(qPrintable(campo));
    QVERIFY(c->isVisible());
    c->setText(texto);
    // Where QLineEdit draws its text: the style's contents rectangle less the text
    // margins and the 2-pixel inner margin on each side; one pixel more for the cursor.
    QStyleOptionFrame opcao;
    opcao.initFrom(c);
    opcao.lineWidth = c->hasFrame() ? c->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
    const QRect area = c->style()
                           ->subElementRect(QStyle::SE_LineEditContents, &opcao, c)
                           .marginsRemoved(c->textMargins())
                           .adjusted(2, 0, -2, 0);
    const int largura = QFontMetrics(c->font()).horizontalAdvance(texto) + 1;
    QVERIFY2(largura <= area.width(), qPrintable(QStringLiteral("%1: %2 px in %3 px (%4)")
                                                     .arg(texto)
                                                     .arg(largura)
                                                     .arg(area.width())
                                                     .arg(QFontInfo(c->font()).family())));
  }

  void notationButtonsDoNotTouch() {
    JanelaDeTeste t;
    auto* decimal = t.Controle<QRadioButton>("RadioButton1");
    auto* gms = t.Controle<QRadioButton>("RadioButton2");
    for (QRadioButton* r : {decimal, gms}) QVERIFY(r->sizeHint().width() <= r->width());
    // A clear gap between the end of "Graudecimal" and the GMS button.
    QVERIFY(decimal->x() + decimal->sizeHint().width() + 8 <= gms->x());
    QVERIFY(gms->geometry().right() < t.Controle("GroupBox1")->width());
  }

  void tabOrderStartsAtTheSelectedButton() {
    JanelaDeTeste t;
    QCOMPARE(QApplication::focusWidget(), t.Controle("RadioButton2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), t.Controle("CheckBox1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), t.Controle("RadioButton2"));
    // After a change of notation Tab reaches the new choice, and only it.
    t.Controle<QRadioButton>("RadioButton1")->setChecked(true);
    t.Controle("CheckBox1")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), t.Controle("RadioButton1"));
  }

  // Regression: with a submenu of "Entradas" open, Alt+I picked "Sair" in it and
  // ended the program. Every access key of the menu bar against every open menu.
  void altLetterWithAMenuOpen_data() {
    QTest::addColumn<QStringList>("abertos");  // menus opened, outermost first
    QTest::addColumn<QString>("acessos");      // access key that opens each submenu
    QTest::addColumn<QString>("tecla");
    QTest::addColumn<QString>("esperado");  // the menu open afterwards
    const std::pair<QStringList, const char*> cadeias[] = {
        {{"Arquivo1"}, ""},
        {{"Arquivo1", "Manual1"}, "V"},
        {{"Arquivo1", "Arquivo2"}, "A"},
        {{"Arquivo1", "Arquivo2", "Entrada1"}, "AE"},
        {{"Arquivo1", "Arquivo2", "Sada1"}, "AS"},
        {{"Ilustrao1"}, ""},
        {{"Ajuda1"}, ""}};
    const std::pair<const char*, const char*> teclas[] = {
        {"E", "Arquivo1"}, {"I", "Ilustrao1"}, {"A", "Ajuda1"}};
    for (const auto& [abertos, acessos] : cadeias)
      for (const auto& [tecla, menu] : teclas)
        QTest::addRow("%s + Alt+%s", qPrintable(abertos.join('>')), tecla)
            << abertos << U(acessos) << U(tecla) << U(menu);
  }
  void altLetterWithAMenuOpen() {
    QFETCH(QStringList, abertos);
    QFETCH(QString, acessos);
    QFETCH(QString, tecla);
    QFETCH(QString, esperado);
    for (const bool altSozinho : {false, true}) {
      JanelaDeTeste t;
      QSignalSpy acionadas(t.janela->menuBar(), &QMenuBar::triggered);
      t.janela->menuBar()->setActiveAction(
          t.janela->findChild<QMenu*>(abertos.first())->menuAction());
      for (qsizetype i = 0; i < abertos.size(); ++i) {
        if (i > 0) QTest::keyClick(QApplication::activePopupWidget(), acessos.at(i - 1).toLatin1());
        QTRY_COMPARE(QApplication::activePopupWidget(),
                     static_cast<QWidget*>(t.janela->findChild<QMenu*>(abertos[i])));
      }
      // As typed on a keyboard: the Alt press first, then the letter with Alt held.
      if (altSozinho) QTest::keyPress(QApplication::activePopupWidget(), Qt::Key_Alt);
      QWidget* alvo = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                        : QApplication::focusWidget();
      QTest::keyClick(alvo, tecla.at(0).toLatin1(), Qt::AltModifier);
      QTRY_COMPARE(QApplication::activePopupWidget(),
                   static_cast<QWidget*>(t.janela->findChild<QMenu*>(esperado)));
      QVERIFY(t.janela->isVisible());
      QCOMPARE(acionadas.count(), 0);
      QVERIFY(t.plataforma.mensagens.empty() && t.plataforma.documentos.empty());
    }
  }

  void standardBoxesInPortuguese() {
    QVERIFY(nivora::CarregarTraducoesQt(*static_cast<QApplication*>(QApplication::instance())));
    QMessageBox caixa;
    caixa.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(caixa.button(QMessageBox::Yes)->text(), U("&Sim"));
    QCOMPARE(caixa.button(QMessageBox::No)->text(), U("&Não"));
    QCOMPARE(caixa.button(QMessageBox::Cancel)->text(), U("Cancelar"));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Save As"), U("Salvar como"));
    QCOMPARE(QCoreApplication::translate("QLineEdit", "&Paste"), U("C&olar"));
    // The program's own captions are not touched.
    JanelaDeTeste t;
    QCOMPARE(t.janela->windowTitle(), U("QIRA - NIVORA2015 - Versão 1.0 "));
    QCOMPARE(t.janela->findChild<QAction*>("Sair2")->text(), U("Sa&ir"));
  }

  void modeCascades() {
    JanelaDeTeste t;
    auto* teclado = t.Controle<QCheckBox>("CheckBox1");
    auto* arquivo = t.Controle<QCheckBox>("CheckBox2");
    // Keyboard entry on: the GMS fields chosen at start-up, all enabled.
    teclado->setChecked(true);
    VerificaTeclado(t, true);
    QVERIFY(t.Campo("Ed_grau_Lat")->isVisible());
    t.Preencher({{"ed_IdPonto", "P1"}, {"Ed_grau_Lat", "15"}, {"Ed_Ondulacao", "x"}});
    // File entry on: keyboard off, emptied and disabled, file buttons on.
    t.Controle<QLineEdit>("Ed_EntradaArquivo")->setText("a.txt");
    arquivo->setChecked(true);
    QVERIFY(!teclado->isChecked());
    VerificaTeclado(t, false);
    QVERIFY(CamposVazios(t));
    for (const char* nome : kBotoesArquivo) QVERIFY2(t.Controle(nome)->isEnabled(), nome);
    QVERIFY(t.Campo("Ed_EntradaArquivo")->text().isEmpty());
    // A format box ticked, then keyboard entry on again: the box is unticked.
    t.Controle<QCheckBox>("Chck_LatLon_Dec")->setChecked(true);
    QCOMPARE(t.Controle<QListWidget>("ListBox1")->count(), 1);
    teclado->setChecked(true);
    QVERIFY(!arquivo->isChecked());
    QVERIFY(!t.Controle<QCheckBox>("Chck_LatLon_Dec")->isChecked());
    QCOMPARE(t.Controle<QListWidget>("ListBox1")->count(), 0);
    for (const char* nome : kBotoesArquivo) QVERIFY2(!t.Controle(nome)->isEnabled(), nome);
    // Keyboard entry off: neither mode.
    t.Preencher({{"ed_IdPonto", "P1"}});
    teclado->setChecked(false);
    QVERIFY(!arquivo->isChecked());
    VerificaTeclado(t, false);
    QVERIFY(CamposVazios(t));
  }

  void radioChangesNotation() {
    JanelaDeTeste t;
    t.Controle<QRadioButton>("RadioButton1")->setChecked(true);
    QVERIFY(t.Controle<QCheckBox>("CheckBox1")->isChecked());
    QVERIFY(t.Campo("Ed_Lat")->isVisible() && t.Campo("Ed_Lat")->isEnabled());
    QVERIFY(!t.Campo("Ed_grau_Lat")->isVisible() && !t.Campo("Ed_grau_Lat")->isEnabled());
    t.Preencher({{"ed_IdPonto", "P1"}, {"Ed_Lat", "15.5"}, {"Ed_Ondulacao", "  -11.24"}});
    // Choosing the other notation empties everything, identifier and result included.
    t.Controle<QRadioButton>("RadioButton2")->setChecked(true);
    QVERIFY(CamposVazios(t));
    QVERIFY(t.Campo("Ed_grau_Lat")->isVisible());
    QVERIFY(!t.Campo("Ed_Lat")->isVisible());
    // Re-selecting the selected notation runs nothing.
    t.Preencher({{"ed_IdPonto", "P2"}});
    t.Controle<QRadioButton>("RadioButton2")->setChecked(true);
    QCOMPARE(t.Campo("ed_IdPonto")->text(), QStringLiteral("P2"));
  }

  // The six-row table of the "Via Teclado" notation entries.
  void notationTable_data() {
    QTest::addColumn<QString>("modo");  // teclado, arquivo, nenhum
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QString>("entrada");  // Latitude1 or Longirude1
    QTest::addColumn<QString>("modoDepois");
    QTest::addColumn<bool>("decimalDepois");
    QTest::addColumn<bool>("camposMantidos");
    QTest::addColumn<bool>("arquivoLimpo");  // file-name fields emptied
    QTest::newRow("teclado dec + Grau Decimal") << "teclado" << true << "Latitude1"
                                                << "teclado" << true << true << true;
    QTest::newRow("teclado dec + GMS") << "teclado" << true << "Longirude1"
                                       << "teclado" << false << false << true;
    QTest::newRow("teclado GMS + Grau Decimal") << "teclado" << false << "Latitude1"
                                                << "teclado" << true << false << true;
    QTest::newRow("teclado GMS + GMS") << "teclado" << false << "Longirude1"
                                       << "teclado" << false << true << true;
    QTest::newRow("arquivo dec + Grau Decimal") << "arquivo" << true << "Latitude1"
                                                << "arquivo" << true << false << false;
    QTest::newRow("arquivo dec + GMS") << "arquivo" << true << "Longirude1"
                                       << "teclado" << false << false << true;
    QTest::newRow("arquivo GMS + Grau Decimal") << "arquivo" << false << "Latitude1"
                                                << "teclado" << true << false << true;
    QTest::newRow("arquivo GMS + GMS") << "arquivo" << false << "Longirude1"
                                       << "arquivo" << false << false << true;
    QTest::newRow("nenhum dec + Grau Decimal") << "nenhum" << true << "Latitude1"
                                               << "nenhum" << true << false << false;
    QTest::newRow("nenhum dec + GMS") << "nenhum" << true << "Longirude1"
                                      << "teclado" << false << false << true;
    QTest::newRow("nenhum GMS + Grau Decimal") << "nenhum" << false << "Latitude1"
                                               << "teclado" << true << false << true;
    QTest::newRow("nenhum GMS + GMS") << "nenhum" << false << "Longirude1"
                                      << "nenhum" << false << false << true;
  }
  void notationTable() {
    QFETCH(QString, modo);
    QFETCH(bool, decimal);
    QFETCH(QString, entrada);
    QFETCH(QString, modoDepois);
    QFETCH(bool, decimalDepois);
    QFETCH(bool, camposMantidos);
    QFETCH(bool, arquivoLimpo);
    JanelaDeTeste t;
    auto* teclado = t.Controle<QCheckBox>("CheckBox1");
    auto* arquivo = t.Controle<QCheckBox>("CheckBox2");
    t.Controle<QRadioButton>(decimal ? "RadioButton1" : "RadioButton2")->setChecked(true);
    t.Controle<QCheckBox>("CheckBox1")->setChecked(true);
    teclado->setChecked(true);  // the start-up notation leaves keyboard entry off
    if (modo == "arquivo") arquivo->setChecked(true);
    if (modo == "nenhum") teclado->setChecked(false);
    if (modo == "teclado") {
      t.Preencher({{"ed_IdPonto", "P1"}, {"Ed_sinal_Lat", "-"}, {"Ed_Ondulacao", "      -11.24"}});
    }
    t.Campo("Ed_EntradaArquivo")->setText("entrada.txt");
    const bool botoesArquivoAntes = t.Controle("bbt_ProcessaArq")->isEnabled();

    t.janela->findChild<QAction*>(entrada)->trigger();

    QVERIFY(t.plataforma.mensagens.empty());
    QCOMPARE(teclado->isChecked(), modoDepois == "teclado");
    QCOMPARE(arquivo->isChecked(), modoDepois == "arquivo");
    QCOMPARE(t.Controle<QRadioButton>("RadioButton1")->isChecked(), decimalDepois);
    QCOMPARE(t.Campo("Ed_Lat")->isVisible(), decimalDepois);
    QCOMPARE(t.Campo("Ed_grau_Lat")->isVisible(), !decimalDepois);
    QCOMPARE(t.Campo("ed_IdPonto")->text().isEmpty(), !camposMantidos);
    QCOMPARE(t.Campo("ed_IdPonto")->isEnabled(), modoDepois == "teclado");
    QCOMPARE(t.Campo("Ed_EntradaArquivo")->text().isEmpty(), arquivoLimpo);
    const bool botoesArquivo =
        modoDepois == "arquivo" ? true : (modoDepois == "teclado" ? false : botoesArquivoAntes);
    QCOMPARE(t.Controle("bbt_ProcessaArq")->isEnabled(), botoesArquivo);
    // The radio button of the entry has the focus.
    QCOMPARE(QApplication::focusWidget(),
             t.Controle(entrada == "Latitude1" ? "RadioButton1" : "RadioButton2"));
  }

  // A "-" or "+" typed where the latitude begins sets the sign field (regression: the
  // minus was dropped and the point went north of the equator); nowhere else.
  void keyFilters_data() {
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QString>("campo");
    QTest::addColumn<QString>("teclas");
    QTest::addColumn<QString>("texto");  // before the field is left
    QTest::addColumn<QString>("sinal");  // the sign field afterwards
    struct Linha {
      const char* nome;
      bool decimal;
      const char *campo, *teclas, *texto, *sinal;
    };
    const Linha linhas[] = {
        {"virgula vira ponto", true, "Ed_Lat", "12,5", "12.5", ""},
        {"um separador so", true, "Ed_Lat", "12,5.3,1", "12.531", ""},
        {"latitude sul", true, "Ed_Lat", "-3.1190", "3.1190", "-"},
        {"sinais e letras", true, "Ed_Lat", "-1a+2 ", "12", "+"},
        {"longitude", true, "Ed_Lon", "-47.8x", "47.8", ""},
        {"segundos", false, "Ed_seg_Lon", "59,99", "59.99", ""},
        {"grau sul", false, "Ed_grau_Lat", "-3", "3", "-"},
        {"grau so digitos", false, "Ed_grau_Lat", "1.a5", "15", ""},
        {"minuto sem sinal", false, "Ed_min_Lat", "-12", "12", ""},
        {"minuto dois digitos", false, "Ed_min_Lon", "123", "12", ""},
        {"sinal menos", false, "Ed_sinal_Lat", "a-+", "-", "-"},
        {"sinal branco", false, "Ed_sinal_Lat", "x -", " ", " "},
        {"sinal mais", false, "Ed_sinal_Lat", "9+", "+", "+"},
        {"identificador maiusculas", false, "ed_IdPonto", "ab-1.x", "AB-1.X", ""},
        {"identificador oito", false, "ed_IdPonto", "abcdefghij", "ABCDEFGH", ""},
    };
    for (const Linha& l : linhas)
      QTest::newRow(l.nome) << l.decimal << U(l.campo) << U(l.teclas) << U(l.texto) << U(l.sinal);
  }
  void keyFilters() {
    QFETCH(bool, decimal);
    QFETCH(QString, campo);
    QFETCH(QString, teclas);
    QFETCH(QString, texto);
    QFETCH(QString, sinal);
    JanelaDeTeste t;
    t.Controle<QRadioButton>(decimal ? "RadioButton1" : "RadioButton2")->setChecked(true);
    t.Controle<QCheckBox>("CheckBox1")->setChecked(true);
    QLineEdit* c = t.Campo(qPrintable(campo));
    c->setFocus(Qt::TabFocusReason);
    for (const QChar ch : teclas) QTest::keyClick(c, ch.toLatin1());
    QCOMPARE(c->text(), texto);
    QCOMPARE(t.Campo("Ed_sinal_Lat")->text(), sinal);
  }

  void clipboardShortcuts() {
    JanelaDeTeste t;
    t.Controle<QRadioButton>("RadioButton1")->setChecked(true);
    QApplication::clipboard()->setText("99");
    QLineEdit* lat = t.Campo("Ed_Lat");
    lat->setFocus(Qt::TabFocusReason);
    QTest::keyClick(lat, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(lat->text(), QString());
    // The identifier has no filter: pasting works there.
    QLineEdit* id = t.Campo("ed_IdPonto");
    id->setFocus(Qt::TabFocusReason);
    QTest::keyClick(id, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(id->text(), QStringLiteral("99"));
    // Text set past the filters: the longitude loses its signs at once.
    t.Campo("Ed_Lon")->setText("-+47.8-");
    QCOMPARE(t.Campo("Ed_Lon")->text(), QStringLiteral("47.8"));
  }

  void normalisationOnLeaving_data() {
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QString>("campo");
    QTest::addColumn<QString>("antes");
    QTest::addColumn<QString>("depois");
    QTest::newRow("5.5") << true << "Ed_Lat"
                         << "5.5"
                         << "05.5000";
    QTest::newRow("15") << true << "Ed_Lat"
                        << "15"
                        << "15.0000";
    QTest::newRow(".5") << true << "Ed_Lat"
                        << ".5"
                        << "00.5000";
    QTest::newRow("decimais cortados") << true << "Ed_Lat"
                                       << "15.123456"
                                       << "15.1234";
    QTest::newRow("inteiro cortado") << true << "Ed_Lat"
                                     << "123.4"
                                     << "12.4000";
    QTest::newRow("vazio") << true << "Ed_Lat"
                           << ""
                           << "";
    QTest::newRow("colado com lixo") << true << "Ed_Lat"
                                     << " -1a2,5 "
                                     << "12.5000";
    QTest::newRow("longitude virgula") << true << "Ed_Lon"
                                       << "47,8"
                                       << "47.8000";
    QTest::newRow("segundos") << false << "Ed_seg_Lon"
                              << "59.99999"
                              << "59.9999";
    QTest::newRow("segundos 5") << false << "Ed_seg_Lon"
                                << "5"
                                << "05.0000";
    QTest::newRow("grau 7") << false << "Ed_grau_Lat"
                            << "7"
                            << "07";
    QTest::newRow("grau vazio") << false << "Ed_grau_Lat"
                                << ""
                                << "";
    QTest::newRow("minuto 12") << false << "Ed_min_Lat"
                               << "12"
                               << "12";
    QTest::newRow("minuto colado") << false << "Ed_min_Lon"
                                   << "+5"
                                   << "05";
    QTest::newRow("identificador livre") << false << "ed_IdPonto"
                                         << " a.b "
                                         << " A.B ";
    QTest::newRow("sinal livre") << false << "Ed_sinal_Lat"
                                 << " "
                                 << " ";
  }
  void normalisationOnLeaving() {
    QFETCH(bool, decimal);
    QFETCH(QString, campo);
    QFETCH(QString, antes);
    QFETCH(QString, depois);
    JanelaDeTeste t;
    t.Controle<QRadioButton>(decimal ? "RadioButton1" : "RadioButton2")->setChecked(true);
    t.Controle<QCheckBox>("CheckBox1")->setChecked(true);
    QLineEdit* c = t.Campo(qPrintable(campo));
    c->setFocus(Qt::TabFocusReason);
    c->setText(antes);
    QTest::keyClick(c, Qt::Key_Tab);
    QVERIFY(!c->hasFocus());
    QCOMPARE(c->text(), depois);
  }

  void yellowBackgroundOnEntering_data() {
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QString>("campo");
    QTest::addColumn<bool>("amarelo");
    QTest::newRow("identificador") << false << "ed_IdPonto" << true;
    QTest::newRow("sinal") << false << "Ed_sinal_Lat" << true;
    QTest::newRow("grau") << false << "Ed_grau_Lat" << true;
    QTest::newRow("segundo lon") << false << "Ed_seg_Lon" << true;
    QTest::newRow("latitude decimal") << true << "Ed_Lat" << false;
    QTest::newRow("longitude decimal") << true << "Ed_Lon" << false;
  }
  void yellowBackgroundOnEntering() {
    QFETCH(bool, decimal);
    QFETCH(QString, campo);
    QFETCH(bool, amarelo);
    JanelaDeTeste t;
    t.Controle<QRadioButton>(decimal ? "RadioButton1" : "RadioButton2")->setChecked(true);
    t.Controle<QCheckBox>("CheckBox1")->setChecked(true);
    QLineEdit* c = t.Campo(qPrintable(campo));
    const QColor padrao = c->palette().color(QPalette::Base);
    c->setFocus(Qt::TabFocusReason);
    QCOMPARE(c->palette().color(QPalette::Base) == QColor(Qt::yellow), amarelo);
    QTest::keyClick(c, Qt::Key_Tab);
    QCOMPARE(c->palette().color(QPalette::Base), padrao);
  }

  void enterFollowsTheTabOrder_data() {
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QStringList>("caminho");
    QTest::newRow("GMS") << false << QStringList{"ed_IdPonto", "Ed_sinal_Lat", "Ed_grau_Lat",
                                                 "Ed_min_Lat", "Ed_seg_Lat",   "Ed_grau_Lon",
                                                 "Ed_min_Lon", "Ed_seg_Lon",   "bbt_ProcessaPonto"};
    QTest::newRow("decimal") << true
                             << QStringList{"ed_IdPonto", "Ed_sinal_Lat", "Ed_Lat", "Ed_Lon",
                                            "bbt_ProcessaPonto"};
  }
  void enterFollowsTheTabOrder() {
    QFETCH(bool, decimal);
    QFETCH(QStringList, caminho);
    JanelaDeTeste t;
    t.Controle<QRadioButton>(decimal ? "RadioButton1" : "RadioButton2")->setChecked(true);
    t.Controle<QCheckBox>("CheckBox1")->setChecked(true);
    QWidget* primeiro = t.janela->findChild<QWidget*>(caminho.first());
    primeiro->setFocus(Qt::TabFocusReason);
    for (qsizetype i = 1; i < caminho.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
      QCOMPARE(QApplication::focusWidget()->objectName(), caminho[i]);
    }
    QVERIFY(t.plataforma.mensagens.empty());  // no button was pressed on the way
  }

  void enterNeverReachesAFieldAndPressesAButton() {
    JanelaDeTeste t;
    t.Controle<QRadioButton>("RadioButton1")->setChecked(true);
    QLineEdit* lat = t.Campo("Ed_Lat");
    QSignalSpy retorno(lat, &QLineEdit::returnPressed);
    lat->setFocus(Qt::TabFocusReason);
    QTest::keyClick(lat, '1');
    QTest::keyClick(lat, Qt::Key_Enter);
    QCOMPARE(retorno.count(), 0);
    QCOMPARE(QApplication::focusWidget(), t.Campo("Ed_Lon"));
    QCOMPARE(lat->text(), QStringLiteral("01.0000"));  // left through Enter, normalised
    // Enter on a focused button presses it: the empty longitude is reported.
    t.Controle("bbt_ProcessaPonto")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(t.Controle("bbt_ProcessaPonto"), Qt::Key_Return);
    QCOMPARE(t.plataforma.Textos(), std::vector<std::string>{"Longitude n\xE3o preenchida"});
  }

  void focusFailureWithKeyboardEntryOff_data() {
    QTest::addColumn<QString>("item");
    QTest::newRow("ID do Ponto") << "IdentificaodoPonto1";
    QTest::newRow("Processa ponto") << "Executar1";
  }
  void focusFailureWithKeyboardEntryOff() {
    QFETCH(QString, item);
    JanelaDeTeste t;
    EscreverGrade(t.PastaAplicacao(), [](double, double) { return 1.0; });
    t.Controle<QCheckBox>("CheckBox2")->setChecked(true);
    t.Controle<QCheckBox>("Chck_LatLon_Dec")->setChecked(true);
    t.janela->findChild<QAction*>(item)->trigger();
    // The standard error report says what to do, and nothing else runs.
    QCOMPARE(t.plataforma.mensagens.size(), size_t{1});
    QCOMPARE(t.plataforma.mensagens[0].texto,
             std::string("A entrada via teclado est\xE1 desligada: marque ENTRADA VIA TECLADO "
                         "para digitar e processar um ponto."));
    QCOMPARE(t.plataforma.mensagens[0].titulo, std::string("NIVORA2015 v1.0"));
    QVERIFY(t.Campo("Ed_Ondulacao")->text().isEmpty());
    QCOMPARE(t.plataforma.bombeamentos, 0);
    // LimpaEntradaArquivo ran first: format box unticked, file buttons off,
    // the mode box left as it was.
    QVERIFY(!t.Controle<QCheckBox>("Chck_LatLon_Dec")->isChecked());
    QVERIFY(!t.Controle("bbt_ProcessaArq")->isEnabled());
    QVERIFY(t.Controle<QCheckBox>("CheckBox2")->isChecked());
  }

  void idMenuFocusesTheIdentifier() {
    JanelaDeTeste t;
    t.Controle<QCheckBox>("CheckBox1")->setChecked(true);
    t.janela->findChild<QAction*>("IdentificaodoPonto1")->trigger();
    QVERIFY(t.plataforma.mensagens.empty());
    QCOMPARE(QApplication::focusWidget(), t.Campo("ed_IdPonto"));
  }

  void clearFieldsMenu() {
    JanelaDeTeste t;
    t.Controle<QCheckBox>("CheckBox1")->setChecked(true);
    t.Preencher({{"ed_IdPonto", "P"},
                 {"Ed_sinal_Lat", "-"},
                 {"Ed_grau_Lat", "15"},
                 {"Ed_seg_Lon", "1.0000"},
                 {"Ed_Ondulacao", "x"}});
    t.janela->findChild<QAction*>("Limparcampos1")->trigger();
    QVERIFY(CamposVazios(t));
    t.Preencher({{"Ed_min_Lat", "1"}});
    QTest::mouseClick(t.Controle("bbt_Limpa"), Qt::LeftButton);
    QVERIFY(CamposVazios(t));
  }

  void documents() {
    JanelaDeTeste t;
    const QString pasta = t.janela->Estado().PastaPrograma;
    for (const char* item :
         {"ModeloGeoidalSIRGAS1", "DistribuiodeDadosGravimetricosTerrestres1",
          "DiferenasentreNIVORA2004NIVora20101", "erromdiogeoide1", "AjudaNNIVORA20041"}) {
      t.janela->findChild<QAction*>(item)->trigger();
    }
    const std::vector<QString> esperados = {
        pasta + "imagens/NIVORA2015.pdf", pasta + "imagens/rede_NIVORA2015.pdf",
        pasta + "imagens/diferencas_NIVORA2015.pdf", pasta + "imagens/discrepancias_NIVORA2015.pdf",
        t.janela->Estado().PastaAplicacao + "Ajuda_Nivora2015.html"};
    QCOMPARE(t.plataforma.documentos, esperados);
    QVERIFY(t.plataforma.mensagens.empty());
    // Where the desktop opens nothing, a box names the file and what could not open it:
    // the platform's own reason, here with no xdg-open on the way.
    const QByteArray caminhoAntes = qgetenv("PATH");
    qputenv("PATH", "/nenhuma");
    t.plataforma.falhaAoAbrir = nivora::PlataformaQt().AbrirDocumento(esperados.back());
    qputenv("PATH", caminhoAntes);
    QVERIFY(t.plataforma.falhaAoAbrir &&
            t.plataforma.falhaAoAbrir->find("xdg-open") != std::string::npos);
    t.janela->findChild<QAction*>("AjudaNNIVORA20041")->trigger();
    QCOMPARE(t.plataforma.Textos(),
             std::vector<std::string>{"N\xE3o foi poss\xEDvel abrir o arquivo\r" +
                                      esperados.back().toStdString() + "\r" +
                                      *t.plataforma.falhaAoAbrir});
  }

  // Regression: the file dialog cut its columns ("281...tes"). Once a folder is read,
  // every column is as wide as its contents and the dialog shows them all.
  void fileDialogShowsItsColumns() {
    QTemporaryDir pasta, ajustes;
    // Column widths a user left in Qt's settings stay out of it, and the test leaves none.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, ajustes.path());
    GravarArquivo(pasta.path() + "/pontos_com_um_nome_bem_comprido.txt", QByteArray(281, 'x'));
    QFileDialog caixa(nullptr, QString(), pasta.path());
    caixa.setOption(QFileDialog::DontUseNativeDialog);
    nivora::DimensionarDialogoArquivo(caixa);
    QSignalSpy lida(caixa.findChild<QFileSystemModel*>(), &QFileSystemModel::directoryLoaded);
    caixa.show();
    QTRY_VERIFY(!lida.isEmpty());
    auto* arvore = caixa.findChild<QTreeView*>("treeView");
    QCOMPARE(arvore->model()->rowCount(arvore->rootIndex()), 1);
    QHeaderView* cabecalho = arvore->header();
    int soma = 0;
    for (int coluna = 0; coluna < cabecalho->count(); ++coluna) {
      const int largura = cabecalho->sectionSize(coluna);
      arvore->resizeColumnToContents(coluna);  // what its contents need
      QVERIFY2(cabecalho->sectionSize(coluna) <= largura, qPrintable(QString::number(coluna)));
      soma += largura;
    }
    QVERIFY(soma <= arvore->viewport()->width());
  }

  void auxiliaryWindowsAreUnique() {
    JanelaDeTeste t;
    const auto contar = [](const char* classe) {
      int n = 0;
      for (QWidget* w : QApplication::topLevelWidgets()) n += w->inherits(classe) ? 1 : 0;
      return n;
    };
    const int ilustracoes = contar("TForm2");
    t.janela->findChild<QAction*>("N11")->trigger();
    t.janela->findChild<QAction*>("N11")->trigger();
    QVERIFY(t.janela->Ilustracao()->isVisible());
    QCOMPARE(contar("TForm2"), ilustracoes);
    t.janela->findChild<QAction*>("Sobre1")->trigger();
    TAboutBox* sobre = t.janela->Sobre();
    QVERIFY(sobre != nullptr && sobre->isVisible());
    sobre->hide();
    t.janela->findChild<QAction*>("Sobre1")->trigger();
    QCOMPARE(t.janela->Sobre(), sobre);
    QVERIFY(sobre->isVisible());
    QCOMPARE(contar("TAboutBox"), 1);
  }

  void exitClosesAndAsksForCancel() {
    JanelaDeTeste t;
    t.janela->findChild<QAction*>("Sair2")->trigger();
    QVERIFY(!t.janela->isVisible());
    QVERIFY(t.janela->Estado().CancelaProcesso);
  }

  void minimalFileFormat() {
    // The format boxes keep the token list and the composed display; unticking all
    // of them (as the keyboard mode does) empties both.
    JanelaDeTeste t;
    t.Controle<QCheckBox>("ChckBx_Ponto_E")->setChecked(true);
    QVERIFY(t.Controle<QCheckBox>("CheckBox2")->isChecked());
    t.Controle<QCheckBox>("Chck_LatLon_Dec")->setChecked(true);
    auto* lista = t.Controle<QListWidget>("ListBox1");
    QCOMPARE(lista->count(), 2);
    QCOMPARE(lista->item(0)->text(), QStringLiteral("ID"));
    QCOMPARE(lista->item(1)->text(), QStringLiteral("0"));
    QCOMPARE(t.Campo("Edt_Entrada")->text(), QStringLiteral("ID   (+/-)GG.DDDD   -GG.DDDD"));
    QCOMPARE(t.Controle<QLabel>("L_1")->text(),
             U("Identificação Latitude(G.DDDD) Longitude(G.DDDD)"));
    t.Controle<QCheckBox>("Chck_LonLat_GMS")->setChecked(true);
    QVERIFY(!t.Controle<QCheckBox>("Chck_LatLon_Dec")->isChecked());
    QCOMPARE(lista->count(), 2);
    QCOMPARE(lista->item(1)->text(), QStringLiteral("3"));
    QCOMPARE(t.janela->Estado().FormatoCoord, std::string("3"));
    t.Controle<QCheckBox>("CheckBox1")->setChecked(true);
    QCOMPARE(lista->count(), 0);
    QVERIFY(t.Campo("Edt_Entrada")->text().isEmpty());
    QVERIFY(t.Controle<QLabel>("L_1")->text().isEmpty());
    QCOMPARE(t.janela->Estado().FormatoCoord, std::string("3"));
  }

  // Regression: started through a link (an installation's bin/), the documents
  // were looked for beside the link instead of beside the program.
  void programFolderThroughALink() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath("lib/programa") && QDir(dir.path()).mkpath("bin"));
    const QString real = dir.path() + "/lib/programa/nivora2015";
    QFile f(real);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const QString link = dir.path() + "/bin/nivora2015";
    QVERIFY(QFile::link(real, link));
    const QByteArray argv0 = QFile::encodeName(link);
    QCOMPARE(PastasDoExecutavel(argv0.constData()).programa, QFileInfo(real).canonicalPath() + "/");
    const QByteArray direto = QFile::encodeName(real);
    QCOMPARE(PastasDoExecutavel(direto.constData()).programa,
             QFileInfo(real).canonicalPath() + "/");
    // Without a folder in argument 0 (found through PATH): the executable's folder.
    QCOMPARE(PastasDoExecutavel("nivora2015").programa, PastasDoExecutavel("nivora2015").aplicacao);
  }

  void secondInstanceWarns_data() {
    QTest::addColumn<int>("trava");
    QTest::addColumn<bool>("jaRodando");
    QTest::newRow("obtida") << static_cast<int>(nivora::EstadoTrava::Obtida) << false;
    QTest::newRow("em uso") << static_cast<int>(nivora::EstadoTrava::EmUso) << true;
    QTest::newRow("sem trava possivel")
        << static_cast<int>(nivora::EstadoTrava::Indisponivel) << false;
  }
  void secondInstanceWarns() {
    QFETCH(int, trava);
    QFETCH(bool, jaRodando);
    PlataformaRoteiro p;
    p.trava = static_cast<nivora::EstadoTrava>(trava);
    QCOMPARE(nivora::JaEmExecucao(p), jaRodando);
    QCOMPARE(p.mensagens.size(), size_t{jaRodando ? 1u : 0u});
    if (jaRodando) {
      const auto& m = p.mensagens[0];
      QCOMPARE(m.texto, std::string("O sistema j\xE1 est\xE1 rodando nesta m\xE1quina."));
      QCOMPARE(m.titulo, std::string("Warning"));
      QVERIFY(m.tipo == nivora::TipoMensagem::Aviso);
      QCOMPARE(m.botoes.size(), size_t{1});
      QCOMPARE(m.botoes[0].texto, std::string("OK"));
    }
  }
};

QTEST_MAIN(TesteJanela)
#include "tst_janela.moc"
