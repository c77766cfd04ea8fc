#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
export RK17_NONINTERACTIVE=1
cd build
xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j2 "$@"
