// The serial batch run: one line's output, the line reader, line counting, and
// the run between two files with its observer.
#include "batch/lote.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "apoio/arquivos.hpp"
#include "apoio/grade.hpp"
#include "geoid/consulta.hpp"

namespace nivora {
namespace {

using teste::DescritoresAbertos;
using teste::GravarArquivo;
using teste::LerArquivoTodo;
using teste::PastaTemporaria;

const std::string kInvalida = "Entrada Inv\xE1lida : ";
const std::string kAcima = kInvalida + "LATITUDE ACIMA  do limite do grid";
const std::string kLonFora = kInvalida + "LONGITUDE FORA  do limite do grid";
const std::string kGeral = kInvalida + "POSS\xCDVEL ERRO NA ENTRADA DE DADOS";

std::string Campo12(const std::string& texto) {
  return std::string(12 - texto.size(), ' ') + texto;
}

/// Every grid node carries this N, so accepted points give exactly -5.12 ("#0.00").
constexpr long double kNConstante = -5.123L;

class LinhaDeSaida : public ::testing::Test {
 protected:
  std::string Processar(const std::string& tokens, bool saidaId, bool saidaCoord,
                        const std::string& linha) {
    const OpcoesLote opcoes = OpcoesLote::De(TListaFormato::DeTexto(tokens), saidaId, saidaCoord);
    ProcessadorLinha processador(opcoes, retrato_);
    std::string saida;
    processador.Processar(linha, saida);
    return saida;
  }

  PastaTemporaria pasta_;
  const TRetratoGrade retrato_ =
      TRetratoGrade::DoArquivo(teste::GravarGradePadrao(pasta_, &kNConstante));
};

TEST_F(LinhaDeSaida, ResultLinesForEveryLayoutPlacementAndOutputChoice) {
  const std::string n = Campo12("-5.12");
  const std::string lat = Campo12("-23.5000"), lon = Campo12("-46.6250");
  const std::string latG = "-23 30 00.0000", lonG = "-46 37 30.0000";
  struct Caso {
    std::string tokens;
    bool saidaId, saidaCoord;
    std::string linha, esperado;
  };
  const std::vector<Caso> casos = {
      {"ID,0", true, true, "P1 -23.5 -46.625", "P1        " + lat + "  " + lon + "  " + n},
      {"ID,0", false, false, "P1 -23.5 -46.625", n},
      {"ID,0", true, false, "P1 -23.5 -46.625", "P1        " + n},
      {"ID,0", false, true, "P1 -23.5 -46.625", lat + "  " + lon + "  " + n},
      {"0,ID", true, true, "-23.5;-46.625 Ponto A", "Ponto A   " + lat + "  " + lon + "  " + n},
      {"0", true, false, "-23.5 -46.625", "  " + n},  // no ID column: two spaces lead
      {"0", true, true, "-23.5 -46.625", "  " + lat + "  " + lon + "  " + n},
      {"1", false, true, "-46.625 -23.5", lon + "  " + lat + "  " + n},
      {"ID,1", true, true, "P1 -46,625 -23,5", "P1        " + lon + "  " + lat + "  " + n},
      {"2", false, true, "-23 30 00 -46 37 30", latG + "  " + lonG + "  " + n},
      {"ID,2", true, true, "P1 -23 30 00 -46 37 30", "P1        " + latG + "  " + lonG + "  " + n},
      {"3", false, true, "-46 37 30 -23 30 00", lonG + "  " + latG + "  " + n},
      {"3,ID", true, true, "-46 37 30 -23 30 00 P7", "P7        " + lonG + "  " + latG + "  " + n},
      {"2", true, false, "-23 30 00 -46 37 30", "  " + n},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.tokens + " | " + caso.linha);
    EXPECT_EQ(Processar(caso.tokens, caso.saidaId, caso.saidaCoord, caso.linha),
              caso.esperado + "\r\n");
  }
}

TEST_F(LinhaDeSaida, RejectionLinesCarryIdAndCoordinatesWhateverTheOutputBoxes) {
  struct Caso {
    std::string tokens;
    std::string linha, esperado;
  };
  const std::vector<Caso> casos = {
      {"0", "10 -50", Campo12("10.0000") + "  " + Campo12("-50.0000") + "|" + kAcima},
      // Both outside: the longitude's reason wins.
      {"0", "-40 -80", Campo12("-40.0000") + "  " + Campo12("-80.0000") + "|" + kLonFora},
      {"ID,0", "P9 -40 -80",
       "P9        " + Campo12("-40.0000") + "  " + Campo12("-80.0000") + "|" + kLonFora},
      {"1", "-80 -40", Campo12("-80.0000") + "  " + Campo12("-40.0000") + "|" + kLonFora},
      // GMS latitude of 90: general reason, the longitude never assigned shows zeros.
      {"2", "90 00 00 -46 37 30", "+90 00 00.0000  00 00 00.0000|" + kGeral},
      {"2,ID", "-10 00 00 -80 00 00 Z", "Z         -10 00 00.0000  -80 00 00.0000|" + kLonFora},
      // Layout 3 puts two spaces, not "|", before the reason.
      {"3", "-80 00 00 -10 00 00", "-80 00 00.0000  -10 00 00.0000  " + kLonFora},
      {"ID,3", "P3 -46 37 30 10 00 00", "P3        -46 37 30.0000  +10 00 00.0000  " + kAcima},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.tokens + " | " + caso.linha);
    for (const bool caixas : {false, true}) {
      EXPECT_EQ(Processar(caso.tokens, caixas, caixas, caso.linha), caso.esperado + "\r\n");
    }
  }
}

