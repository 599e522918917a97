// The const query on the shipped grid, one core: time per point through the block
// form and one point at a time, and the way each query of a points file took.
//
//   bench_consulta [--grade=PATH] [--pontos=FILE] [benchmark options]
//   (or NIVORA_GRADE=PATH; default: ../bin/grid/NIVORA2015_SIRGAS2000.txt next to
//   this program's folder, where the build lays out dist/)
//
// With --pontos=FILE ("lat lon" per line), every point of the file goes through the
// block form once, timed, and the paths are printed:
//   block: <us> us per point of CPU over <n> points (one thread; <us> us wall)
//   paths: double estimate <a>, 80-bit fit <b>, grid node <c>, refused <d>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "apoio/interpolacao.hpp"
#include "geoid/arquivo.hpp"
#include "geoid/consulta.hpp"
#include "text/erros.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace {

std::string caminhoGrade;
std::string arquivoPontos;
std::shared_ptr<const nivora::TConsultaGrade> consulta;

// Points spread at random over the model area (latitude, longitude in degrees).
struct Pontos {
  std::vector<double> lat, lon;
};
const Pontos& Aleatorios() {
  static const Pontos p = [] {
    Pontos q;
    std::mt19937_64 sorteio(20150);
    std::uniform_real_distribution<double> la(-34.5, 5.5), lo(-74.5, -34.5);
    for (int k = 0; k < (1 << 16); ++k) {
      q.lat.push_back(la(sorteio));
      q.lon.push_back(lo(sorteio));
    }
    return q;
  }();
  return p;
}

void BM_Bloco(benchmark::State& state) {
  const Pontos& p = Aleatorios();
  const std::size_t n = p.lat.size();
  std::vector<double> N(n);
  std::vector<std::int32_t> codigos(n);
  for (auto _ : state) {
    consulta->Ondulacoes(p.lat.data(), p.lon.data(), n, N.data(), codigos.data());
    benchmark::DoNotOptimize(N.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
}
BENCHMARK(BM_Bloco)->Unit(benchmark::kMillisecond);

void BM_PontoAPonto(benchmark::State& state) {
  const Pontos& p = Aleatorios();
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(consulta->Ondulacao(p.lat[k], p.lon[k]));
    k = (k + 1) % p.lat.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PontoAPonto)->Unit(benchmark::kMicrosecond);

std::string GradePadrao(const char* argv0) {
  std::error_code erro;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", erro);
  if (erro) exe = argv0;
  return (exe.parent_path().parent_path() / "bin" / nivora::kArquivoGrade).string();
}

// Every point of `arquivo` through the block form: time per point and the paths.
bool ContarCaminhos(const std::string& arquivo) {
  std::ifstream entrada(arquivo);
  if (!entrada) {
    std::fprintf(stderr, "cannot read %s\n", arquivo.c_str());
    return false;
  }
  std::vector<double> lat, lon;
  std::string la, lo;
  while (entrada >> la >> lo) {
    lat.push_back(static_cast<double>(nivora::StrToFloat(la)));
    lon.push_back(static_cast<double>(nivora::StrToFloat(lo)));
  }
  std::vector<double> N(lat.size());
  std::vector<std::int32_t> codigos(lat.size());
  // The thread's CPU time (what one core spends, whatever else the machine runs) and
  // the wall time.
  const auto cpu = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  };
  const double cpuInicio = cpu();
  const auto inicio = std::chrono::steady_clock::now();
  const nivora::ContagemCaminhos c =
      consulta->Ondulacoes(lat.data(), lon.data(), lat.size(), N.data(), codigos.data());
  const double segundos =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  const double segundosCpu = cpu() - cpuInicio;
  const auto n = [](std::uint64_t v) { return static_cast<unsigned long long>(v); };
  const double pontos = static_cast<double>(lat.size());
  std::printf(
      "block: %.3f us per point of CPU over %zu points (one thread; %.3f us wall) from %s\n",
      segundosCpu / pontos * 1e6, lat.size(), segundos / pontos * 1e6, arquivo.c_str());
  std::printf("paths: double estimate %llu, 80-bit fit %llu, grid node %llu, refused %llu\n",
              n(c.dupla), n(c.estendida), n(c.no), n(c.recusas));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args;
  caminhoGrade = std::getenv("NIVORA_GRADE") ? std::getenv("NIVORA_GRADE") : "";
  for (int k = 0; k < argc; ++k) {
    if (std::strncmp(argv[k], "--grade=", 8) == 0)
      caminhoGrade = argv[k] + 8;
    else if (std::strncmp(argv[k], "--pontos=", 9) == 0)
      arquivoPontos = argv[k] + 9;
    else
      args.push_back(argv[k]);
  }
  if (caminhoGrade.empty()) caminhoGrade = GradePadrao(argv[0]);
  int numArgs = static_cast<int>(args.size());
  benchmark::Initialize(&numArgs, args.data());
  if (benchmark::ReportUnrecognizedArguments(numArgs, args.data())) return 1;

  try {
    consulta = std::make_shared<const nivora::TConsultaGrade>(
        nivora::GradeCarregada::Analisar(nivora::LerArquivo(caminhoGrade), caminhoGrade));
    // The query must agree with the step-by-step reference before its time means anything.
    auto t = std::make_unique<nivora::TInterpolador>();
    const Pontos& p = Aleatorios();
    for (std::size_t k = 0; k < 8; ++k) {
      const long double literal = t->OndulacaoBruta(caminhoGrade, p.lat[k], p.lon[k]);
      const long double arredondado =
          nivora::StrToFloat(nivora::AjustaCampo10(nivora::FormatFloat("#0.000", literal)));
      if (arredondado != consulta->Ondulacao(p.lat[k], p.lon[k])) {
        std::fprintf(stderr, "query and step-by-step results differ at %.17g %.17g\n", p.lat[k],
                     p.lon[k]);
        return 1;
      }
    }
    if (!arquivoPontos.empty() && !ContarCaminhos(arquivoPontos)) return 1;
  } catch (const nivora::ErroNivora& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
