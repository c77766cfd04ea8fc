#!/usr/bin/env bash
# Configures and builds into build/ (the run folder is build/show).
# Usage: scripts/build.sh [NINJA_TARGET...]   (default: everything, tests included)
set -euo pipefail
cd "$(dirname "$0")/.."
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
# CI: warnings are errors, and line tables instead of full debug information (same code, a
# quicker build).
if [ "${CI:-}" = "true" ]; then
  options+=(-DRK17_WERROR=ON "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
    "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")
fi
cmake -S . -B build -G Ninja "${options[@]}" >/dev/null
ninja -C build "$@"
