// The grid file's node line.
#include "geoid/formato_no.hpp"

#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace nivora {

namespace {

// Characters of `linha` from `inicio` on, at most `largura`; empty past the end.
std::string_view Campo(std::string_view linha, std::size_t inicio, std::size_t largura) {
  if (inicio >= linha.size()) return {};
  return linha.substr(inicio, largura);
}

}  // namespace

TNoGrade LerNo(std::string_view linha) {
  TNoGrade no;
  no.Lon = StrToFloat(Campo(linha, kInicioLon, kLarguraLon)) - kVoltaGrausLon;
  no.Lat = StrToFloat(Campo(linha, kInicioLat, kLarguraLat));
  no.N = StrToFloat(Trim(Campo(linha, kInicioN, kLarguraN)));
  return no;
}

}  // namespace nivora
