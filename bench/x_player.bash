# Sourced by the benchmarks that drive the player on Xvfb (not a benchmark itself, hence
# not ".sh"). Sets $work (a temporary folder, removed at exit with the player and the X
# server, the player first: it ends through its own close while the display is there).
# x_start NAME WIDTHxHEIGHT: checks the tools, makes $work and starts Xvfb with DISPLAY and
#   the player's environment set.
# x_play TITLE ARGS...: starts the player ($player_pid) and focuses its window.
xvfb_pid=""
player_pid=""
work=""
x_cleanup() {
  if [ -n "$player_pid" ]; then
    kill "$player_pid" 2> /dev/null || true
    wait "$player_pid" 2> /dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2> /dev/null || true
    wait "$xvfb_pid" 2> /dev/null || true
  fi
  [ -z "$work" ] || rm -rf "$work"
}

x_start() {
  local name=$1 screen=$2
  for tool in Xvfb xdotool; do
    command -v "$tool" > /dev/null || { echo "$name: $tool is missing (scripts/install-deps installs it)" >&2; exit 1; }
  done
  work=$(mktemp -d "${TMPDIR:-/tmp}/$name.XXXXXX")
  trap x_cleanup EXIT
  Xvfb -displayfd 1 -screen 0 "${screen}x24" -nolisten tcp -noreset > "$work/display" 2> "$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  export DISPLAY=":$(head -n 1 "$work/display")" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy TMPDIR=$work XDG_RUNTIME_DIR=$work
  until xdotool getmouselocation > /dev/null 2>&1; do sleep 0.05; done
}

x_play() {
  local title=$1
  shift
  "$build/bin/orvviewer" "$@" 2> "$work/player.log" &
  player_pid=$!
  local window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name "$title" 2> /dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "the player's window did not show" >&2; exit 1; }
  xdotool windowfocus --sync "$window"
}
