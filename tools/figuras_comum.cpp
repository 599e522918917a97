#include "figuras_comum.hpp"

#include <jpeglib.h>

#include <QPainter>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <stdexcept>
#include <string_view>

#include "text/numeros.hpp"

namespace ferramentas {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Columns of a grid line, counted from 0.
constexpr size_t kColunaLon = 1, kLarguraLon = 11;
constexpr size_t kColunaLat = 13, kLarguraLat = 11;
constexpr size_t kColunaN = 27, kLarguraN = 7;
constexpr double kGrausCirculo = 360.0;

double LerCampoNumerico(std::string_view linha, size_t inicio, size_t largura,
                        const std::string& onde) {
  if (linha.size() <= inicio) throw std::runtime_error(onde + ": linha curta demais");
  std::string_view texto = linha.substr(inicio, largura);
  while (!texto.empty() && (texto.front() == ' ' || texto.front() == '\t')) texto.remove_prefix(1);
  while (!texto.empty() && (texto.back() == ' ' || texto.back() == '\t' || texto.back() == '\r'))
    texto.remove_suffix(1);
  double valor = 0;
  const auto [fim, erro] = std::from_chars(texto.data(), texto.data() + texto.size(), valor);
  if (texto.empty() || erro != std::errc() || fim != texto.data() + texto.size())
    throw std::runtime_error(onde + ": valor inv\xC3\xA1lido '" + std::string(texto) + "'");
  return valor;
}

// Index of a coordinate on the lattice, when it lies on one (within a micro-degree).
long Indice(double valorDeg, double origemDeg, double passoDeg) {
  return std::lround((valorDeg - origemDeg) / passoDeg);
}

}  // namespace

double Campo::Bilinear(double latDeg, double lonDeg) const {
  // A point on the outer row or column may come out a rounding error beyond it.
  constexpr double kFolga = 1e-9;
  double fl = (latNorteDeg - latDeg) / passoDeg;
  double fc = (lonDeg - lonOesteDeg) / passoDeg;
  if (fl < -kFolga || fc < -kFolga || fl > linhas - 1 + kFolga || fc > colunas - 1 + kFolga)
    return kNaN;
  fl = std::clamp(fl, 0.0, linhas - 1.0);
  fc = std::clamp(fc, 0.0, colunas - 1.0);
  const int l0 = std::min(static_cast<int>(fl), linhas - 2);
  const int c0 = std::min(static_cast<int>(fc), colunas - 2);
  const double tl = fl - l0, tc = fc - c0;
  const double a = Em(l0, c0), b = Em(l0, c0 + 1), c = Em(l0 + 1, c0), d = Em(l0 + 1, c0 + 1);
  return (1 - tl) * ((1 - tc) * a + tc * b) + tl * ((1 - tc) * c + tc * d);
}

Campo NovoCampo(double latNorteDeg, double lonOesteDeg, double passoDeg, int linhas, int colunas) {
  Campo campo;
  campo.latNorteDeg = latNorteDeg;
  campo.lonOesteDeg = lonOesteDeg;
  campo.passoDeg = passoDeg;
  campo.linhas = linhas;
  campo.colunas = colunas;
  campo.valores.assign(static_cast<size_t>(linhas) * colunas, kNaN);
  return campo;
}

