// Soak test of the query: its result against the 80-bit fit's value rounded step by
// step, and the double estimate against its error bound, on many points of many
// kinds, plus an adversarial search over grids that a user could drop in. Run by
// bench/soak.sh (not by ./test.sh).
//
//   soak_consulta --grade=PATH [--pontos=N] [--threads=T] [--semente=S] [--limite-vezes=F]
//
// Every point goes through TConsultaGrade::Ondulacao and through the test hooks: the
// result bytes must equal those of the hook's raw 80-bit value r written with the mask
// "#0.000", padded by AjustaCampo10 and read back (a failure must be the same error
// type with the same text on both sides); where EstimativaDupla gives an estimate e
// with a bound B, |e - r| <= B must hold (r must exist then). Both counts must be
// zero. --limite-vezes=F checks |e - r| <= F B instead (default 1): with F small
// enough the soak must report violations, which shows that the check can fail. The
// run is deterministic for a seed, whatever the number of threads.
//
// Kinds of points, each in its share of N:
//   area       (20 %) random points over the model area (shipped grid);
//   nos        (20 %) points near a node, 1e-1 to 1e-17 degrees away, and one to
//              four ulps off a node in one coordinate;
//   faixa      (10 %) points whose window bounds fall exactly on node coordinates
//              (the band of six nodes per row, LatMax on a row);
//   fronteira  (15 %) every step of bisections along parallels and meridians
//              towards a rounding boundary x.xxx5, down to the last bit of the
//              coordinate;
//   sintetica  (10 %) small grids written here, random points and points near
//              nodes: rough random values, values of one constant (on and off
//              rounding boundaries), large values (beyond the validated range and
//              just inside it), nodes shuffled within rows, rows out of order,
//              duplicated nodes, decreasing longitudes;
//   adv        (25 %) the adversarial search: hill climbs over candidate grids,
//              each written as text in the node-line layout and parsed as a user's
//              file, towards the largest |e - r| / B, the largest |e - r|, or the
//              estimate deciding as near a rounding boundary as it can (B over the
//              distance from e to the boundary), one objective per climb. Families:
//                irregular   25 nodes off the lattice (as grade_irregular25.txt, which
//                            seeds the first climb when the source tree is there),
//                            climbing on the node offsets (10^0 to 10^6.5 units of
//                            1e-8 / 1e-7 degree), the file order and duplicates;
//                gemeas      a 9 x 9 lattice whose rows are tied to the row one or
//                            two below them, a tiny (climbed) distance off, even
//                            equal or crossing it (rows out of order);
//                degenerada  25 nodes within a climbed distance of a degenerate
//                            shape: one row, one column, a diagonal line, two rows,
//                            a third row of three nodes two of which almost
//                            coincide, a cluster about one point;
//                buracos     a 10 x 9 lattice with holes (the window reaches rows
//                            farther south) and duplicated nodes;
//              and, in every family, climbs on the node values (rough up to
//              +-999.999 m, smooth near +-900 m, moderate +-40 m, extremes) and on
//              the query points (moved, near nodes, window bounds on node
//              coordinates). Each climb spends a fifth of its first three quarters
//              and all of its last quarter on 2-D bisections towards rounding
//              boundaries on its best grid so far ("/ fronteira" lines), so that the
//              decision is taken where the bound matters. A sample of points of every candidate
//              grid (one evaluation in 64, and the best grid's points and one whole bisection) and
//              of the synthetic grids (one point in 128) is compared with the step-by-step
//              reference TInterpolador: the 80-bit hook must match it bit for bit (errors by kind
//              and text).
//
// Prints one line per kind (points; those with an estimate and a bound; decided by
// the estimate; by the 80-bit fit; on a node; failed alike, and of those the fits
// that were not positive definite (an arithmetic error); result differences; bound
// violations; largest |e - r|; largest |e - r| / B; median and largest B, the median
// read from a histogram of sixteenth octaves; the smallest distance from e to a
// rounding boundary over B among the points the estimate decided), the totals, then
// the reference checks and the climbs. Exits 1 on any difference or violation. A
// difference or violation is written to stderr with the point (decimal and hex) and
// the grid's text, for the first few of each.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <typeinfo>
#include <vector>

#include "apoio/interpolacao.hpp"
#include "geoid/arquivo.hpp"
#include "geoid/consulta.hpp"
#include "geoid/estimativa.hpp"
#include "geoid/formato_no.hpp"
#include "geoid/grade.hpp"
#include "geoid/modelo.hpp"
#include "text/erros.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace {

using namespace nivora;

const long double kPasso = kEspacamentoGradeMin / 60.0L;  // the window's spacing, degrees
constexpr double kInfinito = std::numeric_limits<double>::infinity();

struct Ponto {
  long double lat, lon;
};

// ---------------------------------------------------------------------------------
// Tallies

// The histogram of B: sixteenth octaves from 2^-1024 (B >= 1e-300) to 2^0 (B < 1).
constexpr int kFatiasOitava = 16;
constexpr int kMenorExpoente = -1024;
constexpr int kClassesB = -kMenorExpoente * kFatiasOitava + 1;

struct Totais {
  std::uint64_t pontos = 0, limitados = 0, dupla = 0, estendida = 0, no = 0, falhas = 0;
  std::uint64_t singulares = 0;  // of the failures, a fit that is not positive definite
  std::uint64_t diferencas = 0, violacoes = 0;
  std::uint64_t grades = 0, subidas = 0, referencia = 0, diferencasReferencia = 0;
  std::uint64_t bloco = 0, diferencasBloco = 0;  // the block form against the point query
  long double maiorErro = 0;
  double maiorRazao = 0, erroNaRazao = 0, limiteNaRazao = 0;
  double maiorLimite = 0;
  double menorFolga = kInfinito;  // distance from e to a boundary over B, decided points
  std::vector<std::uint64_t> classesB;

  void ContarLimite(double B) {
    if (classesB.empty()) classesB.assign(kClassesB, 0);
    const double posicao = (std::log2(B) - kMenorExpoente) * kFatiasOitava;
    const int classe = std::clamp(static_cast<int>(std::floor(posicao)), 0, kClassesB - 1);
    ++classesB[static_cast<std::size_t>(classe)];
    maiorLimite = std::max(maiorLimite, B);
  }
  double MedianaLimite() const {
    if (limitados == 0) return std::nan("");
    std::uint64_t acumulado = 0;
    for (int k = 0; k < kClassesB; ++k) {
      acumulado += classesB[static_cast<std::size_t>(k)];
      if (2 * acumulado >= limitados) return std::exp2(kMenorExpoente + (k + 0.5) / kFatiasOitava);
    }
    return maiorLimite;
  }
  bool Falhou() const {
    return diferencas + violacoes + diferencasReferencia + diferencasBloco > 0;
  }
  void Somar(const Totais& o) {
    pontos += o.pontos;
    limitados += o.limitados;
    dupla += o.dupla;
    estendida += o.estendida;
    no += o.no;
    falhas += o.falhas;
    singulares += o.singulares;
    diferencas += o.diferencas;
    violacoes += o.violacoes;
    grades += o.grades;
    subidas += o.subidas;
    referencia += o.referencia;
    diferencasReferencia += o.diferencasReferencia;
    bloco += o.bloco;
    diferencasBloco += o.diferencasBloco;
    maiorErro = std::max(maiorErro, o.maiorErro);
    if (o.maiorRazao > maiorRazao || (o.maiorRazao == maiorRazao && o.erroNaRazao > erroNaRazao)) {
      maiorRazao = o.maiorRazao;
      erroNaRazao = o.erroNaRazao;
      limiteNaRazao = o.limiteNaRazao;
    }
    maiorLimite = std::max(maiorLimite, o.maiorLimite);
    menorFolga = std::min(menorFolga, o.menorFolga);
    if (!o.classesB.empty()) {
      if (classesB.empty()) classesB.assign(kClassesB, 0);
      for (std::size_t k = 0; k < classesB.size(); ++k) classesB[k] += o.classesB[k];
    }
  }
};

