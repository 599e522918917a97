// The format token list of a batch input and its command-line form.
#include "batch/formato.hpp"

#include <algorithm>
#include <array>

#include "text/textos.hpp"

namespace nivora {

namespace {

constexpr std::array<std::string_view, 4> kCodigos = {kLatLonDecimal, kLonLatDecimal, kLatLonGMS,
                                                      kLonLatGMS};

}  // namespace

void TListaFormato::Adicionar(std::string_view texto) {
  itens_.emplace_back(texto);
}

int TListaFormato::IndexOf(std::string_view texto) const {
  for (size_t i = 0; i < itens_.size(); ++i) {
    if (IguaisSemCaixa(itens_[i], texto)) return static_cast<int>(i);
  }
  return -1;
}

void TListaFormato::Remover(int pos) {
  if (pos < 0 || pos >= Count()) return;
  itens_.erase(itens_.begin() + pos);
}

std::string TListaFormato::CodigoCoord() const {
  for (std::string_view codigo : kCodigos) {
    if (IndexOf(codigo) >= 0) return std::string(codigo);
  }
  return {};
}

bool TListaFormato::Decimal() const {
  return IndexOf(kLatLonDecimal) >= 0 || IndexOf(kLonLatDecimal) >= 0;
}

TListaFormato TListaFormato::DeTexto(std::string_view tokens) {
  TListaFormato lista;
  int codigos = 0;
  int ids = 0;
  int alturas = 0;
  size_t inicio = 0;
  while (true) {
    const size_t virgula = tokens.find(',', inicio);
    std::string_view token = tokens.substr(
        inicio, virgula == std::string_view::npos ? std::string_view::npos : virgula - inicio);
    if (IguaisSemCaixa(token, kTokenId)) {
      ++ids;
      lista.Adicionar(kTokenId);
    } else if (IguaisSemCaixa(token, kTokenAltura)) {
      ++alturas;
      lista.Adicionar(kTokenAltura);
    } else if (std::find(kCodigos.begin(), kCodigos.end(), token) != kCodigos.end()) {
      ++codigos;
      lista.Adicionar(token);
    } else {
      throw EFormatoInvalido("formato inv\xE1lido: \"" + std::string(token) +
                             "\" n\xE3o \xE9 ID, H nem um c\xF3"
                             "digo de 0 a 3");
    }
    if (virgula == std::string_view::npos) break;
    inicio = virgula + 1;
  }
  if (codigos != 1) {
    throw EFormatoInvalido(
        "formato inv\xE1lido: informe exatamente um c\xF3"
        "digo de 0 a 3");
  }
  if (ids > 1) throw EFormatoInvalido("formato inv\xE1lido: ID aparece mais de uma vez");
  if (ids == 1 && !lista.IdPrimeiro() && lista.IndexOf(kTokenId) != lista.Count() - 1) {
    throw EFormatoInvalido("formato inv\xE1lido: ID vem antes ou depois das demais colunas");
  }
  if (alturas > 1) throw EFormatoInvalido("formato inv\xE1lido: H aparece mais de uma vez");
  if (alturas == 1 && lista.IndexOf(kTokenAltura) != lista.IndexOf(lista.CodigoCoord()) + 1) {
    throw EFormatoInvalido(
        "formato inv\xE1lido: H vem logo depois do c\xF3"
        "digo de coordenadas");
  }
  return lista;
}

std::string TListaFormato::ComoTexto() const {
  std::string texto;
  for (size_t i = 0; i < itens_.size(); ++i) {
    if (i > 0) texto += ',';
    texto += itens_[i];
  }
  return texto;
}

}  // namespace nivora
