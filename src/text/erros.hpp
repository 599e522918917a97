// The program's own errors. Each carries the exact message the user sees,
// as Windows-1252 bytes; front ends catch them at the command boundary.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace nivora {

/// Base of every error the program raises itself. what() is the user's message.
class ErroNivora : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// A text that does not convert to a number:
/// "'%s' is not a valid floating point value" / "'%s' is not a valid integer value".
class EConversao : public ErroNivora {
 public:
  using ErroNivora::ErroNivora;
};

/// A file that cannot be opened: "Cannot open file "%s". %s".
class EAberturaArquivo : public ErroNivora {
 public:
  using ErroNivora::ErroNivora;
};

/// A failed read, write, flush or close of a file the program works on.
class EEntradaSaida : public ErroNivora {
 public:
  using ErroNivora::ErroNivora;
};

/// The system's reason for the error number `erro` as the C library words it,
/// in English whatever the locale ("No such file or directory"); "erro <n>" for
/// a number it does not know.
std::string RazaoDoSistema(int erro);

/// The one wording of a failed operation on a file: "Não foi possível <acao> o
/// arquivo "<nome>": <motivo>", `acao` being a verb such as "ler", "gravar",
/// "fechar", "criar" or "abrir", and the reason the system's for `erro`.
EEntradaSaida FalhaDeArquivo(std::string_view acao, std::string_view nome, int erro);
/// The same with a reason of the program's own.
EEntradaSaida FalhaDeArquivo(std::string_view acao, std::string_view nome, std::string_view motivo);

/// Floating-point failures of the fit ("Floating point division by zero",
/// "Invalid floating point operation").
class EAritmetica : public ErroNivora {
 public:
  using ErroNivora::ErroNivora;
};
class EDivisaoPorZero : public EAritmetica {
 public:
  EDivisaoPorZero() : EAritmetica("Floating point division by zero") {}
};
class EOperacaoInvalida : public EAritmetica {
 public:
  EOperacaoInvalida() : EAritmetica("Invalid floating point operation") {}
};

/// Ends a whole user command without any further message (the "silent abort").
class EAbortoSilencioso : public ErroNivora {
 public:
  EAbortoSilencioso() : ErroNivora("Operation aborted") {}
};

}  // namespace nivora
