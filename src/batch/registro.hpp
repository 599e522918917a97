// Splitting one batch record into its identification and coordinates, in the
// column layout of the format token list. The record has already had every CR
// removed and every comma turned into a point.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "batch/formato.hpp"
#include "coords/ponto.hpp"

namespace nivora {

/// True for the ten column separators: space # $ % & * : ; @ |.
bool EhDelimitador(char c);

/// Decimal record (layouts "0" and "1"): identification (kLarguraId characters, or empty
/// without an identification column), latitude and longitude in decimal degrees and,
/// when the layout has the column "H" and `altura` is given, the height column's text.
/// @throws ErroNivora (a conversion error) when a coordinate column is empty or no number.
void ObterCoordDecimal(const TListaFormato& formato, std::string_view linha, std::string& id,
                       long double& lat, long double& lon, std::string* altura = nullptr);

/// GMS record (layouts "2" and "3"), the height column as for the decimal record. The latitude
/// degrees come without sign
/// (`sinalLat` is "+" or "-"); the longitude degrees keep the sign written.
/// @throws ErroNivora (a conversion error) when a column is empty or no number.
void ObterCoordGMS(const TListaFormato& formato, std::string_view linha, std::string& id,
                   std::string& sinalLat, std::int32_t& grauLat, std::int32_t& minLat,
                   std::int32_t& grauLon, std::int32_t& minLon, long double& segLat,
                   long double& segLon, std::string* altura = nullptr);

}  // namespace nivora
