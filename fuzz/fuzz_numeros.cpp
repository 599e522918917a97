// Number conversions, number masks and the text routines on any bytes: no
// crash, the strict syntax agrees with the C library's conversion in the C
// locale, a masked number reads back within half a unit of its last decimal,
// a double reads as its shortest decimal does, and Windows-1252 survives a trip
// through UTF-8.
#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "apoio.hpp"
#include "text/cp1252.hpp"
#include "text/erros.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace {

using namespace nivora;
using fuzz::Exigir;
using fuzz::Visivel;

locale_t LocaleC() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

bool SoCaracteres(std::string_view texto, std::string_view permitidos) {
  return !texto.empty() && texto.find_first_not_of(permitidos) == std::string_view::npos;
}

std::string_view SemEspacos(std::string_view t) {
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  return t;
}

void VerificarFloat(std::string_view texto) {
  long double valor = 0;
  const bool aceito = TryStrToFloat(texto, valor);
  try {
    const long double lancado = StrToFloat(texto);
    Exigir(aceito && std::memcmp(&lancado, &valor, 10) == 0, "StrToFloat difere de Try");
  } catch (const EConversao& e) {
    Exigir(!aceito, "StrToFloat recusa o que Try aceita");
    // what() is a C string: a NUL in the text ends the message there.
    const std::string esperada = "'" + std::string(texto) + "' is not a valid floating point value";
    Exigir(std::string(e.what()) == esperada.c_str(),
           "mensagem de conversao: " + Visivel(e.what()));
  }
  if (aceito) Exigir(std::isfinite(valor), "valor aceito nao finito: " + Visivel(texto));

  // The reference: strtold in the C locale, on texts of the number's own characters.
  const std::string_view nucleo = SemEspacos(texto);
  if (!SoCaracteres(nucleo, "0123456789+-.eE")) {
    Exigir(!aceito, "aceito com caracteres estranhos: " + Visivel(texto));
    return;
  }
  const std::string copia(nucleo);
  char* fim = nullptr;
  errno = 0;
  const long double referencia = strtold_l(copia.c_str(), &fim, LocaleC());
  const bool inteiro = fim == copia.c_str() + copia.size();
  const int erro = errno;
  if (aceito) {
    Exigir(inteiro, "aceito mas a referencia nao le tudo: " + Visivel(texto));
    Exigir(referencia == valor, "valor difere da referencia: " + Visivel(texto));
  } else if (inteiro) {
    // Well formed but refused: only a magnitude outside the normal extended range.
    Exigir(erro == ERANGE || std::isinf(referencia) ||
               (referencia != 0 && std::fabs(referencia) < LDBL_MIN),
           "recusado mas bem formado: " + Visivel(texto));
  }
}

void VerificarInteiro(std::string_view texto) {
  std::int32_t valor = 0;
  const bool aceito = TryStrToInt(texto, valor);
  try {
    Exigir(StrToInt(texto) == valor && aceito, "StrToInt difere de Try");
  } catch (const EConversao&) {
    Exigir(!aceito, "StrToInt recusa o que Try aceita");
  }
  if (!SoCaracteres(texto, "0123456789+-")) {
    Exigir(!aceito, "inteiro aceito com caracteres estranhos: " + Visivel(texto));
    return;
  }
  const std::string copia(texto);
  char* fim = nullptr;
  errno = 0;
  const long long referencia = strtoll_l(copia.c_str(), &fim, 10, LocaleC());
  const bool inteiro = fim == copia.c_str() + copia.size();
  const bool cabe = errno == 0 && referencia >= INT32_MIN && referencia <= INT32_MAX;
  Exigir(aceito == (inteiro && cabe), "inteiro: aceitacao difere da referencia: " + Visivel(texto));
  if (aceito) Exigir(referencia == valor, "inteiro difere da referencia: " + Visivel(texto));
}

struct MascaraTeste {
  std::string_view mascara;
  int inteirosMinimos;
  int decimais;
};
constexpr MascaraTeste kMascaras[] = {
    {"#0.000", 1, 3}, {"#00.00", 2, 2}, {"#0.00", 1, 2}, {"#0.0000", 1, 4}};

