// Test support: scratch folders, whole files, open descriptors.
#include "apoio/arquivos.hpp"

#include <dirent.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace nivora::teste {

PastaTemporaria::PastaTemporaria() {
  std::string modelo = (std::filesystem::temp_directory_path() / "nivora_teste_XXXXXX").string();
  if (::mkdtemp(modelo.data()) == nullptr) std::abort();
  caminho_ = modelo;
}

PastaTemporaria::~PastaTemporaria() {
  std::error_code ignorado;
  std::filesystem::remove_all(caminho_, ignorado);
}

void GravarArquivo(const std::string& caminho, const std::string& bytes) {
  std::ofstream arquivo(caminho, std::ios::binary | std::ios::trunc);
  arquivo.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string LerArquivoTodo(const std::string& caminho) {
  std::ifstream arquivo(caminho, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(arquivo), std::istreambuf_iterator<char>());
}

void EscreverLinhas(const std::string& caminho, const std::vector<std::string>& linhas,
                    const std::string& quebra, bool quebraFinal) {
  std::string texto;
  for (std::size_t k = 0; k < linhas.size(); ++k) {
    texto += linhas[k];
    if (k + 1 < linhas.size() || quebraFinal) texto += quebra;
  }
  GravarArquivo(caminho, texto);
}

int DescritoresAbertos() {
  int n = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (::readdir(d) != nullptr) ++n;
    ::closedir(d);
  }
  return n;
}

}  // namespace nivora::teste
