#!/usr/bin/env bash
# Soak: plays the show in --edit for SECONDS under a virtual X server of its own and drives it as
# a person would, with real key presses (xdotool): bar jumps, pauses, A-B loops, R, Space, F2, M,
# and saves of the script file (touched, or written anew and renamed over it as editors do).
# Every 10 s it samples rk17's resident memory and open descriptors; at the end it prints the
# figures and exits 1 when the target is missed: rk17 alive to the end, no report, no GL error,
# no more open descriptors at the end than at the first sample measured, and (long runs only) resident
# memory growing by less than 1 % per hour after the first complete pass.
#
# The first complete pass: the show played once from its start to DEMO_END at its own pace
# (every section and every transition drawn once), then one press of every key the soak uses and
# one save of the script. Memory is judged from the first sample after it, by a least-squares
# line through the samples (growth per hour in % of that first sample). A run shorter than twice
# the first pass drives the show from the first frame and judges no memory (the CI run).
#
# Counted from rk17's stderr: reports (ErrorReport's "file:line message" lines), GL errors (the
# program's fatal "GL error" report, and every error Mesa raises: MESA_DEBUG=1 prints each as
# "Mesa: User error"), and any other line except the reload latency notes.
#
# usage: scripts/soak.sh SECONDS [BUILD_DIR]   (BUILD_DIR defaults to build; needs Xvfb, xdotool)
# SOAK_KEEP=DIR keeps the samples, stderr and key log in DIR.
set -euo pipefail

if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
  echo "usage: scripts/soak.sh SECONDS [BUILD_DIR]" >&2
  exit 2
fi
seconds=$1
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${2:-$repo/build}" && pwd)
show=$build/show
[ -x "$show/rk17" ] || { echo "soak: no $show/rk17 (scripts/build.sh show)" >&2; exit 2; }

work=$(mktemp -d)
xvfb_pid=""
rk17_pid=""
sampler_pid=""
cleanup() {
  if [ -n "$sampler_pid" ]; then kill "$sampler_pid" 2>/dev/null || true; fi
  if [ -n "$rk17_pid" ]; then kill "$rk17_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  if [ -n "${SOAK_KEEP:-}" ]; then mkdir -p "$SOAK_KEEP" && cp "$work"/*.txt "$SOAK_KEEP"/ 2>/dev/null; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The script is edited in a copy of its own, ahead of the repository's data in the search order.
script=$work/show/data/scripts/demo.scr
mkdir -p "$(dirname "$script")"
cp "$repo/data/scripts/demo.scr" "$script"
end_ms=$(awk '$1 == "DEMO_END" { print $2; exit }' "$script")
start_ms=$(awk '$1 == "DEMO_START" { print $2; exit }' "$script")
beat_ms=$(awk '$1 == "DEMO_BEAT" { print $2; exit }' "$script")
bar_ms=$(( ${beat_ms:-0} > 0 ? 4 * beat_ms : 2000 ))
start_ms=${start_ms:-0}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")

# The one test action writes the first frame: the sign that loading is over and the clock runs.
ms() { local t=${EPOCHREALTIME/./}; echo $((t / 1000)); }
began_ms=$(ms)
cd "$show"
RK17_NONINTERACTIVE=1 SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} MESA_DEBUG=1 \
  RK17_EDIT_ACTIONS="shot:$work/first" \
  ./rk17 --edit --data "$work/show" --data "$repo" --data "$build/generated" 2>"$work/stderr.txt" >/dev/null &
rk17_pid=$!
began=$SECONDS
window=$(timeout 120 xdotool search --sync --pid "$rk17_pid" | head -n 1)
until [ -e "$work/first/frame-000000.png" ]; do
  kill -0 "$rk17_pid" 2>/dev/null || { echo "soak: rk17 ended while loading" >&2; cat "$work/stderr.txt" >&2; exit 1; }
  sleep 0.2
done
echo "soak: first frame after $((SECONDS - began)) s; driving for $seconds s"


