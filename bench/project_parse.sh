#!/usr/bin/env bash
# project_parse: our project reader (text into the tree, then every slide's keys looked up
# by name) against Debian's libinih (which only scans lines and builds nothing) on the same
# generated project of 10,000 slides. Each side reports the CPU time of its best round, so
# that other work on the machine does not tilt the comparison.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
ours=$build/bench/project_parse_orv
peer=$build/bench/project_parse_inih
slides=10000
rounds=7
project=$(mktemp /tmp/project_parse.XXXXXX.orv)
trap 'rm -f "$project"' EXIT

"$ours" generate "$project" "$slides"
bytes=$(stat -c %s "$project")
read -r ours_seconds _ ours_slides < <("$ours" "$project" "$rounds")
read -r peer_seconds _ _ < <("$peer" "$project" "$rounds")
[ "$ours_slides" = "$slides" ] || { echo "project_parse: read $ours_slides slides, expected $slides" >&2; exit 1; }

awk -v bytes="$bytes" -v ours="$ours_seconds" -v peer="$peer_seconds" 'BEGIN {
  printf "RESULT project_parse_size %.1f MB\n", bytes / 1e6
  printf "RESULT project_parse_tree %.1f MB/s\n", bytes / ours / 1e6
  printf "RESULT project_parse_inih %.1f MB/s\n", bytes / peer / 1e6
  printf "RATIO project_parse %.3f >= 0.8\n", peer / ours
}'
