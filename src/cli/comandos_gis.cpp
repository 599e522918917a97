// camada and exportar-grade run from the command line: the grid taken once, the GIS
// module called, progress and a closing summary on a terminal, errors in UTF-8.
#include "cli/comandos_gis.hpp"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <thread>

#include "cli/argumentos.hpp"
#include "cli/subcomandos.hpp"
#include "geoid/modelo.hpp"
#include "gis/camada.hpp"
#include "gis/gdal.hpp"
#include "gis/grade_proj.hpp"
#include "nivora2015/nivora2015.hpp"
#include "text/cp1252.hpp"

namespace nivora::cli {

namespace {

constexpr const char* kPrograma = "nivora2015-cli: ";
constexpr unsigned kMaxTrabalhadores = 8;
constexpr auto kIntervaloProgresso = std::chrono::milliseconds(200);

enum Saida : int { kSucesso = 0, kErroUso = 2, kErroArquivo = 3, kErroGrade = 4 };

void Escrever(const std::string& texto) {
  std::string_view resto = texto;
  while (!resto.empty()) {
    const ssize_t n = ::write(STDERR_FILENO, resto.data(), resto.size());
    if (n <= 0) return;
    resto.remove_prefix(static_cast<std::size_t>(n));
  }
}

/// The grid beside the executable, as the text mode finds it.
std::string GradePadrao() {
  char caminho[PATH_MAX + 1];
  const ssize_t n = ::readlink("/proc/self/exe", caminho, PATH_MAX);
  std::string pasta = n > 0 ? std::string(caminho, static_cast<std::size_t>(n)) : "./";
  return pasta.substr(0, pasta.rfind('/') + 1) + kArquivoGrade;
}

gis::Altura Altura(TipoAltura tipo) {
  return tipo == TipoAltura::Elipsoidal    ? gis::Altura::Elipsoidal
         : tipo == TipoAltura::Ortometrica ? gis::Altura::Ortometrica
                                           : gis::Altura::Nenhuma;
}

/// A line redrawn in place on a terminal, at most every kIntervaloProgresso.
class Progresso {
 public:
  explicit Progresso(bool ativo) : ativo_(ativo) {}
  void Mostrar(const std::string& texto, bool final = false) {
    if (!ativo_) return;
    const auto agora = std::chrono::steady_clock::now();
    if (!final && agora - ultimo_ < kIntervaloProgresso) return;
    ultimo_ = agora;
    const double segundos = std::chrono::duration<double>(agora - inicio_).count();
    char tempo[32];
    std::snprintf(tempo, sizeof tempo, "  %.1f s   ", segundos);
    Escrever("\r" + texto + tempo + (final ? "\n" : ""));
  }

 private:
  bool ativo_;
  std::chrono::steady_clock::time_point inicio_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point ultimo_{};
};

int Camada(const ArgumentosSubcomando& args, const nivora2015::Grade& grade, bool terminal) {
  const ArgumentosCamada& a = args.camada;
  gis::OpcoesCamada opcoes;
  opcoes.entrada = a.entrada;
  opcoes.saida = a.saida;
  opcoes.camada = a.camada;
  opcoes.altura = Altura(a.altura);
  opcoes.campoAltura = a.campoAltura;
  opcoes.campoLat = a.campoLat;
  opcoes.campoLon = a.campoLon;
  opcoes.crs = a.crs;
  opcoes.z = Altura(a.z);
  opcoes.formatoSaida = a.formatoSaida;
  if (!a.campos.empty()) {
    const bool comAltura = a.altura != TipoAltura::Nenhuma;
    if (a.campos.size() != (comAltura ? 3u : 2u)) {
      throw gis::ErroGis(
          gis::ErroGis::Tipo::Uso,
          comAltura ? "--campos pede tr\xC3\xAAs nomes com --altura: N, a outra altura e o motivo"
                    : "--campos pede dois nomes sem --altura: N e o motivo");
    }
    opcoes.campoN = a.campos.front();
    if (comAltura) opcoes.campoOutra = a.campos[1];
    opcoes.campoMotivo = a.campos.back();
  }
  opcoes.sobrescrever = args.sobrescrever;
  opcoes.threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxTrabalhadores);
  Progresso progresso(terminal);
  const gis::ResultadoCamada r =
      gis::ProcessarCamada(opcoes, grade, [&](std::uint64_t feitas, std::int64_t total) {
        progresso.Mostrar(std::to_string(feitas) +
                          (total >= 0 ? " de " + std::to_string(total) : std::string()) +
                          " fei\xC3\xA7\xC3\xB5"
                          "es");
      });
  progresso.Mostrar(std::to_string(r.feicoes) +
                        " fei\xC3\xA7\xC3\xB5"
                        "es",
                    true);
  if (terminal) {
    Escrever(std::string(kPrograma) + "camada \"" + r.nomeCamada + "\": " + std::to_string(r.comN) +
             " com N, " + std::to_string(r.recusadas) + " com motivo, em " + a.saida + " (" +
             r.driverSaida + ")\n");
  }
  return kSucesso;
}

int Exportar(const ArgumentosSubcomando& args, const nivora2015::Grade& grade, bool terminal) {
  const ArgumentosExportacao& a = args.exportacao;
  gis::OpcoesExportacao opcoes;
  opcoes.saida = a.saida;
  opcoes.espacamentoMinutos = a.espacamento;
  if (a.comArea) opcoes.area = {a.area[0], a.area[1], a.area[2], a.area[3]};
  opcoes.crsVertical = a.crsVertical;
  opcoes.gradeDistribuida = args.grade.empty();
  opcoes.sobrescrever = args.sobrescrever;
  opcoes.threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxTrabalhadores);
  Progresso progresso(terminal);
  const gis::ResultadoExportacao r = gis::ExportarGrade(opcoes, grade, [&](double feito) {
    progresso.Mostrar(std::to_string(static_cast<int>(feito * 100)) + " %");
  });
  progresso.Mostrar("100 %", true);
  if (terminal) {
    char texto[256];
    std::snprintf(texto, sizeof texto,
                  "%s%d \xC3\x97 %d n\xC3\xB3s a cada %g' de %.6f, %.6f (canto noroeste), "
                  "%llu sem valor; destino %s, em %s\n",
                  kPrograma, r.colunas, r.linhas, a.espacamento, r.latNorte, r.lonOeste,
                  static_cast<unsigned long long>(r.semValor), r.crsVertical.c_str(),
                  a.saida.c_str());
    Escrever(texto);
  }
  return kSucesso;
}

}  // namespace

