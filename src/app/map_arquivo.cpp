// TForm1, file band: the mode switch of the file controls, the format boxes with
// their "Via Arquivo" menu items, the wiring of the batch run's buttons and menu
// items (the run itself is in map_arquivo_execucao.cpp), and the band's rules that
// need no window: the proposed output name and the input name's key filter.
#include "app/map_arquivo.hpp"

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "app/map.hpp"
#include "app/texto_qt.hpp"
#include "ui_map.h"

namespace nivora {

QString NomeSaidaProposto(const QString& entrada) {
  constexpr qsizetype kCaracteresTrocados = 4;
  const QString sufixo = QString::fromLatin1(kSufixoSaida);
  if (entrada.size() <= kCaracteresTrocados) return sufixo;
  return entrada.left(entrada.size() - kCaracteresTrocados) + sufixo;
}

QString AparaTexto(const QString& texto) {
  constexpr char16_t kUltimoControle = u' ';
  qsizetype inicio = 0;
  qsizetype fim = texto.size();
  while (inicio < fim && texto[inicio].unicode() <= kUltimoControle) ++inicio;
  while (fim > inicio && texto[fim - 1].unicode() <= kUltimoControle) --fim;
  return texto.mid(inicio, fim - inicio);
}

bool RecusaTeclaNomeEntrada(const QKeyEvent& tecla) {
  constexpr char16_t kBackspace = 8;
  constexpr char16_t kEnter = 13;
  constexpr char16_t kApagar = 127;
  const int codigo = tecla.key();
  if (codigo == Qt::Key_Backspace || codigo == Qt::Key_Delete || codigo == Qt::Key_Tab ||
      codigo == Qt::Key_Backtab) {
    return false;
  }
  // Control + letter types a control character (copy, cut, paste...): refused.
  const Qt::KeyboardModifiers mods = tecla.modifiers();
  if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && codigo >= Qt::Key_At &&
      codigo <= Qt::Key_Underscore) {
    return true;
  }
  const QString texto = tecla.text();
  if (texto.isEmpty()) return false;  // moves the cursor, types nothing
  if (texto.size() != 1) return true;
  const char16_t c = texto.front().unicode();
  return c != kBackspace && c != kEnter && c != kApagar;
}

}  // namespace nivora

using nivora::ParaQt;