TEST_F(LinhaDeSaida, AResultCarriesTheRoundedQueryValue) {
  // The nodes of this grid lie on the plane N = -4 + 0.37 (lat + 23) - 0.21 (lon + 46)
  // (to the millimetre), which the fit reproduces: each line holds the plane's value
  // rounded to centimetres, -4.05375, -4.11 and -4.0020 here.
  PastaTemporaria pasta;
  const TRetratoGrade variado = TRetratoGrade::DoArquivo(teste::GravarGradePadrao(pasta));
  const OpcoesLote opcoes = OpcoesLote::De(TListaFormato::DeTexto("0"), false, false);
  ProcessadorLinha processador(opcoes, variado);
  const std::pair<const char*, const char*> casos[] = {
      {"-23.5 -46.625", "       -4.05\r\n"},
      {"-22.9 -45.3", "       -4.11\r\n"},
      {"-24.01 -47.77", "       -4.00\r\n"},
  };
  for (const auto& [linha, esperada] : casos) {
    std::string saida;
    processador.Processar(linha, saida);
    EXPECT_EQ(saida, esperada) << linha;
  }
}

TEST_F(LinhaDeSaida, RecordsThatFailToSplitAppendNothing) {
  const OpcoesLote opcoes = OpcoesLote::De(TListaFormato::DeTexto("ID,0"), true, true);
  ProcessadorLinha processador(opcoes, retrato_);
  std::string saida = "kept";
  // The comma is a decimal point, so "P1,-23.5,-46.625" is one column.
  for (const std::string linha : {"", "P1,-23.5,-46.625", "P1\t-23.5\t-46.625", "P1 -23.5"}) {
    EXPECT_THROW(processador.Processar(linha, saida), EErroFormatacao) << linha;
  }
  EXPECT_EQ(saida, "kept");
}

// ---------------------------------------------------------------------------

std::vector<std::string> LerTodas(const std::string& bytes) {
  PastaTemporaria pasta;
  GravarArquivo(pasta / "e.txt", bytes);
  const int fd = ::open((pasta / "e.txt").c_str(), O_RDONLY);
  LeitorLinhas leitor(fd, "e.txt");
  std::vector<std::string> linhas;
  std::string linha;
  while (leitor.LerLinha(linha)) linhas.push_back(linha);
  EXPECT_TRUE(leitor.Fim());
  ::close(fd);
  return linhas;
}

TEST(LeitorLinhas, LineEndsCarriageReturnsAndEndOfText) {
  struct Caso {
    std::string bytes;
    std::vector<std::string> linhas;
  };
  const std::vector<Caso> casos = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},  // final CR LF: no empty record
      {"a\nb", {"a", "b"}},        // last line without a break
      {"a\rb\r\n", {"ab"}},        // a lone CR ends nothing and is removed
      {"a\r", {"a"}},
      {"a\n\nb\n", {"a", "", "b"}},  // a blank line is a record
      {"\n", {""}},
      {"a\n\x1A"
       "b\n",
       {"a"}},  // 0x1A ends the input
      {"a\x1A"
       "b",
       {"a"}},
      {"\x1A", {}},
      {"x,y\n", {"x,y"}},  // commas are the processor's business
  };
  for (const Caso& caso : casos) {
    EXPECT_EQ(LerTodas(caso.bytes), caso.linhas) << ::testing::PrintToString(caso.bytes);
  }
}

