#!/usr/bin/env bash
# video: a slide that plays a 60-s 1080p30 H.264 clip full frame (the clip the
# video_decode bench makes and keeps in the build folder). First the slide exported off
# screen at 1920 × 1080, 30 fps, to raw frames (to /dev/null, so that no encoder is
# measured), beside `ffmpeg -threads 2` decoding the same clip to raw 4:2:0; best of three
# each, frames per second of both and their ratio. Then the same slide played live off
# screen for 20 s at 1280 × 720: the frames drawn with another clip frame than the one of
# their time (the player logs each as "Video frame late") are counted.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
player=$build/bin/orvviewer
rounds=3
frames=1800
command -v ffmpeg > /dev/null || { echo "video: ffmpeg missing" >&2; exit 1; }
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
work=$(mktemp -d "${TMPDIR:-/tmp}/orv-video-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work

# shellcheck source=video_clip.bash
source "$(dirname "$0")/video_clip.bash"
clip=$(video_clip "$build")

# A show of one slide of `ms` at width × height whose video object fills the frame.
write_show() {
  printf '[Main]\nopt_scr_width=%d\nopt_scr_height=%d\nopt_scr_full=0\nopt_repeat=close\n' "$2" "$3"
  printf '[Slide1]\nbstyle=1\nbcolor=0\nobject Container:Root\n'
  printf 'object Clip:Video\nGUID={CLIP}\nFileName=%s\nMute=1\nend\nend\n' "$clip"
  printf '[Times]\nopt_slidescount=1\nopt_synchpos1=%d\n' "$1"
}
write_show 60000 1920 1080 > "$work/export.orv"
write_show 20000 1280 720 > "$work/live.orv"

# shellcheck source=best_of.bash
source "$(dirname "$0")/best_of.bash"

export_slide() {
  "$player" -filename "$work/export.orv" -export /dev/null -raw -size 1920x1080 -fps 30 -to 60000 \
    2> "$work/export.log" || { cat "$work/export.log" >&2; exit 1; }
}
ours=$(best_of export_slide)
theirs=$(best_of ffmpeg -hide_banner -loglevel error -nostdin -threads 2 -i "$clip" -f rawvideo -pix_fmt yuv420p -)

"$player" -filename "$work/live.orv" -log 2> "$work/live.log" || { cat "$work/live.log" >&2; exit 1; }
late=$(grep -c "Video frame late" "$work/live.log" || true)

fps() { awk -v n="$frames" -v s="$1" 'BEGIN { printf "%.1f", n / s }'; }
echo "RESULT video_export_ours $(fps "$ours") fps"
echo "RESULT video_export_ffmpeg_decode $(fps "$theirs") fps"
echo "RESULT video_live_late_frames $late frames"
echo "RATIO video_vs_ffmpeg_decode $(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.3f", b / a }') >= 0.6"
