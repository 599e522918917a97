// Writes the four reference documents from the shipped grid and the program's own
// undulation query, in three steps of the build:
//   nivora_gerar_documentos pontos <grid> <points file>
//       the evaluation points (5' cell centres, then the check points), one
//       "lon lat 0 0" per line, to be evaluated by PROJ (cct, EGM96 vgridshift);
//   nivora_gerar_documentos avaliar <grid> <PROJ output> <differences.xyz> <checks.xyz>
//       program - PROJ in millimetres, "lon lat mm", at the cell centres and at the
//       check points, for the maps of tools/gerar_mapas.sh;
//   nivora_gerar_documentos pdf <grid> <PROJ output> <maps folder> <output folder>
//       NIVORA2015.pdf, rede_NIVORA2015.pdf, diferencas_NIVORA2015.pdf and
//       discrepancias_NIVORA2015.pdf, drawn with Qt's PDF writer around those maps.
// Every mode computes the same point list, so the PROJ output lines match it in order.
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "figuras_comum.hpp"
#include "geoid/consulta.hpp"
#include "text/numeros.hpp"

namespace {

using ferramentas::Campo;
using ferramentas::Estatisticas;
using ferramentas::Numero;

constexpr double kPassoEgm96Deg = 0.25;  // node spacing of the EGM96 grid PROJ reads
constexpr int kPontosControle = 3000;    // independent check points
constexpr std::uint32_t kSementeControle = 2015;
constexpr int kResolucaoPdfDpi = 300;
constexpr double kMetroParaMm = 1000.0;

struct Ponto {
  double latDeg;
  double lonDeg;
};

bool DentroDaArea(double latDeg, double lonDeg) {
  return latDeg > ferramentas::kLatSulDeg && latDeg < ferramentas::kLatNorteDeg &&
         lonDeg > ferramentas::kLonOesteDeg && lonDeg < ferramentas::kLonLesteDeg;
}

// The lattice of 5' cell centres that covers the model area, as an empty field.
Campo LatticeCentros(const Campo& grade) {
  const double meio = grade.passoDeg / 2;
  return ferramentas::NovoCampo(grade.latNorteDeg - meio, grade.lonOesteDeg + meio, grade.passoDeg,
                                grade.linhas - 1, grade.colunas - 1);
}

// Centres strictly inside the model area, row by row, then the check points: uniform
// over the area from a fixed seed, so every build draws the same points.
std::vector<Ponto> PontosDeAvaliacao(const Campo& grade, std::size_t& quantosCentros) {
  std::vector<Ponto> pontos;
  const Campo centros = LatticeCentros(grade);
  for (int l = 0; l < centros.linhas; ++l)
    for (int c = 0; c < centros.colunas; ++c)
      if (DentroDaArea(centros.LatDeg(l), centros.LonDeg(c)))
        pontos.push_back({centros.LatDeg(l), centros.LonDeg(c)});
  quantosCentros = pontos.size();
  std::mt19937 gerador(kSementeControle);
  auto uniforme = [&gerador](double a, double b) {
    // 32 bits of the generator turned into [a, b) without library distributions,
    // whose results differ between standard libraries.
    return a + (b - a) * (static_cast<double>(gerador()) / 4294967296.0);
  };
  while (pontos.size() < quantosCentros + kPontosControle) {
    const double lat = uniforme(ferramentas::kLatSulDeg, ferramentas::kLatNorteDeg);
    const double lon = uniforme(ferramentas::kLonOesteDeg, ferramentas::kLonLesteDeg);
    if (DentroDaArea(lat, lon)) pontos.push_back({lat, lon});
  }
  return pontos;
}

void GravarPontos(const std::vector<Ponto>& pontos, const std::string& caminho) {
  std::ofstream saida(caminho, std::ios::binary);
  for (const Ponto& p : pontos)
    saida << nivora::FormatFloat("#0.0000000000", p.lonDeg) << ' '
          << nivora::FormatFloat("#0.0000000000", p.latDeg) << " 0 0\n";
  saida.close();
  if (!saida) throw std::runtime_error("falha ao gravar " + caminho);
}

// Third column of each line of cct's output: the EGM96 geoid height at the point.
std::vector<double> LerSaidaProj(const std::string& caminho, std::size_t esperados) {
  std::ifstream entrada(caminho, std::ios::binary);
  if (!entrada) throw std::runtime_error("n\xC3\xA3o foi poss\xC3\xADvel abrir " + caminho);
  std::vector<double> valores;
  std::string linha;
  while (std::getline(entrada, linha)) {
    std::istringstream campos(linha);
    std::string lon, lat, altura;
    if (!(campos >> lon >> lat >> altura)) continue;
    valores.push_back(static_cast<double>(nivora::StrToFloat(altura)));
  }
  if (valores.size() != esperados)
    throw std::runtime_error(caminho + ": " + std::to_string(valores.size()) +
                             " valores do PROJ para " + std::to_string(esperados) + " pontos");
  return valores;
}

// ---------------------------------------------------------------------------------
// Page layout on A4 at 300 dpi: a running cursor down the page, word-wrapped text.

class Documento {
 public:
  Documento(const std::string& caminho, const QString& titulo)
      : escritor_(QString::fromStdString(caminho)) {
    escritor_.setPageSize(QPageSize(QPageSize::A4));
    escritor_.setResolution(kResolucaoPdfDpi);
    escritor_.setPageMargins(QMarginsF(18, 16, 18, 16), QPageLayout::Millimeter);
    escritor_.setTitle(titulo);
    escritor_.setCreator(QStringLiteral("NIVORA2015"));
    if (!pintor_.begin(&escritor_)) throw std::runtime_error("falha ao criar " + caminho);
    pintor_.setRenderHint(QPainter::Antialiasing);
    largura_ = escritor_.width();
    altura_ = escritor_.height();
    Texto(titulo, Fonte(17, true), QColor(0, 0, 0x80));
    y_ += Mm(1);
    pintor_.setPen(QPen(QColor(0, 0, 0x80), Mm(0.4)));
    pintor_.drawLine(QPointF(0, y_), QPointF(largura_, y_));
    y_ += Mm(4);
  }
  ~Documento() {
    if (pintor_.isActive()) pintor_.end();
  }

