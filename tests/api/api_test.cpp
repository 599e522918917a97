// The library as others link it (the shared library and its public header only, but
// for the query it is checked against): the shipped grid found beside it, every point
// kind's value or refusal code, heights, GMS, and the failures a caller meets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <limits>
#include <vector>

#include "apoio/arquivos.hpp"
#include "apoio/grade.hpp"
#include "geoid/arquivo.hpp"
#include "geoid/consulta.hpp"
#include "nivora2015/nivora2015.hpp"
#include "text/numeros.hpp"

namespace {

using nivora2015::Codigo;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Biblioteca, PointsOfEveryKindGetTheQuerysValueOrTheirCode) {
  nivora2015::Modelo modelo;  // the grid beside the library
  ASSERT_TRUE(std::filesystem::exists(modelo.Arquivo())) << modelo.Arquivo();
  const nivora::TConsultaGrade referencia(
      nivora::GradeCarregada::Analisar(nivora::LerArquivo(modelo.Arquivo()), modelo.Arquivo()));
  struct Caso {
    double lat, lon;
    Codigo codigo;
  };
  const Caso casos[] = {
      {-15.7939, -47.8828, Codigo::Aceito},
      {-22.9068, -43.1729, Codigo::Aceito},
      {5.58, -60.0, Codigo::Aceito},
      {-34.58, -53.37, Codigo::Aceito},
      {5.5834, -60.0, Codigo::AcimaDoNorte},
      {-34.5831, -50.0, Codigo::AbaixoDoSul},
      {-10.0, -34.4332, Codigo::ForaDaLongitude},
      {-10.0, -80.0, Codigo::ForaDaLongitude},
      {95.0, -50.0, Codigo::GrauLatitude},
      {-10.0, 190.0, Codigo::GrauLongitude},
      {95.0, -20.0, Codigo::ForaDaLongitude},  // the longitude's reason replaces the latitude's
      {kNaN, -50.0, Codigo::NaoNumero},
      {-10.0, kNaN, Codigo::NaoNumero},
      {-kInf, -50.0, Codigo::GrauLatitude},
      {-10.0, kInf, Codigo::GrauLongitude},
      // The limits as typed: the double nearest to 5.5833027 lies inside the area, but
      // the program reads the text, which is on the limit.
      {5.5833027, -60.0, Codigo::AcimaDoNorte},
      {-10.0, -74.5830027, Codigo::ForaDaLongitude},
  };
  constexpr std::size_t kCasos = std::size(casos);
  const nivora2015::Grade grade = modelo.Retrato();
  std::vector<double> lat, lon;
  for (const Caso& c : casos) lat.push_back(c.lat), lon.push_back(c.lon);
  // Many copies, so that the block runs in groups and the call in more pieces (of
  // 65,536 points) than threads; the copies must answer as the first.
  const std::size_t kCopias = 3 * 65536 / kCasos;
  for (std::size_t k = 1; k < kCopias; ++k) {
    lat.insert(lat.end(), lat.begin(), lat.begin() + kCasos);
    lon.insert(lon.end(), lon.begin(), lon.begin() + kCasos);
  }
  std::vector<double> N(lat.size());
  std::vector<std::int32_t> codigos(lat.size());
  const nivora2015::Contagem contagem =
      grade.Ondulacoes(lat.data(), lon.data(), lat.size(), N.data(), codigos.data(), 2);
  EXPECT_EQ(contagem.aceitos, 4u * kCopias);
  EXPECT_EQ(contagem.recusados, (kCasos - 4) * kCopias);
  for (std::size_t i = kCasos; i < lat.size(); ++i)
    if (codigos[i] != codigos[i % kCasos] || std::memcmp(&N[i], &N[i % kCasos], sizeof(double)))
      ADD_FAILURE() << "copy " << i / kCasos << " of case " << i % kCasos;
  for (std::size_t i = 0; i < kCasos; ++i) {
    const Caso& c = casos[i % kCasos];
    SCOPED_TRACE(std::to_string(c.lat) + " " + std::to_string(c.lon));
    EXPECT_EQ(codigos[i], static_cast<std::int32_t>(c.codigo));
    if (c.codigo != Codigo::Aceito) {
      EXPECT_TRUE(std::isnan(N[i]));
      EXPECT_THROW(grade.Ondulacao(c.lat, c.lon), nivora2015::EPontoRecusado);
      continue;
    }
    const long double n = referencia.Ondulacao(nivora::ComoTexto(c.lat), nivora::ComoTexto(c.lon));
    EXPECT_EQ(N[i], static_cast<double>(std::llround(n * 1000)) / 1000);
    EXPECT_EQ(grade.Ondulacao(c.lat, c.lon), N[i]);
    EXPECT_EQ(modelo.Ondulacao(c.lat, c.lon), N[i]);
  }
  try {
    grade.Ondulacao(5.59, -60.0);
    ADD_FAILURE() << "refused point answered";
  } catch (const nivora2015::EPontoRecusado& e) {
    EXPECT_EQ(e.CodigoRecusa(), Codigo::AcimaDoNorte);
    EXPECT_EQ(nivora2015::MensagemUtf8(e), "Entrada Inválida : LATITUDE ACIMA  do limite do grid");
  }
}