// ---------------------------------------------------------------------------------
// One point

// A grid under test: the query over it, its text (for reports and the reference) and
// the file that holds that text for the reference (empty: none).
struct Alvo {
  std::string nome;
  std::shared_ptr<const TConsultaGrade> consulta;
  std::string texto;
  std::string arquivo;
};

std::mutex mutexRelato;
std::map<std::string, int> relatos;  // how many of each kind were written
constexpr int kMaxRelatos = 8;

void Relatar(const char* oque, const Alvo& alvo, Ponto p, const std::string& detalhe) {
  std::lock_guard<std::mutex> trava(mutexRelato);
  if (++relatos[oque] > kMaxRelatos) return;
  std::fprintf(stderr, "%s on %s at lat %.21Lg lon %.21Lg (hex %La %La): %s\n", oque,
               alvo.nome.c_str(), p.lat, p.lon, p.lat, p.lon, detalhe.c_str());
  if (alvo.texto.empty())
    std::fprintf(stderr, "  grid: %s\n", alvo.consulta->Grade().Arquivo().c_str());
  else
    std::fprintf(stderr, "--- grid, %zu bytes ---\n%s--- end of grid ---\n", alvo.texto.size(),
                 alvo.texto.c_str());
}

// A result as bytes: the value's ten bytes, or "!" with the error's type and text.
std::string Bytes(long double v) {
  char bytes[10];
  std::memcpy(bytes, &v, sizeof bytes);
  return std::string(bytes, sizeof bytes);
}
std::string Falha(const std::exception& e) {
  return std::string("!") + typeid(e).name() + ": " + e.what();
}
std::string Legivel(const std::string& resultado) {
  if (!resultado.empty() && resultado[0] == '!') return resultado;
  long double v = 0;
  std::memcpy(&v, resultado.data(), 10);
  char texto[64];
  std::snprintf(texto, sizeof texto, "%.21Lg", v);
  return texto;
}

// The block form against the point query: the points measured are queried again
// in blocks (groups of lanes side by side, lattice blocks where the grid is a
// lattice), alternately at both lane widths; every result must have the same bytes,
// and a failure the same error at the same point.
struct Bloco {
  std::optional<Alvo> alvo;  // a copy: it holds the grid while its points wait
  Totais* t = nullptr;
  std::vector<long double> lat, lon, N;
  std::vector<std::string> obtido;
};
thread_local Bloco bloco;
std::atomic<unsigned> vezesBloco{0};

void ConferirBloco() {
  Bloco& b = bloco;
  if (!b.alvo || b.obtido.empty()) return;
  // Whole groups: a few points are repeated to fill the last one.
  for (std::size_t k = 0; b.obtido.size() % kLarguraLote != 0; ++k) {
    b.lat.push_back(b.lat[k]);
    b.lon.push_back(b.lon[k]);
    b.obtido.push_back(b.obtido[k]);
  }
  DispensarAvx512(vezesBloco.fetch_add(1) % 2 == 1);
  const std::size_t n = b.obtido.size();
  b.N.assign(n, 0);
  for (std::size_t inicio = 0; inicio < n;) {
    std::exception_ptr erro;
    const std::size_t feitos = b.alvo->consulta->OndulacoesEstendidas(
        b.lat.data() + inicio, b.lon.data() + inicio, n - inicio, b.N.data() + inicio, erro);
    std::size_t i = inicio;
    for (; i < inicio + feitos; ++i)
      if (Bytes(b.N[i]) != b.obtido[i]) {
        ++b.t->diferencasBloco;
        Relatar("BLOCK DIFFERENCE", *b.alvo, {b.lat[i], b.lon[i]},
                "block " + Legivel(Bytes(b.N[i])) + ", point query " + Legivel(b.obtido[i]));
      }
    if (i < n) {
      std::string falha;
      try {
        std::rethrow_exception(erro);
      } catch (const std::exception& e) {
        falha = Falha(e);
      }
      if (falha != b.obtido[i]) {
        ++b.t->diferencasBloco;
        Relatar("BLOCK DIFFERENCE", *b.alvo, {b.lat[i], b.lon[i]},
                "block " + Legivel(falha) + ", point query " + Legivel(b.obtido[i]));
      }
      ++i;
    }
    inicio = i;
  }
  b.t->bloco += n;
  b.lat.clear(), b.lon.clear(), b.obtido.clear();
}

void Acumular(const Alvo& alvo, Totais& t, Ponto p, std::string obtido) {
  if (!bloco.alvo || bloco.alvo->consulta != alvo.consulta || bloco.t != &t) {
    ConferirBloco();
    bloco.alvo = alvo;
    bloco.t = &t;
  }
  bloco.lat.push_back(p.lat);
  bloco.lon.push_back(p.lon);
  bloco.obtido.push_back(std::move(obtido));
  if (bloco.obtido.size() >= 8 * kLarguraLote) ConferirBloco();
}

// What one point gave.
struct Medida {
  bool valor = false;  // the 80-bit fit gave r
  long double bruto = 0;
  bool limitado = false;  // the estimate gave e and B
  double e = 0, B = 0;
  bool decidido = false;  // the query's result came from the estimate
  double distancia = 0;   // from e to the nearest rounding boundary, metres (decided)
};

// The rounding of the 80-bit value, step by step.
long double Arredondado(long double r) {
  return StrToFloat(AjustaCampo10(FormatFloat("#0.000", r)));
}

Medida Comparar(const Alvo& alvo, Ponto p, Totais& t, double fatorLimite) {
  Medida m;
  const GradeCarregada& grade = alvo.consulta->Grade();
  std::string esperado, obtido;
  bool singular = false;
  try {
    m.bruto = OndulacaoEstendida(grade, p.lat, p.lon);
    m.valor = true;
    esperado = Bytes(Arredondado(m.bruto));
  } catch (const std::exception& e) {
    esperado = Falha(e);
    singular = dynamic_cast<const EAritmetica*>(&e) != nullptr;
  }
  CaminhoConsulta caminho{};
  try {
    obtido = Bytes(alvo.consulta->Ondulacao(p.lat, p.lon, &caminho));
  } catch (const std::exception& e) {
    obtido = Falha(e);
  }
  ++t.pontos;
  Acumular(alvo, t, p, obtido);
  const bool igual = obtido == esperado;
  if (!igual) {
    ++t.diferencas;
    Relatar("DIFFERENCE", alvo, p,
            "query " + Legivel(obtido) + ", 80-bit rounded " + Legivel(esperado));
  } else if (!m.valor) {
    ++t.falhas;
    if (singular) ++t.singulares;
  } else if (caminho == CaminhoConsulta::Dupla) {
    ++t.dupla;
  } else if (caminho == CaminhoConsulta::Estendida) {
    ++t.estendida;
  } else {
    ++t.no;
  }
  if (!EstimativaDupla(grade, p.lat, p.lon, m.e, m.B)) return m;
  m.limitado = true;
  ++t.limitados;
  t.ContarLimite(m.B);
  char detalhe[200];
  if (!m.valor) {
    ++t.violacoes;
    std::snprintf(detalhe, sizeof detalhe, "estimate %.17g, bound %.3g, but the 80-bit fit: %s",
                  m.e, m.B, esperado.c_str() + 1);
    Relatar("BOUND VIOLATION", alvo, p, detalhe);
    return m;
  }
  const long double erro = std::fabs(static_cast<long double>(m.e) - m.bruto);
  t.maiorErro = std::max(t.maiorErro, erro);
  const double razao = static_cast<double>(erro) / m.B;
  if (razao > t.maiorRazao) {
    t.maiorRazao = razao;
    t.erroNaRazao = static_cast<double>(erro);
    t.limiteNaRazao = m.B;
  }
  if (!(erro <= fatorLimite * static_cast<long double>(m.B))) {
    ++t.violacoes;
    std::snprintf(detalhe, sizeof detalhe,
                  "estimate %.17g, 80-bit %.21Lg, |e - r| %.3Lg > %g x %.3g", m.e, m.bruto, erro,
                  fatorLimite, m.B);
    Relatar("BOUND VIOLATION", alvo, p, detalhe);
  }
  if (igual && caminho == CaminhoConsulta::Dupla) {
    const double mm = std::fabs(m.e) * 1000.0;
    m.decidido = true;
    m.distancia = std::fabs(mm - std::floor(mm) - 0.5) / 1000.0;
    t.menorFolga = std::min(t.menorFolga, m.distancia / m.B);
  }
  return m;
}

