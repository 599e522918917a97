// Strict text-to-number conversion and number masks, with "." as the decimal
// mark whatever the process locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nivora {

/// Extended (80-bit) value of `text`: optional blanks (spaces only), optional sign,
/// digits with at most one "." (at least one digit), optional exponent E/e with an
/// optionally signed integer, optional blanks, nothing else. Correctly rounded.
/// @throws EConversao "'<text>' is not a valid floating point value"
long double StrToFloat(std::string_view text);

/// A double as the program reads it from a text file: the extended value of its
/// shortest round-trip decimal (what a file written from the double holds), which is
/// what StrToFloat gives that text. NaN and infinities come back as they are.
long double ComoTexto(double x);
/// ComoTexto of x[0], ..., x[n - 1] into v[0], ..., v[n - 1].
void ComoTextos(const double* x, std::size_t n, long double* v);
bool TryStrToFloat(std::string_view text, long double& value);

/// 32-bit integer of `text`: optional sign and decimal digits, nothing else.
/// @throws EConversao "'<text>' is not a valid integer value"
std::int32_t StrToInt(std::string_view text);
bool TryStrToInt(std::string_view text, std::int32_t& value);

/// `value` written with a mask such as "#0.000", "#00.00", "#0.00", "#0.0000":
/// "0" a required digit, "#" an optional one, "." the decimal point. The value is
/// taken to 18 significant digits (round to nearest), then cut to the mask's
/// decimals rounding half away from zero; no "-" on a value that rounds to zero.
std::string FormatFloat(std::string_view mask, long double value);

}  // namespace nivora
