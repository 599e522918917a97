// Start-up of the window program: the single-instance guard, then the main window.
#pragma once

class QApplication;

namespace nivora {

class Plataforma;

/// Message of a second copy (Windows-1252).
inline constexpr const char* kMensagemJaRodando =
    "O sistema j\xE1 est\xE1 rodando nesta m\xE1quina.";

/// Takes the single-instance lock. When another copy holds it, tells the user in a
/// warning box and answers true. A lock that cannot be made at all answers false
/// silently: the program then runs unguarded.
bool JaEmExecucao(Plataforma& plataforma);

/// Installs Qt's own Brazilian Portuguese translations (qtbase_pt_BR), so that the
/// standard buttons, dialogs and context menus read in Portuguese whatever the
/// desktop's language. Answers false when they are not installed (texts stay English).
bool CarregarTraducoesQt(QApplication& aplicacao);

/// The whole program after QApplication exists: guard, title, main window and the
/// message loop. `argv0` is argument 0 of the command line. Returns the exit code.
int ExecutarPrograma(QApplication& aplicacao, Plataforma& plataforma, const char* argv0);

}  // namespace nivora