  void Concluir() {
    if (!pintor_.end()) throw std::runtime_error("falha ao concluir o PDF");
  }

  /// Nimbus Sans, the face in which ghostscript draws GMT's Helvetica: the text around
  /// the maps and the text in them are of one family.
  static QFont Fonte(double pontos, bool negrito = false) {
    QFont fonte(QStringLiteral("Nimbus Sans"));
    fonte.setStyleHint(QFont::SansSerif);
    fonte.setPointSizeF(pontos);
    fonte.setBold(negrito);
    return fonte;
  }

  double Mm(double milimetros) const { return milimetros * kResolucaoPdfDpi / 25.4; }

  /// A heading kept on one page with the first `seguinteMm` millimetres of what follows.
  void Secao(const QString& texto, double seguinteMm = 20) {
    y_ += Mm(2);
    Reservar(Mm(seguinteMm + 8));
    Texto(texto, Fonte(12, true), QColor(0, 0, 0x80));
    y_ += Mm(1);
  }
  void Paragrafo(const QString& texto) {
    Texto(texto, Fonte(9.5), Qt::black);
    y_ += Mm(2);
  }
  void Nota(const QString& texto) {
    Texto(texto, Fonte(8), QColor(70, 70, 70));
    y_ += Mm(1.5);
  }

  /// Two-column table of labels and values: the values right-aligned as wide as the
  /// widest of them, the labels in all the room left.
  void Tabela(const std::vector<std::pair<QString, QString>>& linhas) {
    const QFont fonte = Fonte(9.5);
    const QFontMetricsF medidas(fonte, &escritor_);
    const double alturaLinha = medidas.height() * 1.3;
    double larguraValores = 0;
    for (const auto& linha : linhas)
      larguraValores = std::max(larguraValores, medidas.horizontalAdvance(linha.second));
    const double inicioValores = largura_ - Mm(2) - larguraValores;
    Reservar(alturaLinha * static_cast<double>(linhas.size()));
    pintor_.setFont(fonte);
    bool sombra = false;
    for (const auto& [rotulo, valor] : linhas) {
      if (sombra) pintor_.fillRect(QRectF(0, y_, largura_, alturaLinha), QColor(235, 240, 248));
      sombra = !sombra;
      pintor_.setPen(Qt::black);
      pintor_.drawText(QRectF(Mm(2), y_, inicioValores - Mm(6), alturaLinha),
                       Qt::AlignLeft | Qt::AlignVCenter, rotulo);
      pintor_.drawText(QRectF(inicioValores, y_, larguraValores, alturaLinha),
                       Qt::AlignRight | Qt::AlignVCenter, valor);
      y_ += alturaLinha;
    }
    y_ += Mm(3);
  }

  /// A rectangle of the given height across the text width, on this page or the next.
  QRectF Bloco(double alturaMm) {
    Reservar(Mm(alturaMm));
    const QRectF area(0, y_, largura_, Mm(alturaMm));
    y_ += Mm(alturaMm);
    return area;
  }

  QPainter& Pintor() { return pintor_; }

  /// A map drawn by GMT, `larguraMm` wide (the text width when 0) and centred, or at the
  /// left with `legenda` word-wrapped in 8 points in the room to its right.
  void Figura(const QImage& imagem, double larguraMm = 0, const QString& legenda = {}) {
    const double largura = larguraMm > 0 ? Mm(larguraMm) : largura_;
    const double altura = largura * imagem.height() / imagem.width();
    Reservar(altura + Mm(2));
    const double x = legenda.isEmpty() ? (largura_ - largura) / 2 : 0;
    const QRectF area(x, y_, largura, altura);
    pintor_.drawImage(area, imagem);
    if (!legenda.isEmpty()) {
      pintor_.save();
      pintor_.setFont(Fonte(8));
      pintor_.setPen(Qt::black);
      const double textoX = area.right() + Mm(6);
      pintor_.drawText(QRectF(textoX, area.top() + Mm(8), largura_ - textoX, altura - Mm(8)),
                       Qt::TextWordWrap, legenda);
      pintor_.restore();
    }
    y_ += altura + Mm(2);
  }

