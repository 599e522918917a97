// The query against the step-by-step reference: its 80-bit value bit for bit, and its
// rounded result, whichever way (double estimate or 80-bit fit) it was reached.
#include "geoid/consulta.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "apoio/grade.hpp"
#include "apoio/interpolacao.hpp"
#include "geoid/arquivo.hpp"
#include "geoid/estimativa.hpp"
#include "geoid/formato_no.hpp"
#include "geoid/grade.hpp"
#include "text/erros.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace nivora {
namespace {

// Outcome of one query: the raw value's bits, or the error's type and text.
struct Resultado {
  bool falhou = false;
  long double bruto = 0;
  std::string erro;
};

bool operator==(const Resultado& a, const Resultado& b) {
  if (a.falhou != b.falhou) return false;
  if (a.falhou) return a.erro == b.erro;
  return std::memcmp(&a.bruto, &b.bruto, 10) == 0;  // the 80 significant bits
}

std::ostream& operator<<(std::ostream& s, const Resultado& r) {
  if (r.falhou) return s << "error " << r.erro;
  return s << FormatFloat("#0.000000000000000000", r.bruto);
}

template <class F>
Resultado Executar(F&& consulta) {
  Resultado r;
  // The kind of failure and its text (a damaged grid met by the query is a
  // conversion error that also knows the file and line).
  const auto falha = [&r](const char* tipo, const ErroNivora& e) {
    r.falhou = true;
    r.erro = std::string(tipo) + ": " + e.what();
  };
  try {
    r.bruto = consulta();
  } catch (const EConversao& e) {
    falha("conversao", e);
  } catch (const EDivisaoPorZero& e) {
    falha("divisao por zero", e);
  } catch (const EOperacaoInvalida& e) {
    falha("operacao invalida", e);
  } catch (const ErroNivora& e) {
    falha(typeid(e).name(), e);
  }
  return r;
}

Resultado Literal(TInterpolador& t, const std::string& arquivo, long double lat, long double lon) {
  return Executar([&] { return t.OndulacaoBruta(arquivo, lat, lon); });
}

// The reference's raw value rounded as the query rounds it, step by step.
Resultado Arredondado(Resultado r) {
  if (!r.falhou) r.bruto = StrToFloat(AjustaCampo10(FormatFloat("#0.000", r.bruto)));
  return r;
}

Resultado Estendido(const TConsultaGrade& c, long double lat, long double lon) {
  return Executar([&] { return OndulacaoEstendida(c.Grade(), lat, lon); });
}

// The query's result, counted by the way it took (failures under `recusas`).
Resultado Final(const TConsultaGrade& c, long double lat, long double lon,
                ContagemCaminhos* contagem = nullptr) {
  CaminhoConsulta caminho{};
  const Resultado r = Executar([&] { return c.Ondulacao(lat, lon, &caminho); });
  if (contagem != nullptr) {
    if (r.falhou)
      ++contagem->recusas;
    else
      contagem->Contar(caminho);
  }
  return r;
}

TConsultaGrade Consulta(const std::string& caminho) {
  return TConsultaGrade(GradeCarregada::Analisar(LerArquivo(caminho), caminho));
}

struct Ponto {
  long double lat, lon;
};

constexpr long kLat0 = -10 * 12, kLon0 = 310 * 12;  // 10S 50W
constexpr int kLinhas = 20, kColunas = 20;
const long double kEspacamento = 5 / 60.0L;

// Random points over the grid and a little beyond it, points on nodes, rows and
// columns, and points whose window bounds fall exactly on node coordinates.
std::vector<Ponto> Pontos(const std::vector<std::string>& linhas, std::mt19937& sorteio, int n) {
  std::vector<TNoGrade> nos;
  for (const auto& l : linhas) nos.push_back(LerNo(l));
  const long double norte = kLat0 / 12.0L + 0.1L, sul = (kLat0 - kLinhas) / 12.0L - 0.1L;
  const long double oeste = kLon0 / 12.0L - 360 - 0.1L, leste = oeste + kColunas / 12.0L + 0.2L;
  std::uniform_real_distribution<long double> lat(sul, norte), lon(oeste, leste);
  std::uniform_int_distribution<std::size_t> qual(0, nos.size() - 1);
  std::uniform_int_distribution<int> ulps(-3, 3);
  auto ajustar = [&](long double alvo, long double v, long double passo, int sentido) {
    // The value whose bound (v + sentido * passo) lands exactly on alvo, if one is near.
    for (int k = 0; k < 64; ++k) {
      if (v + sentido * passo == alvo) return v;
      v = (v + sentido * passo < alvo) ? nextafterl(v, INFINITY) : nextafterl(v, -INFINITY);
    }
    return v;
  };
  std::uniform_int_distribution<int> escala(1, 17);
  std::uniform_real_distribution<long double> direcao(-1, 1);
  std::vector<Ponto> pontos;
  for (int k = 0; k < n; ++k) {
    const TNoGrade& no = nos[qual(sorteio)];
    switch (k % 9) {
      case 0:
      case 1:
      case 2:
        pontos.push_back({lat(sorteio), lon(sorteio)});
        break;
      case 3:
        pontos.push_back({no.Lat, no.Lon});
        break;
      case 4:
        pontos.push_back({no.Lat, lon(sorteio)});
        break;
      case 5:
        pontos.push_back({lat(sorteio), no.Lon});
        break;
      case 8: {  // near a node, 1e-1 to 1e-17 degrees away (below that, an ulp or two)
        const long double d = std::pow(10.0L, -escala(sorteio));
        pontos.push_back({no.Lat + d * direcao(sorteio), no.Lon + d * direcao(sorteio)});
        break;
      }
      case 6: {  // LonMin on a node; LatMax on its row, or just south of it, or anywhere
        const int u = ulps(sorteio);
        const long double alvo = u < 0 ? nextafterl(no.Lat, -INFINITY) : no.Lat;
        pontos.push_back(
            {u != 0 ? ajustar(alvo, no.Lat - 2 * kEspacamento, 2 * kEspacamento, 1) : lat(sorteio),
             ajustar(no.Lon, no.Lon + 2 * kEspacamento, 2 * kEspacamento, -1)});
        break;
      }
      default:  // LonMax on a node
        pontos.push_back(
            {lat(sorteio), ajustar(no.Lon, no.Lon - 3 * kEspacamento, 3 * kEspacamento, 1)});
    }
  }
  return pontos;
}

// The block form stops at the first point whose query fails, with that point's error;
// every point before it gets the point-by-point result, bit for bit.
void CompararBloco(const TConsultaGrade& consulta, const std::vector<Ponto>& pontos) {
  std::vector<long double> lat, lon, N(pontos.size());
  for (const Ponto& p : pontos) lat.push_back(p.lat), lon.push_back(p.lon);
  for (std::size_t inicio = 0; inicio < pontos.size();) {
    std::exception_ptr erro;
    const std::size_t feitos = consulta.OndulacoesEstendidas(
        lat.data() + inicio, lon.data() + inicio, pontos.size() - inicio, N.data() + inicio, erro);
    for (std::size_t i = inicio; i < inicio + feitos; ++i)
      ASSERT_EQ((Resultado{false, N[i], {}}), Final(consulta, lat[i], lon[i])) << i;
    inicio += feitos;
    if (inicio == pontos.size()) break;
    const Resultado esperado = Final(consulta, lat[inicio], lon[inicio]);
    ASSERT_TRUE(esperado.falhou) << inicio;
    EXPECT_EQ(esperado, Executar([&]() -> long double { std::rethrow_exception(erro); })) << inicio;
    ++inicio;
  }
}

class ConsultaRapida : public ::testing::Test {
 protected:
  teste::PastaTemporaria pasta;
  std::mt19937 sorteio{2015};
  std::unique_ptr<TInterpolador> literal = std::make_unique<TInterpolador>();