Campo LerGrade(const std::string& caminho) {
  std::ifstream arquivo(caminho, std::ios::binary);
  if (!arquivo) throw std::runtime_error("n\xC3\xA3o foi poss\xC3\xADvel abrir " + caminho);
  struct No {
    double lat, lon, n;
  };
  std::vector<No> nos;
  std::string linha;
  size_t numero = 0;
  while (std::getline(arquivo, linha)) {
    ++numero;
    if (!linha.empty() && linha.back() == '\r') linha.pop_back();
    const std::string onde = caminho + ":" + std::to_string(numero);
    No no{};
    no.lon = LerCampoNumerico(linha, kColunaLon, kLarguraLon, onde) - kGrausCirculo;
    no.lat = LerCampoNumerico(linha, kColunaLat, kLarguraLat, onde);
    no.n = LerCampoNumerico(linha, kColunaN, kLarguraN, onde);
    nos.push_back(no);
  }
  if (nos.empty()) throw std::runtime_error(caminho + ": grade vazia");
  double latMax = nos[0].lat, latMin = nos[0].lat, lonMin = nos[0].lon, lonMax = nos[0].lon;
  for (const No& no : nos) {
    latMax = std::max(latMax, no.lat);
    latMin = std::min(latMin, no.lat);
    lonMin = std::min(lonMin, no.lon);
    lonMax = std::max(lonMax, no.lon);
  }
  const int linhas = static_cast<int>(Indice(latMax, latMin, kPassoGradeDeg)) + 1;
  const int colunas = static_cast<int>(Indice(lonMax, lonMin, kPassoGradeDeg)) + 1;
  Campo campo = NovoCampo(latMax, lonMin, kPassoGradeDeg, linhas, colunas);
  for (const No& no : nos) {
    const long l = Indice(latMax, no.lat, kPassoGradeDeg);
    const long c = Indice(no.lon, lonMin, kPassoGradeDeg);
    campo.Em(static_cast<int>(l), static_cast<int>(c)) = no.n;
  }
  return campo;
}

namespace {

// Calls visita(lat, lon, value) for every cell of the field strictly inside the
// model area that holds a value.
template <class Visita>
void ParaCadaCelulaNaArea(const Campo& campo, Visita&& visita) {
  for (int l = 0; l < campo.linhas; ++l) {
    const double lat = campo.LatDeg(l);
    if (lat <= kLatSulDeg || lat >= kLatNorteDeg) continue;
    for (int c = 0; c < campo.colunas; ++c) {
      const double lon = campo.LonDeg(c);
      const double v = campo.Em(l, c);
      if (lon <= kLonOesteDeg || lon >= kLonLesteDeg || std::isnan(v)) continue;
      visita(lat, lon, v);
    }
  }
}

}  // namespace

Estatisticas CalcularEstatisticas(const Campo& campo) {
  Estatisticas e;
  double soma = 0, somaQuadrados = 0;
  bool primeiro = true;
  ParaCadaCelulaNaArea(campo, [&](double lat, double lon, double v) {
    if (primeiro || v < e.minimo) {
      e.minimo = v;
      e.latMinimoDeg = lat;
      e.lonMinimoDeg = lon;
    }
    if (primeiro || v > e.maximo) {
      e.maximo = v;
      e.latMaximoDeg = lat;
      e.lonMaximoDeg = lon;
    }
    primeiro = false;
    ++e.quantidade;
    soma += v;
    somaQuadrados += v * v;
  });
  if (e.quantidade == 0) return e;
  const double n = static_cast<double>(e.quantidade);
  e.media = soma / n;
  e.rms = std::sqrt(somaQuadrados / n);
  double desvios = 0;
  ParaCadaCelulaNaArea(campo,
                       [&](double, double, double v) { desvios += (v - e.media) * (v - e.media); });
  e.desvioPadrao = e.quantidade > 1 ? std::sqrt(desvios / (n - 1)) : 0.0;
  return e;
}

Estatisticas CalcularEstatisticas(const std::vector<double>& valores) {
  Estatisticas e;
  if (valores.empty()) return e;
  e.quantidade = valores.size();
  e.minimo = *std::min_element(valores.begin(), valores.end());
  e.maximo = *std::max_element(valores.begin(), valores.end());
  double soma = 0, somaQuadrados = 0;
  for (double v : valores) {
    soma += v;
    somaQuadrados += v * v;
  }
  const double n = static_cast<double>(e.quantidade);
  e.media = soma / n;
  e.rms = std::sqrt(somaQuadrados / n);
  double desvios = 0;
  for (double v : valores) desvios += (v - e.media) * (v - e.media);
  e.desvioPadrao = e.quantidade > 1 ? std::sqrt(desvios / (n - 1)) : 0.0;
  return e;
}

