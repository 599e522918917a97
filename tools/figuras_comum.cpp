#include "figuras_comum.hpp"

#include <jpeglib.h>

#include <QCryptographicHash>
#include <QFile>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
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

QString Numero(double valor, const char* mascara) {
  return QString::fromLatin1(nivora::FormatFloat(mascara, static_cast<long double>(valor)));
}

void GravarJpeg(const QImage& imagem, const std::string& caminho, int qualidade,
                const std::string& comentario) {
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
  if (!comentario.empty())
    jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(comentario.data()),
                      static_cast<unsigned int>(comentario.size()));
  while (info.next_scanline < info.image_height) {
    JSAMPROW linha = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &linha, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  const bool falhou = std::ferror(arquivo) != 0;
  if (std::fclose(arquivo) != 0 || falhou) throw std::runtime_error("falha ao gravar " + caminho);
}

std::string Sha256DoArquivo(const std::string& caminho) {
  QFile arquivo(QString::fromStdString(caminho));
  if (!arquivo.open(QIODevice::ReadOnly))
    throw std::runtime_error("n\xC3\xA3o foi poss\xC3\xADvel abrir " + caminho);
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!hash.addData(&arquivo)) throw std::runtime_error("falha ao ler " + caminho);
  return hash.result().toHex().toStdString();
}

Mapas::Mapas(const std::string& pasta, const std::string& arquivoGrade)
    : pasta_(pasta), sha256Grade_(Sha256DoArquivo(arquivoGrade)) {
  const std::string caminho = pasta + "/grade.sha256";
  std::ifstream arquivo(caminho, std::ios::binary);
  std::string desenhada;
  if (!(arquivo >> desenhada))
    throw std::runtime_error("n\xC3\xA3o foi poss\xC3\xADvel ler " + caminho);
  if (desenhada != sha256Grade_)
    throw std::runtime_error("os mapas de " + pasta + " foram desenhados de outra grade (" +
                             desenhada + ", n\xC3\xA3o " + sha256Grade_ + ")");
}

QImage Mapas::Ler(const std::string& nome) const {
  const std::string caminho = pasta_ + "/" + nome + ".png";
  QImage imagem;
  if (!imagem.load(QString::fromStdString(caminho), "PNG"))
    throw std::runtime_error("n\xC3\xA3o foi poss\xC3\xADvel ler o mapa " + caminho);
  return imagem;
}

}  // namespace ferramentas
