#include "app/inicio.hpp"

#include <QApplication>

#include "app/map.hpp"
#include "app/plataforma.hpp"

namespace nivora {

bool JaEmExecucao(Plataforma& plataforma) {
  if (plataforma.TravarInstancia() != EstadoTrava::EmUso) return false;
  PedidoMensagem aviso;
  aviso.tipo = TipoMensagem::Aviso;
  aviso.titulo = "Warning";
  aviso.texto = kMensagemJaRodando;
  aviso.botoes = {{Resposta::Ok, "OK"}};
  plataforma.MostrarMensagem(aviso);
  return true;
}

int ExecutarPrograma(QApplication& aplicacao, Plataforma& plataforma, const char* argv0) {
  if (JaEmExecucao(plataforma)) return 0;
  QApplication::setApplicationName(QStringLiteral("NIVORA2015"));
  QApplication::setApplicationDisplayName(QString::fromLatin1(kTituloAplicacao));
  TForm1 janela(plataforma, PastasDoExecutavel(argv0));
  if (auto* qt = dynamic_cast<PlataformaQt*>(&plataforma)) qt->DefinirJanela(&janela);
  janela.show();
  const int codigo = aplicacao.exec();
  if (auto* qt = dynamic_cast<PlataformaQt*>(&plataforma)) qt->DefinirJanela(nullptr);
  return codigo;
}

}  // namespace nivora
