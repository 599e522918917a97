// nivora2015-cli against bad input and a failing disk. Each case runs the real
// binary on a real file; the expected bytes and status come from the serial
// run of the core on the same bytes, so the tool's parallel reader and writer
// are checked against it, and every case also states what must hold on its own.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "apoio/arquivos.hpp"
#include "apoio/grade.hpp"
#include "apoio/processo.hpp"
#include "batch/lote.hpp"
#include "geoid/consulta.hpp"

namespace nivora {
namespace {

using teste::Execucao;
using teste::GravarArquivo;
using teste::LerArquivoTodo;
using teste::PastaTemporaria;
using namespace std::string_literals;

constexpr int kSucesso = 0;
constexpr int kErroFormato = 1;
constexpr int kErroArquivo = 3;
constexpr std::size_t kDezMegas = 10u << 20;

/// The tool run on `entrada`; its output goes to `saida` when given (and is not read).
Execucao Rodar(const PastaTemporaria& pasta, const std::vector<std::string>& args,
               const std::string& entrada, const std::string& saida = "") {
  return teste::RodarAteOFim(NIVORA_CLI, pasta, args, entrada, saida);
}

/// What the core's serial run makes of `entrada` (identification box ticked):
/// output bytes and the status the tool gives for that end.
Execucao Referencia(const std::string& formato, const std::string& grade,
                    const std::string& entrada) {
  const int fdEntrada = memfd_create("entrada", MFD_CLOEXEC);
  const int fdSaida = memfd_create("saida", MFD_CLOEXEC);
  teste::EscreverTudo(fdEntrada, entrada);
  ::lseek(fdEntrada, 0, SEEK_SET);
  const TRetratoGrade retrato = TRetratoGrade::DoArquivo(grade);
  ObservadorLote observador;
  Execucao r;
  {
    LeitorLinhas leitor(fdEntrada, "entrada");
    EscritorSaida escritor(fdSaida, "saida", false);
    const ResultadoLote fim = ProcessarLote(
        leitor, escritor, OpcoesLote::De(TListaFormato::DeTexto(formato), true, false), retrato,
        observador);
    escritor.Fechar();
    r.status = fim.fim == FimLote::ErroFormato ? kErroFormato : kSucesso;
  }
  const off_t tamanho = ::lseek(fdSaida, 0, SEEK_END);
  r.saida.resize(static_cast<std::size_t>(tamanho));
  if (tamanho > 0) ::pread(fdSaida, r.saida.data(), r.saida.size(), 0);
  ::close(fdEntrada);
  ::close(fdSaida);
  return r;
}

std::string Repetir(const std::string& linha, int vezes) {
  std::string texto;
  for (int i = 0; i < vezes; ++i) texto += linha;
  return texto;
}

std::string Lixo(std::size_t tamanho, unsigned semente) {
  std::mt19937 sorteio(semente);
  std::string bytes(tamanho, '\0');
  for (char& c : bytes) c = static_cast<char>(sorteio() & 0xFF);
  return bytes;
}

class CliFalhas : public ::testing::Test {
 protected:
  PastaTemporaria pasta_;
  const std::string grade_ = teste::GravarGradePadrao(pasta_);
};

TEST_F(CliFalhas, BadInputNeverCrashesAndMatchesTheSerialRun) {
  const std::string ponto = "-23.5 -46.625\n";
  const std::string idLongo(kDezMegas, 'P');
  struct Caso {
    std::string nome;
    std::string formato;
    std::string entrada;
    int status;  // what the case itself demands
    std::function<void(const Execucao&)> extra;
  };
  const std::vector<Caso> casos = {
      {"10 MB identification, kept to 8 characters", "0,ID", "-23.5 -46.625 " + idLongo + "\n",
       kSucesso,
       [](const Execucao& r) { EXPECT_EQ(r.saida.find(std::string(9, 'P')), std::string::npos); }},
      {"10 MB of letters", "0", std::string(kDezMegas, 'x') + "\n" + ponto, kErroFormato,
       [](const Execucao& r) { EXPECT_NE(r.erros.find("Linha 1 "), std::string::npos); }},
      {"10 MB of blanks before a record", "0", std::string(kDezMegas, ' ') + ponto, kSucesso,
       nullptr},
      {"10 MB of digits as latitude", "0", "-2" + std::string(kDezMegas, '3') + " -46.625\n",
       kErroFormato, nullptr},
      {"10 MB of fraction digits", "0", "-23." + std::string(kDezMegas, '5') + " -46.625\n",
       kSucesso, nullptr},
      {"binary garbage", "0", Lixo(1 << 20, 7), kErroFormato, nullptr},
      {"binary garbage after good lines", "ID,2",
       Repetir("A -23 30 00 -46 37 30\r\n", 3) + Lixo(4096, 8), kErroFormato,
       [](const Execucao& r) {
         EXPECT_NE(r.erros.find("Linha 4 "), std::string::npos);
         EXPECT_EQ(std::count(r.saida.begin(), r.saida.end(), '\n'), 3);
       }},
      {"NUL inside a coordinate", "0", "-23.5\0 -46.625\n"s, kErroFormato, nullptr},
      {"NUL inside the identification, written as it came", "ID,0", "P\0Q -23.5 -46.625\n"s,
       kSucesso, [](const Execucao& r) { EXPECT_EQ(r.saida.substr(0, 3), "P\0Q"s); }},
      {"a line of one NUL", "0", "\0\n"s + ponto, kErroFormato, nullptr},
      {"no final line break", "0", ponto + "-22.5 -45.5", kSucesso,
       [](const Execucao& r) { EXPECT_EQ(std::count(r.saida.begin(), r.saida.end(), '\n'), 2); }},
      {"only LF", "0", "\n\n\n", kErroFormato,
       [](const Execucao& r) { EXPECT_NE(r.erros.find("Linha 1 "), std::string::npos); }},
      {"only CR LF", "0", "\r\n\r\n", kErroFormato, nullptr},
      {"only CR", "0", "\r\r\r", kErroFormato, nullptr},
      {"Ctrl+Z ends the input before garbage", "0", ponto + "\x1A" + Lixo(1000, 9), kSucesso,
       nullptr},
      {"100 000 rejected points", "0", Repetir("10 -50\n", 100000), kSucesso,
       [](const Execucao& r) {
         EXPECT_EQ(std::count(r.saida.begin(), r.saida.end(), '\n'), 100000);
       }},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    const Execucao r =
        Rodar(pasta_, {"-q", "--saida-id", "-f", c.formato, "--grade", grade_}, c.entrada);
    const Execucao esperado = Referencia(c.formato, grade_, c.entrada);
    EXPECT_EQ(r.status, c.status) << r.erros;
    EXPECT_EQ(esperado.status, c.status);
    EXPECT_TRUE(r.saida == esperado.saida) << r.saida.size() << " / " << esperado.saida.size();
    // Whole lines only: nothing half written.
    EXPECT_TRUE(r.saida.empty() || r.saida.substr(r.saida.size() - 2) == "\r\n");
    if (c.status != kSucesso) {
      EXPECT_FALSE(r.erros.empty());
    }
    if (c.extra) c.extra(r);
  }
}

TEST_F(CliFalhas, FullDiskIsAnErrorNeverASuccess) {
  const std::string ponto = "-23.5 -46.625\n";
  struct Caso {
    std::string nome;
    std::vector<std::string> args;
    std::string entrada;
    int status;
  };
  const std::vector<Caso> casos = {
      {"one line to standard output", {}, ponto, kErroArquivo},
      {"many blocks to standard output", {}, Repetir(ponto, 200000), kErroArquivo},
      {"one line to a named /dev/full", {"-", "/dev/full"}, ponto, kErroArquivo},
      {"format error after a line", {}, ponto + "x\n", kErroArquivo},
      {"the help text", {"--help"}, "", kErroArquivo},
      {"nothing to write is no failure", {}, "", kSucesso},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    std::vector<std::string> args = {"-q", "--grade", grade_};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Execucao r = Rodar(pasta_, args, c.entrada, "/dev/full");
    EXPECT_EQ(r.status, c.status) << r.erros;
    if (c.status != kSucesso) {
      EXPECT_NE(r.erros.find("No space left on device"), std::string::npos) << r.erros;
    }
  }
}

TEST_F(CliFalhas, FilesThatAreNoFilesAreRefusedBeforeWriting) {
  GravarArquivo(pasta_ / "pontos.txt", "-23.5 -46.625\n");
  ASSERT_EQ(::mkdir((pasta_ / "pasta").c_str(), 0755), 0);
  struct Caso {
    std::string nome;
    std::string entrada;
    std::string saida;
    std::string motivo;
  };
  const std::vector<Caso> casos = {
      {"input is a folder", pasta_ / "pasta", pasta_ / "s.txt", "Is a directory"},
      {"output is a folder", pasta_ / "pontos.txt", pasta_ / "pasta", "Is a directory"},
      {"output below a file", pasta_ / "pontos.txt", pasta_ / "pontos.txt/s.txt",
       "Not a directory"},
      {"output in a missing folder", pasta_ / "pontos.txt", pasta_ / "falta/s.txt",
       "No such file or directory"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    const Execucao r = Rodar(pasta_, {"-q", "--grade", grade_, c.entrada, c.saida}, "");
    EXPECT_EQ(r.status, kErroArquivo);
    EXPECT_NE(r.erros.find("Arquivo Inv\xC3\xA1lido."), std::string::npos) << r.erros;
    EXPECT_NE(r.erros.find(c.motivo), std::string::npos) << r.erros;
  }
  // The input was only read.
  EXPECT_EQ(LerArquivoTodo(pasta_ / "pontos.txt"), "-23.5 -46.625\n");
}

}  // namespace
}  // namespace nivora
