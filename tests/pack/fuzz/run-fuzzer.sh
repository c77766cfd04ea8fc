#!/bin/sh
# Builds the pack reader's libFuzzer target with AddressSanitizer and UndefinedBehaviorSanitizer
# (clang) and runs it on a corpus seeded with the archives in ../shared/rar20.
# Usage: tests/pack/fuzz/run-fuzzer.sh [SECONDS] [WORKDIR]   (default 60 s, build-fuzz/ in the repo)
set -eu
seconds=${1:-60}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../../.." && pwd)
work=${2:-$repo/build-fuzz}
mkdir -p "$work/corpus" "$work/artifacts"
cp -n "$repo"/../shared/rar20/archives/*.rar "$work/corpus/" 2>/dev/null || true

src="$repo/src/resources"
clang++ -std=c++17 -O1 -g -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$src" \
  "$here/DataPackFuzzer.cpp" \
  "$src/DataPack.cpp" "$src/PackArchive.cpp" "$src/PackedDataSource.cpp" "$src/Rar20Cipher.cpp" \
  "$src/Rar20Unpacker.cpp" "$src/Rar20BitInput.cpp" "$src/HuffmanTable.cpp" "$src/Rar20AudioChannel.cpp" \
  -lz -o "$work/pack_fuzzer"

# -rss_limit_mb: a forged header may ask for an output of up to about 2000 times the pack's size.
"$work/pack_fuzzer" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2560 -timeout=10 \
  -artifact_prefix="$work/artifacts/" "$work/corpus"
