// The batch run when its files change under it: the input vanishes or is cut
// short; the grid is damaged, replaced, deleted and restored in the middle of a run,
// which goes on with the grid it took at its start. The faults are made from the
// run's own hooks, at a chosen line, so every case is deterministic. Every way out
// must leave both files closed and the output holding every line written before it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "apoio/arquivos.hpp"
#include "apoio/grade.hpp"
#include "batch/lote.hpp"
#include "batch/paralelo.hpp"
#include "geoid/consulta.hpp"
#include "text/erros.hpp"

namespace nivora {
namespace {

using teste::DescritoresAbertos;
using teste::GravarArquivo;
using teste::LerArquivoTodo;
using teste::PastaTemporaria;

/// Runs `acao` once, before line `linha` is read.
class Sabotador : public ObservadorLote {
 public:
  Sabotador(std::int64_t linha, std::function<void()> acao)
      : linha_(linha), acao_(std::move(acao)) {}
  void AntesDaLinha(std::int64_t linhasLidas) override {
    if (linhasLidas == linha_) acao_();
  }

 private:
  std::int64_t linha_;
  std::function<void()> acao_;
};

/// `n` accepted points, all different, inside the fixture grid.
std::string Pontos(int n) {
  std::string texto;
  for (int i = 0; i < n; ++i) {
    texto.append("P").append(std::to_string(i));
    texto.append(" -23.").append(std::to_string(1000 + i % 9000));
    texto.append(" -46.").append(std::to_string(1000 + (i * 7) % 9000)).append("\r\n");
  }
  return texto;
}

std::vector<std::string> Linhas(const std::string& texto) {
  std::vector<std::string> linhas;
  std::size_t inicio = 0;
  for (std::size_t fim = texto.find("\r\n"); fim != std::string::npos;
       fim = texto.find("\r\n", inicio)) {
    linhas.push_back(texto.substr(inicio, fim + 2 - inicio));
    inicio = fim + 2;
  }
  EXPECT_EQ(inicio, texto.size()) << "a line without its CR LF";
  return linhas;
}

class LoteFalhas : public ::testing::Test {
 protected:
  void SetUp() override {
    GravarArquivo(grade_, LerArquivoTodo(gradeBoa_));
    opcoes_ = OpcoesLote::De(TListaFormato::DeTexto("ID,0"), true, true);
  }

  /// The output of the whole input without any fault.
  std::string SaidaCompleta(const std::string& entrada) {
    GravarArquivo(pasta_ / "ref_entrada", entrada);
    TCacheGrade cache(gradeBoa_);
    TModeloGeoide modelo(cache);
    ObservadorLote nada;
    ExecutarLote(pasta_ / "ref_entrada", pasta_ / "ref_saida", opcoes_, modelo, nada);
    return LerArquivoTodo(pasta_ / "ref_saida");
  }