# rk17's resident memory (kB) and open descriptors every 10 s: "second rss fds".
(
  while kill -0 "$rk17_pid" 2>/dev/null; do
    rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$rk17_pid/status" 2>/dev/null) || break
    fds=$(find "/proc/$rk17_pid/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l)
    echo "$((($(ms) - began_ms) / 1000)) $rss $fds" >>"$work/samples.txt"
    sleep 10
  done
) &
sampler_pid=$!

# A model of the show's clock, so the soak knows when the show stands held at its end (paused
# there until P): show time, paused, the A-B loop. Key latency of a frame or two is ignored.
show_ms=$start_ms
paused=0
loop_a=-1
loop_b=-1
model_at=$(ms)
advance() {
  local now
  now=$(ms)
  if [ "$paused" -eq 0 ]; then
    show_ms=$((show_ms + now - model_at))
    if [ "$loop_b" -gt "$loop_a" ] && [ "$show_ms" -ge "$loop_b" ]; then
      show_ms=$((loop_a + (show_ms - loop_a) % (loop_b - loop_a)))
    fi
    if [ "$show_ms" -ge "$end_ms" ]; then show_ms=$end_ms; paused=1; fi
  fi
  model_at=$now
}
jump_model() {
  local to=$1
  if [ "$to" -lt "$start_ms" ]; then to=$start_ms; fi
  if [ "$to" -gt "$end_ms" ]; then to=$end_ms; paused=1; fi
  show_ms=$to
}
press() {
  advance
  echo "$((SECONDS - began)) $1" >>"$work/keys.txt"
  xdotool windowfocus --sync "$window" key "$1" 2>/dev/null || true
  case $1 in
    Left) jump_model $((show_ms - bar_ms)) ;;
    Right) jump_model $((show_ms + bar_ms)) ;;
    Prior) jump_model $((show_ms - 10 * bar_ms)) ;;
    Next) jump_model $((show_ms + 10 * bar_ms)) ;;
    Home | space) jump_model "$start_ms" ;;
    p) paused=$((1 - paused)) ;;
    l)
      if [ "$loop_a" -lt 0 ]; then loop_a=$show_ms
      elif [ "$loop_b" -lt 0 ]; then
        loop_b=$show_ms
        if [ "$loop_b" -le "$loop_a" ]; then loop_a=-1; loop_b=-1; fi
      else loop_a=-1; loop_b=-1; fi ;;
  esac
}
nap() { sleep "$(awk -v a="$1" -v b="$2" -v r=$RANDOM 'BEGIN { printf "%.1f", a + (b - a) * r / 32767 }')"; }
save_script() {
  echo "$((SECONDS - began)) save" >>"$work/keys.txt"
  if [ $((RANDOM % 2)) -eq 0 ]; then
    touch "$script"
  else
    cp "$script" "$script.new" && mv "$script.new" "$script"
  fi
}
# One thing a person does, by number: 0-4 bar jumps, 5 pause, 6 loop, 7 R, 8 Space, 9 F2, 10 M,
# 11 save.
act() {
  case $1 in
    0) press Left ;;
    1) press Right ;;
    2) press Prior ;;
    3) press Next ;;
    4) press Home ;;
    5) press p; nap 1 4; press p ;;
    6) press l; nap 2 6; press l; nap 4 12; press l ;;
    7) press r ;;
    8) press space ;;
    9) press F2; nap 1 3; press F2 ;;
    10) press m; nap 1 3; press m ;;
    11) save_script ;;
  esac
}

first_pass_s=$((end_ms / 1000 + 45))
baseline_s=""
if [ "$seconds" -ge $((2 * first_pass_s)) ]; then
  sleep $(((end_ms - start_ms) / 1000 + 2))  # played to the end, held there
  advance
  press Home
  press p
  for action in $(seq 0 11); do act "$action"; nap 1 2; done
  baseline_s=$((($(ms) - began_ms) / 1000))
  echo "soak: first pass done after $baseline_s s"
