// The grid cache: every kind of change to the file, its folders or the mounts is seen
// by the very next query, with notifications and with stat(), also when the changes
// follow each other within one clock tick; an unchanged grid is parsed once.
#include "geoid/cache.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

#include "apoio/grade.hpp"
#include "geoid/consulta.hpp"
#include "text/erros.hpp"
#include "text/numeros.hpp"

namespace nivora {
namespace {

namespace fs = std::filesystem;
using Deteccao = TCacheGrade::Deteccao;

constexpr long kLat0 = -10 * 12, kLon0 = 310 * 12;  // 10S 50W

// A 10 x 10 grid whose node (4, 4) carries `n`; the others are fixed by the seed.
std::vector<std::string> GradeCom(const std::string& n) {
  std::mt19937 sorteio(2015);
  auto g = teste::GradeRegular(kLat0, kLon0, 10, 10, sorteio);
  g[4][4] = teste::LinhaNo(teste::Doze(kLon0 + 4), teste::Doze(kLat0 - 4), n);
  return teste::Achatar(g);
}

// N on that node, or the error's text.
std::string Consultar(TModeloGeoide& modelo, long double dLat = 0, long double dLon = 0) {
  const long double lat = StrToFloat(teste::Doze(kLat0 - 4));
  const long double lon = StrToFloat(teste::Doze(kLon0 + 4)) - 360;
  try {
    return FormatFloat("#0.000", modelo.ObterOndulacao(lat + dLat, lon + dLon));
  } catch (const ErroNivora& e) {
    return e.what();
  }
}

class CacheGrade : public ::testing::TestWithParam<Deteccao> {
 protected:
  teste::PastaTemporaria pasta;
  const std::string app = pasta / "app";
  const std::string gradeDir = app + "/grid";
  const std::string caminho = gradeDir + "/grade.txt";

