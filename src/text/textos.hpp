// Text routines shared by the whole program. Texts are single-byte
// (Windows-1252) strings; positions count from 1 where a routine speaks of them.
// None of these fails on any text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nivora {

/// The blanks and control characters that Trim removes: bytes 0x00 to 0x20.
inline constexpr bool EhBranco(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

/// True when `a` and `b` are equal with ASCII letter case ignored; other bytes
/// (Windows-1252 letters included) must be the same.
bool IguaisSemCaixa(std::string_view a, std::string_view b);

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
/// The same in place, for a buffer used line after line.
void VirgPontoNoLugar(std::string& text);

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

/// An elapsed time as "HH:MM:SS": hours with at least two digits (never wrapping
/// at 24 h), minutes and seconds with two; the milliseconds are cut, not rounded.
/// A negative span counts as 0.
std::string FormatarTempoDecorrido(std::int64_t milissegundos);

}  // namespace nivora
