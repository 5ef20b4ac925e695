#include "slide/extended_trig.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace orv {
namespace {

// The result a formula gets: the extended value rounded to double.
uint64_t FormulaBits(long double value) { return std::bit_cast<uint64_t>(static_cast<double>(value)); }

// Both functions against the library's extended ones, bit for bit after rounding to double.
void ExpectSameAsLibrary(double x) {
  ASSERT_EQ(FormulaBits(SinExtended(x)), FormulaBits(std::sin(static_cast<long double>(x)))) << "Sin " << std::hexfloat << x;
  ASSERT_EQ(FormulaBits(CosExtended(x)), FormulaBits(std::cos(static_cast<long double>(x)))) << "Cos " << std::hexfloat << x;
}

TEST(ExtendedTrigTest, RoundsLikeTheLibraryOverRandomArgumentsOfEveryRange) {
  const struct {
    double low;
    double high;
  } ranges[] = {{-1e-6, 1e-6}, {-1, 1}, {-10, 10}, {-1000, 1000}, {-1e6, 1e6}, {-1e9, 1e9}};
  std::mt19937_64 generator(20261211);
  for (const auto& range : ranges) {
    std::uniform_real_distribution<double> argument(range.low, range.high);
    for (int i = 0; i < 100'000; ++i) ExpectSameAsLibrary(argument(generator));
  }
}

TEST(ExtendedTrigTest, RoundsLikeTheLibraryNearMultiplesOfAQuarterTurnAndOnFrameGrids) {
  // Next to k·π/2 the reduced argument nearly cancels: the hardest place for the reduction.
  for (int k = -2000; k <= 2000; ++k) {
    const double nearest = k * (M_PI / 2);
    double below = nearest;
    double above = nearest;
    for (int step = 0; step < 8; ++step) {
      ExpectSameAsLibrary(below = std::nextafter(below, -HUGE_VAL));
      ExpectSameAsLibrary(above = std::nextafter(above, HUGE_VAL));
    }
    for (int offset = -20; offset <= 20; ++offset) ExpectSameAsLibrary(nearest + std::ldexp(offset, -30));
  }
  // The arguments typical formulas build from t = i/1024.
  for (int i = 0; i <= 1024; ++i) {
    const double t = i / 1024.0;
    for (const double x : {t * M_PI, t * M_PI - M_PI / 2, t * M_PI * 3, t * 2 * M_PI, t}) ExpectSameAsLibrary(x);
  }
}

TEST(ExtendedTrigTest, SpecialArgumentsGiveTheLibraryResults) {
  const double min_normal = std::numeric_limits<double>::min();
  const double special[] = {0.0, -0.0, min_normal, -min_normal, min_normal / 8, 1e-300, 0x1p-30, 1e6, 1e6 + 1,
                            1e300, -1e300, HUGE_VAL, -HUGE_VAL};
  for (const double x : special) ExpectSameAsLibrary(x);
  EXPECT_TRUE(std::isnan(static_cast<double>(SinExtended(NAN))));
  EXPECT_TRUE(std::isnan(static_cast<double>(CosExtended(HUGE_VAL))));
  // An argument that is not a double takes the library's path whole.
  const long double between = 1.0L + 0x1p-60L;
  EXPECT_EQ(SinExtended(between), std::sin(between));
}

}  // namespace
}  // namespace orv
