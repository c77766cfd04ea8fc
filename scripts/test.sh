#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under a virtual X server; then builds
# again with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and runs every test
# there too, stopping at the first finding. Extra arguments go to both ctest runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
# node-unrar-js: a second, independent RAR reader for the pack writer's interoperability tests.
if [ ! -d build/npm/node_modules/node-unrar-js ]; then
  npm install --prefix build/npm --no-audit --no-fund --silent node-unrar-js@2.0.2 >/dev/null
fi
export RK17_NONINTERACTIVE=1
# No test needs a sound card: SDL's dummy driver plays in real time without one.
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
(cd build && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j2 "$@")

# The sanitizer run. Benchmarks are left out (no test runs them); leak checking is off while
# Mesa's drivers leak at exit.
# -O1 with line tables is what the sanitizers need for clear reports, and builds much faster than
# -O2 with full debug information.
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DRK17_SANITIZE=ON -DRK17_BUILD_BENCH=OFF
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")
if [ "${CI:-}" = "true" ]; then options+=(-DRK17_WERROR=ON); fi
cmake -S . -B build-asan -G Ninja "${options[@]}" >/dev/null
ninja -C build-asan
export ASAN_OPTIONS=detect_leaks=0:halt_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
(cd build-asan && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j2 "$@")