QColor EscalaCores::Cor(double valor) const {
  struct Parada {
    double t;
    int r, g, b;
  };
  // Blue, cyan, green, yellow, orange, red: one hue step per sixth of the range.
  static constexpr std::array<Parada, 6> kArcoIris{{{0.0, 38, 60, 160},
                                                    {0.2, 30, 150, 220},
                                                    {0.4, 70, 190, 120},
                                                    {0.6, 240, 230, 80},
                                                    {0.8, 245, 150, 50},
                                                    {1.0, 180, 30, 40}}};
  static constexpr std::array<Parada, 3> kDivergente{
      {{0.0, 40, 80, 180}, {0.5, 250, 250, 250}, {1.0, 190, 40, 40}}};
  if (std::isnan(valor)) return QColor(Qt::white);
  double t;
  if (divergente) {
    const double limite = std::max(std::fabs(minimo), std::fabs(maximo));
    t = limite > 0 ? 0.5 + 0.5 * valor / limite : 0.5;
  } else {
    t = maximo > minimo ? (valor - minimo) / (maximo - minimo) : 0.5;
  }
  t = std::clamp(t, 0.0, 1.0);
  const Parada* paradas = divergente ? kDivergente.data() : kArcoIris.data();
  const size_t quantas = divergente ? kDivergente.size() : kArcoIris.size();
  size_t i = 1;
  while (i < quantas - 1 && t > paradas[i].t) ++i;
  const Parada& a = paradas[i - 1];
  const Parada& b = paradas[i];
  const double f = (t - a.t) / (b.t - a.t);
  auto mistura = [f](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * f)); };
  return QColor(mistura(a.r, b.r), mistura(a.g, b.g), mistura(a.b, b.b));
}

QImage ImagemDoCampo(const Campo& campo, const EscalaCores& escala) {
  QImage imagem(campo.colunas, campo.linhas, QImage::Format_RGB32);
  for (int l = 0; l < campo.linhas; ++l)
    for (int c = 0; c < campo.colunas; ++c) imagem.setPixelColor(c, l, escala.Cor(campo.Em(l, c)));
  return imagem;
}

QPointF PontoNoMapa(const QRectF& area, const Janela& janela, double latDeg, double lonDeg) {
  const double x = area.left() + (lonDeg - janela.lonOesteDeg) /
                                     (janela.lonLesteDeg - janela.lonOesteDeg) * area.width();
  const double y = area.top() + (janela.latNorteDeg - latDeg) /
                                    (janela.latNorteDeg - janela.latSulDeg) * area.height();
  return {x, y};
}

void DesenharMapa(QPainter& pintor, const QRectF& area, const Campo& campo,
                  const EscalaCores& escala, const Janela& janela, const QFont& fonte,
                  int intervaloEixosDeg) {
  // The part of the lattice picture that falls inside the window; each lattice value
  // is painted over the half-spacing around its point.
  const QImage imagem = ImagemDoCampo(campo, escala);
  const double meio = campo.passoDeg / 2;
  const QRectF origem((janela.lonOesteDeg - (campo.lonOesteDeg - meio)) / campo.passoDeg,
                      ((campo.latNorteDeg + meio) - janela.latNorteDeg) / campo.passoDeg,
                      (janela.lonLesteDeg - janela.lonOesteDeg) / campo.passoDeg,
                      (janela.latNorteDeg - janela.latSulDeg) / campo.passoDeg);
  pintor.save();
  pintor.setRenderHint(QPainter::SmoothPixmapTransform, false);
  pintor.drawImage(area, imagem, origem);
  pintor.setPen(QPen(Qt::black, 0));
  pintor.setBrush(Qt::NoBrush);
  pintor.drawRect(area);
  pintor.setFont(fonte);
  const QFontMetricsF medidas(fonte, pintor.device());
  const double marca = medidas.height() * 0.3;
  const int latInicio = static_cast<int>(std::ceil(janela.latSulDeg / intervaloEixosDeg));
  const int latFim = static_cast<int>(std::floor(janela.latNorteDeg / intervaloEixosDeg));
  for (int k = latInicio; k <= latFim; ++k) {
    const int graus = k * intervaloEixosDeg;
    const double y = PontoNoMapa(area, janela, graus, janela.lonOesteDeg).y();
    pintor.drawLine(QPointF(area.left() - marca, y), QPointF(area.left(), y));
    const QString rotulo = RotuloGrau(graus, true);
    const double largura = medidas.horizontalAdvance(rotulo);
    pintor.drawText(QPointF(area.left() - marca * 1.5 - largura, y + medidas.ascent() / 2.5),
                    rotulo);
  }
  const int lonInicio = static_cast<int>(std::ceil(janela.lonOesteDeg / intervaloEixosDeg));
  const int lonFim = static_cast<int>(std::floor(janela.lonLesteDeg / intervaloEixosDeg));
  for (int k = lonInicio; k <= lonFim; ++k) {
    const int graus = k * intervaloEixosDeg;
    const double x = PontoNoMapa(area, janela, janela.latSulDeg, graus).x();
    pintor.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + marca));
    const QString rotulo = RotuloGrau(graus, false);
    const double largura = medidas.horizontalAdvance(rotulo);
    pintor.drawText(QPointF(x - largura / 2, area.bottom() + marca * 1.5 + medidas.ascent()),
                    rotulo);
  }
  pintor.restore();
}

