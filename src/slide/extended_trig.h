// Sine and cosine as formulas use them: computed in extended precision, so that a result
// rounded to double is the one the extended-precision library functions give, bit for bit.
// Most arguments take a short path that is several times faster than those functions.
#pragma once

namespace orv {

long double SinExtended(long double x);
long double CosExtended(long double x);

}  // namespace orv
