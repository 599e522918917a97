// Registration of the pictures compiled into the window's library.
#include "app/recursos.hpp"

#include <QtGlobal>

// Q_INIT_RESOURCE must stand outside any namespace.
static void RegistrarUmaVez() {
  Q_INIT_RESOURCE(nivora);
#ifdef NIVORA_ILUSTRACAO
  Q_INIT_RESOURCE(ilustracao);  // drawn by the build from the grid (tools/)
#endif
}

namespace nivora {

void RegistrarRecursos() {
  static const bool registrados = [] {
    RegistrarUmaVez();
    return true;
  }();
  (void)registrados;
}

}  // namespace nivora
