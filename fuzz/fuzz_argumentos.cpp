// Any command line (arguments separated by NUL bytes): the tool's parser either
// gives arguments whose token list is usable or refuses them with its own usage
// error; nothing else escapes. A usable list has one coordinate code, at most one
// "ID" (first or last) and at most one "H" (right after the code), in any letter
// case, and reads back as itself; the options it gives are valid exactly when the
// list has "H" and --altura says what it holds; --utf8 is on only when asked for.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "apoio.hpp"
#include "batch/formato.hpp"
#include "batch/linha.hpp"
#include "cli/argumentos.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
  using namespace nivora;
  using fuzz::Exigir;
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
    Exigir(!args.utf8 || std::find(lista.begin(), lista.end(), "--utf8") != lista.end(),
           "--utf8 ligado sem ser pedido");
    try {
      const TListaFormato formato = TListaFormato::DeTexto(args.formato);
      const std::string contexto = ": " + fuzz::Visivel(args.formato);
      const int codigo = formato.IndexOf(formato.CodigoCoord());
      const int id = formato.IndexOf(kTokenId);
      Exigir(codigo >= 0, "lista aceita sem codigo" + contexto);
      Exigir(formato.Count() == 1 + (id >= 0 ? 1 : 0) + (formato.TemAltura() ? 1 : 0),
             "lista aceita com colunas repetidas" + contexto);
      Exigir(id <= 0 || id == formato.Count() - 1, "ID aceito no meio" + contexto);
      Exigir(!formato.TemAltura() || formato.IndexOf(kTokenAltura) == codigo + 1,
             "H aceito fora do lugar" + contexto);
      // The list reads back as itself.
      Exigir(TListaFormato::DeTexto(formato.ComoTexto()).ComoTexto() == formato.ComoTexto(),
             "lista nao se rele" + contexto);
      OpcoesLote opcoes = OpcoesLote::De(formato, args.saidaId, args.saidaCoord);
      opcoes.altura = args.altura;
      bool valida = true;
      try {
        opcoes.Validar();
      } catch (const EFormatoInvalido&) {
        valida = false;
      }
      Exigir(valida == (formato.TemAltura() == (args.altura != TipoAltura::Nenhuma)),
             "coluna H e --altura julgadas errado" + contexto);
    } catch (const EFormatoInvalido&) {
    }
  } catch (const cli::EUso&) {
  }
  return 0;
}
