// The NIVORA2015 window program.
#include <QApplication>

#include "app/inicio.hpp"
#include "app/plataforma.hpp"

int main(int argc, char** argv) {
  QApplication aplicacao(argc, argv);
  nivora::PlataformaQt plataforma;
  return nivora::ExecutarPrograma(aplicacao, plataforma, argc > 0 ? argv[0] : nullptr);
}
