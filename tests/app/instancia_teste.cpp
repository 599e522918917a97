// The window program with its real start-up and real single-instance lock, whose
// message boxes print to standard output and answer at once instead of waiting
// for a person. Run by tst_instancia as separate processes.
#include <QApplication>
#include <cstdio>

#include "app/inicio.hpp"
#include "app/plataforma.hpp"
#include "text/cp1252.hpp"

namespace {

class PlataformaEco : public nivora::PlataformaQt {
 public:
  nivora::Resposta MostrarMensagem(const nivora::PedidoMensagem& pedido) override {
    std::printf("MENSAGEM|%s|%s\n", nivora::Cp1252ParaUtf8(pedido.titulo).c_str(),
                nivora::Cp1252ParaUtf8(pedido.texto).c_str());
    std::fflush(stdout);
    return nivora::Resposta::Ok;
  }
  nivora::EstadoTrava TravarInstancia() override {
    const nivora::EstadoTrava estado = PlataformaQt::TravarInstancia();
    std::printf("TRAVA %s\n", estado == nivora::EstadoTrava::Obtida  ? "obtida"
                              : estado == nivora::EstadoTrava::EmUso ? "em-uso"
                                                                     : "indisponivel");
    std::fflush(stdout);
    return estado;
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication aplicacao(argc, argv);
  PlataformaEco plataforma;
  return nivora::ExecutarPrograma(aplicacao, plataforma, argv[0]);
}
