// Splitting one batch record into its identification and coordinates.
#include "batch/registro.hpp"

#include <cstdlib>
#include <limits>

#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace nivora {

namespace {

constexpr std::string_view kDelimitadores = " #$%&*:;@|";

std::string_view Aparar(std::string_view s) {
  while (!s.empty() && EhBranco(s.front())) s.remove_prefix(1);
  while (!s.empty() && EhBranco(s.back())) s.remove_suffix(1);
  return s;
}

/// The record cleaned before it is cut into columns: blanks and control characters
/// trimmed from both ends, then every separator character turned into a space.
std::string Limpar(std::string_view linha) {
  std::string s(Aparar(linha));
  for (char& c : s) {
    if (EhDelimitador(c)) c = ' ';
  }
  return s;
}

/// Takes the columns of a record from the front: each is the first term of the
/// rest at " " (a term also ends at a line break), and the rest is then trimmed.
class Colunas {
 public:
  explicit Colunas(std::string_view s) : resto_(s) {}

  std::string_view Proxima() {
    size_t fim = 0;
    while (fim < resto_.size() && resto_[fim] != ' ' && resto_[fim] != '\r' &&
           resto_[fim] != '\n') {
      ++fim;
    }
    const std::string_view termo = resto_.substr(0, fim);
    resto_ = Aparar(resto_.substr(fim));
    return termo;
  }

  /// Everything after the columns taken, trimmed.
  std::string_view Resto() const { return Aparar(resto_); }

 private:
  std::string_view resto_;
};

/// The columns after all but the last coordinate column: with the identification
/// first, the last coordinate (the rest of the line, or the next column when a height
/// follows it); with the identification last, the identification (the rest of the
/// line). The height column, which stands right after the coordinates, goes to
/// `altura` when asked for.
std::string_view UltimaColuna(Colunas& colunas, const TListaFormato& formato, std::string* altura) {
  const bool comAltura = formato.TemAltura();
  std::string_view ultima;
  std::string_view h;
  if (formato.IdPrimeiro()) {
    ultima = comAltura ? colunas.Proxima() : colunas.Resto();
    if (comAltura) h = colunas.Resto();
  } else {
    if (comAltura) h = colunas.Proxima();
    if (formato.IdUltimo()) ultima = colunas.Resto();
  }
  if (altura != nullptr) altura->assign(h);
  return ultima;
}

long double Decimal(std::string_view coluna) {
  return StrToFloat(coluna);
}
std::int32_t Inteiro(std::string_view coluna) {
  return StrToInt(coluna);
}

std::string Identificacao(std::string_view coluna) {
  return Justifica(coluna, kLarguraId, "R", ' ');
}

/// Degrees, minutes and seconds of one GMS coordinate.
struct ColunasGMS {
  std::string_view grau, minuto, segundo;
};

void LatitudeGMS(const ColunasGMS& c, std::string& sinal, std::int32_t& grau, std::int32_t& minuto,
                 long double& segundo) {
  const std::int32_t valor = Inteiro(c.grau);
  sinal = (!c.grau.empty() && (c.grau.front() == '+' || c.grau.front() == '-'))
              ? std::string(1, c.grau.front())
              : std::string("+");
  // The magnitude of the most negative integer does not fit: keep it out of the
  // range of latitudes instead of overflowing.
  grau = valor == std::numeric_limits<std::int32_t>::min()
             ? std::numeric_limits<std::int32_t>::max()
             : std::abs(valor);
  minuto = Inteiro(c.minuto);
  segundo = Decimal(c.segundo);
}

void LongitudeGMS(const ColunasGMS& c, std::int32_t& grau, std::int32_t& minuto,
                  long double& segundo) {
  grau = Inteiro(c.grau);
  minuto = Inteiro(c.minuto);
  segundo = Decimal(c.segundo);
}

}  // namespace

bool EhDelimitador(char c) {
  return kDelimitadores.find(c) != std::string_view::npos;
}

void ObterCoordDecimal(const TListaFormato& formato, std::string_view linha, std::string& id,
                       long double& lat, long double& lon, std::string* altura) {
  const std::string s = Limpar(linha);
  Colunas colunas(s);
  const std::string_view t1 = colunas.Proxima();
  const std::string_view t2 = colunas.Proxima();
  const int posId = formato.IndexOf(kTokenId);
  const std::string_view t3 = UltimaColuna(colunas, formato, altura);
  const bool latPrimeiro = formato.IndexOf(kLatLonDecimal) >= 0;

  if (posId == 0) {
    // Identification, then the two coordinates.
    id = Identificacao(t1);
    if (latPrimeiro) {
      lat = Decimal(t2);
      lon = Decimal(t3);
    } else {
      lon = Decimal(t2);
      lat = Decimal(t3);
    }
  } else {
    // The two coordinates first; the identification, if any, last.
    if (latPrimeiro) {
      lat = Decimal(t1);
      lon = Decimal(t2);
    } else {
      lon = Decimal(t1);
      lat = Decimal(t2);
    }
    id = posId >= 0 ? Identificacao(t3) : std::string();
  }
}

void ObterCoordGMS(const TListaFormato& formato, std::string_view linha, std::string& id,
                   std::string& sinalLat, std::int32_t& grauLat, std::int32_t& minLat,
                   std::int32_t& grauLon, std::int32_t& minLon, long double& segLat,
                   long double& segLon, std::string* altura) {
  const std::string limpa = Limpar(linha);
  Colunas colunas(Aparar(limpa));
  std::string_view t[8];  // t[1]..t[7], as the columns are numbered
  for (int i = 1; i <= 6; ++i) t[i] = colunas.Proxima();
  const int posId = formato.IndexOf(kTokenId);
  t[7] = UltimaColuna(colunas, formato, altura);
  const bool latPrimeiro = formato.IndexOf(kLatLonGMS) >= 0;

  // Columns of the two coordinates, left to right, after a leading identification.
  const int base = posId == 0 ? 2 : 1;
  const ColunasGMS primeira{t[base], t[base + 1], t[base + 2]};
  const ColunasGMS segunda{t[base + 3], t[base + 4], t[base + 5]};

  if (posId == 0) id = Identificacao(t[1]);
  if (latPrimeiro) {
    LatitudeGMS(primeira, sinalLat, grauLat, minLat, segLat);
    LongitudeGMS(segunda, grauLon, minLon, segLon);
  } else {
    LongitudeGMS(primeira, grauLon, minLon, segLon);
    LatitudeGMS(segunda, sinalLat, grauLat, minLat, segLat);
  }
  if (posId > 0) {
    id = Identificacao(t[7]);
  } else if (posId < 0) {
    id.clear();
  }
}

}  // namespace nivora