  /// A bold heading and a paragraph in a tinted box, for what the reader must see first.
  void Destaque(const QString& titulo, const QString& texto) {
    const QFont fonteTitulo = Fonte(10, true);
    const QFont fonteTexto = Fonte(9.5);
    const double margem = Mm(3);
    const QRectF caixaTexto(0, 0, largura_ - 2 * margem, altura_);
    const double alturaTitulo = QFontMetricsF(fonteTitulo, &escritor_)
                                    .boundingRect(caixaTexto, Qt::TextWordWrap, titulo)
                                    .height();
    const double alturaTexto = QFontMetricsF(fonteTexto, &escritor_)
                                   .boundingRect(caixaTexto, Qt::TextWordWrap, texto)
                                   .height();
    const double altura = alturaTitulo + Mm(1.5) + alturaTexto + 2 * margem;
    Reservar(altura);
    pintor_.save();
    pintor_.setPen(QPen(QColor(0, 0, 0x80), Mm(0.3)));
    pintor_.setBrush(QColor(235, 240, 248));
    pintor_.drawRect(QRectF(0, y_, largura_, altura));
    pintor_.setPen(QColor(0, 0, 0x80));
    pintor_.setFont(fonteTitulo);
    pintor_.drawText(caixaTexto.translated(margem, y_ + margem), Qt::TextWordWrap, titulo);
    pintor_.setPen(Qt::black);
    pintor_.setFont(fonteTexto);
    pintor_.drawText(caixaTexto.translated(margem, y_ + margem + alturaTitulo + Mm(1.5)),
                     Qt::TextWordWrap, texto);
    pintor_.restore();
    y_ += altura + Mm(3);
  }

 private:
  void Reservar(double altura) {
    if (y_ + altura > altura_) {
      escritor_.newPage();
      y_ = 0;
    }
  }
  void Texto(const QString& texto, const QFont& fonte, const QColor& cor) {
    const QRectF caixa(0, 0, largura_, altura_);
    const QRectF medida =
        QFontMetricsF(fonte, &escritor_).boundingRect(caixa, Qt::TextWordWrap, texto);
    Reservar(medida.height());
    pintor_.setFont(fonte);
    pintor_.setPen(cor);
    QRectF usado;
    pintor_.drawText(QRectF(0, y_, largura_, altura_ - y_), Qt::TextWordWrap | Qt::AlignLeft, texto,
                     &usado);
    y_ += usado.height();
  }

  QPdfWriter escritor_;
  QPainter pintor_;
  double largura_ = 0;
  double altura_ = 0;
  double y_ = 0;
};

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}
QString Metros(double valor) {
  return Numero(valor, "#0.000") + " m";
}
QString Milimetros(double valorM) {
  return Numero(valorM * kMetroParaMm, "#0.0") + " mm";
}
QString Inteiro(std::size_t valor) {
  return QString::fromStdString(std::to_string(valor));
}
QString Local(double latDeg, double lonDeg) {
  return U("lat ") + Numero(latDeg, "#0.0000") + U("\u00b0, lon ") + Numero(lonDeg, "#0.0000") +
         U("\u00b0");
}

QString RotuloLat(double latDeg) {
  return Numero(std::fabs(latDeg), "#0.00") + U("\u00b0") + (latDeg < 0 ? U("S") : U("N"));
}
QString RotuloLon(double lonDeg) {
  return Numero(std::fabs(lonDeg), "#0.00") + U("\u00b0") + (lonDeg < 0 ? U("W") : U("E"));
}

// ---------------------------------------------------------------------------------

struct Avaliacao {
  Campo grade;                   // the shipped grid
  Campo diferencas;              // program - PROJ at the cell centres, metres
  std::vector<double> controle;  // program - PROJ at the check points, metres
  std::vector<double> bilinear;  // bilinear of the 5' grid - PROJ at the check points
  std::vector<Ponto> pontosControle;
  std::size_t nosNaArea = 0;
};

// Where the figures come from, and the grid they were drawn from, at the end of a document.
void NotaDaGrade(Documento& doc, const ferramentas::Mapas& mapas) {
  doc.Nota(U("Mapas desenhados com o GMT a partir da grade grid/NIVORA2015_SIRGAS2000.txt "
             "(SHA-256 ") +
           QString::fromStdString(mapas.Sha256Grade()) +
           U("); linha de costa e fronteiras nacionais do GSHHG, divisas estaduais do DCW."));
}