// The kind of a failure, as the reference and the hook both word it (a damaged line
// is EGradeDanificada on one side and EConversao on the other).
std::string Classe(const std::exception& e) {
  if (dynamic_cast<const EForaDaGrade*>(&e)) return "fora da grade";
  if (dynamic_cast<const EDivisaoPorZero*>(&e)) return "divisao por zero";
  if (dynamic_cast<const EOperacaoInvalida*>(&e)) return "operacao invalida";
  if (dynamic_cast<const EConversao*>(&e)) return "conversao";
  return typeid(e).name();
}

// The hook's raw 80-bit value against the step-by-step reference reading the file.
void ConferirReferencia(const Alvo& alvo, TInterpolador& referencia, Ponto p, Totais& t) {
  std::string gancho, literal;
  try {
    gancho = Bytes(OndulacaoEstendida(alvo.consulta->Grade(), p.lat, p.lon));
  } catch (const std::exception& e) {
    gancho = "!" + Classe(e) + ": " + e.what();
  }
  try {
    literal = Bytes(referencia.OndulacaoBruta(alvo.arquivo, p.lat, p.lon));
  } catch (const std::exception& e) {
    literal = "!" + Classe(e) + ": " + e.what();
  }
  ++t.referencia;
  if (gancho != literal) {
    ++t.diferencasReferencia;
    Relatar("REFERENCE DIFFERENCE", alvo, p,
            "80-bit hook " + Legivel(gancho) + ", step by step " + Legivel(literal));
  }
}

void Gravar(const std::string& caminho, const std::string& texto) {
  std::ofstream f(caminho, std::ios::binary | std::ios::trunc);
  f << texto;
  if (!f) {
    std::fprintf(stderr, "cannot write %s\n", caminho.c_str());
    std::exit(2);
  }
}

// ---------------------------------------------------------------------------------
// Points on a fixed grid

// Where points are drawn: latitudes and longitudes, degrees.
struct Caixa {
  long double sul, norte, oeste, leste;
};

// The nodes' extent, shrunk by `margem` on every side.
Caixa Interior(const GradeCarregada& g, long double margem) {
  Caixa c{1e9L, -1e9L, 1e9L, -1e9L};
  for (const NoCarregado& no : g.Nos()) {
    c.norte = std::max(c.norte, no.latGraus);
    c.sul = std::min(c.sul, no.latGraus);
    c.oeste = std::min(c.oeste, no.lonGraus);
    c.leste = std::max(c.leste, no.lonGraus);
  }
  return {c.sul + margem, c.norte - margem, c.oeste + margem, c.leste - margem};
}

Ponto Sortear(const Caixa& c, std::mt19937_64& s) {
  std::uniform_real_distribution<long double> la(std::min(c.sul, c.norte),
                                                 std::max(c.sul, c.norte)),
      lo(std::min(c.oeste, c.leste), std::max(c.oeste, c.leste));
  const long double lat = la(s);
  return {lat, lo(s)};
}

// The value v whose bound v + sentido * passo lands exactly on alvo, if one is near.
long double Ajustar(long double alvo, long double v, long double passo, int sentido) {
  for (int k = 0; k < 64; ++k) {
    if (v + sentido * passo == alvo) return v;
    v = (v + sentido * passo < alvo) ? nextafterl(v, INFINITY) : nextafterl(v, -INFINITY);
  }
  return v;
}

// Bisection from a towards b, where the 80-bit N crosses the rounding boundary between
// N(a) and N(b); every step is measured, down to the last bit of the coordinates.
template <class Medir>
void Bisseccao(Medir&& medir, Ponto a, Ponto b) {
  const Medida ma = medir(a);
  const Medida mb = medir(b);
  if (!ma.valor || !mb.valor) return;
  const long double fronteira =
      (std::floor(std::min(ma.bruto, mb.bruto) * 1000 - 0.5L) + 1.5L) / 1000;
  if (!(fronteira < std::max(ma.bruto, mb.bruto))) return;
  const bool sobe = ma.bruto < mb.bruto;
  for (int passo = 0; passo < 160; ++passo) {
    const Ponto m{(a.lat + b.lat) / 2, (a.lon + b.lon) / 2};
    if ((m.lat == a.lat && m.lon == a.lon) || (m.lat == b.lat && m.lon == b.lon)) break;
    const Medida mm = medir(m);
    if (!mm.valor) return;
    ((mm.bruto < fronteira) == sobe ? a : b) = m;
  }
}

enum class Tipo { Area, Nos, Faixa, Fronteira, Sintetica, Adversaria };

struct Opcoes {
  double fatorLimite = 1;
};

// `n` points (a bisection counts all its steps) of one kind on a fixed grid; one in
// `cadaReferencia` also against the reference (0: none).
void RodarPontos(Tipo tipo, const Alvo& alvo, const Caixa& caixa, std::uint64_t n,
                 std::uint64_t semente, std::uint64_t cadaReferencia, const Opcoes& opcoes,
                 Totais& t) {
  std::mt19937_64 sorteio(semente);
  std::unique_ptr<TInterpolador> referencia;
  if (cadaReferencia > 0) referencia = std::make_unique<TInterpolador>();
  std::uint64_t contador = 0;
  auto medir = [&](Ponto p) {
    const Medida m = Comparar(alvo, p, t, opcoes.fatorLimite);
    if (referencia && ++contador % cadaReferencia == 0) ConferirReferencia(alvo, *referencia, p, t);
    return m;
  };
  const auto& nos = alvo.consulta->Grade().Nos();
  std::uniform_real_distribution<long double> direcao(-1, 1);
  std::uniform_int_distribution<std::size_t> qual(0, nos.size() - 1);
  std::uniform_int_distribution<int> escala(1, 17), ulps(1, 4), caso(0, 7);
  auto noInterno = [&]() -> const NoCarregado& {
    for (;;) {
      const NoCarregado& no = nos[qual(sorteio)];
      if (no.latGraus <= caixa.norte && no.latGraus >= caixa.sul && no.lonGraus >= caixa.oeste &&
          no.lonGraus <= caixa.leste)
        return no;
    }
  };
  const std::uint64_t inicio = t.pontos;
  while (t.pontos - inicio < n) {
    if (tipo == Tipo::Area || tipo == Tipo::Sintetica) {
      medir(Sortear(caixa, sorteio));
      if (tipo == Tipo::Sintetica) {
        const NoCarregado& no = noInterno();
        const long double d = std::pow(10.0L, -escala(sorteio));
        const long double dLat = d * direcao(sorteio);
        medir({no.latGraus + dLat, no.lonGraus + d * direcao(sorteio)});
      }
    } else if (tipo == Tipo::Nos) {
      const NoCarregado& no = noInterno();
      const int c = caso(sorteio);
      if (c < 6) {
        const long double d = std::pow(10.0L, -escala(sorteio));
        const long double dLat = d * direcao(sorteio);
        medir({no.latGraus + dLat, no.lonGraus + d * direcao(sorteio)});
      } else {
        long double la = no.latGraus, lo = no.lonGraus;
        long double& mexida = c == 6 ? la : lo;
        for (int k = ulps(sorteio); k > 0; --k)
          mexida = nextafterl(mexida, direcao(sorteio) < 0 ? -INFINITY : INFINITY);
        medir({la, lo});
      }
    } else if (tipo == Tipo::Faixa) {
      const NoCarregado& no = noInterno();
      const long double lo = caso(sorteio) % 2
                                 ? Ajustar(no.lonGraus, no.lonGraus + 2 * kPasso, 2 * kPasso, -1)
                                 : Ajustar(no.lonGraus, no.lonGraus - 3 * kPasso, 3 * kPasso, 1);
      const long double la = caso(sorteio) < 4
                                 ? Ajustar(no.latGraus, no.latGraus - 2 * kPasso, 2 * kPasso, 1)
                                 : Sortear(caixa, sorteio).lat;
      medir({la, lo});
    } else {  // Fronteira: along a parallel or a meridian
      const Ponto a = Sortear(caixa, sorteio);
      if (caso(sorteio) % 2)
        Bisseccao(medir, a, {a.lat, a.lon + kPasso / 2});
      else
        Bisseccao(medir, a, {a.lat + kPasso / 2, a.lon});
    }
  }
  ConferirBloco();
}

