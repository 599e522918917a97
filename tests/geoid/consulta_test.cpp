// The cached, indexed query against the step-by-step reference, and the cache's
// reaction to a changed, replaced, deleted or damaged grid file.
#include "geoid/consulta.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

#include "apoio/grade.hpp"
#include "geoid/cache.hpp"
#include "geoid/grade.hpp"
#include "geoid/interpolacao.hpp"
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
  try {
    r.bruto = consulta();
  } catch (const ErroNivora& e) {
    r.falhou = true;
    r.erro = std::string(typeid(e).name()) + ": " + e.what();
  }
  return r;
}

Resultado Literal(TInterpolador& t, const std::string& arquivo, long double lat, long double lon) {
  return Executar([&] { return t.OndulacaoBruta(arquivo, lat, lon); });
}

Resultado Rapido(TModeloGeoide& m, long double lat, long double lon) {
  return Executar([&] {
    m.ObterOndulacao(lat, lon);
    return m.UltimoBruto();
  });
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
  std::vector<Ponto> pontos;
  for (int k = 0; k < n; ++k) {
    const TNoGrade& no = nos[qual(sorteio)];
    switch (k % 8) {
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
      case 6:  // LonMin on a node, sometimes LatMax on its row too
        pontos.push_back({ulps(sorteio) > 0
                              ? ajustar(no.Lat, no.Lat - 2 * kEspacamento, 2 * kEspacamento, 1)
                              : lat(sorteio),
                          ajustar(no.Lon, no.Lon + 2 * kEspacamento, 2 * kEspacamento, -1)});
        break;
      default:  // LonMax on a node
        pontos.push_back(
            {lat(sorteio), ajustar(no.Lon, no.Lon - 3 * kEspacamento, 3 * kEspacamento, 1)});
    }
  }
  return pontos;
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

  // Both paths over many points; returns how many queries ended in a value.
  int Comparar(const std::string& caminho, const std::vector<Ponto>& pontos) {
    TModeloGeoide modelo(caminho);
    int valores = 0;
    for (const Ponto& p : pontos) {
      const Resultado a = Literal(*literal, caminho, p.lat, p.lon);
      const Resultado b = Rapido(modelo, p.lat, p.lon);
      EXPECT_EQ(a, b) << caminho << " lat " << FormatFloat("#0.000000000000000000", p.lat)
                      << " lon " << FormatFloat("#0.000000000000000000", p.lon);
      valores += !a.falhou;
    }
    return valores;
  }
};