void DocumentoModelo(const Avaliacao& a, const ferramentas::Mapas& mapas,
                     const std::string& pasta) {
  Documento doc(pasta + "/NIVORA2015.pdf", U("Modelo de Ondula\u00e7\u00e3o Geoidal SIRGAS2000"));
  const Campo& g = a.grade;
  const Estatisticas est = ferramentas::CalcularEstatisticas(g);
  doc.Paragrafo(
      U("O NIVORA2015 fornece a ondula\u00e7\u00e3o geoidal N (separa\u00e7\u00e3o entre o "
        "geoide e o elipsoide, em metros) de pontos do Brasil referidos ao SIRGAS2000, a partir "
        "de uma grade regular que acompanha o programa (grid/NIVORA2015_SIRGAS2000.txt). Este "
        "documento descreve essa grade, a origem dos seus valores e o m\u00e9todo de "
        "interpola\u00e7\u00e3o, e mostra o mapa e as estat\u00edsticas de N. Todos os valores "
        "de N neste documento est\u00e3o em metros (m)."));
  doc.Secao(U("Extens\u00e3o e espa\u00e7amento"));
  doc.Tabela({
      {U("Latitude dos n\u00f3s"), RotuloLat(g.latNorteDeg - (g.linhas - 1) * g.passoDeg) +
                                       U(" a ") + RotuloLat(g.latNorteDeg)},
      {U("Longitude dos n\u00f3s"),
       RotuloLon(g.lonOesteDeg) + U(" a ") + RotuloLon(g.LonDeg(g.colunas - 1))},
      {U("Espa\u00e7amento"), U("5' (1/12\u00b0) em latitude e em longitude")},
      {U("N\u00f3s da grade"), Inteiro(static_cast<std::size_t>(g.linhas)) + U(" linhas \u00d7 ") +
                                   Inteiro(static_cast<std::size_t>(g.colunas)) + U(" colunas = ") +
                                   Inteiro(static_cast<std::size_t>(g.linhas) * g.colunas)},
      {U("\u00c1rea do modelo (latitude)"), U("-34.5830027\u00b0 a 5.5833027\u00b0")},
      {U("\u00c1rea do modelo (longitude)"), U("-74.5830027\u00b0 a -34.4332999\u00b0")},
  });
  doc.Paragrafo(
      U("S\u00f3 s\u00e3o aceitos pontos estritamente dentro da \u00e1rea do modelo. A grade "
        "vai al\u00e9m dessa \u00e1rea para que a janela de n\u00f3s usada na "
        "interpola\u00e7\u00e3o esteja sempre completa."));
  doc.Secao(U("Origem dos valores"));
  doc.Paragrafo(
      U("O valor de N em cada n\u00f3 \u00e9 a altura geoidal do modelo global EGM96, na sua "
        "grade de 15' distribu\u00edda com o PROJ (egm96_15.gtx), calculada pelo PROJ "
        "(transforma\u00e7\u00e3o vgridshift, interpola\u00e7\u00e3o bilinear entre os n\u00f3s "
        "de 15') e arredondada ao mil\u00edmetro. N\u00e3o h\u00e1 nesta grade dados "
        "gravim\u00e9tricos pr\u00f3prios: a sua resolu\u00e7\u00e3o real \u00e9 a do EGM96, "
        "e o espa\u00e7amento de 5' apenas a amostra com mais densidade. As diferen\u00e7as "
        "entre o elipsoide do SIRGAS2000 (GRS80) e o do EGM96 (WGS84) s\u00e3o desprez\u00edveis "
        "nesta escala e n\u00e3o foram aplicadas."));
  doc.Secao(U("M\u00e9todo de interpola\u00e7\u00e3o"));
  doc.Paragrafo(
      U("Para cada ponto o programa l\u00ea a grade e toma uma janela de 5 \u00d7 5 n\u00f3s em "
        "torno do ponto: as duas linhas de n\u00f3s ao norte e as tr\u00eas ao sul, as duas "
        "colunas a oeste e as tr\u00eas a leste. Cada n\u00f3 \u00e9 levado a coordenadas planas "
        "locais, em metros (raio da Terra de 6 370 900 m, divididas por 28 120), com o ponto na "
        "origem. Sobre esses 25 n\u00f3s ajusta-se, por m\u00ednimos quadrados ponderados, uma "
        "superf\u00edcie polinomial de grau 2 em cada coordenada (9 coeficientes: 1, Y, Y\u00b2, "
        "X, XY, XY\u00b2, X\u00b2, X\u00b2Y, X\u00b2Y\u00b2). O peso de cada n\u00f3 \u00e9 o "
        "inverso do quadrado da sua dist\u00e2ncia ao ponto, de modo que os n\u00f3s mais "
        "pr\u00f3ximos dominam o ajuste. O valor da superf\u00edcie no ponto, isto \u00e9, o seu "
        "termo constante, \u00e9 a ondula\u00e7\u00e3o N, arredondada a tr\u00eas casas "
        "decimais. Um ponto que coincide exatamente com um n\u00f3 recebe o N desse n\u00f3."));
  doc.Secao(U("Mapa de N"), 150);
  doc.Figura(mapas.Ler("ondulacao"));
  doc.Secao(U("Estat\u00edsticas de N nos n\u00f3s dentro da \u00e1rea do modelo"));
  doc.Tabela({
      {U("N\u00famero de n\u00f3s"), Inteiro(est.quantidade)},
      {U("M\u00ednimo"),
       Metros(est.minimo) + U("  (") + Local(est.latMinimoDeg, est.lonMinimoDeg) + U(")")},
      {U("M\u00e1ximo"),
       Metros(est.maximo) + U("  (") + Local(est.latMaximoDeg, est.lonMaximoDeg) + U(")")},
      {U("M\u00e9dia"), Metros(est.media)},
      {U("Desvio padr\u00e3o"), Metros(est.desvioPadrao)},
  });
  NotaDaGrade(doc, mapas);
  doc.Concluir();
}

