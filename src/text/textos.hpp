// Text routines shared by the whole program. Texts are single-byte
// (Windows-1252) strings; positions count from 1 where a routine speaks of them.
// None of these fails on any text.
#pragma once

#include <string>
#include <string_view>

namespace nivora {

/// Every occurrence of `search` (case respected) replaced by `replacement`, left to
/// right, non-overlapping; the inserted text is not searched again. Empty search: unchanged.
std::string ReplaceStr(std::string_view text, std::string_view search,
                       std::string_view replacement);

/// The n-th term (n >= 1) of `text` split at `separator` (case ignored): each separator
/// becomes a line break and the result is split into lines (CR LF, LF or lone CR);
/// line n, or "" when there are fewer lines. A separator at the very end adds no term;
/// an empty text has no terms.
std::string ObterTermo(int n, std::string_view separator, std::string_view text);

/// `text` without any occurrence of `c`.
std::string DeleteChar(char c, std::string_view text);

/// `text` with every "," replaced by ".".
std::string VirgPonto(std::string_view text);

/// Pads `text` with `fill` to `width`: in front when `side` is "L" (case ignored),
/// after it otherwise; then cuts the result to its first `width` characters.
std::string Justifica(std::string_view text, int width, std::string_view side, char fill);

/// Blanks added at the left until the text is at least 12 (10) long; never cut.
std::string AjustaCampo12(std::string_view text);
std::string AjustaCampo10(std::string_view text);

/// Leading and/or trailing blanks and control characters (bytes <= 0x20) removed.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

}  // namespace nivora
