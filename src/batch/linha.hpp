// One batch record made into its output line: the run's options and the line
// processor, with the messages of a record that fails and of options without a layout.
#pragma once

#include <string>
#include <string_view>

#include "batch/formato.hpp"
#include "coords/ponto.hpp"
#include "text/erros.hpp"

namespace nivora {

class TRetratoGrade;

// Messages (Windows-1252).
inline constexpr const char* kMsgErroFormatacao = "Erro na formata\xE7\xE3o do arquivo.";
inline constexpr const char* kMsgPreenchimento = "Preenchimento insuficiente para processamento";

/// Line end written after every output line.
inline constexpr std::string_view kFimDeLinha = "\r\n";

/// A record that cannot be split or converted. what() is kMsgErroFormatacao.
class EErroFormatacao : public ErroNivora {
 public:
  EErroFormatacao() : ErroNivora(kMsgErroFormatacao) {}
};

/// What the height column "H" of a record holds (command-line tool only).
enum class TipoAltura {
  Nenhuma,     ///< no height column
  Elipsoidal,  ///< h, on the ellipsoid (GNSS): the orthometric H = h - N is written
  Ortometrica  ///< H, above the geoid (levelling): the ellipsoidal h = H + N is written
};

/// What the run needs of the composition: the token list, the coordinate code
/// most recently ticked, the two output boxes and the kind of the height column.
struct OpcoesLote {
  TListaFormato formato;
  std::string FormatoCoord;  ///< "0".."3": order of the coordinates in output lines
  bool SaidaId = false;      ///< "ID do Ponto"
  bool SaidaCoord = false;   ///< "Coordenadas de Entrada"
  TipoAltura altura = TipoAltura::Nenhuma;

  /// Options whose FormatoCoord is the code of `formato`.
  static OpcoesLote De(TListaFormato formato, bool saidaId, bool saidaCoord);
  /// @throws ErroNivora(kMsgPreenchimento) without a coordinate code in the list
  ///         or with a FormatoCoord that is not "0".."3"; EFormatoInvalido when the
  ///         list has a height column and no kind of height, or the other way round.
  void Validar() const;
};

/// Kind of line written for one record.
enum class TipoLinha { Resultado, Rejeicao };

/// One record read and checked: a rejection, or a point waiting for its N.
struct RegistroLido {
  TipoLinha tipo = TipoLinha::Resultado;
  TPonto ponto;
  long double alturaDada = 0;  ///< the height column, with one
  bool temId = false;          ///< the record has an identification column
};

/// Turns one read line into its output line, on a new point record each time.
class ProcessadorLinha {
 public:
  /// `opcoes` and `grade` (the run's grid) must outlive the processor.
  /// @throws ErroNivora(kMsgPreenchimento) for options without a layout.
  ProcessadorLinha(const OpcoesLote& opcoes, const TRetratoGrade& grade);

  /// Appends the output line of `linhaLida` (CRs already removed; commas are
  /// turned into points here), CR LF included, to `saida`. With a height column the
  /// result line gets the other height after N (and the given one after the
  /// coordinates when they are written), each "#0.000" in 12 characters.
  /// @throws EErroFormatacao when the record fails to split (nothing appended);
  ///         the query's errors propagate as they are (nothing appended).
  TipoLinha Processar(std::string_view linhaLida, std::string& saida);

  /// The first half of Processar: the record split and its point checked.
  /// @throws EErroFormatacao when the record fails to split.
  void Ler(std::string_view linhaLida, RegistroLido& registro);
  /// The second half: the output line of a record read by Ler, appended to `saida`;
  /// `N` is the query's value for a result (unused for a rejection).
  void Escrever(RegistroLido& registro, long double N, std::string& saida) const;

 private:
  const OpcoesLote& opcoes_;
  const TRetratoGrade& grade_;
  bool decimal_;
  char codigo_;
  std::string linha_;
  std::string altura_;
};

}  // namespace nivora