// ---------------------------------------------------------------------------------
// Synthetic grids

std::string LinhaNo(const std::string& lon, const std::string& lat, const std::string& n) {
  char texto[80];
  std::snprintf(texto, sizeof texto, " %11s %11s   %7s", lon.c_str(), lat.c_str(), n.c_str());
  return texto;
}

// m twelfths of a degree with six decimals.
std::string Doze(long m) {
  const long a = m < 0 ? -m : m;
  long inteiro = a / 12;
  long fracao = ((a % 12) * 1000000 + 6) / 12;
  if (fracao >= 1000000) ++inteiro, fracao -= 1000000;
  char texto[40];
  std::snprintf(texto, sizeof texto, "%s%ld.%06ld", m < 0 ? "-" : "", inteiro, fracao);
  return texto;
}

std::string Milimetros(long mm) {
  char t[40];
  std::snprintf(t, sizeof t, "%s%ld.%03ld", mm < 0 ? "-" : "", std::labs(mm) / 1000,
                std::labs(mm) % 1000);
  return t;
}

// The synthetic grids: name and text.
std::vector<std::pair<std::string, std::string>> Sinteticas(std::mt19937_64& sorteio) {
  using Linhas = std::vector<std::vector<std::string>>;
  constexpr long kLat0 = -10 * 12, kLon0 = 310 * 12;
  constexpr int kLinhas = 24, kColunas = 24;
  auto regular = [&](const std::function<std::string()>& valor) {
    Linhas g(kLinhas);
    for (int r = 0; r < kLinhas; ++r)
      for (int c = 0; c < kColunas; ++c)
        g[static_cast<std::size_t>(r)].push_back(
            LinhaNo(Doze(kLon0 + c), Doze(kLat0 - r), valor()));
    return g;
  };
  std::uniform_int_distribution<long> aspero(-40000, 40000), grande(-9999, 9999),
      centimetros(-99999, 99999);
  std::vector<std::pair<std::string, Linhas>> grades;
  const Linhas base = regular([&] { return Milimetros(aspero(sorteio)); });
  grades.push_back({"aspera", base});
  for (const char* c : {"1.2345", "-1.2345", "-0.0005", "99.9995", "0", "12.3456", "-0.0004"})
    grades.push_back({std::string("constante ") + c, regular([&] { return std::string(c); })});
  grades.push_back({"grande", regular([&] { return std::to_string(grande(sorteio)) + ".5"; })});
  grades.push_back({"quase mil", regular([&] { return Milimetros(10 * centimetros(sorteio)); })});
  Linhas dentro = base;
  for (auto& l : dentro) std::shuffle(l.begin(), l.end(), sorteio);
  grades.push_back({"embaralhada nas linhas", dentro});
  Linhas trocadas = base;
  std::shuffle(trocadas.begin(), trocadas.end(), sorteio);
  grades.push_back({"linhas fora de ordem", trocadas});
  Linhas duplicados = base;
  for (auto& l : duplicados)
    for (int k = 0; k < 3; ++k)
      l.insert(l.begin() + 2 * k + 5, l[static_cast<std::size_t>(2 * k + 4)]);
  grades.push_back({"nos duplicados", duplicados});
  Linhas decrescente = base;
  for (auto& l : decrescente) std::reverse(l.begin(), l.end());
  grades.push_back({"longitudes decrescentes", decrescente});

  std::vector<std::pair<std::string, std::string>> textos;
  for (const auto& [nome, linhas] : grades) {
    std::string texto;
    for (const auto& linha : linhas)
      for (const auto& no : linha) texto += no + "\r\n";
    textos.push_back({"sintetica: " + nome, texto});
  }
  return textos;
}

// ---------------------------------------------------------------------------------
// The adversarial search

enum class Familia { Irregular, Gemeas, Degenerada, Buracos };
constexpr int kFamilias = 4;
const char* const kNomesFamilia[kFamilias] = {"irregular", "gemeas", "degenerada", "buracos"};
enum class Objetivo { Razao, Erro, Beira };
enum class Valores { Aspero, GrandeLiso, Moderado };
enum Degenerada { UmaLinha, UmaColuna, Colinear, DuasLinhas, LinhaRala, Aglomerado, kDegeneradas };

// Node coordinates in whole units: latitude in 1e-8 degree (written with eight
// decimals while they fit the field, else seven), longitude 0..360 east in 1e-7 degree.
const long double kPassoLat = 1e8L / 12;
const long double kPassoLon = 1e7L / 12;
long double LatGraus(long long lat8) {
  return static_cast<long double>(lat8) / 1e8L;
}
long double LonGraus(long long lon7) {
  return static_cast<long double>(lon7) / 1e7L - 360;
}

constexpr long kMmMaximo = 999999, kMmMinimo = -999990;  // "999.999", "-999.99"

struct NoAdv {
  long long lat8 = 0, lon7 = 0;          // base position
  double dLat = 0, dLon = 0;             // deviation, times the candidate's scale
  long long extraLat = 0, extraLon = 0;  // further offset, units
  long mm = 0;                           // N, millimetres
  int copias = 1;                        // lines written: 0 a hole, 2 a duplicate
  int linha = -1;                        // lattice row (lattice families)
};

struct Candidata {
  // The north-west corner of the lattice the grid starts from: somewhere in the
  // model area, so that the whole grid and the points' box lie in it.
  long long lat0 = -500000000, lon0 = 3100000000;
  Familia familia = Familia::Irregular;
  int subtipo = 0;
  Valores modo = Valores::Aspero;
  std::vector<NoAdv> nos;                     // in file order
  double escala = 0;                          // units per unit of deviation
  bool desvioLat = false, desvioLon = false;  // which deviations the family climbs
  long nBase = 0;
  double gradLat = 0, gradLon = 0;  // smooth values: mm per spacing
  bool caixaFixa = false;           // lattice families: the points' box is fixed
  Caixa caixa{};
  std::vector<Ponto> pontos;  // the query points climbed with the grid
};

long long LatRede(const Candidata& c, long double linhas) {
  return c.lat0 - std::llround(linhas * kPassoLat);
}
long long LonRede(const Candidata& c, long double colunas) {
  return c.lon0 + std::llround(colunas * kPassoLon);
}

long long LatNo(const Candidata& c, const NoAdv& no) {
  return no.lat8 + std::llround(no.dLat * c.escala) + no.extraLat;
}
long long LonNo(const Candidata& c, const NoAdv& no) {
  return no.lon7 + std::llround(no.dLon * c.escala) + no.extraLon;
}