void DesenharBarraCores(QPainter& pintor, const QRectF& area, const EscalaCores& escala,
                        const QFont& fonte, double intervalo, const char* mascara) {
  pintor.save();
  const int passos = std::max(2, static_cast<int>(area.height()));
  const double inferior = escala.divergente
                              ? -std::max(std::fabs(escala.minimo), std::fabs(escala.maximo))
                              : escala.minimo;
  const double superior = escala.divergente ? -inferior : escala.maximo;
  for (int i = 0; i < passos; ++i) {
    const double t = 1.0 - (i + 0.5) / passos;
    const QRectF faixa(area.left(), area.top() + area.height() * i / passos, area.width(),
                       area.height() / passos + 0.5);
    pintor.fillRect(faixa, escala.Cor(inferior + t * (superior - inferior)));
  }
  pintor.setPen(QPen(Qt::black, 0));
  pintor.setBrush(Qt::NoBrush);
  pintor.drawRect(area);
  pintor.setFont(fonte);
  const QFontMetricsF medidas(fonte, pintor.device());
  if (superior > inferior && intervalo > 0) {
    for (double k = std::ceil(inferior / intervalo); k * intervalo <= superior; k += 1) {
      const double valor = k * intervalo;
      const double y = area.bottom() - (valor - inferior) / (superior - inferior) * area.height();
      pintor.drawLine(QPointF(area.right(), y), QPointF(area.right() + area.width() * 0.3, y));
      pintor.drawText(QPointF(area.right() + area.width() * 0.45, y + medidas.ascent() / 2.5),
                      Numero(valor, mascara));
    }
  }
  pintor.restore();
}

QString Numero(double valor, const char* mascara) {
  return QString::fromLatin1(nivora::FormatFloat(mascara, static_cast<long double>(valor)));
}

QString RotuloGrau(int graus, bool latitude) {
  QString texto = QString::fromStdString(std::to_string(std::abs(graus))) + QChar(0x00B0);
  if (graus != 0) texto += latitude ? (graus < 0 ? "S" : "N") : (graus < 0 ? "W" : "E");
  return texto;
}

void GravarJpeg(const QImage& imagem, const std::string& caminho, int qualidade) {
  const QImage rgb = imagem.convertToFormat(QImage::Format_RGB888);
  FILE* arquivo = std::fopen(caminho.c_str(), "wb");
  if (!arquivo) throw std::runtime_error("n\xC3\xA3o foi poss\xC3\xADvel criar " + caminho);
  jpeg_compress_struct info;
  jpeg_error_mgr erro;
  info.err = jpeg_std_error(&erro);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, arquivo);
  info.image_width = static_cast<JDIMENSION>(rgb.width());
  info.image_height = static_cast<JDIMENSION>(rgb.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, qualidade, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW linha = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &linha, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  const bool falhou = std::ferror(arquivo) != 0;
  if (std::fclose(arquivo) != 0 || falhou) throw std::runtime_error("falha ao gravar " + caminho);
}

}  // namespace ferramentas
