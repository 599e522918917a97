// TForm1, the batch run: choosing the input file, the run with its labels,
// progress bar, event pump and cancel, and the dialogs that end it. The lines
// themselves are made by the core's runner (batch/lote.hpp), the same one the
// command-line tool uses, so both write the same bytes.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <climits>

#include "app/map.hpp"
#include "app/map_arquivo.hpp"
#include "app/texto_qt.hpp"
#include "batch/lote.hpp"
#include "geoid/consulta.hpp"
#include "text/textos.hpp"
#include "ui_map.h"

namespace {

using nivora::ParaQt;

/// Labels and progress bar are repainted, and pending events processed, at most
/// this often: about 20 times a second keeps the window answering (a cancel click
/// is taken within a tenth of a second) at a negligible cost per line.
constexpr qint64 kIntervaloTelaMs = 50;

// The run's own titles and texts (Windows-1252).
constexpr const char* kTituloPergunta = "NIVORA2015";
constexpr const char* kTituloSobrescrever = "Sobrescrever Arquivo.";
constexpr const char* kMsgSobrescrever =
    "O arquivo j\xE1 existe. \r"
    "Se o nome do arquivo saida n\xE3o for alterado,\r"
    "ele ser\xE1 sobrescrito.";
constexpr const char* kMsgNomeSaidaVazio =
    "Prencha o nome do arquivo de sa\xED"
    "da.";
constexpr const char* kMsgAbortado = "Programa Abortado.";
constexpr const char* kMsgFim = "Fim de Processamento.";
constexpr const char* kPerguntaAbrirSaida =
    "Deseja abrir o arquivo de sa\xED"
    "da  ?";
constexpr const char* kDe = " de ";

/// A name as the file system takes it.
std::string Caminho(const QString& nome) {
  return QFile::encodeName(nome).toStdString();
}

}  // namespace

/// The window side of a run: the labels, the progress bar, the throttled event
/// pump and the cancel flag, plugged into the core's runner.
class TForm1::ObservadorJanela final : public nivora::ObservadorLote {
 public:
  ObservadorJanela(TForm1& janela, const QElapsedTimer& inicio)
      : janela_(janela), ui_(*janela.ui), inicio_(inicio) {}

  bool QuerTotal() const override { return true; }

  /// Both files are open: the run state is shown.
  void Inicio(std::int64_t totalLinhas) override {
    for (QLabel* rotulo : {ui_.Label15, ui_.Label16, ui_.Label17, ui_.Label18, ui_.Label13}) {
      rotulo->show();
    }
    for (QLabel* rotulo : {ui_.Label15, ui_.Label17, ui_.Label16}) rotulo->clear();
    janela_.estado_.CancelaProcesso = false;
    ui_.bbt_Cancela->show();
    ui_.bbt_ProcessaArq->hide();
    // The bar runs from 0 to count - 1 and is full from the last-but-one line on.
    // With one line or none that range would be 0..0 (or empty), which the bar
    // draws as a busy animation: the range is then 0..1, full once the line is read.
    const std::int64_t total = std::max<std::int64_t>(totalLinhas, 0);
    maximo_ = static_cast<int>(std::clamp<std::int64_t>(total - 1, 1, INT_MAX));
    ui_.ProgressBar1->setRange(0, maximo_);
    ui_.ProgressBar1->setValue(0);
    ui_.Label16->setText(QString::fromLatin1(kDe) + QString::fromStdString(std::to_string(total)));
    iniciado_ = true;
  }

  void AntesDaLinha(std::int64_t linhasLidas) override {
    lidas_ = linhasLidas;
    Bombear();
  }

  bool Cancelado() override { return janela_.estado_.CancelaProcesso; }

  /// Repaints and lets pending events in, when the last time was long enough ago.
  void Bombear() {
    if (ultimo_.isValid() && ultimo_.elapsed() < kIntervaloTelaMs) return;
    ultimo_.start();
    Atualizar();
    janela_.plataforma_.ProcessarEventos();
  }

