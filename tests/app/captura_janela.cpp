// Saves a picture of the main window as it first appears: captura_janela <file.png>.
// Run it under a display (Xvfb) or the offscreen platform.
#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "app/map.hpp"
#include "app/plataforma.hpp"

int main(int argc, char** argv) {
  QApplication aplicacao(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "uso: %s <arquivo.png>\n", argv[0]);
    return 2;
  }
  nivora::PlataformaQt plataforma;
  TForm1 janela(plataforma, PastasDoExecutavel(argv[0]));
  // Keyboard entry on, so the picture shows the fields as a user first sees them.
  janela.Comando([&] { janela.Latitude1Click(); });
  janela.show();
  int codigo = 1;
  QTimer::singleShot(500, [&] {
    codigo = janela.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
    aplicacao.quit();
  });
  aplicacao.exec();
  return codigo;
}