  std::string Grade(const std::string& nome, const std::vector<std::string>& linhas) {
    const std::string caminho = pasta / nome;
    teste::EscreverLinhas(caminho, linhas);
    return caminho;
  }

  // The reference against the query's 80-bit value and against its result, the double
  // estimate's bound against the 80-bit value, and the block form (four points side by
  // side) against the point-by-point query, over many points; returns how many ways
  // the queries took (failures as `recusas`).
  ContagemCaminhos Comparar(const std::string& caminho, const std::vector<Ponto>& pontos) {
    const TConsultaGrade consulta = Consulta(caminho);
    ContagemCaminhos contagem;
    CompararBloco(consulta, pontos);
    DispensarAvx512(true);  // eight lanes where the processor has them, else four: both
    CompararBloco(consulta, pontos);
    DispensarAvx512(false);
    for (const Ponto& p : pontos) {
      const Resultado a = Literal(*literal, caminho, p.lat, p.lon);
      const std::string onde = caminho + " lat " + FormatFloat("#0.000000000000000000", p.lat) +
                               " lon " + FormatFloat("#0.000000000000000000", p.lon);
      EXPECT_EQ(a, Estendido(consulta, p.lat, p.lon)) << onde;
      EXPECT_EQ(Arredondado(a), Final(consulta, p.lat, p.lon, &contagem)) << onde;
      double e = 0, limite = 0;
      if (!a.falhou && EstimativaDupla(consulta.Grade(), p.lat, p.lon, e, limite)) {
        EXPECT_LE(std::fabs(static_cast<long double>(e) - a.bruto), limite) << onde;
      }
    }
    return contagem;
  }
};

TEST_F(ConsultaRapida, MatchesTheStepByStepOneOnOrderedShuffledAndDuplicatedGrids) {
  const auto regular = teste::GradeRegular(kLat0, kLon0, kLinhas, kColunas, sorteio);
  const auto pontos = Pontos(teste::Achatar(regular), sorteio, 1200);

  auto dentroDasLinhas = regular;  // rows north to south, nodes shuffled in each
  for (auto& linha : dentroDasLinhas) std::shuffle(linha.begin(), linha.end(), sorteio);
  auto linhasTrocadas = regular;  // whole rows out of order: no row index
  std::shuffle(linhasTrocadas.begin(), linhasTrocadas.end(), sorteio);
  auto duplicados = regular;  // some nodes twice in their row
  for (auto& linha : duplicados)
    for (int k = 0; k < 3; ++k)
      linha.insert(linha.begin() + 2 * k + 5, linha[static_cast<std::size_t>(2 * k + 4)]);
  const auto decrescente = [&] {  // longitudes decreasing along each row
    auto g = regular;
    for (auto& linha : g) std::reverse(linha.begin(), linha.end());
    return g;
  }();
  auto desviado = regular;  // one node of one row a micro-degree off its column
  desviado[9][7] = teste::LinhaNo("310.583334", teste::Doze(kLat0 - 9), "1.234");

  struct Caso {
    const char* nome;
    std::vector<std::vector<std::string>> grade;
    bool reticulado;  // every row the same longitudes: windows taken as blocks
  };
  const Caso grades[] = {
      {"regular.txt", regular, true},          {"dentro.txt", dentroDasLinhas, false},
      {"trocadas.txt", linhasTrocadas, false},  // windows take nodes far apart
      {"duplicados.txt", duplicados, false},   {"decrescente.txt", decrescente, false},
      {"desviado.txt", desviado, false}};
  for (const auto& [nome, grade, reticulado] : grades) {
    const std::string caminho = Grade(nome, teste::Achatar(grade));
    EXPECT_EQ(Consulta(caminho).Grade().Reticulado(), reticulado) << nome;
    const ContagemCaminhos c = Comparar(caminho, pontos);
    // Most points have a full window, and the estimate's bound decides nearly all.
    EXPECT_GT(c.dupla + c.estendida + c.no, 500u) << nome;
    EXPECT_GT(c.dupla, 400u) << nome;
  }
  // On the lattice, a window is taken as a block exactly when the search's window is
  // that block: its 25 nodes, five rows of five columns, in file order.
  const TConsultaGrade reticulado = Consulta(Grade("regular.txt", teste::Achatar(regular)));
  const GradeCarregada& grade = reticulado.Grade();
  int blocos = 0;
  for (const Ponto& p : pontos) {
    const long double latMax = p.lat + 2 * kEspacamento, lonMin = p.lon - 2 * kEspacamento,
                      lonMax = p.lon + 3 * kEspacamento;
    NoJanela nos[kNumNos];
    const int quantos = grade.Janela(latMax, lonMin, lonMax, kNumNos, nos);
    bool eBloco = quantos == kNumNos;
    for (int t = 0; eBloco && t < kNumNos; ++t)
      eBloco = nos[t].indice == nos[0].indice + static_cast<std::size_t>(t / 5) * kColunas +
                                    static_cast<std::size_t>(t % 5);
    std::size_t linha = 0, coluna = 0;
    ASSERT_EQ(grade.JanelaReticulado(latMax, lonMin, lonMax, linha, coluna), eBloco)
        << FormatFloat("#0.000000000000000000", p.lat) << " "
        << FormatFloat("#0.000000000000000000", p.lon);
    if (eBloco) {
      EXPECT_EQ(linha * kColunas + coluna, nos[0].indice);
    }
    blocos += eBloco;
  }
  EXPECT_GT(blocos, 300);

  // The six-node band did occur: a point whose LonMin is a node longitude exactly,
  // with the node five spacings east still inside its LonMax.
  int seisNos = 0;
  std::vector<long double> lons;
  for (int c = 0; c < kColunas; ++c) lons.push_back(StrToFloat(teste::Doze(kLon0 + c)) - 360);
  for (const Ponto& p : pontos) {
    const long double lonMin = p.lon - 2 * kEspacamento, lonMax = p.lon + 3 * kEspacamento;
    seisNos += std::count_if(lons.begin(), lons.end(),
                             [&](long double l) { return l >= lonMin && l <= lonMax; }) == 6;
  }
  EXPECT_GT(seisNos, 0);
}

TEST_F(ConsultaRapida, MatchesTheStepByStepOneWithABadLineAndADegenerateGrid) {
  auto linhas = teste::Achatar(teste::GradeRegular(kLat0, kLon0, kLinhas, kColunas, sorteio));
  const auto pontos = Pontos(linhas, sorteio, 400);
  // A bad line in the middle: nodes before it still answer a point that sits on them.
  auto comRuim = linhas;
  comRuim.insert(comRuim.begin() + 200, "  310.000000  -11.000000   abc");
  const ContagemCaminhos c = Comparar(Grade("ruim.txt", comRuim), pontos);
  EXPECT_GT(c.no, 0u);
  EXPECT_GT(c.recusas, 0u);

  // All nodes on one row (X = 0): columns of X vanish, a zero pivot.
  std::vector<std::string> umaLinha;
  for (int c = 0; c < 60; ++c)
    umaLinha.push_back(teste::LinhaNo(teste::Milimetros(310000 + 10 * c), "-10.000000", "1.000"));
  const std::string caminho = Grade("umalinha.txt", umaLinha);
  const Resultado r = Final(Consulta(caminho), -10.05L, -49.8L);
  EXPECT_TRUE(r.falhou && r.erro.find("Floating point division by zero") != std::string::npos) << r;
  Comparar(caminho, {{-10.05L, -49.8L}, {-10.0L, -49.75L}, {-9.9L, -49.71L}});

  // Nodes along a diagonal: near-dependent columns, whatever comes out must agree.
  std::vector<std::string> diagonal;
  for (int k = 0; k < 40; ++k)
    diagonal.push_back(
        teste::LinhaNo(teste::Doze(kLon0 + k), teste::Doze(kLat0 - k), teste::Milimetros(k * 37)));
  Comparar(Grade("diagonal.txt", diagonal), {{-10.5L, -49.5L}, {-10.2L, -49.9L}, {-11.0L, -49.0L}});

  // Longitudes beyond the double range (and below its normal range): distinct values
  // that share one double are told apart in extended precision.
  std::vector<std::string> extremos;
  for (const char* lon : {"-2.3e3933", "-2.4e3933", "1e-4000", "2e-4000"})
    extremos.push_back(teste::LinhaNo(lon, "-10.000000", "1.000"));
  Comparar(Grade("extremos.txt", extremos),
           {{-10.1L, StrToFloat("-2.3e3933") - 360}, {-10.1L, StrToFloat("1e-4000") - 360 + 0.1L}});
}

TEST_F(ConsultaRapida, RoundsByTheMillimetreMask) {
  struct Caso {
    const char* n;
    long double esperado;
  };
  const Caso casos[] = {{" 1.2345", 1.235L}, {"-1.2345", -1.235L}, {"1.23449", 1.234L},
                        {"-0.0004", 0.0L},   {"-0.0005", -0.001L}, {"12.3456", 12.346L}};
  for (const Caso& c : casos) {
    auto grade = teste::GradeRegular(kLat0, kLon0, 8, 8, sorteio);
    grade[3][3] = teste::LinhaNo("310.250000", "-10.250000", c.n);
    const TConsultaGrade consulta = Consulta(Grade("arred.txt", teste::Achatar(grade)));
    CaminhoConsulta caminho{};
    const long double n = consulta.Ondulacao(-10.25L, -49.75L, &caminho);  // on that node
    EXPECT_EQ(n, c.esperado) << c.n;
    EXPECT_FALSE(std::signbit(n) && n == 0) << c.n;
    EXPECT_EQ(OndulacaoEstendida(consulta.Grade(), -10.25L, -49.75L), StrToFloat(Trim(c.n))) << c.n;
    EXPECT_EQ(caminho, CaminhoConsulta::No) << c.n;
  }
}

// Grids of one value everywhere: every fit gives that value up to the last bits of
// its arithmetic, so a value on a rounding boundary must reach the 80-bit fit, and
// so must values of 1000 m and more, whose millimetres the estimate never writes.
TEST_F(ConsultaRapida, ConstantGridsOnABoundaryOrOutOfRangeGoToTheExtendedFit) {
  struct Caso {
    const char* n;
    bool naFronteira;  // x.xxx5
    bool foraDaFaixa;  // |N| > 1000 m
  };
  const Caso casos[] = {
      {"1.2345", true, false},  {"-1.2345", true, false},  {"-0.0005", true, false},
      {"99.9995", true, false}, {"1.2344", false, false},  {"-0.0004", false, false},
      {"0", false, false},      {"-999.99", false, false}, {"1000.5", false, true},
      {"-4321.5", false, true}, {"1e300", false, true}};
  const std::vector<Ponto> pontos = {{-10.31L, -49.64L}, {-10.4L, -49.5L}, {-10.5L, -49.49L}};
  for (const Caso& c : casos) {
    const ContagemCaminhos k =
        Comparar(Grade("constante.txt",
                       teste::Achatar(teste::GradeRegular(kLat0, kLon0, 10, 10, sorteio, c.n))),
                 pontos);
    EXPECT_EQ(k.estendida, c.naFronteira || c.foraDaFaixa ? pontos.size() : 0u) << c.n;
    EXPECT_EQ(k.dupla, c.naFronteira || c.foraDaFaixa ? 0u : pontos.size()) << c.n;
  }
}

// Points whose N lies within 1e-6 m and less of a rounding boundary, found by
// bisection along a parallel; every step of the search is a point to compare.
TEST_F(ConsultaRapida, PointsNextToARoundingBoundary) {
  const std::string caminho =
      Grade("regular.txt", teste::Achatar(teste::GradeRegular(kLat0, kLon0, 12, 12, sorteio)));
  const TConsultaGrade consulta = Consulta(caminho);
  ContagemCaminhos contagem;
  std::uniform_real_distribution<long double> lat(-10.6L, -10.3L), lon(-49.6L, -49.3L);
  int perto = 0;
  for (int busca = 0; busca < 12; ++busca) {
    const long double la = lat(sorteio);
    long double a = lon(sorteio), b = a + 0.02L;
    // A boundary k + 0.5 mm between N(a) and N(b), if there is one.
    const long double na = OndulacaoEstendida(consulta.Grade(), la, a);
    const long double nb = OndulacaoEstendida(consulta.Grade(), la, b);
    const long double fronteira = (std::floor(std::min(na, nb) * 1000 - 0.5L) + 1.5L) / 1000;
    if (!(fronteira < std::max(na, nb))) continue;
    const bool sobe = na < nb;
    for (int passo = 0; passo < 64; ++passo) {
      const long double m = (a + b) / 2;
      const Resultado bruto = Estendido(consulta, la, m);
      ASSERT_FALSE(bruto.falhou) << bruto;
      EXPECT_EQ(Arredondado(bruto), Final(consulta, la, m, &contagem));
      perto += std::fabs(bruto.bruto - fronteira) < 1e-6L;
      ((bruto.bruto < fronteira) == sobe ? a : b) = m;
    }
  }
  EXPECT_GT(perto, 100);
  EXPECT_GT(contagem.estendida, 0u);
}

// A grid a user could drop in, 25 nodes off the lattice: its windows are far worse
// conditioned than the shipped grid's. At this point a double computation of the fit
// lands on the other side of a rounding boundary (518.443 instead of 518.442): the
// bound must be wide enough to send it to the 80-bit fit.
TEST_F(ConsultaRapida, AnIrregularGridNextToABoundaryGetsTheExtendedFitsMillimetre) {
  const std::string caminho = std::string(NIVORA_SOURCE_DIR) + "/tests/geoid/grade_irregular25.txt";
  const long double lat = -10.299900010711873181782L, lon = -49.7L;
  const TConsultaGrade consulta = Consulta(caminho);
  const long double bruto = OndulacaoEstendida(consulta.Grade(), lat, lon);
  EXPECT_EQ(FormatFloat("#0.000000000000", bruto), "518.442499999943");
  CaminhoConsulta caminhoTomado{};
  EXPECT_EQ(consulta.Ondulacao(lat, lon, &caminhoTomado), 518.442L);
  EXPECT_EQ(caminhoTomado, CaminhoConsulta::Estendida);
  // The points whose window is the whole grid, the boundary's neighbourhood included.
  std::vector<Ponto> pontos;
  std::uniform_real_distribution<long double> la(-10.295L, -10.2L), lo(-49.8L, -49.71L);
  for (int k = 0; k < 300; ++k) pontos.push_back({la(sorteio), lo(sorteio)});
  for (int k = -3; k <= 3; ++k) pontos.push_back({lat + k * 1e-12L, lon});
  // Some of these have fewer than 25 nodes (an error alike on both sides); of the
  // others, the bound lets the estimate decide some and sends others to the 80-bit fit.
  const ContagemCaminhos c = Comparar(caminho, pontos);
  EXPECT_GT(c.dupla, 0u);
  EXPECT_GT(c.estendida, 0u);
}

// The rounding decided from a bounded estimate is the mask's rounding of any value
// within the bound of the estimate, whatever the bound's size.
TEST(DecidirMilimetros, MatchesTheMaskRoundingOfEveryValueWithinTheBound) {
  auto mascara = [](long double r) { return StrToFloat(AjustaCampo10(FormatFloat("#0.000", r))); };
  std::mt19937 sorteio(7);
  std::uniform_int_distribution<long long> mm(-999999, 999999);
  std::uniform_real_distribution<double> resto(-0.5, 0.5);
  std::uniform_int_distribution<int> expoente(-14, -5);
  int decididos = 0, recusados = 0;
  for (int k = 0; k < 200000; ++k) {
    // Spread values, and values next to a boundary k + 0.5 mm; bounds of 1e-14 to 1e-5 m.
    const double perto = k % 2 ? 0.5 + std::ldexp(resto(sorteio), -(k % 40)) : resto(sorteio);
    const EstimativaLimitada e{(static_cast<double>(mm(sorteio)) + perto) / 1000,
                               std::pow(10.0, expoente(sorteio))};
    long long m = 0;
    if (!DecidirMilimetros(e, m)) {
      ++recusados;
      continue;
    }
    ++decididos;
    const long double v = e.valor, l = e.limite;
    for (const long double r : {v - l, nextafterl(v - l, v), v, nextafterl(v + l, v), v + l})
      ASSERT_EQ(ValorEmMilimetros(m), mascara(r)) << FormatFloat("#0.000000000000000", r);
  }
  EXPECT_GT(decididos, 100000);
  EXPECT_GT(recusados, 1000);
  long long m = 0;
  for (const double fora : {1000.0005, -1000.5, 1e300, std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity()})
    EXPECT_FALSE(DecidirMilimetros(EstimativaLimitada{fora, 1e-12}, m)) << fora;
  EXPECT_FALSE(DecidirMilimetros(EstimativaLimitada{1.2341, 0.6e-3}, m));  // spans two boundaries
}

// Every result the estimate can give reads back as the mask's text would.
TEST(ValorEmMilimetros, MatchesTheMaskTextReadBack) {
  for (long long m = -1000000; m <= 1000000; ++m) {
    const long double esperado = StrToFloat(AjustaCampo10(FormatFloat("#0.000", m / 1000.0L)));
    ASSERT_EQ(ValorEmMilimetros(m), esperado) << m;
    ASSERT_FALSE(std::signbit(ValorEmMilimetros(m)) && m == 0);
  }
}

}  // namespace
}  // namespace nivora
