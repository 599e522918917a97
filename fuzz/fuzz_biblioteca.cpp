// The library's public face on any bytes: as a GMS text, the conversion either
// refuses it with the program's own errors or gives degrees that the decimal-to-GMS
// conversion writes back as the same coordinate; as coordinates (doubles of any bits),
// the block form gives each point the code the point record gives it, and for an
// accepted point the value of the query one point at a time.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "apoio.hpp"
#include "coords/ponto.hpp"
#include "nivora2015/nivora2015.hpp"

namespace {

using nivora::fuzz::Exigir;
using nivora::fuzz::Visivel;

void Gms(const std::string& texto) {
  double graus = 0;
  try {
    graus = nivora2015::GmsParaDecimal(texto);
  } catch (const nivora2015::EPontoRecusado& e) {
    const auto c = e.CodigoRecusa();
    Exigir(c == nivora2015::Codigo::MinutoLatitude || c == nivora2015::Codigo::SegundoLatitude,
           "recusa com outro codigo: " + Visivel(texto));
    return;
  } catch (const nivora2015::EConversao&) {
    return;
  }
  Exigir(std::isfinite(graus), "graus nao finitos de '" + Visivel(texto) + "'");
  // Written back with four decimals of seconds: within 5e-5" (and a rounding) of it.
  // Seconds that the text rounds up to 60.0000 are the program's own way of writing
  // them, which its GMS reading then refuses.
  // Whole degrees beyond 32 bits (a degrees text of -2147483648) are refused.
  if (std::fabs(graus) >= 2147483648.0) {
    bool recusado = false;
    try {
      nivora2015::DecimalParaGms(graus);
    } catch (const nivora2015::EConversao&) {
      recusado = true;
    }
    Exigir(recusado, "graus alem de 32 bits aceitos: " + Visivel(texto));
    return;
  }
  const nivora2015::Gms gms = nivora2015::DecimalParaGms(graus);
  if (gms.texto.size() >= 7 && gms.texto.compare(gms.texto.size() - 7, 3, "60.") == 0) {
    bool recusado = false;
    try {
      nivora2015::GmsParaDecimal(gms.texto);
    } catch (const nivora2015::EPontoRecusado&) {
      recusado = true;
    }
    Exigir(recusado, "segundos 60 aceitos: " + gms.texto);
    return;
  }
  const double volta = nivora2015::GmsParaDecimal(gms.texto);
  Exigir(std::fabs(volta - graus) <= 5.1e-5 / 3600 + 1e-15 * std::fabs(graus),
         "'" + Visivel(texto) + "' -> " + gms.texto + " nao volta");
}

void Pontos(const std::uint8_t* dados, std::size_t tamanho) {
  static const nivora2015::Grade grade =
      nivora2015::Modelo(nivora::fuzz::GradeDistribuida()).Retrato();
  std::vector<double> lat, lon;
  for (std::size_t k = 0; k + 16 <= tamanho && lat.size() < 9; k += 16) {
    double a = 0, b = 0;
    std::memcpy(&a, dados + k, 8);
    std::memcpy(&b, dados + k + 8, 8);
    // Any bits, and the same folded into the model area (most bits give huge values).
    lat.push_back(k % 32 ? a : -34.5 + std::fmod(std::fabs(a), 40.0));
    lon.push_back(k % 32 ? b : -74.5 + std::fmod(std::fabs(b), 40.0));
  }
  std::vector<double> N(lat.size());
  std::vector<std::int32_t> codigos(lat.size());
  grade.Ondulacoes(lat.data(), lon.data(), lat.size(), N.data(), codigos.data());
  for (std::size_t i = 0; i < lat.size(); ++i) {
    bool recusado = false;
    const nivora::ErroPonto erro = nivora::RecusaLatLonDec(lat[i], lon[i], recusado);
    const std::int32_t esperado = !recusado ? 0
                                  : erro == nivora::ErroPonto::Nenhum
                                      ? 11
                                      : static_cast<std::int32_t>(erro);
    const std::string onde = std::to_string(lat[i]) + " " + std::to_string(lon[i]);
    if (esperado != 0 || codigos[i] == 10) {
      Exigir(codigos[i] == esperado || (esperado == 0 && codigos[i] == 10),
             "codigo " + std::to_string(codigos[i]) + " em " + onde);
      Exigir(std::isnan(N[i]), "valor para um ponto recusado em " + onde);
      continue;
    }
    Exigir(codigos[i] == 0, "codigo " + std::to_string(codigos[i]) + " em " + onde);
    Exigir(grade.Ondulacao(lat[i], lon[i]) == N[i], "bloco e ponto a ponto diferem em " + onde);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
  Gms(std::string(reinterpret_cast<const char*>(dados), tamanho));
  Pontos(dados, tamanho);
  return 0;
}
