// The platform of the running program: Qt message boxes, dialogs and printing.
#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTreeView>
#include <QUrl>
#include <algorithm>

#include "app/plataforma.hpp"
#include "text/cp1252.hpp"
#include "text/erros.hpp"

namespace nivora {

PedidoMensagem CaixaOk(TipoMensagem tipo, std::string titulo, std::string texto,
                       std::string textoOk) {
  PedidoMensagem pedido;
  pedido.tipo = tipo;
  pedido.titulo = std::move(titulo);
  pedido.texto = std::move(texto);
  pedido.botoes = {{Resposta::Ok, std::move(textoOk)}};
  return pedido;
}

// A file name the box quotes (the application's folder, a chosen file) stays as the
// system gave it.
QString TextoTela(const std::string& cp1252) {
  QString texto = QString::fromUtf8(MensagemParaUtf8(cp1252));
  texto.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  texto.replace(QChar('\r'), QChar('\n'));
  return texto;
}

QString FiltroQt(const QString& filtro) {
  const QStringList partes = filtro.split(QChar('|'));
  QStringList entradas;
  for (qsizetype i = 0; i + 1 < partes.size(); i += 2) {
    const QString& rotulo = partes[i];
    const QString padrao = QString(partes[i + 1]).replace(QChar(';'), QChar(' '));
    // Qt reads the patterns from the parentheses of the label; add them when the
    // label does not already show exactly these patterns.
    entradas << (rotulo.endsWith(QStringLiteral("(") + padrao + QStringLiteral(")"))
                     ? rotulo
                     : rotulo + QStringLiteral(" (") + padrao + QStringLiteral(")"));
  }
  return entradas.join(QStringLiteral(";;"));
}

void ImprimirLinhasEm(QPrinter& impressora, const std::vector<std::string>& linhas, int pontos) {
  QPainter pintor;
  if (!pintor.begin(&impressora)) {
    throw EEntradaSaida("N\xE3o foi poss\xEDvel iniciar a impress\xE3o.");
  }
  QFont fonte = pintor.font();
  fonte.setPointSize(pontos);
  pintor.setFont(fonte);
  const QFontMetrics medidas(pintor.font(), &impressora);
  int baseLinha = medidas.ascent();
  for (const std::string& linha : linhas) {
    pintor.drawText(0, baseLinha, QString::fromUtf8(Cp1252ParaUtf8(linha)));
    baseLinha += medidas.lineSpacing();
  }
  if (!pintor.end()) {
    throw EEntradaSaida("N\xE3o foi poss\xEDvel concluir a impress\xE3o.");
  }
}

PlataformaQt::PlataformaQt() = default;
PlataformaQt::~PlataformaQt() = default;

Resposta PlataformaQt::MostrarMensagem(const PedidoMensagem& pedido) {
  QMessageBox caixa(janela_);
  switch (pedido.tipo) {
    case TipoMensagem::Informacao:
      caixa.setIcon(QMessageBox::Information);
      break;
    case TipoMensagem::Aviso:
      caixa.setIcon(QMessageBox::Warning);
      break;
    case TipoMensagem::Erro:
      caixa.setIcon(QMessageBox::Critical);
      break;
    case TipoMensagem::Confirmacao:
      caixa.setIcon(QMessageBox::Question);
      break;
  }
  caixa.setWindowTitle(TextoTela(pedido.titulo));
  caixa.setText(TextoTela(pedido.texto));
  caixa.setTextFormat(Qt::PlainText);

  std::vector<std::pair<QAbstractButton*, Resposta>> botoes;
  for (const BotaoMensagem& botao : pedido.botoes) {
    QAbstractButton* criado = nullptr;
    if (!botao.texto.empty()) {
      const auto papel = botao.resposta == Resposta::Cancelar ? QMessageBox::RejectRole
                         : botao.resposta == Resposta::Nao    ? QMessageBox::NoRole
                                                              : QMessageBox::YesRole;
      criado = caixa.addButton(TextoTela(botao.texto), papel);
    } else {
      const auto padrao = botao.resposta == Resposta::Sim        ? QMessageBox::Yes
                          : botao.resposta == Resposta::Nao      ? QMessageBox::No
                          : botao.resposta == Resposta::Cancelar ? QMessageBox::Cancel
                                                                 : QMessageBox::Ok;
      criado = caixa.addButton(padrao);
    }
    botoes.emplace_back(criado, botao.resposta);
    if (botao.resposta == pedido.padrao) {
      if (auto* empurrar = qobject_cast<QPushButton*>(criado)) caixa.setDefaultButton(empurrar);
    }
    if (botao.resposta == pedido.escape) caixa.setEscapeButton(criado);
  }
  caixa.exec();
  for (const auto& [botao, resposta] : botoes) {
    if (caixa.clickedButton() == botao) return resposta;
  }
  return pedido.escape;  // the box was closed
}

void DimensionarDialogoArquivo(QFileDialog& caixa) {
  auto* arvore = caixa.findChild<QTreeView*>(QStringLiteral("treeView"));
  auto* modelo = caixa.findChild<QFileSystemModel*>();
  if (arvore == nullptr || modelo == nullptr) return;  // the desktop's own dialog
  // Room for a long name and the other three columns, in the dialog's own font.
  const QFontMetrics medidas(caixa.font());
  constexpr int kCaracteresDeLargura = 110;
  constexpr int kLinhasDeAltura = 28;
  caixa.resize(std::max(caixa.sizeHint().width(),
                        medidas.horizontalAdvance(QString(kCaracteresDeLargura, QChar('x')))),
               std::max(caixa.sizeHint().height(), medidas.lineSpacing() * kLinhasDeAltura));
  // Qt sizes the columns from sample texts ("128.88 GB"...) that may be narrower than
  // what they show ("281 bytes"): once a folder is read, every column gets the width of
  // its contents (the name column never narrower than it was), and the dialog grows if
  // they need more room than it has.
  QObject::connect(modelo, &QFileSystemModel::directoryLoaded, &caixa, [&caixa, arvore] {
    QHeaderView* cabecalho = arvore->header();
    const int larguraNome = cabecalho->sectionSize(0);
    int soma = 0;
    for (int coluna = 0; coluna < cabecalho->count(); ++coluna) {
      arvore->resizeColumnToContents(coluna);
      if (coluna == 0)
        cabecalho->resizeSection(0, std::max(larguraNome, cabecalho->sectionSize(0)));
      soma += cabecalho->sectionSize(coluna);
    }
    const int falta = soma - arvore->viewport()->width();
    const QScreen* tela = caixa.screen();
    const int maximo = tela != nullptr ? tela->availableGeometry().width() : caixa.width() + falta;
    if (falta > 0) caixa.resize(std::min(caixa.width() + falta, maximo), caixa.height());
  });
}

namespace {
QString PastaDoDialogo(const DialogoArquivo& dialogo) {
  return dialogo.nomeArquivo.isEmpty() ? dialogo.pastaInicial : dialogo.nomeArquivo;
}
}  // namespace

std::optional<QString> PlataformaQt::EscolherArquivoAbrir(const DialogoArquivo& dialogo) {
  QFileDialog caixa(janela_, QString(), PastaDoDialogo(dialogo), FiltroQt(dialogo.filtro));
  caixa.setFileMode(QFileDialog::ExistingFile);
  DimensionarDialogoArquivo(caixa);
  if (caixa.exec() != QDialog::Accepted || caixa.selectedFiles().isEmpty()) return std::nullopt;
  return caixa.selectedFiles().constFirst();
}

std::optional<QString> PlataformaQt::EscolherArquivoSalvar(const DialogoArquivo& dialogo) {
  QFileDialog caixa(janela_, QString(), PastaDoDialogo(dialogo), FiltroQt(dialogo.filtro));
  caixa.setAcceptMode(QFileDialog::AcceptSave);
  DimensionarDialogoArquivo(caixa);
  // The window asks before it overwrites or appends: no question of the dialog's own.
  caixa.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (caixa.exec() != QDialog::Accepted || caixa.selectedFiles().isEmpty()) return std::nullopt;
  return caixa.selectedFiles().constFirst();
}

bool PlataformaQt::EscolherImpressora() {
  if (!impressora_) impressora_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  QPrintDialog caixa(impressora_.get(), janela_);
  return caixa.exec() == QDialog::Accepted;
}

void PlataformaQt::ImprimirLinhas(const std::vector<std::string>& linhas, int pontos) {
  if (!impressora_) impressora_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  ImprimirLinhasEm(*impressora_, linhas, pontos);
}

std::optional<std::string> PlataformaQt::AbrirDocumento(const QString& caminho) {
  if (QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::cleanPath(caminho)))) {
    return std::nullopt;
  }
  // Qt found no program to hand the file to; it says so on standard error only.
  if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) {
    return "A \xE1rea de trabalho n\xE3o tem o programa que abre arquivos (xdg-open, do "
           "pacote xdg-utils): instale-o ou abra o arquivo num programa de sua escolha.";
  }
  return "A \xE1rea de trabalho n\xE3o abriu o arquivo (xdg-open, plataforma gr\xE1"
         "fica \"" +
         Utf8ParaCp1252(QGuiApplication::platformName().toStdString()) +
         "\"): abra-o num programa de sua escolha.";
}

EstadoTrava PlataformaQt::TravarInstancia() {
  if (!trava_) trava_ = std::make_unique<TravaInstancia>(CaminhoTravaInstancia());
  return trava_->Estado();
}

void PlataformaQt::ProcessarEventos() {
  QCoreApplication::processEvents();
}

void PlataformaQt::CursorEspera(bool ligado) {
  if (ligado) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace nivora
