// The grid that ships with the program: coverage of the model area and values.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "coords/ponto.hpp"
#include "geoid/cache.hpp"
#include "geoid/consulta.hpp"
#include "geoid/interpolacao.hpp"
#include "text/numeros.hpp"

namespace nivora {
namespace {

const std::string kGrade = std::string(NIVORA_SOURCE_DIR) + "/dist/" + kArquivoGrade;
const long double kEspacamento = 5 / 60.0L;

TEST(GradeDistribuida, FullWindowAtTheFourCornersOfTheArea) {
  const auto grade = ObterGrade(kGrade);
  ASSERT_FALSE(grade->TemErro()) << grade->Erro();
  EXPECT_TRUE(grade->Ordenada());
  const long double dentro = 1e-7L;
  const long double lats[] = {kLimiteNorte - dentro, kLimiteSul + dentro};
  const long double lons[] = {kLimiteOeste + dentro, kLimiteLeste - dentro};
  TModeloGeoide modelo(kGrade);
  for (long double lat : lats)
    for (long double lon : lons) {
      const NoCarregado* nos[25];
      ASSERT_EQ(grade->Janela(lat + 2 * kEspacamento, lon - 2 * kEspacamento,
                              lon + 3 * kEspacamento, 25, nos),
                25);
      std::set<long double> linhas, colunas;
      int aoNorte = 0, aOeste = 0;
      for (const NoCarregado* no : nos) {
        linhas.insert(no->latGraus);
        colunas.insert(no->lonGraus);
        aoNorte += no->latGraus > lat;
        aOeste += no->lonGraus < lon;
      }
      EXPECT_EQ(linhas.size(), 5u);
      EXPECT_EQ(colunas.size(), 5u);
      EXPECT_EQ(aoNorte, 10);
      EXPECT_EQ(aOeste, 10);
      EXPECT_NO_THROW(modelo.ObterOndulacao(lat, lon));
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
  TModeloGeoide modelo(kGrade);
  for (const NoProj& no : kNosProj) {
    const long double n = modelo.ObterOndulacao(StrToFloat(no.lat), StrToFloat(no.lon));
    // At most a millimetre: a point typed with six decimals may miss the node's
    // parsed value by an ulp and get a fit that is dominated by that node.
    EXPECT_NEAR(static_cast<double>(n), static_cast<double>(no.nMetros), 0.0015)
        << no.lat << " " << no.lon;
  }
}

TEST(GradeDistribuida, CachedQueryMatchesTheStepByStepOne) {
  auto literal = std::make_unique<TInterpolador>();
  TModeloGeoide modelo(kGrade);
  const long double pontos[][2] = {{-10.0L, -50.0L}, {-22.9068L, -43.1729L}, {-3.119L, -60.0217L},
                                   {5.58L, -60.0L},  {-34.58L, -53.37L},     {-7.0L, -34.44L}};
  for (const auto& p : pontos) {
    const long double bruto = literal->OndulacaoBruta(kGrade, p[0], p[1]);
    modelo.ObterOndulacao(p[0], p[1]);
    EXPECT_EQ(bruto, modelo.UltimoBruto());
  }
}

}  // namespace
}  // namespace nivora
