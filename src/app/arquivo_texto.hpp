// A text file written line by line, each step checked: a failure is never skipped.
#pragma once

#include <QString>
#include <cstdio>
#include <string>
#include <string_view>

namespace nivora {

class ArquivoTexto {
 public:
  enum class Modo { Criar, Anexar };

  /// Creates (truncating) or opens for appending.
  /// @throws EEntradaSaida naming the file and the system's reason.
  ArquivoTexto(const QString& caminho, Modo modo);
  /// Closes without reporting (the error path); use Fechar() to have the close checked.
  ~ArquivoTexto();
  ArquivoTexto(const ArquivoTexto&) = delete;
  ArquivoTexto& operator=(const ArquivoTexto&) = delete;

  /// Writes `linha` (bytes as given) followed by CR LF. @throws EEntradaSaida
  void EscreverLinha(std::string_view linha);
  /// Flushes and closes. @throws EEntradaSaida
  void Fechar();

 private:
  [[noreturn]] void Falha(const char* acao, int erro) const;

  QString caminho_;
  std::FILE* arquivo_ = nullptr;
};

}  // namespace nivora
