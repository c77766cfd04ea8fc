#!/usr/bin/env bash
# Installs what is missing, builds, and plays the show from the run folder build/show.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh show
cd build/show
exec ./rk17 "$@"
