#include "slide/extended_trig.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace orv {

namespace {

// π/2 in three parts: the first two have 32 significant bits, so that k times them is exact
// for the |k| < 2^21 of the short path; together they hold π/2 to about 2^-128.
constexpr long double kHalfPi1 = 0xC90FDAA2p-31L;
constexpr long double kHalfPi2 = 0x85A308D3p-65L;
constexpr long double kHalfPi3 = 0x98CC51701B839A25p-132L;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
constexpr double kRoundingShift = 0x1.8p52;  // adding and removing it rounds to an integer
constexpr double kShortPathLimit = 1e6;

// The short path's result is within 2^-62 of the true value relative to it (plus 2^-107
// absolute from the reduction of large arguments), the library's extended result within
// 2^-62 as well; the margin used is four times their sum.
constexpr long double kRelativeBound = 0x1p-60L;
constexpr long double kAbsoluteBound = 0x1p-100L;
// Below this binary exponent field (results under about 2^-823, zeros among them) the
// library computes the result.
constexpr uint64_t kSmallestShortExponent = 200;

// Taylor series on |r| ≤ π/4 (the first omitted term is under 2^-66 of the result): the low
// terms in extended precision, the tail, which contributes under 2^-14 of the result, in
// double.
long double SinOfReduced(long double r, long double r2) {
  const double s = static_cast<double>(r2);
  const double tail =
      -1.0 / 5040 +
      s * (1.0 / 362880 +
           s * (-1.0 / 39916800 +
                s * (1.0 / 6227020800 +
                     s * (-1.0 / 1307674368000 +
                          s * (1.0 / 355687428096000 + s * (-1.0 / 121645100408832000 + s * (1.0 / 51090942171709440000.0)))))));
  return r + r * r2 * (-1.0L / 6 + r2 * (1.0L / 120 + r2 * tail));
}

long double CosOfReduced(long double r2) {
  const double s = static_cast<double>(r2);
  const double tail =
      1.0 / 40320 +
      s * (-1.0 / 3628800 +
           s * (1.0 / 479001600 +
                s * (-1.0 / 87178291200 +
                     s * (1.0 / 20922789888000 + s * (-1.0 / 6402373705728000 + s * (1.0 / 2432902008176640000.0))))));
  return 1 - r2 / 2 + r2 * r2 * (1.0L / 24 + r2 * (-1.0L / 720 + r2 * tail));
}

// Whether `value` and every number within `bound` of it round to the same double.
bool RoundsSafely(long double value, long double bound) {
  const double rounded = static_cast<double>(value);
  const uint64_t magnitude = std::bit_cast<uint64_t>(rounded) & 0x7FFF'FFFF'FFFF'FFFFull;
  const uint64_t exponent = magnitude >> 52;
  if (exponent < kSmallestShortExponent) return false;
  // Half the gap to the neighbouring double on the side of `value`; below a power of two
  // the gap is half as wide.
  double half_gap = std::bit_cast<double>((exponent - 53) << 52);
  if ((magnitude & 0xF'FFFF'FFFF'FFFFull) == 0 && std::fabs(value) < std::fabs(rounded)) half_gap /= 2;
  return half_gap - std::fabs(value - rounded) > bound;
}

// The sine of x plus `quarters` quarter turns; `exact` is the library function for the
// arguments the short path leaves to it.
long double ShiftedSine(long double x, int quarters, long double (*exact)(long double)) {
  const double argument = static_cast<double>(x);
  if (!(std::fabs(argument) <= kShortPathLimit) || argument != x) return exact(x);
  const double turns = (argument * kTwoOverPi + kRoundingShift) - kRoundingShift;
  const long double k = turns;
  const long double r = ((x - k * kHalfPi1) - k * kHalfPi2) - k * kHalfPi3;
  const long double r2 = r * r;
  const int quadrant = static_cast<int>((static_cast<int64_t>(turns) + quarters) & 3);
  long double value = (quadrant & 1) ? CosOfReduced(r2) : SinOfReduced(r, r2);
  if (quadrant & 2) value = -value;
  if (!RoundsSafely(value, std::fabs(value) * kRelativeBound + kAbsoluteBound)) return exact(x);
  return static_cast<double>(value);
}

long double LibrarySin(long double x) { return std::sin(x); }
long double LibraryCos(long double x) { return std::cos(x); }

}  // namespace

long double SinExtended(long double x) { return ShiftedSine(x, 0, LibrarySin); }
long double CosExtended(long double x) { return ShiftedSine(x, 1, LibraryCos); }

}  // namespace orv
