// The double estimate of a window's fit, with a bound on how far it can lie from the 80-bit value.
#pragma once

#include <cstddef>

#include "geoid/grade.hpp"

namespace nivora {

/// The estimate e of the fit's constant term, and a bound: the 80-bit fit run on the
/// same window gives a value r with |e - r| <= limite (metres).
struct EstimativaLimitada {
  double valor = 0;
  double limite = 0;
};

/// The estimate of the window `nos` (kNumNos nodes of `grade`, in the order the
/// window took them) for the point (Lat, Lon). False when no bound can be given:
/// a node at the point or too near it for double arithmetic, a pivot that is not
/// positive, a floating-point exception in the computation, or a window too
/// ill-conditioned for the bound to be of use. Makes no system call.
bool Estimar(const GradeCarregada& grade, const NoJanela* nos, long double Lat, long double Lon,
             EstimativaLimitada& saida);

/// Windows estimated side by side: eight lanes of AVX-512, or two sets of four
/// lanes (AVX2 or SSE2) where the processor lacks it; each lane computes exactly
/// what Estimar computes.
inline constexpr int kLarguraLote = 8;

/// The estimates of kLarguraLote windows at once, each as Estimar would give it:
/// `dada[k]` tells whether window k got one (in `saida[k]`). Returns how many did.
/// Windows that cannot go together (rows of different shapes, a point the estimate
/// cannot take, a floating-point flag that belongs to no window in particular) get
/// none here: each is then to be estimated by itself.
int EstimarLote(const GradeCarregada& grade, const NoJanela* const* nos, const long double* Lat,
                const long double* Lon, EstimativaLimitada* saida, bool* dada);

/// Four lanes at a time even where the processor has AVX-512 (for comparing the two).
void DispensarAvx512(bool dispensar);

/// The same for lattice windows (GradeCarregada::JanelaReticulado): window k is the
/// block of five rows from linha[k] and five columns from coluna[k], in file order.
int EstimarLoteReticulado(const GradeCarregada& grade, const std::size_t* linha,
                          const std::size_t* coluna, const long double* Lat, const long double* Lon,
                          EstimativaLimitada* saida, bool* dada);

/// The millimetres that the mask "#0.000" gives for every value within the bound
/// of the estimate (sign included; a zero has none), when they are the same for
/// all of them and |N| < 1000 m; false otherwise.
bool DecidirMilimetros(const EstimativaLimitada& estimativa, long long& milimetros);

}  // namespace nivora
