// The window tests' fixture.
#include "apoio.hpp"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "apoio/grade.hpp"

double OndulacaoDeTeste(double latDeg, double lonDeg) {
  return -5.0 + 0.125 * latDeg - 0.0625 * (lonDeg + 47.5) + 0.01 * latDeg * (lonDeg + 47.5);
}

QByteArray LerArquivo(const QString& nome) {
  QFile arquivo(nome);
  if (!arquivo.open(QIODevice::ReadOnly)) return QByteArray("<ausente>");
  return arquivo.readAll();
}

void GravarArquivo(const QString& nome, const QByteArray& bytes) {
  QFile arquivo(nome);
  if (!arquivo.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("arquivo de teste");
  arquivo.write(bytes);
}

void EscreverGrade(const QString& pastaAplicacao, const FuncaoOndulacao& ondulacao) {
  QDir().mkpath(pastaAplicacao + QStringLiteral("grid"));
  QFile arquivo(pastaAplicacao + QStringLiteral("grid/NIVORA2015_SIRGAS2000.txt"));
  if (!arquivo.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("grade de teste");
  const double kNos = nivora::teste::kNosPorGrau;
  const std::string texto =
      nivora::teste::TextoGrade(-17, 16, -49, -46, [&](long lat12, long lon12) {
        // QString::asprintf formats with "." whatever the process locale.
        return QString::asprintf("%.3f", ondulacao(lat12 / kNos, lon12 / kNos)).toStdString();
      });
  arquivo.write(texto.data(), static_cast<qint64>(texto.size()));
}

JanelaDeTeste::JanelaDeTeste() {
  Mostrar(PastaAplicacao());
}

JanelaDeTeste::JanelaDeTeste(const FuncaoOndulacao& ondulacao) {
  EscreverGrade(PastaAplicacao(), ondulacao);
  Mostrar(PastaAplicacao());
}

JanelaDeTeste::JanelaDeTeste(const QString& pastaAplicacao) {
  Mostrar(pastaAplicacao);
}

void JanelaDeTeste::Mostrar(const QString& pastaAplicacao) {
  janela = std::make_unique<TForm1>(plataforma, PastasPrograma{pastaAplicacao, pastaAplicacao});
  janela->show();
  janela->activateWindow();
  if (!QTest::qWaitForWindowActive(janela.get())) qWarning("janela de teste inativa");
}

JanelaDeTeste::~JanelaDeTeste() {
  janela.reset();
}

QLineEdit* JanelaDeTeste::Campo(const char* nome) const {
  return Controle<QLineEdit>(nome);
}

QCheckBox* JanelaDeTeste::Caixa(const char* nome) const {
  return Controle<QCheckBox>(nome);
}

void JanelaDeTeste::Digitar(const char* nome, const QString& texto) {
  QLineEdit* campo = Campo(nome);
  campo->setFocus(Qt::TabFocusReason);
  for (const QChar c : texto) QTest::keyClick(campo, c.toLatin1());
  QTest::keyClick(campo, Qt::Key_Tab);
}

void JanelaDeTeste::Preencher(std::initializer_list<std::pair<const char*, const char*>> campos) {
  for (const auto& [nome, texto] : campos) Campo(nome)->setText(QString::fromUtf8(texto));
}

QString JanelaDeTeste::Lista() const {
  QStringList itens;
  const auto* lista = Controle<QListWidget>("ListBox1");
  for (int i = 0; i < lista->count(); ++i) itens << lista->item(i)->text();
  return itens.join(QLatin1Char(','));
}

void JanelaDeTeste::Arquivos(const QString& entrada, const QString& saida) {
  const std::size_t mensagens = plataforma.mensagens.size();
  plataforma.arquivosAbrir.push_back(entrada);
  janela->findChild<QAction*>("NomedoArquivodeEntrada1")->trigger();
  plataforma.mensagens.resize(mensagens);
  Campo("Ed_SaidaArquivo")->setText(saida);
}

void JanelaDeTeste::Processar() {
  Controle<QPushButton>("bbt_ProcessaArq")->click();
}

bool JanelaDeTeste::Ocioso() const {
  return !janela->Processando() && !Controle("bbt_ProcessaArq")->isHidden() &&
         Controle("bbt_Cancela")->isHidden() && plataforma.cursorProfundidade == 0;
}
