#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under a virtual X server.
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
cd build
xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j2 "$@"
