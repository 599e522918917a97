// GDAL for the GIS front end: errors, the session, CRSs, file identity.
#include "gis/gdal.hpp"

#include <cpl_error.h>
#include <sys/stat.h>

namespace nivora::gis {

namespace {

void CPL_STDCALL TratarErro(CPLErr classe, CPLErrorNum, const char* mensagem) {
  // Failures stay as GDAL's last error, for the command's own message.
  if (classe != CE_Warning || mensagem == nullptr) return;
  auto* aviso = static_cast<std::function<void(const std::string&)>*>(CPLGetErrorHandlerUserData());
  if (aviso != nullptr && *aviso) (*aviso)(mensagem);
}

}  // namespace

ErroGis ErroComGdal(ErroGis::Tipo tipo, const std::string& mensagem) {
  const char* gdal = CPLGetLastErrorMsg();
  if (gdal == nullptr || *gdal == '\0') return ErroGis(tipo, mensagem);
  return ErroGis(tipo, mensagem + ": " + gdal);
}

SessaoGdal::SessaoGdal(std::function<void(const std::string&)> aviso) : aviso_(std::move(aviso)) {
  GDALAllRegister();
  CPLPushErrorHandlerEx(TratarErro, &aviso_);
  CPLErrorReset();
}

SessaoGdal::~SessaoGdal() {
  CPLPopErrorHandler();
}

OGRSpatialReference CrsDoUsuario(const std::string& texto, const std::string& opcao) {
  OGRSpatialReference crs;
  CPLErrorReset();
  if (texto.empty() || crs.SetFromUserInput(texto.c_str()) != OGRERR_NONE) {
    throw ErroComGdal(ErroGis::Tipo::Uso,
                      opcao + ": \"" + texto + "\" n\xC3\xA3o \xC3\xA9 um CRS conhecido");
  }
  crs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return crs;
}

OGRSpatialReference Sirgas2000() {
  OGRSpatialReference crs;
  crs.importFromEPSG(4674);
  crs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return crs;
}

std::string NomeCrs(const OGRSpatialReference& crs) {
  const char* autoridade = crs.GetAuthorityName(nullptr);
  const char* codigo = crs.GetAuthorityCode(nullptr);
  if (autoridade != nullptr && codigo != nullptr) return std::string(autoridade) + ":" + codigo;
  const char* nome = crs.GetName();
  return nome != nullptr ? nome : "(sem nome)";
}

bool MesmoArquivo(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

bool Existe(const std::string& caminho) {
  struct stat st {};
  return ::lstat(caminho.c_str(), &st) == 0;
}

}  // namespace nivora::gis
