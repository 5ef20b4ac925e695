#!/usr/bin/env bash
# startup: from the start of an executable show to its "Show opened" log line, for a
# package of 5,000 entries (a 10 MB project, 4,998 small pictures, the media library) opened
# headless (SDL's off-screen driver), beside the start and end of `true` spawned the same
# way. The median of repeated runs each; the target is less than 60 ms above `true`. The
# processor time of the player's main thread up to "Show opened" is shown beside it: on a
# busy machine the wall time also holds the waits for a processor. Beside them, the time
# to the first frame drawn (its log line "First frame presented").
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
tool=$build/bench/startup_tool
runs=15

work=$(mktemp -d "${TMPDIR:-/tmp}/startup.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$build/demo/make_pictures" "$work" 64x48 1
"$tool" make "$work/show" "$build/bin/orvviewer" "$build/Common/FFmpeg.so" 5000 10000000 "$work/picture_000.jpg"
cat "$work/show" > /dev/null

export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TMPDIR=$work XDG_RUNTIME_DIR=$work
unset DISPLAY WAYLAND_DISPLAY
read -r opened opened_cpu <<< "$("$tool" time "$runs" "Show opened" "$work/show" -log)"
read -r first_frame _ <<< "$("$tool" time "$runs" "First frame presented" "$work/show" -log)"
baseline=$("$tool" time "$runs" "" "$(type -P true)")
leftovers=$(find "$work/TESSARO_TEMP_ROOT" -mindepth 1 2> /dev/null | wc -l)
[ "$leftovers" -eq 0 ] || { echo "startup: $leftovers temporary files were left behind" >&2; exit 1; }

awk -v opened="$opened" -v cpu="$opened_cpu" -v frame="$first_frame" -v base="$baseline" 'BEGIN {
  printf "RESULT startup_show_opened %.1f ms\n", opened
  printf "RESULT startup_show_opened_main_thread_cpu %.1f ms\n", cpu
  printf "RESULT startup_first_frame %.1f ms\n", frame
  printf "RESULT startup_true %.1f ms\n", base
  printf "RESULT startup_above_true %.1f ms\n", opened - base
  printf "RATIO startup_vs_true_plus_60ms %.3f <= 1\n", opened / (base + 60)
}'