  /// Lines read, elapsed time and progress as they are now.
  void Atualizar() {
    if (!iniciado_) return;
    ui_.ProgressBar1->setValue(static_cast<int>(std::min<std::int64_t>(lidas_, maximo_)));
    ui_.Label15->setText(QString::fromStdString(std::to_string(lidas_)));
    ui_.Label17->setText(QString::fromStdString(nivora::FormatarTempoDecorrido(inicio_.elapsed())));
  }

 private:
  TForm1& janela_;
  Ui::TForm1& ui_;
  const QElapsedTimer& inicio_;
  QElapsedTimer ultimo_;
  std::int64_t lidas_ = 0;
  int maximo_ = 1;
  bool iniciado_ = false;
};

/// The window busy with a run, from its start to the first way out: wait cursor,
/// "Cancela" in place of "Processa" (the observer pumps the events at the run's
/// pace, before each line). Every way out, an error included, leaves the window
/// idle again.
class TForm1::LoteEmCurso {
 public:
  explicit LoteEmCurso(TForm1& janela) : janela_(janela) {
    janela_.processando_ = true;
    janela_.TravarComposicao(true);
    janela_.plataforma_.CursorEspera(true);
  }
  ~LoteEmCurso() {
    Ocioso();
    janela_.processando_ = false;
  }
  LoteEmCurso(const LoteEmCurso&) = delete;
  LoteEmCurso& operator=(const LoteEmCurso&) = delete;

  /// The window at rest (the run's end dialogs come after this).
  void Ocioso() {
    if (ocioso_) return;
    ocioso_ = true;
    janela_.TravarComposicao(false);
    janela_.plataforma_.CursorEspera(false);
    janela_.ui->bbt_ProcessaArq->show();
    janela_.ui->bbt_Cancela->hide();
  }

 private:
  TForm1& janela_;
  bool ocioso_ = false;
};

void TForm1::bbt_ArqEntradaClick() {
  nivora::DialogoArquivo& dialogo = estado_.OpenDialog1;
  if (const std::optional<QString> escolhido = plataforma_.EscolherArquivoAbrir(dialogo)) {
    dialogo.nomeArquivo = *escolhido;
  }
  // A cancelled dialog leaves the name chosen the previous time (or none).
  ui->Ed_EntradaArquivo->setText(dialogo.nomeArquivo);
  estado_.NomeArqEntrada = ui->Ed_EntradaArquivo->text();
  estado_.NomeArqSaida = nivora::NomeSaidaProposto(estado_.NomeArqEntrada);
  if (QFileInfo::exists(estado_.NomeArqSaida)) {
    Mostrar(nivora::TipoMensagem::Aviso, kTituloSobrescrever, kMsgSobrescrever);
  }
  ui->Ed_SaidaArquivo->setText(estado_.NomeArqSaida);
}

void TForm1::NomedoArquivodeEntrada1Click() {
  bbt_ArqEntradaClick();
}

void TForm1::bbt_CancelaClick() {
  estado_.CancelaProcesso = true;
}

void TForm1::Cancelar1Click() {
  bbt_CancelaClick();
}

void TForm1::Executar2Click() {
  bbt_ProcessaArqClick();
}

void TForm1::bbt_ProcessaArqClick() {
  // The event pump of a run lets the button's menu twin through: no second run.
  if (processando_) return;

  QElapsedTimer inicio;
  inicio.start();
  if (!FormatoPreenchido()) {
    Mostrar(nivora::TipoMensagem::Erro, nivora::kTituloErro, nivora::kMsgPreenchimento);
    return;
  }
  ObservadorJanela observador(*this, inicio);
  LoteEmCurso emCurso(*this);
  if (const std::optional<std::string> recusa = VerificaArquivosDoLote()) {
    emCurso.Ocioso();
    Mostrar(nivora::TipoMensagem::Erro, nivora::kTituloErro, *recusa);
    return;
  }
  // The names of this run: a browse during the run does not change them.
  const QString entrada = estado_.NomeArqEntrada;
  const QString saida = estado_.NomeArqSaida;
  if (const std::optional<nivora::ResultadoLote> resultado =
          RodarLote(entrada, saida, observador, emCurso)) {
    ConcluirLote(*resultado, saida, emCurso);
  }
}

