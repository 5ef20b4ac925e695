#!/usr/bin/env bash
# keyframes: the whole evaluation of a 1,000-object slide with 10 key points each, at
# 10,000 successive frame times; the target is under 0.1 ms per evaluation.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
out=$("$build/bench/bench_keyframes" --benchmark_color=false)
echo "$out"
awk '$1 == "RESULT" && $2 ~ /^EvaluateKeyFrames/ && $4 == "ms" {
  printf "RESULT keyframes_per_evaluation %.4f ms\n", $3
  printf "RATIO keyframes_vs_0.1ms %.3f <= 1\n", $3 / 0.1
}' <<< "$out"