std::string Decimal(long long unidades, int casas) {
  const unsigned long long a =
      unidades < 0 ? 0ULL - static_cast<unsigned long long>(unidades) : unidades;
  unsigned long long p = 1;
  for (int k = 0; k < casas; ++k) p *= 10;
  char texto[48];
  std::snprintf(texto, sizeof texto, "%s%llu.%0*llu", unidades < 0 ? "-" : "", a / p, casas, a % p);
  return texto;
}
long long DividirArredondado(long long v, long long d) {
  return v >= 0 ? (v + d / 2) / d : -((-v + d / 2) / d);
}
std::string TextoLat(long long lat8) {
  const std::string t = Decimal(lat8, 8);
  return t.size() <= 11 ? t : Decimal(DividirArredondado(lat8, 10), 7);
}
std::string TextoN(long mm) {
  mm = std::clamp(mm, kMmMinimo, kMmMaximo);
  const std::string t = Decimal(mm, 3);
  return t.size() <= 7 ? t : Decimal(DividirArredondado(mm, 10), 2);
}

std::string Texto(const Candidata& c) {
  std::string texto;
  for (const NoAdv& no : c.nos) {
    const std::string linha =
        LinhaNo(Decimal(LonNo(c, no), 7), TextoLat(LatNo(c, no)), TextoN(no.mm)) + "\r\n";
    for (int k = 0; k < no.copias; ++k) texto += linha;
  }
  return texto;
}

Alvo Preparar(const Candidata& c, const std::string& nome) {
  std::string texto = Texto(c);
  auto grade = GradeCarregada::Analisar(texto, nome);
  return Alvo{nome, std::make_shared<const TConsultaGrade>(std::move(grade)), std::move(texto), ""};
}

// Where the points of a candidate have their full window: fixed for the lattices;
// for the 25-node grids every node must be in the band and at or south of LatMax.
Caixa CaixaPontos(const Candidata& c, const GradeCarregada& g) {
  if (c.caixaFixa) return c.caixa;
  const Caixa x = Interior(g, 0);
  return {x.norte - 2 * kPasso, x.norte + kPasso / 2, x.leste - 3 * kPasso, x.oeste + 2 * kPasso};
}

double Uniforme(std::mt19937_64& s, double a, double b) {
  return std::uniform_real_distribution<double>(a, b)(s);
}
std::size_t Qual(std::mt19937_64& s, std::size_t n) {
  return std::uniform_int_distribution<std::size_t>(0, n - 1)(s);
}
long long Escala10(std::mt19937_64& s, double de, double ate) {
  const double v = std::pow(10.0, Uniforme(s, de, ate));
  return std::llround(Uniforme(s, 0, 1) < 0.5 ? -v : v);
}

long ValorNovo(const Candidata& c, const NoAdv& no, std::mt19937_64& s) {
  long mm = 0;
  switch (c.modo) {
    case Valores::Aspero:
      mm = std::uniform_int_distribution<long>(kMmMinimo, kMmMaximo)(s);
      break;
    case Valores::Moderado:
      mm = std::uniform_int_distribution<long>(-40000, 40000)(s);
      break;
    case Valores::GrandeLiso: {
      const double linhas = static_cast<double>(c.lat0 - LatNo(c, no)) / 8333333.3;
      const double colunas = static_cast<double>(LonNo(c, no) - c.lon0) / 833333.33;
      mm = c.nBase +
           std::lround(c.gradLat * linhas + c.gradLon * colunas + Uniforme(s, -2000, 2000));
      break;
    }
  }
  return std::clamp(mm, kMmMinimo, kMmMaximo);
}

// A lattice of `linhas` x `colunas` nodes, rows north to south.
void Rede(Candidata& c, int linhas, int colunas) {
  for (int r = 0; r < linhas; ++r)
    for (int k = 0; k < colunas; ++k) {
      NoAdv no;
      no.lat8 = LatRede(c, r);
      no.lon7 = LonRede(c, k);
      no.linha = r;
      c.nos.push_back(no);
    }
  c.caixaFixa = true;
  // A point between rows i and i + 1 takes rows i - 1 to i + 3; columns 2 to the
  // fourth from the east leave the band inside.
  c.caixa = {LatGraus(LatRede(c, linhas - 5)), LatGraus(LatRede(c, 1)), LonGraus(LonRede(c, 2)),
             LonGraus(LonRede(c, colunas - 4))};
}

// Ties lattice row r to the row `abaixo` rows below it: its nodes take that row's
// latitude plus their deviation times the scale (untied when already tied).
void Amarrar(Candidata& c, int r, int abaixo, std::mt19937_64& s) {
  const bool amarrada = std::any_of(c.nos.begin(), c.nos.end(),
                                    [&](const NoAdv& no) { return no.linha == r && no.dLat != 0; });
  const double sinal = Uniforme(s, 0, 1) < 0.5 ? -1 : 1;
  const double desvio = sinal * Uniforme(s, 0.5, 2);
  for (NoAdv& no : c.nos)
    if (no.linha == r) {
      no.lat8 = amarrada ? LatRede(c, r) : LatRede(c, r + abaixo);
      no.dLat = amarrada ? 0 : desvio;
    }
  if (c.escala == 0) c.escala = std::pow(10.0, Uniforme(s, 0, 6));
}

Candidata Construir(Familia f, int subtipo, Valores modo, std::mt19937_64& s) {
  Candidata c;
  c.lat0 = std::llround(Uniforme(s, -33.5, 5.0) * 1e8);
  c.lon0 = std::llround(Uniforme(s, 360 - 74.3, 360 - 35.2) * 1e7);
  c.familia = f;
  c.subtipo = subtipo;
  c.modo = modo;
  switch (f) {
    case Familia::Irregular:
      for (int r = 0; r < 5; ++r)
        for (int k = 0; k < 5; ++k) {
          NoAdv no;
          no.lat8 = LatRede(c, r);
          no.lon7 = LonRede(c, k);
          no.extraLat = std::llround(Uniforme(s, -0.45, 0.45) * kPassoLat);
          no.extraLon = std::llround(Uniforme(s, -0.45, 0.45) * kPassoLon);
          c.nos.push_back(no);
        }
      std::shuffle(c.nos.begin(), c.nos.end(), s);
      break;
    case Familia::Gemeas: {
      Rede(c, 9, 9);
      c.desvioLat = true;
      const int r = 1 + static_cast<int>(Qual(s, 5));
      Amarrar(c, r, 1 + static_cast<int>(Qual(s, 2)), s);
      break;
    }
    case Familia::Buracos:
      Rede(c, 10, 9);
      for (NoAdv& no : c.nos) no.copias = Uniforme(s, 0, 1) < 0.15 ? 0 : 1;
      break;
    case Familia::Degenerada: {
      // 25 nodes within the scale of a degenerate shape, spread over 4 spacings.
      c.escala = std::pow(10.0, Uniforme(s, 2, 6));
      for (int i = 0; i < 25; ++i) {
        NoAdv no;
        const long double t = i * 4.0L / 24;
        switch (subtipo) {
          case UmaLinha:
            no.lat8 = LatRede(c, 0), no.lon7 = LonRede(c, t), c.desvioLat = true;
            break;
          case UmaColuna:
            no.lat8 = LatRede(c, t), no.lon7 = LonRede(c, 2), c.desvioLon = true;
            break;
          case Colinear:
            no.lat8 = LatRede(c, t), no.lon7 = LonRede(c, t), c.desvioLat = c.desvioLon = true;
            break;
          case DuasLinhas:
            no.lat8 = LatRede(c, i < 13 ? 0 : 3);
            no.lon7 = LonRede(c, (i < 13 ? i : i - 13) * 4.0L / 12);
            c.desvioLat = true;
            break;
          case LinhaRala: {
            // Rows of 11, 11 and 3 nodes; two of the third row's nodes coincide
            // but for the deviation of the last one.
            const int linha = i < 11 ? 0 : i < 22 ? 2 : 4;
            const int k = i < 11 ? i : i < 22 ? i - 11 : i - 22;
            no.lat8 = LatRede(c, linha);
            no.lon7 = LonRede(c, linha == 4 ? (k == 0 ? 0 : 2) : k * 0.4L);
            c.desvioLon = true;
            break;
          }
          default:  // Aglomerado
            no.lat8 = LatRede(c, 2), no.lon7 = LonRede(c, 2), c.desvioLat = c.desvioLon = true;
            break;
        }
        const bool ativo = subtipo != LinhaRala || i == 24;
        if (ativo && c.desvioLat) no.dLat = Uniforme(s, -1, 1);
        if (ativo && c.desvioLon) no.dLon = Uniforme(s, -1, 1);
        c.nos.push_back(no);
      }
      if (Uniforme(s, 0, 1) < 0.5) std::shuffle(c.nos.begin(), c.nos.end(), s);
      break;
    }
  }
  if (modo == Valores::GrandeLiso) {
    const double sinal = Uniforme(s, 0, 1) < 0.5 ? -1 : 1;
    c.nBase = std::lround(sinal * Uniforme(s, 900000, 990000));
    c.gradLat = Uniforme(s, -6000, 6000);
    c.gradLon = Uniforme(s, -6000, 6000);
  }
  for (NoAdv& no : c.nos) no.mm = ValorNovo(c, no, s);
  return c;
}

