#!/bin/sh
# Restart soak: plays the show from build/show in a window on its own Xvfb display, presses Space
# (restart) every INTERVAL seconds and prints the program's resident memory (VmRSS) just before
# each press, then the growth from the sample after the second restart to the last one.
#
# usage: bench/restart_soak.sh [BUILD_DIR] [MINUTES] [INTERVAL_S]
#        (defaults: build, 10, 10; needs Xvfb and xdotool)
set -eu

build=$(cd "${1:-build}" && pwd)
minutes=${2:-10}
interval=${3:-10}
samples=$((minutes * 60 / interval))

work=$(mktemp -d)
xvfb_pid=""
show_pid=""
cleanup() {
  [ -n "$show_pid" ] && kill "$show_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A display of our own: Xvfb writes the number it took.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
DISPLAY=:$(cat "$work/display")
export DISPLAY

cd "$build/show"
RK17_NONINTERACTIVE=1 SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} ./rk17 --windowed >"$work/stderr" 2>&1 &
show_pid=$!
window=$(xdotool search --sync --pid "$show_pid" | head -n 1)

rss() { awk '/^VmRSS:/ { print int($2 / 1024) }' "/proc/$show_pid/status"; }

echo "restart soak: Space every ${interval} s for ${minutes} min"
echo "    s  restarts  RSS MB"
after_second=""
restarts=0
for sample in $(seq "$samples"); do
  sleep "$interval"
  kill -0 "$show_pid" 2>/dev/null || { echo "rk17 ended early:"; cat "$work/stderr"; exit 1; }
  mb=$(rss)
  printf '%5d  %8d  %6d\n' $((sample * interval)) "$restarts" "$mb"
  # The sample taken a whole interval after the second restart is the baseline.
  [ "$restarts" -eq 2 ] && after_second=$mb
  xdotool windowfocus --sync "$window" key space
  restarts=$((restarts + 1))
done
last=$mb
if [ -n "$after_second" ]; then
  awk -v a="$after_second" -v b="$last" \
    'BEGIN { printf "after the second restart %d MB, at the end %d MB: %+.1f %%\n", a, b, (b - a) * 100 / a }'
fi
