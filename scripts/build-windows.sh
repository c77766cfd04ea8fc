#!/usr/bin/env bash
# Cross-builds rk17.exe and vddpack.exe for 64-bit Windows with Debian's mingw-w64 into
# build-windows/, and packs build-windows/velmor-drift-windows.zip: the programs, the show's data
# (data.vdd and rk17.mp3 from the native build's run folder build/show/) and a README.
# Installs what is missing and builds the native run folder first when needed. The libraries are
# cross-built once per version into a cache outside the clone (scripts/windows-libs.sh).
# Each step prints its wall time.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=$root/build-windows
step_wall=$SECONDS
step_done() {
  echo "build-windows: $1: $((SECONDS - step_wall)) s"
  step_wall=$SECONDS
}

scripts/install-deps.sh >/dev/null
scripts/install-windows-deps.sh >/dev/null
step_done "packages"
# The show's data comes from the native build (its generators run on the build machine).
scripts/build.sh show >/dev/null
step_done "native run folder"
prefix=$(scripts/windows-libs.sh | tail -n 1)
step_done "libraries"

mkdir -p "$out"
# pkg-config for the cross build: the cached libraries and Debian's mingw-w64 zlib, linked statically.
cat >"$out/pkg-config" <<EOF
#!/bin/sh
PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig:/usr/x86_64-w64-mingw32/lib/pkgconfig" PKG_CONFIG_PATH= exec pkg-config --static "\$@"
EOF
chmod +x "$out/pkg-config"
options=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/MingwW64.cmake" -DRK17_MINGW_PREFIX="$prefix"
  -DPKG_CONFIG_EXECUTABLE="$out/pkg-config" -DRK17_BUILD_TESTS=OFF -DRK17_BUILD_BENCH=OFF
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"
  "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG" -DCMAKE_EXE_LINKER_FLAGS=-s)
if [ "${CI:-}" = "true" ]; then options+=(-DRK17_WERROR=ON); fi
# A fresh configure each time, so pkg-config's answers follow the cached libraries.
rm -f "$out/CMakeCache.txt"
cmake -S . -B "$out" -G Ninja "${options[@]}" >/dev/null
ninja -C "$out" rk17 vddpack
step_done "programs"

package=$out/package/velmor-drift
rm -rf "$out/package" "$out/velmor-drift-windows.zip"
mkdir -p "$package"
cp "$out/rk17.exe" "$out/tools/vddpack/vddpack.exe" build/show/data.vdd build/show/rk17.mp3 "$package/"
# Windows line ends, so Notepad shows the README's lines.
sed 's/$/\r/' scripts/windows/README.txt >"$package/README.txt"
(cd "$out/package" && zip -q -r -X "$out/velmor-drift-windows.zip" velmor-drift)
step_done "package"
echo "build-windows: $out/velmor-drift-windows.zip"
unzip -l "$out/velmor-drift-windows.zip" | sed 's/^/  /'