TEST_F(ConsultaRapida, IgualAoLiteralEmGradesOrdenadasEmbaralhadasEDuplicadas) {
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

  const std::pair<const char*, std::vector<std::vector<std::string>>> grades[] = {
      {"regular.txt", regular},
      {"dentro.txt", dentroDasLinhas},
      {"trocadas.txt", linhasTrocadas},
      {"duplicados.txt", duplicados},
      {"decrescente.txt", decrescente}};
  for (const auto& [nome, grade] : grades) {
    const int valores = Comparar(Grade(nome, teste::Achatar(grade)), pontos);
    EXPECT_GT(valores, 500) << nome;  // most points have a full window
  }
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

TEST_F(ConsultaRapida, IgualAoLiteralComLinhaRuimEGradeDegenerada) {
  auto linhas = teste::Achatar(teste::GradeRegular(kLat0, kLon0, kLinhas, kColunas, sorteio));
  const auto pontos = Pontos(linhas, sorteio, 400);
  // A bad line in the middle: nodes before it still answer a point that sits on them.
  auto comRuim = linhas;
  comRuim.insert(comRuim.begin() + 200, "  310.000000  -11.000000   abc");
  EXPECT_GT(Comparar(Grade("ruim.txt", comRuim), pontos), 0);

  // All nodes on one row (X = 0): columns of X vanish, a zero pivot.
  std::vector<std::string> umaLinha;
  for (int c = 0; c < 60; ++c)
    umaLinha.push_back(teste::LinhaNo(teste::Milimetros(310000 + 10 * c), "-10.000000", "1.000"));
  const std::string caminho = Grade("umalinha.txt", umaLinha);
  const Resultado r = Rapido(*std::make_unique<TModeloGeoide>(caminho), -10.05L, -49.8L);
  EXPECT_TRUE(r.falhou && r.erro.find("Floating point division by zero") != std::string::npos) << r;
  Comparar(caminho, {{-10.05L, -49.8L}, {-10.0L, -49.75L}, {-9.9L, -49.71L}});

  // Nodes along a diagonal: near-dependent columns, whatever comes out must agree.
  std::vector<std::string> diagonal;
  for (int k = 0; k < 40; ++k)
    diagonal.push_back(
        teste::LinhaNo(teste::Doze(kLon0 + k), teste::Doze(kLat0 - k), teste::Milimetros(k * 37)));
  Comparar(Grade("diagonal.txt", diagonal), {{-10.5L, -49.5L}, {-10.2L, -49.9L}, {-11.0L, -49.0L}});
}

TEST_F(ConsultaRapida, ArredondaPelaMascaraDeMilimetros) {
  struct Caso {
    const char* n;
    long double esperado;
  };
  const Caso casos[] = {{" 1.2345", 1.235L}, {"-1.2345", -1.235L}, {"1.23449", 1.234L},
                        {"-0.0004", 0.0L},   {"-0.0005", -0.001L}, {"12.3456", 12.346L}};
  for (const Caso& c : casos) {
    auto grade = teste::GradeRegular(kLat0, kLon0, 8, 8, sorteio);
    grade[3][3] = teste::LinhaNo("310.250000", "-10.250000", c.n);
    TModeloGeoide modelo(Grade("arred.txt", teste::Achatar(grade)));
    const long double n = modelo.ObterOndulacao(-10.25L, -49.75L);  // on that node
    EXPECT_EQ(n, c.esperado) << c.n;
    EXPECT_FALSE(std::signbit(n) && n == 0) << c.n;
    EXPECT_EQ(modelo.UltimoBruto(), StrToFloat(Trim(c.n))) << c.n;
  }
}

TEST_F(ConsultaRapida, MudancaNoArquivoValeNaConsultaSeguinte) {
  const auto grade = teste::GradeRegular(kLat0, kLon0, 10, 10, sorteio);
  const auto comN = [&](const char* n) {
    auto g = grade;
    g[4][4] = teste::LinhaNo(teste::Doze(kLon0 + 4), teste::Doze(kLat0 - 4), n);
    return teste::Achatar(g);
  };
  const std::string caminho = Grade("grade.txt", comN("  1.000"));
  const long double lat = StrToFloat(teste::Doze(kLat0 - 4));
  const long double lon = StrToFloat(teste::Doze(kLon0 + 4)) - 360;
  TModeloGeoide modelo(caminho);
  const std::string ausente = "Cannot open file \"" + caminho + "\". " + std::strerror(ENOENT);
  // On the changed node, and off every node (where a bad line anywhere is reached).
  auto consulta = [&](long double la, long double lo) -> std::string {
    try {
      return FormatFloat("#0.000", modelo.ObterOndulacao(la, lo));
    } catch (const ErroNivora& e) {
      return e.what();
    }
  };
  auto noNo = [&] { return consulta(lat, lon); };
  auto foraDoNo = [&] { return consulta(lat + 0.01L, lon + 0.01L); };
  EXPECT_EQ(noNo(), "1.000");
  teste::EscreverLinhas(caminho, comN("  2.000"));  // rewritten in place, same size
  EXPECT_EQ(noNo(), "2.000");
  teste::EscreverLinhas(pasta / "nova.txt", comN("  3.000"));
  std::filesystem::rename(pasta / "nova.txt", caminho);  // replaced by rename
  EXPECT_EQ(noNo(), "3.000");
  std::filesystem::rename(caminho, pasta / "fora.txt");  // moved away
  EXPECT_EQ(noNo(), ausente);
  EXPECT_EQ(noNo(), ausente);
  std::filesystem::rename(pasta / "fora.txt", caminho);  // put back
  EXPECT_EQ(noNo(), "3.000");
  auto ruim = comN("  3.000");
  ruim.back() = "  310.000000  -11.000000";
  teste::EscreverLinhas(caminho, ruim);  // damaged at the very end
  EXPECT_EQ(foraDoNo(), "'' is not a valid floating point value");
  EXPECT_EQ(foraDoNo(), "'' is not a valid floating point value");
  EXPECT_EQ(noNo(), "3.000");  // the scan ends on the node before the bad line
  teste::EscreverLinhas(caminho, comN("  4.000"), "\r\n", false);  // mended, no final break
  EXPECT_EQ(noNo(), "4.000");
  EXPECT_NE(foraDoNo().find('.'), std::string::npos);
  std::filesystem::remove(caminho);
  EXPECT_EQ(noNo(), ausente);
}

TEST_F(ConsultaRapida, GradeInalteradaNaoEAnalisadaDeNovo) {
  const std::string caminho =
      Grade("grade.txt", teste::Achatar(teste::GradeRegular(kLat0, kLon0, 10, 10, sorteio)));
  TModeloGeoide modelo(caminho);
  const long double primeiro = modelo.ObterOndulacao(-10.3L, -49.6L);
  const std::size_t analises = ContagemAnalises();
  for (int k = 0; k < 50; ++k) EXPECT_EQ(modelo.ObterOndulacao(-10.3L, -49.6L), primeiro);
  EXPECT_EQ(ContagemAnalises(), analises);
}

TEST_F(ConsultaRapida, ModelosEmVariasThreadsCompartilhamAGrade) {
  const std::string caminho = Grade(
      "grade.txt", teste::Achatar(teste::GradeRegular(kLat0, kLon0, kLinhas, kColunas, sorteio)));
  std::uniform_real_distribution<long double> lat(-11.2L, -10.2L), lon(-49.8L, -48.8L);
  std::vector<Ponto> pontos;
  for (int k = 0; k < 200; ++k) pontos.push_back({lat(sorteio), lon(sorteio)});
  std::vector<long double> esperado;
  TModeloGeoide sozinho(caminho);
  for (const Ponto& p : pontos) esperado.push_back(sozinho.ObterOndulacao(p.lat, p.lon));
  std::vector<int> diferentes(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      TModeloGeoide modelo(caminho);
      for (std::size_t k = 0; k < pontos.size(); ++k)
        diferentes[static_cast<std::size_t>(t)] +=
            modelo.ObterOndulacao(pontos[k].lat, pontos[k].lon) != esperado[k];
    });
  for (auto& th : threads) th.join();
  for (int d : diferentes) EXPECT_EQ(d, 0);
}

}  // namespace
}  // namespace nivora
