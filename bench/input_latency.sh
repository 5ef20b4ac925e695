#!/usr/bin/env bash
# input_latency: from an xdotool key press (Right) to the first frame the player presents
# of the next slide's transition, in a full-screen window on Xvfb (1280 × 720). The press
# time is taken just before xdotool starts; the frame's time comes from the player's log
# ("First frame after request N", its start time plus the milliseconds before the line).
# The median of 20 presses; the target is under 100 ms.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
presses=20
# shellcheck source=x_player.bash
source "$(dirname "$0")/x_player.bash"
x_start input_latency 1280x720

# 22 slides of a minute each, every one coming in with a push of one second.
{
  printf '[Main]\nOrvVersion=8.1\nopt_exefn=show.exe\nopt_scr_caption=input latency\nopt_scr_full=1\n'
  printf 'opt_pausewheninactive=0\nobject TheEffect:AnEffect\ntime=1000\nobject push:push\nchecked=1\nend\nend\n'
  printf '[Times]\nopt_slidescount=22\n'
  for i in $(seq 1 22); do printf 'opt_synchpos%d=%d\n' "$i" $((i * 60000)); done
  for i in $(seq 1 22); do
    printf '[Slide%d]\nbstyle=1\nbcolor=%d\nobject TheEffect:AnEffect\nref=push\ntime=1000\nend\n' "$i" $((i * 40503 % 16777216))
    printf 'object Container:Root\nend\n'
  done
} > "$work/show.orv"

x_play "input latency" -filename "$work/show.orv" -log
sleep 1.5

# The log's clock: "started : DD.MM.YYYY HH:MM:SS.mmm", then "[ms] " before each line.
started=$(sed -n 's/^started : \([0-9]*\)\.\([0-9]*\)\.\([0-9]*\) \(.*\)$/\3-\2-\1 \4/p' "$work/player.log")
start_ms=$(( $(date -d "$started" +%s%N) / 1000000 ))

: > "$work/latencies"
for press in $(seq 1 "$presses"); do
  pressed_ms=$(( $(date +%s%N) / 1000000 ))
  xdotool key Right
  line=""
  for _ in $(seq 500); do
    line=$(grep -m 1 "First frame after request $press\$" "$work/player.log" || true)
    [ -n "$line" ] && break
    sleep 0.01
  done
  [ -n "$line" ] || { echo "input_latency: press $press showed no frame" >&2; exit 1; }
  frame_ms=$(sed 's/.*\[\([0-9]*\)\].*/\1/' <<< "$line")
  echo $(( start_ms + frame_ms - pressed_ms )) >> "$work/latencies"
  sleep 0.3
done

sort -n "$work/latencies" | awk -v n="$presses" '{ v[NR] = $1 } END {
  median = (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
  printf "RESULT input_latency %.1f ms\n", median
  printf "RESULT input_latency_min %.1f ms\n", v[1]
  printf "RESULT input_latency_max %.1f ms\n", v[n]
  printf "RATIO input_latency_vs_100ms %.3f <= 1\n", median / 100
}'
