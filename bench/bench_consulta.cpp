// One undulation query on the shipped grid: the step-by-step algorithm, which reads
// and converts the whole file for every point, against the cached, indexed query.
// Prints the ratio of their times at the end. With --pontos=FILE ("lat lon" per
// line), it first runs every point of the file through one query object and prints
// how many queries took each path (double estimate, 80-bit fit, grid node).
//
//   bench_consulta [--grade=PATH] [--pontos=FILE] [benchmark options]
//   (or NIVORA_GRADE=PATH; default: ../bin/grid/NIVORA2015_SIRGAS2000.txt next to
//   this program's folder, where the build lays out dist/)
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "geoid/cache.hpp"
#include "geoid/consulta.hpp"
#include "geoid/interpolacao.hpp"
#include "text/erros.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace {

std::string caminhoGrade;
std::string arquivoPontos;

// Points spread over the model area (latitude, longitude in degrees).
const long double kPontos[][2] = {
    {-23.5505L, -46.6333L}, {-3.1190L, -60.0217L},  {-15.7939L, -47.8828L}, {-30.0346L, -51.2177L},
    {-8.0476L, -34.8770L},  {-1.4558L, -48.4902L},  {-12.9714L, -38.5014L}, {-20.4428L, -54.6464L},
    {2.8235L, -60.6758L},   {-33.6900L, -53.4560L}, {-9.9747L, -67.8243L},  {-5.0892L, -42.8019L},
};
constexpr std::size_t kNumPontos = sizeof kPontos / sizeof kPontos[0];

// The whole query as the step-by-step algorithm does it, rounding included.
long double ConsultaLiteral(nivora::TInterpolador& t, long double lat, long double lon) {
  const long double bruto = t.OndulacaoBruta(caminhoGrade, lat, lon);
  return nivora::StrToFloat(nivora::AjustaCampo10(nivora::FormatFloat("#0.000", bruto)));
}

void BM_ConsultaLiteral(benchmark::State& state) {
  auto t = std::make_unique<nivora::TInterpolador>();
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ConsultaLiteral(*t, kPontos[k][0], kPontos[k][1]));
    k = (k + 1) % kNumPontos;
  }
}
BENCHMARK(BM_ConsultaLiteral)->Unit(benchmark::kMillisecond)->Iterations(6);

void BM_ConsultaCache(benchmark::State& state) {
  nivora::TCacheGrade cache(caminhoGrade);
  nivora::TModeloGeoide modelo(cache);
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(modelo.ObterOndulacao(kPontos[k][0], kPontos[k][1]));
    k = (k + 1) % kNumPontos;
  }
}
BENCHMARK(BM_ConsultaCache)->Unit(benchmark::kMicrosecond);

// Keeps the mean real time per iteration of every run, for the ratio.
class RelatorComRazao : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> segundosPorConsulta;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && r.iterations > 0)
        segundosPorConsulta[r.run_name.function_name] =
            r.real_accumulated_time / static_cast<double>(r.iterations);
    ConsoleReporter::ReportRuns(runs);
  }
};

std::string GradePadrao(const char* argv0) {
  std::error_code erro;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", erro);
  if (erro) exe = argv0;
  return (exe.parent_path().parent_path() / "bin" / nivora::kArquivoGrade).string();
}

// A file changed within the last second is compared byte for byte by the cache
// on every query when it has to stat() the file; measure the steady state of an
// unchanged file.
void EsperarArquivoEnvelhecer(const std::string& caminho) {
  struct stat st {};
  if (::stat(caminho.c_str(), &st) != 0) return;
  const auto mudanca = std::chrono::system_clock::time_point(
      std::chrono::seconds(st.st_ctim.tv_sec) + std::chrono::nanoseconds(st.st_ctim.tv_nsec));
  const auto pronto = mudanca + std::chrono::milliseconds(1100);
  if (std::chrono::system_clock::now() < pronto) std::this_thread::sleep_until(pronto);
}

