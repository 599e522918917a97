// TForm1, one point: PorTeclado with its checks and messages, and the saving and
// printing of the point line.
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/arquivo_texto.hpp"
#include "app/map.hpp"
#include "app/texto_qt.hpp"
#include "coords/ponto.hpp"
#include "geoid/consulta.hpp"
#include "text/erros.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"
#include "ui_map.h"

using nivora::ParaCp1252;
using nivora::ParaQt;

namespace {

constexpr const char* kRespostaOk = "OK";
constexpr const char* kMascaraOndulacao = "#00.00";
constexpr int kFonteImpressaoPt = 12;

constexpr const char* kFiltroSalvar = "Text File (*.txt)|*.txt";
constexpr const char* kExtensaoSalvar = "Text";
constexpr const char* kSufixoTexto = ".txt";

constexpr const char* kTituloSalvar = "Salvar um ponto";
constexpr const char* kPerguntaArquivoExiste =
    "Deseja Adicionar ao Arquivo(Inserir),Gravar por cima(Sobrescrever) ou N\xE3o fazer "
    "nada(Cancelar)";
constexpr const char* kConfirmaSobrescrever =
    "Todos os dados inseridos anteriormente neste arquivo ser\xE3o apagados.\r"
    "Tem certeza que deseja sobrescrever ? ";

std::string Texto(const QLineEdit* campo) {
  return ParaCp1252(campo->text());
}

}  // namespace

void TForm1::LigarBandaPonto() {
  const std::pair<QPushButton*, void (TForm1::*)()> botoes[] = {
      {ui->bbt_ProcessaPonto, &TForm1::bbt_ProcessaPontoClick},
      {ui->bbt_SalvarPonto, &TForm1::bbt_SalvarPontoClick},
      {ui->bbt_Imprime, &TForm1::bbt_ImprimeClick}};
  for (const auto& [botao, handler] : botoes) Ligar(botao, &QPushButton::clicked, handler);
}

std::string TForm1::VerificaPreenchimento() {
  const std::pair<const QLineEdit*, const char*> decimal[] = {
      {ui->Ed_Lat, "Latitude n\xE3o preenchida"}, {ui->Ed_Lon, "Longitude n\xE3o preenchida"}};
  const std::pair<const QLineEdit*, const char*> gms[] = {
      {ui->Ed_grau_Lat, "Grau Latitude n\xE3o preenchido"},
      {ui->Ed_min_Lat, "Minuto Latitude n\xE3o preenchido"},
      {ui->Ed_seg_Lat, "Segundo Latitude n\xE3o preenchido"},
      {ui->Ed_grau_Lon, "Grau Longitude n\xE3o preenchido"},
      {ui->Ed_min_Lon, "Minuto Longitude n\xE3o preenchido"},
      {ui->Ed_seg_Lon, "Segundo Longitude n\xE3o preenchido"}};
  const auto primeiroVazio = [](const auto& campos) -> std::string {
    for (const auto& [campo, mensagem] : campos) {
      if (nivora::Trim(Texto(campo)).empty()) return mensagem;
    }
    return kRespostaOk;
  };
  return ui->RadioButton1->isChecked() ? primeiroVazio(decimal) : primeiroVazio(gms);
}

void TForm1::PorTeclado() {
  const std::string resposta = VerificaPreenchimento();
  if (resposta != kRespostaOk) {
    Mostrar(nivora::TipoMensagem::Erro, nivora::kTituloErro, resposta);
    throw nivora::EAbortoSilencioso();
  }

  nivora::TPonto ponto;
  try {
    // The latitude first: when it is refused the longitude is not assigned at all.
    if (ui->RadioButton1->isChecked()) {
      ponto.TipoEntrada = nivora::TipoEntradaPonto::Decimal;
      ponto.AtribuiDecimal(Texto(ui->Ed_sinal_Lat), Texto(ui->Ed_Lat), false);
      ponto.AtribuiDecimal("-", Texto(ui->Ed_Lon), true);
    } else {
      ponto.TipoEntrada = nivora::TipoEntradaPonto::GMS;
      ponto.AtribuiGMS(Texto(ui->Ed_sinal_Lat), Texto(ui->Ed_grau_Lat), Texto(ui->Ed_min_Lat),
                       Texto(ui->Ed_seg_Lat), false);
      ponto.AtribuiGMS("-", Texto(ui->Ed_grau_Lon), Texto(ui->Ed_min_Lon), Texto(ui->Ed_seg_Lon),
                       true);
    }
  } catch (const std::exception&) {
    // A refused coordinate or a text that is no number: one box naming the item and
    // its valid range, then the whole command ends.
    const nivora::ErroPonto codigo = ponto.Erro;
    Mostrar(nivora::TipoMensagem::Erro, nivora::kTituloErro,
            nivora::MensagemErro(codigo) + "\r" + nivora::TextoLimite(codigo));
    ui->Ed_Ondulacao->clear();
    throw nivora::EAbortoSilencioso();
  }

  // Pending events first (a click that came meanwhile is handled before the query),
  // then the grid file as it is now.
  plataforma_.ProcessarEventos();
  ponto.Ondulacao = modelo_->ObterOndulacao(ponto.LatDec, ponto.LonDec);
  ui->Ed_Ondulacao->setText(
      ParaQt(nivora::AjustaCampo12(nivora::FormatFloat(kMascaraOndulacao, ponto.Ondulacao))));
}

