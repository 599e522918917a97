// A scripted platform for the window tests: records everything shown and gives
// back queued answers (an unexpected question gets the box's Escape answer). Its
// event pump counts, calls `aoBombear` (a click or a menu command in the middle of
// a run) and then lets the window's real pending events in.
#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/plataforma.hpp"

class PlataformaRoteiro : public nivora::Plataforma {
 public:
  struct Impressao {
    std::vector<std::string> linhas;
    int pontos = 0;
  };

  // What was shown, in order.
  std::vector<nivora::PedidoMensagem> mensagens;
  std::vector<nivora::DialogoArquivo> dialogosSalvar;
  std::vector<nivora::DialogoArquivo> dialogosAbrir;
  int dialogosImpressao = 0;
  std::vector<Impressao> impressoes;
  std::vector<QString> documentos;
  int bombeamentos = 0;
  std::function<void()> aoBombear;
  int cursorProfundidade = 0;  ///< wait cursors shown and not yet removed
  int cursorMaximo = 0;

  // Queued answers.
  std::deque<nivora::Resposta> respostas;
  std::deque<QString> arquivosSalvar;  ///< an empty name cancels the dialog
  std::deque<QString> arquivosAbrir;   ///< an empty name cancels the dialog
  std::deque<bool> impressoras;
  nivora::EstadoTrava trava = nivora::EstadoTrava::Obtida;
  std::optional<std::string> falhaAoAbrir;  ///< what the desktop says when it opens nothing

  /// When set, a print job really prints into this PDF file.
  QString pdfImpressao;
  /// When set, the print job fails with this kind of error.
  enum class FalhaImpressao {
    Nenhuma,
    EntradaSaida,
    Outra
  } falhaImpressao = FalhaImpressao::Nenhuma;

  nivora::Resposta MostrarMensagem(const nivora::PedidoMensagem& pedido) override;
  std::optional<QString> EscolherArquivoAbrir(const nivora::DialogoArquivo& dialogo) override;
  std::optional<QString> EscolherArquivoSalvar(const nivora::DialogoArquivo& dialogo) override;
  bool EscolherImpressora() override;
  void ImprimirLinhas(const std::vector<std::string>& linhas, int pontos) override;
  std::optional<std::string> AbrirDocumento(const QString& caminho) override {
    documentos.push_back(caminho);
    return falhaAoAbrir;
  }
  nivora::EstadoTrava TravarInstancia() override { return trava; }
  void ProcessarEventos() override;
  void CursorEspera(bool ligado) override;

  /// The texts of the messages shown so far, in order.
  std::vector<std::string> Textos() const;
};
