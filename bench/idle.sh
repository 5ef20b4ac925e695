#!/usr/bin/env bash
# idle: the player's processor time as a share of one core, over 10 s of the demo show
# paused and 10 s of it playing, with the navigation panel (always shown, its textures cut
# from the demo's pictures) and a logo, in a 1280 × 720 window on Xvfb. A paused show
# draws nothing while nothing changes; the target is under 2 % paused. The playing figure
# is reported beside it.
set -euo pipefail
build=${BUILD:?BUILD must name the build folder}
seconds=10
[ -f "$build/demo/show/demo.orv" ] || { echo "idle: the demo show is not built ($build/demo/show)" >&2; exit 1; }
# shellcheck source=x_player.bash
source "$(dirname "$0")/x_player.bash"
x_start idle 1280x720

cp "$build"/demo/show/* "$work/"
cat > "$work/skin.ini" << 'SKIN'
[Common]
ColsCount=3
RowsCount=1
[CellWithObjects]
Cell=2,1
LeftOffset=4
TopOffset=4
RightOffset=4
BottomOffset=4
[Cell(1:1)]
Bounds=0,0,16,48
flnm_Texture=cells.jpg
[Cell(2:1)]
Bounds=16,0,16,48
flnm_Texture=cells.jpg
[Cell(3:1)]
Bounds=32,0,16,48
flnm_Texture=cells.jpg
[Objects]
Count=3
[Action-backward]
BtnTextureNormalBounds=0,0,32,32
BtnTextureHoverBounds=32,0,32,32
flnm_BtnTextureNormal=checker.jpg
BgTextureNormalBounds=0,0,40,40
flnm_BgTextureNormal=rings.jpg
[Action-pause]
BtnTextureNormalBounds=0,0,32,32
flnm_BtnTextureNormal=stripes.jpg
flnm_BtnTextureNormalPlay=plasma.jpg
BgTextureNormalBounds=0,0,40,40
flnm_BgTextureNormal=rings.jpg
[Action-forward]
BtnTextureNormalBounds=0,0,32,32
flnm_BtnTextureNormal=checker.jpg
BgTextureNormalBounds=0,0,40,40
flnm_BgTextureNormal=rings.jpg
SKIN
panel="opt_fcp=1\nopt_nav_inifile=$work/skin.ini\nopt_cp=Bottom\nopt_nav_offset=5\nopt_nav_showbg=1\n"
panel+="opt_newnavbuttons_count=3\nopt_newnavbutton1=backward\nopt_newnavbutton2=pause\nopt_newnavbutton3=forward\n"
panel+="opt_logo=1\nopt_logo_fn=$work/rings.jpg\nopt_logo_pos=6\nopt_logo_size=15\nopt_logo_opacity=70\n"
sed -i "s|^\[Main\]\r\?$|[Main]\n${panel}|" "$work/demo.orv"

x_play "orvviewer demo" -filename "$work/demo.orv" -log
xdotool mousemove 1279 719
sleep 2

# Processor time (user + system) of the player in clock ticks.
ticks() { awk '{ print $14 + $15 }' "/proc/$player_pid/stat"; }
# The share of one core the player used over the next $seconds seconds.
share() {
  local before after
  before=$(ticks)
  sleep "$seconds"
  after=$(ticks)
  awk -v t="$((after - before))" -v hz="$(getconf CLK_TCK)" -v s="$seconds" 'BEGIN { printf "%.2f", t / hz / s * 100 }'
}

xdotool key space
sleep 1
paused=$(share)
xdotool key space
sleep 0.5
playing=$(share)
grep -q "Navigation bar skin" "$work/player.log" && { echo "idle: the skin was refused:" >&2; grep "Navigation bar skin" "$work/player.log" >&2; exit 1; }

awk -v p="$paused" -v q="$playing" 'BEGIN {
  printf "RESULT idle_paused_cpu %.2f %%\n", p
  printf "RESULT idle_playing_cpu %.2f %%\n", q
  printf "RATIO idle_paused_vs_2pct %.3f <= 1\n", p / 2
}'
