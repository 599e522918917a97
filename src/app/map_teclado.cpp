// TForm1, keyboard band: the mode switches, the notation, the key filters, the
// normalisation of a field when it is left, and the "Via Teclado" menu.
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>

#include "app/map.hpp"
#include "app/texto_qt.hpp"
#include "text/textos.hpp"
#include "ui_map.h"

using nivora::ParaCp1252;
using nivora::ParaQt;

namespace {

/// What a field accepts from the keyboard.
enum class FiltroTecla { Livre, Decimal, Inteiro, Sinal };

/// Normalisation class of a field (its "Tag" in the window definition).
enum ClasseCampo { kTextoLivre = 0, kInteiroDoisDigitos = 2, kNumeroDecimal = 3 };

constexpr QRgb kFundoFoco = qRgb(255, 255, 0);  // yellow
constexpr int kFonteCampoPt = 8;

/// Keeps the identifier in upper case, typed or pasted.
class ValidadorMaiusculas : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& texto, int& /*posicao*/) const override {
    texto = texto.toUpper();
    return Acceptable;
  }
};

bool EhDigito(QChar c) {
  return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

}  // namespace

void TForm1::LigarBandaTeclado() {
  LigarCaixa(ui->CheckBox1, &TForm1::CheckBox1Click);
  LigarCaixa(ui->CheckBox2, &TForm1::CheckBox2Click);
  // A radio button's handler runs only when it becomes selected.
  const std::pair<QRadioButton*, void (TForm1::*)()> radios[] = {
      {ui->RadioButton1, &TForm1::RadioButton1Click},
      {ui->RadioButton2, &TForm1::RadioButton2Click}};
  for (const auto& [radio, handler] : radios) {
    radio->setFocusPolicy(radio->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    connect(radio, &QRadioButton::toggled, this, [this, radio = radio, handler = handler](bool on) {
      // Tab reaches only the selected button of the group.
      radio->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
      if (on) Comando([this, handler] { (this->*handler)(); });
    });
  }
  Ligar(ui->bbt_Limpa, &QPushButton::clicked, &TForm1::bbt_LimpaClick);
  Ligar(ui->Ed_Lon, &QLineEdit::textChanged, &TForm1::Ed_LonChange);
  ui->ed_IdPonto->setValidator(new ValidadorMaiusculas(ui->ed_IdPonto));
}

void TForm1::CheckBox1Click() {
  if (ui->CheckBox1->isChecked()) {
    ui->CheckBox2->setChecked(false);
    HabilitaArquivo(false);
    HabilitaTeclado(true);
  } else {
    HabilitaTeclado(false);
  }
}

void TForm1::CheckBox2Click() {
  if (ui->CheckBox2->isChecked()) {
    ui->CheckBox1->setChecked(false);
    HabilitaTeclado(false);
    HabilitaArquivo(true);
  } else {
    HabilitaArquivo(false);
  }
}

void TForm1::RadioButton1Click() {
  SelecionaFormato(ui->RadioButton1->isChecked());
}
void TForm1::RadioButton2Click() {
  SelecionaFormato(ui->RadioButton1->isChecked());
}

void TForm1::SelecionaFormato(bool decimal) {
  ui->CheckBox1->setChecked(true);
  bbt_LimpaClick();
  for (QLineEdit* campo : {ui->Ed_Lat, ui->Ed_Lon}) {
    campo->setVisible(decimal);
    campo->setEnabled(decimal);
  }
  for (QLineEdit* campo : {ui->Ed_grau_Lat, ui->Ed_min_Lat, ui->Ed_seg_Lat, ui->Ed_grau_Lon,
                           ui->Ed_min_Lon, ui->Ed_seg_Lon}) {
    campo->setVisible(!decimal);
    campo->setEnabled(!decimal);
  }
}

void TForm1::HabilitaTeclado(bool habilitar) {
  for (QWidget* controle :
       {static_cast<QWidget*>(ui->ed_IdPonto), static_cast<QWidget*>(ui->Ed_Ondulacao),
        static_cast<QWidget*>(ui->Ed_Lat), static_cast<QWidget*>(ui->Ed_Lon),
        static_cast<QWidget*>(ui->Ed_sinal_Lat), static_cast<QWidget*>(ui->Ed_grau_Lat),
        static_cast<QWidget*>(ui->Ed_min_Lat), static_cast<QWidget*>(ui->Ed_seg_Lat),
        static_cast<QWidget*>(ui->Ed_grau_Lon), static_cast<QWidget*>(ui->Ed_min_Lon),
        static_cast<QWidget*>(ui->Ed_seg_Lon), static_cast<QWidget*>(ui->bbt_SalvarPonto),
        static_cast<QWidget*>(ui->bbt_Imprime), static_cast<QWidget*>(ui->bbt_ProcessaPonto),
        static_cast<QWidget*>(ui->bbt_Limpa)}) {
    controle->setEnabled(habilitar);
  }
  if (!habilitar) bbt_LimpaClick();
}

void TForm1::bbt_LimpaClick() {
  for (QLineEdit* campo :
       {ui->ed_IdPonto, ui->Ed_Lat, ui->Ed_Lon, ui->Ed_sinal_Lat, ui->Ed_grau_Lat, ui->Ed_min_Lat,
        ui->Ed_seg_Lat, ui->Ed_grau_Lon, ui->Ed_min_Lon, ui->Ed_seg_Lon, ui->Ed_Ondulacao}) {
    campo->clear();
  }
}

void TForm1::Ed_LonChange() {
  // The longitude is typed as a magnitude: its sign is always west.
  const std::string texto = ParaCp1252(ui->Ed_Lon->text());
  const std::string limpo = nivora::ReplaceStr(nivora::ReplaceStr(texto, "-", ""), "+", "");
  if (limpo != texto) ui->Ed_Lon->setText(ParaQt(limpo));
}

bool TForm1::CampoDaBandaTeclado(QObject* objeto) const {
  return objeto == ui->ed_IdPonto || objeto == ui->Ed_sinal_Lat || objeto == ui->Ed_Lat ||
         objeto == ui->Ed_Lon || objeto == ui->Ed_grau_Lat || objeto == ui->Ed_min_Lat ||
         objeto == ui->Ed_seg_Lat || objeto == ui->Ed_grau_Lon || objeto == ui->Ed_min_Lon ||
         objeto == ui->Ed_seg_Lon;
}

void TForm1::Entra(QLineEdit* campo) {
  // The decimal fields keep the standard background while focused.
  if (campo == ui->Ed_Lat || campo == ui->Ed_Lon || !CampoDaBandaTeclado(campo)) return;
  QPalette paleta = campo->palette();
  paleta.setColor(QPalette::Base, QColor(kFundoFoco));
  campo->setPalette(paleta);
}

void TForm1::Sai(QLineEdit* campo) {
  if (!CampoDaBandaTeclado(campo)) return;
  QFont fonte = campo->font();
  fonte.setPointSize(kFonteCampoPt);
  campo->setFont(fonte);
  QPalette paleta = campo->palette();
  paleta.setColor(QPalette::Base, QApplication::palette(campo).color(QPalette::Base));
  campo->setPalette(paleta);

  const int classe = campo->property("Tag").toInt();
  if (classe != kInteiroDoisDigitos && classe != kNumeroDecimal) return;

  // Only digits and separators survive (text pasted past the key filters).
  std::string texto = nivora::Trim(ParaCp1252(campo->text()));
  for (const char c : std::string(texto)) {
    const bool aceito = (c >= '0' && c <= '9') || c == ',' || c == '.';
    if (!aceito) texto = nivora::ReplaceStr(texto, std::string(1, c), " ");
  }
  texto = nivora::ReplaceStr(texto, " ", "");
  if (classe == kNumeroDecimal) texto = nivora::ReplaceStr(texto, ",", ".");

  const std::string aparado = nivora::Trim(texto);
  if (classe == kInteiroDoisDigitos && aparado.size() == 1) {
    texto = nivora::Justifica(aparado, 2, "L", '0');  // 7 -> 07
  }
  if (classe == kNumeroDecimal && !aparado.empty()) {
    // DD.dddd: the integer part cut to two digits, the decimals cut (not rounded) to four.
    const std::string inteiro = nivora::ObterTermo(1, ".", aparado);
    const std::string decimais = nivora::ObterTermo(2, ".", aparado);
    texto =
        nivora::Justifica(inteiro, 2, "L", '0') + "." + nivora::Justifica(decimais, 4, "R", '0');
  }
  campo->setText(ParaQt(texto));
}

bool TForm1::RecusaTecla(QLineEdit* campo, QKeyEvent* tecla) {
  FiltroTecla filtro = FiltroTecla::Livre;
  if (campo == ui->Ed_Lat || campo == ui->Ed_Lon || campo == ui->Ed_seg_Lat ||
      campo == ui->Ed_seg_Lon) {
    filtro = FiltroTecla::Decimal;
  } else if (campo == ui->Ed_grau_Lat || campo == ui->Ed_min_Lat || campo == ui->Ed_grau_Lon ||
             campo == ui->Ed_min_Lon) {
    filtro = FiltroTecla::Inteiro;
  } else if (campo == ui->Ed_sinal_Lat) {
    filtro = FiltroTecla::Sinal;
  }
  if (filtro == FiltroTecla::Livre) return false;

  const int tecla_ = tecla->key();
  // Editing and focus keys are not typed characters.
  if (tecla_ == Qt::Key_Backspace || tecla_ == Qt::Key_Delete || tecla_ == Qt::Key_Tab ||
      tecla_ == Qt::Key_Backtab) {
    return false;
  }
  // Control + letter makes a control character (copy, cut, paste...): refused.
  const Qt::KeyboardModifiers mods = tecla->modifiers();
  if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier)) {
    return tecla_ >= Qt::Key_At && tecla_ <= Qt::Key_Underscore;
  }
  const QString texto = tecla->text();
  if (texto.isEmpty()) return false;  // cursor movement, not a character
  if (texto.size() != 1) return true;
  const QChar c = texto.front();
  // A sign typed where the latitude begins goes to the sign field: the fields hold
  // magnitudes, and a dropped "-" would put the point north of the equator.
  if ((campo == ui->Ed_Lat || campo == ui->Ed_grau_Lat) &&
      (c == QLatin1Char('-') || c == QLatin1Char('+'))) {
    ui->Ed_sinal_Lat->setText(c);
    return true;
  }
  switch (filtro) {
    case FiltroTecla::Decimal:
      if (EhDigito(c)) return false;
      if (c == QLatin1Char(',') || c == QLatin1Char('.')) {
        if (campo->text().contains(QLatin1Char('.'))) return true;  // one separator only
        if (c == QLatin1Char(',')) {
          campo->insert(QStringLiteral("."));
          return true;
        }
        return false;
      }
      return true;
    case FiltroTecla::Inteiro:
      return !EhDigito(c);
    case FiltroTecla::Sinal:
      return c != QLatin1Char(' ') && c != QLatin1Char('+') && c != QLatin1Char('-');
    case FiltroTecla::Livre:
      break;
  }
  return false;
}

void TForm1::Latitude1Click() {
  RecusarDuranteLote();
  CheckBox1Click();
  ui->RadioButton1->setChecked(true);
  DarFoco(ui->RadioButton1);
}

void TForm1::Longirude1Click() {
  RecusarDuranteLote();
  CheckBox2Click();
  ui->RadioButton2->setChecked(true);
  DarFoco(ui->RadioButton2);
}

void TForm1::IdentificaodoPonto1Click() {
  RecusarDuranteLote();
  LimpaEntradaArquivo();
  DarFoco(ui->ed_IdPonto, kMsgTecladoDesligado);
}

void TForm1::Executar1Click() {
  RecusarDuranteLote();
  LimpaEntradaArquivo();
  // The field being left is normalised first.
  DarFoco(ui->bbt_ProcessaPonto, kMsgTecladoDesligado);
  bbt_ProcessaPontoClick();
}

void TForm1::Salvar1Click() {
  bbt_SalvarPontoClick();
}
void TForm1::Imprimir1Click() {
  bbt_ImprimeClick();
}
void TForm1::Limparcampos1Click() {
  bbt_LimpaClick();
}
