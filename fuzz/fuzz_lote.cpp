// Any bytes as a batch input file, under a token list (any of the 24, heights
// included) and output boxes chosen by the first byte, and the kind of height and
// UTF-8 in and out (--utf8) chosen by the second: the serial run and the parallel
// run write the same bytes and end the same way, and the output is exactly one line
// per record processed.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "apoio.hpp"
#include "batch/lote.hpp"
#include "batch/paralelo.hpp"
#include "geoid/consulta.hpp"
#include "text/erros.hpp"

namespace {

using namespace nivora;
using fuzz::Exigir;

const std::vector<std::string> kListas = {
    "0",      "1",      "2",      "3",      "ID,0",   "ID,1",   "ID,2",   "ID,3",
    "0,ID",   "1,ID",   "2,ID",   "3,ID",   "0,H",    "1,H",    "2,H",    "3,H",
    "ID,0,H", "ID,1,H", "ID,2,H", "ID,3,H", "0,H,ID", "1,H,ID", "2,H,ID", "3,H,ID"};

/// An anonymous in-memory file holding `bytes`, positioned at its start.
int ArquivoMemoria(std::string_view bytes) {
  const int fd = memfd_create("nivora_fuzz", MFD_CLOEXEC);
  Exigir(fd >= 0, "memfd_create");
  std::size_t feito = 0;
  while (feito < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + feito, bytes.size() - feito);
    Exigir(n > 0, "escrita em memoria");
    feito += static_cast<std::size_t>(n);
  }
  ::lseek(fd, 0, SEEK_SET);
  return fd;
}

std::string Conteudo(int fd) {
  std::string bytes;
  ::lseek(fd, 0, SEEK_SET);
  char bloco[4096];
  ssize_t n = 0;
  while ((n = ::read(fd, bloco, sizeof bloco)) > 0) bytes.append(bloco, static_cast<size_t>(n));
  return bytes;
}

std::size_t ContarQuebras(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t p = s.find("\r\n"); p != std::string_view::npos; p = s.find("\r\n", p + 2)) ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
  static const TRetratoGrade grade = TRetratoGrade::DoArquivo(fuzz::GradeDistribuida());
  if (tamanho < 2) return 0;
  const bool id = dados[0] & 0x80;
  OpcoesLote opcoes = OpcoesLote::De(TListaFormato::DeTexto(kListas[dados[0] % kListas.size()]), id,
                                     dados[0] & 0x40);
  if (opcoes.formato.TemAltura())
    opcoes.altura = dados[1] & 0x02 ? TipoAltura::Ortometrica : TipoAltura::Elipsoidal;
  const bool utf8 = dados[1] & 0x01;
  const std::string_view entrada(reinterpret_cast<const char*>(dados) + 2, tamanho - 2);

  // Serial.
  const int fdEntrada = ArquivoMemoria(entrada);
  const int fdSaida = ArquivoMemoria({});
  ResultadoLote serial;
  std::string erroSerial;
  {
    LeitorLinhas leitor(fdEntrada, "entrada");
    EscritorSaida escritor(fdSaida, "saida", false);
    leitor.DefinirUtf8(utf8);
    escritor.DefinirUtf8(utf8);
    ObservadorLote observador;
    try {
      serial = ProcessarLote(leitor, escritor, opcoes, grade, observador);
    } catch (const ErroNivora& e) {
      erroSerial = e.what();
    }
    escritor.Fechar();
  }
  const std::string saidaSerial = Conteudo(fdSaida);

  // Parallel, in small blocks so that several workers share even a short file.
  ::lseek(fdEntrada, 0, SEEK_SET);
  const int fdSaida2 = ArquivoMemoria({});
  ResultadoLote paralelo;
  {
    LeitorLinhas leitor(fdEntrada, "entrada");
    EscritorSaida escritor(fdSaida2, "saida", false);
    leitor.DefinirUtf8(utf8);
    escritor.DefinirUtf8(utf8);
    ConfigParalelo config;
    config.trabalhadores = 2;
    config.linhasPorBloco = 1 + dados[0] % 3;
    paralelo = ExecutarParalelo(leitor, escritor, opcoes, grade, config);
    escritor.Fechar();
  }
  const std::string saidaParalela = Conteudo(fdSaida2);
  ::close(fdEntrada);
  ::close(fdSaida);
  ::close(fdSaida2);

  Exigir(saidaSerial == saidaParalela, "saidas serial e paralela diferem");
  const std::int64_t escritas = static_cast<std::int64_t>(ContarQuebras(saidaSerial));
  Exigir(escritas == serial.resultados + serial.rejeicoes || !erroSerial.empty(),
         "linhas escritas nao batem com a contagem");
  Exigir(paralelo.LinhasEscritas() == escritas, "contagem paralela difere");
  if (!erroSerial.empty()) {
    Exigir(paralelo.fim == FimLote::ErroConsulta && paralelo.mensagem == erroSerial,
           "erro de consulta so em uma das execucoes: " + erroSerial);
  } else {
    Exigir(paralelo.fim == serial.fim && paralelo.linhaErro == serial.linhaErro &&
               paralelo.linhasLidas == serial.linhasLidas,
           "as execucoes terminaram de modos diferentes");
    Exigir(paralelo.resultados == serial.resultados && paralelo.rejeicoes == serial.rejeicoes,
           "resultados e rejeicoes contados de modos diferentes");
  }
  return 0;
}
