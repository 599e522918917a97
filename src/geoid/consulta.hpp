// The undulation query: the one entry into the geoid model.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace nivora {

class GradeCarregada;  // parsed, indexed grid shared between queries (geoid/cache.hpp)

/// Relative location of the grid below the application folder.
inline constexpr const char* kArquivoGrade = "grid/NIVORA2015_SIRGAS2000.txt";

/// Answers N at a point from the grid file. Each query behaves as if the whole file
/// were read anew: a changed, replaced, moved or deleted grid takes effect at the very
/// next query. Holds the fit's work state, so one object serves one thread.
class TModeloGeoide {
 public:
  /// `arquivoGrade`: full path of the grid file.
  explicit TModeloGeoide(std::string arquivoGrade);
  ~TModeloGeoide();
  TModeloGeoide(const TModeloGeoide&) = delete;
  TModeloGeoide& operator=(const TModeloGeoide&) = delete;

  /// The grid path for an application folder that ends with a separator.
  static std::string CaminhoGrade(const std::string& PastaAplicacao);

  /// Run before every query (the window's event pump). May be empty.
  void DefinirBomba(std::function<void()> bomba);

  /// N in metres at (Lat, Lon) decimal degrees, rounded to three decimals.
  /// @throws EFOpenError, EConvertError (grid), EZeroDivide / EInvalidOp (fit),
  ///         ErroNivora when fewer than 25 grid nodes surround the point.
  long double ObterOndulacao(long double Lat, long double Lon);

  /// The raw, unrounded result of the last query (Coeficientes[1]).
  long double UltimoBruto() const;

  const std::string& ArquivoGrade() const { return arquivo_; }

 private:
  struct Estado;
  std::string arquivo_;
  std::function<void()> bomba_;
  std::unique_ptr<Estado> estado_;
};

}  // namespace nivora