// Every point of `arquivo` through one query object: time per query and the paths.
bool ContarCaminhos(const std::string& arquivo) {
  std::ifstream entrada(arquivo);
  if (!entrada) {
    std::fprintf(stderr, "cannot read %s\n", arquivo.c_str());
    return false;
  }
  std::vector<std::pair<long double, long double>> pontos;
  std::string lat, lon;
  while (entrada >> lat >> lon)
    pontos.emplace_back(nivora::StrToFloat(lat), nivora::StrToFloat(lon));
  nivora::TCacheGrade cache(caminhoGrade);
  nivora::TModeloGeoide(cache).ObterOndulacao(pontos.at(0).first, pontos.at(0).second);  // parsed
  nivora::TModeloGeoide modelo(cache);
  const auto inicio = std::chrono::steady_clock::now();
  long double soma = 0;
  for (const auto& [la, lo] : pontos) soma += modelo.ObterOndulacao(la, lo);
  const double segundos =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  benchmark::DoNotOptimize(soma);
  const nivora::ContagemCaminhos& c = modelo.Caminhos();
  const auto n = [](std::uint64_t v) { return static_cast<unsigned long long>(v); };
  std::printf("points: %zu from %s, %.3f us per query (%s change detection)\n", pontos.size(),
              arquivo.c_str(), segundos / static_cast<double>(pontos.size()) * 1e6,
              cache.PorNotificacao() ? "inotify" : "stat");
  std::printf(
      "paths: double estimate %llu, 80-bit fit near a rounding boundary %llu, "
      "80-bit fit outside the validated range %llu, grid node %llu, failed %llu\n",
      n(c.dupla), n(c.margem), n(c.faixa), n(c.no), n(c.falhas));
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

  // Both paths must agree before their times mean anything.
  try {
    EsperarArquivoEnvelhecer(caminhoGrade);
    auto t = std::make_unique<nivora::TInterpolador>();
    nivora::TCacheGrade cache(caminhoGrade);
    nivora::TModeloGeoide modelo(cache);
    for (const auto& p : kPontos) {
      const long double literal = t->OndulacaoBruta(caminhoGrade, p[0], p[1]);
      const long double arredondado =
          nivora::StrToFloat(nivora::AjustaCampo10(nivora::FormatFloat("#0.000", literal)));
      if (literal != modelo.OndulacaoEstendida(p[0], p[1]) ||
          arredondado != modelo.ObterOndulacao(p[0], p[1])) {
        std::fprintf(stderr, "cached and step-by-step results differ at %s %s\n",
                     nivora::FormatFloat("#0.0000", p[0]).c_str(),
                     nivora::FormatFloat("#0.0000", p[1]).c_str());
        return 1;
      }
    }
    if (!arquivoPontos.empty() && !ContarCaminhos(arquivoPontos)) return 1;
  } catch (const nivora::ErroNivora& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }

  RelatorComRazao relator;
  benchmark::RunSpecifiedBenchmarks(&relator);
  benchmark::Shutdown();
  const auto& t = relator.segundosPorConsulta;
  if (t.count("BM_ConsultaLiteral") && t.count("BM_ConsultaCache") &&
      t.at("BM_ConsultaCache") > 0) {
    const double razao = t.at("BM_ConsultaLiteral") / t.at("BM_ConsultaCache");
    std::printf("grid: %s\n", caminhoGrade.c_str());
    std::printf("step-by-step query: %s ms, cached query: %s us, ratio: %s (target >= 20000)\n",
                nivora::FormatFloat("#0.0", t.at("BM_ConsultaLiteral") * 1e3).c_str(),
                nivora::FormatFloat("#0.00", t.at("BM_ConsultaCache") * 1e6).c_str(),
                nivora::FormatFloat("#0", razao).c_str());
  }
  return 0;
}
