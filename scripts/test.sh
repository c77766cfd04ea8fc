#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under a virtual X server, then two minutes
# of use (scripts/soak.sh); then builds again with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-asan/ and runs every test there too, stopping at the first finding; last, tests the
# Windows package under Wine (scripts/build-windows.sh builds it while the sanitizer suite runs;
# scripts/test-windows.sh).
# Extra arguments go to both ctest runs.
# The sanitizer build starts, at the lowest priority, while the first suite runs: it takes only
# the processor time the tests leave idle. Each step prints its wall and processor time.
set -euo pipefail
cd "$(dirname "$0")/.."

# Processor seconds (user + system) of this shell and every child it has waited for.
cpu_seconds() {
  local stat
  read -r -a stat <"/proc/$$/stat"
  echo $(((stat[13] + stat[14] + stat[15] + stat[16]) / $(getconf CLK_TCK)))
}
step_wall=$SECONDS
step_cpu=$(cpu_seconds)
step_done() {
  local cpu
  cpu=$(cpu_seconds)
  echo "test.sh: $1: $((SECONDS - step_wall)) s wall, $((cpu - step_cpu)) s processor"
  step_wall=$SECONDS
  step_cpu=$cpu
}

scripts/install-deps.sh
step_done "packages"
scripts/build.sh
step_done "build"
# node-unrar-js: a second, independent RAR reader for the pack writer's interoperability tests.
if [ ! -d build/npm/node_modules/node-unrar-js ]; then
  npm install --prefix build/npm --no-audit --no-fund --silent node-unrar-js@2.0.2 >/dev/null
fi
step_done "npm"

# The sanitizer build. Benchmarks are left out (no test runs them). -O1 with line tables is what
# the sanitizers need for clear reports, and builds much faster than -O2 with full debug information.
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DRK17_SANITIZE=ON -DRK17_BUILD_BENCH=OFF
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")
if [ "${CI:-}" = "true" ]; then options+=(-DRK17_WERROR=ON); fi
cmake -S . -B build-asan -G Ninja "${options[@]}" >/dev/null
# Its own process group (job control on), so a failing first suite can stop it.
set -m
nice -n 19 ninja -C build-asan >build-asan/build.log 2>&1 &
asan_build=$!
set +m

export RK17_NONINTERACTIVE=1
# No test needs a sound card: SDL's dummy driver plays in real time without one.
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
if ! (cd build && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j2 "$@"); then
  kill -- -"$asan_build" 2>/dev/null || true
  wait "$asan_build" 2>/dev/null || true
  echo "test.sh: tests failed in build/" >&2
  exit 1
fi
step_done "tests"

# Two minutes of use (scripts/soak.sh, real keys under its own Xvfb): rk17 alive to the end, no
# report, no GL error, no more open descriptors than at the start. Memory growth is judged only
# by the hour-long run, which has a first pass to measure from.
if ! scripts/soak.sh 120 build; then
  kill -- -"$asan_build" 2>/dev/null || true
  wait "$asan_build" 2>/dev/null || true
  echo "test.sh: the two-minute soak failed" >&2
  exit 1
fi
step_done "soak"

if ! wait "$asan_build"; then
  cat build-asan/build.log >&2
  echo "test.sh: the sanitizer build failed" >&2
  exit 1
fi
step_done "sanitizer build (its processor time; the wall time left after the tests)"

# The Windows cross build (scripts/build-windows.sh: packages, the libraries once per version, the
# programs, the zip) starts now at the lowest priority, in a process group of its own, and takes
# the processor time the sanitizer suite leaves idle.
mkdir -p build-windows
set -m
nice -n 19 scripts/build-windows.sh >build-windows/build.log 2>&1 &
windows_build=$!
set +m

# Leak checking is off while Mesa's drivers leak at exit.
export ASAN_OPTIONS=detect_leaks=0:halt_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
if ! (cd build-asan && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j2 "$@"); then
  kill -- -"$windows_build" 2>/dev/null || true
  wait "$windows_build" 2>/dev/null || true
  echo "test.sh: tests failed in build-asan/" >&2
  exit 1
fi
step_done "sanitizer tests"

# Windows: the package's tests under Wine, against build/.
if ! wait "$windows_build"; then
  cat build-windows/build.log >&2
  echo "test.sh: the Windows build failed" >&2
  exit 1
fi
grep -E "^(build-windows|windows-libs): .*: ([0-9]+ s|cached)$" build-windows/build.log || true
step_done "Windows build (its processor time; the wall time left after the sanitizer tests)"
scripts/test-windows.sh
step_done "Windows tests"
echo "test.sh: all steps: $SECONDS s wall"
