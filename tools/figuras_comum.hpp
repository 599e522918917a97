// Shared pieces of the picture and document generators: the grid as a regular field,
// colour scales, map drawing with axes in degrees, statistics and JPEG writing.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>
#include <cstddef>
#include <string>
#include <vector>

class QPainter;

namespace ferramentas {

/// Node spacing of the shipped grid: 5 arc-minutes, in degrees.
inline constexpr double kPassoGradeDeg = 5.0 / 60.0;

/// Limits of the model area, decimal degrees (points must lie strictly inside).
inline constexpr double kLatSulDeg = -34.5830027;
inline constexpr double kLatNorteDeg = 5.5833027;
inline constexpr double kLonOesteDeg = -74.5830027;
inline constexpr double kLonLesteDeg = -34.4332999;

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

/// Maps values to colours: a rainbow-like ramp from blue to red, or a diverging
/// blue-white-red ramp centred on zero.
struct EscalaCores {
  double minimo = 0;
  double maximo = 1;
  bool divergente = false;
  QColor Cor(double valor) const;
};

/// Picture of the field, one pixel per lattice point, white where there is no value.
QImage ImagemDoCampo(const Campo& campo, const EscalaCores& escala);

/// Geographic window drawn by a map.
struct Janela {
  double latSulDeg = kLatSulDeg;
  double latNorteDeg = kLatNorteDeg;
  double lonOesteDeg = kLonOesteDeg;
  double lonLesteDeg = kLonLesteDeg;
};

/// Draws the field into `area` (the map frame) with the given window, a frame and
/// ticks with labels every `intervaloEixosDeg` degrees ("10°S", "50°W").
void DesenharMapa(QPainter& pintor, const QRectF& area, const Campo& campo,
                  const EscalaCores& escala, const Janela& janela, const QFont& fonte,
                  int intervaloEixosDeg);

/// Maps a geographic position to the map frame drawn by DesenharMapa.
QPointF PontoNoMapa(const QRectF& area, const Janela& janela, double latDeg, double lonDeg);

/// Vertical colour bar from the scale's minimum (bottom) to maximum (top), with a
/// labelled tick at every multiple of `intervalo` inside the range.
void DesenharBarraCores(QPainter& pintor, const QRectF& area, const EscalaCores& escala,
                        const QFont& fonte, double intervalo, const char* mascara);

/// Text of a number for the reader, "." as the decimal mark, e.g. mask "#0.00".
QString Numero(double valor, const char* mascara);

/// Degree label of an axis: "10°S", "0°", "50°W".
QString RotuloGrau(int graus, bool latitude);

/// Writes an image as a baseline JPEG with libjpeg.
/// @throws std::runtime_error when the file cannot be written.
void GravarJpeg(const QImage& imagem, const std::string& caminho, int qualidade);

}  // namespace ferramentas
