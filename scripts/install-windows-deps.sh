#!/usr/bin/env bash
# Installs what the Windows build and its tests need beyond scripts/install-deps.sh: Debian's
# mingw-w64 cross compilers, the build tools of the libraries' sources, zip, and wine64. Adds a
# source entry (deb-src) for the running Debian release when apt has none, so that
# scripts/windows-libs.sh can fetch the libraries' source packages. Idempotent.
set -euo pipefail

PACKAGES=(mingw-w64 nlohmann-json3-dev libz-mingw-w64-dev meson nasm patch zip unzip wine64 xvfb xauth)

SUDO=
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
update=false

if ! apt-cache showsrc libsdl2 2>/dev/null | grep -q '^Version:'; then
  . /etc/os-release
  uri=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
  uri=${uri:-http://deb.debian.org/debian}
  $SUDO tee /etc/apt/sources.list.d/rk17-deb-src.sources >/dev/null <<SOURCES
Types: deb-src
URIs: $uri
Suites: $VERSION_CODENAME $VERSION_CODENAME-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  echo "install-windows-deps: added a deb-src entry for $VERSION_CODENAME"
  update=true
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ] || $update; then
  $SUDO apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-windows-deps: installing ${missing[*]}"
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
echo "install-windows-deps: done"
