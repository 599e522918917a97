// Pieces of the file band that need no window: the proposed output name, the
// trimming of the output name and the key rule of the input name field.
#pragma once

#include <QString>

class QKeyEvent;

namespace nivora {

/// Suffix that replaces the last four characters of the input name.
inline constexpr const char* kSufixoSaida = "_saida.txt";

/// The output name proposed for `entrada`: the name without its last four
/// characters, followed by "_saida.txt"; four characters or fewer give just
/// "_saida.txt". "C:\dados\pontos.txt" gives "C:\dados\pontos_saida.txt".
QString NomeSaidaProposto(const QString& entrada);

/// `texto` without the blanks and control characters (code 32 or less) at its ends.
QString AparaTexto(const QString& texto);

/// The key rule of the input name field: only Backspace, Enter and character 127
/// (Delete) get through; every other character, control characters included, is
/// refused. Keys that type nothing (arrows, Home, Tab...) pass. True when refused.
bool RecusaTeclaNomeEntrada(const QKeyEvent& tecla);

}  // namespace nivora
