// Reading a file whole, the signature of one version of a file, and splitting text into lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nivora {

/// What identifies one version of a file: device, inode, size, and the
/// modification and change times in nanoseconds.
struct AssinaturaArquivo {
  std::uint64_t dispositivo = 0;
  std::uint64_t inode = 0;
  std::int64_t tamanhoBytes = 0;
  std::int64_t modificacaoNs = 0;
  std::int64_t mudancaNs = 0;
  bool operator==(const AssinaturaArquivo&) const = default;
};

/// The signature of the file at `caminho`; false when it cannot be examined.
bool AssinaturaDe(const std::string& caminho, AssinaturaArquivo& assinatura);

/// The whole file as bytes. `assinatura` (optional) receives the signature of
/// the opened file taken after reading; `estavel` (optional) tells whether it
/// was the same before reading (false: the file changed while it was read).
/// @throws EAberturaArquivo "Cannot open file "<path>". <system reason>"
/// @throws EEntradaSaida when reading fails after the file was opened.
std::string LerArquivo(const std::string& caminho, AssinaturaArquivo* assinatura = nullptr,
                       bool* estavel = nullptr);

/// Calls `f(linha)` for every line of `conteudo`: split at CR LF, a lone CR and a
/// lone LF; a line break at the very end adds no empty line; a NUL byte ends the text.
template <class F>
void ParaCadaLinha(std::string_view conteudo, F&& f) {
  const std::size_t nul = conteudo.find('\0');
  if (nul != std::string_view::npos) conteudo = conteudo.substr(0, nul);
  std::size_t inicio = 0;
  const std::size_t fim = conteudo.size();
  while (inicio < fim) {
    std::size_t quebra = inicio;
    while (quebra < fim && conteudo[quebra] != '\r' && conteudo[quebra] != '\n') ++quebra;
    f(conteudo.substr(inicio, quebra - inicio));
    if (quebra == fim) break;
    inicio = quebra + 1;
    if (conteudo[quebra] == '\r' && inicio < fim && conteudo[inicio] == '\n') ++inicio;
  }
}

/// Lines of a text, split as ParaCadaLinha splits it.
std::vector<std::string> DividirLinhas(std::string_view conteudo);

/// The whole file as lines, in file order. @throws as LerArquivo.
std::vector<std::string> CarregarLinhas(const std::string& caminho);

}  // namespace nivora
