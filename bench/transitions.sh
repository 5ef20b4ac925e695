#!/usr/bin/env bash
# transitions: for every transition kind, a show of two 1920 × 1080 photographs (from
# mate-backgrounds) exported to raw frames (BGRA, to /dev/null) through a 4 s transition
# at 30 fps, and the same show's 4 s after it without a transition. Beside it, FFmpeg's
# xfade runs its nearest transition on the same two pictures to raw BGRA frames. Every
# side is timed as a whole process, the median of three runs taken in turn.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
player=$build/bin/orvviewer
photos=/usr/share/backgrounds/mate/nature
for photo in Dune Storm; do
  [ -f "$photos/$photo.jpg" ] || { echo "transitions: $photos/$photo.jpg missing (mate-backgrounds)" >&2; exit 1; }
done
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
work=$(mktemp -d "${TMPDIR:-/tmp}/orv-transitions-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work
cp "$photos/Dune.jpg" "$work/a.jpg"
cp "$photos/Storm.jpg" "$work/b.jpg"

seconds() { date +%s.%N; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# The transition runs from 1 s to 5 s; the second slide then stays alone until 9 s.
frames=120

# kind name | catalogue entry (class and keys) | xfade counterpart ("-": none)
kinds=(
  "dissolve|dissolve|checked=1|fade"
  "circle|shapes|action=01 direction=100 smoothline=0.1|circleopen"
  "rhomb|shapes|action=01 direction=010 smoothline=0.1|-"
  "square|shapes|action=01 direction=001 smoothline=0.1|-"
  "gates|gates|direction=00001000 smoothline=0.1|vertopen"
  "page|page|direction=00010000 smoothline=0.1|wipeleft"
  "diagonal|page|direction=00000001 smoothline=0.1|diagtl"
  "clock|hourhand|action=10 direction=000010000 smoothline=0.2|radial"
  "broom|hourhand|action=10 direction=010000000 smoothline=0.2 offset=0.5|-"
  "mosaic|mosaic|checked=1 cols=32 rows=18 appearence=40|pixelize"
  "push|push|direction=1000|slideleft"
  "slide|slide|direction=1000|slideleft"
  "curl|curling|action=10 direction=00000010 radius=0.08 usevolume=1|-"
  "flip|flip|direction=1000|-"
  "swap|swap|direction=1000|-"
  "custom|custom|checked=1|-"
)

# A custom transition: the outgoing slide, with the incoming one fading in over it.
custom_section() {
  printf '[effect_custom]\nCustomEffTime=4000\nobject Container:Root\n'
  printf 'object A:Image\nGUID={A}\nReplaceWithEffectBuffer=1\nend\n'
  printf 'object B:Image\nGUID={B}\nReplaceWithEffectBuffer=2\n'
  printf 'object K0:KeyPoint\nTime=0\nOpacity=0\nend\nobject K1:KeyPoint\nTime=4000\nOpacity=100\nend\nend\nend\n'
}

project() {
  local name=$1 class=$2 keys=$3
  {
    printf '[Main]\nopt_scr_width=1920\nopt_scr_height=1080\nopt_repeat=stop\n'
    printf 'object TheEffect:AnEffect\ntime=4000\nobject %s:%s\n' "$name" "$class"
    printf '%s\n' $keys
    printf 'end\nend\n'
    printf '[Slide1]\nobject TheEffect:AnEffect\nref=quick\nend\n'
    printf 'object Container:Root\nobject P:Image\nGUID={P1}\nImageName=a.jpg\nend\nend\n'
    printf '[Slide2]\nobject TheEffect:AnEffect\nref=%s\ntime=4000\nend\n' "$name"
    printf 'object Container:Root\nobject P:Image\nGUID={P2}\nImageName=b.jpg\nend\nend\n'
    printf '[Times]\nopt_slidescount=2\nopt_synchpos1=1000\nopt_synchpos2=9000\n'
    [ "$class" != custom ] || custom_section
  } > "$work/$name.orv"
}

# Frames per second of our export of [from, to) ms.
ours_fps() {
  local show=$1 from=$2 to=$3 start
  start=$(seconds)
  "$player" -filename "$show" -export /dev/null -raw -size 1920x1080 -fps 30 -from "$from" -to "$to" \
    2> "$work/ours.log" || { cat "$work/ours.log" >&2; exit 1; }
  awk -v n="$frames" -v a="$start" -v b="$(seconds)" 'BEGIN { printf "%.2f", n / (b - a) }'
}

# FFmpeg: each picture decoded once, scaled to the frame, repeated for the 4 s, mixed by xfade.
xfade_fps() {
  local transition=$1 start
  local still='scale=1920:1080,setsar=1,format=yuv420p,loop=loop=149:size=1:start=0,setpts=N/30/TB'
  start=$(seconds)
  ffmpeg -nostdin -v error -i "$work/a.jpg" -i "$work/b.jpg" -filter_complex \
    "[0]$still[a];[1]$still[b];[a][b]xfade=transition=$transition:duration=4:offset=0,format=bgra[out]" \
    -map "[out]" -frames:v "$frames" -f rawvideo -y /dev/null
  awk -v n="$frames" -v a="$start" -v b="$(seconds)" 'BEGIN { printf "%.2f", n / (b - a) }'
}

still_runs=() transition_sum=0 transition_count=0
for entry in "${kinds[@]}"; do
  IFS='|' read -r name class keys counterpart <<< "$entry"
  project "$name" "$class" "$keys"
  ours=() theirs=()
  for _ in 1 2 3; do
    ours+=("$(ours_fps "$work/$name.orv" 1000 5000)")
    [ "$counterpart" = - ] || theirs+=("$(xfade_fps "$counterpart")")
  done
  still_runs+=("$(ours_fps "$work/$name.orv" 5000 9000)")
  fps=$(median "${ours[@]}")
  echo "RESULT transition_${name}_1080p30 $fps fps"
  transition_sum=$(awk -v s="$transition_sum" -v f="$fps" 'BEGIN { print s + 1 / f }')
  transition_count=$((transition_count + 1))
  if [ "$counterpart" != - ]; then
    peer=$(median "${theirs[@]}")
    echo "RESULT xfade_${counterpart}_1080p30 $peer fps"
    echo "RATIO transitions_vs_xfade_${name} $(ratio "$fps" "$peer") >= 0.5"
  fi
done

still=$(median "${still_runs[@]}")
echo "RESULT still_1080p30 $still fps"
mean_transition_frame=$(awk -v s="$transition_sum" -v n="$transition_count" 'BEGIN { print s / n }')
echo "RATIO transition_frame_vs_still_frame $(awk -v t="$mean_transition_frame" -v f="$still" 'BEGIN { printf "%.3f", t * f }') <= 2.0"
