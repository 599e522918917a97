// Test support: small geoid grid files in the fixed-column layout, written by the
// tests themselves. Coordinates are whole twelfths of a degree (the 5' spacing),
// so every text is exact and needs none of the program's own formatting.
#pragma once

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "apoio/arquivos.hpp"

namespace nivora::teste {

/// Nodes per degree of the 5' grids.
inline constexpr long kNosPorGrau = 12;

/// m twelfths of a degree written with six decimals (nearest): -1 gives "-0.083333".
std::string Doze(long m);
/// Millimetres written as metres with three decimals: -5123 gives "-5.123".
std::string Milimetros(long mm);

/// A node line in the fixed columns: column 1 blank, the longitude (0..360 east)
/// right-aligned in 2-12, a blank, the latitude in 14-24, three blanks, N in 28-34.
/// No line break.
std::string LinhaNo(const std::string& lon, const std::string& lat, const std::string& n);

/// Rows of a regular grid: `linhas` rows from latitude `lat0` (twelfths) southwards,
/// `colunas` nodes from longitude `lon0` (twelfths, 0..360 east) eastwards, N drawn at
/// random in millimetres (or given by `nFixo` when not empty).
std::vector<std::vector<std::string>> GradeRegular(long lat0, long lon0, int linhas, int colunas,
                                                   std::mt19937& sorteio,
                                                   const std::string& nFixo = "");
/// The rows one after the other.
std::vector<std::string> Achatar(const std::vector<std::vector<std::string>>& grade);

/// N of a node as text, from its latitude and longitude in twelfths of a degree
/// (longitude east positive, -180..180).
using OndulacaoNo = std::function<std::string(long lat12, long lon12)>;

/// The text of a 5' grid over the whole degrees [latSul, latNorte] x [lonOeste,
/// lonLeste] (longitudes east positive), rows from north to south, every line
/// ended by CR LF.
std::string TextoGrade(int latSul, int latNorte, int lonOeste, int lonLeste, const OndulacaoNo& n);

/// N of the batch fixture grids: varies with both coordinates, so that a swapped
/// or misread coordinate shows.
std::string NFixture(long lat12, long lon12);

/// The grid most batch and command-line tests use, latitudes -25..-22 and
/// longitudes -48..-45, written as `nome` in `pasta`: N from NFixture, or
/// `*nConstante` metres at every node. Returns the file's path.
std::string GravarGradePadrao(const PastaTemporaria& pasta, const long double* nConstante = nullptr,
                              const std::string& nome = "grade.txt");

}  // namespace nivora::teste
