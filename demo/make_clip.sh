#!/bin/sh
# Makes the demo show's video clip in OUT_DIR: clip.mp4, six seconds of colour waves
# (640 × 360, 25 fps, H.264) drawn by ffmpeg's own generators.
set -eu
out=$1
ffmpeg -hide_banner -loglevel error -nostdin -y \
  -f lavfi -i "gradients=size=640x360:rate=25:speed=0.03:nb_colors=4:seed=7" \
  -f lavfi -i "life=size=160x90:rate=25:mold=10,scale=640x360:flags=neighbor,format=yuv420p" \
  -filter_complex "[0][1]blend=all_mode=screen,format=yuv420p" \
  -t 6 -c:v libx264 -preset veryfast -pix_fmt yuv420p "$out/clip.mp4"
