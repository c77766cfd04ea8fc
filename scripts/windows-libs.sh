#!/usr/bin/env bash
# Cross-builds the libraries rk17.exe needs (SDL2, libepoxy, mpg123, FFTW single precision, libpng,
# libjpeg-turbo) as static libraries for 64-bit Windows, from Debian's own source packages, with
# Debian's mingw-w64. zlib comes from libz-mingw-w64-dev.
# The result goes into a cache folder outside the clone, named by the source versions and the
# toolchain file; each library is marked there as built by its own recipe (its shell function), so
# a second run on the same machine builds nothing, and a changed recipe rebuilds that library only.
# Prints the prefix on stdout, its progress on stderr.
# Usage: scripts/windows-libs.sh     (RK17_MINGW_CACHE picks the cache, default /var/cache/rk17-mingw)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${RK17_MINGW_CACHE:-/var/cache/rk17-mingw}
host=x86_64-w64-mingw32
toolchain=$here/cmake/MingwW64.cmake
packages=(libsdl2 libepoxy mpg123 fftw3 libpng1.6 libjpeg-turbo)
jobs=$(nproc)

# The versions Debian offers now (the source entry of scripts/install-windows-deps.sh).
versions=()
for p in "${packages[@]}"; do
  v=$(apt-cache showsrc "$p" | sed -n 's/^Version: //p' | sort -V | tail -n 1)
  [ -n "$v" ] || { echo "windows-libs: no source package $p (is the deb-src entry there?)" >&2; exit 1; }
  versions+=("$p=$v")
done
key=$( (printf '%s\n' "${versions[@]}"; cat "$toolchain") | sha256sum | cut -c1-16)
prefix=$cache/$key

src=$cache/src
work=$cache/work-$key
rm -rf "$work"
mkdir -p "$src" "$work" "$prefix"
log=$work/build.log
: >"$log"