TEST(Biblioteca, HeightsAreTheCommandLineToolsColumn) {
  const nivora2015::Grade grade = nivora2015::Modelo().Retrato();
  // README: RN01 h = 1172.345 -> H = 1185.004; RN02 h = 12.870 -> H = 18.323.
  EXPECT_EQ(grade.OutraAltura(-15.7939, -47.8828, 1172.345, nivora2015::Altura::Elipsoidal),
            1185.004);
  EXPECT_EQ(grade.OutraAltura(-22.9068, -43.1729, 12.870, nivora2015::Altura::Elipsoidal), 18.323);
  EXPECT_EQ(grade.OutraAltura(-15.7939, -47.8828, 1185.004, nivora2015::Altura::Ortometrica),
            1172.345);
  const double lat[] = {-15.7939, 10.0, -15.7939}, lon[] = {-47.8828, -50.0, -47.8828};
  const double h[] = {1172.345, 1.0, kNaN};
  double H[3];
  std::int32_t codigos[3];
  grade.OutrasAlturas(lat, lon, h, 3, nivora2015::Altura::Elipsoidal, H, codigos);
  EXPECT_EQ(H[0], 1185.004);
  EXPECT_EQ(codigos[1], static_cast<std::int32_t>(Codigo::AcimaDoNorte));
  EXPECT_EQ(codigos[2], static_cast<std::int32_t>(Codigo::NaoNumero));
  EXPECT_TRUE(std::isnan(H[1]) && std::isnan(H[2]));
  // N beside them in the same pass: the height that is no number refuses H, not N.
  double H2[3], N[3];
  std::int32_t codigos2[3], codigosN[3];
  grade.OutrasAlturas(lat, lon, h, 3, nivora2015::Altura::Elipsoidal, H2, codigos2, N, codigosN);
  EXPECT_EQ(std::memcmp(H, H2, sizeof H), 0);
  EXPECT_EQ(std::memcmp(codigos, codigos2, sizeof codigos), 0);
  EXPECT_EQ(N[0], grade.Ondulacao(lat[0], lon[0]));
  EXPECT_EQ(N[2], N[0]);
  EXPECT_EQ(codigosN[2], 0);
  EXPECT_EQ(codigosN[1], codigos[1]);
}

TEST(Biblioteca, GmsByTheProgramsRules) {
  struct Caso {
    double graus;
    const char* texto;
  };
  for (const Caso& c : {Caso{-3.1287, "-03 07 43.3200"}, Caso{-46.625, "-46 37 30.0000"},
                        Caso{-0.5, "-00 30 00.0000"}, Caso{5.5833, "05 34 59.8800"}}) {
    const nivora2015::Gms gms = nivora2015::DecimalParaGms(c.graus);
    EXPECT_EQ(gms.texto, c.texto);
    EXPECT_NEAR(nivora2015::GmsParaDecimal(gms.texto), c.graus, 1e-12) << c.texto;
  }
  EXPECT_EQ(nivora2015::GmsParaDecimal("-23 33 1.8"), -(23 + 33 / 60.0 + 1.8 / 3600));
  EXPECT_THROW(nivora2015::GmsParaDecimal("-23 60 0"), nivora2015::EPontoRecusado);
  EXPECT_THROW(nivora2015::GmsParaDecimal("-23 33 60"), nivora2015::EPontoRecusado);
  EXPECT_THROW(nivora2015::GmsParaDecimal("-23 33"), nivora2015::EConversao);
  EXPECT_THROW(nivora2015::GmsParaDecimal("-23 3x 1"), nivora2015::EConversao);
  EXPECT_THROW(nivora2015::DecimalParaGms(kNaN), nivora2015::EPontoRecusado);
  EXPECT_THROW(nivora2015::DecimalParaGms(-2147483648.0), nivora2015::EConversao);
  EXPECT_EQ(nivora2015::DecimalParaGms(-2147483647.5).graus, 2147483647);
  EXPECT_EQ(nivora2015::GmsParaDecimal("-2147483648 0 0"), -2147483648.0);
}

TEST(Biblioteca, AMissingOrDamagedGridFailsWithTheProgramsMessage) {
  nivora::teste::PastaTemporaria pasta;
  EXPECT_THROW(nivora2015::Modelo(pasta / "nao_existe.txt"), nivora2015::EAberturaArquivo);
  nivora::teste::GravarArquivo(pasta / "ruim.txt", "  310.000000  -10.000000   abc\r\n");
  nivora2015::Modelo ruim(pasta / "ruim.txt");
  try {
    ruim.Ondulacao(-10.2, -49.8);
    ADD_FAILURE() << "a damaged grid answered";
  } catch (const nivora2015::EConversao& e) {
    EXPECT_EQ(std::string(e.what()), "'abc' is not a valid floating point value");
  }
  // A grid that covers no point: fewer than 25 nodes is a code in the block form.
  const double lat = -10.2, lon = -49.8;
  double N = 0;
  std::int32_t codigo = 0;
  nivora::teste::GravarArquivo(pasta / "pequena.txt", "  310.000000  -10.000000    1.000\r\n");
  nivora2015::Modelo(pasta / "pequena.txt").Retrato().Ondulacoes(&lat, &lon, 1, &N, &codigo);
  EXPECT_EQ(codigo, static_cast<std::int32_t>(Codigo::ForaDaGrade));
  EXPECT_NE(nivora2015::MensagemCodigo(Codigo::ForaDaGrade), "");
}

}  // namespace
