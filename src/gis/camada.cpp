// The layer mode: features streamed from an OGR layer in blocks, their points taken to
// geographic SIRGAS 2000, N and the other height from the library's block queries,
// every feature written to the new layer (refused ones with the reason), in
// transactions where the output format has them.
#include "gis/camada.hpp"

#include <strings.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "gis/gdal.hpp"

namespace nivora::gis {

namespace {

using Tipo = ErroGis::Tipo;

/// Features per block query: enough for the threads, few enough to keep memory low.
constexpr std::size_t kLote = 8192;
/// Features per transaction of the output (GeoPackage and other databases).
constexpr std::uint64_t kPorTransacao = 100000;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The reasons of the layer mode's own (the program's refusals come from MensagemCodigo).
constexpr const char* kSemGeometria = "sem geometria";
constexpr const char* kGeometriaVazia = "geometria vazia";
constexpr const char* kSemZ = "sem altura: o ponto n\xC3\xA3o tem Z";
constexpr const char* kSemTransformacao =
    "a coordenada n\xC3\xA3o p\xC3\xB4"
    "de ser transformada para SIRGAS2000 (EPSG:4674)";

constexpr const char* kGeometriaNaoGravada =
    " (a geometria n\xC3\xA3o cabe no formato de sa\xC3\xAD"
    "da e ficou de fora)";

/// The usual names of the coordinate columns, as OGR knows them.
constexpr const char* kNomesLat[] = {"lat", "latitude", "y"};
constexpr const char* kNomesLon[] = {"lon", "longitude", "long", "x"};

bool Igual(const char* a, const char* b) {
  return ::strcasecmp(a, b) == 0;
}

std::string Aspas(const std::string& texto) {
  return "\"" + texto + "\"";
}

/// Where the points of the layer are.
enum class Fonte { Geometria, Colunas };

/// The value of a field as a number.
enum class Valor { Vazio, Numero, NaoNumero };

/// Numeric fields as they are; text strictly (blanks around it, a comma as the decimal
/// point, as the text mode reads it).
Valor LerNumero(const OGRFeature& feicao, int campo, double& numero) {
  if (!feicao.IsFieldSetAndNotNull(campo)) return Valor::Vazio;
  const OGRFieldType tipo = feicao.GetFieldDefnRef(campo)->GetType();
  if (tipo == OFTReal || tipo == OFTInteger || tipo == OFTInteger64) {
    numero = feicao.GetFieldAsDouble(campo);
    return std::isfinite(numero) ? Valor::Numero : Valor::NaoNumero;
  }
  std::string texto = feicao.GetFieldAsString(campo);
  const auto inicio = texto.find_first_not_of(" \t");
  if (inicio == std::string::npos) return Valor::Vazio;
  texto = texto.substr(inicio, texto.find_last_not_of(" \t") - inicio + 1);
  for (char& c : texto) {
    if (c == ',') c = '.';
  }
  const char* primeiro = texto.data();
  const char* fim = texto.data() + texto.size();
  if (*primeiro == '+' && fim - primeiro > 1 && primeiro[1] != '-') ++primeiro;
  const auto [parou, erro] = std::from_chars(primeiro, fim, numero);
  if (erro != std::errc() || parou != fim || !std::isfinite(numero)) return Valor::NaoNumero;
  return Valor::Numero;
}

/// The point of a geometry: a point, or a multipoint of one point; null with the
/// reason otherwise.
const OGRPoint* PontoDe(const OGRGeometry* geometria, std::string& motivo) {
  if (geometria == nullptr) {
    motivo = kSemGeometria;
    return nullptr;
  }
  if (geometria->IsEmpty()) {
    motivo = kGeometriaVazia;
    return nullptr;
  }
  const OGRwkbGeometryType tipo = wkbFlatten(geometria->getGeometryType());
  if (tipo == wkbPoint) return geometria->toPoint();
  if (tipo == wkbMultiPoint && geometria->toMultiPoint()->getNumGeometries() == 1) {
    return geometria->toMultiPoint()->getGeometryRef(0);
  }
  if (tipo == wkbMultiPoint) {
    motivo = "multiponto com " + std::to_string(geometria->toMultiPoint()->getNumGeometries()) +
             " pontos";
  } else {
    motivo = std::string("geometria n\xC3\xA3o \xC3\xA9 um ponto (") +
             geometria->getGeometryName() + ")";
  }
  return nullptr;
}

/// Z on a point, or on the one point of a multipoint.
void DefinirZ(OGRGeometry& geometria, double z) {
  if (wkbFlatten(geometria.getGeometryType()) == wkbPoint) {
    geometria.toPoint()->setZ(z);
  } else {
    geometria.set3D(TRUE);
    geometria.toMultiPoint()->getGeometryRef(0)->setZ(z);
  }
}

int CampoPorNome(OGRFeatureDefn& defn, const std::string& nome, const char* opcao) {
  const int i = defn.GetFieldIndex(nome.c_str());
  if (i < 0) {
    throw ErroGis(Tipo::Arquivo,
                  std::string(opcao) + ": a camada n\xC3\xA3o tem o campo " + Aspas(nome));
  }
  return i;
}

/// The first field of `defn` with one of `nomes`, in the order of the names.
int CampoUsual(OGRFeatureDefn& defn, const auto& nomes) {
  for (const char* nome : nomes) {
    for (int i = 0; i < defn.GetFieldCount(); ++i) {
      if (Igual(defn.GetFieldDefn(i)->GetNameRef(), nome)) return i;
    }
  }
  return -1;
}

OGRLayer* EscolherCamada(GDALDataset& entrada, const OpcoesCamada& opcoes) {
  if (!opcoes.camada.empty()) {
    OGRLayer* camada = entrada.GetLayerByName(opcoes.camada.c_str());
    if (camada == nullptr) {
      throw ErroGis(Tipo::Arquivo, "--camada: " + Aspas(opcoes.entrada) +
                                       " n\xC3\xA3o tem a camada " + Aspas(opcoes.camada));
    }
    return camada;
  }
  const int quantas = entrada.GetLayerCount();
  if (quantas == 1) return entrada.GetLayer(0);
  if (quantas == 0) {
    throw ErroGis(Tipo::Arquivo, Aspas(opcoes.entrada) + " n\xC3\xA3o tem camadas vetoriais");
  }
  std::string nomes;
  for (int i = 0; i < quantas; ++i) {
    nomes += std::string(i ? ", " : "") + entrada.GetLayer(i)->GetName();
  }
  throw ErroGis(Tipo::Arquivo, Aspas(opcoes.entrada) + " tem " + std::to_string(quantas) +
                                   " camadas (" + nomes + "): escolha uma com --camada");
}

/// The output format: the one named, or the one GDAL writes for the output's extension.
GDALDriver* DriverSaida(const OpcoesCamada& opcoes) {
  const auto grava = [](GDALDriver* d) {
    return d != nullptr && d->GetMetadataItem(GDAL_DCAP_VECTOR) != nullptr &&
           d->GetMetadataItem(GDAL_DCAP_CREATE) != nullptr;
  };
  if (!opcoes.formatoSaida.empty()) {
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(opcoes.formatoSaida.c_str());
    if (!grava(driver)) {
      throw ErroGis(Tipo::Uso, "--formato-saida: " + Aspas(opcoes.formatoSaida) +
                                   " n\xC3\xA3o \xC3\xA9 um formato vetorial que o GDAL grave");
    }
    return driver;
  }
  const std::string nome = opcoes.saida.substr(opcoes.saida.rfind('/') + 1);
  const auto ponto = nome.rfind('.');
  if (ponto == std::string::npos || ponto + 1 == nome.size()) {
    throw ErroGis(Tipo::Uso,
                  "a sa\xC3\xAD"
                  "da " +
                      Aspas(opcoes.saida) +
                      " n\xC3\xA3o tem extens\xC3\xA3o: indique o formato com --formato-saida");
  }
  const std::string extensao = nome.substr(ponto + 1);
  std::vector<GDALDriver*> candidatos;
  GDALDriverManager* gerente = GetGDALDriverManager();
  for (int i = 0; i < gerente->GetDriverCount(); ++i) {
    GDALDriver* driver = gerente->GetDriver(i);
    const char* extensoes = driver->GetMetadataItem(GDAL_DMD_EXTENSIONS);
    if (!grava(driver) || extensoes == nullptr) continue;
    const CPLStringList lista(CSLTokenizeString(extensoes));
    for (int k = 0; k < lista.size(); ++k) {
      if (Igual(lista[k], extensao.c_str())) {
        candidatos.push_back(driver);
        break;
      }
    }
  }
  if (candidatos.size() == 1) return candidatos.front();
  if (candidatos.empty()) {
    throw ErroGis(Tipo::Uso, "nenhum formato vetorial do GDAL grava a extens\xC3\xA3o ." +
                                 extensao + ": indique o formato com --formato-saida");
  }
  std::string nomes;
  for (GDALDriver* d : candidatos)
    nomes += std::string(nomes.empty() ? "" : ", ") + d->GetDescription();
  throw ErroGis(Tipo::Uso, "a extens\xC3\xA3o ." + extensao + " serve a " + nomes +
                               ": indique um com --formato-saida");
}

/// Whether a driver takes the layer creation option `nome`.
bool TemOpcaoDeCamada(GDALDriver& driver, const char* nome) {
  const char* lista = driver.GetMetadataItem(GDAL_DS_LAYER_CREATIONOPTIONLIST);
  return lista != nullptr &&
         std::string(lista).find("name='" + std::string(nome) + "'") != std::string::npos;
}

/// How the coordinates reach geographic SIRGAS 2000: as they are (and which of x, y
/// is the longitude), or through PROJ.
struct Destino {
  OGRSpatialReference origem;
  bool comoEsta = false;
  bool xEhLongitude = true;
  Transformacao transformacao;
};

Destino DestinoDe(const OGRSpatialReference* daCamada, const OpcoesCamada& opcoes,
                  const std::string& nomeCamada) {
  Destino destino;
  if (!opcoes.crs.empty()) {
    destino.origem = CrsDoUsuario(opcoes.crs, "--crs");
  } else if (daCamada != nullptr) {
    destino.origem = *daCamada;
  } else {
    throw ErroGis(Tipo::Arquivo,
                  "a camada " + Aspas(nomeCamada) +
                      " n\xC3\xA3o diz em que sistema de refer\xC3\xAAncia (CRS) est\xC3\xA3o as "
                      "coordenadas: indique-o com --crs (por exemplo --crs EPSG:4674 para "
                      "SIRGAS2000 geogr\xC3\xA1"
                      "fico, --crs EPSG:31983 para SIRGAS2000 / UTM 23S)");
  }
  const OGRSpatialReference sirgas = Sirgas2000();
  OGRSpatialReference plano = destino.origem;
  if (plano.IsGeographic()) plano.DemoteTo2D(nullptr);
  const char* criterio[] = {"CRITERION=EQUIVALENT_EXCEPT_AXIS_ORDER_GEOGCRS", nullptr};
  const std::vector<int> eixos = destino.origem.GetDataAxisToSRSAxisMapping();
  if (plano.IsGeographic() && plano.IsSame(&sirgas, criterio) && eixos.size() >= 2 &&
      eixos[0] > 0 && eixos[1] > 0) {
    OGRAxisOrientation orientacao = OAO_Other;
    destino.origem.GetAxis(nullptr, eixos[0] - 1, &orientacao);
    destino.comoEsta = true;
    destino.xEhLongitude = orientacao == OAO_East || orientacao == OAO_West;
    return destino;
  }
  CPLErrorReset();
  destino.transformacao.reset(OGRCreateCoordinateTransformation(&destino.origem, &sirgas));
  if (!destino.transformacao) {
    throw ErroComGdal(Tipo::Arquivo, "n\xC3\xA3o h\xC3\xA1 transforma\xC3\xA7\xC3\xA3o de " +
                                         NomeCrs(destino.origem) + " para SIRGAS2000 (EPSG:4674)");
  }
  return destino;
}

/// The output layer's names of the added fields, refused when a name is taken.
void ConferirNomes(OGRFeatureDefn& entrada, const std::vector<std::string>& novos) {
  for (std::size_t k = 0; k < novos.size(); ++k) {
    if (novos[k].empty()) throw ErroGis(Tipo::Uso, "--campos: nome de campo vazio");
    for (std::size_t j = 0; j < k; ++j) {
      if (Igual(novos[j].c_str(), novos[k].c_str())) {
        throw ErroGis(Tipo::Uso, "--campos: o nome " + Aspas(novos[k]) + " aparece duas vezes");
      }
    }
    if (entrada.GetFieldIndex(novos[k].c_str()) >= 0) {
      throw ErroGis(
          Tipo::Arquivo,
          "a camada de entrada j\xC3\xA1 tem o campo " + Aspas(novos[k]) +
              ", que n\xC3\xA3o ser\xC3\xA1 sobrescrito: escolha outros nomes para os "
              "campos acrescentados com --campos (por exemplo --campos N_geoide,H_orto,motivo)");
    }
  }
}

/// Commits the open transaction of the output, if any, whatever else happens.
class Transacoes {
 public:
  explicit Transacoes(GDALDataset& ds) : ds_(ds) {
    aberta_ = ds_.StartTransaction() == OGRERR_NONE;
  }
  ~Transacoes() {
    if (aberta_) ds_.CommitTransaction();
  }
  Transacoes(const Transacoes&) = delete;
  Transacoes& operator=(const Transacoes&) = delete;
  void Confirmar(const std::string& saida) {
    if (!aberta_) return;
    aberta_ = false;
    CPLErrorReset();
    if (ds_.CommitTransaction() != OGRERR_NONE) {
      throw ErroComGdal(Tipo::Arquivo, "falha ao gravar " + Aspas(saida));
    }
  }
  void Renovar(const std::string& saida) {
    if (!aberta_) return;
    Confirmar(saida);
    aberta_ = ds_.StartTransaction() == OGRERR_NONE;
  }

