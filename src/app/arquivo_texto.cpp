// A text file written line by line, every step checked (saving a point).
#include "app/arquivo_texto.hpp"

#include <QFile>
#include <cerrno>

#include "app/texto_qt.hpp"
#include "text/erros.hpp"

namespace nivora {

ArquivoTexto::ArquivoTexto(const QString& caminho, Modo modo) : caminho_(caminho) {
  const QByteArray nome = QFile::encodeName(caminho);
  arquivo_ = std::fopen(nome.constData(), modo == Modo::Criar ? "wb" : "ab");
  if (arquivo_ == nullptr) Falha(modo == Modo::Criar ? "criar" : "abrir", errno);
}

ArquivoTexto::~ArquivoTexto() {
  if (arquivo_ != nullptr) std::fclose(arquivo_);
}

void ArquivoTexto::EscreverLinha(std::string_view linha) {
  const std::string completa = std::string(linha) + "\r\n";
  if (std::fwrite(completa.data(), 1, completa.size(), arquivo_) != completa.size()) {
    Falha("gravar", errno);
  }
}

void ArquivoTexto::Fechar() {
  if (std::fflush(arquivo_) != 0) Falha("gravar", errno);
  std::FILE* arquivo = arquivo_;
  arquivo_ = nullptr;
  if (std::fclose(arquivo) != 0) Falha("fechar", errno);
}

void ArquivoTexto::Falha(const char* acao, int erro) const {
  throw FalhaDeArquivo(acao, ParaCp1252(caminho_), erro);
}

}  // namespace nivora