  void SetUp() override {
    fs::create_directories(gradeDir);
    teste::EscreverLinhas(caminho, GradeCom("  1.000"));
  }
  std::string Ausente() const {
    return "Cannot open file \"" + caminho + "\". " + std::strerror(ENOENT);
  }
};

TEST_P(CacheGrade, EveryChangeCountsAtTheNextQuery) {
  TCacheGrade cache(caminho, GetParam());
  TModeloGeoide modelo(cache);
  EXPECT_EQ(Consultar(modelo), "1.000");
  EXPECT_EQ(cache.PorNotificacao(), GetParam() == Deteccao::Automatica);

  struct Passo {
    const char* mudanca;
    std::function<void()> fazer;
    std::string esperado;
  };
  const std::string outraPasta = pasta / "outra";
  fs::create_directories(outraPasta);
  const std::vector<Passo> passos = {
      // Rewritten in place with the same size, three times within microseconds: the
      // time stamps advance by clock ticks and need not tell these versions apart.
      {"rewritten in place", [&] { teste::EscreverLinhas(caminho, GradeCom("  2.000")); }, "2.000"},
      {"rewritten again", [&] { teste::EscreverLinhas(caminho, GradeCom("  2.001")); }, "2.001"},
      {"and again", [&] { teste::EscreverLinhas(caminho, GradeCom("  2.002")); }, "2.002"},
      {"replaced by rename",
       [&] {
         teste::EscreverLinhas(gradeDir + "/nova.txt", GradeCom("  3.000"));
         fs::rename(gradeDir + "/nova.txt", caminho);
       },
       "3.000"},
      {"moved away", [&] { fs::rename(caminho, pasta / "fora.txt"); }, Ausente()},
      {"still away", [] {}, Ausente()},
      {"put back", [&] { fs::rename(pasta / "fora.txt", caminho); }, "3.000"},
      {"written through a hard link in another folder",
       [&] {
         fs::create_hard_link(caminho, outraPasta + "/elo.txt");
         teste::EscreverLinhas(outraPasta + "/elo.txt", GradeCom("  3.500"));
       },
       "3.500"},
      {"cut to nothing", [&] { ASSERT_EQ(::truncate(caminho.c_str(), 0), 0); },
       "Ponto fora da cobertura da grade (latitude -10.3333, longitude -49.6667): nenhum n\xF3"
       " da grade encontrado, s\xE3o necess\xE1rios 25."},
      {"written anew", [&] { teste::EscreverLinhas(caminho, GradeCom("  4.000")); }, "4.000"},
      {"its folder moved away", [&] { fs::rename(gradeDir, app + "/grid.velha"); }, Ausente()},
      {"its folder put back", [&] { fs::rename(app + "/grid.velha", gradeDir); }, "4.000"},
      {"its folder exchanged with another",
       [&] {
         fs::create_directories(app + "/grid.nova");
         teste::EscreverLinhas(app + "/grid.nova/grade.txt", GradeCom("  5.000"));
         ASSERT_EQ(::renameat2(AT_FDCWD, gradeDir.c_str(), AT_FDCWD, (app + "/grid.nova").c_str(),
                               RENAME_EXCHANGE),
                   0)
             << std::strerror(errno);
       },
       "5.000"},
      {"the folder above replaced",
       [&] {
         fs::create_directories(pasta / "app2/grid");
         teste::EscreverLinhas(pasta / "app2/grid/grade.txt", GradeCom("  6.000"));
         fs::rename(app, pasta / "app.velha");
         fs::rename(pasta / "app2", app);
       },
       "6.000"},
      {"deleted", [&] { fs::remove(caminho); }, Ausente()},
      {"restored", [&] { teste::EscreverLinhas(caminho, GradeCom("  7.000"), "\n", false); },
       "7.000"},
  };
  for (const Passo& p : passos) {
    p.fazer();
    EXPECT_EQ(Consultar(modelo), p.esperado) << p.mudanca;
  }
}

TEST_P(CacheGrade, ABadLineFailsOffNodeQueriesUntilMended) {
  TCacheGrade cache(caminho, GetParam());
  TModeloGeoide modelo(cache);
  EXPECT_EQ(Consultar(modelo), "1.000");
  auto ruim = GradeCom("  3.000");
  ruim.back() = "  310.000000  -11.000000";
  teste::EscreverLinhas(caminho, ruim);  // damaged at the very end
  EXPECT_EQ(Consultar(modelo, 0.01L, 0.01L), "'' is not a valid floating point value");
  EXPECT_EQ(Consultar(modelo, 0.01L, 0.01L), "'' is not a valid floating point value");
  EXPECT_EQ(Consultar(modelo), "3.000");  // the scan ends on the node before the bad line
  teste::EscreverLinhas(caminho, GradeCom("  4.000"));
  EXPECT_EQ(Consultar(modelo), "4.000");
  EXPECT_NE(Consultar(modelo, 0.01L, 0.01L).find('.'), std::string::npos);
}

TEST_P(CacheGrade, AnUnchangedGridIsParsedOnceForEveryModel) {
  TCacheGrade cache(caminho, GetParam());
  TModeloGeoide a(cache), b(cache);
  for (int k = 0; k < 20; ++k) {
    EXPECT_EQ(Consultar(a), "1.000");
    EXPECT_EQ(Consultar(b, 0.01L, 0.02L), Consultar(a, 0.01L, 0.02L));
  }
  // With stat() a file younger than a second is compared byte for byte, not parsed.
  EXPECT_EQ(cache.Analises(), 1u);
  teste::EscreverLinhas(caminho, GradeCom("  2.000"));
  EXPECT_EQ(Consultar(b), "2.000");
  EXPECT_EQ(Consultar(a), "2.000");
  EXPECT_EQ(cache.Analises(), 2u);
}

// Threads with a query object each on one cache: once the grid has been rewritten
// and a thread has been told so, its next query gives the new value.
TEST_P(CacheGrade, ThreadsSeeTheChangeAtTheirNextQuery) {
  TCacheGrade cache(caminho, GetParam());
  constexpr int kThreads = 4, kVersoes = 6;
  std::atomic<int> versao{1};
  std::atomic<bool> fim{false};
  std::vector<int> erradas(kThreads, 0);
  std::vector<std::atomic<int>> consultas(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      TModeloGeoide modelo(cache);
      while (!fim.load()) {
        const int v = versao.load();  // that version was written before it was stored
        long double lida = 0;
        // A query while the next version is being written may read part of it.
        if (!TryStrToFloat(Consultar(modelo), lida)) continue;
        erradas[static_cast<std::size_t>(t)] += lida < v;
        ++consultas[static_cast<std::size_t>(t)];
      }
    });
  // Every thread queries each version at least once, however loaded the machine.
  auto esperarTodas = [&] {
    std::vector<int> antes;
    for (const auto& c : consultas) antes.push_back(c.load());
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (int t = 0; t < kThreads; ++t)
      while (consultas[static_cast<std::size_t>(t)].load() <= antes[static_cast<std::size_t>(t)] &&
             std::chrono::steady_clock::now() < limite)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  for (int v = 2; v <= kVersoes; ++v) {
    esperarTodas();
    teste::EscreverLinhas(caminho, GradeCom("  " + std::to_string(v) + ".000"));
    versao.store(v);
  }
  esperarTodas();
  fim.store(true);
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(erradas[static_cast<std::size_t>(t)], 0) << "thread " << t;
    EXPECT_GE(consultas[static_cast<std::size_t>(t)].load(), kVersoes) << "thread " << t;
  }
}

INSTANTIATE_TEST_SUITE_P(Detections, CacheGrade,
                         ::testing::Values(Deteccao::Automatica, Deteccao::Stat),
                         [](const auto& info) {
                           return info.param == Deteccao::Automatica ? "Notificacao" : "Stat";
                         });

// Where notifications could miss a change, the file is examined with stat(); a
// relative path is taken from the current folder and watched like any other.
TEST(CacheGradeCaminho, ASymbolicLinkOrDotsUseStatARelativePathIsWatched) {
  teste::PastaTemporaria pasta;
  fs::create_directories(pasta / "a/grid");
  fs::create_directories(pasta / "b/grid");
  teste::EscreverLinhas(pasta / "a/grid/grade.txt", GradeCom("  1.000"));
  teste::EscreverLinhas(pasta / "b/grid/grade.txt", GradeCom("  2.000"));
  fs::create_directory_symlink(pasta / "a", pasta / "atual");

  TCacheGrade porLink(pasta / "atual/grid/grade.txt");
  TModeloGeoide modelo(porLink);
  EXPECT_EQ(Consultar(modelo), "1.000");
  EXPECT_FALSE(porLink.PorNotificacao());
  fs::remove(pasta / "atual");
  fs::create_directory_symlink(pasta / "b", pasta / "atual");  // the link now points elsewhere
  EXPECT_EQ(Consultar(modelo), "2.000");
  teste::EscreverLinhas(pasta / "b/grid/grade.txt", GradeCom("  3.000"));
  EXPECT_EQ(Consultar(modelo), "3.000");

  fs::create_symlink(pasta / "a/grid/grade.txt", pasta / "a/grid/elo.txt");
  TCacheGrade arquivoLink(pasta / "a/grid/elo.txt");
  TModeloGeoide m2(arquivoLink);
  EXPECT_EQ(Consultar(m2), "1.000");
  EXPECT_FALSE(arquivoLink.PorNotificacao());

  TCacheGrade comPontos("/tmp/../tmp/x/grade.txt");
  TModeloGeoide m3(comPontos);
  Consultar(m3);
  EXPECT_FALSE(comPontos.PorNotificacao());

  const fs::path antes = fs::current_path();
  fs::current_path(pasta / "b");
  TCacheGrade relativo("./grid/./grade.txt");
  fs::current_path(antes);
  EXPECT_EQ(relativo.Caminho(), fs::canonical(pasta / "b").string() + "/grid/grade.txt");
  TModeloGeoide m4(relativo);
  EXPECT_EQ(Consultar(m4), "3.000");
  EXPECT_TRUE(relativo.PorNotificacao());
  teste::EscreverLinhas(pasta / "b/grid/grade.txt", GradeCom("  4.000"));
  EXPECT_EQ(Consultar(m4), "4.000");
}

// A file system mounted over the grid's folder, and unmounted again: in a child
// process with a mount namespace of its own (skipped where that is not allowed).
TEST(CacheGradeCaminho, AMountOverTheFolderCountsAtTheNextQuery) {
  teste::PastaTemporaria pasta;
  const std::string gradeDir = pasta / "grid";
  fs::create_directories(gradeDir);
  const std::string caminho = gradeDir + "/grade.txt";
  teste::EscreverLinhas(caminho, GradeCom("  1.000"));
  const pid_t filho = ::fork();
  ASSERT_GE(filho, 0);
  if (filho == 0) {
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr))
      ::_exit(77);
    int falhas = 0;
    for (const Deteccao d : {Deteccao::Automatica, Deteccao::Stat}) {
      TCacheGrade cache(caminho, d);
      TModeloGeoide modelo(cache);
      falhas += Consultar(modelo) != "1.000";
      if (::mount("nivora", gradeDir.c_str(), "tmpfs", 0, nullptr) != 0) ::_exit(77);
      teste::EscreverLinhas(caminho, GradeCom("  2.000"));
      falhas += Consultar(modelo) != "2.000";
      falhas += ::umount(gradeDir.c_str()) != 0;
      falhas += Consultar(modelo) != "1.000";
    }
    ::_exit(falhas == 0 ? 0 : 1);
  }
  int estado = 0;
  ASSERT_EQ(::waitpid(filho, &estado, 0), filho);
  ASSERT_TRUE(WIFEXITED(estado));
  if (WEXITSTATUS(estado) == 77) GTEST_SKIP() << "no mount namespace here";
  EXPECT_EQ(WEXITSTATUS(estado), 0);
}

}  // namespace
}  // namespace nivora
