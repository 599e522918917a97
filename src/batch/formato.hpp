// The format token list of a batch input: "ID" (the records carry an
// identification) and one coordinate layout code "0".."3"; the command-line tool
// may add "H", a height column right after the coordinates. "ID" stands first
// (the identification comes before the coordinates) or last (after them).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/erros.hpp"

namespace nivora {

/// Token of the identification column.
inline constexpr std::string_view kTokenId = "ID";
/// Token of the height column (command-line tool only), right after the coordinates.
inline constexpr std::string_view kTokenAltura = "H";
/// Coordinate layout codes.
inline constexpr std::string_view kLatLonDecimal = "0";
inline constexpr std::string_view kLonLatDecimal = "1";
inline constexpr std::string_view kLatLonGMS = "2";
inline constexpr std::string_view kLonLatGMS = "3";

/// A token list that cannot describe a record layout (a usage error of the
/// command line); what() is the Windows-1252 message.
class EFormatoInvalido : public ErroNivora {
 public:
  using ErroNivora::ErroNivora;
};

/// Ordered list of texts, not sorted; lookups ignore letter case.
class TListaFormato {
 public:
  /// Appends `texto` at the end.
  void Adicionar(std::string_view texto);
  /// Position (from 0) of the first entry equal to `texto`, letter case ignored;
  /// -1 when absent.
  int IndexOf(std::string_view texto) const;
  /// Removes the entry at `pos`; -1 (or any position outside the list) does nothing.
  void Remover(int pos);
  int Count() const { return static_cast<int>(itens_.size()); }
  const std::string& operator[](int pos) const { return itens_.at(static_cast<size_t>(pos)); }
  void Limpar() { itens_.clear(); }

  /// The first of "0", "1", "2", "3" present in the list, or "" when none is.
  std::string CodigoCoord() const;
  /// True when the records are in decimal degrees (code "0" or "1" present).
  bool Decimal() const;
  /// True when the identification column comes first.
  bool IdPrimeiro() const { return IndexOf(kTokenId) == 0; }
  /// True when the identification column comes last.
  bool IdUltimo() const { return IndexOf(kTokenId) > 0; }
  /// True when the records carry a height column.
  bool TemAltura() const { return IndexOf(kTokenAltura) >= 0; }

  /// The list of a comma-separated text such as "0", "ID,0", "3,ID", "ID,0,H",
  /// "0,H,ID": exactly one code 0-3, at most one "H" right after it, and at most
  /// one "ID", first or last.
  /// @throws EFormatoInvalido naming what is wrong.
  static TListaFormato DeTexto(std::string_view tokens);
  /// The inverse of DeTexto: the entries joined with ",".
  std::string ComoTexto() const;

 private:
  std::vector<std::string> itens_;
};

}  // namespace nivora
