// Test support: small geoid grid files in the fixed-column layout.
#include "apoio/grade.hpp"

#include <cmath>
#include <cstdio>

namespace nivora::teste {

namespace {

/// `texto` right-aligned in `largura` columns (never cut).
std::string Direita(const std::string& texto, std::size_t largura) {
  if (texto.size() >= largura) return texto;
  return std::string(largura - texto.size(), ' ').append(texto);
}

constexpr long kMilimetrosPorMetro = 1000;

}  // namespace

std::string Doze(long m) {
  const long a = m < 0 ? -m : m;
  long inteiro = a / kNosPorGrau;
  long fracao = ((a % kNosPorGrau) * 1000000 + kNosPorGrau / 2) / kNosPorGrau;
  if (fracao >= 1000000) {
    ++inteiro;
    fracao -= 1000000;
  }
  char texto[40];
  std::snprintf(texto, sizeof texto, "%s%ld.%06ld", m < 0 ? "-" : "", inteiro, fracao);
  return texto;
}

std::string Milimetros(long mm) {
  const long a = mm < 0 ? -mm : mm;
  char texto[40];
  std::snprintf(texto, sizeof texto, "%s%ld.%03ld", mm < 0 ? "-" : "", a / kMilimetrosPorMetro,
                a % kMilimetrosPorMetro);
  return texto;
}

std::string LinhaNo(const std::string& lon, const std::string& lat, const std::string& n) {
  std::string linha = " ";
  linha.append(Direita(lon, 11)).append(" ").append(Direita(lat, 11));
  linha.append("   ").append(Direita(n, 7));
  return linha;
}

std::vector<std::vector<std::string>> GradeRegular(long lat0, long lon0, int linhas, int colunas,
                                                   std::mt19937& sorteio,
                                                   const std::string& nFixo) {
  std::uniform_int_distribution<long> mm(-40000, 40000);
  std::vector<std::vector<std::string>> grade(static_cast<std::size_t>(linhas));
  for (int r = 0; r < linhas; ++r)
    for (int c = 0; c < colunas; ++c)
      grade[static_cast<std::size_t>(r)].push_back(
          LinhaNo(Doze(lon0 + c), Doze(lat0 - r), nFixo.empty() ? Milimetros(mm(sorteio)) : nFixo));
  return grade;
}

std::vector<std::string> Achatar(const std::vector<std::vector<std::string>>& grade) {
  std::vector<std::string> todas;
  for (const auto& linha : grade) todas.insert(todas.end(), linha.begin(), linha.end());
  return todas;
}

std::string TextoGrade(int latSul, int latNorte, int lonOeste, int lonLeste, const OndulacaoNo& n) {
  constexpr long kVolta = 360 * kNosPorGrau;  // the file's longitudes run 0..360 east
  std::string texto;
  for (long i = latNorte * kNosPorGrau; i >= latSul * kNosPorGrau; --i) {
    for (long j = lonOeste * kNosPorGrau; j <= lonLeste * kNosPorGrau; ++j) {
      texto += LinhaNo(Doze(j < 0 ? j + kVolta : j), Doze(i), n(i, j));
      texto += "\r\n";
    }
  }
  return texto;
}

std::string NFixture(long lat12, long lon12) {
  const long double lat = static_cast<long double>(lat12) / kNosPorGrau;
  const long double lon = static_cast<long double>(lon12) / kNosPorGrau;
  return Milimetros(
      std::lround((-4.0L + 0.37L * (lat + 23.0L) - 0.21L * (lon + 46.0L)) * kMilimetrosPorMetro));
}

std::string GravarGradePadrao(const PastaTemporaria& pasta, const long double* nConstante,
                              const std::string& nome) {
  const std::string constante =
      nConstante != nullptr ? Milimetros(std::lround(*nConstante * kMilimetrosPorMetro)) : "";
  const std::string caminho = pasta / nome;
  GravarArquivo(caminho, TextoGrade(-25, -22, -48, -45, [&](long lat12, long lon12) {
                  return nConstante != nullptr ? constante : NFixture(lat12, lon12);
                }));
  return caminho;
}

}  // namespace nivora::teste