# fetch PACKAGE VERSION: the upstream tarball and Debian's patches. Debian's mirror may lack a
# signature file, which makes apt-get report a failure though the tarball came: the tarball is
# checked against the .dsc's SHA-256 instead.
unpack() {
  local pkg=$1 ver=$2 upstream=${2#*:} dsc orig sum dir
  upstream=${upstream%-*}
  dsc=$src/${pkg}_${ver#*:}.dsc
  if [ ! -f "$dsc" ] || ! ls "$src/${pkg}_${upstream}.orig.tar."* >/dev/null 2>&1; then
    (cd "$src" && apt-get source --download-only "$pkg=$ver" >>"$log" 2>&1) || true
  fi
  orig=$(ls "$src/${pkg}_${upstream}.orig.tar."* | grep -v '\.asc$' | head -n 1)
  sum=$(awk '/^Checksums-Sha256:/{s=1;next} /^[^ ]/{s=0} s && $3==f {print $1}' f="$(basename "$orig")" "$dsc")
  echo "$sum  $orig" | sha256sum -c --quiet - || { echo "windows-libs: $orig does not match $dsc" >&2; exit 1; }
  dir=$work/$pkg
  mkdir -p "$dir"
  tar xf "$orig" -C "$dir" --strip-components=1
  local debian
  debian=$(ls "$src/${pkg}_${ver#*:}.debian.tar."* 2>/dev/null | head -n 1 || true)
  if [ -n "$debian" ]; then
    tar xf "$debian" -C "$dir"
    if [ -f "$dir/debian/patches/series" ]; then
      grep -v '^\s*#' "$dir/debian/patches/series" | while read -r patch _; do
        [ -n "$patch" ] && patch -d "$dir" -p1 -s <"$dir/debian/patches/$patch"
      done
    fi
  else
    echo "windows-libs: $pkg: no Debian patches on the mirror, building the upstream tarball" >&2
  fi
  echo "$dir"
}

cmake_lib() {
  local dir=$1
  shift
  cmake -S "$dir" -B "$dir/_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DRK17_MINGW_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >>"$log" 2>&1
  ninja -C "$dir/_build" -j "$jobs" install >>"$log" 2>&1
}

# step NAME FUNCTION: runs the recipe FUNCTION unless the prefix holds its mark.
step() {
  local start=$SECONDS mark
  mark=$prefix/.built-$2-$(declare -f "$2" unpack cmake_lib | sha256sum | cut -c1-16)
  if [ -f "$mark" ]; then
    echo "windows-libs: $1: cached" >&2
    return
  fi
  echo "windows-libs: $1 ..." >&2
  "$2"
  touch "$mark"
  echo "windows-libs: $1: $((SECONDS - start)) s" >&2
}
set -E
trap 'status=$?; tail -n 40 "$log" >&2; echo "windows-libs: failed (log: $log)" >&2; exit $status' ERR

version_of() { printf '%s\n' "${versions[@]}" | sed -n "s/^$1=//p"; }

build_sdl2() {
  local d
  d=$(unpack libsdl2 "$(version_of libsdl2)")
  cmake_lib "$d" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF
  # The program picks its subsystem itself (rk17.exe a window program, the tools console programs).
  sed -i 's/ -mwindows//' "$prefix/lib/pkgconfig/sdl2.pc"
}

build_epoxy() {
  local d
  d=$(unpack libepoxy "$(version_of libepoxy)")
  cat >"$d/cross.txt" <<EOF
[binaries]
c = '$host-gcc-posix'
ar = '$host-gcc-ar-posix'
strip = '$host-strip'
windres = '$host-windres'
pkgconfig = 'false'
[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
EOF
  meson setup "$d/_build" "$d" --cross-file "$d/cross.txt" --prefix "$prefix" --libdir lib \
    --buildtype release -Ddefault_library=static -Dtests=false -Ddocs=false -Degl=no -Dx11=false \
    >>"$log" 2>&1
  ninja -C "$d/_build" -j "$jobs" install >>"$log" 2>&1
}

build_mpg123() {
  local d
  d=$(unpack mpg123 "$(version_of mpg123)")
  # The library only, with Debian's decoders on amd64 (x86-64 and AVX, chosen at run time).
  cmake_lib "$d/ports/cmake" -DBUILD_LIBOUT123=OFF -DBUILD_PROGRAMS=OFF
}

# Static linking: mpg123's CMake port leaves the system library of its path functions out of
# libmpg123.pc. SDL's names -mwindows twice (each program picks its own subsystem) and renames
# every main to SDL_main, the tools' too; SDL.h does that for rk17.exe's entry.
fix_pkgconfig() {
  sed -i 's/^Libs.private:.*/Libs.private: -lshlwapi/' "$prefix/lib/pkgconfig/libmpg123.pc"
  sed -i 's/ -mwindows//g; s/ -Dmain=SDL_main//' "$prefix/lib/pkgconfig/sdl2.pc"
}

build_fftw() {
  local d
  d=$(unpack fftw3 "$(version_of fftw3)")
  # Debian's single-precision build on amd64: SSE and AVX kernels, picked at run time (only those
  # files are compiled for them, so the library runs on any x86-64 processor).
  (cd "$d" && ./configure --host=$host CC=$host-gcc-posix --prefix="$prefix" --enable-single --enable-sse \
    --enable-avx --with-our-malloc --disable-fortran --disable-shared --enable-static) >>"$log" 2>&1
  make -C "$d" -j "$jobs" install >>"$log" 2>&1
}

build_png() {
  local d
  d=$(unpack libpng1.6 "$(version_of libpng1.6)")
  cmake_lib "$d" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_ROOT=/usr/$host -DZLIB_LIBRARY=/usr/$host/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$host/include
}

build_jpeg() {
  local d
  d=$(unpack libjpeg-turbo "$(version_of libjpeg-turbo)")
  cmake_lib "$d" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=ON -DWITH_JPEG8=ON \
    -DCMAKE_ASM_NASM_COMPILER=nasm
}

# GLU and GL are Windows' own (glu32.dll, opengl32.dll).
write_glu() {
  mkdir -p "$prefix/lib/pkgconfig"
  cat >"$prefix/lib/pkgconfig/glu.pc" <<EOF
Name: glu
Description: Windows' GLU and OpenGL
Version: 9
Libs: -lglu32 -lopengl32
EOF
}

total=$SECONDS
step "glu" write_glu
step "SDL2 $(version_of libsdl2)" build_sdl2
step "libepoxy $(version_of libepoxy)" build_epoxy
step "mpg123 $(version_of mpg123)" build_mpg123
step "pkg-config files" fix_pkgconfig
step "libpng $(version_of libpng1.6)" build_png
step "libjpeg-turbo $(version_of libjpeg-turbo)" build_jpeg
step "FFTW $(version_of fftw3)" build_fftw
printf '%s\n' "${versions[@]}" >"$prefix/versions.txt"
rm -rf "$work"
echo "windows-libs: all libraries: $((SECONDS - total)) s" >&2
echo "$prefix"
