// Writes the manual page and the bash completion of nivora2015-cli from its option
// table, so that neither can drift from --help:
//   nivora_gerar_manual MANUAL.1 COMPLETACAO
#include <fstream>
#include <iostream>
#include <string>

#include "cli/argumentos.hpp"
#include "text/cp1252.hpp"

namespace {

bool Gravar(const char* caminho, const std::string& texto) {
  std::ofstream arquivo(caminho, std::ios::binary | std::ios::trunc);
  arquivo << texto;
  arquivo.close();
  if (!arquivo) std::cerr << "nivora_gerar_manual: falha ao gravar " << caminho << "\n";
  return static_cast<bool>(arquivo);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "uso: nivora_gerar_manual MANUAL.1 COMPLETACAO\n";
    return 2;
  }
  // man reads UTF-8 pages; the program's texts are Windows-1252.
  const bool ok = Gravar(argv[1], nivora::Cp1252ParaUtf8(nivora::cli::TextoManual())) &&
                  Gravar(argv[2], nivora::cli::TextoCompletacao());
  return ok ? 0 : 1;
}
