// Fixtures shared by the batch and command-line tests: a temporary folder,
// small files, and small geoid grids in the fixed-column layout.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "text/numeros.hpp"

namespace nivora::teste {

/// A fresh folder under the system's temporary folder, removed at the end.
class PastaTemporaria {
 public:
  PastaTemporaria() {
    std::string modelo = (std::filesystem::temp_directory_path() / "nivora_lote_XXXXXX").string();
    caminho_ = ::mkdtemp(modelo.data());
  }
  ~PastaTemporaria() {
    std::error_code ignorado;
    std::filesystem::remove_all(caminho_, ignorado);
  }
  PastaTemporaria(const PastaTemporaria&) = delete;
  PastaTemporaria& operator=(const PastaTemporaria&) = delete;

  std::string operator/(const std::string& nome) const { return caminho_ + "/" + nome; }
  const std::string& Caminho() const { return caminho_; }

 private:
  std::string caminho_;
};

inline void GravarArquivo(const std::string& caminho, const std::string& bytes) {
  std::ofstream arquivo(caminho, std::ios::binary | std::ios::trunc);
  arquivo.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string LerArquivoTodo(const std::string& caminho) {
  std::ifstream arquivo(caminho, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(arquivo), std::istreambuf_iterator<char>());
}

/// `texto` right-aligned in `largura` columns.
inline std::string Direita(const std::string& texto, size_t largura) {
  return texto.size() >= largura ? texto : std::string(largura - texto.size(), ' ') + texto;
}

/// One node line: column 1 blank, 2-12 longitude (0..360), 13 blank, 14-24
/// latitude, 25-27 blank, 28-34 N; CR LF at the end.
inline std::string LinhaNo(long double lonGraus, long double latGraus, long double nMetros) {
  const long double lon360 = lonGraus < 0 ? lonGraus + 360.0L : lonGraus;
  return " " + Direita(FormatFloat("#0.000000", lon360), 11) + " " +
         Direita(FormatFloat("#0.000000", latGraus), 11) + "   " +
         Direita(FormatFloat("#0.000", nMetros), 7) + "\r\n";
}

/// Undulation of the fixture grids' nodes: varies with both coordinates so that
/// a swapped or misread coordinate shows.
inline long double NFixture(long double lat, long double lon) {
  return std::round((-4.0L + 0.37L * (lat + 23.0L) - 0.21L * (lon + 46.0L)) * 1000.0L) / 1000.0L;
}

/// A 5' grid over [latSul, latNorte] x [lonOeste, lonLeste] (whole degrees),
/// rows from north to south. `nConstante` set: every node carries that N.
inline std::string TextoGrade(int latSul, int latNorte, int lonOeste, int lonLeste,
                              const long double* nConstante = nullptr) {
  constexpr int kNosPorGrau = 12;
  std::string texto;
  for (int i = latNorte * kNosPorGrau; i >= latSul * kNosPorGrau; --i) {
    const long double lat = static_cast<long double>(i) / kNosPorGrau;
    for (int j = lonOeste * kNosPorGrau; j <= lonLeste * kNosPorGrau; ++j) {
      const long double lon = static_cast<long double>(j) / kNosPorGrau;
      texto += LinhaNo(lon, lat, nConstante ? *nConstante : NFixture(lat, lon));
    }
  }
  return texto;
}

/// The grid used by most tests: latitudes -25..-22, longitudes -48..-45.
inline std::string GravarGradePadrao(const PastaTemporaria& pasta,
                                     const long double* nConstante = nullptr,
                                     const std::string& nome = "grade.txt") {
  const std::string caminho = pasta / nome;
  GravarArquivo(caminho, TextoGrade(-25, -22, -48, -45, nConstante));
  return caminho;
}

}  // namespace nivora::teste
