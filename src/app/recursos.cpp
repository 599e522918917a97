// Registration of the pictures compiled into the window's library.
#include "app/recursos.hpp"

#include <QtGlobal>

// Q_INIT_RESOURCE must stand outside any namespace.
static void RegistrarUmaVez() {
  Q_INIT_RESOURCE(nivora);
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
