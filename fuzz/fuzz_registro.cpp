// One batch record, under every token list: the parser either delivers all its
// values or fails with the program's own error, and the line that the run
// writes for it is whole (one CR LF, at its end) and of the expected kind.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "apoio.hpp"
#include "batch/formato.hpp"
#include "batch/lote.hpp"
#include "batch/registro.hpp"
#include "geoid/consulta.hpp"
#include "text/erros.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace {

using namespace nivora;
using fuzz::Exigir;
using fuzz::Visivel;

/// The twelve token lists: no identification, identification first, last; four layouts.
const std::vector<std::string> kListas = {"0",    "1",    "2",    "3",    "ID,0", "ID,1",
                                          "ID,2", "ID,3", "0,ID", "1,ID", "2,ID", "3,ID"};

constexpr std::string_view kInicioRejeicao = "Entrada Inv\xE1lida : ";

struct Alvo {
  std::vector<OpcoesLote> opcoes;
  TModeloGeoide modelo{fuzz::GradeDistribuida()};

  Alvo() {
    for (const std::string& lista : kListas) {
      // Both output boxes ticked: the result line carries every column.
      opcoes.push_back(OpcoesLote::De(TListaFormato::DeTexto(lista), true, true));
    }
  }
};

/// True when the parser of `opcoes` splits `linha` (its own errors only).
bool Divide(const OpcoesLote& opcoes, const std::string& linha, std::string& id) {
  try {
    if (opcoes.formato.Decimal()) {
      long double lat = 0, lon = 0;
      ObterCoordDecimal(opcoes.formato, linha, id, lat, lon);
    } else {
      std::string sinal;
      std::int32_t gLat = 0, mLat = 0, gLon = 0, mLon = 0;
      long double sLat = 0, sLon = 0;
      ObterCoordGMS(opcoes.formato, linha, id, sinal, gLat, mLat, gLon, mLon, sLat, sLon);
      Exigir(sinal == "+" || sinal == "-", "sinal de latitude '" + Visivel(sinal) + "'");
      Exigir(gLat >= 0, "graus de latitude negativos");
    }
    return true;
  } catch (const ErroNivora&) {
    return false;
  }
}

void Verificar(Alvo& alvo, const OpcoesLote& opcoes, std::string_view lida) {
  // What the run hands to the parsers: no CR, commas turned into points.
  const std::string semCR = DeleteChar('\r', lida);
  const std::string linha = VirgPonto(semCR);
  const std::string contexto = " [" + opcoes.formato.ComoTexto() + "] " + Visivel(linha);

  std::string id;
  const bool divide = Divide(opcoes, linha, id);
  if (divide) {
    const bool temId = opcoes.formato.IndexOf(kTokenId) >= 0;
    Exigir(id.size() == (temId ? static_cast<size_t>(kLarguraId) : 0u),
           "identificacao de " + std::to_string(id.size()) + " caracteres" + contexto);
  }

  ProcessadorLinha processador(opcoes, alvo.modelo);
  std::string saida = "x";  // what was there before must stay
  try {
    const TipoLinha tipo = processador.Processar(semCR, saida);
    Exigir(divide, "linha escrita para um registro que nao divide" + contexto);
    Exigir(saida.size() >= 3 && saida.front() == 'x', "inicio da saida alterado" + contexto);
    const std::string_view escrita = std::string_view(saida).substr(1);
    Exigir(escrita.size() >= 2 && escrita.substr(escrita.size() - 2) == kFimDeLinha,
           "linha sem CR LF" + contexto);
    Exigir(escrita.find('\n') == escrita.size() - 1 && escrita.find('\r') == escrita.size() - 2,
           "quebra de linha no meio da saida" + contexto);
    const bool rejeicao = escrita.find(kInicioRejeicao) != std::string_view::npos;
    if (tipo == TipoLinha::Rejeicao) {
      Exigir(rejeicao, "rejeicao sem motivo" + contexto);
    } else {
      // The undulation closes the line: a number with two decimals.
      const std::string n = Trim(escrita.substr(escrita.size() - 2 - 12, 12));
      long double valor = 0;
      Exigir(TryStrToFloat(n, valor) && n.size() >= 4 && n[n.size() - 3] == '.',
             "ondulacao '" + Visivel(n) + "'" + contexto);
    }
  } catch (const EErroFormatacao&) {
    Exigir(!divide, "erro de formatacao para um registro que divide" + contexto);
    Exigir(saida == "x", "saida alterada por um registro que falhou" + contexto);
  } catch (const ErroNivora&) {
    // A query outside the grid's cover: nothing may have been written.
    Exigir(divide, "consulta de um registro que nao divide" + contexto);
    Exigir(saida == "x", "saida alterada por uma consulta que falhou" + contexto);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
  static Alvo alvo;
  std::string_view entrada(reinterpret_cast<const char*>(dados), tamanho);
  // One line, as the reader delivers it.
  entrada = entrada.substr(0, entrada.find('\n'));
  for (const OpcoesLote& opcoes : alvo.opcoes) Verificar(alvo, opcoes, entrada);
  return 0;
}
