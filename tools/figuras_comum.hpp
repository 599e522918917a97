// Shared pieces of the picture and document generators: the grid as a regular field,
// statistics, the maps drawn by GMT checked against the grid, and JPEG writing.
#pragma once

#include <QImage>
#include <QString>
#include <cstddef>
#include <string>
#include <vector>

#include "geoid/modelo.hpp"

namespace ferramentas {

/// Node spacing of the shipped grid (5 arc-minutes), in degrees.
inline constexpr double kPassoGradeDeg = nivora::kEspacamentoGradeMin / 60.0;

/// Limits of the model area as the program has them, in double for drawing and
/// statistics (points must lie strictly inside).
inline constexpr double kLatSulDeg = static_cast<double>(nivora::kLimiteSul);
inline constexpr double kLatNorteDeg = static_cast<double>(nivora::kLimiteNorte);
inline constexpr double kLonOesteDeg = static_cast<double>(nivora::kLimiteOeste);
inline constexpr double kLonLesteDeg = static_cast<double>(nivora::kLimiteLeste);

/// Values on a regular latitude/longitude lattice. Row 0 is the northernmost row,
/// column 0 the westernmost; a NaN marks a lattice point without a value.
struct Campo {
  double latNorteDeg = 0;
  double lonOesteDeg = 0;
  double passoDeg = kPassoGradeDeg;
  int linhas = 0;
  int colunas = 0;
  std::vector<double> valores;

  double LatDeg(int linha) const { return latNorteDeg - linha * passoDeg; }
  double LonDeg(int coluna) const { return lonOesteDeg + coluna * passoDeg; }
  double& Em(int linha, int coluna) {
    return valores[static_cast<size_t>(linha) * colunas + coluna];
  }
  double Em(int linha, int coluna) const {
    return valores[static_cast<size_t>(linha) * colunas + coluna];
  }
  /// Bilinear value at a point, NaN outside the lattice or next to a missing value.
  double Bilinear(double latDeg, double lonDeg) const;
};

/// An empty field (all NaN) of the given shape.
Campo NovoCampo(double latNorteDeg, double lonOesteDeg, double passoDeg, int linhas, int colunas);

/// Reads a grid file in the program's fixed-column layout (longitude 0..360 east in
/// columns 2-12, latitude in 14-24, N in 28-34) into a field with western longitudes
/// negative. @throws std::runtime_error naming the file and line of a fault.
Campo LerGrade(const std::string& caminho);

/// Summary of a set of values, with where the extremes lie.
struct Estatisticas {
  std::size_t quantidade = 0;
  double minimo = 0, maximo = 0, media = 0, desvioPadrao = 0, rms = 0;
  double latMinimoDeg = 0, lonMinimoDeg = 0, latMaximoDeg = 0, lonMaximoDeg = 0;
};

/// Statistics of the values of `campo` whose lattice point lies strictly inside the
/// model area. The standard deviation is the sample one (n - 1).
Estatisticas CalcularEstatisticas(const Campo& campo);

/// Statistics of plain values (no positions).
Estatisticas CalcularEstatisticas(const std::vector<double>& valores);

/// Text of a number for the reader, "." as the decimal mark, e.g. mask "#0.00".
QString Numero(double valor, const char* mascara);

/// Writes an image as a baseline JPEG with libjpeg, with `comentario` (when not empty)
/// in a comment marker. @throws std::runtime_error when the file cannot be written.
void GravarJpeg(const QImage& imagem, const std::string& caminho, int qualidade,
                const std::string& comentario = {});

/// Key of the grid's checksum in the pictures' metadata: a PNG text chunk with this
/// key, or a JPEG comment "<key>: <hex digits>".
inline constexpr const char* kChaveSha256Grade = "NIVORA2015-grade-SHA256";

/// SHA-256 of a file, 64 lower-case hex digits. @throws std::runtime_error when the
/// file cannot be read.
std::string Sha256DoArquivo(const std::string& caminho);

/// The maps drawn by tools/gerar_mapas.sh into `pasta`, checked against the grid:
/// the checksum the script wrote beside them must be the grid's own.
class Mapas {
 public:
  /// @throws std::runtime_error when the maps were drawn from another grid or are missing.
  Mapas(const std::string& pasta, const std::string& arquivoGrade);
  /// The map `nome`.png. @throws std::runtime_error when it is missing or unreadable.
  QImage Ler(const std::string& nome) const;
  const std::string& Sha256Grade() const { return sha256Grade_; }

 private:
  std::string pasta_;
  std::string sha256Grade_;
};

}  // namespace ferramentas
