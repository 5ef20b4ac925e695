#include "slide/curves.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orv {
namespace {

// y of the Bézier (0,0), p1, p2, (1,1) at x, by plain bisection on t in double precision:
// an independent reference for both ways the curve is solved.
double ReferenceEase(double x1, double y1, double x2, double y2, double x) {
  auto coordinate = [](double t, double c1, double c2) {
    const double s = 1 - t;
    return 3 * t * s * s * c1 + 3 * t * t * s * c2 + t * t * t;
  };
  double lo = 0, hi = 1;
  for (int i = 0; i < 100; ++i) {
    const double mid = (lo + hi) / 2;
    (coordinate(mid, x1, x2) < x ? lo : hi) = mid;
  }
  return coordinate(lo, y1, y2);
}

struct TCurveVariable : TParamGetter {
  TCurveVariable() : TParamGetter("x") {}
  double GetValue() const override { return Value; }
  void SetValue(double value) override { Value = value; }
  double Value = 0;
};

Ref<TCalcFunc> ResolveX(void* owner, std::string_view name) {
  return name == "x" ? Ref<TCalcFunc>::Share(static_cast<TCurveVariable*>(owner)) : nullptr;
}

class CurvesTest : public ::testing::Test {
protected:
  void SetUp() override { RegisterCurveFunctions(); }

  double Run(double x) {
    FX->Value = x;
    EXPECT_TRUE(FCalc.Run(FStack));
    return FStack.Top();
  }

  Ref<TCurveVariable> FX = MakeRef<TCurveVariable>();
  TCalculator FCalc;
  TCalcStack FStack;
};

TEST_F(CurvesTest, ConstantControlPointsFoldIntoAPreparedCurve) {
  ASSERT_TRUE(FCalc.Compile("QSplineGraph(x, 26/100, 0/100, 1-26/100, 1-0/100)", ResolveX, FX.Get()));
  ASSERT_EQ(FCalc.Commands().size(), 2u);
  EXPECT_EQ(FCalc.Commands()[1].Kind, kCalcCall + 1);
  EXPECT_EQ(FCalc.Commands()[1].Func->Name(), "QSplineGraph-opt(0.26:0;0.74:1)");
  // Slow at both ends, symmetric, and through the end points.
  EXPECT_NEAR(Run(0), 0, 1e-9);
  EXPECT_NEAR(Run(1), 1, 1e-9);
  EXPECT_NEAR(Run(0.5), 0.5, 1e-3);
  EXPECT_LT(Run(0.1), 0.05);
  EXPECT_GT(Run(0.9), 0.95);
}

TEST_F(CurvesTest, PreparedAndDirectFormsFollowTheCurveInBothDirections) {
  const double controls[][4] = {{0.26, 0, 0.74, 1}, {0.42, 0, 1, 1}, {0, 0, 0.58, 1}, {0.1, 0.9, 0.2, 1}};
  for (const auto& c : controls) {
    char prepared[160], direct[160];
    std::snprintf(prepared, sizeof prepared, "QSplineGraph(x, %g, %g, %g, %g)", c[0], c[1], c[2], c[3]);
    std::snprintf(direct, sizeof direct, "QSplineGraph(x, %g+x*0, %g, %g, %g)", c[0], c[1], c[2], c[3]);
    TCalculator direct_calc;
    ASSERT_TRUE(direct_calc.Compile(direct, ResolveX, FX.Get()));
    ASSERT_EQ(direct_calc.Commands().back().Func->Name(), "QSplineGraph");
    ASSERT_TRUE(FCalc.Compile(prepared, ResolveX, FX.Get()));
    // Forwards, then a jump back to the start, so the cached piece walk goes both ways.
    for (double x : {0.0, 0.05, 0.2, 0.35, 0.5, 0.65, 0.8, 0.95, 1.0, 0.1, 0.6, 0.3}) {
      const double expected = ReferenceEase(c[0], c[1], c[2], c[3], x);
      EXPECT_NEAR(Run(x), expected, 2e-3) << prepared << " at " << x;
      FX->Value = x;
      ASSERT_TRUE(direct_calc.Run(FStack));
      EXPECT_NEAR(FStack.Top(), expected, 2e-3) << direct << " at " << x;
    }
  }
}

TEST_F(CurvesTest, StraightCurveIsTheIdentityAndExtrapolatesOutside) {
  ASSERT_TRUE(FCalc.Compile("QSplineGraph(0.5, 0, 0, 1, 1)"));
  TCalcStack stack;
  ASSERT_TRUE(FCalc.Run(stack));
  EXPECT_NEAR(stack.Top(), 0.5, 1e-6);
  ASSERT_TRUE(FCalc.Compile("QSplineGraph(x, 0, 0, 1, 1)", ResolveX, FX.Get()));
  EXPECT_NEAR(Run(-1), -1, 1e-6);
  EXPECT_NEAR(Run(2), 2, 1e-6);
  EXPECT_NEAR(Run(0.25), 0.25, 1e-6);
}

TEST_F(CurvesTest, HostileControlPointsEndQuickly) {
  for (const char* formula : {"QSplineGraph(x, Sqrt(-1), 0, 1, 1)", "QSplineGraph(x, 1e300, -1e300, 1e300, 5)",
                              "QSplineGraph(x, 0.5, 0.5, 0.5+x*0, 0.5)", "QSplineGraph(x, 1/x, 0, 1, 1)"}) {
    ASSERT_TRUE(FCalc.Compile(formula, ResolveX, FX.Get())) << formula;
    for (double x : {0.0, 0.5, 1.0, -1e308}) Run(x);  // finishes; the value may be NaN
  }
  TCubicBezier flat({0, 0}, {0, 0}, {0, 0}, {0, 1});  // a vertical curve: no x extent at all
  EXPECT_TRUE(std::isfinite(flat.Solve(0, kCurveTolerance)));
  flat.Separate(kCurveTolerance);
  EXPECT_LE(flat.Pieces().size(), 1u << 14);
  EXPECT_TRUE(std::isfinite(flat.Lookup(0.5)));
}

}  // namespace
}  // namespace orv
