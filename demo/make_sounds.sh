#!/bin/sh
# Makes the demo show's sounds in OUT_DIR: music.wav, 32 s of music (eight chords of four
# seconds: a soft sine bass under a plucked arpeggio), and voice.wav, a spoken comment.
set -eu
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

n=0
for chord in "A2 A3 C4 E4" "F2 F3 A3 C4" "C3 G3 C4 E4" "G2 G3 B3 D4" \
             "A2 A3 C4 E4" "D3 F3 A3 D4" "E2 E3 G#3 B3" "A2 A3 C4 E4"; do
  set -- $chord
  n=$((n + 1))
  sox -n -r 44100 -c 1 "$work/bass.wav" synth 4 sine "$1" fade 0.05 4 0.3 gain -16
  sox -n -r 44100 -c 1 "$work/low.wav" synth 4 pluck "$2" gain -10
  sox -n -r 44100 -c 1 "$work/mid.wav" synth 3.5 pluck "$3" pad 0.5 gain -10
  sox -n -r 44100 -c 1 "$work/high.wav" synth 3 pluck "$4" pad 1 gain -10
  sox -m "$work/bass.wav" "$work/low.wav" "$work/mid.wav" "$work/high.wav" -c 2 "$work/chord$n.wav"
done
sox "$work"/chord1.wav "$work"/chord2.wav "$work"/chord3.wav "$work"/chord4.wav \
    "$work"/chord5.wav "$work"/chord6.wav "$work"/chord7.wav "$work"/chord8.wav "$out/music.wav" fade 0 32 2 norm -6

espeak-ng -w "$work/voice.wav" "A checkered board, drawn by the demo's own code."
sox "$work/voice.wav" -r 44100 -c 2 "$out/voice.wav" norm -4
