// Soak test of the query: its result against the 80-bit fit's value rounded step by
// step, on many points of many kinds, with the largest difference between the
// double estimate and the 80-bit value. Run by bench/soak.sh (not by ./test.sh).
//
//   soak_consulta --grade=PATH [--pontos=N] [--threads=T] [--semente=S]
//
// Kinds of points, each in its share of N:
//   area       random points over the model area (shipped grid);
//   nos        points near a node, 1e-1 to 1e-17 degrees away, and one to four ulps off;
//   faixa      points whose window bounds fall exactly on node coordinates (the
//              band of six nodes per row, LatMax on a row);
//   fronteira  every step of bisections along parallels and meridians towards a
//              rounding boundary x.xxx5, down to the last bit of the coordinate;
//   sinteticas small grids written here: rough random values, values of one
//              constant (on and off rounding boundaries), large values (beyond
//              the validated range and just inside it), nodes shuffled within rows,
//              rows out of order, duplicated nodes, decreasing longitudes.
// Prints one line per kind and the totals; exits 1 on any difference.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "geoid/cache.hpp"
#include "geoid/consulta.hpp"
#include "geoid/grade.hpp"
#include "text/erros.hpp"
#include "text/numeros.hpp"
#include "text/textos.hpp"

namespace {

using namespace nivora;

const long double kPasso = 5 / 60.0L;

struct Totais {
  std::uint64_t pontos = 0, diferencas = 0;
  ContagemCaminhos caminhos;
  double maiorErro = 0;  // |estimate - 80-bit value| where the estimate exists
  void Somar(const Totais& o) {
    pontos += o.pontos;
    diferencas += o.diferencas;
    caminhos.dupla += o.caminhos.dupla;
    caminhos.margem += o.caminhos.margem;
    caminhos.faixa += o.caminhos.faixa;
    caminhos.no += o.caminhos.no;
    caminhos.falhas += o.caminhos.falhas;
    maiorErro = std::max(maiorErro, o.maiorErro);
  }
};

std::mutex mutexRelato;

// One point through both ways; the outcomes as bytes (value bits or error text).
struct Comparador {
  TModeloGeoide& modelo;
  Totais& totais;

  std::string Texto(long double v) {
    char bytes[10];
    std::memcpy(bytes, &v, 10);
    return std::string(bytes, 10);
  }