// The regression grid of the tests, as the first irregular climb's start.
bool Regressao(Candidata& c) {
#ifdef NIVORA_SOURCE_DIR
  std::string texto;
  try {
    texto = LerArquivo(std::string(NIVORA_SOURCE_DIR) + "/tests/geoid/grade_irregular25.txt");
  } catch (const std::exception&) {
    return false;
  }
  c = Candidata{};
  for (const std::string& linha : DividirLinhas(texto)) {
    const TNoGrade no = LerNo(linha);
    NoAdv adv;
    adv.lat8 = std::llround(no.Lat * 1e8L);
    adv.lon7 = std::llround((no.Lon + 360) * 1e7L);
    adv.mm = std::lround(no.N * 1000);
    c.nos.push_back(adv);
  }
  c.pontos.push_back({-10.299900010711873181782L, -49.7L});
  return true;
#else
  (void)c;
  return false;
#endif
}

void MutarValor(Candidata& c, std::mt19937_64& s) {
  NoAdv& no = c.nos[Qual(s, c.nos.size())];
  const double u = Uniforme(s, 0, 1);
  if (u < 0.4)
    no.mm = ValorNovo(c, no, s);
  else if (u < 0.7)
    no.mm = std::clamp(no.mm + static_cast<long>(Escala10(s, 0, 4)), kMmMinimo, kMmMaximo);
  else if (u < 0.85)
    no.mm = Uniforme(s, 0, 1) < 0.5 ? kMmMinimo : kMmMaximo;
  else
    no.mm = c.nos[Qual(s, c.nos.size())].mm;
}

void MutarPonto(Candidata& c, const GradeCarregada& g, const Caixa& caixa, std::mt19937_64& s) {
  Ponto& p = c.pontos[Qual(s, c.pontos.size())];
  const auto& nos = g.Nos();
  const double u = Uniforme(s, 0, 1);
  if (u < 0.3) {
    const long double d = std::pow(10.0L, Uniforme(s, -16, -2));
    if (Uniforme(s, 0, 1) < 0.7) p.lat += d * Uniforme(s, -1, 1);
    if (Uniforme(s, 0, 1) < 0.7) p.lon += d * Uniforme(s, -1, 1);
  } else if (u < 0.5 || nos.empty()) {
    p = Sortear(caixa, s);
  } else if (u < 0.75) {
    // Near a node, preferably one within a spacing of the box.
    const NoCarregado* no = &nos[Qual(s, nos.size())];
    for (int k = 0;
         k < 8 && !(no->latGraus >= caixa.sul - kPasso && no->latGraus <= caixa.norte + kPasso &&
                    no->lonGraus >= caixa.oeste - kPasso && no->lonGraus <= caixa.leste + kPasso);
         ++k)
      no = &nos[Qual(s, nos.size())];
    const long double d = std::pow(10.0L, Uniforme(s, -15, -3));
    p = {no->latGraus + d * Uniforme(s, -1, 1), no->lonGraus + d * Uniforme(s, -1, 1)};
  } else {
    // A window bound exactly on a node's coordinate.
    const NoCarregado& no = nos[Qual(s, nos.size())];
    const double v = Uniforme(s, 0, 1);
    if (v < 1.0 / 3)
      p.lat = Ajustar(no.latGraus, no.latGraus - 2 * kPasso, 2 * kPasso, 1);
    else if (v < 2.0 / 3)
      p.lon = Ajustar(no.lonGraus, no.lonGraus + 2 * kPasso, 2 * kPasso, -1);
    else
      p.lon = Ajustar(no.lonGraus, no.lonGraus - 3 * kPasso, 3 * kPasso, 1);
  }
}

void MutarEscala(Candidata& c, std::mt19937_64& s) {
  const double u = Uniforme(s, 0, 1);
  if (u < 0.7)
    c.escala *= std::pow(10.0, Uniforme(s, -1, 1));
  else if (u < 0.8)
    c.escala = 0;
  else if (u < 0.9)
    c.escala = std::pow(10.0, Uniforme(s, 0, 2));
  else
    c.escala = -c.escala;
  c.escala = std::clamp(c.escala, -3e6, 3e6);
}

void MutarEstrutura(Candidata& c, std::mt19937_64& s) {
  const double u = Uniforme(s, 0, 1);
  NoAdv& no = c.nos[Qual(s, c.nos.size())];
  const NoAdv& outro = c.nos[Qual(s, c.nos.size())];
  auto empurrarLon = [&](double maximo) {
    no.extraLon = std::clamp(no.extraLon + Escala10(s, 0, 5.5), -std::llround(maximo * kPassoLon),
                             std::llround(maximo * kPassoLon));
  };
  switch (c.familia) {
    case Familia::Irregular:
      if (u < 0.55) {
        const long long limiteLat = std::llround(0.49L * kPassoLat);
        if (Uniforme(s, 0, 1) < 0.7)
          no.extraLat = std::clamp(no.extraLat + Escala10(s, 0, 6.5), -limiteLat, limiteLat);
        if (Uniforme(s, 0, 1) < 0.7) empurrarLon(0.49);
      } else if (u < 0.75) {
        std::swap(no, c.nos[Qual(s, c.nos.size())]);
      } else if (u < 0.85) {
        no.extraLat = LatNo(c, outro) - no.lat8;  // on the other node
        no.extraLon = LonNo(c, outro) - no.lon7;
      } else {
        no.copias = no.copias == 1 ? 2 : 1;
      }
      break;
    case Familia::Gemeas:
      if (u < 0.4) {
        MutarEscala(c, s);
      } else if (u < 0.65) {
        const int r = 1 + static_cast<int>(Qual(s, 6));
        Amarrar(c, r, 1 + static_cast<int>(Qual(s, 2)), s);
      } else if (u < 0.85) {
        empurrarLon(0.3);
      } else {
        no.copias = no.copias == 1 ? 2 : 1;
      }
      break;
    case Familia::Degenerada:
      if (u < 0.4) {
        MutarEscala(c, s);
      } else if (u < 0.7) {
        if (c.desvioLat) no.dLat = Uniforme(s, -1, 1);
        if (c.desvioLon) no.dLon = Uniforme(s, -1, 1);
      } else if (u < 0.85) {
        std::swap(no, c.nos[Qual(s, c.nos.size())]);
      } else if (u < 0.93) {
        no.lat8 = outro.lat8, no.lon7 = outro.lon7, no.dLat = outro.dLat, no.dLon = outro.dLon;
      } else {
        no.copias = no.copias == 1 ? 2 : 1;
      }
      break;
    case Familia::Buracos:
      if (u < 0.5) {
        no.copias = no.copias == 0 ? 1 : 0;
      } else if (u < 0.65) {
        no.copias = no.copias == 2 ? 1 : 2;
      } else if (u < 0.85) {
        empurrarLon(0.3);
      } else {
        Amarrar(c, 1 + static_cast<int>(Qual(s, 7)), 1, s);
      }
      break;
  }
}

