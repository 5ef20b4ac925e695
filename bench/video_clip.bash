# Sourced by the video benchmarks (not a benchmark itself, hence not ".sh").
# video_clip BUILD: the path of a 60-s 1080p30 H.264 clip, made once by ffmpeg and kept in
# the build folder, read once so that the first timed run does not read it from the disk.
video_clip() {
  local clip=$1/bench/video_1080p30_60s.mp4
  if [ ! -f "$clip" ]; then
    ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i testsrc2=size=1920x1080:rate=30 -t 60 \
      -c:v libx264 -preset veryfast -pix_fmt yuv420p -f mp4 "$clip.part"
    mv "$clip.part" "$clip"
  fi
  cat "$clip" > /dev/null
  echo "$clip"
}
