#!/usr/bin/env bash
# audio_play: the processor time of 60 s of live sound - a show whose only sound is one MP3
# of music, played by our music player alone (audio_play_tool) - beside ffplay -nodisp
# -autoexit playing the same file, both on SDL's "disk" driver (real-time pacing, the sound
# written to a file). Target: no more than ffplay. Also the longest our audio callback took
# (the mix of one block), which must stay well below the block's 11.6 ms; target below 1 ms.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
seconds=${AUDIO_PLAY_SECONDS:-60}

work=$(mktemp -d "${TMPDIR:-/tmp}/audio_play.XXXXXX")
trap 'rm -rf "$work"' EXIT
ffmpeg -v error -nostdin -y -f lavfi -i "sine=frequency=330:duration=$seconds:sample_rate=44100" \
  -f lavfi -i "anoisesrc=duration=$seconds:amplitude=0.05:sample_rate=44100" \
  -filter_complex amix=inputs=2 -ac 2 -b:a 192k "$work/music.mp3"
ms=$((seconds * 1000))
cat > "$work/show.orv" << PROJECT
[Main]
opt_repeat=close
opt_syncmode=1
object Music:Music
  object T:TMusicTrack
    object a:TMusicItem
      FileName=$work/music.mp3
      Duration=$ms
    end
  end
end
[Slide1]
[Times]
opt_slidescount=1
opt_synchpos1=$ms
PROJECT

export SDL_AUDIODRIVER=disk
# SDL's disk driver announces itself on stderr.
read -r ours worst <<< "$(SDL_DISKAUDIOFILE=$work/ours.raw "$build/bench/audio_play_tool" "$work/show.orv" "$seconds" \
  2> "$work/ours.err")" || { cat "$work/ours.err" >&2; exit 1; }
SDL_DISKAUDIOFILE=$work/theirs.raw /usr/bin/time -o "$work/time.txt" -f "%U %S" \
  ffplay -v error -nodisp -autoexit "$work/music.mp3" > /dev/null 2>&1
theirs=$(awk '{print $1 + $2}' "$work/time.txt")
# Both must have played: at least half the time's sound written.
for heard in ours theirs; do
  [ "$(stat -c %s "$work/$heard.raw")" -gt $((seconds * 44100 * 2)) ] ||
    { echo "audio_play: $heard played too little sound" >&2; exit 1; }
done

awk -v ours="$ours" -v theirs="$theirs" -v worst="$worst" 'BEGIN {
  printf "RESULT audio_play_cpu %.2f s\n", ours
  printf "RESULT audio_play_ffplay_cpu %.2f s\n", theirs
  printf "RATIO audio_play_cpu_vs_ffplay %.3f <= 1.0\n", ours / theirs
  printf "RESULT audio_callback_worst %.3f ms\n", worst
}'