fi

deadline=$((began + seconds))
while [ "$SECONDS" -lt "$deadline" ] && kill -0 "$rk17_pid" 2>/dev/null; do
  advance
  if [ "$paused" -eq 1 ] && [ "$show_ms" -ge "$end_ms" ]; then press Home; press p; fi
  # Jumps most often, then the rest alike.
  pick=$((RANDOM % 22))
  if [ "$pick" -lt 8 ]; then act $((pick % 5)); else act $((5 + (pick - 8) / 2)); fi
  nap 1 4
done

alive=1
kill -0 "$rk17_pid" 2>/dev/null || alive=0
sleep 1
kill "$sampler_pid" 2>/dev/null || true
wait "$sampler_pid" 2>/dev/null || true
sampler_pid=""
if [ "$alive" -eq 1 ]; then
  kill "$rk17_pid" 2>/dev/null || true
  wait "$rk17_pid" 2>/dev/null || true
fi
rk17_pid=""

reports=$(grep -cE '^[A-Za-z0-9_./-]+\.(cpp|h|c):[0-9]+ ' "$work/stderr.txt" || true)
gl_errors=$(grep -cE '^Mesa: User error|GL error' "$work/stderr.txt" || true)
other=$(grep -vE '^[A-Za-z0-9_./-]+\.(cpp|h|c):[0-9]+ |^Mesa: User error|^rk17: reloaded .* after the save$' \
  "$work/stderr.txt" | grep -c . || true)
echo "soak: $(grep -c . "$work/keys.txt") keys and saves in $((SECONDS - began)) s"
awk -v from="${baseline_s:--1}" -v alive="$alive" -v reports="$reports" -v gl="$gl_errors" -v other="$other" '
  { t[NR] = $1; r[NR] = $2; f[NR] = $3 }
  END {
    first = 1
    if (from >= 0) { while (first < NR && t[first] < from) first++ }
    n = NR - first + 1
    # Descriptors at the end: the fewest of the last three samples, so that a file open for a
    # moment (a reload reading the script) is not taken for a leak; a leak stays open.
    fend = f[NR]
    for (i = NR - 2; i < NR; i++) if (i >= first && f[i] < fend) fend = f[i]
    printf "samples %d, from %d s: RSS %.1f MB, at the end %.1f MB; descriptors %d, at the end %d (at most %d)\n",
      n, t[first], r[first] / 1024, r[NR] / 1024, f[first], fend, maxf(first)
    bad = !alive || reports > 0 || gl > 0 || other > 0 || fend > f[first]
    if (from >= 0 && n >= 3) {
      for (i = first; i <= NR; i++) { sx += t[i]; sy += r[i] }
      mx = sx / n; my = sy / n
      for (i = first; i <= NR; i++) { sxy += (t[i] - mx) * (r[i] - my); sxx += (t[i] - mx) ^ 2 }
      slope = sxx > 0 ? sxy / sxx : 0
      span = t[NR] - t[first]
      printf "RSS growth after the first pass: %+.2f %%/h (fitted line), %+.2f %%/h (end against start)\n",
        slope * 3600 * 100 / r[first], (span > 0 ? (r[NR] - r[first]) * 3600 * 100 / span / r[first] : 0)
      if (slope * 3600 * 100 / r[first] >= 1) bad = 1
    } else {
      print "RSS growth: not judged (no complete first pass in a run this short)"
    }
    printf "alive to the end: %s; reports %d, GL errors %d, other stderr lines %d\n",
      alive ? "yes" : "no", reports, gl, other
    print bad ? "soak: target missed" : "soak: target met"
    exit bad
  }
  function maxf(from,   i, m) { m = 0; for (i = from; i <= NR; i++) if (f[i] > m) m = f[i]; return m }
' "$work/samples.txt" || { grep -vE '^rk17: reloaded .* after the save$' "$work/stderr.txt" | head -n 20 >&2; exit 1; }