void DocumentoRede(const Avaliacao& a, const ferramentas::Mapas& mapas, const std::string& pasta) {
  Documento doc(pasta + "/rede_NIVORA2015.pdf",
                U("Distribui\u00e7\u00e3o de Dados Gravim\u00e9tricos Terrestres"));
  // EGM96 nodes (every 0.25 degree) strictly inside the model area.
  std::size_t nosEgm96 = 0;
  const int latIni = static_cast<int>(std::ceil(ferramentas::kLatSulDeg / kPassoEgm96Deg));
  const int latFim = static_cast<int>(std::floor(ferramentas::kLatNorteDeg / kPassoEgm96Deg));
  const int lonIni = static_cast<int>(std::ceil(ferramentas::kLonOesteDeg / kPassoEgm96Deg));
  const int lonFim = static_cast<int>(std::floor(ferramentas::kLonLesteDeg / kPassoEgm96Deg));
  for (int i = latIni; i <= latFim; ++i)
    for (int j = lonIni; j <= lonFim; ++j)
      if (DentroDaArea(i * kPassoEgm96Deg, j * kPassoEgm96Deg)) ++nosEgm96;

  doc.Paragrafo(
      U("Esta folha mostra quais dados est\u00e3o por tr\u00e1s da grade que acompanha "
        "o NIVORA2015. A grade n\u00e3o foi calculada a partir de levantamentos "
        "gravim\u00e9tricos terrestres pr\u00f3prios: os seus valores v\u00eam do modelo global "
        "EGM96, lido pelo PROJ na sua grade de 15'. Os dados que de fato determinam N dentro da "
        "\u00e1rea s\u00e3o, portanto, os n\u00f3s dessa grade de 15', mostrados abaixo; os "
        "n\u00f3s de "
        "5' do NIVORA2015 s\u00e3o interpolados entre eles."));
  doc.Tabela({
      {U("N\u00f3s do EGM96 (15') dentro da \u00e1rea do modelo"), Inteiro(nosEgm96)},
      {U("N\u00f3s da grade NIVORA2015 (5') dentro da \u00e1rea do modelo"), Inteiro(a.nosNaArea)},
      {U("Observa\u00e7\u00f5es gravim\u00e9tricas terrestres pr\u00f3prias"), U("nenhuma")},
  });
  doc.Figura(mapas.Ler("rede"));
  doc.Secao(U("N\u00f3s de origem e n\u00f3s da grade"), 100);
  doc.Figura(mapas.Ler("detalhe"), 100,
             U("Os valores de origem s\u00e3o os n\u00f3s azuis do EGM96, a cada 15'. Os "
               "n\u00f3s cinzentos da grade NIVORA2015, a cada 5', foram interpolados "
               "bilinearmente entre eles pelo PROJ.\n\n"
               "Entre dois n\u00f3s azuis a grade n\u00e3o acrescenta informa\u00e7\u00e3o "
               "sobre o campo de gravidade: detalhes do geoide menores que cerca de 55 km "
               "(a resolu\u00e7\u00e3o do EGM96) n\u00e3o est\u00e3o no modelo."));
  doc.Secao(U("O que um modelo nacional acrescentaria"));
  doc.Paragrafo(
      U("Um modelo geoidal nacional combina um modelo global como este com dados locais: "
        "gravimetria terrestre densa (milhares de esta\u00e7\u00f5es medidas em campo), "
        "gravimetria marinha e a\u00e9rea onde n\u00e3o h\u00e1 acesso por terra, e um modelo "
        "digital do terreno para as corre\u00e7\u00f5es de relevo. Esses dados resolvem "
        "varia\u00e7\u00f5es do geoide de poucos quil\u00f4metros, que o EGM96 n\u00e3o "
        "alcan\u00e7a, sobretudo em regi\u00f5es montanhosas. Pontos com GNSS sobre "
        "refer\u00eancias de n\u00edvel permitem ainda verificar o modelo e ajust\u00e1-lo ao "
        "datum vertical do pa\u00eds. A precis\u00e3o esperada passa da ordem do metro, "
        "t\u00edpica de um modelo global em \u00e1reas de poucos dados, para a ordem do "
        "dec\u00edmetro ou melhor."));
  doc.Paragrafo(
      U("Para usar outro modelo, basta substituir o arquivo da grade por outro no mesmo formato "
        "de colunas fixas, com espa\u00e7amento de 5' e linhas de norte para sul (ver a Ajuda)."));
  NotaDaGrade(doc, mapas);
  doc.Concluir();
}

