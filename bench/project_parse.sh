#!/usr/bin/env bash
# project_parse: our project reader (text into the tree, then every slide's keys looked up
# by name) against Debian's libinih (which only scans lines and builds nothing) on the same
# generated project of 10,000 slides. Each side reports the CPU time of its best round, so
# that other work on the machine does not tilt the comparison; the two sides take turns in
# several batches, so that a change in that work between them tilts it no more.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
ours=$build/bench/project_parse_orv
peer=$build/bench/project_parse_inih
slides=10000
batches=4
rounds=3
project=$(mktemp /tmp/project_parse.XXXXXX.orv)
trap 'rm -f "$project"' EXIT

"$ours" generate "$project" "$slides"
bytes=$(stat -c %s "$project")
ours_seconds=1e30
peer_seconds=1e30
faster() { awk -v a="$1" -v b="$2" 'BEGIN { print (a < b ? a : b) }'; }
for ((batch = 0; batch < batches; ++batch)); do
  read -r seconds _ ours_slides < <("$ours" "$project" "$rounds")
  ours_seconds=$(faster "$seconds" "$ours_seconds")
  read -r seconds _ _ < <("$peer" "$project" "$rounds")
  peer_seconds=$(faster "$seconds" "$peer_seconds")
done
[ "$ours_slides" = "$slides" ] || { echo "project_parse: read $ours_slides slides, expected $slides" >&2; exit 1; }

awk -v bytes="$bytes" -v ours="$ours_seconds" -v peer="$peer_seconds" 'BEGIN {
  printf "RESULT project_parse_size %.1f MB\n", bytes / 1e6
  printf "RESULT project_parse_tree %.1f MB/s\n", bytes / ours / 1e6
  printf "RESULT project_parse_inih %.1f MB/s\n", bytes / peer / 1e6
  printf "RATIO project_parse %.3f >= 0.8\n", peer / ours
}'
