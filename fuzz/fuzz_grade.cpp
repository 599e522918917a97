// Any bytes as a grid file, queried at points near its first node and across
// the model area: the cached query and the step-by-step fit must agree bit for
// bit, or fail with the same error. Then the file is rewritten in place and the
// query must follow the new content at once.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>

#include "apoio.hpp"
#include "coords/ponto.hpp"
#include "geoid/cache.hpp"
#include "geoid/consulta.hpp"
#include "geoid/grade.hpp"
#include "geoid/interpolacao.hpp"
#include "text/erros.hpp"

namespace {

using namespace nivora;
using fuzz::Exigir;
using fuzz::Visivel;

/// Bytes that choose the points, before the grid's own bytes.
constexpr std::size_t kBytesPontos = 4;
constexpr long double kGrausPorPasso = 1.0L / 12.0L;

void Gravar(const std::string& caminho, std::string_view bytes) {
  std::ofstream f(caminho, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct Resposta {
  bool ok = false;
  long double bruto = 0;
  std::string erro;  // type and message
};

std::string Descrever(const std::exception& e) {
  // The kinds that callers tell apart; the rest is the message.
  const char* tipo = dynamic_cast<const EConvertError*>(&e) ? "conversao"
                     : dynamic_cast<const EFOpenError*>(&e) ? "abertura"
                     : dynamic_cast<const EMathError*>(&e)  ? "matematica"
                     : dynamic_cast<const ErroNivora*>(&e)  ? "nivora"
                                                            : "estranho";
  return std::string(tipo) + ": " + e.what();
}

Resposta Rapida(TModeloGeoide& modelo, long double lat, long double lon) {
  Resposta r;
  try {
    const long double n = modelo.ObterOndulacao(lat, lon);
    r.bruto = modelo.UltimoBruto();
    r.ok = true;
    Exigir(std::isnan(r.bruto) || std::isinf(r.bruto) || std::isfinite(n),
           "ondulacao arredondada nao finita");
  } catch (const ErroNivora& e) {
    r.erro = Descrever(e);
  }
  return r;
}

Resposta Referencia(TInterpolador& ref, const std::string& grade, long double lat,
                    long double lon) {
  Resposta r;
  try {
    r.bruto = ref.OndulacaoBruta(grade, lat, lon);
    r.ok = true;
  } catch (const ErroNivora& e) {
    r.erro = Descrever(e);
  }
  return r;
}

bool Iguais(long double a, long double b) {
  if (std::isnan(a) && std::isnan(b)) return true;
  return std::memcmp(&a, &b, 10) == 0;
}

void Comparar(TModeloGeoide& modelo, TInterpolador& ref, const std::string& grade, long double lat,
              long double lon, std::string_view conteudo) {
  const Resposta rapida = Rapida(modelo, lat, lon);
  const Resposta lenta = Referencia(ref, grade, lat, lon);
  const std::string contexto = " em (" + std::to_string(static_cast<double>(lat)) + ", " +
                               std::to_string(static_cast<double>(lon)) + ") grade '" +
                               Visivel(conteudo.substr(0, 200)) + "'";
  Exigir(rapida.ok == lenta.ok,
         "uma falha e a outra nao: '" + rapida.erro + "' / '" + lenta.erro + "'" + contexto);
  if (rapida.ok) {
    Exigir(Iguais(rapida.bruto, lenta.bruto), "resultados diferentes" + contexto);
  } else {
    Exigir(rapida.erro == lenta.erro,
           "erros diferentes: '" + rapida.erro + "' / '" + lenta.erro + "'" + contexto);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
  static const std::string grade = fuzz::PastaTrabalho() + "/grade.txt";
  static TModeloGeoide modelo(grade);
  static auto ref = std::make_unique<TInterpolador>();  // large arrays: not on the stack

  if (tamanho < kBytesPontos) return 0;
  const std::string_view conteudo(reinterpret_cast<const char*>(dados) + kBytesPontos,
                                  tamanho - kBytesPontos);
  Gravar(grade, conteudo);

  // A point a fraction of a step away from the first node (where a window can
  // be complete), and one anywhere in the model area.
  long double lat0 = -10.0L, lon0 = -50.0L;
  const std::vector<std::string> linhas = DividirLinhas(conteudo);
  if (!linhas.empty()) {
    try {
      const TNoGrade no = LerNo(linhas.front());
      lat0 = no.Lat;
      lon0 = no.Lon;
    } catch (const EConvertError&) {
    }
  }
  const auto fracao = [&](int k) { return (dados[k] / 255.0L - 0.5L) * 6 * kGrausPorPasso; };
  Comparar(modelo, *ref, grade, lat0 - 2 * kGrausPorPasso + fracao(0),
           lon0 + 2 * kGrausPorPasso + fracao(1), conteudo);
  const long double latArea = kLimiteSul + (kLimiteNorte - kLimiteSul) * (dados[2] / 255.0L);
  const long double lonArea = kLimiteOeste + (kLimiteLeste - kLimiteOeste) * (dados[3] / 255.0L);
  Comparar(modelo, *ref, grade, latArea, lonArea, conteudo);
  // A node itself: the fit is skipped for a point on a node.
  Comparar(modelo, *ref, grade, lat0, lon0, conteudo);

  // Rewritten in place with the same size and one byte changed: the very next
  // query sees it, though the file's size and name stay.
  if (conteudo.empty()) return 0;
  std::string outro(conteudo);
  outro[dados[0] % outro.size()] ^= 1;
  Gravar(grade, outro);
  Comparar(modelo, *ref, grade, lat0 - 2 * kGrausPorPasso + fracao(0),
           lon0 + 2 * kGrausPorPasso + fracao(1), outro);
  return 0;
}