void DocumentoDiferencas(const Avaliacao& a, const ferramentas::Mapas& mapas,
                         const std::string& pasta) {
  Documento doc(pasta + "/diferencas_NIVORA2015.pdf",
                U("Diferen\u00e7as entre o NIVORA2015 e o EGM96"));
  const Estatisticas est = ferramentas::CalcularEstatisticas(a.diferencas);
  std::size_t ate1mm = 0, ate10mm = 0;
  for (double d : a.diferencas.valores) {
    if (std::isnan(d)) continue;
    if (std::fabs(d) <= 0.0015) ++ate1mm;
    if (std::fabs(d) <= 0.0105) ++ate10mm;
  }
  doc.Destaque(
      U("O que este documento compara"),
      U("N\u00e3o existe uma vers\u00e3o NIVORA2010 deste modelo: o NIVORA2015 \u00e9 a "
        "primeira, e n\u00e3o h\u00e1 duas vers\u00f5es a comparar. Este documento compara o "
        "NIVORA2015 com o modelo global de que ele foi derivado, o EGM96. Em cada ponto, "
        "diferen\u00e7a = N calculado pelo NIVORA2015 \u2212 N do EGM96 calculado pelo PROJ. "
        "O mapa abaixo mostra essa diferen\u00e7a no centro de cada c\u00e9lula de 5' da grade "
        "dentro da \u00e1rea do modelo. Todas as diferen\u00e7as neste documento est\u00e3o em "
        "mil\u00edmetros (mm)."));
  doc.Paragrafo(
      U("O NIVORA2015 calcula N com uma janela de 5 \u00d7 5 n\u00f3s e uma superf\u00edcie "
        "de grau 2 ajustada com pesos inversos ao quadrado da dist\u00e2ncia, e arredonda o "
        "resultado ao mil\u00edmetro; o EGM96 \u00e9 avaliado pelo PROJ por "
        "interpola\u00e7\u00e3o bilinear na sua grade de 15'. O centro da c\u00e9lula \u00e9 "
        "o ponto mais distante dos n\u00f3s, onde a interpola\u00e7\u00e3o mais se afasta dos "
        "valores de origem. As diferen\u00e7as medem apenas o efeito da "
        "interpola\u00e7\u00e3o do programa e do arredondamento dos n\u00f3s ao "
        "mil\u00edmetro; n\u00e3o medem a exatid\u00e3o do EGM96 em rela\u00e7\u00e3o ao "
        "geoide real."));
  doc.Figura(mapas.Ler("diferencas"), 165);
  doc.Secao(U("Estat\u00edsticas nos centros das c\u00e9lulas"));
  doc.Tabela({
      {U("Centros de c\u00e9lula avaliados"), Inteiro(est.quantidade)},
      {U("M\u00e9dia"), Milimetros(est.media)},
      {U("Desvio padr\u00e3o"), Milimetros(est.desvioPadrao)},
      {U("Raiz do erro m\u00e9dio quadr\u00e1tico"), Milimetros(est.rms)},
      {U("M\u00ednima"),
       Milimetros(est.minimo) + U("  (") + Local(est.latMinimoDeg, est.lonMinimoDeg) + U(")")},
      {U("M\u00e1xima"),
       Milimetros(est.maximo) + U("  (") + Local(est.latMaximoDeg, est.lonMaximoDeg) + U(")")},
      {U("Centros com |diferen\u00e7a| at\u00e9 1 mm"),
       Numero(100.0 * static_cast<double>(ate1mm) / static_cast<double>(est.quantidade), "#0.0") +
           U(" %")},
      {U("Centros com |diferen\u00e7a| at\u00e9 10 mm"),
       Numero(100.0 * static_cast<double>(ate10mm) / static_cast<double>(est.quantidade), "#0.0") +
           U(" %")},
  });
  doc.Nota(U("Limites de 1 mm e 10 mm contados sobre valores arredondados ao mil\u00edmetro."));
  NotaDaGrade(doc, mapas);
  doc.Concluir();
}

