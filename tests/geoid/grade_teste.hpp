// Small grid files made by the geoid tests themselves.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace nivora::teste {

/// A scratch folder removed with everything in it at the end of the test.
class PastaTemp {
 public:
  PastaTemp() {
    std::string modelo = (std::filesystem::temp_directory_path() / "geoid-XXXXXX").string();
    if (::mkdtemp(modelo.data()) == nullptr) std::abort();
    caminho_ = modelo;
  }
  ~PastaTemp() {
    std::error_code ignorado;
    std::filesystem::remove_all(caminho_, ignorado);
  }
  std::string operator/(const std::string& nome) const { return (caminho_ / nome).string(); }

 private:
  std::filesystem::path caminho_;
};

/// m twelfths of a degree written with six decimals (nearest), by integer arithmetic.
inline std::string Doze(long m) {
  const long a = m < 0 ? -m : m;
  long inteiro = a / 12;
  long fracao = ((a % 12) * 1000000 + 6) / 12;
  if (fracao >= 1000000) {
    ++inteiro;
    fracao -= 1000000;
  }
  char texto[40];
  std::snprintf(texto, sizeof texto, "%s%ld.%06ld", m < 0 ? "-" : "", inteiro, fracao);
  return texto;
}

/// Millimetres written as metres with three decimals.
inline std::string Milimetros(long mm) {
  const long a = mm < 0 ? -mm : mm;
  char texto[40];
  std::snprintf(texto, sizeof texto, "%s%ld.%03ld", mm < 0 ? "-" : "", a / 1000, a % 1000);
  return texto;
}

/// A node line in the fixed columns, every field right-aligned.
inline std::string LinhaNo(const std::string& lon, const std::string& lat, const std::string& n) {
  char texto[80];
  std::snprintf(texto, sizeof texto, " %11s %11s   %7s", lon.c_str(), lat.c_str(), n.c_str());
  return texto;
}

/// Writes `linhas` joined by `quebra`, with a break after the last one when asked.
inline void EscreverLinhas(const std::string& caminho, const std::vector<std::string>& linhas,
                           const std::string& quebra = "\r\n", bool quebraFinal = true) {
  std::ofstream f(caminho, std::ios::binary | std::ios::trunc);
  for (std::size_t k = 0; k < linhas.size(); ++k) {
    f << linhas[k];
    if (k + 1 < linhas.size() || quebraFinal) f << quebra;
  }
}

/// Rows of a regular grid: `linhas` rows from latitude `lat0` (twelfths) southwards,
/// `colunas` nodes from longitude `lon0` (twelfths, 0..360 east) eastwards, N drawn at
/// random in millimetres (or given by `nFixo` when not empty).
inline std::vector<std::vector<std::string>> GradeRegular(long lat0, long lon0, int linhas,
                                                          int colunas, std::mt19937& sorteio,
                                                          const std::string& nFixo = "") {
  std::uniform_int_distribution<long> mm(-40000, 40000);
  std::vector<std::vector<std::string>> grade(static_cast<std::size_t>(linhas));
  for (int r = 0; r < linhas; ++r)
    for (int c = 0; c < colunas; ++c)
      grade[static_cast<std::size_t>(r)].push_back(
          LinhaNo(Doze(lon0 + c), Doze(lat0 - r), nFixo.empty() ? Milimetros(mm(sorteio)) : nFixo));
  return grade;
}

inline std::vector<std::string> Achatar(const std::vector<std::vector<std::string>>& grade) {
  std::vector<std::string> todas;
  for (const auto& linha : grade) todas.insert(todas.end(), linha.begin(), linha.end());
  return todas;
}

}  // namespace nivora::teste
