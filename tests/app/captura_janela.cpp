// Saves a picture of the main window at work: captura_janela <file.png>.
// Run it under a display (Xvfb) or the offscreen platform.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "app/map.hpp"
#include "app/plataforma.hpp"
#include "text/cp1252.hpp"

namespace {
// No modal box may stop an unattended picture: messages go to standard error.
class PlataformaSemCaixas : public nivora::PlataformaQt {
 public:
  nivora::Resposta MostrarMensagem(const nivora::PedidoMensagem& pedido) override {
    std::fprintf(stderr, "%s\n", nivora::Cp1252ParaUtf8(pedido.texto).c_str());
    return pedido.escape;
  }
};
}  // namespace

int main(int argc, char** argv) {
  QApplication aplicacao(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "uso: %s <arquivo.png>\n", argv[0]);
    return 2;
  }
  PlataformaSemCaixas plataforma;
  TForm1 janela(plataforma, PastasDoExecutavel(argv[0]));
  janela.show();
  // Keyboard entry on in GMS notation, a point with seconds typed and processed
  // when the grid is there: the window as a user sees it at work.
  janela.Comando([&] {
    janela.findChild<QCheckBox*>("CheckBox1")->setChecked(true);  // GMS since start-up
    janela.findChild<QLineEdit*>("ed_IdPonto")->setText("RN42");
    const std::pair<const char*, const char*> campos[] = {
        {"Ed_sinal_Lat", "-"},     {"Ed_grau_Lat", "15"}, {"Ed_min_Lat", "46"},
        {"Ed_seg_Lat", "48.3600"}, {"Ed_grau_Lon", "47"}, {"Ed_min_Lon", "55"},
        {"Ed_seg_Lon", "45.1200"}};
    for (const auto& [campo, texto] : campos)
      janela.findChild<QLineEdit*>(campo)->setText(QString::fromLatin1(texto));
  });
  int codigo = 1;
  QTimer::singleShot(300, [&] { janela.findChild<QPushButton*>("bbt_ProcessaPonto")->click(); });
  QTimer::singleShot(800, [&] {
    codigo = janela.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
    aplicacao.quit();
  });
  aplicacao.exec();
  return codigo;
}
