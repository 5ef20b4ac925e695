// The formulas both our calculator and muParser run in `bench/run calculator`: typical
// modifier formulas of the variable t, in the syntax the two share.
#pragma once

#include <array>

struct TBenchFormula {
  const char* Name;
  const char* Text;
};

inline constexpr std::array<TBenchFormula, 4> kSharedFormulas = {{
    {"linear", "t"},
    {"smoothstep", "t*t*(3-2*t)"},
    {"sine", "sin(t*Pi-Pi/2)*0.5+0.5"},
    {"bounce", "1-abs(cos(t*Pi*3))*(1-t)"},
}};

// The variable's next value: t sweeps 0 … 1 in steps of 1/1024, as frames do.
inline double NextT(double t) { return t + 1.0 / 1024 > 1 ? 0 : t + 1.0 / 1024; }