void Mutar(Candidata& c, const GradeCarregada& g, std::mt19937_64& s) {
  const double u = Uniforme(s, 0, 1);
  if (u < 0.3)
    MutarPonto(c, g, CaixaPontos(c, g), s);
  else if (u < 0.55)
    MutarValor(c, s);
  else
    MutarEstrutura(c, s);
}

// A candidate's score: the objective, then how many of its points have a bound (so
// that points which lost their window do not linger).
struct Nota {
  double valor = 0;
  int limitados = 0;
  bool operator>=(const Nota& o) const {
    return valor > o.valor || (valor == o.valor && limitados >= o.limitados);
  }
};

Nota Avaliar(const Candidata& c, const Alvo& alvo, Objetivo objetivo, const Opcoes& opcoes,
             Totais& t) {
  Nota nota;
  double& valor = nota.valor;
  ++t.grades;
  for (const Ponto& p : c.pontos) {
    const Medida m = Comparar(alvo, p, t, opcoes.fatorLimite);
    if (!m.limitado || !m.valor) continue;
    ++nota.limitados;
    const double erro = static_cast<double>(std::fabs(static_cast<long double>(m.e) - m.bruto));
    switch (objetivo) {
      case Objetivo::Razao:
        valor = std::max(valor, erro / m.B);
        break;
      case Objetivo::Erro:
        valor = std::max(valor, erro);
        break;
      case Objetivo::Beira:
        if (m.decidido) valor = std::max(valor, m.B / m.distancia);
        break;
    }
  }
  ConferirBloco();  // before the candidate's grid goes
  return nota;
}

constexpr std::size_t kPontosCandidata = 4;

// One climb: `orcamento` points; the climb's lines in `saida`.
void Escalar(int indice, std::uint64_t orcamento, std::uint64_t semente, const std::string& arquivo,
             const Opcoes& opcoes, std::map<std::string, Totais>& saida) {
  std::mt19937_64 s(semente);
  const auto familia = static_cast<Familia>(indice % kFamilias);
  const auto objetivo = static_cast<Objetivo>((indice / kFamilias) % 3);
  const int subtipo = (indice / kFamilias) % kDegeneradas;
  const auto modo = static_cast<Valores>(Qual(s, 3));
  const std::string nome = std::string("adv ") + kNomesFamilia[indice % kFamilias];
  Totais& subida = saida[nome];
  Totais& bisseccoes = saida[nome + " / fronteira"];
  ++subida.subidas;
  Candidata atual;
  if (!(indice == 0 && Regressao(atual))) atual = Construir(familia, subtipo, modo, s);
  Alvo alvoAtual = Preparar(atual, nome);
  while (atual.pontos.size() < kPontosCandidata)
    atual.pontos.push_back(Sortear(CaixaPontos(atual, alvoAtual.consulta->Grade()), s));

  // The reference reads the grid from the climb's scratch file, rewritten whenever
  // another grid is checked.
  auto referencia = std::make_unique<TInterpolador>();
  std::string gravado;
  auto conferir = [&](Alvo& alvo, Ponto p, Totais& t) {
    if (gravado != alvo.texto || gravado.empty()) {
      Gravar(arquivo, alvo.texto);
      gravado = alvo.texto;
    }
    alvo.arquivo = arquivo;
    ConferirReferencia(alvo, *referencia, p, t);
  };
  const std::uint64_t inicio = subida.pontos + bisseccoes.pontos;
  auto usados = [&] { return subida.pontos + bisseccoes.pontos - inicio; };
  // Bisections on the best grid so far, from its points or from random ones.
  auto bisseccao = [&](bool comReferencia) {
    const Caixa caixa = CaixaPontos(atual, alvoAtual.consulta->Grade());
    const Ponto a =
        Uniforme(s, 0, 1) < 0.5 ? atual.pontos[Qual(s, atual.pontos.size())] : Sortear(caixa, s);
    const double angulo = Uniforme(s, 0, 2 * std::numbers::pi);
    const long double comprimento = std::pow(10.0L, Uniforme(s, -6, -2));
    const Ponto b{a.lat + comprimento * std::sin(angulo), a.lon + comprimento * std::cos(angulo)};
    Bisseccao(
        [&](Ponto p) {
          const Medida m = Comparar(alvoAtual, p, bisseccoes, opcoes.fatorLimite);
          if (comReferencia) conferir(alvoAtual, p, bisseccoes);
          return m;
        },
        a, b);
  };

  Nota melhor = Avaliar(atual, alvoAtual, objetivo, opcoes, subida);
  // Three quarters of the points climb, a fifth of them on bisections along the way.
  const std::uint64_t fimSubida = orcamento - orcamento / 4;
  const std::uint64_t inicioSubida = subida.pontos, inicioBisseccoes = bisseccoes.pontos;
  for (std::uint64_t passo = 1; usados() < fimSubida; ++passo) {
    Candidata nova = atual;
    Mutar(nova, alvoAtual.consulta->Grade(), s);
    Alvo alvoNovo = Preparar(nova, nome);
    const Nota valor = Avaliar(nova, alvoNovo, objetivo, opcoes, subida);
    if (passo % 64 == 0) conferir(alvoNovo, nova.pontos[Qual(s, nova.pontos.size())], subida);
    if (valor >= melhor) {
      melhor = valor;
      atual = std::move(nova);
      alvoAtual = std::move(alvoNovo);
    }
    if (4 * (bisseccoes.pontos - inicioBisseccoes) < subida.pontos - inicioSubida) bisseccao(false);
  }
  // The best grid: its points and some random ones against the reference, one
  // bisection step by step against it too, then bisections for the rest.
  const Caixa caixa = CaixaPontos(atual, alvoAtual.consulta->Grade());
  for (const Ponto& p : atual.pontos) conferir(alvoAtual, p, subida);
  for (int k = 0; k < 16; ++k) conferir(alvoAtual, Sortear(caixa, s), subida);
  bisseccao(true);
  while (usados() < orcamento) bisseccao(false);
  ConferirBloco();  // before the climb's totals go
}

// ---------------------------------------------------------------------------------

std::string Argumento(int argc, char** argv, const char* nome, const char* padrao) {
  const std::string prefixo = std::string("--") + nome + "=";
  for (int k = 1; k < argc; ++k)
    if (std::strncmp(argv[k], prefixo.c_str(), prefixo.size()) == 0)
      return argv[k] + prefixo.size();
  return padrao;
}

}  // namespace