 private:
  GDALDataset& ds_;
  bool aberta_ = false;
};

/// Where each feature's point and height are.
struct Leitura {
  Fonte fonte = Fonte::Geometria;
  int iLat = -1;
  int iLon = -1;
  int iAltura = -1;  ///< the height's field; -1: the points' Z (or no height)
  OGRwkbGeometryType tipo = wkbPoint;
  const OGRSpatialReference* crs = nullptr;  ///< the layer's, if any
};

Leitura LeituraDe(OGRLayer& camada, const OpcoesCamada& opcoes) {
  OGRFeatureDefn& defn = *camada.GetLayerDefn();
  const std::string nome = camada.GetName();
  Leitura leitura;
  if (!opcoes.campoLat.empty()) {
    leitura.fonte = Fonte::Colunas;
    leitura.iLat = CampoPorNome(defn, opcoes.campoLat, "--campo-lat");
    leitura.iLon = CampoPorNome(defn, opcoes.campoLon, "--campo-lon");
  } else if (defn.GetGeomFieldCount() == 0) {
    leitura.fonte = Fonte::Colunas;
    leitura.iLat = CampoUsual(defn, kNomesLat);
    leitura.iLon = CampoUsual(defn, kNomesLon);
    if (leitura.iLat < 0 || leitura.iLon < 0) {
      throw ErroGis(Tipo::Arquivo,
                    "a camada " + Aspas(nome) +
                        " n\xC3\xA3o tem geometria nem colunas de coordenadas com os nomes usuais "
                        "(lat, latitude ou y; lon, longitude, long ou x): indique-as com "
                        "--campo-lat e --campo-lon");
    }
  }
  if (leitura.fonte == Fonte::Geometria) {
    leitura.tipo = defn.GetGeomFieldDefn(0)->GetType();
    leitura.crs = defn.GetGeomFieldDefn(0)->GetSpatialRef();
  } else {
    leitura.crs = camada.GetSpatialRef();
  }
  const bool comAltura = opcoes.altura != Altura::Nenhuma;
  if (comAltura && !opcoes.campoAltura.empty()) {
    leitura.iAltura = CampoPorNome(defn, opcoes.campoAltura, "--campo-altura");
  } else if (comAltura && (leitura.fonte == Fonte::Colunas ||
                           (leitura.tipo != wkbUnknown && !OGR_GT_HasZ(leitura.tipo)))) {
    throw ErroGis(Tipo::Arquivo,
                  "os pontos da camada " + Aspas(nome) +
                      " n\xC3\xA3o t\xC3\xAAm Z: indique o campo da altura com --campo-altura");
  }
  return leitura;
}

/// The output layer as made: its fields' places and how the features go in.
struct Saida {
  Dataset ds;
  OGRLayer* camada = nullptr;
  OGRwkbGeometryType tipo = wkbNone;
  std::vector<int> mapa;  ///< output field of each input field
  int iN = -1;
  int iOutra = -1;
  int iMotivo = -1;
  bool preservarFid = false;
};

/// A new output, never the input, an existing one only when asked; nothing is left of
/// it when it cannot be made as asked.
Saida CriarSaida(GDALDriver& driver, OGRLayer& entrada, const Leitura& leitura,
                 OGRSpatialReference& crs, const std::vector<std::string>& novos,
                 const OpcoesCamada& opcoes) {
  if (Existe(opcoes.saida)) {
    if (MesmoArquivo(opcoes.entrada, opcoes.saida)) {
      throw ErroGis(Tipo::Arquivo,
                    "a sa\xC3\xAD"
                    "da " +
                        Aspas(opcoes.saida) + " \xC3\xA9 a pr\xC3\xB3pria entrada");
    }
    if (!opcoes.sobrescrever) {
      throw ErroGis(Tipo::Arquivo,
                    "a sa\xC3\xAD"
                    "da " +
                        Aspas(opcoes.saida) +
                        " j\xC3\xA1 existe: use --sobrescrever para substitu\xC3\xAD-la");
    }
    CPLErrorReset();
    if (driver.Delete(opcoes.saida.c_str()) != CE_None && VSIUnlink(opcoes.saida.c_str()) != 0) {
      throw ErroComGdal(Tipo::Arquivo,
                        "n\xC3\xA3o foi poss\xC3\xADvel remover " + Aspas(opcoes.saida));
    }
  }

  Saida saida;
  const bool csv = Igual(driver.GetDescription(), "CSV");
  const bool comZ = opcoes.z != Altura::Nenhuma;
  saida.tipo = comZ ? OGR_GT_SetZ(leitura.tipo) : leitura.tipo;
  // A CSV output of a CSV's columns keeps them as they are; other CSV outputs get the
  // geometry as columns too.
  if (csv && leitura.fonte == Fonte::Colunas && !comZ) saida.tipo = wkbNone;
  CPLStringList opcoesCamada;
  if (csv && saida.tipo != wkbNone) {
    const bool pontos = wkbFlatten(saida.tipo) == wkbPoint;
    opcoesCamada.SetNameValue("GEOMETRY", !pontos                   ? "AS_WKT"
                                          : OGR_GT_HasZ(saida.tipo) ? "AS_XYZ"
                                                                    : "AS_XY");
  }
  // Text as the input had it: a CSV quotes only what needs quotes.
  if (csv) opcoesCamada.SetNameValue("STRING_QUOTING", "IF_NEEDED");
  if (TemOpcaoDeCamada(driver, "ENCODING")) opcoesCamada.SetNameValue("ENCODING", "UTF-8");
  saida.preservarFid = TemOpcaoDeCamada(driver, "FID");
  if (saida.preservarFid && *entrada.GetFIDColumn() != '\0') {
    opcoesCamada.SetNameValue("FID", entrada.GetFIDColumn());
  }
  if (leitura.fonte == Fonte::Geometria && TemOpcaoDeCamada(driver, "GEOMETRY_NAME") &&
      *entrada.GetGeometryColumn() != '\0') {
    opcoesCamada.SetNameValue("GEOMETRY_NAME", entrada.GetGeometryColumn());
  }

  CPLErrorReset();
  saida.ds.reset(driver.Create(opcoes.saida.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  if (!saida.ds) {
    throw ErroComGdal(Tipo::Arquivo,
                      "n\xC3\xA3o foi poss\xC3\xADvel criar a sa\xC3\xAD"
                      "da " +
                          Aspas(opcoes.saida));
  }
  const auto desfazer = [&](const ErroGis& erro) {
    saida.ds.reset();
    driver.Delete(opcoes.saida.c_str());
    return erro;
  };
  saida.camada = saida.ds->CreateLayer(entrada.GetName(), saida.tipo == wkbNone ? nullptr : &crs,
                                       saida.tipo, opcoesCamada.List());
  if (saida.camada == nullptr) {
    throw desfazer(ErroComGdal(
        Tipo::Arquivo, "n\xC3\xA3o foi poss\xC3\xADvel criar a camada em " + Aspas(opcoes.saida)));
  }
  OGRFeatureDefn& defnEntrada = *entrada.GetLayerDefn();
  const int nEntrada = defnEntrada.GetFieldCount();
  for (int i = 0; i < nEntrada; ++i) {
    OGRFieldDefn campo(defnEntrada.GetFieldDefn(i));
    if (saida.camada->CreateField(&campo, TRUE) != OGRERR_NONE) {
      throw desfazer(ErroComGdal(Tipo::Arquivo, "n\xC3\xA3o foi poss\xC3\xADvel criar o campo " +
                                                    Aspas(campo.GetNameRef())));
    }
    saida.mapa.push_back(i);
  }
  // A DBF stores numbers as text: three decimals read back as the very same doubles.
  const bool dbf = Igual(driver.GetDescription(), "ESRI Shapefile");
  for (std::size_t k = 0; k < novos.size(); ++k) {
    const bool texto = k + 1 == novos.size();
    OGRFieldDefn campo(novos[k].c_str(), texto ? OFTString : OFTReal);
    if (texto) campo.SetWidth(254);  // the longest reason fits a DBF's widest text
    if (!texto && dbf) {
      campo.SetWidth(16);
      campo.SetPrecision(3);
    }
    if (saida.camada->CreateField(&campo, FALSE) != OGRERR_NONE) {
      throw desfazer(ErroComGdal(
          Tipo::Arquivo, "n\xC3\xA3o foi poss\xC3\xADvel criar o campo " + Aspas(novos[k])));
    }
  }
  OGRFeatureDefn& defn = *saida.camada->GetLayerDefn();
  if (defn.GetFieldCount() != nEntrada + static_cast<int>(novos.size())) {
    throw desfazer(
        ErroGis(Tipo::Arquivo, std::string("o formato ") + driver.GetDescription() +
                                   " n\xC3\xA3o gravou os campos da entrada como eles s\xC3\xA3o"));
  }
  for (std::size_t k = 0; k < novos.size(); ++k) {
    const char* gravado = defn.GetFieldDefn(nEntrada + static_cast<int>(k))->GetNameRef();
    if (novos[k] != gravado) {
      throw desfazer(ErroGis(Tipo::Uso, std::string("o formato ") + driver.GetDescription() +
                                            " grava o campo " + Aspas(novos[k]) + " como " +
                                            Aspas(gravado) + ": escolha outro nome com --campos"));
    }
  }
  saida.iN = nEntrada;
  saida.iOutra = opcoes.altura != Altura::Nenhuma ? nEntrada + 1 : -1;
  saida.iMotivo = nEntrada + static_cast<int>(novos.size()) - 1;
  return saida;
}

/// A block of features, their points in geographic SIRGAS 2000, and what the
/// queries gave them (or why they got nothing).
struct Lote {
  std::vector<Feicao> feicoes;
  std::vector<double> x, y, lat, lon, altura, n, outra;
  std::vector<std::int32_t> codigoN, codigoOutra;
  std::vector<int> transformado;
  std::vector<std::string> motivo;

  Lote()
      : x(kLote),
        y(kLote),
        lat(kLote),
        lon(kLote),
        altura(kLote),
        n(kLote),
        outra(kLote),
        codigoN(kLote),
        codigoOutra(kLote),
        transformado(kLote),
        motivo(kLote) {
    feicoes.reserve(kLote);
  }

  /// The next features of `camada`; false at its end.
  bool Ler(OGRLayer& camada, const std::string& nome) {
    feicoes.clear();
    while (feicoes.size() < kLote) {
      CPLErrorReset();
      OGRFeature* feicao = camada.GetNextFeature();
      if (feicao == nullptr) {
        if (CPLGetLastErrorType() == CE_Failure) {
          throw ErroComGdal(Tipo::Arquivo, "falha ao ler " + Aspas(nome));
        }
        break;
      }
      feicoes.emplace_back(feicao);
    }
    return !feicoes.empty();
  }

  /// Each feature's point (x, y in its CRS) and height, or its reason.
  void Extrair(const Leitura& leitura, const OpcoesCamada& opcoes) {
    const bool comAltura = opcoes.altura != Altura::Nenhuma;
    for (std::size_t i = 0; i < feicoes.size(); ++i) {
      const OGRFeature& feicao = *feicoes[i];
      motivo[i].clear();
      x[i] = y[i] = altura[i] = kNaN;
      if (leitura.fonte == Fonte::Geometria) {
        if (const OGRPoint* ponto = PontoDe(feicao.GetGeometryRef(), motivo[i])) {
          x[i] = ponto->getX();
          y[i] = ponto->getY();
          if (comAltura && leitura.iAltura < 0) {
            if (ponto->Is3D()) {
              altura[i] = ponto->getZ();
            } else {
              motivo[i] = kSemZ;
            }
          }
        }
      } else {
        if (LerNumero(feicao, leitura.iLon, x[i]) != Valor::Numero) x[i] = kNaN;
        if (LerNumero(feicao, leitura.iLat, y[i]) != Valor::Numero) y[i] = kNaN;
      }
      if (leitura.iAltura >= 0 && motivo[i].empty()) {
        const Valor valor = LerNumero(feicao, leitura.iAltura, altura[i]);
        if (valor == Valor::Vazio) {
          motivo[i] = "sem altura: o campo " + Aspas(opcoes.campoAltura) + " est\xC3\xA1 vazio";
        } else if (valor == Valor::NaoNumero) {
          altura[i] = kNaN;  // the library's "not a number"
        }
      }
    }
  }

  /// The points to geographic SIRGAS 2000, longitude first; NaN where there is none.
  void Transformar(Destino& destino) {
    const std::size_t m = feicoes.size();
    if (destino.comoEsta) {
      for (std::size_t i = 0; i < m; ++i) {
        lon[i] = destino.xEhLongitude ? x[i] : y[i];
        lat[i] = destino.xEhLongitude ? y[i] : x[i];
      }
    } else {
      std::copy_n(x.begin(), m, lon.begin());
      std::copy_n(y.begin(), m, lat.begin());
      destino.transformacao->Transform(m, lon.data(), lat.data(), nullptr, nullptr,
                                       transformado.data());
      for (std::size_t i = 0; i < m; ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) {
          lon[i] = lat[i] = kNaN;  // the library's "not a number"
        } else if (!transformado[i] || !std::isfinite(lon[i]) || !std::isfinite(lat[i])) {
          if (motivo[i].empty()) motivo[i] = kSemTransformacao;
        }
      }
    }
    for (std::size_t i = 0; i < m; ++i) {
      if (!motivo[i].empty()) lon[i] = lat[i] = kNaN;
    }
  }

  /// N and the other height from the library's block queries; the refusals' reasons.
  void Consultar(const nivora2015::Grade& grade, const OpcoesCamada& opcoes) {
    const std::size_t m = feicoes.size();
    grade.Ondulacoes(lat.data(), lon.data(), m, n.data(), codigoN.data(), opcoes.threads);
    const bool comAltura = opcoes.altura != Altura::Nenhuma;
    if (comAltura) {
      grade.OutrasAlturas(lat.data(), lon.data(), altura.data(), m,
                          opcoes.altura == Altura::Ortometrica ? nivora2015::Altura::Ortometrica
                                                               : nivora2015::Altura::Elipsoidal,
                          outra.data(), codigoOutra.data(), opcoes.threads);
    }
    for (std::size_t i = 0; i < m; ++i) {
      const std::int32_t codigo = comAltura ? codigoOutra[i] : codigoN[i];
      if (motivo[i].empty() && codigo != 0) {
        motivo[i] = nivora2015::MensagemCodigo(static_cast<nivora2015::Codigo>(codigo));
      }
    }
  }

  /// Every feature of the block to the output; the count of those with N.
  std::uint64_t Gravar(Saida& saida, const Leitura& leitura, const OpcoesCamada& opcoes) {
    const bool comZ = opcoes.z != Altura::Nenhuma;
    OGRFeatureDefn* defn = saida.camada->GetLayerDefn();
    std::uint64_t comN = 0;
    for (std::size_t i = 0; i < feicoes.size(); ++i) {
      const OGRFeature& feicao = *feicoes[i];
      const bool aceito = motivo[i].empty();
      Feicao nova(OGRFeature::CreateFeature(defn));
      nova->SetFieldsFrom(&feicao, saida.mapa.data(), TRUE);
      if (saida.preservarFid) nova->SetFID(feicao.GetFID());
      const double z = !aceito || !comZ ? kNaN : opcoes.z == opcoes.altura ? altura[i] : outra[i];
      if (saida.tipo != wkbNone) {
        if (leitura.fonte == Fonte::Geometria) {
          if (const OGRGeometry* geometria = feicao.GetGeometryRef()) {
            OGRGeometry* copia = geometria->clone();
            if (aceito && comZ) DefinirZ(*copia, z);
            nova->SetGeometryDirectly(copia);
          }
        } else if (std::isfinite(x[i]) && std::isfinite(y[i])) {
          nova->SetGeometryDirectly(aceito && comZ ? new OGRPoint(x[i], y[i], z)
                                                   : new OGRPoint(x[i], y[i]));
        }
      }
      if (aceito) {
        nova->SetField(saida.iN, n[i]);
        if (saida.iOutra >= 0) nova->SetField(saida.iOutra, outra[i]);
        nova->SetFieldNull(saida.iMotivo);
        ++comN;
      } else {
        nova->SetFieldNull(saida.iN);
        if (saida.iOutra >= 0) nova->SetFieldNull(saida.iOutra);
        nova->SetField(saida.iMotivo, motivo[i].c_str());
      }
      CPLErrorReset();
      OGRErr gravado = saida.camada->CreateFeature(nova.get());
      if (gravado != OGRERR_NONE && nova->GetGeometryRef() != nullptr && saida.tipo != wkbUnknown &&
          wkbFlatten(nova->GetGeometryRef()->getGeometryType()) != wkbFlatten(saida.tipo)) {
        // A format of one geometry type (Shapefile): a multipoint of one point goes as a
        // point; a geometry that cannot is left out, and the reason says so.
        OGRGeometry* forcada = OGRGeometryFactory::forceTo(nova->StealGeometry(), saida.tipo);
        if (forcada != nullptr &&
            wkbFlatten(forcada->getGeometryType()) == wkbFlatten(saida.tipo)) {
          nova->SetGeometryDirectly(forcada);
        } else {
          delete forcada;
          nova->SetField(saida.iMotivo, (motivo[i] + kGeometriaNaoGravada).c_str());
        }
        CPLErrorReset();
        gravado = saida.camada->CreateFeature(nova.get());
      }
      if (gravado != OGRERR_NONE) {
        throw ErroComGdal(Tipo::Arquivo, "falha ao gravar a fei\xC3\xA7\xC3\xA3o " +
                                             std::to_string(feicao.GetFID()) + " em " +
                                             Aspas(opcoes.saida));
      }
    }
    return comN;
  }
};

}  // namespace

ResultadoCamada ProcessarCamada(const OpcoesCamada& opcoes, const nivora2015::Grade& grade,
                                const ProgressoCamada& progresso) {
  const bool comAltura = opcoes.altura != Altura::Nenhuma;
  if (opcoes.z != Altura::Nenhuma && !comAltura) {
    throw ErroGis(Tipo::Uso,
                  "--z pede --altura: sem uma altura dada n\xC3\xA3o h\xC3\xA1 outra a calcular");
  }
  if (opcoes.campoLat.empty() != opcoes.campoLon.empty()) {
    throw ErroGis(Tipo::Uso, "--campo-lat e --campo-lon v\xC3\xAAm juntos");
  }
  if (!comAltura && !opcoes.campoAltura.empty()) {
    throw ErroGis(Tipo::Uso, "--campo-altura pede --altura elipsoidal ou ortometrica");
  }

  // The input layer, where its points and heights are, their CRS and the way to
  // geographic SIRGAS 2000, the names of the added fields: all found usable before
  // anything is written.
  CPLErrorReset();
  Dataset entrada(GDALDataset::Open(opcoes.entrada.c_str(),
                                    GDAL_OF_VECTOR | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR));
  if (!entrada) {
    throw ErroComGdal(Tipo::Arquivo, "n\xC3\xA3o foi poss\xC3\xADvel abrir a camada de entrada " +
                                         Aspas(opcoes.entrada));
  }
  OGRLayer& camada = *EscolherCamada(*entrada, opcoes);
  const Leitura leitura = LeituraDe(camada, opcoes);
  Destino destino = DestinoDe(leitura.crs, opcoes, camada.GetName());
  std::vector<std::string> novos = {opcoes.campoN};
  if (comAltura) {
    novos.push_back(!opcoes.campoOutra.empty()            ? opcoes.campoOutra
                    : opcoes.altura == Altura::Elipsoidal ? "H"
                                                          : "h");
  }
  novos.push_back(opcoes.campoMotivo);
  ConferirNomes(*camada.GetLayerDefn(), novos);
  GDALDriver& driver = *DriverSaida(opcoes);

  Saida saida = CriarSaida(driver, camada, leitura, destino.origem, novos, opcoes);
  ResultadoCamada resultado;
  resultado.nomeCamada = camada.GetName();
  resultado.driverSaida = driver.GetDescription();

  // The features, block by block; what was written stays when something fails.
  const std::int64_t total = camada.GetFeatureCount(FALSE);
  Transacoes transacoes(*saida.ds);
  std::uint64_t desdeConfirmacao = 0;
  Lote lote;
  camada.ResetReading();
  while (lote.Ler(camada, opcoes.entrada)) {
    lote.Extrair(leitura, opcoes);
    lote.Transformar(destino);
    lote.Consultar(grade, opcoes);
    const std::uint64_t comN = lote.Gravar(saida, leitura, opcoes);
    resultado.feicoes += lote.feicoes.size();
    resultado.comN += comN;
    resultado.recusadas += lote.feicoes.size() - comN;
    desdeConfirmacao += lote.feicoes.size();
    if (desdeConfirmacao >= kPorTransacao) {
      transacoes.Renovar(opcoes.saida);
      desdeConfirmacao = 0;
    }
    if (progresso) progresso(resultado.feicoes, total);
  }
  transacoes.Confirmar(opcoes.saida);
  CPLErrorReset();
  saida.ds.reset();  // GeoPackage builds its spatial index here
  if (CPLGetLastErrorType() == CE_Failure) {
    throw ErroComGdal(Tipo::Arquivo, "falha ao fechar " + Aspas(opcoes.saida));
  }
  return resultado;
}

}  // namespace nivora::gis
