// Any command line (arguments separated by NUL bytes): the tool's parser either
// gives arguments whose token list is usable or refuses them with its own usage
// error; nothing else escapes.
#include <cstdint>
#include <string>
#include <vector>

#include "apoio.hpp"
#include "batch/formato.hpp"
#include "cli/argumentos.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
  using namespace nivora;
  std::vector<std::string> lista(1);
  for (std::size_t i = 0; i < tamanho; ++i) {
    if (dados[i] == 0) {
      lista.emplace_back();
    } else {
      lista.back().push_back(static_cast<char>(dados[i]));
    }
  }
  try {
    const cli::Argumentos args = cli::LerArgumentos(lista);
    try {
      const TListaFormato formato = TListaFormato::DeTexto(args.formato);
      fuzz::Exigir(!formato.CodigoCoord().empty() && formato.Count() <= 2,
                   "lista aceita sem codigo: " + fuzz::Visivel(args.formato));
      // The list reads back as itself.
      fuzz::Exigir(TListaFormato::DeTexto(formato.ComoTexto()).ComoTexto() == formato.ComoTexto(),
                   "lista nao se rele: " + fuzz::Visivel(args.formato));
    } catch (const EFormatoInvalido&) {
    }
  } catch (const cli::EUso&) {
  }
  return 0;
}
