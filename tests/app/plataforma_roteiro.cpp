#include "plataforma_roteiro.hpp"

#include <QCoreApplication>
#include <QPrinter>
#include <algorithm>

#include "text/erros.hpp"

nivora::Resposta PlataformaRoteiro::MostrarMensagem(const nivora::PedidoMensagem& pedido) {
  mensagens.push_back(pedido);
  if (respostas.empty()) return pedido.escape;  // as if the box were closed
  const nivora::Resposta resposta = respostas.front();
  respostas.pop_front();
  return resposta;
}

std::optional<QString> PlataformaRoteiro::EscolherArquivoAbrir(const nivora::DialogoArquivo& d) {
  dialogosAbrir.push_back(d);
  if (arquivosAbrir.empty()) return std::nullopt;
  const QString nome = arquivosAbrir.front();
  arquivosAbrir.pop_front();
  if (nome.isEmpty()) return std::nullopt;
  return std::optional<QString>(nome);
}

std::optional<QString> PlataformaRoteiro::EscolherArquivoSalvar(const nivora::DialogoArquivo& d) {
  dialogosSalvar.push_back(d);
  if (arquivosSalvar.empty()) return std::nullopt;
  const QString nome = arquivosSalvar.front();
  arquivosSalvar.pop_front();
  if (nome.isEmpty()) return std::nullopt;
  return std::optional<QString>(nome);
}

bool PlataformaRoteiro::EscolherImpressora() {
  ++dialogosImpressao;
  if (impressoras.empty()) return false;
  const bool escolhida = impressoras.front();
  impressoras.pop_front();
  return escolhida;
}

void PlataformaRoteiro::ImprimirLinhas(const std::vector<std::string>& linhas, int pontos) {
  impressoes.push_back({linhas, pontos});
  switch (falhaImpressao) {
    case FalhaImpressao::EntradaSaida:
      throw nivora::EEntradaSaida("falha de E/S simulada");
    case FalhaImpressao::Outra:
      throw nivora::ErroNivora("impressora ausente simulada");
    case FalhaImpressao::Nenhuma:
      break;
  }
  if (!pdfImpressao.isEmpty()) {
    QPrinter impressora(QPrinter::HighResolution);
    impressora.setOutputFormat(QPrinter::PdfFormat);
    impressora.setOutputFileName(pdfImpressao);
    nivora::ImprimirLinhasEm(impressora, linhas, pontos);
  }
}

void PlataformaRoteiro::ProcessarEventos() {
  ++bombeamentos;
  if (aoBombear) aoBombear();
  QCoreApplication::processEvents();
}

void PlataformaRoteiro::CursorEspera(bool ligado) {
  cursorProfundidade += ligado ? 1 : -1;
  cursorMaximo = std::max(cursorMaximo, cursorProfundidade);
}

std::vector<std::string> PlataformaRoteiro::Textos() const {
  std::vector<std::string> textos;
  for (const auto& m : mensagens) textos.push_back(m.texto);
  return textos;
}
