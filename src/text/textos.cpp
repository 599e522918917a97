// Text routines shared by the whole program (single-byte texts).
#include "text/textos.hpp"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nivora {

namespace {

/// The line break that ObterTermo puts in place of each separator.
constexpr std::string_view kQuebraLinha = "\r\n";

/// ASCII upper case; other bytes (cp1252 letters included) are left as they are.
char MaiusculaAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

/// ReplaceStr with the search compared without letter case (ASCII folding).
std::string ReplaceStrSemCaixa(std::string_view text, std::string_view search,
                               std::string_view replacement) {
  if (search.empty()) return std::string(text);
  std::string resultado;
  resultado.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.size() - i >= search.size() && IguaisSemCaixa(text.substr(i, search.size()), search)) {
      resultado.append(replacement);
      i += search.size();
    } else {
      resultado.push_back(text[i]);
      ++i;
    }
  }
  return resultado;
}

/// Lines of `text` broken at CR LF, LF or a lone CR. A break at the very end adds no
/// line; an empty text has none. A NUL byte is a character like any other: these
/// texts come from fields and records, where every byte counts. The grid file's
/// loader has a splitter of its own because its file ends at the first NUL.
std::vector<std::string_view> DividirLinhas(std::string_view text) {
  std::vector<std::string_view> linhas;
  std::size_t inicio = 0;
  while (inicio < text.size()) {
    std::size_t fim = inicio;
    while (fim < text.size() && text[fim] != '\r' && text[fim] != '\n') ++fim;
    linhas.push_back(text.substr(inicio, fim - inicio));
    std::size_t proximo = fim;
    if (proximo < text.size() && text[proximo] == '\r') ++proximo;
    if (proximo < text.size() && text[proximo] == '\n') ++proximo;
    inicio = proximo;
  }
  return linhas;
}

}  // namespace

bool IguaisSemCaixa(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (MaiusculaAscii(a[i]) != MaiusculaAscii(b[i])) return false;
  }
  return true;
}

std::string ReplaceStr(std::string_view text, std::string_view search,
                       std::string_view replacement) {
  if (search.empty()) return std::string(text);
  std::string resultado;
  resultado.reserve(text.size());
  std::size_t inicio = 0;
  for (std::size_t achado = text.find(search); achado != std::string_view::npos;
       achado = text.find(search, inicio)) {
    resultado.append(text.substr(inicio, achado - inicio));
    resultado.append(replacement);
    inicio = achado + search.size();
  }
  resultado.append(text.substr(inicio));
  return resultado;
}

std::string ObterTermo(int n, std::string_view separator, std::string_view text) {
  if (n < 1) return {};
  const std::string quebrado = ReplaceStrSemCaixa(text, separator, kQuebraLinha);
  const std::vector<std::string_view> linhas = DividirLinhas(quebrado);
  const auto indice = static_cast<std::size_t>(n - 1);
  if (indice >= linhas.size()) return {};
  return std::string(linhas[indice]);
}

std::string DeleteChar(char c, std::string_view text) {
  std::string resultado;
  resultado.reserve(text.size());
  for (char ch : text) {
    if (ch != c) resultado.push_back(ch);
  }
  return resultado;
}

std::string VirgPonto(std::string_view text) {
  std::string resultado(text);
  VirgPontoNoLugar(resultado);
  return resultado;
}

void VirgPontoNoLugar(std::string& text) {
  for (char& ch : text) {
    if (ch == ',') ch = '.';
  }
}

std::string Justifica(std::string_view text, int width, std::string_view side, char fill) {
  if (width <= 0) return {};
  const auto largura = static_cast<std::size_t>(width);
  std::string resultado(text);
  if (resultado.size() < largura) {
    const std::string enchimento(largura - resultado.size(), fill);
    if (IguaisSemCaixa(side, "L")) {
      resultado.insert(0, enchimento);
    } else {
      resultado.append(enchimento);
    }
  }
  resultado.resize(largura);
  return resultado;
}

namespace {

std::string AjustaCampo(std::string_view text, std::size_t largura) {
  if (text.size() >= largura) return std::string(text);
  return std::string(largura - text.size(), ' ').append(text);
}

constexpr std::size_t kCampo12 = 12;
constexpr std::size_t kCampo10 = 10;

}  // namespace

std::string AjustaCampo12(std::string_view text) {
  return AjustaCampo(text, kCampo12);
}

std::string AjustaCampo10(std::string_view text) {
  return AjustaCampo(text, kCampo10);
}

std::string TrimLeft(std::string_view text) {
  std::size_t inicio = 0;
  while (inicio < text.size() && EhBranco(text[inicio])) ++inicio;
  return std::string(text.substr(inicio));
}

std::string TrimRight(std::string_view text) {
  std::size_t fim = text.size();
  while (fim > 0 && EhBranco(text[fim - 1])) --fim;
  return std::string(text.substr(0, fim));
}

std::string Trim(std::string_view text) {
  return TrimLeft(TrimRight(text));
}

std::string FormatarTempoDecorrido(std::int64_t milissegundos) {
  constexpr std::int64_t kMsPorSegundo = 1000;
  constexpr std::int64_t kSegundosPorMinuto = 60;
  constexpr std::int64_t kSegundosPorHora = 3600;
  constexpr std::int64_t kMenorDeDoisDigitos = 10;
  const std::int64_t segundos = (milissegundos > 0 ? milissegundos : 0) / kMsPorSegundo;
  std::string texto;
  for (const std::int64_t parte :
       {segundos / kSegundosPorHora, segundos / kSegundosPorMinuto % kSegundosPorMinuto,
        segundos % kSegundosPorMinuto}) {
    if (!texto.empty()) texto.push_back(':');
    if (parte < kMenorDeDoisDigitos) texto.push_back('0');
    texto.append(std::to_string(parte));
  }
  return texto;
}

}  // namespace nivora
