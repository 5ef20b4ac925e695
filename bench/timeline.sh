#!/usr/bin/env bash
# timeline: building the show source (time table, transitions, slide actions) of shows of
# 1,000, 10,000 and 100,000 slides. The growth from 10,000 to 100,000 is 10 when the build
# is linear; 10,000 slides must build in under 20 ms.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
out=$("$build/bench/bench_timeline" --benchmark_color=false)
echo "$out"
awk '$1 == "RESULT" && $2 ~ /^BuildSource_/ && $4 == "ms" { split($2, part, "_"); ms[part[2]] = $3 }
END {
  printf "RESULT timeline_build_1k %.2f ms\n", ms[1000]
  printf "RESULT timeline_build_10k %.2f ms\n", ms[10000]
  printf "RESULT timeline_build_100k %.2f ms\n", ms[100000]
  printf "RESULT timeline_growth_10k_over_1k %.2f x (linear: 10)\n", ms[10000] / ms[1000]
  printf "RESULT timeline_growth_100k_over_10k %.2f x (linear: 10)\n", ms[100000] / ms[10000]
  printf "RATIO timeline_build_10k_vs_20ms %.3f <= 1\n", ms[10000] / 20
}' <<< "$out"
