// The pictures compiled into the window's library, registered before first use.
#pragma once

namespace nivora {

/// Registers the program's Qt resources (icons, buttons, logo, illustration). A
/// static library's resources are not registered by themselves; calling this more
/// than once is harmless.
void RegistrarRecursos();

}  // namespace nivora
