// The window's working folders: beside the program or in the user's documents.
#include "app/pastas.hpp"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace nivora {

QString PastaDeTrabalho(const QString& pastaAplicacao) {
  const bool doUsuario = !QFileInfo::exists(pastaAplicacao + QLatin1String(kMarcaInstalacao)) &&
                         QFileInfo(pastaAplicacao).isWritable();
  if (doUsuario) return pastaAplicacao;

  QString documentos = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documentos.isEmpty()) documentos = QDir::homePath();
  const QString pasta = documentos + QStringLiteral("/NIVORA2015/");
  QDir().mkpath(pasta + QStringLiteral("saida"));
  const QString entradas = pasta + QStringLiteral("entradas");
  if (!QFileInfo::exists(entradas) && QDir().mkpath(entradas)) {
    // The shipped sample input, once: what the user changes there is theirs.
    const QDir exemplos(pastaAplicacao + QStringLiteral("entradas"));
    for (const QString& nome : exemplos.entryList(QDir::Files)) {
      QFile::copy(exemplos.filePath(nome), entradas + QLatin1Char('/') + nome);
    }
  }
  return pasta;
}

}  // namespace nivora
