#!/usr/bin/env bash
# calculator: our formula evaluation beside muParser's on the same formulas in the same
# run; a ratio per formula, muParser's time over ours (at least 1: we are not slower).
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
out=$("$build/bench/bench_calculator" --benchmark_color=false)
echo "$out"
grep -q '^RESULT MuParser_' <<< "$out" ||
  { echo "calculator: built without muParser (libmuparser-dev), no comparison" >&2; exit 1; }
awk '$1 == "RESULT" && $4 == "ns/eval" {
  split($2, part, "_")
  formula = substr($2, length(part[1]) + 2)
  if (part[1] == "EvaluateFormula") ours[formula] = $3
  if (part[1] == "MuParser") peer[formula] = $3
}
END {
  for (formula in peer)
    if (formula in ours)
      printf "RATIO calculator_vs_muparser_%s %.3f >= 1.0\n", formula, peer[formula] / ours[formula]
}' <<< "$out" | sort
