// GDAL for the GIS front end: the error kind its commands end with, owners of GDAL's
// objects, and one GDAL session per command (drivers, error handler).
#pragma once

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace nivora::gis {

/// What a GIS command could not do, in UTF-8 (GDAL's and the system's words are UTF-8).
class ErroGis : public std::runtime_error {
 public:
  enum class Tipo {
    Uso,      ///< an option or its value
    Arquivo,  ///< the input, the output or their contents
    Grade,    ///< the geoid grid
  };
  ErroGis(Tipo tipo, const std::string& mensagem) : std::runtime_error(mensagem), tipo_(tipo) {}
  Tipo TipoErro() const { return tipo_; }

 private:
  Tipo tipo_;
};

/// `mensagem` followed by GDAL's last error message, when there is one.
ErroGis ErroComGdal(ErroGis::Tipo tipo, const std::string& mensagem);

struct FecharDataset {
  void operator()(GDALDataset* ds) const { GDALClose(GDALDataset::ToHandle(ds)); }
};
using Dataset = std::unique_ptr<GDALDataset, FecharDataset>;

struct DestruirFeicao {
  void operator()(OGRFeature* f) const { OGRFeature::DestroyFeature(f); }
};
using Feicao = std::unique_ptr<OGRFeature, DestruirFeicao>;

using Transformacao = std::unique_ptr<OGRCoordinateTransformation>;

/// GDAL for one command: every driver registered, GDAL's warnings handed to `aviso`
/// (its failures are kept for the command's own message). One at a time.
class SessaoGdal {
 public:
  explicit SessaoGdal(std::function<void(const std::string&)> aviso);
  ~SessaoGdal();
  SessaoGdal(const SessaoGdal&) = delete;
  SessaoGdal& operator=(const SessaoGdal&) = delete;

 private:
  std::function<void(const std::string&)> aviso_;
};

/// A CRS from what a user types (EPSG:31983, WKT, PROJ string), axes in the
/// traditional GIS order (longitude or easting first).
/// @throws ErroGis(Uso) naming `opcao` when GDAL does not know it.
OGRSpatialReference CrsDoUsuario(const std::string& texto, const std::string& opcao);

/// Geographic SIRGAS 2000 (EPSG:4674), longitude first.
OGRSpatialReference Sirgas2000();

/// "EPSG:31983" when the CRS has an EPSG code, else its name.
std::string NomeCrs(const OGRSpatialReference& crs);

/// Same device and inode: the two paths name one file.
bool MesmoArquivo(const std::string& a, const std::string& b);

/// True when `caminho` names something in the file system (a broken link too).
bool Existe(const std::string& caminho);

}  // namespace nivora::gis
