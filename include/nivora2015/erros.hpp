// The library's errors: the house's exceptions. Each carries the exact message the
// program shows, as Windows-1252 bytes (nivora2015::MensagemUtf8 gives it in UTF-8).
#pragma once

#include <stdexcept>
#include <string>

namespace nivora {

/// Base of every error the program raises itself. what() is the user's message.
class ErroNivora : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// A text that does not convert to a number:
/// "'%s' is not a valid floating point value" / "'%s' is not a valid integer value";
/// also a grid line that does not convert.
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
