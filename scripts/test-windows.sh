#!/usr/bin/env bash
# Tests the Windows package (scripts/build-windows.sh) under Wine (Debian's wine64) on a virtual X
# server, against the native build in build/:
#   capture   rk17.exe --capture of the whole show at one frame a second; every second frame (one
#             every two seconds of the show) matches the native build's within 2 steps per channel
#             on at least 99.9 % of its pixels
#   vddpack   vddpack.exe packs a tree that the native vddpack and unar extract exactly, and
#             extracts a pack the native vddpack wrote
#   play      rk17.exe plays in real time for 20 s (SDL's dummy audio driver), ends on Escape with
#             exit code 0; without data.vdd it reports on stderr and exits with code 1
#   video     rk17.exe --video feeds a stand-in ffmpeg.exe (tests/windows/fake_ffmpeg.cpp) through
#             its named pipes; a failing encoder and a missing one give clear reports
# The Wine prefix lives outside the clone (RK17_WINEPREFIX, default /var/cache/rk17-wine).
# Usage: scripts/test-windows.sh [TEST...]   (default: all four)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
export WINEPREFIX=${RK17_WINEPREFIX:-/var/cache/rk17-wine}
export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
export RK17_NONINTERACTIVE=1 SDL_AUDIODRIVER=dummy
wine=/usr/lib/wine/wine64
package=$root/build-windows/package/velmor-drift
work=$root/build-windows/wine-tests
tests=("$@")
[ ${#tests[@]} -gt 0 ] || tests=(capture vddpack play video)

if [ -z "${RK17_WINE_INSIDE:-}" ]; then
  [ -f "$package/rk17.exe" ] || { echo "test-windows: run scripts/build-windows.sh first" >&2; exit 1; }
  # One X server and one wineserver for every test.
  export RK17_WINE_INSIDE=1
  status=0
  xvfb-run -a -s "-screen 0 1024x768x24" "$0" "${tests[@]}" || status=$?
  WINEPREFIX=$WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null || true
  exit $status
fi

failures=0
fail() {
  echo "test-windows: FAIL: $*" >&2
  echo "$*" >>"$work/failed"
  failures=$((failures + 1))
}

start=$SECONDS
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  timeout 600 "$wine" wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
fi
echo "test-windows: wine prefix: $((SECONDS - start)) s"
rm -rf "$work"
mkdir -p "$work"

test_capture() {
  local frames=$work/capture
  mkdir -p "$frames"
  (cd "$root/build/show" && timeout 900 ./rk17 --capture "$frames/linux" --fps 1) >"$frames/linux.log" 2>&1 ||
    { fail "capture: the native rk17 failed"; cat "$frames/linux.log" >&2; return; }
  (cd "$package" && timeout 1800 "$wine" rk17.exe --capture "$frames/windows" --fps 1) >"$frames/windows.log" 2>&1 ||
    { fail "capture: rk17.exe failed"; cat "$frames/windows.log" >&2; return; }
  # One frame every two seconds of the show: the even frames of the one-a-second captures.
  mkdir -p "$frames/even"
  local f n
  for f in "$frames/linux"/frame-*.png; do
    n=$(basename "$f" .png)
    n=$((10#${n#frame-}))
    if [ $((n % 2)) -eq 0 ]; then ln -s "$f" "$frames/even/"; fi
  done
  local count
  count=$(ls "$frames/windows" | wc -l)
  [ "$count" -eq "$(ls "$frames/linux" | wc -l)" ] || fail "capture: rk17.exe wrote $count frames"
  g++ -O2 -std=c++17 -o "$work/frame_compare" "$root/tests/windows/frame_compare.cpp" -lpng
  "$work/frame_compare" "$frames/even" "$frames/windows" 2 99.9 >"$frames/compare.txt" || fail "capture: frames differ"
  tail -n 1 "$frames/compare.txt"
}

test_vddpack() {
  local d=$work/vddpack native=$root/build/tools/vddpack/vddpack
  mkdir -p "$d/tree/data/scripts" "$d/tree/data/images/deep"
  # Text, random bytes, an empty file, a longer repetitive file: every coder path.
  printf 'DEMO_END 1000\r\nline two\n' >"$d/tree/data/scripts/demo.scr"
  head -c 70000 /dev/urandom >"$d/tree/data/images/noise.bin"
  : >"$d/tree/data/images/deep/empty.txt"
  seq 1 40000 >"$d/tree/data/numbers.txt"
  (cd "$d" && timeout 300 "$wine" "$package/vddpack.exe" a -q -p falco31 win.vdd tree/data) ||
    { fail "vddpack: vddpack.exe a failed"; return; }
  timeout 300 "$native" x -q -p falco31 "$d/win.vdd" "$d/native" || fail "vddpack: native x failed"
  diff -r "$d/tree" "$d/native" || fail "vddpack: the native vddpack extracts another tree"
  timeout 300 unar -q -f -p falco31 -o "$d/unar" "$d/win.vdd" >/dev/null || fail "vddpack: unar failed"
  diff -r "$d/tree/data" "$d/unar/data" || fail "vddpack: unar extracts another tree"
  timeout 300 "$native" a -q -p falco31 "$d/native.vdd" "$d/tree/data" || fail "vddpack: native a failed"
  (cd "$d" && timeout 300 "$wine" "$package/vddpack.exe" x -q -p falco31 native.vdd fromnative) ||
    fail "vddpack: vddpack.exe x failed"
  diff -r "$d/tree" "$d/fromnative" || fail "vddpack: vddpack.exe extracts another tree"
  echo "test-windows: vddpack: packs exchanged both ways"
}

test_play() {
  local d=$work/play log=$work/play/play.log
  mkdir -p "$d"
  (cd "$package" && exec timeout 180 "$wine" rk17.exe) >"$log" 2>&1 &
  local pid=$! window
  window=$(timeout 120 xdotool search --sync --onlyvisible --name 'Velmor Drift - RK17' | head -n 1) || true
  if [ -z "$window" ]; then
    fail "play: no window; windows: $(xdotool search --name . getwindowname %@ 2>/dev/null | tr '\n' ',')"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    cat "$log" >&2
    return
  fi
  sleep 20
  kill -0 "$pid" 2>/dev/null || fail "play: rk17.exe ended before 20 s"
  xdotool windowfocus --sync "$window" key Escape || true
  local code=0
  wait "$pid" || code=$?
  [ "$code" -eq 0 ] || { fail "play: exit code $code after Escape"; cat "$log" >&2; }
  echo "test-windows: play: 20 s in real time, Escape, exit code $code"

  # Without data.vdd: the same fatal report on stderr as the native build's, exit code 1.
  mkdir -p "$d/empty" "$d/native"
  cp "$package/rk17.exe" "$d/empty/"
  cp "$root/build/rk17" "$d/native/"
  (cd "$d/native" && timeout 120 ./rk17) >"$d/native.log" 2>&1 || true
  code=0
  (cd "$d/empty" && timeout 120 "$wine" rk17.exe) >"$d/missing.crlf" 2>&1 || code=$?
  # The C runtime's text mode ends lines with CR LF; the working folder each names is its own.
  tr -d '\r' <"$d/missing.crlf" | sed 's/working folder ([^)]*)/working folder (FOLDER)/' >"$d/missing.log"
  sed -i 's/working folder ([^)]*)/working folder (FOLDER)/' "$d/native.log"
  [ "$code" -eq 1 ] || fail "play: exit code $code without data.vdd"
  grep -q "^src/.*\.cpp:[0-9]* " "$d/missing.log" && cmp -s "$d/native.log" "$d/missing.log" ||
    { fail "play: another report without data.vdd"; diff "$d/native.log" "$d/missing.log" >&2; }
  echo "test-windows: play: without data.vdd: exit code $code, $(grep -o '^src/.*' "$d/missing.log" | head -n 1)"
}

test_video() {
  local d=$work/video code
  mkdir -p "$d/bin" "$d/none"
  x86_64-w64-mingw32-g++-posix -O1 -static -o "$d/bin/ffmpeg.exe" "$root/tests/windows/fake_ffmpeg.cpp"
  local bin
  bin=$("$wine" winepath -w "$d/bin" 2>/dev/null)
  # 2 s at 5 frames a second: frames 0 .. 10 at 800 x 600 x 3 bytes.
  code=0
  (cd "$package" && WINEPATH="$bin" timeout 300 "$wine" rk17.exe --video "$d/out.mkv" --fps 5 --to 2000 -q) \
    >"$d/video.log" 2>&1 || code=$?
  if [ "$code" -ne 0 ] || ! grep -qx "video $((11 * 800 * 600 * 3))" "$d/out.mkv" ||
    ! grep -q "^audio [1-9]" "$d/out.mkv"; then
    fail "video: exit code $code, $(cat "$d/out.mkv" 2>/dev/null | tr '\n' ' ')"
    cat "$d/video.log" >&2
  fi
  [ ! -e "$d/out.mkv.part" ] || fail "video: the partial file stayed"
  echo "test-windows: video: $(tr '\n' ' ' <"$d/out.mkv" 2>/dev/null)through the named pipes"

  code=0
  (cd "$package" && WINEPATH="$bin" FAKE_FFMPEG_FAIL=1 timeout 300 "$wine" rk17.exe --video "$d/bad.mkv" --fps 5 \
    --to 2000 -q) >"$d/bad.log" 2>&1 || code=$?
  [ "$code" -eq 1 ] && grep -q "Unknown encoder" "$d/bad.log" && [ ! -e "$d/bad.mkv" ] && [ ! -e "$d/bad.mkv.part" ] ||
    { fail "video: a failing encoder: exit code $code"; cat "$d/bad.log" >&2; }

  code=0
  (cd "$package" && WINEPATH= timeout 300 "$wine" rk17.exe --video "$d/none/x.mkv" -q) \
    >"$d/none.log" 2>&1 || code=$?
  [ "$code" -eq 1 ] && grep -q "ffmpeg not found on PATH" "$d/none.log" ||
    { fail "video: without ffmpeg: exit code $code"; cat "$d/none.log" >&2; }
  echo "test-windows: video: failing and missing encoder reported"
}

for t in "${tests[@]}"; do
  step=$SECONDS
  "test_$t"
  echo "test-windows: $t: $((SECONDS - step)) s"
done
failed=0
for t in "${tests[@]}"; do grep -q "^$t" "$work/failed" 2>/dev/null && failed=$((failed + 1)); done
echo "windows: $((${#tests[@]} - failed)) passed, $failed failed"
[ $failures -eq 0 ]
