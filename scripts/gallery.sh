#!/usr/bin/env bash
# Captures one frame of every section of the show and writes it small (200 x 150 JPEG) into
# docs/gallery/, for the README's gallery. Run after scripts/build.sh; needs no display.
# Usage: scripts/gallery.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
show="$root/${1:-build}/show"
out="$root/docs/gallery"
# name:time in ms, one frame inside each section, in show order, away from the flashes on the
# beats (the README's table lists them; tests/program/ShowProgramTest.cpp uses the same times).
sections=(
  title:5750 plasma:14750 tiles:27750 rings:43750 mosaic:53750 rotozoom:62750
  strands:72750 tentacles:78750 machine:88750 grid:93750 head:104750 scope:111750
  flower:121750 city:125750 garden:129750 hall:133750 tunnel:137750 orbit:141750
  glide:145750 ring:149750 cloud:156750 credits:163750
)
[ -x "$show/rk17" ] || { echo "gallery: $show/rk17 is missing: run scripts/build.sh first" >&2; exit 1; }
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
mkdir -p "$out"
for entry in "${sections[@]}"; do
  name=${entry%%:*}
  ms=${entry#*:}
  (cd "$show" && RK17_NONINTERACTIVE=1 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
    ./rk17 --capture "$frames/$name" --fps 1 --from "$ms" --to "$ms")
  convert "$frames/$name/frame-000000.png" -resize 200x150 -strip -quality 82 "$out/$name.jpg"
  echo "$out/$name.jpg ($ms ms)"
done
du -ch "$out"/*.jpg | tail -n 1
