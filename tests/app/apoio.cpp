#include "apoio.hpp"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include "apoio/grade.hpp"

void EscreverGrade(const QString& pastaAplicacao,
                   const std::function<double(double, double)>& ondulacao) {
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
  janela = std::make_unique<TForm1>(plataforma, PastasPrograma{PastaAplicacao(), PastaAplicacao()});
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

void JanelaDeTeste::Digitar(const char* nome, const QString& texto) {
  QLineEdit* campo = Campo(nome);
  campo->setFocus(Qt::TabFocusReason);
  for (const QChar c : texto) QTest::keyClick(campo, c.toLatin1());
  QTest::keyClick(campo, Qt::Key_Tab);
}

void JanelaDeTeste::Preencher(std::initializer_list<std::pair<const char*, const char*>> campos) {
  for (const auto& [nome, texto] : campos) Campo(nome)->setText(QString::fromUtf8(texto));
}