void DocumentoDiscrepancias(const Avaliacao& a, const ferramentas::Mapas& mapas,
                            const std::string& pasta) {
  Documento doc(pasta + "/discrepancias_NIVORA2015.pdf",
                U("Discrep\u00e2ncias no Modelo de Ondula\u00e7\u00e3o Geoidal"));
  const Estatisticas est = ferramentas::CalcularEstatisticas(a.controle);
  const Estatisticas bil = ferramentas::CalcularEstatisticas(a.bilinear);
  std::size_t iMin = 0, iMax = 0;
  for (std::size_t i = 0; i < a.controle.size(); ++i) {
    if (a.controle[i] < a.controle[iMin]) iMin = i;
    if (a.controle[i] > a.controle[iMax]) iMax = i;
  }
  doc.Paragrafo(
      U("Discrep\u00e2ncias da interpola\u00e7\u00e3o em pontos de controle independentes: ") +
      Inteiro(a.controle.size()) +
      U(" pontos sorteados com distribui\u00e7\u00e3o uniforme sobre a \u00e1rea do modelo "
        "(semente fixa, os mesmos a cada gera\u00e7\u00e3o), que n\u00e3o coincidem com os "
        "n\u00f3s da grade. Em cada ponto, a discrep\u00e2ncia \u00e9 o N calculado pelo "
        "NIVORA2015 menos o valor do EGM96 calculado pelo PROJ no mesmo ponto. Para "
        "compara\u00e7\u00e3o, a tabela mostra tamb\u00e9m a interpola\u00e7\u00e3o bilinear "
        "simples na mesma grade de 5'. Todas as discrep\u00e2ncias neste documento est\u00e3o em "
        "mil\u00edmetros (mm)."));
  doc.Secao(U("Mapa das discrep\u00e2ncias"), 150);
  doc.Figura(mapas.Ler("discrepancias"));
  doc.Secao(U("Histograma das discrep\u00e2ncias"), 80);
  {
    // Bins of one millimetre, centred on whole millimetres, over the central 99 % of
    // the values (symmetric about zero); the few beyond are counted in a note.
    std::vector<double> ordenados = a.controle;
    std::sort(ordenados.begin(), ordenados.end());
    const std::size_t corte = ordenados.size() / 200;
    const double alcance =
        std::max(std::fabs(ordenados[corte]), std::fabs(ordenados[ordenados.size() - 1 - corte]));
    const int binMax = std::max(1, static_cast<int>(std::ceil(alcance * 1000)));
    const int binMin = -binMax;
    std::vector<std::size_t> contagem(static_cast<std::size_t>(binMax - binMin + 1), 0);
    std::size_t fora = 0;
    for (double d : a.controle) {
      const int bin = static_cast<int>(std::floor(d * 1000 + 0.5));
      if (bin < binMin || bin > binMax)
        ++fora;
      else
        ++contagem[static_cast<std::size_t>(bin - binMin)];
    }
    const std::size_t maior = *std::max_element(contagem.begin(), contagem.end());
    // A round step for the count axis: 1, 2 or 5 times a power of ten.
    double passoEixo = 1;
    for (int k = 0; static_cast<double>(maior) / passoEixo > 5; ++k)
      passoEixo *= (k % 3 == 1) ? 2.5 : 2;  // 1, 2, 5, 10, 20, 50, ...
    const double topo = std::ceil(static_cast<double>(maior) / passoEixo) * passoEixo;
    const QRectF bloco = doc.Bloco(80);
    const QRectF grafico(bloco.left() + doc.Mm(18), bloco.top() + doc.Mm(3),
                         bloco.width() - doc.Mm(24), doc.Mm(62));
    QPainter& p = doc.Pintor();
    p.save();
    const double larguraBarra = grafico.width() / static_cast<double>(contagem.size());
    p.setPen(QPen(Qt::white, 0));
    p.setBrush(QColor(45, 110, 190));
    for (std::size_t i = 0; i < contagem.size(); ++i) {
      const double h = grafico.height() * static_cast<double>(contagem[i]) / topo;
      p.drawRect(QRectF(grafico.left() + i * larguraBarra, grafico.bottom() - h, larguraBarra, h));
    }
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(Qt::NoBrush);
    p.drawLine(grafico.bottomLeft(), grafico.bottomRight());
    p.drawLine(grafico.bottomLeft(), grafico.topLeft());
    p.setFont(Documento::Fonte(8));
    const QFontMetricsF medidas(p.font(), p.device());
    const int passoRotulo = std::max(1, static_cast<int>(contagem.size() / 10));
    for (std::size_t i = 0; i < contagem.size(); i += static_cast<std::size_t>(passoRotulo)) {
      const QString rotulo = QString::fromStdString(std::to_string(binMin + static_cast<int>(i)));
      const double x = grafico.left() + (i + 0.5) * larguraBarra;
      p.drawLine(QPointF(x, grafico.bottom()), QPointF(x, grafico.bottom() + doc.Mm(1)));
      p.drawText(QPointF(x - medidas.horizontalAdvance(rotulo) / 2,
                         grafico.bottom() + doc.Mm(1.5) + medidas.ascent()),
                 rotulo);
    }
    for (double valor = 0; valor <= topo; valor += passoEixo) {
      const double y = grafico.bottom() - grafico.height() * valor / topo;
      const QString rotulo = Numero(valor, "#0");
      p.drawLine(QPointF(grafico.left() - doc.Mm(1), y), QPointF(grafico.left(), y));
      p.drawText(QPointF(grafico.left() - doc.Mm(2) - medidas.horizontalAdvance(rotulo),
                         y + medidas.ascent() / 2.5),
                 rotulo);
    }
    const QString eixoX = U("Discrep\u00e2ncia (mm)");
    p.drawText(QPointF(grafico.center().x() - medidas.horizontalAdvance(eixoX) / 2,
                       grafico.bottom() + doc.Mm(9)),
               eixoX);
    p.translate(bloco.left() + doc.Mm(4), grafico.center().y());
    p.rotate(-90);
    const QString eixoY = U("Pontos");
    p.drawText(QPointF(-medidas.horizontalAdvance(eixoY) / 2, 0), eixoY);
    p.restore();
    doc.Nota(Inteiro(fora) + U(" pontos fora do intervalo do gr\u00e1fico (\u00b1") +
             Inteiro(static_cast<std::size_t>(binMax)) +
             U(" mm) n\u00e3o aparecem nele; "
               "est\u00e3o nas estat\u00edsticas."));
  }
  doc.Secao(U("Estat\u00edsticas"));
  doc.Tabela({
      {U("Pontos de controle"), Inteiro(est.quantidade)},
      {U("M\u00e9dia"), Milimetros(est.media)},
      {U("Desvio padr\u00e3o"), Milimetros(est.desvioPadrao)},
      {U("Raiz do erro m\u00e9dio quadr\u00e1tico"), Milimetros(est.rms)},
      {U("M\u00ednima"), Milimetros(est.minimo) + U("  (") +
                             Local(a.pontosControle[iMin].latDeg, a.pontosControle[iMin].lonDeg) +
                             U(")")},
      {U("M\u00e1xima"), Milimetros(est.maximo) + U("  (") +
                             Local(a.pontosControle[iMax].latDeg, a.pontosControle[iMax].lonDeg) +
                             U(")")},
      {U("Bilinear na grade de 5': desvio padr\u00e3o"), Milimetros(bil.desvioPadrao)},
      {U("Bilinear na grade de 5': m\u00ednima / m\u00e1xima"),
       Milimetros(bil.minimo) + U(" / ") + Milimetros(bil.maximo)},
  });
  doc.Paragrafo(
      U("Estas discrep\u00e2ncias medem o erro da interpola\u00e7\u00e3o do programa somado ao "
        "arredondamento dos n\u00f3s ao mil\u00edmetro, tomando o EGM96 como verdade. A "
        "exatid\u00e3o do pr\u00f3prio EGM96 em rela\u00e7\u00e3o ao geoide real no Brasil "
        "\u00e9 muito pior que isso (da ordem do metro em muitas regi\u00f5es) e s\u00f3 "
        "pode ser avaliada com pontos GNSS sobre refer\u00eancias de n\u00edvel, que este "
        "documento n\u00e3o usa."));
  doc.Paragrafo(
      U("A interpola\u00e7\u00e3o bilinear na grade de 5' fica mais perto da refer\u00eancia "
        "porque os pr\u00f3prios n\u00f3s de 5' foram amostrados de uma superf\u00edcie "
        "bilinear (a do PROJ entre os n\u00f3s de 15'): a compara\u00e7\u00e3o a favorece por "
        "constru\u00e7\u00e3o e n\u00e3o indica que ela represente melhor o geoide real. As "
        "maiores discrep\u00e2ncias do ajuste de grau 2 aparecem onde N varia depressa, junto "
        "aos Andes."));
  NotaDaGrade(doc, mapas);
  doc.Concluir();
}

