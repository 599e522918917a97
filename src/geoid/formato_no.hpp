// The grid file's node line: fixed columns of longitude, latitude and undulation.
#pragma once

#include <cstddef>
#include <string_view>

namespace nivora {

/// One grid node: longitude in degrees east (the file's 0..360 value minus 360,
/// so the model area is negative), latitude in degrees north, N in metres.
struct TNoGrade {
  long double Lon = 0;
  long double Lat = 0;
  long double N = 0;
};

/// Column layout of a node line, 0-based offsets and widths.
inline constexpr std::size_t kInicioLon = 1, kLarguraLon = 11;
inline constexpr std::size_t kInicioLat = 13, kLarguraLat = 11;
inline constexpr std::size_t kInicioN = 27, kLarguraN = 7;
/// The file stores longitudes counted eastward from 0 to 360.
inline constexpr long double kVoltaGrausLon = 360.0L;

/// Fixed columns (from 1): 2-12 longitude, 14-24 latitude (both converted as cut,
/// so only blanks may stand around the number), 28-34 N (trimmed first). A field
/// past the end of a short line holds what is there. Read in that order.
/// @throws EConversao "'<field>' is not a valid floating point value"
TNoGrade LerNo(std::string_view linha);

}  // namespace nivora
