// nivora2015-cli: the batch run as a Unix filter. Reads records of points,
// writes the result and rejection lines, byte for byte as the window's run does.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "batch/formato.hpp"
#include "batch/lote.hpp"
#include "batch/paralelo.hpp"
#include "cli/argumentos.hpp"
#include "cli/subcomandos.hpp"
#include "geoid/consulta.hpp"
#include "text/cp1252.hpp"
#include "text/descritor.hpp"
#include "text/erros.hpp"
#include "text/textos.hpp"

namespace {

using namespace nivora;

constexpr const char* kPrograma = "nivora2015-cli";
/// The GIS subcommands' module, beside the program.
constexpr const char* kModuloGis = "nivora2015-gis.so";
constexpr const char* kNomeEntradaPadrao = "(entrada padr\xE3o)";
constexpr const char* kNomeSaidaPadrao =
    "(sa\xED"
    "da padr\xE3o)";
/// More workers than this gains nothing: the reader and the writer need a share too.
constexpr unsigned kMaxTrabalhadores = 8;
constexpr auto kIntervaloProgresso = std::chrono::milliseconds(200);

enum Saida : int {
  kSucesso = 0,
  kErroFormato = 1,
  kErroUso = 2,
  kErroArquivo = 3,
  kErroConsulta = 4,
};

/// Writes all of `texto` to a descriptor; false (errno set) when it could not.
bool EscreverFd(int fd, std::string_view texto) {
  while (!texto.empty()) {
    const ssize_t n = ::write(fd, texto.data(), texto.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    texto.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

/// A diagnostic on stderr: the program's Windows-1252 words in UTF-8 (a file name
/// they quote kept as the system gave it), then
/// `extra` (file names and system reasons) as they are.
void Erro(std::string_view cp1252, std::string_view extra = {}) {
  std::string texto = std::string(kPrograma) + ": " + MensagemParaUtf8(cp1252);
  if (!extra.empty()) texto.append(" ").append(extra);
  texto += '\n';
  EscreverFd(STDERR_FILENO, texto);
}

/// Folder of the running executable, ending with "/".
std::string PastaExecutavel() {
  std::vector<char> caminho(PATH_MAX + 1);
  const ssize_t n = ::readlink("/proc/self/exe", caminho.data(), caminho.size() - 1);
  if (n <= 0) return "./";
  std::string texto(caminho.data(), static_cast<size_t>(n));
  return texto.substr(0, texto.rfind('/') + 1);
}

/// Progress on a terminal: lines done, the total when known, elapsed time and
/// points per second, redrawn in place at most every kIntervaloProgresso.
class Progresso {
 public:
  Progresso(bool ativo, std::int64_t total) : ativo_(ativo), total_(total) {}

  void Atualizar(std::int64_t feitas, bool final = false) {
    if (!ativo_) return;
    const auto agora = std::chrono::steady_clock::now();
    if (!final && agora - ultimo_ < kIntervaloProgresso) return;
    ultimo_ = agora;
    const auto decorrido = agora - inicio_;
    const double segundos = std::chrono::duration<double>(decorrido).count();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(decorrido).count();
    std::string linha = "\r";
    linha.append(std::to_string(feitas));
    if (total_ >= 0) linha.append(" de ").append(std::to_string(total_));
    linha.append(" linhas  ").append(FormatarTempoDecorrido(ms));
    if (segundos > 0) {
      linha.append("  ").append(std::to_string(static_cast<std::int64_t>(feitas / segundos)));
      linha.append(" pontos/s");
    }
    linha += "   ";
    if (final) linha += "\n";
    EscreverFd(STDERR_FILENO, Cp1252ParaUtf8(linha));
  }

  void Terminar(std::int64_t feitas) {
    if (ativo_) Atualizar(feitas, true);
  }

 private:
  bool ativo_;
  std::int64_t total_;
  std::chrono::steady_clock::time_point inicio_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point ultimo_{};
};

int Executar(const std::vector<std::string>& lista) {
  cli::Argumentos args;
  OpcoesLote opcoes;
  try {
    args = cli::LerArgumentos(lista);
    if (args.ajuda) {
      // The help is the output asked for: a failure to write it is no success.
      if (!EscreverFd(STDOUT_FILENO, Cp1252ParaUtf8(cli::TextoAjuda()))) {
        const int erro = errno;
        Erro(FalhaDeArquivo("gravar", kNomeSaidaPadrao, erro).what());
        return kErroArquivo;
      }
      return kSucesso;
    }
    opcoes = OpcoesLote::De(TListaFormato::DeTexto(args.formato), args.saidaId, args.saidaCoord);
    opcoes.altura = args.altura;
    opcoes.Validar();
  } catch (const ErroNivora& e) {
    Erro(e.what());
    EscreverFd(STDERR_FILENO, Cp1252ParaUtf8(cli::TextoUso()));
    EscreverFd(STDERR_FILENO, "Use --help para a ajuda completa.\n");
    return kErroUso;
  }

  // Input, then output: the output is refused when it is the input file itself.
  const bool entradaPadrao = args.entrada == cli::kPadrao;
  const bool saidaPadrao = args.saida == cli::kPadrao;
  if (!entradaPadrao) {
    struct stat st {};
    if (::stat(args.entrada.c_str(), &st) != 0 && errno == ENOENT) {
      Erro(kMsgEntradaInvalida, args.entrada + ": " + RazaoDoSistema(ENOENT));
      return kErroArquivo;
    }
  }
  // A named input is closed on every way out; standard input is left open.
  const GuardaDescritor entradaAberta(entradaPadrao ? -1 : AbrirEntrada(args.entrada));
  const int fdEntrada = entradaPadrao ? STDIN_FILENO : entradaAberta.Get();

  int fdSaida = STDOUT_FILENO;
  if (saidaPadrao) {
    if (MesmoArquivo(fdEntrada, STDOUT_FILENO)) throw EMesmoArquivo();
  } else {
    fdSaida = CriarSaida(args.saida, fdEntrada);
  }
  const std::string nomeEntrada = entradaPadrao ? kNomeEntradaPadrao : Utf8ParaCp1252(args.entrada);
  const std::string nomeSaida = saidaPadrao ? kNomeSaidaPadrao : Utf8ParaCp1252(args.saida);
  EscritorSaida escritor(fdSaida, nomeSaida, !saidaPadrao);
  // Files and pipes get Windows-1252 unless UTF-8 was asked for; a person reading a
  // terminal always gets UTF-8 (nothing is stored there).
  const bool resultadoNoTerminal = saidaPadrao && ::isatty(STDOUT_FILENO) == 1;
  escritor.DefinirUtf8(args.utf8 || resultadoNoTerminal);

  // Progress only for a person watching a terminal, and only when the results go
  // elsewhere: on the terminal itself they are the progress, and a redrawn progress
  // line would run into them.
  const bool mostrar = !args.silencioso && !resultadoNoTerminal && ::isatty(STDERR_FILENO) == 1;
  Progresso progresso(mostrar, mostrar ? ContarLinhasDoInicio(fdEntrada, nomeEntrada) : -1);

  LeitorLinhas leitor(fdEntrada, nomeEntrada);
  leitor.DefinirUtf8(args.utf8);
  // The run's grid, read once now and shared by its workers: every line comes from
  // this one version of the file, whatever happens to the file during the run.
  const TRetratoGrade grade = TRetratoGrade::DoArquivo(
      args.grade.empty() ? TModeloGeoide::CaminhoGrade(PastaExecutavel()) : args.grade);
  ConfigParalelo config;
  config.trabalhadores =
      static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, kMaxTrabalhadores));
  config.progresso = [&](std::int64_t feitas) { progresso.Atualizar(feitas); };

  const ResultadoLote resultado = ExecutarEFechar(
      escritor, [&] { return ExecutarParalelo(leitor, escritor, opcoes, grade, config); });
  progresso.Terminar(resultado.LinhasEscritas());

  switch (resultado.fim) {
    case FimLote::FimDoArquivo:
    case FimLote::Cancelado:  // the tool has no cancel: never the end of its runs
      return kSucesso;
    case FimLote::ErroFormato:
      Erro(kMsgErroFormatacao, "Linha " + std::to_string(resultado.linhaErro) + " de " +
                                   (entradaPadrao ? Cp1252ParaUtf8(nomeEntrada) : args.entrada) +
                                   ".");
      return kErroFormato;
    case FimLote::ErroConsulta: {
      // A damaged grid is named with its line; the record is the input's line.
      std::string onde = "(linha " + std::to_string(resultado.linhaErro) + " da entrada)";
      if (!resultado.arquivoGrade.empty()) {
        onde = "(arquivo da grade " + resultado.arquivoGrade + ", linha " +
               std::to_string(resultado.linhaGrade) + "; " + onde.substr(1);
      }
      Erro(resultado.mensagem, onde);
      return kErroConsulta;
    }
  }
  return kSucesso;
}

/// Loads the GIS module beside the program and runs the subcommand in it.
int ExecutarModuloGis(int argc, const char* const* argv) {
  const std::string caminho = PastaExecutavel() + kModuloGis;
  void* modulo = ::dlopen(caminho.c_str(), RTLD_NOW | RTLD_LOCAL);
  using Entrada = int (*)(int, const char* const*);
  Entrada executar = nullptr;
  if (modulo != nullptr)
    executar = reinterpret_cast<Entrada>(::dlsym(modulo, "nivora2015_executar_subcomando"));
  if (executar == nullptr) {
    const char* motivo = ::dlerror();
    Erro(
        "n\xE3o foi poss\xEDvel carregar o m\xF3"
        "dulo das camadas",
        caminho + ": " + (motivo != nullptr ? motivo : "entrada ausente"));
    return kErroArquivo;
  }
  return executar(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> lista(argv + 1, argv + argc);
  // camada and exportar-grade: the GIS subcommands, in their module.
  if (!lista.empty() && cli::QualSubcomando(lista[0]) != cli::Subcomando::Nenhum)
    return ExecutarModuloGis(argc - 1, argv + 1);
  try {
    return Executar(lista);
  } catch (const EArquivoInvalido& e) {
    Erro(e.what(), e.Motivo());
    return kErroArquivo;
  } catch (const EMesmoArquivo& e) {
    Erro(e.what());
    return kErroArquivo;
  } catch (const EEntradaSaida& e) {
    Erro(e.what());
    return kErroArquivo;
  } catch (const ErroNivora& e) {
    Erro(e.what());
    return kErroConsulta;
  } catch (const std::exception& e) {
    Erro(e.what());
    return kErroConsulta;
  }
}
