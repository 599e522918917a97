// Load: millions of points streamed through the tool's standard input and output
// on the shipped grid. Every output line is checked against the core's own line
// for that record, and the tool's peak memory must not grow with the count.
// NIVORA_CARGA_PONTOS sets the count (tests/falhas/carga.sh runs 10 000 000).
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "apoio/arquivos.hpp"
#include "apoio/processo.hpp"
#include "batch/lote.hpp"
#include "geoid/consulta.hpp"
#include "text/numeros.hpp"

namespace nivora {
namespace {

constexpr std::int64_t kPontosPadrao = 500000;
/// Distinct records, repeated in a cycle (a prime, so blocks never line up with it).
constexpr int kDistintos = 997;
/// Peak resident memory allowed to the tool, whatever the count.
constexpr long kPicoMaximoKiB = 128 * 1024;
/// Growth allowed between a tenth of the count and the full count.
constexpr long kCrescimentoMaximoKiB = 16 * 1024;

std::string GradeDistribuida() {
  return std::string(NIVORA_SOURCE_DIR) + "/dist/grid/NIVORA2015_SIRGAS2000.txt";
}

struct Carga {
  std::int64_t linhas = 0;
  std::int64_t erradas = 0;
  int status = -1;
  long picoKiB = 0;
  double segundos = 0;
};

/// Streams `total` records through the tool and checks every line that comes back.
Carga Correr(std::int64_t total, const std::vector<std::string>& registros,
             const std::vector<std::string>& esperadas, const std::string& pastaErros) {
  const auto inicio = std::chrono::steady_clock::now();
  teste::Processo p(
      NIVORA_CLI,
      {"-q", "-f", "ID,0", "--saida-id", "--saida-coord", "--grade", GradeDistribuida()},
      {"", "", pastaErros + "/erros"});
  Carga c;
  if (!p.Iniciado()) return c;
  std::thread escritor([&] {
    std::string bloco;
    for (std::int64_t i = 0; i < total; ++i) {
      bloco += registros[static_cast<std::size_t>(i % kDistintos)];
      if (bloco.size() >= (1u << 16)) {
        if (!teste::EscreverTudo(p.fdEscrita, bloco)) break;
        bloco.clear();
      }
    }
    teste::EscreverTudo(p.fdEscrita, bloco);
    p.FecharEscrita();
  });
  std::string pendente;
  std::vector<char> buffer(1 << 16);
  while (true) {
    const ssize_t n = ::read(p.fdLeitura, buffer.data(), buffer.size());
    if (n <= 0) break;
    pendente.append(buffer.data(), static_cast<std::size_t>(n));
    std::size_t inicioLinha = 0;
    for (std::size_t fim = pendente.find('\n'); fim != std::string::npos;
         fim = pendente.find('\n', inicioLinha)) {
      const std::string_view linha(pendente.data() + inicioLinha, fim + 1 - inicioLinha);
      if (linha != esperadas[static_cast<std::size_t>(c.linhas % kDistintos)]) ++c.erradas;
      ++c.linhas;
      inicioLinha = fim + 1;
    }
    pendente.erase(0, inicioLinha);
  }
  if (!pendente.empty()) ++c.erradas;  // a line cut short
  escritor.join();
  const teste::Termino t = p.Esperar();
  c.status = t.status;
  c.picoKiB = t.picoKiB;
  c.segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  return c;
}

TEST(Carga, MillionsOfPointsThroughPipesInBoundedMemoryNothingLost) {
  if (!std::filesystem::exists(GradeDistribuida())) GTEST_SKIP() << "no shipped grid";
  ::signal(SIGPIPE, SIG_IGN);
  std::int64_t total = kPontosPadrao;
  if (const char* pedido = std::getenv("NIVORA_CARGA_PONTOS")) total = std::atoll(pedido);
  ASSERT_GE(total, 10 * kDistintos);

  // Points spread over the model area; one in ten outside it (a rejection line).
  std::mt19937 sorteio(2015);
  std::uniform_real_distribution<double> lat(-33.5, 5.0), lon(-73.5, -35.0);
  std::vector<std::string> registros, esperadas;
  const TRetratoGrade grade = TRetratoGrade::DoArquivo(GradeDistribuida());
  const OpcoesLote opcoes = OpcoesLote::De(TListaFormato::DeTexto("ID,0"), true, true);
  ProcessadorLinha processador(opcoes, grade);
  for (int i = 0; i < kDistintos; ++i) {
    const long double la = i % 10 == 9 ? 7.25L : static_cast<long double>(lat(sorteio));
    const long double lo = static_cast<long double>(lon(sorteio));
    std::string registro = "P";
    registro.append(std::to_string(i)).append(" ").append(FormatFloat("#0.000000", la));
    registro.append(" ").append(FormatFloat("#0.000000", lo));
    std::string esperada;
    processador.Processar(registro, esperada);
    registros.push_back(registro + "\n");
    esperadas.push_back(esperada);
  }

  teste::PastaTemporaria pasta;
  const Carga pequena = Correr(total / 10, registros, esperadas, pasta.Caminho());
  const Carga grande = Correr(total, registros, esperadas, pasta.Caminho());
  std::cout << "carga: " << grande.linhas << " pontos em " << grande.segundos << " s, pico "
            << grande.picoKiB / 1024 << " MiB (" << pequena.linhas
            << " pontos: " << pequena.picoKiB / 1024 << " MiB)\n";
  RecordProperty("pontos", std::to_string(grande.linhas));
  RecordProperty("pico_kib", std::to_string(grande.picoKiB));

  for (const Carga* c : {&pequena, &grande}) {
    EXPECT_EQ(c->status, 0) << teste::LerArquivoTodo(pasta / "erros");
    EXPECT_EQ(c->erradas, 0);
  }
  EXPECT_EQ(pequena.linhas, total / 10);
  EXPECT_EQ(grande.linhas, total);
  EXPECT_LT(grande.picoKiB, kPicoMaximoKiB);
  EXPECT_LT(grande.picoKiB - pequena.picoKiB, kCrescimentoMaximoKiB);
}

}  // namespace
}  // namespace nivora
