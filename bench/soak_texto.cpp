// Soak test of reading a double as its text (ComoTexto, and ComoTextos eight at a time):
// every double it visits must come out with the bytes of StrToFloat on the double's
// shortest decimal. Run by bench/soak_texto.sh (not by ./test.sh).
//
//   soak_texto [--segundos=S] [--semente=N]
//
// It aims at the two edges where the fast way must hand over to the general one. With
// a = |x| = m 2^-D, 10^(14-s) <= a < 10^(15-s), d = D - s and P = m 5^s = M 2^d + r
// (M nearest): the round trip fails once 2|r| >= 5^s, and the extended value's rounding
// is decided by rho = r 2^11 - t 5^s (t nearest to r 2^11 / 5^s). Random sampling
// comes no nearer to an edge than about 1 / (number of samples); here the doubles are
// built on the edge instead. r is chosen first, at (5^s - eps) / 2 for the round trip,
// or as the solution of r 2^11 = (5^s - eps) / 2 modulo 5^s (so that 2|rho| = 5^s - eps)
// for the rounding, eps a small odd number; then m = r / 5^s modulo 2^d, its high bits
// random. So each double lies eps / 5^s (down to 5e-14) from its edge, on either side.
// Every such double and its neighbours up to 3 ulps away are checked, in batches of
// eight. The distance to each edge is then measured here in exact 128-bit integers,
// independently of the library, and the nearest approaches are printed, with how often
// the library's double approximation of r 2^11 / 5^s picked the wrong t (which its
// exact check must then catch). Exits non-zero on any difference.
#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "text/numeros.hpp"

namespace {

__extension__ typedef unsigned __int128 U128;
__extension__ typedef __int128 I128;

// Relative distance of |x| to the round-trip edge (objetivo 0) or to the rounding edge
// (objetivo 1); a large value where |x| is out of the range.
double Distancia(double x, int objetivo) {
  const double a = std::fabs(x);
  if (!(a >= 1e-5 && a < 1e3)) return 1e9;
  int e = 0;
  const auto m = static_cast<std::uint64_t>(std::ldexp(std::frexp(a, &e), 53));
  const int D = 53 - e;  // a = m 2^-D, 43 <= D <= 70
  U128 dez = 1;
  int s = 0;
  // The s with 10^14 2^D <= m 10^s < 10^15 2^D.
  const U128 limite = U128{100000000000000ull} << D;
  while (U128{m} * dez < limite) dez *= 10, ++s;
  const U128 p = U128{m} * dez;
  const U128 unidade = U128{1} << D;
  U128 resto = p & (unidade - 1);
  I128 r = static_cast<I128>(resto);
  if (2 * resto > unidade) r -= static_cast<I128>(unidade);
  const I128 d10 = static_cast<I128>(dez);
  const I128 absR = r < 0 ? -r : r;
  if (objetivo == 0) return static_cast<double>(d10 - 2 * absR) / static_cast<double>(d10);
  if (2 * absR >= d10) return 1e9;  // no round trip: the rounding edge does not matter
  const I128 q = r * 2048;
  I128 t = q / d10;
  I128 rho = q - t * d10;
  if (2 * rho > d10) rho -= d10, ++t;
  if (2 * rho < -d10) rho += d10, --t;
  return static_cast<double>(d10 - 2 * (rho < 0 ? -rho : rho)) / static_cast<double>(d10);
}

struct Contas {
  long long verificados = 0, diferencas = 0, tErrado = 0;
  double menor[2] = {1, 1};
};

// The eight doubles through ComoTextos, each also through ComoTexto, against the text.
void Verificar(const double (&x)[8], Contas& contas) {
  long double lote[8];
  nivora::ComoTextos(x, 8, lote);
  for (int i = 0; i < 8; ++i) {
    if (!std::isfinite(x[i])) continue;
    char texto[32];
    const auto fim = std::to_chars(texto, texto + sizeof texto, x[i]).ptr;
    const long double esperado = nivora::StrToFloat(std::string_view(texto, fim - texto));
    const long double um = nivora::ComoTexto(x[i]);
    ++contas.verificados;
    if (std::memcmp(&lote[i], &esperado, 10) != 0 || std::memcmp(&um, &esperado, 10) != 0) {
      if (++contas.diferencas <= 20) std::printf("DIFERENÇA %s\n", std::string(texto, fim).c_str());
    }
    for (int objetivo = 0; objetivo < 2; ++objetivo) {
      const double d = Distancia(x[i], objetivo);
      if (d >= 0 && d < contas.menor[objetivo]) contas.menor[objetivo] = d;
    }
  }
}

I128 Centrado(I128 v, I128 modulo) {
  v %= modulo;
  if (v < 0) v += modulo;
  return 2 * v > modulo ? v - modulo : v;
}

// b^-1 modulo n (b and n coprime), by the extended Euclid algorithm.
I128 Inverso(I128 b, I128 n) {
  I128 r0 = n, r1 = b % n, t0 = 0, t1 = 1;
  while (r1 != 0) {
    const I128 q = r0 / r1;
    I128 t = r0 - q * r1;
    r0 = r1, r1 = t;
    t = t0 - q * t1;
    t0 = t1, t1 = t;
  }
  return Centrado(t0, n);
}

}  // namespace