TEST(LeitorLinhas, LinesLongerThanTheBufferAndBreaksAcrossItsEdge) {
  std::string bytes;
  std::vector<std::string> esperadas;
  for (int i = 0; i < 30000; ++i) {
    esperadas.push_back(std::to_string(i) + std::string(static_cast<size_t>(i % 17), 'x'));
    bytes += esperadas.back() + "\r\n";
  }
  esperadas.push_back(std::string(200000, 'y'));
  bytes += esperadas.back();
  EXPECT_EQ(LerTodas(bytes), esperadas);
}

TEST(ContarLinhas, BreaksAtCrLfLfOrLoneCr) {
  const std::vector<std::pair<std::string, std::int64_t>> casos = {{"", 0},
                                                                   {"a", 1},
                                                                   {"a\n", 1},
                                                                   {"a\r\n", 1},
                                                                   {"a\r\nb", 2},
                                                                   {"a\rb", 2},
                                                                   {"a\r\r\nb", 3},
                                                                   {"\n\n", 2},
                                                                   {"a\n\x1A"
                                                                    "b",
                                                                    2}};
  PastaTemporaria pasta;
  for (const auto& [bytes, total] : casos) {
    GravarArquivo(pasta / "c.txt", bytes);
    EXPECT_EQ(ContarLinhas(pasta / "c.txt"), total) << ::testing::PrintToString(bytes);
  }
  EXPECT_THROW(ContarLinhas(pasta / "nao_existe.txt"), EArquivoInvalido);
}

