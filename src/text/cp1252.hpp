// Conversion between the program's single-byte texts (Windows-1252) and UTF-8,
// for the window and the terminal.
#pragma once

#include <string>
#include <string_view>

namespace nivora {

/// UTF-8 of a Windows-1252 text. The five bytes Windows-1252 leaves undefined
/// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same number.
std::string Cp1252ParaUtf8(std::string_view cp1252);

/// UTF-8 of a message of the program (Windows-1252) that may carry text as the
/// system or the user gave it (file names, option values: UTF-8): a valid UTF-8
/// sequence of two bytes or more is kept as it is, every other byte is read as
/// Windows-1252. The program's own words never hold such a sequence (an accented
/// letter is never followed by a byte 0x80-0xBF in them), so they convert as
/// Cp1252ParaUtf8 converts them.
std::string MensagemParaUtf8(std::string_view mensagem);

/// Windows-1252 of a UTF-8 text; a character outside Windows-1252, or a byte
/// that is not valid UTF-8, becomes "?".
std::string Utf8ParaCp1252(std::string_view utf8);

}  // namespace nivora
