// The undulation query: the one entry into the geoid model.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "geoid/cache.hpp"
#include "geoid/modelo.hpp"

namespace nivora {

/// How many queries took each way to their answer.
struct ContagemCaminhos {
  std::uint64_t dupla = 0;   ///< decided by the double estimate
  std::uint64_t margem = 0;  ///< 80-bit fit: the estimate was too near a rounding boundary
  std::uint64_t faixa = 0;   ///< 80-bit fit: the window was outside the validated range
  std::uint64_t no = 0;      ///< on a grid node: that node's N, no fit
  std::uint64_t falhas = 0;  ///< ended in an error
  std::uint64_t Total() const { return dupla + margem + faixa + no + falhas; }
};

/// The millimetres of `estimativa` (metres) rounded half away from zero, as the
/// query's mask rounds them, when the estimate lies farther than the safety margin
/// from every rounding boundary and within +-1000 m; false otherwise.
bool DecidirMilimetros(double estimativa, long long& milimetros);

/// What the query returns for a result of `milimetros` thousandths of a metre: the
/// text the mask "#0.000" writes for it, read back (a zero has no sign).
long double ValorEmMilimetros(long long milimetros);

/// Answers N at a point from the grid file that `cache` keeps. Each query behaves as
/// if the whole file were read anew: a changed, replaced, moved or deleted grid takes
/// effect at the very next query. One object serves one thread; several objects,
/// in as many threads, may share one cache.
class TModeloGeoide {
 public:
  /// `cache` must outlive the object.
  explicit TModeloGeoide(TCacheGrade& cache);
  TModeloGeoide(const TModeloGeoide&) = delete;
  TModeloGeoide& operator=(const TModeloGeoide&) = delete;

  /// The grid path for an application folder that ends with a separator.
  static std::string CaminhoGrade(const std::string& PastaAplicacao);

  /// Run before every query (the window's event pump). May be empty.
  void DefinirBomba(std::function<void()> bomba);

  /// N in metres at (Lat, Lon) decimal degrees, rounded to three decimals: the
  /// 80-bit fit's value r written with the mask "#0.000" and read back, the double
  /// estimate standing in for r where it decides that rounding beyond doubt.
  /// @throws EAberturaArquivo, EConversao (grid), EDivisaoPorZero / EOperacaoInvalida (fit),
  ///         ErroNivora when fewer than 25 grid nodes surround the point.
  long double ObterOndulacao(long double Lat, long double Lon);

  /// The raw 80-bit value r at (Lat, Lon), before rounding; no event pump, not
  /// counted. @throws as ObterOndulacao.
  long double OndulacaoEstendida(long double Lat, long double Lon);

  /// The double estimate of r when the window lies within the range where the
  /// estimate was validated, before any look at the rounding; nothing otherwise.
  /// @throws EAberturaArquivo as reading the grid does.
  std::optional<double> Estimativa(long double Lat, long double Lon);

  const ContagemCaminhos& Caminhos() const { return caminhos_; }
  const std::string& ArquivoGrade() const { return cache_.Caminho(); }

 private:
  struct Janela;
  void Preparar(long double Lat, long double Lon, Janela& janela);
  long double Estendida(const Janela& janela, long double Lat, long double Lon, bool& noGrade);

  TCacheGrade& cache_;
  TCacheGrade::Leitor leitor_;
  std::function<void()> bomba_;
  ContagemCaminhos caminhos_;
};

}  // namespace nivora
