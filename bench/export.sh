#!/usr/bin/env bash
# export: the demo show rendered off screen at 1920 × 1080, 30 fps, to raw frames (BGRA, to
# /dev/null, so that no encoder is measured), beside FFmpeg rendering the same stretch of
# the same pictures as a slideshow (zoompan on each picture, xfade cross-fades) to raw
# frames of the same format, and beside FFmpeg doing the same on the pictures scaled up 4×
# first: zoompan moves in whole pixels of its input, so a plain zoompan jitters where ours
# moves smoothly, and the 4× scale is the usual cure (a peer that moves as smoothly). Then a show of 200 slides of 24-megapixel JPEGs: the time to
# its first frame (from the program's start, start-up included) and the player's resident
# memory while it renders all 200 slides.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
player=$build/bin/orvviewer
demo=$build/demo/show
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
work=$(mktemp -d "${TMPDIR:-/tmp}/orv-export-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work

seconds() { date +%s.%N; }
rate() { awk -v n="$1" -v a="$2" -v b="$3" 'BEGIN { printf "%.2f", n / (b - a) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

# The demo's first slides: 4 s each, transitions of 1 s (a cross-fade, a circle, a page and
# a mosaic, which FFmpeg's side draws as cross-fades).
slides=4
stretch_ms=$((slides * 4000 + 1000))
frames=$((stretch_ms * 30 / 1000))

# FFmpeg: each picture zooms for 5 s (its 4 s and the 1 s fade into the next); the
# argument is what comes before zoompan (nothing, or the 4× scale of the smooth peer).
inputs=()
pictures=(sunrise rings checker plasma stripes cells fractal)
for i in $(seq 0 $((slides - 1))); do inputs+=(-i "$demo/${pictures[$i]}.jpg"); done
ffmpeg_graph() {
  local before=$1 graph="" previous="" i
  for i in $(seq 0 $((slides - 1))); do
    graph+="[$i]${before}zoompan=z='1+0.18*on/150':x='iw/2-iw/zoom/2':y='ih/2-ih/zoom/2':d=150:s=1920x1080:fps=30[v$i];"
    if [ -z "$previous" ]; then
      previous="v$i"
    else
      graph+="[$previous][v$i]xfade=transition=fade:duration=1:offset=$((i * 4))[x$i];"
      previous="x$i"
    fi
  done
  echo "$graph[$previous]format=bgra[out]"
}
plain_graph=$(ffmpeg_graph "")
smooth_graph=$(ffmpeg_graph "scale=iw*4:ih*4,")

ours_fps() {
  local start
  start=$(seconds)
  "$player" -filename "$demo/demo.orv" -export /dev/null -raw -size 1920x1080 -fps 30 -to "$stretch_ms" \
    2> "$work/ours.log" || { cat "$work/ours.log" >&2; exit 1; }
  rate "$frames" "$start" "$(seconds)"
}
ffmpeg_fps() {
  local start
  start=$(seconds)
  ffmpeg -v error "${inputs[@]}" -filter_complex "$1" -map "[out]" -f rawvideo -y /dev/null
  rate "$frames" "$start" "$(seconds)"
}
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# In turn, three times each, so that a change in the machine's speed meets all three.
ours=() plain=() smooth=()
for _ in 1 2 3; do
  ours+=("$(ours_fps)")
  plain+=("$(ffmpeg_fps "$plain_graph")")
  smooth+=("$(ffmpeg_fps "$smooth_graph")")
done
echo "export runs (fps): ours ${ours[*]}; ffmpeg ${plain[*]}; ffmpeg smooth ${smooth[*]}"
ours_fps=$(median "${ours[@]}")
plain_fps=$(median "${plain[@]}")
smooth_fps=$(median "${smooth[@]}")

echo "RESULT export_1080p30 $ours_fps fps"
echo "RESULT ffmpeg_zoompan_xfade_1080p30 $plain_fps fps"
echo "RESULT ffmpeg_smooth_zoompan_xfade_1080p30 $smooth_fps fps"
echo "RATIO export_vs_ffmpeg $(ratio "$ours_fps" "$plain_fps") >= 1.0"
echo "RATIO export_vs_ffmpeg_smooth $(ratio "$ours_fps" "$smooth_fps") >= 3.0"

# 200 slides of 1 s over 14 distinct 24-megapixel pictures, drawn once and kept.
big=$build/bench/big_pictures
if [ ! -f "$big/picture_013.jpg" ]; then
  mkdir -p "$big"
  "$build/demo/make_pictures" "$big" 6000x4000 14
fi
project=$big/show200.orv
{
  printf '[Main]\nopt_scr_width=1920\nopt_scr_height=1080\nopt_repeat=stop\n'
  for i in $(seq 1 200); do
    printf '[Slide%d]\nobject TheEffect:AnEffect\nref=quick\nend\nobject Container:Root\n' "$i"
    printf 'object P:Image\nGUID={P%d}\nImageName=picture_%03d.jpg\nend\nend\n' "$i" $(((i - 1) % 14))
  done
  printf '[Times]\nopt_slidescount=200\n'
  for i in $(seq 1 200); do printf 'opt_synchpos%d=%d\n' "$i" $((i * 1000)); done
} > "$project"

# The first frame is timed to its first byte arriving through a pipe: the run's end would
# also count the loader finishing the next slide's picture before the program can close.
# Five runs, the median quoted: a run now and then pays for memory the machine hands out
# for the first time (the kernel's page clearing), which is not the player's.
first_frame_ms() {
  local fifo=$work/first_frame start ms pid
  rm -f "$fifo"
  mkfifo "$fifo"
  start=$(seconds)
  "$player" -filename "$project" -export "$fifo" -raw -size 1920x1080 -fps 30 -from 100 -to 130 2> "$work/first.log" &
  pid=$!
  head -c 1 "$fifo" > /dev/null
  ms=$(awk -v a="$start" -v b="$(seconds)" 'BEGIN { printf "%.0f", (b - a) * 1000 }')
  wait "$pid" 2> /dev/null || true
  echo "$ms"
}
runs=()
for _ in 1 2 3 4 5; do runs+=("$(first_frame_ms)"); done
first_ms=$(median "${runs[@]}")
echo "first frame runs (ms): ${runs[*]}"
echo "RESULT first_frame_ms $first_ms ms"
echo "RATIO first_frame_vs_300ms $(ratio "$first_ms" 300) <= 1"

# Two frames a second through all 200 slides; the resident size is sampled as it goes.
"$player" -filename "$project" -export /dev/null -raw -size 1280x720 -fps 2 2> "$work/rss.log" &
pid=$!
peak=0 last=0
while kill -0 "$pid" 2> /dev/null; do
  kb=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status" 2> /dev/null || echo 0)
  [ -n "$kb" ] || kb=0
  [ "$kb" -gt 0 ] && last=$kb
  [ "$kb" -gt "$peak" ] && peak=$kb
  sleep 0.2
done
wait "$pid" || { cat "$work/rss.log" >&2; exit 1; }
echo "RESULT rss_after_200_slides $((last / 1024)) MB"
echo "RESULT rss_peak_200_slides $((peak / 1024)) MB"
echo "RATIO rss_after_200_slides_vs_600MB $(ratio "$((last / 1024))" 600) <= 1"
