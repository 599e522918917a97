// The parallel batch run against the serial one: same bytes, same end.
#include "batch/paralelo.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>

#include "apoio/arquivos.hpp"
#include "apoio/grade.hpp"
#include "geoid/consulta.hpp"
#include "text/numeros.hpp"

namespace nivora {
namespace {

using teste::GravarArquivo;
using teste::LerArquivoTodo;
using teste::PastaTemporaria;

/// Records of the layout "ID,0": mostly accepted points inside the fixture grid,
/// with rejections (outside the model area) mixed in.
std::string Registros(int quantos, unsigned semente) {
  std::mt19937 gerador(semente);
  std::uniform_real_distribution<double> lat(-24.5, -22.5), lon(-47.5, -45.5);
  std::string texto;
  for (int i = 0; i < quantos; ++i) {
    texto.append("P").append(std::to_string(i)).append(" ");
    if (i % 11 == 5) {
      texto += "12.5 -50.25";  // north of the model area
    } else {
      texto +=
          FormatFloat("#0.000000", lat(gerador)) + ";" + FormatFloat("#0.000000", lon(gerador));
    }
    texto += (i % 3 == 0) ? "\n" : "\r\n";
  }
  return texto;
}

class Paralelo : public ::testing::Test {
 protected:
  void SetUp() override { grade_ = teste::GravarGradePadrao(pasta_); }

  /// The serial run's output bytes and result.
  ResultadoLote Serial(const std::string& entrada, std::string& saida) {
    GravarArquivo(pasta_ / "entrada.txt", entrada);
    TCacheGrade cache(grade_);
    TModeloGeoide modelo(cache);
    ObservadorLote nada;
    ResultadoLote r =
        ExecutarLote(pasta_ / "entrada.txt", pasta_ / "serial.txt", opcoes_, modelo, nada);
    saida = LerArquivoTodo(pasta_ / "serial.txt");
    return r;
  }

  ResultadoLote EmParalelo(const std::string& entrada, std::string& saida, int trabalhadores,
                           std::size_t linhasPorBloco) {
    GravarArquivo(pasta_ / "entrada.txt", entrada);
    const int fdEntrada = ::open((pasta_ / "entrada.txt").c_str(), O_RDONLY);
    const int fdSaida =
        ::open((pasta_ / "paralelo.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    LeitorLinhas leitor(fdEntrada, "entrada.txt");
    EscritorSaida escritor(fdSaida, "paralelo.txt", true);
    ConfigParalelo config;
    config.trabalhadores = trabalhadores;
    config.linhasPorBloco = linhasPorBloco;
    std::int64_t ultimoProgresso = 0;
    config.progresso = [&](std::int64_t feitas) {
      EXPECT_GE(feitas, ultimoProgresso);
      ultimoProgresso = feitas;
    };
    const ResultadoLote r =
        ExecutarParalelo(leitor, escritor, opcoes_, TRetratoGrade::DoArquivo(grade_), config);
    escritor.Fechar();
    ::close(fdEntrada);
    saida = LerArquivoTodo(pasta_ / "paralelo.txt");
    EXPECT_EQ(ultimoProgresso, r.LinhasEscritas());
    return r;
  }

  PastaTemporaria pasta_;
  std::string grade_;
  OpcoesLote opcoes_ = OpcoesLote::De(TListaFormato::DeTexto("ID,0"), true, true);
};

TEST_F(Paralelo, WritesExactlyTheSerialBytesInInputOrder) {
  const std::string entrada = Registros(3000, 7);
  std::string serial;
  const ResultadoLote rs = Serial(entrada, serial);
  ASSERT_EQ(rs.fim, FimLote::FimDoArquivo);
  EXPECT_EQ(rs.rejeicoes, 273);  // every eleventh record, from the sixth on
  for (const auto& [trabalhadores, bloco] :
       std::vector<std::pair<int, std::size_t>>{{1, 4096}, {2, 1}, {3, 7}, {4, 500}}) {
    std::string paralelo;
    const ResultadoLote r = EmParalelo(entrada, paralelo, trabalhadores, bloco);
    EXPECT_EQ(r.fim, FimLote::FimDoArquivo);
    EXPECT_EQ(r.LinhasEscritas(), 3000);
    EXPECT_EQ(r.linhasLidas, 3000);
    EXPECT_EQ(r.resultados, rs.resultados);
    EXPECT_EQ(r.rejeicoes, rs.rejeicoes);
    EXPECT_TRUE(paralelo == serial) << trabalhadores << " workers, blocks of " << bloco;
  }
}

TEST_F(Paralelo, StopsExactlyAtTheFirstRecordThatFailsToSplit) {
  // Two bad records: the run must stop at the first, whichever worker sees what first.
  std::string entrada =
      Registros(1000, 3) + "P1000 -23.5\n" + Registros(500, 4) + "\n" + Registros(200, 5);
  std::string serial;
  const ResultadoLote rs = Serial(entrada, serial);
  ASSERT_EQ(rs.fim, FimLote::ErroFormato);
  ASSERT_EQ(rs.linhaErro, 1001);
  for (const std::size_t bloco : {std::size_t{1}, std::size_t{13}, std::size_t{4096}}) {
    std::string paralelo;
    const ResultadoLote r = EmParalelo(entrada, paralelo, 2, bloco);
    EXPECT_EQ(r.fim, FimLote::ErroFormato);
    EXPECT_EQ(r.linhaErro, 1001);
    EXPECT_EQ(r.LinhasEscritas(), 1000);
    EXPECT_EQ(r.linhasLidas, rs.linhasLidas);
    EXPECT_TRUE(paralelo == serial) << "blocks of " << bloco;
  }
}

TEST_F(Paralelo, StopsAtTheFirstFailedQueryWithItsMessage) {
  // -10 -50 is inside the model area but outside the fixture grid.
  const std::string entrada = Registros(700, 9) + "P700 -10 -50\n" + Registros(300, 10);
  std::string serial;
  EXPECT_THROW(Serial(entrada, serial), ErroNivora);
  serial = LerArquivoTodo(pasta_ / "serial.txt");
  ASSERT_FALSE(serial.empty());
  std::string paralelo;
  const ResultadoLote r = EmParalelo(entrada, paralelo, 2, 64);
  EXPECT_EQ(r.fim, FimLote::ErroConsulta);
  EXPECT_EQ(r.linhaErro, 701);
  EXPECT_FALSE(r.mensagem.empty());
  EXPECT_TRUE(paralelo == serial);
}

TEST_F(Paralelo, EmptyInputAndAFailedWrite) {
  std::string paralelo;
  const ResultadoLote r = EmParalelo("", paralelo, 2, 16);
  EXPECT_EQ(r.fim, FimLote::FimDoArquivo);
  EXPECT_EQ(r.LinhasEscritas(), 0);
  EXPECT_EQ(paralelo, "");

  GravarArquivo(pasta_ / "entrada.txt", Registros(20000, 1));
  const int fdEntrada = ::open((pasta_ / "entrada.txt").c_str(), O_RDONLY);
  const int fdCheio = ::open("/dev/full", O_WRONLY);
  if (fdCheio < 0) GTEST_SKIP() << "no /dev/full";
  LeitorLinhas leitor(fdEntrada, "entrada.txt");
  EscritorSaida escritor(fdCheio, "/dev/full", true);
  ConfigParalelo config;
  EXPECT_THROW(
      ExecutarParalelo(leitor, escritor, opcoes_, TRetratoGrade::DoArquivo(grade_), config),
      EEntradaSaida);
  ::close(fdEntrada);
}

}  // namespace
}  // namespace nivora
