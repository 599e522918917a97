// Between the program's single-byte texts (Windows-1252) and the window's QStrings.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "text/cp1252.hpp"

namespace nivora {

/// A Windows-1252 text as a QString (for captions and fields).
inline QString ParaQt(std::string_view cp1252) {
  return QString::fromUtf8(Cp1252ParaUtf8(cp1252));
}

/// A QString as Windows-1252 bytes; a character outside the set becomes "?".
inline std::string ParaCp1252(const QString& texto) {
  const QByteArray utf8 = texto.toUtf8();
  return Utf8ParaCp1252(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

}  // namespace nivora