  PastaTemporaria pasta_;
  const std::string gradeBoa_ = teste::GravarGradePadrao(pasta_, nullptr, "boa.txt");
  const std::string grade_ = pasta_ / "grade.txt";
  const std::string entrada_ = pasta_ / "entrada.txt";
  const std::string saida_ = pasta_ / "saida.txt";
  OpcoesLote opcoes_;
};

TEST_F(LoteFalhas, InputThatVanishesOrIsCutShort) {
  // Far more than one read buffer, so that the cut lands in bytes not yet read.
  const int kLinhas = 20000;
  const std::string entrada = Pontos(kLinhas);
  const std::vector<std::string> completa = Linhas(SaidaCompleta(entrada));
  ASSERT_EQ(completa.size(), static_cast<std::size_t>(kLinhas));
  const std::size_t corteLinhas = 15000;
  std::size_t bytesCorte = 0;
  for (std::size_t i = 0, n = 0; n < corteLinhas; ++i)
    if (entrada[i] == '\n') bytesCorte = i + 1, ++n;

  struct Caso {
    std::string nome;
    std::function<void()> falha;
    std::size_t linhasMinimas;  // the output holds at least these, all as without the fault
    bool todas;                 // and exactly all lines of the input
  };
  const std::vector<Caso> casos = {
      {"deleted: the open file is still read to its end",
       [&] { std::filesystem::remove(entrada_); }, kLinhas, true},
      {"renamed away", [&] { std::filesystem::rename(entrada_, pasta_ / "outro"); }, kLinhas, true},
      {"cut at a line break",
       [&] { ASSERT_EQ(::truncate(entrada_.c_str(), static_cast<off_t>(bytesCorte)), 0); },
       corteLinhas, false},
      {"cut in the middle of a record",
       [&] { ASSERT_EQ(::truncate(entrada_.c_str(), static_cast<off_t>(bytesCorte + 9)), 0); },
       corteLinhas, false},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    GravarArquivo(entrada_, entrada);
    TCacheGrade cache(grade_);
    TModeloGeoide modelo(cache);
    Sabotador sabotador(10, c.falha);
    const int abertos = DescritoresAbertos();
    const ResultadoLote r = ExecutarLote(entrada_, saida_, opcoes_, modelo, sabotador);
    EXPECT_EQ(DescritoresAbertos(), abertos);
    const std::vector<std::string> escritas = Linhas(LerArquivoTodo(saida_));
    ASSERT_GE(escritas.size(), c.linhasMinimas);
    for (std::size_t i = 0; i < c.linhasMinimas; ++i) ASSERT_EQ(escritas[i], completa[i]) << i;
    if (c.todas) {
      EXPECT_EQ(escritas.size(), completa.size());
      EXPECT_EQ(r.fim, FimLote::FimDoArquivo);
    } else {
      // A cut at a break ends the input there; a cut record is whatever its bytes say.
      EXPECT_LE(escritas.size(), c.linhasMinimas + 1);
    }
  }
}

TEST_F(LoteFalhas, AGridChangedMidRunLeavesTheRunOnTheGridOfItsStart) {
  const std::string entrada = Pontos(50);
  GravarArquivo(entrada_, entrada);
  const std::vector<std::string> completa = Linhas(SaidaCompleta(entrada));
  const std::string boa = LerArquivoTodo(gradeBoa_);
  // Damage of the same size (the file's size gives nothing away), a header line, and
  // another model altogether.
  std::string mesmoTamanho = boa;
  mesmoTamanho[boa.find('.', boa.size() / 2)] = 'X';  // a decimal point of a read field
  const std::string comCabecalho = "LON LAT N\r\n" + boa;
  const long double kOutroN = 7.0L;
  const std::string outra = LerArquivoTodo(teste::GravarGradePadrao(pasta_, &kOutroN, "outra.txt"));

  struct Caso {
    std::string nome;
    std::function<void()> mudanca;
    std::string erroDepois;  // what the next run meets (empty: it runs to the end)
  };
  const std::vector<Caso> casos = {
      {"rewritten in place, same size", [&] { GravarArquivo(grade_, mesmoTamanho); },
       "is not a valid floating point value"},
      {"replaced by another file",
       [&] {
         GravarArquivo(pasta_ / "nova.txt", comCabecalho);
         std::filesystem::rename(pasta_ / "nova.txt", grade_);
       },
       "'ON LAT N' is not a valid floating point value"},  // column 1 is not read
      {"deleted", [&] { std::filesystem::remove(grade_); }, "Cannot open file"},
      {"cut to nothing", [&] { GravarArquivo(grade_, ""); }, "Ponto fora da cobertura"},
      {"replaced by another model", [&] { GravarArquivo(grade_, outra); }, ""},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    GravarArquivo(grade_, boa);
    TCacheGrade cache(grade_);
    TModeloGeoide modelo(cache);
    Sabotador sabotador(7, c.mudanca);
    const int abertos = DescritoresAbertos();
    const ResultadoLote r = ExecutarLote(entrada_, saida_, opcoes_, modelo, sabotador);
    EXPECT_EQ(DescritoresAbertos(), abertos) << "a file was left open";
    EXPECT_EQ(r.fim, FimLote::FimDoArquivo);
    EXPECT_EQ(Linhas(LerArquivoTodo(saida_)), completa) << "one output from two grids";

    // The next run takes the grid as it is then.
    ObservadorLote nada;
    try {
      ExecutarLote(entrada_, saida_, opcoes_, modelo, nada);
      EXPECT_TRUE(c.erroDepois.empty());
      EXPECT_NE(Linhas(LerArquivoTodo(saida_)), completa);
    } catch (const ErroNivora& e) {
      EXPECT_NE(std::string(e.what()).find(c.erroDepois), std::string::npos) << e.what();
      EXPECT_TRUE(LerArquivoTodo(saida_).empty());  // the first point already fails
    }
    // The grid put back: the same query object answers at once, no restart.
    GravarArquivo(grade_, boa);
    EXPECT_EQ(ExecutarLote(entrada_, saida_, opcoes_, modelo, nada).fim, FimLote::FimDoArquivo);
    EXPECT_EQ(Linhas(LerArquivoTodo(saida_)), completa);
  }
}

TEST_F(LoteFalhas, ParallelRunKeepsItsGridAndStopsAtTheFirstFailedQueryWithAWholePrefix) {
  const int kLinhas = 3000;
  std::string entrada = Pontos(kLinhas);
  const std::string completa = SaidaCompleta(entrada);
  // A point inside the model area that the fixture grid does not cover, far on.
  const std::size_t quebra = entrada.find("P2500 ");
  const std::string comFalha =
      entrada.substr(0, quebra) + "X -10.5 -50.5\r\n" + entrada.substr(quebra);

  for (const bool comPontoFora : {false, true}) {
    SCOPED_TRACE(comPontoFora ? "a point the grid does not cover" : "every point covered");
    GravarArquivo(entrada_, comPontoFora ? comFalha : entrada);
    GravarArquivo(grade_, LerArquivoTodo(gradeBoa_));
    const TRetratoGrade grade = TRetratoGrade::DoArquivo(grade_);
    const int fdEntrada = AbrirEntrada(entrada_);
    const int fdSaida = CriarSaida(saida_, fdEntrada);
    LeitorLinhas leitor(fdEntrada, entrada_);
    EscritorSaida escritor(fdSaida, saida_, true);
    ConfigParalelo config;
    config.trabalhadores = 2;
    config.linhasPorBloco = 100;
    bool removida = false;
    config.progresso = [&](std::int64_t) {  // the grid deleted after the first block
      if (!removida) std::filesystem::remove(grade_);
      removida = true;
    };
    const ResultadoLote r = ExecutarParalelo(leitor, escritor, opcoes_, grade, config);
    escritor.Fechar();
    ::close(fdEntrada);
    const std::string escrita = LerArquivoTodo(saida_);
    EXPECT_TRUE(removida);
    if (!comPontoFora) {
      EXPECT_EQ(r.fim, FimLote::FimDoArquivo);
      EXPECT_EQ(escrita, completa);
      continue;
    }
    EXPECT_EQ(r.fim, FimLote::ErroConsulta);
    EXPECT_NE(r.mensagem.find("Ponto fora da cobertura"), std::string::npos) << r.mensagem;
    EXPECT_EQ(r.LinhasEscritas(), 2500);
    EXPECT_EQ(r.linhaErro, 2501);
    EXPECT_EQ(completa.compare(0, escrita.size(), escrita), 0) << "not a prefix of the full output";
    EXPECT_EQ(Linhas(escrita).size(), 2500u);
  }
}

}  // namespace
}  // namespace nivora
