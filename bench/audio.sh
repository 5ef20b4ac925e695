#!/usr/bin/env bash
# audio: how fast our sound decoders deliver the standard format (44100 Hz, 16-bit stereo)
# beside a peer program decoding the same file to the same format. Every figure is a speed
# ratio, the peer's time divided by ours: higher is better, above 1 we are faster. Each time
# is the best of a few rounds of the whole command, start-up included.
#
# Each figure is a function that prints its RESULT and RATIO lines; to add one, write the
# function and list it in `figures` at the bottom.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
orvpack=$build/tools/orvpack/orvpack
rounds=3
work=$(mktemp -d "${TMPDIR:-/tmp}/orv-audio-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

make_sound() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }

# best_seconds COMMAND...: the least wall time of the command over the rounds.
best_seconds() {
  local best="" start end
  for _ in $(seq "$rounds"); do
    start=$(date +%s.%N)
    "$@" > /dev/null
    end=$(date +%s.%N)
    best=$(awk -v a="$best" -v s="$start" -v e="$end" 'BEGIN { t = e - s; print (a == "" || t < a) ? t : a }')
  done
  printf '%.3f' "$best"
}

# speed_figure NAME PEER_SECONDS OUR_SECONDS TARGET
speed_figure() {
  echo "RESULT ${1}_ours $3 s"
  echo "RESULT ${1}_peer $2 s"
  echo "RATIO ${1}_vs_${5} $(awk -v t="$2" -v o="$3" 'BEGIN { printf "%.3f", t / o }') >= $4"
}

# Five minutes of 24-bit stereo at 48000 Hz: read, converted to 16 bits and resampled.
wav24_figure() {
  local source=$work/tone24.wav
  make_sound -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=300" \
    -f lavfi -i "sine=frequency=661:sample_rate=48000:duration=300" \
    -filter_complex amerge=inputs=2 -c:a pcm_s24le "$source"
  local ours theirs
  ours=$(best_seconds "$orvpack" decode "$source" "$work/ours.wav")
  theirs=$(best_seconds ffmpeg -hide_banner -loglevel error -nostdin -i "$source" -f s16le -ar 44100 -ac 2 -y \
    "$work/theirs.raw")
  speed_figure audio_wav24 "$theirs" "$ours" 1.0 ffmpeg
  rm -f "$source" "$work/ours.wav" "$work/theirs.raw"
}

# Five minutes of a 192 kbps stereo MP3 at 44100 Hz, beside the mpg123 program writing
# the same PCM.
mp3_figure() {
  local source=$work/tone.mp3
  make_sound -f lavfi -i "aevalsrc=0.5*sin(2*PI*(300+t)*t)|0.4*sin(2*PI*(500-t/2)*t):s=44100:d=300" \
    -c:a libmp3lame -b:a 192k "$source"
  local ours theirs
  ours=$(best_seconds "$orvpack" decode "$source" "$work/ours.wav")
  theirs=$(best_seconds mpg123 -q -s "$source")
  speed_figure audio_mp3 "$theirs" "$ours" 0.9 mpg123
  rm -f "$source" "$work/ours.wav"
}


# A 10-minute show whose one track plays six 150-second tones one after the other, each
# cross-fading with the next over 60 s, so that two of them always overlap: orvpack mix
# renders the whole soundtrack beside ffmpeg's amix of the same files placed by adelay.
mix_figure() {
  local show=$work/mix/show.orv items="" delays="" labels="" i
  mkdir -p "$work/mix"
  for i in 0 1 2 3 4 5; do
    make_sound -f lavfi -i "sine=frequency=$((300 + 110 * i)):duration=150" -ac 2 -ar 44100 -c:a pcm_s16le \
      "$work/mix/item$i.wav"
    items+="  object i$i:TMusicItem
    FileName=item$i.wav
    Duration=150000
    CrossMode=0
    Cross=$((i == 0 ? 0 : 60000))
  end
"
    delays+="[$i]adelay=$((i * 90000))|$((i * 90000))[d$i];"
    labels+="[d$i]"
  done
  printf '[Main]\nopt_repeat=close\nobject Music:Music\nobject T:TMusicTrack\n%send\nend\n[Times]\nopt_slidescount=1\nopt_synchpos1=600000\n[Slide1]\n' \
    "$items" > "$show"
  local inputs=() ours theirs
  for i in 0 1 2 3 4 5; do inputs+=(-i "$work/mix/item$i.wav"); done
  ours=$(best_seconds "$orvpack" mix "$show" "$work/ours.wav")
  theirs=$(best_seconds ffmpeg -hide_banner -loglevel error -nostdin "${inputs[@]}" \
    -filter_complex "${delays}${labels}amix=inputs=6:normalize=0:duration=longest" -ar 44100 -ac 2 -c:a pcm_s16le \
    -y "$work/theirs.wav")
  speed_figure audio_mix "$theirs" "$ours" 1.5 amix
  rm -rf "$work/mix" "$work/ours.wav" "$work/theirs.wav"
}

figures=(wav24_figure mp3_figure mix_figure)
for figure in "${figures[@]}"; do "$figure"; done