int main(int argc, char** argv) {
  std::string caminhoGrade = Argumento(argc, argv, "grade", "");
  Opcoes opcoes;
  std::uint64_t total = 0, semente = 0;
  int threads = 0;
  try {
    total = static_cast<std::uint64_t>(std::stod(Argumento(argc, argv, "pontos", "1e6")));
    threads = std::max(1, std::stoi(Argumento(argc, argv, "threads", "2")));
    semente = std::stoull(Argumento(argc, argv, "semente", "2015"));
    opcoes.fatorLimite = std::stod(Argumento(argc, argv, "limite-vezes", "1"));
  } catch (const std::exception&) {
    caminhoGrade.clear();
  }
  if (caminhoGrade.empty()) {
    std::fprintf(stderr,
                 "usage: soak_consulta --grade=PATH [--pontos=N] [--threads=T] [--semente=S] "
                 "[--limite-vezes=F]\n");
    return 2;
  }

  // The shipped grid, the synthetic grids (written out for the reference) and a
  // scratch file per climb.
  std::string pasta = (std::filesystem::temp_directory_path() / "soak-XXXXXX").string();
  if (::mkdtemp(pasta.data()) == nullptr) return 2;
  Alvo distribuida;
  try {
    distribuida = Alvo{"",
                       std::make_shared<const TConsultaGrade>(
                           GradeCarregada::Analisar(LerArquivo(caminhoGrade), caminhoGrade)),
                       "", ""};
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
  const Caixa caixaDistribuida = Interior(distribuida.consulta->Grade(), 0.2L);
  std::mt19937_64 sorteio(semente);
  std::vector<Alvo> sinteticas;
  std::vector<Caixa> caixasSinteticas;
  for (auto& [nome, texto] : Sinteticas(sorteio)) {
    const std::string arquivo = pasta + "/" + std::to_string(sinteticas.size()) + ".txt";
    Gravar(arquivo, texto);
    auto grade = GradeCarregada::Analisar(texto, arquivo);
    caixasSinteticas.push_back(Interior(*grade, 3 * kPasso));
    sinteticas.push_back(
        Alvo{nome, std::make_shared<const TConsultaGrade>(std::move(grade)), texto, arquivo});
  }

  struct Tarefa {
    Tipo tipo;
    std::string linha;
    const Alvo* alvo;
    const Caixa* caixa;
    std::uint64_t pontos;
    int indice;  // the climb
  };
  std::vector<Tarefa> tarefas;
  std::vector<std::string> linhas;  // in print order
  // The climbs first (the longest tasks): more and longer ones for more points.
  const auto adversarias = static_cast<std::uint64_t>(static_cast<double>(total) * 0.25);
  const int subidas =
      40 * static_cast<int>(std::ceil(std::sqrt(std::max(1.0, static_cast<double>(total) / 1e6))));
  for (int k = 0; k < subidas; ++k)
    tarefas.push_back({Tipo::Adversaria, "", nullptr, nullptr, adversarias / subidas, k});
  constexpr int kFatias = 64;  // per kind, for the threads to share
  const std::pair<Tipo, const char*> tipos[] = {{Tipo::Area, "area"},
                                                {Tipo::Nos, "nos"},
                                                {Tipo::Faixa, "faixa"},
                                                {Tipo::Fronteira, "fronteira"}};
  const double partes[] = {0.20, 0.20, 0.10, 0.15};
  for (int k = 0; k < 4; ++k) {
    const auto n = static_cast<std::uint64_t>(static_cast<double>(total) * partes[k]);
    linhas.push_back(tipos[k].second);
    for (int f = 0; f < kFatias; ++f)
      tarefas.push_back(
          {tipos[k].first, tipos[k].second, &distribuida, &caixaDistribuida, n / kFatias, 0});
  }
  const auto porSintetica =
      static_cast<std::uint64_t>(static_cast<double>(total) * 0.10) / sinteticas.size();
  for (std::size_t g = 0; g < sinteticas.size(); ++g) {
    linhas.push_back(sinteticas[g].nome);
    for (int f = 0; f < 4; ++f)
      tarefas.push_back({Tipo::Sintetica, sinteticas[g].nome, &sinteticas[g], &caixasSinteticas[g],
                         porSintetica / 4, 0});
  }
  for (const char* f : kNomesFamilia) {
    linhas.push_back(std::string("adv ") + f);
    linhas.push_back(std::string("adv ") + f + " / fronteira");
  }

  std::map<std::string, Totais> resultados;
  std::mutex mutexResultados;
  std::atomic<std::size_t> proxima{0};
  const auto inicio = std::chrono::steady_clock::now();
  std::vector<std::thread> trabalhadores;
  for (int t = 0; t < threads; ++t)
    trabalhadores.emplace_back([&, t] {
      const std::string arquivo = pasta + "/subida" + std::to_string(t) + ".txt";
      for (std::size_t k; (k = proxima.fetch_add(1)) < tarefas.size();) {
        const Tarefa& tarefa = tarefas[k];
        const std::uint64_t sementeTarefa = semente * 1000003 + k;
        std::map<std::string, Totais> parcial;
        if (tarefa.tipo == Tipo::Adversaria)
          Escalar(tarefa.indice, tarefa.pontos, sementeTarefa, arquivo, opcoes, parcial);
        else
          RodarPontos(tarefa.tipo, *tarefa.alvo, *tarefa.caixa, tarefa.pontos, sementeTarefa,
                      tarefa.tipo == Tipo::Sintetica ? 128 : 0, opcoes, parcial[tarefa.linha]);
        std::lock_guard<std::mutex> trava(mutexResultados);
        for (const auto& [linha, t] : parcial) resultados[linha].Somar(t);
      }
    });
  for (auto& t : trabalhadores) t.join();
  const double segundos =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  std::filesystem::remove_all(pasta);

  std::printf("%-36s %11s %11s %11s %9s %8s %7s %7s %5s %5s %9s %9s %8s %8s %8s\n", "kind / grid",
              "points", "bounded", "estimate", "80-bit", "node", "failed", "singul", "diffs",
              "viol", "max|e-r|", "max e/B", "med B", "max B", "min d/B");
  auto imprimir = [](const std::string& nome, const Totais& t) {
    auto n = [](std::uint64_t v) { return static_cast<unsigned long long>(v); };
    std::printf(
        "%-36s %11llu %11llu %11llu %9llu %8llu %7llu %7llu %5llu %5llu %9.2Le %9.2e %8.1e %8.1e "
        "%8.3g\n",
        nome.c_str(), n(t.pontos), n(t.limitados), n(t.dupla), n(t.estendida), n(t.no), n(t.falhas),
        n(t.singulares), n(t.diferencas), n(t.violacoes), t.maiorErro, t.maiorRazao,
        t.MedianaLimite(), t.maiorLimite, t.menorFolga);
  };
  Totais geral;
  for (const std::string& linha : linhas) {
    imprimir(linha, resultados[linha]);
    geral.Somar(resultados[linha]);
  }
  imprimir("total", geral);
  std::printf("%.1f s with %d threads, %.0f points/s\n", segundos, threads,
              static_cast<double>(geral.pontos) / segundos);

  std::printf("\nstep-by-step reference (80-bit hook against TInterpolador, bit for bit):\n");
  for (const std::string& linha : linhas) {
    const Totais& t = resultados[linha];
    if (t.referencia > 0)
      std::printf("  %-36s %9llu points checked, %llu differences\n", linha.c_str(),
                  static_cast<unsigned long long>(t.referencia),
                  static_cast<unsigned long long>(t.diferencasReferencia));
  }
  std::printf(
      "\nblock form (the same points in blocks, both lane widths, against the point query):\n");
  std::printf("  %llu points, %llu differences\n", static_cast<unsigned long long>(geral.bloco),
              static_cast<unsigned long long>(geral.diferencasBloco));
  std::printf("\nadversarial climbs (largest |e - r| / B with its |e - r| and B):\n");
  for (const char* f : kNomesFamilia) {
    Totais t = resultados[std::string("adv ") + f];
    t.Somar(resultados[std::string("adv ") + f + " / fronteira"]);
    std::printf("  %-12s %4llu climbs, %9llu candidate grids, %.3e (%.3e m / %.3e m)\n", f,
                static_cast<unsigned long long>(t.subidas),
                static_cast<unsigned long long>(t.grades), t.maiorRazao, t.erroNaRazao,
                t.limiteNaRazao);
  }
  if (geral.Falhou()) {
    std::printf(
        "FAILED: %llu differences, %llu bound violations, %llu reference differences, %llu block "
        "differences\n",
        static_cast<unsigned long long>(geral.diferencas),
        static_cast<unsigned long long>(geral.violacoes),
        static_cast<unsigned long long>(geral.diferencasReferencia),
        static_cast<unsigned long long>(geral.diferencasBloco));
    return 1;
  }
  return 0;
}