void TForm1::bbt_ProcessaPontoClick() {
  PorTeclado();
}

std::string TForm1::ComporLinhaPonto(bool impresso) {
  std::string sinal = Texto(ui->Ed_sinal_Lat);
  if (sinal.empty()) sinal = "+";
  const std::string id =
      nivora::Justifica(nivora::Trim(Texto(ui->ed_IdPonto)), nivora::kLarguraId, "R", ' ');
  std::string lat;
  std::string lon;
  if (ui->RadioButton1->isChecked()) {
    lat = sinal + Texto(ui->Ed_Lat);
    lon = std::string(1, '-').append(Texto(ui->Ed_Lon));
  } else {
    // The printed page has two blanks between the parts, except one between the
    // longitude's minutes and seconds; the saved file has one everywhere.
    const std::string separador = impresso ? "  " : " ";
    lat = sinal + Texto(ui->Ed_grau_Lat) + separador + Texto(ui->Ed_min_Lat) + separador +
          Texto(ui->Ed_seg_Lat);
    lon = std::string(1, '-')
              .append(Texto(ui->Ed_grau_Lon))
              .append(separador)
              .append(Texto(ui->Ed_min_Lon))
              .append(" ")
              .append(Texto(ui->Ed_seg_Lon));
  }
  return id + "  " + lat + "   " + lon + "   " + Texto(ui->Ed_Ondulacao);
}

void TForm1::bbt_SalvarPontoClick() {
  PorTeclado();

  estado_.SaveDialog1.filtro = QString::fromLatin1(kFiltroSalvar);
  estado_.SaveDialog1.extensaoPadrao = QString::fromLatin1(kExtensaoSalvar);
  const std::optional<QString> escolhido = plataforma_.EscolherArquivoSalvar(estado_.SaveDialog1);
  if (!escolhido) return;
  estado_.SaveDialog1.nomeArquivo = *escolhido;
  // A name typed without an extension gets the text file's one.
  QString arquivo = *escolhido;
  if (QFileInfo(arquivo).suffix().isEmpty()) arquivo += QLatin1String(kSufixoTexto);

  auto modo = nivora::ArquivoTexto::Modo::Criar;
  if (QFileInfo::exists(arquivo)) {
    nivora::PedidoMensagem pergunta;
    pergunta.tipo = nivora::TipoMensagem::Confirmacao;
    pergunta.titulo = kTituloSalvar;
    pergunta.texto = kPerguntaArquivoExiste;
    pergunta.botoes = {{nivora::Resposta::Sim, "Inserir"},
                       {nivora::Resposta::Nao, "Sobrescrever"},
                       {nivora::Resposta::Cancelar, "Cancelar"}};
    pergunta.padrao = nivora::Resposta::Sim;
    pergunta.escape = nivora::Resposta::Cancelar;
    const nivora::Resposta resposta = plataforma_.MostrarMensagem(pergunta);
    if (resposta == nivora::Resposta::Sim) {
      modo = nivora::ArquivoTexto::Modo::Anexar;
    } else if (resposta == nivora::Resposta::Nao) {
      nivora::PedidoMensagem confirma;
      confirma.tipo = nivora::TipoMensagem::Aviso;
      confirma.titulo = nivora::kTituloAviso;
      confirma.texto = kConfirmaSobrescrever;
      confirma.botoes = {{nivora::Resposta::Sim, {}}, {nivora::Resposta::Nao, {}}};
      confirma.padrao = nivora::Resposta::Sim;
      confirma.escape = nivora::Resposta::Nao;
      if (plataforma_.MostrarMensagem(confirma) != nivora::Resposta::Sim) return;
    } else {
      return;
    }
  }

  nivora::ArquivoTexto saida(arquivo, modo);
  saida.EscreverLinha(ComporLinhaPonto(false));
  saida.Fechar();
}

void TForm1::bbt_ImprimeClick() {
  PorTeclado();
  const std::string linha = ComporLinhaPonto(true);
  if (!plataforma_.EscolherImpressora()) return;
  try {
    plataforma_.ImprimirLinhas({linha}, kFonteImpressaoPt);
  } catch (const nivora::EEntradaSaida&) {
    // An input/output failure while printing abandons the job without a message.
  }
}
