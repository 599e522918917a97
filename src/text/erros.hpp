// The program's own errors (the classes are the library's, nivora2015/erros.hpp) and
// the one wording of a failed file operation.
#pragma once

#include <string>
#include <string_view>

#include "nivora2015/erros.hpp"

namespace nivora {

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

}  // namespace nivora