Avaliacao Avaliar(const std::string& arquivoGrade, const std::vector<Ponto>& pontos,
                  std::size_t quantosCentros, const std::vector<double>& proj) {
  Avaliacao a;
  a.grade = ferramentas::LerGrade(arquivoGrade);
  a.nosNaArea = ferramentas::CalcularEstatisticas(a.grade).quantidade;
  a.diferencas = LatticeCentros(a.grade);
  nivora::TCacheGrade cache(arquivoGrade);
  nivora::TModeloGeoide modelo(cache);
  const Campo& centros = a.diferencas;
  for (std::size_t i = 0; i < pontos.size(); ++i) {
    const Ponto& p = pontos[i];
    const double n = static_cast<double>(modelo.ObterOndulacao(p.latDeg, p.lonDeg));
    const double diferenca = n - proj[i];
    if (i < quantosCentros) {
      const long l = std::lround((centros.latNorteDeg - p.latDeg) / centros.passoDeg);
      const long c = std::lround((p.lonDeg - centros.lonOesteDeg) / centros.passoDeg);
      a.diferencas.Em(static_cast<int>(l), static_cast<int>(c)) = diferenca;
    } else {
      a.controle.push_back(diferenca);
      a.bilinear.push_back(a.grade.Bilinear(p.latDeg, p.lonDeg) - proj[i]);
      a.pontosControle.push_back(p);
    }
  }
  return a;
}

Avaliacao AvaliarArquivos(const std::string& arquivoGrade, const std::string& saidaProj) {
  const Campo grade = ferramentas::LerGrade(arquivoGrade);
  std::size_t quantosCentros = 0;
  const std::vector<Ponto> pontos = PontosDeAvaliacao(grade, quantosCentros);
  return Avaliar(arquivoGrade, pontos, quantosCentros, LerSaidaProj(saidaProj, pontos.size()));
}

// "lon lat mm" lines for GMT: the differences in millimetres to a tenth (PROJ's values
// carry four decimals of a metre).
void GravarDiferencas(const Avaliacao& a, const std::string& arquivoCentros,
                      const std::string& arquivoControle) {
  auto linha = [](std::ofstream& saida, double latDeg, double lonDeg, double diferencaM) {
    saida << nivora::FormatFloat("#0.000000", lonDeg) << ' '
          << nivora::FormatFloat("#0.000000", latDeg) << ' '
          << nivora::FormatFloat("#0.0", diferencaM * 1000.0) << '\n';
  };
  std::ofstream centros(arquivoCentros, std::ios::binary);
  const Campo& d = a.diferencas;
  for (int l = 0; l < d.linhas; ++l)
    for (int c = 0; c < d.colunas; ++c)
      if (!std::isnan(d.Em(l, c))) linha(centros, d.LatDeg(l), d.LonDeg(c), d.Em(l, c));
  centros.close();
  if (!centros) throw std::runtime_error("falha ao gravar " + arquivoCentros);
  std::ofstream controle(arquivoControle, std::ios::binary);
  for (std::size_t i = 0; i < a.controle.size(); ++i)
    linha(controle, a.pontosControle[i].latDeg, a.pontosControle[i].lonDeg, a.controle[i]);
  controle.close();
  if (!controle) throw std::runtime_error("falha ao gravar " + arquivoControle);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication aplicacao(argc, argv);
  const std::string modo = argc > 1 ? argv[1] : "";
  try {
    if (modo == "pontos" && argc == 4) {
      const Campo grade = ferramentas::LerGrade(argv[2]);
      std::size_t quantosCentros = 0;
      GravarPontos(PontosDeAvaliacao(grade, quantosCentros), argv[3]);
      return 0;
    }
    if (modo == "avaliar" && argc == 6) {
      GravarDiferencas(AvaliarArquivos(argv[2], argv[3]), argv[4], argv[5]);
      return 0;
    }
    if (modo == "pdf" && argc == 6) {
      // The maps first: they must have been drawn from this very grid.
      const ferramentas::Mapas mapas(argv[4], argv[2]);
      const Avaliacao a = AvaliarArquivos(argv[2], argv[3]);
      const std::string pasta = argv[5];
      DocumentoModelo(a, mapas, pasta);
      DocumentoRede(a, mapas, pasta);
      DocumentoDiferencas(a, mapas, pasta);
      DocumentoDiscrepancias(a, mapas, pasta);
      return 0;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::fprintf(stderr,
               "uso: %s pontos <grade> <arquivo de pontos>\n"
               "     %s avaliar <grade> <sa\xC3\xAD"
               "da do PROJ> <diferen\xC3\xA7"
               "as.xyz> <controle.xyz>\n"
               "     %s pdf <grade> <sa\xC3\xAD"
               "da do PROJ> <pasta dos mapas> <pasta>\n",
               argv[0], argv[0], argv[0]);
  return 2;
}
