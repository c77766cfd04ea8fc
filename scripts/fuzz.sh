#!/usr/bin/env bash
# Runs one libFuzzer target of tests/fuzz (ASan + UBSan, clang) for a number of minutes.
# Usage: scripts/fuzz.sh NAME MINUTES [LIBFUZZER_OPTION...]
#   builds build-fuzz/ (clang, -DRK17_FUZZ=ON), runs fuzz_NAME at nice 19 on the work corpus
#   build-fuzz/corpus/NAME (seeded from tests/fuzz/corpus/NAME, kept between runs), writes crashes
#   to build-fuzz/artifacts/NAME/ and prints the executions per second at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 2 ]; then
  echo "usage: scripts/fuzz.sh NAME MINUTES [LIBFUZZER_OPTION...]" >&2
  exit 2
fi
name=$1
minutes=$2
shift 2
if [ ! -f "tests/fuzz/$name.cpp" ]; then
  echo "fuzz.sh: no target tests/fuzz/$name.cpp" >&2
  exit 2
fi
# clang only for fuzzing: not part of the normal dependencies.
if ! command -v clang++ >/dev/null 2>&1; then
  apt-get update -qq && apt-get install -y -qq clang >/dev/null
fi
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DRK17_FUZZ=ON >/dev/null
nice -n 19 ninja -C build-fuzz "fuzz_$name"

corpus=build-fuzz/corpus/$name
artifacts=build-fuzz/artifacts/$name
log=build-fuzz/fuzz-$name.log
mkdir -p "$corpus" "$artifacts"
cp -n tests/fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
# Leak checking stays on: the parsers own every allocation they make.
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
status=0
nice -n 19 "build-fuzz/tests/fuzz/fuzz_$name" -max_total_time=$((minutes * 60)) -max_len=65536 -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" "$corpus" 2>&1 | tee "$log" ||
  status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
seconds=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
if [ -n "$runs" ] && [ -n "$seconds" ] && [ "$seconds" -gt 0 ]; then
  echo "fuzz $name: $runs executions in $seconds s: $((runs / seconds)) executions per second"
fi
echo "fuzz $name: corpus $(ls "$corpus" | wc -l) files; artifacts in $artifacts: $(ls "$artifacts" | wc -l)"
exit $status