int main(int argc, char** argv) {
  double segundos = 60;
  std::uint64_t semente = 2015;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("--segundos=", 0) == 0)
      segundos = std::stod(a.substr(11));
    else if (a.rfind("--semente=", 0) == 0)
      semente = std::stoull(a.substr(10));
    else
      return std::fprintf(stderr, "uso: soak_texto [--segundos=S] [--semente=N]\n"), 2;
  }
  std::mt19937_64 sorteio(semente);
  std::uniform_real_distribution<double> expoente(-5, 3);
  Contas contas;
  long long construidos = 0;
  double lote[8];
  int noLote = 0;
  const auto ate = std::chrono::steady_clock::now() + std::chrono::duration<double>(segundos);
  while (std::chrono::steady_clock::now() < ate) {
    const double a = std::pow(10.0, expoente(sorteio));
    int e = 0, s = 12;
    while (s < 19 && a < std::pow(10.0, 14 - s)) ++s;
    const auto m0 = static_cast<std::uint64_t>(std::ldexp(std::frexp(a, &e), 53));
    const int d = 53 - e - s;
    if (d < 1 || d > 62) continue;
    I128 cinco = 1;
    for (int k = 0; k < s; ++k) cinco *= 5;
    const I128 eps = 2 * static_cast<I128>(sorteio() % 8) + 1;
    const I128 meio = (cinco - eps) / 2;
    const bool bordaIda = construidos++ % 2 == 0;
    const I128 r = bordaIda
                       ? (sorteio() % 2 ? meio : -meio)
                       : Centrado((sorteio() % 2 ? meio : -meio) * Inverso(2048, cinco), cinco);
    // The library's approximation of r 2^11 / 5^s, rounded as it rounds it.
    const double q = static_cast<double>(r) * (2048.0 / static_cast<double>(cinco));
    const auto t = static_cast<std::int64_t>(q + std::copysign(0.5, q));
    const I128 rho = r * 2048 - static_cast<I128>(t) * cinco;
    if (!bordaIda && 2 * (rho < 0 ? -rho : rho) > cinco) ++contas.tErrado;
    const std::uint64_t mascara = (std::uint64_t{1} << d) - 1;
    const auto baixo = static_cast<std::uint64_t>(Centrado(
        r * Inverso(cinco, static_cast<I128>(mascara) + 1), static_cast<I128>(mascara) + 1));
    const std::uint64_t m = (m0 & ~mascara) | (baixo & mascara);
    const double x = std::ldexp(static_cast<double>(m), e - 53) * (sorteio() % 2 ? 1 : -1);
    for (int passo = -3; passo <= 3; ++passo) {
      lote[noLote++] = std::bit_cast<double>(std::bit_cast<std::int64_t>(x) + passo);
      if (noLote == 8) Verificar(lote, contas), noLote = 0;
    }
  }
  std::printf(
      "%lld doubles built on an edge, %lld checked with their neighbours, %lld differences\n",
      construidos, contas.verificados, contas.diferencas);
  std::printf("wrong t from the double approximation (caught by the exact check): %lld\n",
              contas.tErrado);
  std::printf(
      "nearest to the round-trip edge: %.3g; to the 64-bit rounding edge: %.3g"
      " (as a share of 5^s)\n",
      contas.menor[0], contas.menor[1]);
  return contas.diferencas == 0 ? 0 : 1;
}
