// Command line of nivora2015-cli: one table of options drives both the parsing
// and the help text.
#pragma once

#include <string>
#include <vector>

#include "batch/linha.hpp"
#include "text/erros.hpp"

namespace nivora::cli {

/// A command line that cannot be used; what() is the Windows-1252 message.
class EUso : public ErroNivora {
 public:
  using ErroNivora::ErroNivora;
};

/// Stands for standard input or output where a file name goes.
inline constexpr const char* kPadrao = "-";

struct Argumentos {
  std::string formato = "0";                ///< token list, comma separated
  TipoAltura altura = TipoAltura::Nenhuma;  ///< what the column H holds
  bool utf8 = false;                        ///< UTF-8 in and out instead of Windows-1252
  bool saidaId = false;
  bool saidaCoord = false;
  std::string grade;  ///< empty: the grid beside the executable
  bool silencioso = false;
  bool ajuda = false;
  std::string entrada = kPadrao;
  std::string saida = kPadrao;
};

/// Parses argv[1..]. Accepts "--opcao VALOR", "--opcao=VALOR", short forms and "--".
/// @throws EUso naming the offending argument.
Argumentos LerArgumentos(const std::vector<std::string>& args);

/// The usage line (Windows-1252).
std::string TextoUso();
/// The full help (Windows-1252).
std::string TextoAjuda();
/// The manual page (troff, Windows-1252), from the same table and texts as the help.
std::string TextoManual();
/// A bash completion script for the options and their arguments (ASCII).
std::string TextoCompletacao();

}  // namespace nivora::cli
