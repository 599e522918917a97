// One batch record, under every token list (the 24 of the command line, with and
// without a height column): the parser either delivers all its values or fails with
// the program's own error, and the line that the run writes for it is whole (one CR
// LF, at its end) and of the expected kind; a record whose height is no number stops
// the run like one that does not split.
#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdint>
#include <cstring>
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

/// The 24 token lists: no identification, identification first, last; four layouts;
/// with and without a height column.
const std::vector<std::string> kListas = {
    "0",      "1",      "2",      "3",      "ID,0",   "ID,1",   "ID,2",   "ID,3",
    "0,ID",   "1,ID",   "2,ID",   "3,ID",   "0,H",    "1,H",    "2,H",    "3,H",
    "ID,0,H", "ID,1,H", "ID,2,H", "ID,3,H", "0,H,ID", "1,H,ID", "2,H,ID", "3,H,ID"};

constexpr std::string_view kInicioRejeicao = "Entrada Inv\xE1lida : ";

struct Alvo {
  std::vector<OpcoesLote> opcoes;
  TRetratoGrade grade = TRetratoGrade::DoArquivo(fuzz::GradeDistribuida());

  Alvo() {
    for (const std::string& lista : kListas) {
      // Both output boxes ticked: the result line carries every column.
      opcoes.push_back(OpcoesLote::De(TListaFormato::DeTexto(lista), true, true));
      // Heights of both kinds, by turns.
      if (opcoes.back().formato.TemAltura())
        opcoes.back().altura = opcoes.size() % 2 ? TipoAltura::Elipsoidal : TipoAltura::Ortometrica;
    }
  }
};

/// Everything a parser delivers for one record.
struct Valores {
  std::string id, sinal, altura;
  long double lat = 0, lon = 0, sLat = 0, sLon = 0;
  std::int32_t gLat = 0, mLat = 0, gLon = 0, mLon = 0;
  bool operator==(const Valores& o) const {
    const auto igual = [](long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; };
    return id == o.id && sinal == o.sinal && altura == o.altura && igual(lat, o.lat) &&
           igual(lon, o.lon) && igual(sLat, o.sLat) && igual(sLon, o.sLon) && gLat == o.gLat &&
           mLat == o.mLat && gLon == o.gLon && mLon == o.mLon;
  }
};

/// True when the parser of `opcoes` splits `linha` (its own errors only).
bool Divide(const OpcoesLote& opcoes, const std::string& linha, Valores& v) {
  try {
    if (opcoes.formato.Decimal()) {
      ObterCoordDecimal(opcoes.formato, linha, v.id, v.lat, v.lon, &v.altura);
    } else {
      ObterCoordGMS(opcoes.formato, linha, v.id, v.sinal, v.gLat, v.mLat, v.gLon, v.mLon, v.sLat,
                    v.sLon, &v.altura);
      Exigir(v.sinal == "+" || v.sinal == "-", "sinal de latitude '" + Visivel(v.sinal) + "'");
      Exigir(v.gLat >= 0, "graus de latitude negativos");
    }
    return true;
  } catch (const ErroNivora&) {
    return false;
  }
}

/// The record split step by step with the text routines, one separator
/// character at a time, as the layout rules read: the reference for Divide.
bool DivideLiteral(const TListaFormato& formato, const std::string& linha, Valores& v) {
  static constexpr std::string_view kDelimitadores = " #$%&*:;@|";
  const bool decimal = formato.Decimal();
  std::string s = Trim(linha);
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (kDelimitadores.find(s[i]) != std::string_view::npos)
      s = ReplaceStr(s, std::string(1, s[i]), " ");
  }
  if (!decimal) s = Trim(s);
  std::string t[8];
  const int quantos = decimal ? 2 : 6;
  for (int k = 1; k <= quantos; ++k) {
    t[k] = ObterTermo(1, " ", s);
    s = Trim(s.substr(t[k].size()));
  }
  const int posId = formato.IndexOf(kTokenId);
  const int ultimo = quantos + 1;
  // The height column stands right after the coordinates: after the last coordinate
  // (the rest of the record without it) when the identification comes first, before
  // the identification (the rest of the record) when it comes last.
  const auto proxima = [&s] {
    const std::string termo = ObterTermo(1, " ", s);
    s = Trim(s.substr(termo.size()));
    return termo;
  };
  if (formato.TemAltura()) {
    if (posId == 0) t[ultimo] = proxima();
    v.altura = posId == 0 ? Trim(s) : proxima();
  }
  if (posId > 0 || (posId == 0 && !formato.TemAltura())) t[ultimo] = Trim(s);
  const auto justifica = [](const std::string& x) { return Justifica(x, 8, "R", ' '); };
  try {
    if (decimal) {
      const bool latLon = formato.IndexOf(kLatLonDecimal) >= 0;
      const std::string& a = posId == 0 ? t[2] : t[1];
      const std::string& b = posId == 0 ? t[3] : t[2];
      v.lat = StrToFloat(latLon ? a : b);
      v.lon = StrToFloat(latLon ? b : a);
      v.id = posId == 0 ? justifica(t[1]) : posId > 0 ? justifica(t[3]) : "";
    } else {
      const bool latLon = formato.IndexOf(kLatLonGMS) >= 0;
      const int base = posId == 0 ? 2 : 1;
      const int cLat = latLon ? base : base + 3;
      const int cLon = latLon ? base + 3 : base;
      const std::string& grau = t[cLat];
      const std::int64_t g = StrToInt(grau);
      v.sinal = (!grau.empty() && (grau[0] == '+' || grau[0] == '-')) ? grau.substr(0, 1) : "+";
      v.gLat = static_cast<std::int32_t>(std::min<std::int64_t>(g < 0 ? -g : g, INT32_MAX));
      v.mLat = StrToInt(t[cLat + 1]);
      v.sLat = StrToFloat(t[cLat + 2]);
      v.gLon = StrToInt(t[cLon]);
      v.mLon = StrToInt(t[cLon + 1]);
      v.sLon = StrToFloat(t[cLon + 2]);
      v.id = posId == 0 ? justifica(t[1]) : posId > 0 ? justifica(t[7]) : "";
    }
    return true;
  } catch (const EConversao&) {
    return false;
  }
}

