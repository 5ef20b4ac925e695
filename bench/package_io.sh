#!/usr/bin/env bash
# package_io: opening a package must not cost more for a 2 GiB package than for a small
# one, and entries stream about as fast as the disk's page cache gives them: a 500 MB entry
# read through the file accessor (with its load-pacing callback after every 256 bytes),
# stored, scrambled and deflated, beside dd bs=1M of the same bytes and zcat / pigz -d of
# the same deflate stream. Best of several rounds each, all files warm in the page cache.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
tool=$build/bench/package_io_tool
orvpack=$build/tools/orvpack/orvpack
bytes=500000000
rounds=3

work=$(mktemp -d "${TMPDIR:-/tmp}/package_io.XXXXXX")
trap 'rm -rf "$work"' EXIT
free_kb=$(df -Pk "$work" | awk 'NR == 2 { print $4 }')
[ "$free_kb" -gt 3000000 ] || { echo "package_io: needs 3 GB free in $work" >&2; exit 1; }

# Seconds of the fastest of $rounds runs of a command, its output thrown away.
best_of() {
  local best=""
  for _ in $(seq "$rounds"); do
    local start end
    start=$(date +%s.%N)
    "$@" > /dev/null 2>&1
    end=$(date +%s.%N)
    best=$(awk -v a="$best" -v s="$start" -v e="$end" 'BEGIN { t = e - s; print (a == "" || t < a) ? t : a }')
  done
  echo "$best"
}

# Opening: a small package and one behind a 2 GiB hole.
"$tool" far "$work/small.exe" 0
"$tool" far "$work/far.exe" $((2 * 1024 * 1024 * 1024))
open_small=$("$tool" open "$work/small.exe" 200)
open_far=$("$tool" open "$work/far.exe" 200)
rm -f "$work/small.exe" "$work/far.exe"

"$tool" text "$work/data.bin" "$bytes"
cat "$work/data.bin" > /dev/null
dd_seconds=$(best_of dd if="$work/data.bin" of=/dev/null bs=1M)

read_entry() {  # method → best seconds of reading the entry
  "$orvpack" build -o "$work/show.exe" --add "$work/data.bin=data.bin" --method "$1"
  cat "$work/show.exe" > /dev/null
  if [ "$1" = deflate ]; then
    "$tool" gzip "$work/show.exe" data.bin "$work/data.gz"
    rm -f "$work/data.bin"
  fi
  local result seconds read_bytes
  result=$("$tool" read "$work/show.exe" data.bin "$rounds")
  read -r seconds read_bytes <<< "$result"
  [ "$read_bytes" = "$bytes" ] || { echo "package_io: read $read_bytes bytes of $1, expected $bytes" >&2; exit 1; }
  rm -f "$work/show.exe"
  echo "$seconds"
}
stored_seconds=$(read_entry stored)
scrambled_seconds=$(read_entry scrambled)
deflate_seconds=$(read_entry deflate)
cat "$work/data.gz" > /dev/null
zcat_seconds=$(best_of zcat "$work/data.gz")
pigz_seconds=$(best_of pigz -d -c "$work/data.gz")
gz_bytes=$(stat -c %s "$work/data.gz")

awk -v bytes="$bytes" -v gz="$gz_bytes" -v small="$open_small" -v far="$open_far" -v dd="$dd_seconds" \
    -v stored="$stored_seconds" -v scrambled="$scrambled_seconds" -v deflate="$deflate_seconds" \
    -v zcat="$zcat_seconds" -v pigz="$pigz_seconds" 'BEGIN {
  mb = bytes / 1e6
  printf "RESULT package_open_small %.1f us\n", small * 1e6
  printf "RESULT package_open_2gib %.1f us\n", far * 1e6
  printf "RESULT package_read_stored %.0f MB/s\n", mb / stored
  printf "RESULT package_read_scrambled %.0f MB/s\n", mb / scrambled
  printf "RESULT package_read_deflated %.0f MB/s\n", mb / deflate
  printf "RESULT dd_bs1M %.0f MB/s\n", mb / dd
  printf "RESULT zcat %.0f MB/s\n", mb / zcat
  printf "RESULT pigz_d %.0f MB/s\n", mb / pigz
  printf "RESULT deflated_size %.1f MB\n", gz / 1e6
  printf "RATIO package_open_2gib_vs_small %.3f <= 2\n", far / small
  printf "RATIO package_read_stored_vs_dd %.3f >= 0.5\n", dd / stored
  printf "RATIO package_read_scrambled_vs_dd %.3f >= 0.4\n", dd / scrambled
  printf "RATIO package_read_deflated_vs_zcat %.3f >= 0.9\n", zcat / deflate
}'
