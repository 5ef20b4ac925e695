#!/usr/bin/env bash
# text_render: a caption of 40 words in four lines, laid out and rasterised at 48 pixels a
# em through our text pictures, cold (every glyph outlined anew) and warm (from the glyph
# cache), beside a minimal HarfBuzz + FreeType program rendering the same lines from the
# same font file. In alternating rounds; each figure is the best round's median.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
ours=$build/bench/text_render_tool
theirs=$build/bench/text_render_ft
rounds=3
renders=40
work=$(mktemp -d "${TMPDIR:-/tmp}/orv-text-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

caption=$work/caption.txt
cat > "$caption" <<'TEXT'
The morning light rose slowly over the quiet harbour, painting
every sail and rooftop in shades of amber while fishermen
carried their nets along the old stone pier, greeting friends,
and children laughed as gulls circled above the waking market.
TEXT
# Arial is drawn with its metric twin; the peer reads the very file fontconfig gives us.
font=$(fc-match -f '%{file}' 'Liberation Sans')

least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
cold="" warm="" ft=""
for _ in $(seq "$rounds"); do
  read -r _ c _ w < <("$ours" "$caption" "$renders")
  cold=$(least "$cold" "$c")
  warm=$(least "$warm" "$w")
  ft=$(least "$ft" "$("$theirs" "$font" "$caption" "$renders")")
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
echo "RESULT text_render_cold $cold ms"
echo "RESULT text_render_warm $warm ms"
echo "RESULT text_render_ft $ft ms"
echo "RATIO text_render_cold_vs_ft $(ratio "$cold" "$ft") <= 1.5"
echo "RATIO text_render_cold_vs_warm $(ratio "$cold" "$warm") >= 3"
