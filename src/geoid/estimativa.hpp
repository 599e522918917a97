// The double estimate of a window's fit, with a bound on how far it can lie from the 80-bit value.
#pragma once

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

/// The millimetres that the mask "#0.000" gives for every value within the bound
/// of the estimate (sign included; a zero has none), when they are the same for
/// all of them and |N| < 1000 m; false otherwise.
bool DecidirMilimetros(const EstimativaLimitada& estimativa, long long& milimetros);

}  // namespace nivora
