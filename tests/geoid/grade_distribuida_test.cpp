// The grid that ships with the program: coverage of the model area and values.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <set>

#include "apoio/interpolacao.hpp"
#include "geoid/arquivo.hpp"
#include "geoid/consulta.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace nivora {
namespace {

const std::string kGrade = std::string(NIVORA_SOURCE_DIR) + "/dist/" + kArquivoGrade;
const long double kEspacamento = 5 / 60.0L;

const TConsultaGrade& Distribuida() {
  static const TConsultaGrade consulta(GradeCarregada::Analisar(LerArquivo(kGrade), kGrade));
  return consulta;
}

TEST(GradeDistribuida, FullWindowAtTheFourCornersOfTheArea) {
  const GradeCarregada& grade = Distribuida().Grade();
  ASSERT_FALSE(grade.TemErro()) << grade.Erro();
  EXPECT_TRUE(grade.Ordenada());
  const long double dentro = 1e-7L;
  const long double lats[] = {kLimiteNorte - dentro, kLimiteSul + dentro};
  const long double lons[] = {kLimiteOeste + dentro, kLimiteLeste - dentro};
  for (long double lat : lats)
    for (long double lon : lons) {
      NoJanela nos[25];
      ASSERT_EQ(grade.Janela(lat + 2 * kEspacamento, lon - 2 * kEspacamento, lon + 3 * kEspacamento,
                             25, nos),
                25);
      std::set<long double> linhas, colunas;
      int aoNorte = 0, aOeste = 0;
      for (const NoJanela& tomado : nos) {
        const NoCarregado& no = grade.Nos()[tomado.indice];
        linhas.insert(no.latGraus);
        colunas.insert(no.lonGraus);
        aoNorte += no.latGraus > lat;
        aOeste += no.lonGraus < lon;
      }
      EXPECT_EQ(linhas.size(), 5u);
      EXPECT_EQ(colunas.size(), 5u);
      EXPECT_EQ(aoNorte, 10);
      EXPECT_EQ(aOeste, 10);
      EXPECT_NO_THROW(Distribuida().Ondulacao(lat, lon));
    }
}

// N at nodes, from PROJ:
//   echo "LON LAT 0 0" | cct -d 3 +proj=vgridshift +grids=egm96_15.gtx +multiplier=1
struct NoProj {
  const char* lat;
  const char* lon;
  long double nMetros;
};
const NoProj kNosProj[] = {
    {"-10.0", "-50.0", -18.860L},
    {"-22.75", "-43.25", -5.332L},
    {"-3.0", "-60.0", -11.888L},
    {"5.0", "-70.0", -1.564L},
    {"-8.0", "-35.0", -5.270L},
    {"-30.0", "-55.0", 11.223L},
    {"-15.833333", "-47.916667", -12.635L},
    {"-34.5", "-74.5", 13.233L},
};

TEST(GradeDistribuida, NodesMatchProj) {
  for (const NoProj& no : kNosProj) {
    const long double n = Distribuida().Ondulacao(StrToFloat(no.lat), StrToFloat(no.lon));
    // At most a millimetre: a point typed with six decimals may miss the node's
    // parsed value by an ulp and get a fit that is dominated by that node.
    EXPECT_NEAR(static_cast<double>(n), static_cast<double>(no.nMetros), 0.0015)
        << no.lat << " " << no.lon;
  }
}

TEST(GradeDistribuida, CachedQueryMatchesTheStepByStepOne) {
  auto literal = std::make_unique<TInterpolador>();
  const long double pontos[][2] = {{-10.0L, -50.0L}, {-22.9068L, -43.1729L}, {-3.119L, -60.0217L},
                                   {5.58L, -60.0L},  {-34.58L, -53.37L},     {-7.0L, -34.44L}};
  for (const auto& p : pontos) {
    const long double bruto = literal->OndulacaoBruta(kGrade, p[0], p[1]);
    EXPECT_EQ(bruto, OndulacaoEstendida(Distribuida().Grade(), p[0], p[1]));
    EXPECT_EQ(StrToFloat(AjustaCampo10(FormatFloat("#0.000", bruto))),
              Distribuida().Ondulacao(p[0], p[1]));
  }
}

// The double estimate against the 80-bit fit over the whole model area, points near
// nodes at every scale included: same results, the bound never exceeded, nearly all
// decided by the estimate.
TEST(GradeDistribuida, TheEstimateDecidesAlmostEveryPointWithTheSameResult) {
  const TConsultaGrade& consulta = Distribuida();
  const auto& nos = consulta.Grade().Nos();
  std::mt19937 sorteio(2015);
  std::uniform_real_distribution<long double> lat(kLimiteSul + 1e-7L, kLimiteNorte - 1e-7L),
      lon(kLimiteOeste + 1e-7L, kLimiteLeste - 1e-7L), direcao(-1, 1);
  std::uniform_int_distribution<std::size_t> qual(0, nos.size() - 1);
  std::uniform_int_distribution<int> escala(1, 17);
  constexpr int kPontos = 20000;
  ContagemCaminhos contagem;
  std::vector<double> latDupla, lonDupla;
  for (int k = 0; k < kPontos; ++k) {
    long double la = lat(sorteio), lo = lon(sorteio);
    const NoCarregado& no = nos[qual(sorteio)];
    if (k % 2 && no.latGraus > kLimiteSul + 0.5L && no.latGraus < kLimiteNorte - 0.5L &&
        no.lonGraus > kLimiteOeste + 0.5L && no.lonGraus < kLimiteLeste - 0.5L) {
      // Near a node well inside the area, 1e-1 to 1e-17 degrees away.
      const long double d = std::pow(10.0L, -escala(sorteio));
      la = no.latGraus + d * direcao(sorteio);
      lo = no.lonGraus + d * direcao(sorteio);
    }
    const long double bruto = OndulacaoEstendida(consulta.Grade(), la, lo);
    const std::string onde =
        FormatFloat("#0.000000000000000000", la) + " " + FormatFloat("#0.000000000000000000", lo);
    CaminhoConsulta caminho{};
    ASSERT_EQ(StrToFloat(AjustaCampo10(FormatFloat("#0.000", bruto))),
              consulta.Ondulacao(la, lo, &caminho))
        << onde;
    contagem.Contar(caminho);
    double e = 0, limite = 0;
    if (EstimativaDupla(consulta.Grade(), la, lo, e, limite)) {
      ASSERT_LE(std::fabs(static_cast<long double>(e) - bruto), limite) << onde;
    }
    latDupla.push_back(static_cast<double>(la));
    lonDupla.push_back(static_cast<double>(lo));
  }
  // The block form of doubles, four points side by side: the double nearest to each
  // point's three-decimal N, every point accepted.
  std::vector<double> N(latDupla.size());
  std::vector<std::int32_t> codigos(latDupla.size());
  const ContagemCaminhos bloco =
      consulta.Ondulacoes(latDupla.data(), lonDupla.data(), N.size(), N.data(), codigos.data());
  EXPECT_EQ(bloco.recusas, 0u);
  for (std::size_t i = 0; i < N.size(); ++i) {
    const long double n = consulta.Ondulacao(latDupla[i], lonDupla[i]);
    ASSERT_EQ(N[i], static_cast<double>(std::llround(n * 1000)) / 1000) << i;
  }
  // The shipped grid's bound is about 4e-11 m: one query in some 10^7 falls near
  // enough to a rounding boundary to need the 80-bit fit (points 1e-17 degrees from a
  // node may be on it, and take its N).
  EXPECT_LE(contagem.estendida, static_cast<std::uint64_t>(kPontos * 0.0001));
  EXPECT_GE(contagem.dupla, static_cast<std::uint64_t>(kPontos * 0.999));
}

}  // namespace
}  // namespace nivora