void VerificarMascaras(long double v) {
  for (const MascaraTeste& m : kMascaras) {
    const std::string texto = FormatFloat(m.mascara, v);
    const std::string contexto = std::string(m.mascara) + " -> '" + Visivel(texto) + "'";
    if (std::isnan(v)) {
      Exigir(texto == "NAN", contexto);
      continue;
    }
    if (std::isinf(v)) {
      Exigir(texto == (v < 0 ? "-INF" : "INF"), contexto);
      continue;
    }
    long double lido = 0;
    Exigir(TryStrToFloat(texto, lido), "mascara ilegivel " + contexto);
    if (std::fabs(v) >= 1e17L) {
      Exigir(std::fabs(lido - v) <= std::fabs(v) * 1e-14L, "forma geral longe " + contexto);
      continue;
    }
    // Layout: optional "-", at least the required integer digits, the point, the decimals.
    const bool negativo = !texto.empty() && texto[0] == '-';
    const std::string_view corpo = std::string_view(texto).substr(negativo ? 1 : 0);
    const std::size_t ponto = corpo.find('.');
    Exigir(ponto != std::string_view::npos && corpo.size() - ponto - 1 == size_t(m.decimais) &&
               ponto >= size_t(m.inteirosMinimos),
           "formato " + contexto);
    Exigir(SoCaracteres(corpo.substr(0, ponto), "0123456789") &&
               SoCaracteres(corpo.substr(ponto + 1), "0123456789"),
           "digitos " + contexto);
    Exigir(ponto == size_t(m.inteirosMinimos) || corpo[0] != '0', "zero a esquerda " + contexto);
    Exigir(!(negativo && lido == 0), "zero com sinal " + contexto);
    Exigir(!negativo || v < 0, "sinal trocado " + contexto);
    // Within half a unit of the last decimal (plus the 18-digit step before it).
    const long double meiaUnidade = 0.5L * std::pow(10.0L, -m.decimais);
    Exigir(std::fabs(lido - v) <= meiaUnidade * (1 + 1e-15L) + std::fabs(v) * 1e-17L,
           "arredondamento " + contexto);
    // The masked text is a fixed point of the mask.
    Exigir(FormatFloat(m.mascara, lido) == texto, "nao idempotente " + contexto);
  }
}

void VerificarTextos(std::string_view texto) {
  const int largura = texto.empty() ? 0 : static_cast<unsigned char>(texto[0]) % 40;
  for (std::string_view lado : {"L", "l", "R"}) {
    const std::string j = Justifica(texto, largura, lado, '0');
    Exigir(j.size() == static_cast<size_t>(largura), "Justifica: largura");
  }
  const std::string a = AjustaCampo12(texto);
  Exigir(a.size() >= 12 && a.size() >= texto.size() &&
             std::string_view(a).substr(a.size() - texto.size()) == texto,
         "AjustaCampo12");
  const std::string t = Trim(texto);
  Exigir(t.empty() || (static_cast<unsigned char>(t.front()) > 0x20 &&
                       static_cast<unsigned char>(t.back()) > 0x20),
         "Trim");
  const std::string termo = ObterTermo(2, " ", texto);
  Exigir(termo.find_first_of(" \r\n") == std::string::npos, "ObterTermo: separador no termo");
  Exigir(DeleteChar(';', texto).find(';') == std::string::npos, "DeleteChar");
  Exigir(VirgPonto(texto).find(',') == std::string::npos, "VirgPonto");
  const std::string trocado = ReplaceStr(texto, ";", "; ");
  Exigir(trocado.size() ==
             texto.size() + static_cast<size_t>(std::count(texto.begin(), texto.end(), ';')),
         "ReplaceStr");
  // Every byte survives UTF-8 and back; any bytes become some valid text.
  Exigir(Utf8ParaCp1252(Cp1252ParaUtf8(texto)) == texto, "cp1252 ida e volta: " + Visivel(texto));
  const std::string ida = Cp1252ParaUtf8(Utf8ParaCp1252(texto));
  Exigir(Utf8ParaCp1252(ida) == Utf8ParaCp1252(texto), "utf8 ida e volta: " + Visivel(texto));
}

// A double read as its text: ComoTexto and its batch form give what StrToFloat gives
// the double's shortest decimal.
void VerificarComoTexto(double x) {
  if (!std::isfinite(x)) return;
  char texto[32];
  const auto fim = std::to_chars(texto, texto + sizeof texto, x).ptr;
  const long double esperado = StrToFloat(std::string_view(texto, fim - texto));
  long double lote[2] = {0, 0};
  const double dois[2] = {x, -x};
  ComoTextos(dois, 2, lote);
  const long double obtido = ComoTexto(x), oposto = -esperado;
  Exigir(std::memcmp(&obtido, &esperado, 10) == 0 && std::memcmp(&lote[0], &esperado, 10) == 0 &&
             std::memcmp(&lote[1], &oposto, 10) == 0,
         "ComoTexto difere do texto: " + std::string(texto, fim));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
  const std::string_view texto(reinterpret_cast<const char*>(dados), tamanho);
  VerificarFloat(texto);
  VerificarInteiro(texto);
  VerificarTextos(texto);
  long double lido = 0;
  if (TryStrToFloat(texto, lido)) {
    VerificarMascaras(lido);
    VerificarComoTexto(static_cast<double>(lido));
  }
  if (tamanho >= 8) {
    double x = 0;
    std::memcpy(&x, dados, 8);
    VerificarComoTexto(x);
  }
  // Any 80-bit pattern, non-canonical ones included.
  if (tamanho >= 10) {
    long double bruto = 0;
    std::memcpy(&bruto, dados, 10);
    VerificarMascaras(bruto);
  }
  return 0;
}
