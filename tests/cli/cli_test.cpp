// nivora2015-cli as a filter: each case runs the binary with its arguments and
// standard input, and checks the output bytes, the exit status and stderr.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "batch/fixtures.hpp"
#include "batch/lote.hpp"
#include "geoid/consulta.hpp"

extern char** environ;

namespace nivora {
namespace {

using teste::GravarArquivo;
using teste::LerArquivoTodo;
using teste::PastaTemporaria;

struct Execucao {
  int status = -1;
  std::string saida;  // stdout bytes
  std::string erros;  // stderr bytes
};

/// Runs the tool with `args`, `entrada` as standard input, in the folder `pasta`.
Execucao Rodar(const PastaTemporaria& pasta, const std::vector<std::string>& args,
               const std::string& entrada) {
  GravarArquivo(pasta / "stdin", entrada);
  posix_spawn_file_actions_t acoes;
  posix_spawn_file_actions_init(&acoes);
  posix_spawn_file_actions_addopen(&acoes, 0, (pasta / "stdin").c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&acoes, 1, (pasta / "stdout").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&acoes, 2, (pasta / "stderr").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> todos = {NIVORA_CLI};
  todos.insert(todos.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : todos) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  Execucao r;
  if (posix_spawn(&pid, NIVORA_CLI, &acoes, nullptr, argv.data(), environ) == 0) {
    int estado = 0;
    ::waitpid(pid, &estado, 0);
    r.status = WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
  }
  posix_spawn_file_actions_destroy(&acoes);
  r.saida = LerArquivoTodo(pasta / "stdout");
  r.erros = LerArquivoTodo(pasta / "stderr");
  return r;
}

/// Every grid node of the fixture carries this N: accepted points give -5.12.
constexpr long double kNConstante = -5.123L;
const std::string kN = "       -5.12\r\n";

class Cli : public ::testing::Test {
 protected:
  PastaTemporaria pasta_;
  const std::string grade_ = teste::GravarGradePadrao(pasta_, &kNConstante);
  /// Replaces the markers @GRADE@ and @PASTA@ in the arguments.
  std::vector<std::string> Args(std::vector<std::string> args) const {
    for (std::string& a : args) {
      if (a == "@GRADE@") a = grade_;
      if (a == "@GRADERUIM@") {
        // A header line: every query fails with the conversion error.
        a = pasta_ / "ruim.txt";
        GravarArquivo(a, "LON LAT N\r\n" + LerArquivoTodo(grade_));
      }
      if (a == "--grade=@GRADE@") a = "--grade=" + grade_;
      if (a.rfind("@PASTA@", 0) == 0) a = pasta_.Caminho() + a.substr(7);
    }
    return args;
  }
};

TEST_F(Cli, TableOfRuns) {
  struct Caso {
    std::string nome;
    std::vector<std::string> args;
    std::string entrada;
    std::string saida;
    int status;
    std::string erroContem;  // UTF-8; empty: stderr must be empty
  };
  const std::string fora =
      "     10.0000      -50.0000|Entrada Inv\xE1lida : LATITUDE ACIMA  do limite do grid\r\n";
  const std::vector<Caso> casos = {
      {"default layout, stdin to stdout", {"--grade", "@GRADE@"}, "-23.5 -46.625\n", kN, 0, ""},
      {"dash names the standard streams",
       {"--grade", "@GRADE@", "-", "-"},
       "-23.5 -46.625\r\n",
       kN,
       0,
       ""},
      {"empty input, empty output", {"--grade", "@GRADE@"}, "", "", 0, ""},
      {"output boxes and ID first",
       {"-f", "ID,0", "--saida-id", "--saida-coord", "--grade", "@GRADE@"},
       "P1 -23.5 -46.625\n",
       "P1            -23.5000      -46.6250  " + kN,
       0,
       ""},
      {"option=value form", {"--formato=1", "--grade=@GRADE@"}, "-46.625 -23.5\n", kN, 0, ""},
      {"ID box without ID column",
       {"--saida-id", "--grade", "@GRADE@"},
       "-23.5 -46.625\n",
       "  " + kN,
       0,
       ""},
      {"GMS lon-lat",
       {"--formato", "3", "--saida-coord", "-q", "--grade", "@GRADE@"},
       "-46 37 30 -23 30 00\n",
       "-46 37 30.0000  -23 30 00.0000  " + kN,
       0,
       ""},
      {"rejection then result",
       {"--grade", "@GRADE@"},
       "10 -50\n-23.5 -46.625\n",
       fora + kN,
       0,
       ""},
      {"format error keeps earlier lines",
       {"--grade", "@GRADE@"},
       "-23.5 -46.625\n10 -50\n-23.5\n-23.5 -46.625\n",
       kN + fora,
       1,
       "Erro na formata\xC3\xA7\xC3\xA3o do arquivo. Linha 3"},
      {"blank line stops the run",
       {"--grade", "@GRADE@"},
       "-23.5 -46.625\n\n-23.5 -46.625\n",
       kN,
       1,
       "Linha 2"},
      {"0x1A ends the input", {"--grade", "@GRADE@"}, "-23.5 -46.625\n\x1A garbage\n", kN, 0, ""},
      {"unknown layout code", {"--formato", "4"}, "", "", 2, "Uso: nivora2015-cli"},
      {"two codes", {"--formato", "0,2"}, "", "", 2, "Uso: nivora2015-cli"},
      {"unknown option", {"--nada"}, "", "", 2, "op\xC3\xA7\xC3\xA3o desconhecida: --nada"},
      {"option without its value", {"--grade"}, "", "", 2, "--grade pede um valor"},
      {"switch with a value", {"--quiet=1"}, "", "", 2, "--quiet n\xC3\xA3o aceita valor"},
      {"three files", {"a", "b", "c"}, "", "", 2, "argumento a mais: c"},
      {"missing input",
       {"--grade", "@GRADE@", "@PASTA@/nao_existe.txt"},
       "",
       "",
       3,
       "Arquivo de entrada n\xC3\xA3o \xC3\xA9 v\xC3\xA1lido."},
      {"input is a folder",
       {"--grade", "@GRADE@", "@PASTA@"},
       "",
       "",
       3,
       "Arquivo Inv\xC3\xA1lido."},
      {"output in a missing folder",
       {"--grade", "@GRADE@", "-", "@PASTA@/nada/saida.txt"},
       "-23.5 -46.625\n",
       "",
       3,
       "Arquivo Inv\xC3\xA1lido."},
      {"output that cannot be written",
       {"--grade", "@GRADE@", "-", "/dev/full"},
       "-23.5 -46.625\n",
       "",
       3,
       "/dev/full"},
      {"missing grid: rejections before it stay",
       {"--grade", "@PASTA@/nao_existe.txt"},
       "10 -50\n-23.5 -46.625\n",
       fora,
       4,
       "Cannot open file"},
      {"grid with a bad line",
       {"--grade", "@GRADERUIM@"},
       "10 -50\n-23.5 -46.625\n",
       fora,
       4,
       "is not a valid floating point value"},
      {"point outside the grid's nodes",
       {"--grade", "@GRADE@"},
       "-23.5 -46.625\n-10 -50\n",
       kN,
       4,
       "(linha 2)"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nome);
    const Execucao r = Rodar(pasta_, Args(caso.args), caso.entrada);
    EXPECT_EQ(r.status, caso.status);
    EXPECT_EQ(r.saida, caso.saida);
    if (caso.erroContem.empty()) {
      EXPECT_EQ(r.erros, "");
    } else {
      EXPECT_NE(r.erros.find(caso.erroContem), std::string::npos) << r.erros;
    }
  }
}

TEST_F(Cli, HelpIsPortugueseUtf8WithAnExampleForEachLayout) {
  const Execucao r = Rodar(pasta_, {"--help"}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.saida.find("Uso: nivora2015-cli"), std::string::npos);
  EXPECT_NE(r.saida.find("Op\xC3\xA7\xC3\xB5"
                         "es:"),
            std::string::npos);
  for (const std::string layout :
       {"ID,0", "0,ID", "ID,1", "1,ID", "ID,2", "2,ID", "ID,3", "3,ID"}) {
    EXPECT_NE(r.saida.find("  " + layout + " "), std::string::npos) << layout;
  }
  for (const std::string opcao :
       {"--formato", "--saida-id", "--saida-coord", "--grade", "--quiet"}) {
    EXPECT_NE(r.saida.find(opcao), std::string::npos) << opcao;
  }
}

TEST_F(Cli, OutputThatIsTheInputIsRefusedAndTheInputKept) {
  const std::string conteudo = "-23.5 -46.625\r\n-22.5 -46.5\r\n";
  GravarArquivo(pasta_ / "pontos.txt", conteudo);
  std::filesystem::create_symlink(pasta_ / "pontos.txt", pasta_ / "link.txt");
  for (const std::string& saida : {pasta_ / "pontos.txt", pasta_ / "link.txt"}) {
    const Execucao r = Rodar(pasta_, {"--grade", grade_, pasta_ / "pontos.txt", saida}, "");
    EXPECT_EQ(r.status, 3) << saida;
    EXPECT_NE(r.erros.find("pr\xC3\xB3prio arquivo de entrada"), std::string::npos) << r.erros;
    EXPECT_EQ(LerArquivoTodo(pasta_ / "pontos.txt"), conteudo);
  }
}

/// The layout tokens of an example file, from its name.
std::string TokensDoExemplo(const std::string& nome) {
  const std::string codigo = nome.rfind("latlon_dec", 0) == 0   ? "0"
                             : nome.rfind("lonlat_dec", 0) == 0 ? "1"
                             : nome.rfind("latlon_gms", 0) == 0 ? "2"
                                                                : "3";
  if (nome.find("_id_antes") != std::string::npos) return "ID," + codigo;
  if (nome.find("_id_depois") != std::string::npos) return codigo + ",ID";
  return codigo;
}

TEST_F(Cli, ShippedExamplesGiveTheRunnersBytes) {
  const std::string grade = std::string(NIVORA_SOURCE_DIR) + "/dist/grid/NIVORA2015_SIRGAS2000.txt";
  if (!std::filesystem::exists(grade)) GTEST_SKIP() << "no shipped grid";
  TCacheGrade cache(grade);
  TModeloGeoide modelo(cache);
  int exemplos = 0;
  for (const auto& arquivo :
       std::filesystem::directory_iterator(std::string(NIVORA_SOURCE_DIR) + "/dist/exemplos")) {
    const std::string nome = arquivo.path().filename().string();
    const std::string tokens = TokensDoExemplo(nome);
    ++exemplos;
    for (const int caixas : {0, 3}) {  // no output box, both boxes
      const bool saidaId = caixas & 1, saidaCoord = caixas & 2;
      SCOPED_TRACE(nome + " " + tokens + " boxes " + std::to_string(caixas));
      const OpcoesLote opcoes = OpcoesLote::De(TListaFormato::DeTexto(tokens), saidaId, saidaCoord);
      ObservadorLote observador;
      const ResultadoLote esperado =
          ExecutarLote(arquivo.path().string(), pasta_ / "runner.txt", opcoes, modelo, observador);
      ASSERT_EQ(esperado.fim, FimLote::FimDoArquivo);
      EXPECT_GT(esperado.resultados, 0);
      EXPECT_GT(esperado.rejeicoes, 0);

      std::vector<std::string> args = {"--formato", tokens, "--grade", grade};
      if (saidaId) args.push_back("--saida-id");
      if (saidaCoord) args.push_back("--saida-coord");
      args.push_back(arquivo.path().string());
      args.push_back(pasta_ / "cli.txt");
      const Execucao r = Rodar(pasta_, args, "");
      EXPECT_EQ(r.status, 0) << r.erros;
      EXPECT_EQ(LerArquivoTodo(pasta_ / "cli.txt"), LerArquivoTodo(pasta_ / "runner.txt"));
    }
  }
  EXPECT_EQ(exemplos, 12);
}

}  // namespace
}  // namespace nivora