void Verificar(Alvo& alvo, const OpcoesLote& opcoes, std::string_view lida) {
  // What the run hands to the parsers: no CR, commas turned into points.
  const std::string semCR = DeleteChar('\r', lida);
  const std::string linha = VirgPonto(semCR);
  const std::string contexto = " [" + opcoes.formato.ComoTexto() + "] " + Visivel(linha);

  Valores valores, literal;
  const bool divide = Divide(opcoes, linha, valores);
  const bool divideLiteral = DivideLiteral(opcoes.formato, linha, literal);
  Exigir(divide == divideLiteral, "divisao difere da regra passo a passo" + contexto);
  const bool temAltura = opcoes.formato.TemAltura();
  long double altura = 0;
  if (divide) {
    Exigir(valores == literal, "valores diferem da regra passo a passo" + contexto);
    const bool temId = opcoes.formato.IndexOf(kTokenId) >= 0;
    Exigir(valores.id.size() == (temId ? static_cast<size_t>(kLarguraId) : 0u),
           "identificacao de " + std::to_string(valores.id.size()) + " caracteres" + contexto);
    Exigir(temAltura || valores.altura.empty(), "altura sem coluna H" + contexto);
  }
  // The run writes a line only for a record whose columns, the height included, convert.
  const bool processa = divide && (!temAltura || TryStrToFloat(valores.altura, altura));

  ProcessadorLinha processador(opcoes, alvo.grade);
  std::string saida = "x";  // what was there before must stay
  try {
    const TipoLinha tipo = processador.Processar(semCR, saida);
    Exigir(processa, "linha escrita para um registro que nao divide" + contexto);
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
      // The undulation closes the line, a number with two decimals; with a height
      // column the other height follows it, with three (wider than its 12 characters
      // when it must; from 1e18 on the mask writes the general form, "4.4E41", as the
      // platform's formatting does).
      std::string_view resto = escrita.substr(0, escrita.size() - 2);
      const auto numero = [&](std::size_t decimais, const char* nome) {
        const std::size_t inicio = resto.find_last_of(' ') + 1;
        const std::string n(resto.substr(inicio));
        resto = resto.substr(0, resto.find_last_not_of(' ', inicio - 1) + 1);
        long double valor = 0;
        const bool lido = inicio > 0 && TryStrToFloat(n, valor);
        const bool mascara = n.size() >= decimais + 2 && n[n.size() - decimais - 1] == '.';
        const bool geral = n.find('E') != std::string::npos && std::fabs(valor) >= 1e18L;
        Exigir(lido && (mascara || geral), std::string(nome) + " '" + Visivel(n) + "'" + contexto);
      };
      if (temAltura) numero(3, "outra altura");
      numero(2, "ondulacao");
    }
  } catch (const EErroFormatacao&) {
    Exigir(!processa, "erro de formatacao para um registro que divide" + contexto);
    Exigir(saida == "x", "saida alterada por um registro que falhou" + contexto);
  } catch (const ErroNivora&) {
    // A query outside the grid's cover: nothing may have been written.
    Exigir(processa, "consulta de um registro que nao divide" + contexto);
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