  // The 80-bit value (NaN when the query fails).
  long double operator()(long double lat, long double lon) {
    std::string esperado, obtido;
    long double bruto = std::nanl("");
    try {
      bruto = modelo.OndulacaoEstendida(lat, lon);
      esperado = Texto(StrToFloat(AjustaCampo10(FormatFloat("#0.000", bruto))));
    } catch (const ErroNivora& e) {
      esperado = std::string(typeid(e).name()) + e.what();
    }
    try {
      obtido = Texto(modelo.ObterOndulacao(lat, lon));
    } catch (const ErroNivora& e) {
      obtido = std::string(typeid(e).name()) + e.what();
    }
    ++totais.pontos;
    if (obtido != esperado) {
      ++totais.diferencas;
      std::lock_guard<std::mutex> trava(mutexRelato);
      std::fprintf(
          stderr, "DIFFERENCE at %s %s on %s\n", FormatFloat("#0.000000000000000000", lat).c_str(),
          FormatFloat("#0.000000000000000000", lon).c_str(), modelo.ArquivoGrade().c_str());
    }
    if (!std::isnan(bruto)) {
      if (const auto e = modelo.Estimativa(lat, lon))
        totais.maiorErro = std::max(totais.maiorErro, static_cast<double>(std::fabs(*e - bruto)));
    }
    return bruto;
  }
};

// The value v whose bound v + sentido * passo lands exactly on alvo, if one is near.
long double Ajustar(long double alvo, long double v, long double passo, int sentido) {
  for (int k = 0; k < 64; ++k) {
    if (v + sentido * passo == alvo) return v;
    v = (v + sentido * passo < alvo) ? nextafterl(v, INFINITY) : nextafterl(v, -INFINITY);
  }
  return v;
}

// Bisection along a parallel (or a meridian) from a towards b, where N crosses the
// rounding boundary between N(a) and N(b); every step is compared.
void Fronteira(Comparador& comparar, long double fixo, long double a, long double b, bool aoLongo) {
  auto ponto = [&](long double x) { return aoLongo ? comparar(fixo, x) : comparar(x, fixo); };
  const long double na = ponto(a), nb = ponto(b);
  if (std::isnan(na) || std::isnan(nb)) return;
  const long double fronteira = (std::floor(std::min(na, nb) * 1000 - 0.5L) + 1.5L) / 1000;
  if (!(fronteira < std::max(na, nb))) return;
  const bool sobe = na < nb;
  for (int passo = 0; passo < 70; ++passo) {
    const long double m = (a + b) / 2;
    if (m == a || m == b) break;
    const long double n = ponto(m);
    if (std::isnan(n)) return;
    ((n < fronteira) == sobe ? a : b) = m;
  }
}

struct Grade {
  std::string nome;
  std::string caminho;
  std::vector<TNoGrade> nos;
  long double latNorte, latSul, lonOeste, lonLeste;  // where full windows are
};

Grade Descrever(const std::string& nome, const std::string& caminho, long double margem) {
  Grade g{nome, caminho, {}, -1e9L, 1e9L, 1e9L, -1e9L};
  std::ifstream f(caminho, std::ios::binary);
  const std::string conteudo((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  for (const std::string& linha : DividirLinhas(conteudo)) {
    TNoGrade no;
    try {
      no = LerNo(linha);
    } catch (const EConversao&) {
      continue;
    }
    g.nos.push_back(no);
    g.latNorte = std::max(g.latNorte, no.Lat);
    g.latSul = std::min(g.latSul, no.Lat);
    g.lonOeste = std::min(g.lonOeste, no.Lon);
    g.lonLeste = std::max(g.lonLeste, no.Lon);
  }
  g.latNorte -= margem;
  g.latSul += margem;
  g.lonOeste += margem;
  g.lonLeste -= margem;
  return g;
}

// The points of one kind on one grid, `n` of them (a bisection counts all its steps).
void Rodar(const std::string& tipo, const Grade& g, TCacheGrade& cache, std::uint64_t n,
           std::uint64_t semente, Totais& totais) {
  TModeloGeoide modelo(cache);
  Comparador comparar{modelo, totais};
  std::mt19937_64 sorteio(semente);
  std::uniform_real_distribution<long double> lat(g.latSul, g.latNorte),
      lon(g.lonOeste, g.lonLeste);
  std::uniform_real_distribution<long double> direcao(-1, 1);
  std::uniform_int_distribution<std::size_t> qual(0, g.nos.size() - 1);
  std::uniform_int_distribution<int> escala(1, 17), ulps(1, 4), caso(0, 7);
  auto noInterno = [&]() -> const TNoGrade& {
    for (;;) {
      const TNoGrade& no = g.nos[qual(sorteio)];
      if (no.Lat <= g.latNorte && no.Lat >= g.latSul && no.Lon >= g.lonOeste &&
          no.Lon <= g.lonLeste)
        return no;
    }
  };
  const std::uint64_t inicio = totais.pontos;
  while (totais.pontos - inicio < n) {
    if (tipo == "area" || tipo == "sinteticas") {
      comparar(lat(sorteio), lon(sorteio));
      if (tipo == "sinteticas") {
        const TNoGrade& no = noInterno();
        const long double d = std::pow(10.0L, -escala(sorteio));
        comparar(no.Lat + d * direcao(sorteio), no.Lon + d * direcao(sorteio));
      }
    } else if (tipo == "nos") {
      const TNoGrade& no = noInterno();
      const int c = caso(sorteio);
      if (c < 6) {
        const long double d = std::pow(10.0L, -escala(sorteio));
        comparar(no.Lat + d * direcao(sorteio), no.Lon + d * direcao(sorteio));
      } else {
        long double la = no.Lat, lo = no.Lon;
        for (int k = ulps(sorteio); k > 0; --k)
          (c == 6 ? la : lo) =
              nextafterl(c == 6 ? la : lo, direcao(sorteio) < 0 ? -INFINITY : INFINITY);
        comparar(la, lo);
      }
    } else if (tipo == "faixa") {
      const TNoGrade& no = noInterno();
      const long double lo = caso(sorteio) % 2
                                 ? Ajustar(no.Lon, no.Lon + 2 * kPasso, 2 * kPasso, -1)
                                 : Ajustar(no.Lon, no.Lon - 3 * kPasso, 3 * kPasso, 1);
      const long double la =
          caso(sorteio) < 4 ? Ajustar(no.Lat, no.Lat - 2 * kPasso, 2 * kPasso, 1) : lat(sorteio);
      comparar(la, lo);
    } else {  // fronteira
      const long double la = lat(sorteio), lo = lon(sorteio);
      if (caso(sorteio) % 2)
        Fronteira(comparar, la, lo, lo + kPasso / 2, true);
      else
        Fronteira(comparar, lo, la, la + kPasso / 2, false);
    }
  }
  totais.caminhos = modelo.Caminhos();
}

// m twelfths of a degree with six decimals.
std::string Doze(long m) {
  const long a = m < 0 ? -m : m;
  long inteiro = a / 12;
  long fracao = ((a % 12) * 1000000 + 6) / 12;
  if (fracao >= 1000000) ++inteiro, fracao -= 1000000;
  char texto[40];
  std::snprintf(texto, sizeof texto, "%s%ld.%06ld", m < 0 ? "-" : "", inteiro, fracao);
  return texto;
}

std::string LinhaNo(const std::string& lon, const std::string& lat, const std::string& n) {
  char texto[80];
  std::snprintf(texto, sizeof texto, " %11s %11s   %7s", lon.c_str(), lat.c_str(), n.c_str());
  return texto;
}

// The synthetic grids: name and rows of node lines.
std::vector<std::pair<std::string, std::vector<std::vector<std::string>>>> Sinteticas(
    std::mt19937_64& sorteio) {
  constexpr long kLat0 = -10 * 12, kLon0 = 310 * 12;
  constexpr int kLinhas = 24, kColunas = 24;
  auto regular = [&](const std::function<std::string()>& valor) {
    std::vector<std::vector<std::string>> g(kLinhas);
    for (int r = 0; r < kLinhas; ++r)
      for (int c = 0; c < kColunas; ++c)
        g[static_cast<std::size_t>(r)].push_back(
            LinhaNo(Doze(kLon0 + c), Doze(kLat0 - r), valor()));
    return g;
  };
  auto milimetros = [&](long mm) {
    char t[40];
    std::snprintf(t, sizeof t, "%s%ld.%03ld", mm < 0 ? "-" : "", std::labs(mm) / 1000,
                  std::labs(mm) % 1000);
    return std::string(t);
  };
  std::uniform_int_distribution<long> aspero(-40000, 40000), grande(-9999, 9999),
      centimetros(-99999, 99999);
  std::vector<std::pair<std::string, std::vector<std::vector<std::string>>>> grades;
  const auto base = regular([&] { return milimetros(aspero(sorteio)); });
  grades.push_back({"aspera", base});
  for (const char* c : {"1.2345", "-1.2345", "-0.0005", "99.9995", "0", "12.3456", "-0.0004"})
    grades.push_back({std::string("constante ") + c, regular([&] { return std::string(c); })});
  grades.push_back({"grande", regular([&] { return std::to_string(grande(sorteio)) + ".5"; })});
  grades.push_back({"quase mil", regular([&] { return milimetros(10 * centimetros(sorteio)); })});
  auto dentro = base;
  for (auto& l : dentro) std::shuffle(l.begin(), l.end(), sorteio);
  grades.push_back({"embaralhada nas linhas", dentro});
  auto trocadas = base;
  std::shuffle(trocadas.begin(), trocadas.end(), sorteio);
  grades.push_back({"linhas fora de ordem", trocadas});
  auto duplicados = base;
  for (auto& l : duplicados)
    for (int k = 0; k < 3; ++k)
      l.insert(l.begin() + 2 * k + 5, l[static_cast<std::size_t>(2 * k + 4)]);
  grades.push_back({"nos duplicados", duplicados});
  auto decrescente = base;
  for (auto& l : decrescente) std::reverse(l.begin(), l.end());
  grades.push_back({"longitudes decrescentes", decrescente});
  return grades;
}

std::string Argumento(int argc, char** argv, const char* nome, const char* padrao) {
  const std::string prefixo = std::string("--") + nome + "=";
  for (int k = 1; k < argc; ++k)
    if (std::strncmp(argv[k], prefixo.c_str(), prefixo.size()) == 0)
      return argv[k] + prefixo.size();
  return padrao;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string caminhoGrade = Argumento(argc, argv, "grade", "");
  const auto total = static_cast<std::uint64_t>(std::stod(Argumento(argc, argv, "pontos", "1e6")));
  const int threads = std::max(1, std::stoi(Argumento(argc, argv, "threads", "2")));
  const auto semente =
      static_cast<std::uint64_t>(std::stoull(Argumento(argc, argv, "semente", "2015")));
  if (caminhoGrade.empty()) {
    std::fprintf(stderr, "usage: soak_consulta --grade=PATH [--pontos=N] [--threads=T]\n");
    return 2;
  }

  // The synthetic grids, in a scratch folder.
  std::string pasta = (std::filesystem::temp_directory_path() / "soak-XXXXXX").string();
  if (::mkdtemp(pasta.data()) == nullptr) return 2;
  std::mt19937_64 sorteio(semente);
  std::vector<Grade> sinteticas;
  for (const auto& [nome, linhas] : Sinteticas(sorteio)) {
    const std::string caminho = pasta + "/" + std::to_string(sinteticas.size()) + ".txt";
    std::ofstream f(caminho, std::ios::binary);
    for (const auto& linha : linhas)
      for (const auto& no : linha) f << no << "\r\n";
    f.close();
    sinteticas.push_back(Descrever(nome, caminho, 3 * kPasso));
  }
  const Grade distribuida = Descrever("distribuida", caminhoGrade, 0.2L);

  // Shares of the points: the synthetic ones are spread over their grids.
  const std::vector<std::pair<std::string, double>> tipos = {
      {"area", 0.30}, {"nos", 0.30}, {"faixa", 0.10}, {"fronteira", 0.15}, {"sinteticas", 0.15}};
  struct Tarefa {
    std::string tipo;
    const Grade* grade;
    std::uint64_t pontos;
  };
  std::vector<Tarefa> tarefas;
  constexpr int kFatias = 64;  // per kind, for the threads to share
  for (const auto& [tipo, parte] : tipos) {
    const auto n = static_cast<std::uint64_t>(static_cast<double>(total) * parte);
    if (tipo == "sinteticas") {
      for (const Grade& g : sinteticas)
        for (int f = 0; f < kFatias / 8; ++f)
          tarefas.push_back({tipo, &g, n / sinteticas.size() / (kFatias / 8)});
    } else {
      for (int f = 0; f < kFatias; ++f) tarefas.push_back({tipo, &distribuida, n / kFatias});
    }
  }
  std::vector<std::unique_ptr<TCacheGrade>> caches;
  caches.push_back(std::make_unique<TCacheGrade>(distribuida.caminho));
  for (const Grade& g : sinteticas) caches.push_back(std::make_unique<TCacheGrade>(g.caminho));
  auto cacheDe = [&](const Grade* g) -> TCacheGrade& {
    for (auto& c : caches)
      if (c->Caminho() == g->caminho) return *c;
    std::abort();
  };

  std::vector<Totais> resultados(tarefas.size());
  std::atomic<std::size_t> proxima{0};
  const auto inicio = std::chrono::steady_clock::now();
  std::vector<std::thread> trabalhadores;
  for (int t = 0; t < threads; ++t)
    trabalhadores.emplace_back([&] {
      for (std::size_t k; (k = proxima.fetch_add(1)) < tarefas.size();)
        Rodar(tarefas[k].tipo, *tarefas[k].grade, cacheDe(tarefas[k].grade), tarefas[k].pontos,
              semente * 1000003 + k, resultados[k]);
    });
  for (auto& t : trabalhadores) t.join();
  const double segundos =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  std::filesystem::remove_all(pasta);

  std::printf("%-34s %12s %12s %9s %9s %9s %9s %6s %10s\n", "kind / grid", "points", "double",
              "80b:edge", "80b:range", "node", "failed", "diffs", "max|e-r| m");
  Totais geral;
  auto linha = [&](const std::string& nome, const Totais& t) {
    std::printf("%-34s %12llu %12llu %9llu %9llu %9llu %9llu %6llu %10.2e\n", nome.c_str(),
                static_cast<unsigned long long>(t.pontos),
                static_cast<unsigned long long>(t.caminhos.dupla),
                static_cast<unsigned long long>(t.caminhos.margem),
                static_cast<unsigned long long>(t.caminhos.faixa),
                static_cast<unsigned long long>(t.caminhos.no),
                static_cast<unsigned long long>(t.caminhos.falhas),
                static_cast<unsigned long long>(t.diferencas), t.maiorErro);
  };
  for (const auto& [tipo, parte] : tipos) {
    std::vector<const Grade*> grades;
    if (tipo == "sinteticas")
      for (const Grade& g : sinteticas) grades.push_back(&g);
    else
      grades.push_back(&distribuida);
    for (const Grade* g : grades) {
      Totais t;
      for (std::size_t k = 0; k < tarefas.size(); ++k)
        if (tarefas[k].tipo == tipo && tarefas[k].grade == g) t.Somar(resultados[k]);
      linha(tipo == "sinteticas" ? "sintetica: " + g->nome : tipo, t);
      geral.Somar(t);
    }
  }
  linha("total", geral);
  std::printf("%.0f s with %d threads, %.0f points/s\n", segundos, threads,
              static_cast<double>(geral.pontos) / segundos);
  return geral.diferencas == 0 ? 0 : 1;
}
