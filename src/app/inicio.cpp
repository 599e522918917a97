// Start-up of the window program: translations, the single-instance guard, the window.
#include "app/inicio.hpp"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

#include "app/map.hpp"
#include "app/plataforma.hpp"

namespace nivora {

bool JaEmExecucao(Plataforma& plataforma) {
  if (plataforma.TravarInstancia() != EstadoTrava::EmUso) return false;
  plataforma.MostrarMensagem(CaixaOk(TipoMensagem::Aviso, kTituloAviso, kMensagemJaRodando, "OK"));
  return true;
}

bool CarregarTraducoesQt(QApplication& aplicacao) {
  auto traducao = std::make_unique<QTranslator>();
  if (!traducao->load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return false;
  }
  traducao->setParent(&aplicacao);  // lives as long as the application
  return QCoreApplication::installTranslator(traducao.release());
}

int ExecutarPrograma(QApplication& aplicacao, Plataforma& plataforma, const char* argv0) {
  CarregarTraducoesQt(aplicacao);
  if (JaEmExecucao(plataforma)) return 0;
  // Only the application's name: a display name would be appended by Qt to the
  // title of every window the desktop shows, and the captions are exact.
  QApplication::setApplicationName(QStringLiteral("NIVORA2015"));
  TForm1 janela(plataforma, PastasDoExecutavel(argv0));
  if (auto* qt = dynamic_cast<PlataformaQt*>(&plataforma)) qt->DefinirJanela(&janela);
  janela.show();
  const int codigo = aplicacao.exec();
  if (auto* qt = dynamic_cast<PlataformaQt*>(&plataforma)) qt->DefinirJanela(nullptr);
  return codigo;
}

}  // namespace nivora
