// nivora2015-cli as a filter: each case runs the binary with its arguments and
// standard input, and checks the output bytes, the exit status and stderr.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "apoio/arquivos.hpp"
#include "apoio/grade.hpp"
#include "apoio/processo.hpp"
#include "batch/lote.hpp"
#include "cli/argumentos.hpp"
#include "geoid/consulta.hpp"

namespace nivora {
namespace {

using teste::Execucao;
using teste::GravarArquivo;
using teste::LerArquivoTodo;
using teste::PastaTemporaria;

/// Runs the tool with `args`, `entrada` as standard input, in the folder `pasta`.
Execucao Rodar(const PastaTemporaria& pasta, const std::vector<std::string>& args,
               const std::string& entrada) {
  return teste::RodarAteOFim(NIVORA_CLI, pasta, args, entrada);
}

/// Every grid node of the fixture carries this N: accepted points give -5.12.
constexpr long double kNConstante = -5.123L;
const std::string kN = "       -5.12\r\n";

class Cli : public ::testing::Test {
 protected:
  PastaTemporaria pasta_;
  const std::string grade_ = teste::GravarGradePadrao(pasta_, &kNConstante);
  /// Replaces the markers @GRADE@ and @PASTA@ (anywhere) in the arguments.
  std::vector<std::string> Args(std::vector<std::string> args) const {
    for (std::string& a : args) {
      if (a == "@GRADE@") a = grade_;
      if (a == "@GRADERUIM@") {
        // A header line: every query fails with the conversion error.
        a = pasta_ / "ruim.txt";
        GravarArquivo(a, "LON LAT N\r\n" + LerArquivoTodo(grade_));
      }
      if (a == "--grade=@GRADE@") a = "--grade=" + grade_;
      for (size_t p; (p = a.find("@PASTA@")) != std::string::npos;)
        a.replace(p, 7, pasta_.Caminho());
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
      {"missing grid with an accented name: the name as typed",
       {"--grade", "@PASTA@/jo\xC3\xA3o/grade.txt"},
       "-23.5 -46.625\n",
       "",
       4,
       "@PASTA@/jo\xC3\xA3o/grade.txt\". No such file"},
      {"grid with a bad line: the grid file and its line are named",
       {"--grade", "@GRADERUIM@"},
       "10 -50\n-23.5 -46.625\n",
       fora,
       4,
       "is not a valid floating point value (arquivo da grade @PASTA@/ruim.txt, linha 1; linha 2 "
       "da entrada)"},
      {"point outside the grid's nodes",
       {"--grade", "@GRADE@"},
       "-23.5 -46.625\n-10 -50\n",
       kN,
       4,
       "(linha 2 da entrada)"},
      // Heights: N = -5.123 everywhere, so H = h + 5.123 and h = H - 5.123.
      {"ellipsoidal height gives the orthometric",
       {"-f", "0,H", "--altura", "elipsoidal", "--grade", "@GRADE@"},
       "-23.5 -46.625 760.412\n",
       "       -5.12       765.535\r\n",
       0,
       ""},
      {"orthometric height, ID first, both boxes",
       {"-f", "ID,0,H", "--altura", "ortometrica", "--saida-id", "--saida-coord", "--grade",
        "@GRADE@"},
       "P1 -23.5 -46.625 765.535\n",
       "P1            -23.5000      -46.6250       765.535         -5.12       760.412\r\n",
       0,
       ""},
      {"height then an ID with blanks",
       {"-f", "1,H,ID", "--altura", "elipsoidal", "--saida-id", "--grade", "@GRADE@"},
       "-46.625 -23.5 12.3456 Ponto A\n",
       "Ponto A          -5.12        17.469\r\n",
       0,
       ""},
      {"GMS with heights, the given one beside the coordinates",
       {"-f", "3,H", "--altura", "elipsoidal", "--saida-coord", "--grade", "@GRADE@"},
       "-46 37 30 -23 30 00 -2.5\n",
       "-46 37 30.0000  -23 30 00.0000        -2.500         -5.12         2.623\r\n",
       0,
       ""},
      {"a height that gives zero has no sign",
       {"-f", "2,H,ID", "--altura", "elipsoidal", "--grade", "@GRADE@"},
       "-23 30 00 -46 37 30 -5.123 X\n",
       "       -5.12         0.000\r\n",
       0,
       ""},
      {"outside the model: the usual rejection line",
       {"-f", "0,H", "--altura", "elipsoidal", "--grade", "@GRADE@"},
       "10 -50 100\n",
       fora,
       0,
       ""},
      {"a record without its height stops the run",
       {"-f", "0,H", "--altura", "ortometrica", "--grade", "@GRADE@"},
       "-23.5 -46.625 1\n-23.5 -46.625\n",
       "       -5.12        -4.123\r\n",
       1,
       "Linha 2"},
      {"a height that is no number stops the run",
       {"-f", "ID,0,H", "--altura", "elipsoidal", "--grade", "@GRADE@"},
       "P -23.5 -46.625 1O0\n",
       "",
       1,
       "Linha 1"},
      {"H without --altura", {"-f", "0,H"}, "", "", 2, "--altura elipsoidal"},
      {"--altura without H", {"--altura", "elipsoidal"}, "", "", 2, "coluna H"},
      {"unknown kind of height", {"-f", "0,H", "--altura", "geoidal"}, "", "", 2, "geoidal"},
      {"H not right after the code", {"-f", "H,0", "--altura", "elipsoidal"}, "", "", 2, "H vem"},
      {"ID between the code and H", {"-f", "0,ID,H"}, "", "", 2, "Uso: nivora2015-cli"},
      // UTF-8 in and out, characters outside Windows-1252 as "?".
      {"UTF-8 identification and reason",
       {"--utf8", "-f", "0,ID", "--saida-id", "--grade", "@GRADE@"},
       "-23.5 -46.625 A\xC3\xA7"
       "a\xC3\xAD\xCE\xA9\n10 -50 Z\n",
       "A\xC3\xA7"
       "a\xC3\xAD?     " +
           kN +
           "Z              10.0000      -50.0000|Entrada Inv\xC3\xA1lida : LATITUDE ACIMA  do "
           "limite do grid\r\n",
       0,
       ""},
      {"without --utf8 the bytes pass as they are",
       {"-f", "0,ID", "--saida-id", "--grade", "@GRADE@"},
       "-23.5 -46.625 A\xC3\xA7"
       "a\xC3\xAD\n",
       "A\xC3\xA7"
       "a\xC3\xAD    " +
           kN,
       0,
       ""},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nome);
    const Execucao r = Rodar(pasta_, Args(caso.args), caso.entrada);
    EXPECT_EQ(r.status, caso.status);
    EXPECT_EQ(r.saida, caso.saida);
    if (caso.erroContem.empty()) {
      EXPECT_EQ(r.erros, "");
    } else {
      const std::string erro = Args({caso.erroContem}).front();
      EXPECT_NE(r.erros.find(erro), std::string::npos) << r.erros;
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
  for (const std::string layout : {"ID,0", "0,ID", "ID,1", "1,ID", "ID,2", "2,ID", "ID,3", "3,ID",
                                   "0,H", "ID,0,H", "0,H,ID"}) {
    EXPECT_NE(r.saida.find("  " + layout + " "), std::string::npos) << layout;
  }
  for (const std::string opcao :
       {"--formato", "--altura", "--saida-id", "--saida-coord", "--grade", "--utf8", "--quiet"}) {
    EXPECT_NE(r.saida.find(opcao), std::string::npos) << opcao;
  }
}

/// The lines of `texto` (no line ends).
std::vector<std::string> Linhas(const std::string& texto) {
  std::vector<std::string> linhas;
  std::istringstream leitor(texto);
  for (std::string linha; std::getline(leitor, linha);) {
    if (!linha.empty() && linha.back() == '\r') linha.pop_back();
    linhas.push_back(linha);
  }
  return linhas;
}

// Every example the help shows runs as written: the whole commands (one row each, in
// order) in a copy of the shipped folders with the tool on PATH, and the record of every
// layout under its tokens; and no help line but the usage is wider than 79 characters.
TEST_F(Cli, EveryExampleOfTheHelpRunsAsWritten) {
  struct Exemplo {
    std::string comando;   // as the help shows it, a continuation line after "\n"
    std::string arquivo;   // where the lines go; empty: standard output
    std::string primeira;  // the first of its 12 lines
  };
  const std::vector<Exemplo> tabela = {
      {"nivora2015-cli -f ID,0 --saida-coord entradas/pontos.txt pontos_saida.txt",
       "pontos_saida.txt", "    -15.7939      -47.8828        -12.66"},
      {"nivora2015-cli -f ID,0 --saida-id < entradas/pontos.txt > saida.txt", "saida.txt",
       "BSB             -12.66"},
      {"nivora2015-cli -f 3,ID --saida-coord exemplos/lonlat_gms_id_depois.txt", "",
       "-47 52 58.0800  -15 47 38.0400        -12.66"},
      {"nivora2015-cli -f ID,0,H --altura elipsoidal --saida-id exemplos/gnss.txt", "",
       "BSB             -12.66      1172.344"},
      {"iconv -f WINDOWS-1252 -t UTF-8 exemplos/latlon_dec_id_depois.txt |\n"
       "  nivora2015-cli --utf8 -f 0,ID --saida-id > saida_utf8.txt",
       "saida_utf8.txt", "Bras\xC3\xADlia        -12.66"},
  };
  const std::regex layout("  (\\S+) {2,}\\S.*?\\S {2,}(\\S.*)");
  std::vector<std::string> comandos;
  int layouts = 0;
  bool exemplos = false;
  for (const std::string& linha : Linhas(Rodar(pasta_, {"--help"}, "").saida)) {
    SCOPED_TRACE(linha);
    if (linha.rfind("Uso:", 0) != 0) {
      EXPECT_LE(
          std::count_if(linha.begin(), linha.end(), [](char c) { return (c & 0xC0) != 0x80; }), 79);
    }
    exemplos = (exemplos || linha == "Exemplos:") && !linha.empty();
    std::smatch partes;
    if (exemplos && linha.rfind("  ", 0) == 0) {
      if (!comandos.empty() && comandos.back().back() == '|') {
        comandos.back() += "\n" + linha.substr(2);
      } else {
        comandos.push_back(linha.substr(2));
      }
    } else if (std::regex_match(linha, partes, layout)) {
      std::vector<std::string> args = {"-f", partes[1], "--saida-id"};
      if (partes[1].str().find('H') != std::string::npos)
        args.insert(args.end(), {"--altura", "elipsoidal"});
      const Execucao r = Rodar(pasta_, args, partes[2].str() + "\n");
      EXPECT_EQ(r.status, 0) << r.erros;
      EXPECT_EQ(Linhas(r.saida).size(), 1u);
      EXPECT_EQ(r.saida.find("Entrada Inv"), std::string::npos) << r.saida;
      ++layouts;
    }
  }
  EXPECT_EQ(layouts, 16);
  ASSERT_EQ(comandos.size(), tabela.size());
  const std::string bin = std::filesystem::path(NIVORA_CLI).parent_path();
  for (size_t i = 0; i < tabela.size(); ++i) {
    SCOPED_TRACE(comandos[i]);
    EXPECT_EQ(comandos[i], tabela[i].comando);
    PastaTemporaria aqui;
    for (const char* pasta : {"entradas", "exemplos"})
      std::filesystem::copy(std::string(NIVORA_SOURCE_DIR) + "/dist/" + pasta, aqui / pasta);
    const Execucao r = teste::RodarAteOFim(
        "/bin/sh", pasta_,
        {"-c", "cd '" + aqui.Caminho() + "' && PATH='" + bin + "':$PATH && " + comandos[i]}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.erros, "");
    const auto saida =
        Linhas(tabela[i].arquivo.empty() ? r.saida : LerArquivoTodo(aqui / tabela[i].arquivo));
    ASSERT_EQ(saida.size(), 12u);
    EXPECT_EQ(saida.front(), tabela[i].primeira);
  }
}

// The completion offers exactly the token lists --formato takes (in upper case).
TEST_F(Cli, CompletionOffersEveryTokenList) {
  GravarArquivo(pasta_ / "completar.bash", cli::TextoCompletacao());
  const Execucao r = teste::RodarAteOFim(
      "/bin/bash", pasta_,
      {"-c",
       "source \"$1\"; COMP_WORDS=(nivora2015-cli -f ''); COMP_CWORD=2; _nivora2015_cli; "
       "printf '%s\\n' \"${COMPREPLY[@]}\"",
       "bash", pasta_ / "completar.bash"},
      "");
  std::vector<std::string> oferecidas = Linhas(r.saida), aceitas, listas = {""};
  for (int tamanho = 1; tamanho <= 3; ++tamanho) {
    std::vector<std::string> maiores;
    for (const std::string& lista : listas) {
      for (const char* token : {"0", "1", "2", "3", "ID", "H"}) {
        maiores.push_back(lista + (tamanho > 1 ? "," : "") + token);
        try {
          TListaFormato::DeTexto(maiores.back());
          aceitas.push_back(maiores.back());
        } catch (const EFormatoInvalido&) {
        }
      }
    }
    listas = maiores;
  }
  std::sort(oferecidas.begin(), oferecidas.end());
  std::sort(aceitas.begin(), aceitas.end());
  EXPECT_EQ(aceitas.size(), 24u);
  EXPECT_EQ(oferecidas, aceitas);
}

// Random points on the shipped grid: h to H (ellipsoidal) and H back to h
// (orthometric) gives h again to the millimetre, and h - H is the N shown.
TEST_F(Cli, HeightsGoBothWaysToTheMillimetre) {
  const std::string grade = std::string(NIVORA_SOURCE_DIR) + "/dist/grid/NIVORA2015_SIRGAS2000.txt";
  std::mt19937 sorteio(2015);
  std::uniform_int_distribution<long> lat(-34500000, 5500000), lon(-74500000, -34500000);
  std::uniform_int_distribution<long> mm(-200000, 3000000);
  std::string pontos;
  std::vector<long> alturas;
  for (int i = 0; i < 2000; ++i) {
    alturas.push_back(mm(sorteio));
    pontos += std::to_string(lat(sorteio) / 1e6) + " " + std::to_string(lon(sorteio) / 1e6) + " " +
              teste::Milimetros(alturas.back()) + "\n";
  }
  const auto colunas = [](const std::string& saida) {
    std::vector<std::vector<double>> linhas;
    std::istringstream texto(saida);
    for (std::string linha; std::getline(texto, linha);) {
      std::istringstream campos(linha);
      std::vector<double> valores;
      for (double v; campos >> v;) valores.push_back(v);
      linhas.push_back(valores);
    }
    return linhas;
  };
  const Execucao ida =
      Rodar(pasta_, {"-f", "0,H", "--altura", "elipsoidal", "--grade", grade}, pontos);
  ASSERT_EQ(ida.status, 0) << ida.erros;
  const auto porH = colunas(ida.saida);  // N (2 decimals), H
  ASSERT_EQ(porH.size(), alturas.size());
  std::string volta;
  std::istringstream entrada(pontos);
  for (const auto& linha : porH) {
    std::string lat, lon, h;
    entrada >> lat >> lon >> h;
    char texto[32];
    std::snprintf(texto, sizeof texto, "%.3f", linha.at(1));
    volta += lat + " " + lon + " " + texto + "\n";
  }
  const Execucao retorno =
      Rodar(pasta_, {"-f", "0,H", "--altura", "ortometrica", "--grade", grade}, volta);
  ASSERT_EQ(retorno.status, 0) << retorno.erros;
  const auto porh = colunas(retorno.saida);
  for (size_t i = 0; i < alturas.size(); ++i) {
    const double h = alturas[i] / 1000.0;
    EXPECT_EQ(std::lround(porh[i].at(1) * 1000), alturas[i]) << i;     // back to h
    EXPECT_NEAR(h - porH[i].at(1), porH[i].at(0), 0.005 + 1e-9) << i;  // h - H is N
  }
}

// A person reading a terminal sees UTF-8 even without --utf8, and no progress line
// runs into the lines (script(1) gives the tool a terminal as stdout and stderr).
TEST_F(Cli, ATerminalShowsUtf8AndNoProgressBesideTheLines) {
  const int pty = ::posix_openpt(O_RDWR | O_NOCTTY);
  const bool escravo = pty >= 0 && ::grantpt(pty) == 0 && ::unlockpt(pty) == 0 &&
                       std::filesystem::exists(::ptsname(pty));  // /dev/pts mounted
  const int erro = errno;
  if (pty >= 0) ::close(pty);
  if (!escravo) GTEST_SKIP() << "no pseudo-terminal can be made here: " << std::strerror(erro);
  GravarArquivo(pasta_ / "fora.txt", "10 -50\n-23.5 -46.625\n");
  const std::string comando =
      std::string(NIVORA_CLI) + " --grade " + grade_ + " " + (pasta_ / "fora.txt");
  const Execucao r =
      teste::RodarAteOFim("/usr/bin/script", pasta_, {"-qec", comando, "/dev/null"}, "");
  EXPECT_EQ(r.status, 0) << r.erros;
  EXPECT_EQ(r.saida.rfind("     10.0000      -50.0000|Entrada Inv\xC3\xA1lida : LATITUDE ACIMA", 0),
            0u)
      << r.saida;
  EXPECT_EQ(r.saida.find("linhas"), std::string::npos) << r.saida;
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
  if (nome == "gnss.txt") return "ID,0,H";  // with ellipsoidal heights
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
      OpcoesLote opcoes = OpcoesLote::De(TListaFormato::DeTexto(tokens), saidaId, saidaCoord);
      if (opcoes.formato.TemAltura()) opcoes.altura = TipoAltura::Elipsoidal;
      ObservadorLote observador;
      const ResultadoLote esperado =
          ExecutarLote(arquivo.path().string(), pasta_ / "runner.txt", opcoes, modelo, observador);
      ASSERT_EQ(esperado.fim, FimLote::FimDoArquivo);
      EXPECT_GT(esperado.resultados, 0);
      EXPECT_GT(esperado.rejeicoes, 0);

      std::vector<std::string> args = {"--formato", tokens, "--grade", grade};
      if (opcoes.formato.TemAltura()) args.insert(args.end(), {"--altura", "elipsoidal"});
      if (saidaId) args.push_back("--saida-id");
      if (saidaCoord) args.push_back("--saida-coord");
      args.push_back(arquivo.path().string());
      args.push_back(pasta_ / "cli.txt");
      const Execucao r = Rodar(pasta_, args, "");
      EXPECT_EQ(r.status, 0) << r.erros;
      EXPECT_EQ(LerArquivoTodo(pasta_ / "cli.txt"), LerArquivoTodo(pasta_ / "runner.txt"));
    }
  }
  EXPECT_EQ(exemplos, 13);
}

}  // namespace
}  // namespace nivora
