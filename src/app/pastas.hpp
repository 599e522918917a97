// Where the window's "entradas" and "saida" folders live: beside the program, or in
// the user's documents when the program is installed for all users.
#pragma once

#include <QString>

namespace nivora {

/// Marks an installation for all users (the package puts it beside the program):
/// the program's folder is then not the user's to write in.
inline constexpr const char* kMarcaInstalacao = "instalado_para_todos";

/// The folder (ending with "/") that holds "entradas" and "saida" for the program in
/// `pastaAplicacao`: that folder itself when it is writable and not marked as an
/// installation for all users; otherwise "NIVORA2015/" in the user's documents
/// folder, created on first use with the shipped sample input copied into it.
QString PastaDeTrabalho(const QString& pastaAplicacao);

}  // namespace nivora