TEST(ContarLinhas, BeforeARunOnlyARegularFileAtItsStartIsCountedAndThenRewound) {
  PastaTemporaria pasta;
  GravarArquivo(pasta / "c.txt", "a\r\nb\r\nc");
  const int fd = ::open((pasta / "c.txt").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(ContarLinhasDoInicio(fd, "c.txt"), 3);
  LeitorLinhas leitor(fd, "c.txt");
  std::string linha;
  ASSERT_TRUE(leitor.LerLinha(linha));
  EXPECT_EQ(linha, "a") << "the run reads from the start again";
  // Already read from: not counted, and left where it was.
  EXPECT_EQ(ContarLinhasDoInicio(fd, "c.txt"), -1);
  ASSERT_TRUE(leitor.LerLinha(linha));
  EXPECT_EQ(linha, "b");
  ::close(fd);

  // A pipe can be read only once, a device may never end: neither is counted.
  int tubo[2];
  ASSERT_EQ(::pipe(tubo), 0);
  EXPECT_EQ(ContarLinhasDoInicio(tubo[0], "pipe"), -1);
  ::close(tubo[0]);
  ::close(tubo[1]);
  const int zero = ::open("/dev/zero", O_RDONLY);
  if (zero >= 0) {
    EXPECT_EQ(ContarLinhasDoInicio(zero, "/dev/zero"), -1);
    ::close(zero);
  }
}

// ---------------------------------------------------------------------------

/// Records every hook call; cancels after the given result line.
class Registro : public ObservadorLote {
 public:
  explicit Registro(std::int64_t cancelarApos = -1, bool total = false)
      : cancelarApos_(cancelarApos), total_(total) {}
  bool QuerTotal() const override { return total_; }
  void Inicio(std::int64_t total) override { inicio.push_back(total); }
  void AntesDaLinha(std::int64_t n) override { antes.push_back(n); }
  bool Cancelado() override { return ++consultasCancel == cancelarApos_; }

  std::vector<std::int64_t> inicio, antes;
  std::int64_t consultasCancel = 0;

 private:
  std::int64_t cancelarApos_;
  bool total_;
};

class Execucao : public ::testing::Test {
 protected:
  ResultadoLote Rodar(const std::string& entrada, ObservadorLote& observador,
                      const std::string& tokens = "ID,0") {
    GravarArquivo(pasta_ / "entrada.txt", entrada);
    const OpcoesLote opcoes = OpcoesLote::De(TListaFormato::DeTexto(tokens), true, false);
    return ExecutarLote(pasta_ / "entrada.txt", pasta_ / "saida.txt", opcoes, modelo_, observador);
  }
  std::string Saida() { return LerArquivoTodo(pasta_ / "saida.txt"); }

  PastaTemporaria pasta_;
  TCacheGrade grade_{teste::GravarGradePadrao(pasta_, &kNConstante)};
  TModeloGeoide modelo_{grade_};
  const std::string ok_ = "P1 -23.5 -46.625\r\n";
  const std::string fora_ = "P2 10 -50\r\n";
  const std::string linhaOk_ = "P1      " + std::string("  ") + Campo12("-5.12") + "\r\n";
  const std::string linhaFora_ =
      "P2        " + Campo12("10.0000") + "  " + Campo12("-50.0000") + "|" + kAcima + "\r\n";
};

TEST_F(Execucao, EmptyInputGivesEmptyOutputAndANormalEnd) {
  Registro observador(-1, true);
  const ResultadoLote r = Rodar("", observador);
  EXPECT_EQ(r.fim, FimLote::FimDoArquivo);
  EXPECT_EQ(r.linhasLidas, 0);
  EXPECT_EQ(observador.inicio, std::vector<std::int64_t>{0});
  EXPECT_TRUE(std::filesystem::exists(pasta_ / "saida.txt"));
  EXPECT_EQ(Saida(), "");
}

TEST_F(Execucao, HooksRunPerLineAndCancelIsPolledAfterResultLinesOnly) {
  Registro observador(-1, true);
  const ResultadoLote r = Rodar(fora_ + ok_ + fora_ + ok_, observador);
  EXPECT_EQ(r.fim, FimLote::FimDoArquivo);
  EXPECT_EQ(observador.inicio, std::vector<std::int64_t>{4});
  EXPECT_EQ(observador.antes, (std::vector<std::int64_t>{1, 2, 3, 4}));
  EXPECT_EQ(observador.consultasCancel, 2);
  EXPECT_EQ(r.resultados, 2);
  EXPECT_EQ(r.rejeicoes, 2);
  EXPECT_EQ(Saida(), linhaFora_ + linhaOk_ + linhaFora_ + linhaOk_);
}

TEST_F(Execucao, CancelStopsAfterTheNextResultLine) {
  Registro observador(1);
  const ResultadoLote r = Rodar(fora_ + fora_ + ok_ + ok_ + ok_, observador);
  EXPECT_EQ(r.fim, FimLote::Cancelado);
  EXPECT_EQ(r.linhasLidas, 3);
  EXPECT_EQ(Saida(), linhaFora_ + linhaFora_ + linhaOk_);
}

TEST_F(Execucao, FormatErrorStopsThereKeepingEveryEarlierLine) {
  const int antes = DescritoresAbertos();
  for (const std::string& ruim :
       {std::string("\r\n"), std::string("P3 -23.5\r\n"), std::string("P3,-23.5,-46.625\r\n")}) {
    Registro observador;
    const ResultadoLote r = Rodar(ok_ + fora_ + ruim + ok_, observador);
    EXPECT_EQ(r.fim, FimLote::ErroFormato);
    EXPECT_EQ(r.linhaErro, 3);
    EXPECT_EQ(Saida(), linhaOk_ + linhaFora_);
  }
  EXPECT_EQ(DescritoresAbertos(), antes) << "both files closed";
}

TEST_F(Execucao, QueryErrorPropagatesAfterClosingWithEarlierLinesKept) {
  // -10 -50 lies inside the model area but outside the fixture grid.
  const int antes = DescritoresAbertos();
  Registro observador;
  EXPECT_THROW(Rodar(ok_ + fora_ + "P4 -10 -50\r\n" + ok_, observador), ErroNivora);
  EXPECT_EQ(Saida(), linhaOk_ + linhaFora_);
  EXPECT_EQ(DescritoresAbertos(), antes);

  // A grid that cannot be opened at all.
  TCacheGrade ausente(pasta_ / "nao_existe.txt");
  TModeloGeoide semGrade(ausente);
  GravarArquivo(pasta_ / "entrada.txt", fora_ + ok_);
  const OpcoesLote opcoes = OpcoesLote::De(TListaFormato::DeTexto("ID,0"), true, false);
  EXPECT_THROW(
      ExecutarLote(pasta_ / "entrada.txt", pasta_ / "saida.txt", opcoes, semGrade, observador),
      EAberturaArquivo);
  EXPECT_EQ(Saida(), linhaFora_);
}

TEST_F(Execucao, OutputThatIsTheInputIsRefusedBeforeTruncating) {
  const std::string conteudo = ok_ + ok_;
  GravarArquivo(pasta_ / "entrada.txt", conteudo);
  std::filesystem::create_hard_link(pasta_ / "entrada.txt", pasta_ / "duro.txt");
  std::filesystem::create_symlink(pasta_ / "entrada.txt", pasta_ / "simbolico.txt");
  const OpcoesLote opcoes = OpcoesLote::De(TListaFormato::DeTexto("ID,0"), true, false);
  Registro observador;
  for (const std::string& nome : {pasta_ / "entrada.txt", pasta_ / "duro.txt",
                                  pasta_ / "simbolico.txt", pasta_.Caminho() + "/./entrada.txt"}) {
    EXPECT_THROW(ExecutarLote(pasta_ / "entrada.txt", nome, opcoes, modelo_, observador),
                 EMesmoArquivo)
        << nome;
    EXPECT_EQ(LerArquivoTodo(pasta_ / "entrada.txt"), conteudo);
  }
  // Reading through a link and writing to the real name is the same file too.
  EXPECT_THROW(
      ExecutarLote(pasta_ / "simbolico.txt", pasta_ / "entrada.txt", opcoes, modelo_, observador),
      EMesmoArquivo);
  EXPECT_EQ(LerArquivoTodo(pasta_ / "entrada.txt"), conteudo);
}

TEST_F(Execucao, FilesThatCannotBeOpenedAreReportedWithTheReason) {
  Registro observador;
  const OpcoesLote opcoes = OpcoesLote::De(TListaFormato::DeTexto("0"), false, false);
  try {
    ExecutarLote(pasta_ / "nao_existe.txt", pasta_ / "saida.txt", opcoes, modelo_, observador);
    FAIL() << "no error";
  } catch (const EArquivoInvalido& e) {
    EXPECT_STREQ(e.what(), "Arquivo Inv\xE1lido.");
    EXPECT_NE(e.Motivo().find("nao_existe.txt"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(pasta_ / "saida.txt")) << "nothing created";
  }
  GravarArquivo(pasta_ / "entrada.txt", ok_);
  EXPECT_THROW(ExecutarLote(pasta_ / "entrada.txt", pasta_ / "sem_pasta/saida.txt", opcoes, modelo_,
                            observador),
               EArquivoInvalido);
  EXPECT_THROW(ExecutarLote(pasta_.Caminho(), pasta_ / "saida.txt", opcoes, modelo_, observador),
               EArquivoInvalido)
      << "a folder is no input";
}

TEST_F(Execucao, AFailedWriteIsAnErrorNeverASuccess) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  GravarArquivo(pasta_ / "entrada.txt", ok_);
  const OpcoesLote opcoes = OpcoesLote::De(TListaFormato::DeTexto("ID,0"), true, false);
  Registro observador;
  try {
    ExecutarLote(pasta_ / "entrada.txt", "/dev/full", opcoes, modelo_, observador);
    FAIL() << "no error";
  } catch (const EEntradaSaida& e) {
    EXPECT_NE(std::string(e.what()).find("/dev/full"), std::string::npos) << e.what();
  }
}

TEST_F(Execucao, OptionsWithoutALayoutAreRefused) {
  OpcoesLote opcoes;
  opcoes.formato.Adicionar("ID");
  opcoes.FormatoCoord = "0";
  Registro observador;
  GravarArquivo(pasta_ / "entrada.txt", ok_);
  EXPECT_THROW(
      ExecutarLote(pasta_ / "entrada.txt", pasta_ / "saida.txt", opcoes, modelo_, observador),
      ErroNivora);
  EXPECT_FALSE(std::filesystem::exists(pasta_ / "saida.txt"));
}

}  // namespace
}  // namespace nivora
