#include "apoio.hpp"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

void EscreverGrade(const QString& pastaAplicacao,
                   const std::function<double(double, double)>& ondulacao) {
  QDir().mkpath(pastaAplicacao + QStringLiteral("grid"));
  QFile arquivo(pastaAplicacao + QStringLiteral("grid/NIVORA2015_SIRGAS2000.txt"));
  if (!arquivo.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("grade de teste");
  constexpr int kPassosPorGrau = 12;  // 5' spacing
  // Rows north to south; fixed columns: blank, lon (0..360) in 2-12, blank, lat in
  // 14-24, three blanks, N in 28-34.
  for (int i = 16 * kPassosPorGrau; i >= -17 * kPassosPorGrau; --i) {
    for (int j = -49 * kPassosPorGrau; j <= -46 * kPassosPorGrau; ++j) {
      const double lat = static_cast<double>(i) / kPassosPorGrau;
      const double lon = static_cast<double>(j) / kPassosPorGrau;
      // QString::asprintf formats with "." whatever the process locale.
      arquivo.write(
          QString::asprintf(" %11.6f %11.6f   %7.3f\r\n", lon + 360.0, lat, ondulacao(lat, lon))
              .toLatin1());
    }
  }
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
