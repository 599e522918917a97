// Draws the window pictures:
//   nivora_gerar_figuras simbolos <output folder>
//       logo.jpg (126 x 24), icone.png and the 20 x 20 button glyphs, kept in assets/
//       and drawn again by the target gerar_figuras;
//   nivora_gerar_figuras ilustracao <grid> <maps folder> <output jpg>
//       the illustration (600 x 250): the small map that tools/gerar_mapas.sh drew from
//       the grid, with title, source and the range of N beside it; made by the build;
//   nivora_gerar_figuras miniatura <grid> <maps folder> <map name> <output png> <width>
//       a map scaled to a width in pixels, for the README (target mapa_readme).
// The pictures made from the grid carry its SHA-256 (ferramentas::kChaveSha256Grade).
// Run under the offscreen platform (QT_QPA_PLATFORM=offscreen).
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>

#include "figuras_comum.hpp"

namespace {

using ferramentas::Campo;

constexpr int kIlustracaoLarguraPx = 600;
constexpr int kIlustracaoAlturaPx = 250;
constexpr int kLogoLarguraPx = 126;
constexpr int kLogoAlturaPx = 24;
constexpr int kGlifoLadoPx = 20;
constexpr int kIconeLadoPx = 256;
constexpr int kQualidadeJpeg = 92;
constexpr int kMargemPx = 4;

// One palette for every glyph and the icon.
const QColor kContorno(40, 50, 70);
const QColor kAzul(45, 110, 190);
const QColor kAzulClaro(150, 195, 240);
const QColor kVerde(50, 150, 70);
const QColor kVermelho(200, 50, 50);
const QColor kAmarelo(240, 200, 70);
const QColor kCinza(200, 205, 215);

QFont Fonte(int pixels, bool negrito = false) {
  QFont fonte(QStringLiteral("DejaVu Sans"));
  fonte.setPixelSize(pixels);
  fonte.setBold(negrito);
  fonte.setStyleHint(QFont::SansSerif);
  return fonte;
}

// The map at the left, centred in the height; beside it the title, the source and the
// range of N over the model area.
QImage DesenharIlustracao(const Campo& grade, const QImage& mapaOriginal) {
  QImage imagem(kIlustracaoLarguraPx, kIlustracaoAlturaPx, QImage::Format_RGB32);
  imagem.fill(Qt::white);
  QPainter pintor(&imagem);
  pintor.setRenderHint(QPainter::Antialiasing);
  pintor.setRenderHint(QPainter::TextAntialiasing);

  // Drawn by GMT at the picture's own resolution; scaled only if it would not fit.
  const QSize espaco(kIlustracaoLarguraPx / 2, kIlustracaoAlturaPx - 2 * kMargemPx);
  QImage mapa = mapaOriginal;
  if (mapa.width() > espaco.width() || mapa.height() > espaco.height())
    mapa = mapa.scaled(espaco, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  const int topo = (kIlustracaoAlturaPx - mapa.height()) / 2;
  pintor.drawImage(QPoint(kMargemPx, topo), mapa);

  const ferramentas::Estatisticas est = ferramentas::CalcularEstatisticas(grade);
  const double textoX = kMargemPx + mapa.width() + 14;
  pintor.setPen(QColor(0, 0, 0x80));
  pintor.setFont(Fonte(20, true));
  pintor.drawText(QPointF(textoX, 36), QString::fromUtf8("Ondula\u00e7\u00e3o Geoidal"));
  pintor.setPen(Qt::black);
  pintor.setFont(Fonte(12, true));
  pintor.drawText(QPointF(textoX, 57), QStringLiteral("NIVORA2015 - SIRGAS2000"));
  pintor.setFont(Fonte(11));
  const QStringList linhas{
      QString::fromUtf8("N em metros; contornos a cada 5 m,"),
      QString::fromUtf8("rotulados a cada 10 m"),
      QString::fromUtf8("Na \u00e1rea do modelo: m\u00ednimo ") +
          ferramentas::Numero(est.minimo, "#0.00") + " m,",
      QString::fromUtf8("m\u00e1ximo ") + ferramentas::Numero(est.maximo, "#0.00") + " m",
      QString::fromUtf8("Tracejado vermelho: limites da \u00e1rea"),
  };
  double y = 84;
  for (const QString& linha : linhas) {
    pintor.drawText(QPointF(textoX, y), linha);
    y += 18;
  }
  pintor.setFont(Fonte(10));
  pintor.setPen(QColor(70, 70, 70));
  const QStringList fonte{
      QString::fromUtf8("Fonte: EGM96 (grade de 15') avaliado pelo"),
      QString::fromUtf8("PROJ (vgridshift) em cada n\u00f3 da grade de 5'."),
      QString::fromUtf8("N > 0: geoide acima do elipsoide."),
  };
  y = kIlustracaoAlturaPx - kMargemPx - 15.0 * (fonte.size() - 1) - 4;
  for (const QString& linha : fonte) {
    pintor.drawText(QPointF(textoX, y), linha);
    y += 15;
  }
  pintor.end();
  return imagem;
}

QImage DesenharLogo() {
  QImage imagem(kLogoLarguraPx, kLogoAlturaPx, QImage::Format_RGB32);
  QPainter pintor(&imagem);
  pintor.setRenderHint(QPainter::Antialiasing);
  pintor.setRenderHint(QPainter::TextAntialiasing);
  QLinearGradient fundo(0, 0, kLogoLarguraPx, 0);
  fundo.setColorAt(0, QColor(0, 0, 0x80));
  fundo.setColorAt(1, kAzul);
  pintor.fillRect(imagem.rect(), fundo);
  // The geoid: a wave over the ellipsoid's straight line.
  QPainterPath onda;
  onda.moveTo(4, 15);
  onda.cubicTo(9, 6, 14, 22, 20, 12);
  pintor.setPen(QPen(kAmarelo, 2));
  pintor.drawPath(onda);
  pintor.setPen(QPen(QColor(220, 230, 245), 1));
  pintor.drawLine(QPointF(3, 17.5), QPointF(21, 17.5));
  pintor.setPen(Qt::white);
  pintor.setFont(Fonte(13, true));
  pintor.drawText(QRectF(24, 0, kLogoLarguraPx - 26, kLogoAlturaPx), Qt::AlignCenter,
                  QStringLiteral("NIVORA2015"));
  pintor.end();
  return imagem;
}

QImage DesenharIcone() {
  QImage imagem(kIconeLadoPx, kIconeLadoPx, QImage::Format_ARGB32_Premultiplied);
  imagem.fill(Qt::transparent);
  QPainter pintor(&imagem);
  pintor.setRenderHint(QPainter::Antialiasing);
  pintor.scale(kIconeLadoPx / 100.0, kIconeLadoPx / 100.0);
  QLinearGradient fundo(0, 0, 0, 100);
  fundo.setColorAt(0, QColor(0, 0, 0x80));
  fundo.setColorAt(1, kAzul);
  pintor.setPen(QPen(kContorno, 2));
  pintor.setBrush(fundo);
  pintor.drawRoundedRect(QRectF(4, 4, 92, 92), 16, 16);
  // Ellipsoid line, geoid wave and the undulation N between them.
  pintor.setPen(QPen(QColor(220, 230, 245), 4));
  pintor.drawLine(QPointF(14, 66), QPointF(86, 66));
  QPainterPath onda;
  onda.moveTo(14, 60);
  onda.cubicTo(30, 25, 48, 80, 62, 46);
  onda.cubicTo(70, 30, 80, 40, 86, 50);
  pintor.setPen(QPen(kAmarelo, 6, Qt::SolidLine, Qt::RoundCap));
  pintor.setBrush(Qt::NoBrush);
  pintor.drawPath(onda);
  pintor.setPen(QPen(Qt::white, 3));
  pintor.drawLine(QPointF(62, 50), QPointF(62, 63));
  pintor.setFont(Fonte(26, true));
  pintor.drawText(QRectF(14, 66, 72, 28), Qt::AlignCenter, QStringLiteral("N"));
  pintor.end();
  return imagem;
}

// Every glyph is drawn on a 100 x 100 design grid and scaled to the glyph size.
QImage Glifo(const std::function<void(QPainter&)>& desenho) {
  QImage imagem(kGlifoLadoPx, kGlifoLadoPx, QImage::Format_ARGB32_Premultiplied);
  imagem.fill(Qt::transparent);
  QPainter pintor(&imagem);
  pintor.setRenderHint(QPainter::Antialiasing);
  pintor.scale(kGlifoLadoPx / 100.0, kGlifoLadoPx / 100.0);
  pintor.setPen(QPen(kContorno, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  desenho(pintor);
  pintor.end();
  return imagem;
}

void Processa(QPainter& p) {  // a sigma-like wave with a point: compute the point
  p.setBrush(kAzulClaro);
  p.drawEllipse(QRectF(8, 8, 84, 84));
  QPainterPath onda;
  onda.moveTo(20, 58);
  onda.cubicTo(35, 25, 55, 85, 80, 42);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kAzul, 10, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(onda);
  p.setPen(QPen(kContorno, 6));
  p.setBrush(kVermelho);
  p.drawEllipse(QPointF(50, 52), 9, 9);
}

void Salva(QPainter& p) {  // a diskette
  p.setBrush(kAzul);
  p.drawRoundedRect(QRectF(10, 10, 80, 80), 8, 8);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(26, 10, 48, 30));
  p.setBrush(kCinza);
  p.drawRect(QRectF(24, 58, 52, 32));
}

void Imprime(QPainter& p) {  // a printer with a sheet
  p.setBrush(Qt::white);
  p.drawRect(QRectF(26, 8, 48, 34));
  p.setBrush(kCinza);
  p.drawRoundedRect(QRectF(8, 38, 84, 38), 8, 8);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(26, 62, 48, 30));
  p.setPen(QPen(kVerde, 6));
  p.drawPoint(QPointF(78, 50));
}

void Limpa(QPainter& p) {  // an eraser
  p.save();
  p.translate(50, 50);
  p.rotate(-35);
  p.setBrush(kVermelho);
  p.drawRoundedRect(QRectF(-40, -18, 44, 36), 6, 6);
  p.setBrush(kAzulClaro);
  p.drawRoundedRect(QRectF(4, -18, 36, 36), 6, 6);
  p.restore();
  p.drawLine(QPointF(14, 90), QPointF(86, 90));
}

void Procura(QPainter& p) {  // an open folder
  p.setBrush(kAmarelo.darker(115));
  QPainterPath fundo;
  fundo.moveTo(8, 84);
  fundo.lineTo(8, 18);
  fundo.lineTo(36, 18);
  fundo.lineTo(44, 28);
  fundo.lineTo(84, 28);
  fundo.lineTo(84, 84);
  fundo.closeSubpath();
  p.drawPath(fundo);
  p.setBrush(kAmarelo);
  QPainterPath frente;
  frente.moveTo(8, 84);
  frente.lineTo(22, 44);
  frente.lineTo(96, 44);
  frente.lineTo(84, 84);
  frente.closeSubpath();
  p.drawPath(frente);
}

void Executa(QPainter& p) {  // run: a green triangle
  p.setBrush(kVerde);
  QPainterPath seta;
  seta.moveTo(22, 10);
  seta.lineTo(88, 50);
  seta.lineTo(22, 90);
  seta.closeSubpath();
  p.drawPath(seta);
}

void Cancela(QPainter& p) {  // cancel: a red disc with a cross
  p.setBrush(kVermelho);
  p.drawEllipse(QRectF(8, 8, 84, 84));
  p.setPen(QPen(Qt::white, 12, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(34, 34), QPointF(66, 66));
  p.drawLine(QPointF(66, 34), QPointF(34, 66));
}

void Salvar(const QImage& imagem, const std::string& caminho) {
  if (!imagem.save(QString::fromStdString(caminho), "PNG"))
    throw std::runtime_error("falha ao gravar " + caminho);
}

int Uso(const char* programa) {
  std::fprintf(stderr,
               "uso: %s simbolos <pasta>\n"
               "     %s ilustracao <grade> <pasta dos mapas> <arquivo jpg>\n"
               "     %s miniatura <grade> <pasta dos mapas> <mapa> <arquivo png> <largura>\n",
               programa, programa, programa);
  return 2;
}

void DesenharSimbolos(const std::string& pasta) {
  ferramentas::GravarJpeg(DesenharLogo(), pasta + "/logo.jpg", kQualidadeJpeg);
  Salvar(DesenharIcone(), pasta + "/icone.png");
  Salvar(Glifo(Processa), pasta + "/processa.png");
  Salvar(Glifo(Salva), pasta + "/salva.png");
  Salvar(Glifo(Imprime), pasta + "/imprime.png");
  Salvar(Glifo(Limpa), pasta + "/limpa.png");
  Salvar(Glifo(Procura), pasta + "/procura.png");
  Salvar(Glifo(Executa), pasta + "/executa.png");
  Salvar(Glifo(Cancela), pasta + "/cancela.png");
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication aplicacao(argc, argv);
  const std::string modo = argc > 1 ? argv[1] : "";
  try {
    if (modo == "simbolos" && argc == 3) {
      DesenharSimbolos(argv[2]);
      return 0;
    }
    if (modo == "ilustracao" && argc == 5) {
      const ferramentas::Mapas mapas(argv[3], argv[2]);
      const QImage figura =
          DesenharIlustracao(ferramentas::LerGrade(argv[2]), mapas.Ler("ilustracao"));
      ferramentas::GravarJpeg(
          figura, argv[4], kQualidadeJpeg,
          std::string(ferramentas::kChaveSha256Grade) + ": " + mapas.Sha256Grade());
      return 0;
    }
    if (modo == "miniatura" && argc == 7) {
      const ferramentas::Mapas mapas(argv[3], argv[2]);
      const int largura = std::stoi(argv[6]);
      QImage figura = mapas.Ler(argv[4]).scaledToWidth(largura, Qt::SmoothTransformation);
      figura.setText(ferramentas::kChaveSha256Grade, QString::fromStdString(mapas.Sha256Grade()));
      Salvar(figura, argv[5]);
      return 0;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return Uso(argv[0]);
}
