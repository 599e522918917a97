// Texts of the point record's error codes: the refusal line and the valid
// range shown under it. Windows-1252 bytes; lines of a range separated by "\r".
#include <array>
#include <string>
#include <string_view>

#include "coords/ponto.hpp"

namespace nivora {

namespace {

constexpr std::string_view kPrefixoErro = "Entrada Inv\xE1lida : ";
constexpr std::string_view kErroGeral = "POSS\xCDVEL ERRO NA ENTRADA DE DADOS";

// Descriptions of the codes 1 to 9, in code order.
constexpr std::array<std::string_view, 9> kDescricoes = {
    "GRAU LATITUDE fora do limite",       // 1
    "MINUTO LATITUDE fora do limite",     // 2
    "SEGUNDO LATITUDE fora do limite",    // 3
    "GRAU LONGITUDE fora do limite",      // 4
    "MINUTO LONGITUDE fora do limite",    // 5
    "SEGUNDO LONGITUDE fora do limite",   // 6
    "LATITUDE ACIMA  do limite do grid",  // 7
    "LATITUDE ABAIXO do limite do grid",  // 8
    "LONGITUDE FORA  do limite do grid",  // 9
};

// Valid ranges of the model area. \xBA is the degree mark, \xE0 is "a" with grave accent.
constexpr std::string_view kLatitudeL3 =
    "Limite correto para a LATITUDE no modelo   :\r"
    "GMS                -34\xBA 34' 58.80\"   \xE0   5\xBA 34' 59.88\"\r"
    "GrauDecimal  -34.5830027       \xE0   5.5833027";
constexpr std::string_view kLatitudeL2 =
    "Limite correto para a LATITUDE no modelo  :\r"
    "GMS                -34\xBA 34' 58.80\"   \xE0   5\xBA 34' 59.88\"\r"
    "GrauDecimal  -34.5830027       \xE0   5.5833027";
constexpr std::string_view kLongitudeG0 =
    "Limite correto para a LONGITUDE no modelo :\r"
    " -74\xBA 34' 58.80\"   \xE0   -34\xBA 25' 59.88\"\r"
    "GrauDecimal  -74.5830027       \xE0   -34.4332999";
constexpr std::string_view kLongitudeG1 =
    "Limite correto para a LONGITUDE no modelo :\r"
    "GMS                -74\xBA 34' 58.80\"   \xE0   -34\xBA 25' 59.88\"\r"
    "GrauDecimal  -74.5830027       \xE0   -34.4332999";

// Valid ranges of minutes and seconds; the blanks differ between latitude and longitude.
constexpr std::string_view kMinutoLat = "Limite correto para o MINUTO  :  0  \xE0  59 ";
constexpr std::string_view kSegundoLat = "Limite correto para o SEGUNDO :  0  \xE0  59.9999... ";
constexpr std::string_view kMinutoLon = "Limite correto para o MINUTO  :  0  \xE0  59";
constexpr std::string_view kSegundoLon = "Limite correto para o SEGUNDO  :  0  \xE0  59.9999...";

// Range texts of the codes 1 to 9, in code order.
constexpr std::array<std::string_view, 9> kLimites = {
    kLatitudeL3,   // 1 latitude degrees
    kMinutoLat,    // 2
    kSegundoLat,   // 3
    kLongitudeG0,  // 4 longitude degrees
    kMinutoLon,    // 5
    kSegundoLon,   // 6
    kLatitudeL3,   // 7 north of the model
    kLatitudeL2,   // 8 south of the model
    kLongitudeG1,  // 9 east or west of the model
};

// Position of a reason in the two tables above; -1 for Nenhum and values outside them.
int Posicao(ErroPonto codigo) {
  const auto numero = static_cast<std::int32_t>(codigo);
  return numero >= 1 && numero <= static_cast<std::int32_t>(kDescricoes.size()) ? numero - 1 : -1;
}

}  // namespace

std::string MensagemErro(ErroPonto codigo) {
  const int posicao = Posicao(codigo);
  std::string texto(kPrefixoErro);
  texto += posicao >= 0 ? kDescricoes[static_cast<std::size_t>(posicao)] : kErroGeral;
  return texto;
}

std::string TextoLimite(ErroPonto codigo) {
  const int posicao = Posicao(codigo);
  if (posicao < 0) return {};
  return std::string(kLimites[static_cast<std::size_t>(posicao)]);
}

}  // namespace nivora
