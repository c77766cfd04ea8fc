#!/usr/bin/env bash
# Installs every Debian package the build, the program, the tools and the tests need.
# Idempotent: packages already present are skipped; apt-get update runs only when something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libepoxy-dev libglu1-mesa-dev libgl-dev
  libpng-dev zlib1g-dev libturbojpeg0-dev libjpeg-turbo-progs
  libmpg123-dev libfftw3-dev
  libgtest-dev googletest
  xvfb xauth xdotool mesa-utils libgl1-mesa-dri
  lame sox unar imagemagick ffmpeg
  libtinygltf-dev assimp-testmodels assimp-utils
)

# npm fetches node-unrar-js for the tests; machines that already have Node.js keep theirs.
if ! command -v npm >/dev/null 2>&1; then PACKAGES+=(nodejs npm); fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: done"
