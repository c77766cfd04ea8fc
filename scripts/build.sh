#!/usr/bin/env bash
# Configures and builds everything into build/ (the run folder is build/show).
set -euo pipefail
cd "$(dirname "$0")/.."
extra=()
if [ "${CI:-}" = "true" ]; then extra+=(-DRK17_WERROR=ON); fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" "$@" >/dev/null
ninja -C build
