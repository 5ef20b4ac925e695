#!/usr/bin/env bash
# video_decode: a 60-s 1080p30 H.264 clip (made once by ffmpeg and kept in the build
# folder) played frame by frame through our media-library frame source into planar frame
# images, beside `ffmpeg -threads 2` decoding it to raw 4:2:0. Both are timed as whole
# processes, best of three. This is the decoding half of exporting a slide that plays the
# clip; the frames per second of both sides and their ratio are printed.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
tool=$build/bench/video_decode_tool
library=$build/Common/FFmpeg.so
rounds=3
command -v ffmpeg > /dev/null || { echo "video_decode: ffmpeg missing" >&2; exit 1; }

# shellcheck source=video_clip.bash
source "$(dirname "$0")/video_clip.bash"
clip=$(video_clip "$build")

# shellcheck source=best_of.bash
source "$(dirname "$0")/best_of.bash"

read -r frames seeks < <("$tool" "$library" "$clip")
[ "$frames" -ge 1790 ] || { echo "video_decode: only $frames frames written" >&2; exit 1; }
ours=$(best_of "$tool" "$library" "$clip")
theirs=$(best_of ffmpeg -hide_banner -loglevel error -nostdin -threads 2 -i "$clip" -f rawvideo -pix_fmt yuv420p -)

fps() { awk -v n="$frames" -v s="$1" 'BEGIN { printf "%.1f", n / s }'; }
echo "RESULT video_decode_ours $(fps "$ours") fps"
echo "RESULT video_decode_ffmpeg $(fps "$theirs") fps"
echo "RESULT video_decode_seeks $seeks seeks"
echo "RATIO video_source_vs_ffmpeg_decode $(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.3f", b / a }') >= 0.6"