int ExecutarSubcomando(const std::vector<std::string>& lista) {
  const Subcomando comando = QualSubcomando(lista.empty() ? "" : lista[0]);
  const auto uso = [&](const std::string& mensagemUtf8) {
    Escrever(kPrograma + mensagemUtf8 + "\n" + Cp1252ParaUtf8(TextoUsoSubcomando(comando)) +
             "Use nivora2015-cli " + lista[0] + " --help para a ajuda completa.\n");
    return kErroUso;
  };
  ArgumentosSubcomando args;
  try {
    args = LerSubcomando(lista);
  } catch (const EUso& e) {
    return uso(MensagemParaUtf8(e.what()));
  }
  if (args.ajuda) {
    const std::string ajuda = Cp1252ParaUtf8(TextoAjudaSubcomando(comando));
    return std::fwrite(ajuda.data(), 1, ajuda.size(), stdout) == ajuda.size() &&
                   std::fflush(stdout) == 0
               ? kSucesso
               : kErroArquivo;
  }
  const bool terminal = !args.silencioso && ::isatty(STDERR_FILENO) == 1;
  try {
    const gis::SessaoGdal sessao([](const std::string& aviso) {
      Escrever(std::string(kPrograma) + "aviso do GDAL: " + aviso + "\n");
    });
    // One version of the grid for the whole run.
    nivora2015::Grade grade = [&] {
      try {
        nivora2015::Modelo modelo(args.grade.empty() ? GradePadrao() : args.grade);
        return modelo.Retrato();
      } catch (const nivora2015::ErroNivora& e) {
        throw gis::ErroGis(gis::ErroGis::Tipo::Grade, nivora2015::MensagemUtf8(e));
      }
    }();
    return comando == Subcomando::Camada ? Camada(args, grade, terminal)
                                         : Exportar(args, grade, terminal);
  } catch (const gis::ErroGis& e) {
    switch (e.TipoErro()) {
      case gis::ErroGis::Tipo::Uso:
        return uso(e.what());
      case gis::ErroGis::Tipo::Arquivo:
        Escrever(kPrograma + std::string(e.what()) + "\n");
        return kErroArquivo;
      case gis::ErroGis::Tipo::Grade:
        break;
    }
    Escrever(kPrograma + std::string(e.what()) + "\n");
    return kErroGrade;
  } catch (const nivora2015::ErroNivora& e) {
    // A damaged grid line or a singular fit in the middle of the run.
    Escrever(kPrograma + nivora2015::MensagemUtf8(e) + "\n");
    return kErroGrade;
  } catch (const std::exception& e) {
    Escrever(kPrograma + std::string(e.what()) + "\n");
    return kErroGrade;
  }
}

}  // namespace nivora::cli
