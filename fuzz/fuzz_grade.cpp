// Any bytes as a grid file, queried at points near its first node (at a distance
// of any scale, down to the last bits) and across the model area: the query's 80-bit
// value and the step-by-step fit must agree bit for bit, the double estimate must lie
// within its bound of that value, and the query's result, whether the estimate or
// the 80-bit fit decided it, must be the step-by-step value rounded by the mask; or
// both fail with the same error. Then the file is rewritten in place and the
// keyboard's query must follow the new content at once.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>

#include "apoio.hpp"
#include "apoio/interpolacao.hpp"
#include "geoid/arquivo.hpp"
#include "geoid/cache.hpp"
#include "geoid/consulta.hpp"
#include "geoid/formato_no.hpp"
#include "geoid/grade.hpp"
#include "geoid/modelo.hpp"
#include "text/erros.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace {

using namespace nivora;
using fuzz::Exigir;
using fuzz::Visivel;

/// Bytes that choose the points, before the grid's own bytes.
constexpr std::size_t kBytesPontos = 5;
constexpr long double kGrausPorPasso = 1.0L / 12.0L;

void Gravar(const std::string& caminho, std::string_view bytes) {
  std::ofstream f(caminho, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct Resposta {
  bool ok = false;
  long double bruto = 0;        // the 80-bit value
  long double arredondado = 0;  // the result
  std::string erro;             // type and message
};

std::string Descrever(const std::exception& e) {
  // The kinds that callers tell apart; the rest is the message.
  const char* tipo = dynamic_cast<const EConversao*>(&e)         ? "conversao"
                     : dynamic_cast<const EAberturaArquivo*>(&e) ? "abertura"
                     : dynamic_cast<const EAritmetica*>(&e)      ? "matematica"
                     : dynamic_cast<const ErroNivora*>(&e)       ? "nivora"
                                                                 : "estranho";
  return std::string(tipo) + ": " + e.what();
}

Resposta Rapida(const TConsultaGrade& consulta, long double lat, long double lon) {
  Resposta r;
  std::string erroEstendido;
  try {
    r.bruto = OndulacaoEstendida(consulta.Grade(), lat, lon);
  } catch (const ErroNivora& e) {
    erroEstendido = Descrever(e);
  }
  try {
    r.arredondado = consulta.Ondulacao(lat, lon);
    r.ok = true;
  } catch (const ErroNivora& e) {
    r.erro = Descrever(e);
  }
  Exigir(r.ok == erroEstendido.empty() && (r.ok || r.erro == erroEstendido),
         "o valor de 80 bits e o resultado divergem: '" + erroEstendido + "' / '" + r.erro + "'");
  double e = 0, limite = 0;
  if (r.ok && EstimativaDupla(consulta.Grade(), lat, lon, e, limite))
    Exigir(std::fabs(static_cast<long double>(e) - r.bruto) <= limite,
           "a estimativa passa do seu limite: " + std::to_string(e) + " / " +
               std::to_string(static_cast<double>(r.bruto)) + " / " + std::to_string(limite));
  return r;
}

Resposta Referencia(TInterpolador& ref, const std::string& grade, long double lat,
                    long double lon) {
  Resposta r;
  try {
    r.bruto = ref.OndulacaoBruta(grade, lat, lon);
    r.arredondado = StrToFloat(AjustaCampo10(FormatFloat("#0.000", r.bruto)));
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

void Comparar(const TConsultaGrade& consulta, TInterpolador& ref, const std::string& grade,
              long double lat, long double lon, std::string_view conteudo) {
  const Resposta rapida = Rapida(consulta, lat, lon);
  const Resposta lenta = Referencia(ref, grade, lat, lon);
  const std::string contexto = " em (" + std::to_string(static_cast<double>(lat)) + ", " +
                               std::to_string(static_cast<double>(lon)) + ") grade '" +
                               Visivel(conteudo.substr(0, 200)) + "'";
  Exigir(rapida.ok == lenta.ok,
         "uma falha e a outra nao: '" + rapida.erro + "' / '" + lenta.erro + "'" + contexto);
  if (rapida.ok) {
    Exigir(Iguais(rapida.bruto, lenta.bruto), "valores de 80 bits diferentes" + contexto);
    Exigir(Iguais(rapida.arredondado, lenta.arredondado), "resultados diferentes" + contexto);
  } else {
    Exigir(rapida.erro == lenta.erro,
           "erros diferentes: '" + rapida.erro + "' / '" + lenta.erro + "'" + contexto);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
  static const std::string grade = fuzz::PastaTrabalho() + "/grade.txt";
  static TCacheGrade cache(grade);
  static TModeloGeoide modelo(cache);  // the keyboard's query of the file as it is now
  static auto ref = std::make_unique<TInterpolador>();  // large arrays: not on the stack

  if (tamanho < kBytesPontos) return 0;
  const std::string_view conteudo(reinterpret_cast<const char*>(dados) + kBytesPontos,
                                  tamanho - kBytesPontos);
  Gravar(grade, conteudo);
  const TConsultaGrade consulta(GradeCarregada::Analisar(conteudo, grade));

  // A point a fraction of a step away from the first node (where a window can
  // be complete), and one anywhere in the model area.
  long double lat0 = -10.0L, lon0 = -50.0L;
  const std::vector<std::string> linhas = DividirLinhas(conteudo);
  if (!linhas.empty()) {
    try {
      const TNoGrade no = LerNo(linhas.front());
      lat0 = no.Lat;
      lon0 = no.Lon;
    } catch (const EConversao&) {
    }
  }
  const auto fracao = [&](int k) { return (dados[k] / 255.0L - 0.5L) * 6 * kGrausPorPasso; };
  Comparar(consulta, *ref, grade, lat0 - 2 * kGrausPorPasso + fracao(0),
           lon0 + 2 * kGrausPorPasso + fracao(1), conteudo);
  const long double latArea = kLimiteSul + (kLimiteNorte - kLimiteSul) * (dados[2] / 255.0L);
  const long double lonArea = kLimiteOeste + (kLimiteLeste - kLimiteOeste) * (dados[3] / 255.0L);
  Comparar(consulta, *ref, grade, latArea, lonArea, conteudo);
  // A node itself: the fit is skipped for a point on a node.
  Comparar(consulta, *ref, grade, lat0, lon0, conteudo);
  // Near that node, 10^-1 to 10^-18 degrees away, or a few ulps off.
  const long double perto = std::pow(10.0L, -1 - dados[4] % 18);
  Comparar(consulta, *ref, grade, lat0 + perto * (dados[0] / 255.0L - 0.5L),
           lon0 + perto * (dados[1] / 255.0L - 0.5L), conteudo);
  long double latUlps = lat0;
  for (int k = dados[4] % 4; k >= 0; --k) latUlps = nextafterl(latUlps, dados[2] & 1 ? 90 : -90);
  Comparar(consulta, *ref, grade, latUlps, lon0, conteudo);

  // The block form on eight of these points (two groups side by side): each point's
  // own result, up to the first failure, which is that point's own error.
  const long double lat[] = {lat0 - 2 * kGrausPorPasso + fracao(0),
                             latArea,
                             lat0,
                             latUlps,
                             lat0 + fracao(2) / 4,
                             lat0 - fracao(3),
                             latArea,
                             lat0};
  const long double lon[] = {lon0 + 2 * kGrausPorPasso + fracao(1),
                             lonArea,
                             lon0,
                             lon0,
                             lon0 + fracao(3) / 4,
                             lon0 - fracao(4),
                             lonArea,
                             lon0 + fracao(0)};
  long double N[8];
  std::exception_ptr erroBloco;
  const std::size_t feitos = consulta.OndulacoesEstendidas(lat, lon, 8, N, erroBloco);
  for (std::size_t i = 0; i < 8 && i <= feitos; ++i) {
    Resposta sozinho;
    try {
      sozinho.arredondado = consulta.Ondulacao(lat[i], lon[i]);
      sozinho.ok = true;
    } catch (const ErroNivora& e) {
      sozinho.erro = Descrever(e);
    }
    if (i < feitos) {
      Exigir(sozinho.ok && Iguais(sozinho.arredondado, N[i]), "bloco e ponto a ponto diferem");
    } else {
      std::string erro;
      try {
        std::rethrow_exception(erroBloco);
      } catch (const ErroNivora& e) {
        erro = Descrever(e);
      }
      Exigir(!sozinho.ok && sozinho.erro == erro,
             "o bloco parou sem o erro do ponto: '" + erro + "'");
    }
  }

  // Rewritten in place with the same size and one byte changed: the very next
  // query sees it, though the file's size and name stay.
  if (conteudo.empty()) return 0;
  std::string outro(conteudo);
  outro[dados[0] % outro.size()] ^= 1;
  Gravar(grade, outro);
  const long double latOutro = lat0 - 2 * kGrausPorPasso + fracao(0);
  const long double lonOutro = lon0 + 2 * kGrausPorPasso + fracao(1);
  const Resposta lenta = Referencia(*ref, grade, latOutro, lonOutro);
  Resposta teclado;
  try {
    teclado.arredondado = modelo.ObterOndulacao(latOutro, lonOutro);
    teclado.ok = true;
  } catch (const ErroNivora& e) {
    teclado.erro = Descrever(e);
  }
  Exigir(teclado.ok == lenta.ok && (teclado.ok ? Iguais(teclado.arredondado, lenta.arredondado)
                                               : teclado.erro == lenta.erro),
         "a consulta do teclado nao seguiu o arquivo reescrito: '" + teclado.erro + "' / '" +
             lenta.erro + "'");
  return 0;
}
