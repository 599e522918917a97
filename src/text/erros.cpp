// The wording of a failed file operation and the system's reason for it.
#include "text/erros.hpp"

#include <cstring>

namespace nivora {

std::string RazaoDoSistema(int erro) {
  // Not strerror: its text follows the locale's messages, and the program's
  // diagnostics must not depend on the locale.
  const char* texto = strerrordesc_np(erro);
  return texto != nullptr ? std::string(texto) : "erro " + std::to_string(erro);
}

EEntradaSaida FalhaDeArquivo(std::string_view acao, std::string_view nome, int erro) {
  return FalhaDeArquivo(acao, nome, RazaoDoSistema(erro));
}

EEntradaSaida FalhaDeArquivo(std::string_view acao, std::string_view nome, std::string_view motivo) {
  std::string texto = "N\xE3o foi poss\xEDvel ";
  texto.append(acao).append(" o arquivo \"").append(nome).append("\": ").append(motivo);
  return EEntradaSaida(texto);
}

}  // namespace nivora
