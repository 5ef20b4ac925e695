#!/usr/bin/env bash
# compose: a 1920 × 1080 frame compositing two full-frame pictures (the second at 50 %
# opacity) through our draw manager, plain and with the soften post-process, beside a
# minimal GL program drawing the same two quads (the raw limit of this machine's GL).
# All run off screen on Mesa's software GL, in alternating rounds; each figure is the best
# round, which keeps other load on the machine out of the comparison as far as possible.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
ours=$build/bench/compose_tool
raw=$build/bench/compose_raw_gl
rounds=4
frames=20
export SDL_VIDEODRIVER=offscreen

best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b > a) ? b : a }'; }
raw_fps="" plain_fps="" soften_fps=""
for _ in $(seq "$rounds"); do
  raw_fps=$(best "$raw_fps" "$("$raw" "$frames")")
  plain_fps=$(best "$plain_fps" "$("$ours" plain "$frames")")
  soften_fps=$(best "$soften_fps" "$("$ours" soften "$frames")")
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
echo "RESULT compose_raw_gl $raw_fps fps"
echo "RESULT compose_plain $plain_fps fps"
echo "RESULT compose_soften $soften_fps fps"
echo "RATIO compose_plain_vs_raw_gl $(ratio "$plain_fps" "$raw_fps") >= 0.9"
# The softened frame draws into a render target, blurs at half size in two passes and
# mixes back: about four times the pixel work of the plain frame, so a fifth of its rate
# at least.
echo "RATIO compose_soften_vs_plain $(ratio "$soften_fps" "$plain_fps") >= 0.2"