namespace {

constexpr const char* kTokenId = "ID";

/// Position of `texto` in the token list (letter case ignored), -1 when absent.
int IndiceToken(const QListWidget* lista, const QString& texto) {
  for (int i = 0; i < lista->count(); ++i) {
    if (lista->item(i)->text().compare(texto, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

void RemoveToken(QListWidget* lista, const QString& texto) {
  const int indice = IndiceToken(lista, texto);
  if (indice >= 0) delete lista->takeItem(indice);
}

/// A coordinate layout box: its code, its column pattern and its description.
struct LayoutCoordenadas {
  const char* codigo;
  const char* padrao;  ///< "|" marks the gap between two columns
  const char* descricao;
};

constexpr LayoutCoordenadas kLayouts[] = {
    {"0", "(+/-)GG.DDDD|-GG.DDDD", "Latitude(G.DDDD) Longitude(G.DDDD)"},
    {"1", "-GG.DDDD|(+/-)GG.DDDD", "Longitude(G.DDDD) Latitude(G.DDDD)"},
    {"2", "(+/-)GG|MM|SS.SSSS|-GG|MM|SS.SSSS", "Latitude(GMS) Longitude(GMS) "},
    {"3", "-GG|MM|SS.SSSS|(+/-)GG|MM|SS.SSSS", "Longitude(GMS) Latitude(GMS)"},
};

/// The key filter of the input name field (Ed_EntradaArquivoKeyPress). The window's
/// own filter has already taken Enter.
class FiltroNomeEntrada : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* objeto, QEvent* evento) override {
    if (evento->type() == QEvent::KeyPress &&
        nivora::RecusaTeclaNomeEntrada(*static_cast<QKeyEvent*>(evento))) {
      return true;
    }
    return QObject::eventFilter(objeto, evento);
  }
};

/// Sets a box to the opposite of its state; its handler runs as for a click.
void Alternar(QCheckBox* caixa) {
  caixa->setChecked(!caixa->isChecked());
}

}  // namespace

void TForm1::LigarBandaArquivo() {
  for (QCheckBox* caixa : {ui->ChckBx_Ponto_E, ui->Chck_LatLon_Dec, ui->Chck_LonLat_Dec,
                           ui->Chck_LatLon_GMS, ui->Chck_LonLat_GMS}) {
    connect(caixa, &QCheckBox::toggled, this,
            [this, caixa] { Comando([this, caixa] { CompletaEntrada(caixa); }); });
  }
  LigarCaixa(ui->ChckBx_Ponto_S, &TForm1::ChckBx_Ponto_SClick);
  LigarCaixa(ui->ChckBx_Coord_S, &TForm1::ChckBx_Coord_SClick);

  const std::pair<QPushButton*, void (TForm1::*)()> botoes[] = {
      {ui->bbt_ArqEntrada, &TForm1::bbt_ArqEntradaClick},
      {ui->bbt_ProcessaArq, &TForm1::bbt_ProcessaArqClick},
      {ui->bbt_Cancela, &TForm1::bbt_CancelaClick},
  };
  for (const auto& [botao, handler] : botoes) Ligar(botao, &QPushButton::clicked, handler);
  const std::pair<QAction*, void (TForm1::*)()> menus[] = {
      {ui->IdentificaodoPonto2, &TForm1::IdentificaodoPonto2Click},
      {ui->LatitudeLongitudeGGDDDD1, &TForm1::LatitudeLongitudeGGDDDD1Click},
      {ui->LongitudeLatitudeGGDDDD1, &TForm1::LongitudeLatitudeGGDDDD1Click},
      {ui->LatitudeLongitudeG1, &TForm1::LatitudeLongitudeG1Click},
      {ui->IdPontoLongitudeLatitudeGGMMSSSSSS1, &TForm1::IdPontoLongitudeLatitudeGGMMSSSSSS1Click},
      {ui->NomedoArquivodeEntrada1, &TForm1::NomedoArquivodeEntrada1Click},
      {ui->IdentificaodoPonto3, &TForm1::IdentificaodoPonto3Click},
      {ui->Las1, &TForm1::Las1Click},
      {ui->Ondulao1, &TForm1::Ondulao1Click},
      {ui->Executar2, &TForm1::Executar2Click},
      {ui->Cancelar1, &TForm1::Cancelar1Click},
  };
  for (const auto& [acao, handler] : menus) Ligar(acao, &QAction::triggered, handler);
  ui->Ed_EntradaArquivo->installEventFilter(new FiltroNomeEntrada(ui->Ed_EntradaArquivo));
}

void TForm1::HabilitaArquivo(bool habilitar) {
  if (!habilitar) {
    for (QCheckBox* caixa :
         {ui->ChckBx_Ponto_E, ui->Chck_LatLon_Dec, ui->Chck_LonLat_Dec, ui->Chck_LatLon_GMS,
          ui->Chck_LonLat_GMS, ui->ChckBx_Ponto_S, ui->ChckBx_Coord_S}) {
      caixa->setChecked(false);
    }
    for (QLabel* rotulo : {ui->Label13, ui->Label15, ui->Label16, ui->Label17, ui->Label18}) {
      rotulo->hide();
    }
    ui->ProgressBar1->setValue(0);
  }
  for (QPushButton* botao : {ui->bbt_ArqEntrada, ui->bbt_SalvaArq, ui->bbt_ProcessaArq}) {
    botao->setEnabled(habilitar);
  }
  ui->Ed_EntradaArquivo->clear();
  ui->Ed_SaidaArquivo->clear();
}

void TForm1::LimpaEntradaArquivo() {
  for (QCheckBox* caixa :
       {ui->ChckBx_Ponto_E, ui->Chck_LatLon_Dec, ui->Chck_LonLat_Dec, ui->Chck_LatLon_GMS,
        ui->Chck_LonLat_GMS, ui->ChckBx_Ponto_S, ui->ChckBx_Coord_S}) {
    caixa->setChecked(false);
  }
  for (QPushButton* botao : {ui->bbt_ArqEntrada, ui->bbt_SalvaArq, ui->bbt_ProcessaArq}) {
    botao->setEnabled(false);
  }
  ui->Ed_EntradaArquivo->clear();
  ui->Ed_SaidaArquivo->clear();
}

void TForm1::CompletaEntrada(QCheckBox* sender) {
  QListWidget* lista = ui->ListBox1;
  QCheckBox* const caixasCoordenadas[] = {ui->Chck_LatLon_Dec, ui->Chck_LonLat_Dec,
                                          ui->Chck_LatLon_GMS, ui->Chck_LonLat_GMS};
  if (sender == ui->ChckBx_Ponto_E) {
    if (sender->isChecked()) {
      lista->addItem(QString::fromLatin1(kTokenId));
      ui->CheckBox2->setChecked(true);
    } else {
      RemoveToken(lista, QString::fromLatin1(kTokenId));
    }
  }
  for (std::size_t i = 0; i < std::size(caixasCoordenadas); ++i) {
    if (sender != caixasCoordenadas[i]) continue;
    const QString codigo = QString::fromLatin1(kLayouts[i].codigo);
    if (sender->isChecked()) {
      ui->CheckBox2->setChecked(true);
      for (QCheckBox* outra : caixasCoordenadas) {
        if (outra != sender) outra->setChecked(false);  // runs this handler, nested
      }
      lista->addItem(codigo);
      for (const LayoutCoordenadas& layout : kLayouts) {
        if (&layout != &kLayouts[i]) RemoveToken(lista, QString::fromLatin1(layout.codigo));
      }
      estado_.FormatoCoord = kLayouts[i].codigo;
    } else {
      RemoveToken(lista, codigo);
    }
  }

  // The composed layout, as a pattern and as a description.
  std::string padrao;
  std::string descricao;
  for (const LayoutCoordenadas& layout : kLayouts) {
    if (IndiceToken(lista, QString::fromLatin1(layout.codigo)) < 0) continue;
    const std::string colunas = layout.padrao;
    std::size_t inicio = 0;
    for (std::size_t fim = colunas.find('|'); fim != std::string::npos;
         inicio = fim + 1, fim = colunas.find('|', inicio)) {
      padrao += colunas.substr(inicio, fim - inicio) + EspacoColunas;
    }
    padrao += colunas.substr(inicio);
    descricao = layout.descricao;
    break;
  }
  const int posicaoId = IndiceToken(lista, QString::fromLatin1(kTokenId));
  if (posicaoId == 0) {
    padrao = std::string(kTokenId) + EspacoColunas + padrao;
    descricao = "Identifica\xE7\xE3o " + descricao;
  } else if (posicaoId == 1) {
    padrao = padrao + EspacoColunas + kTokenId;
    descricao = descricao + " Identifica\xE7\xE3o";
  }
  ui->Edt_Entrada->setText(ParaQt(padrao));
  ui->L_1->setText(ParaQt(descricao));
}

void TForm1::ChckBx_Ponto_SClick() {
  if (ui->ChckBx_Ponto_S->isChecked()) ui->CheckBox2->setChecked(true);
}

void TForm1::ChckBx_Coord_SClick() {
  if (ui->ChckBx_Coord_S->isChecked()) ui->CheckBox2->setChecked(true);
}

void TForm1::IdentificaodoPonto2Click() {
  RecusarDuranteLote();
  Alternar(ui->ChckBx_Ponto_E);
}
void TForm1::LatitudeLongitudeGGDDDD1Click() {
  RecusarDuranteLote();
  Alternar(ui->Chck_LatLon_Dec);
}
void TForm1::LongitudeLatitudeGGDDDD1Click() {
  RecusarDuranteLote();
  Alternar(ui->Chck_LonLat_Dec);
}
void TForm1::LatitudeLongitudeG1Click() {
  RecusarDuranteLote();
  Alternar(ui->Chck_LatLon_GMS);
}
void TForm1::IdPontoLongitudeLatitudeGGMMSSSSSS1Click() {
  RecusarDuranteLote();
  Alternar(ui->Chck_LonLat_GMS);
}

void TForm1::IdentificaodoPonto3Click() {
  RecusarDuranteLote();
  Alternar(ui->ChckBx_Ponto_S);
  ui->ChckBx_Coord_S->setChecked(false);
}
void TForm1::Las1Click() {
  RecusarDuranteLote();
  ui->ChckBx_Ponto_S->setChecked(true);
  ui->ChckBx_Coord_S->setChecked(true);
}
void TForm1::Ondulao1Click() {
  RecusarDuranteLote();
  ui->ChckBx_Coord_S->setChecked(true);
  ui->ChckBx_Ponto_S->setChecked(false);
}

bool TForm1::FormatoPreenchido() const {
  return ui->Chck_LatLon_Dec->isChecked() || ui->Chck_LonLat_Dec->isChecked() ||
         ui->Chck_LatLon_GMS->isChecked() || ui->Chck_LonLat_GMS->isChecked();
}
