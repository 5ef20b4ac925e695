#!/usr/bin/env bash
# jpeg_levels: a 6000 × 4000 photo (a real one from mate-backgrounds, resampled) decoded
# to level 0 and to level 3 by our loader, beside libjpeg-turbo's djpeg decoding the same
# file in full and with -scale 1/8. Both sides are timed as whole processes, best of
# several rounds. Entropy decoding bounds both, so ours must stay within 15 %. The peak
# memory of the level-3 run shows that no full-size picture is ever held.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
tool=$build/bench/jpeg_levels_tool
source_photo=/usr/share/backgrounds/mate/nature/Garden.jpg
rounds=11
command -v djpeg > /dev/null || { echo "jpeg_levels: djpeg missing (libjpeg-turbo-progs)" >&2; exit 1; }
[ -f "$source_photo" ] || { echo "jpeg_levels: $source_photo missing (mate-backgrounds)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/jpeg_levels.XXXXXX")
trap 'rm -rf "$work"' EXIT
photo=$work/photo_6000x4000.jpg
"$tool" make "$source_photo" "$photo" 6000 4000
cat "$photo" > /dev/null

# shellcheck source=best_of.bash
source "$(dirname "$0")/best_of.bash"

ours_0=$(best_of "$tool" decode "$photo" 0)
djpeg_0=$(best_of djpeg -outfile /dev/null "$photo")
ours_3=$(best_of "$tool" decode "$photo" 3)
djpeg_3=$(best_of djpeg -scale 1/8 -outfile /dev/null "$photo")
rss_3=$("$tool" decode "$photo" 3)
rss_0=$("$tool" decode "$photo" 0)
full_picture_kib=$((6000 * 4000 * 3 / 1024))

ms() { awk -v s="$1" 'BEGIN { printf "%.1f", s * 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
echo "RESULT jpeg_levels_level0_ours $(ms "$ours_0") ms"
echo "RESULT jpeg_levels_level0_djpeg $(ms "$djpeg_0") ms"
echo "RESULT jpeg_levels_level3_ours $(ms "$ours_3") ms"
echo "RESULT jpeg_levels_level3_djpeg_scale_1_8 $(ms "$djpeg_3") ms"
echo "RESULT jpeg_levels_level3_peak_rss $((rss_3 / 1024)) MiB"
echo "RESULT jpeg_levels_level0_peak_rss $((rss_0 / 1024)) MiB"
echo "RESULT jpeg_levels_full_picture_size $((full_picture_kib / 1024)) MiB"
echo "RATIO jpeg_levels_level0 $(ratio "$ours_0" "$djpeg_0") <= 1.15"
echo "RATIO jpeg_levels_level3 $(ratio "$ours_3" "$djpeg_3") <= 1.15"
echo "RATIO jpeg_levels_level3_peak_rss_vs_full_picture $(ratio "$rss_3" "$full_picture_kib") <= 1.0"
