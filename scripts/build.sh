#!/usr/bin/env bash
# Configures and builds into build/ (the run folder is build/show).
# Usage: scripts/build.sh [NINJA_TARGET...]   (default: everything, tests included)
set -euo pipefail
cd "$(dirname "$0")/.."
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${CI:-}" = "true" ]; then options+=(-DRK17_WERROR=ON); fi
cmake -S . -B build -G Ninja "${options[@]}" >/dev/null
ninja -C build "$@"
