// Test support: a scratch folder removed at the end, whole files written and read
// back, and the count of this process's open file descriptors.
#pragma once

#include <filesystem>  // for the suites that move and remove the files made here
#include <string>
#include <vector>

namespace nivora::teste {

/// A fresh folder under the system's temporary folder, removed with everything
/// in it at the end. The process aborts when none can be made.
class PastaTemporaria {
 public:
  PastaTemporaria();
  ~PastaTemporaria();
  PastaTemporaria(const PastaTemporaria&) = delete;
  PastaTemporaria& operator=(const PastaTemporaria&) = delete;

  /// The path of `nome` inside the folder.
  std::string operator/(const std::string& nome) const { return caminho_ + "/" + nome; }
  const std::string& Caminho() const { return caminho_; }

 private:
  std::string caminho_;
};

/// Creates or truncates `caminho` with exactly `bytes`.
void GravarArquivo(const std::string& caminho, const std::string& bytes);
/// Every byte of `caminho`; empty when it cannot be read.
std::string LerArquivoTodo(const std::string& caminho);
/// Writes `linhas` joined by `quebra`, with a break after the last one when asked.
void EscreverLinhas(const std::string& caminho, const std::vector<std::string>& linhas,
                    const std::string& quebra = "\r\n", bool quebraFinal = true);

/// Open file descriptors of this process (the one that lists them included), to
/// show that a run closed every file it opened.
int DescritoresAbertos();

}  // namespace nivora::teste