std::optional<std::string> TForm1::VerificaArquivosDoLote() {
  estado_.NomeArqSaida = nivora::AparaTexto(ui->Ed_SaidaArquivo->text());
  const QFileInfo entradaEscolhida(estado_.NomeArqEntrada);
  if (estado_.NomeArqEntrada.isEmpty() || !entradaEscolhida.exists() || entradaEscolhida.isDir()) {
    return nivora::kMsgEntradaInvalida;
  }
  if (estado_.NomeArqSaida.isEmpty()) return kMsgNomeSaidaVazio;
  estado_.NomeArqEntrada = ui->Ed_EntradaArquivo->text();
  return std::nullopt;
}

std::optional<nivora::ResultadoLote> TForm1::RodarLote(const QString& entrada, const QString& saida,
                                                       ObservadorJanela& observador,
                                                       LoteEmCurso& emCurso) {
  nivora::TListaFormato formato;
  for (int i = 0; i < ui->ListBox1->count(); ++i) {
    formato.Adicionar(nivora::ParaCp1252(ui->ListBox1->item(i)->text()));
  }
  nivora::OpcoesLote opcoes = nivora::OpcoesLote::De(
      std::move(formato), ui->ChckBx_Ponto_S->isChecked(), ui->ChckBx_Coord_S->isChecked());
  opcoes.FormatoCoord = estado_.FormatoCoord;
  try {
    nivora::ResultadoLote resultado =
        nivora::ExecutarLote(Caminho(entrada), Caminho(saida), opcoes, *modelo_, observador);
    observador.Atualizar();
    return resultado;
  } catch (const nivora::EArquivoInvalido&) {
    emCurso.Ocioso();
    Mostrar(nivora::TipoMensagem::Erro, nivora::kTituloErro, nivora::kMsgArquivoInvalido);
  } catch (const nivora::EMesmoArquivo& erro) {
    // Truncating the output would destroy the input before a line is read.
    emCurso.Ocioso();
    Mostrar(nivora::TipoMensagem::Erro, nivora::kTituloErro, erro.what());
  } catch (...) {
    // The query's own failures: both files are closed, every line written before
    // stays; the window goes idle before the standard error report shows it.
    observador.Atualizar();
    throw;
  }
  return std::nullopt;
}

void TForm1::ConcluirLote(const nivora::ResultadoLote& resultado, const QString& saida,
                          LoteEmCurso& emCurso) {
  // Closing the window asks for the stop; nothing more is shown then.
  const bool janelaAberta = isVisible();
  if (resultado.fim == nivora::FimLote::ErroFormato) {
    ui->ProgressBar1->setValue(0);
    emCurso.Ocioso();
    if (janelaAberta) {
      Mostrar(nivora::TipoMensagem::Erro, nivora::kTituloErro, nivora::kMsgErroFormatacao);
    }
    return;
  }
  emCurso.Ocioso();
  if (!janelaAberta) return;
  if (resultado.fim == nivora::FimLote::Cancelado) {
    Mostrar(nivora::TipoMensagem::Aviso, nivora::kTituloAviso, kMsgAbortado);
  } else if (!estado_.CancelaProcesso) {
    Mostrar(nivora::TipoMensagem::Aviso, nivora::kTituloAviso, kMsgFim);
  }

  nivora::PedidoMensagem pergunta;
  pergunta.tipo = nivora::TipoMensagem::Confirmacao;
  pergunta.titulo = kTituloPergunta;
  pergunta.texto = kPerguntaAbrirSaida;
  pergunta.botoes = {{nivora::Resposta::Sim, {}}, {nivora::Resposta::Nao, {}}};
  pergunta.padrao = nivora::Resposta::Sim;
  pergunta.escape = nivora::Resposta::Nao;
  if (plataforma_.MostrarMensagem(pergunta) == nivora::Resposta::Sim) {
    // The desktop's text viewer stands in for the notepad.
    AbrirArquivo(QFileInfo(saida).absoluteFilePath());
  }
}
