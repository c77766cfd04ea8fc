#!/usr/bin/env bash
# Runs the libFuzzer targets of tests/fuzz (ASan + UBSan, clang).
# Usage: scripts/fuzz.sh NAME MINUTES [LIBFUZZER_OPTION...]   one target
#        scripts/fuzz.sh all MINUTES [LIBFUZZER_OPTION...]    every target in turn
#        scripts/fuzz.sh merge NAME                           add the new coverage of the work corpus to the seeds
#   builds build-fuzz/ (clang, -DRK17_FUZZ=ON) and runs fuzz_NAME at nice 19 on the work corpus
#   build-fuzz/corpus/NAME (seeded from tests/fuzz/corpus/NAME, kept between runs) for MINUTES
#   (or until an option such as -runs=N ends it), writes findings to build-fuzz/artifacts/NAME/ and
#   prints one table: target, executions, executions per second, coverage (libFuzzer's cov:),
#   corpus size, findings (crash, leak, timeout and out-of-memory inputs written by the run).
#   RK17_FUZZ_NO_BUILD=1 runs the programs as they are built (a rebuild at the same time stays apart).
#   merge adds to tests/fuzz/corpus/NAME the smallest set of work corpus files that reaches what
#   its files do not (libFuzzer -merge=1); the files already there (seeds, crash-*) stay.
set -euo pipefail
cd "$(dirname "$0")/.."
usage() {
  echo "usage: scripts/fuzz.sh NAME|all MINUTES [LIBFUZZER_OPTION...] | scripts/fuzz.sh merge NAME" >&2
  exit 2
}
[ $# -ge 2 ] || usage

targets() { for source in tests/fuzz/*.cpp; do basename "$source" .cpp; done; }

build() {
  [ "${RK17_FUZZ_NO_BUILD:-}" != 1 ] || return 0
  # clang only for fuzzing: not part of the normal dependencies.
  if ! command -v clang++ >/dev/null 2>&1; then
    apt-get update -qq && apt-get install -y -qq clang >/dev/null
  fi
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DRK17_FUZZ=ON >/dev/null
  nice -n 19 ninja -C build-fuzz "${@/#/fuzz_}"
}

# Leak checking stays on: the parsers own every allocation they make.
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

findings_in() { find "$1" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | sort; }

# run NAME MINUTES [OPTION...]: one run; appends its row to $rows and its exit status to $status.
rows=()
status=0
run() {
  local name=$1 minutes=$2
  shift 2
  local corpus=build-fuzz/corpus/$name artifacts=build-fuzz/artifacts/$name log=build-fuzz/fuzz-$name.log
  mkdir -p "$corpus" "$artifacts"
  cp -n tests/fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
  local before
  before=$(findings_in "$artifacts")
  local result=0
  nice -n 19 "build-fuzz/tests/fuzz/fuzz_$name" -max_total_time=$((minutes * 60)) -max_len=65536 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" "$corpus" >"$log" 2>&1 ||
    result=$?
  [ $result -eq 0 ] || status=$result
  local runs seconds cov rate new files bytes
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  seconds=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  rate=-
  if [ -n "$runs" ] && [ -n "$seconds" ] && [ "$seconds" -gt 0 ]; then rate=$((runs / seconds)); fi
  new=$(comm -13 <(echo "$before") <(findings_in "$artifacts") | grep -c . || true)
  files=$(find "$corpus" -maxdepth 1 -type f | wc -l)
  bytes=$(du -sk "$corpus" | cut -f1)
  rows+=("$(printf '%-14s %12s %10s %9s %14s %9s' "$name" "${runs:--}" "$rate" "${cov:--}" "$files/${bytes}K" "$new")")
  if [ "$new" -gt 0 ] || [ $result -ne 0 ]; then
    echo "fuzz.sh: $name stopped with status $result; its log: $log; findings: $artifacts" >&2
    grep -m1 -A3 'ERROR: \|runtime error' "$log" >&2 || true
  fi
}

merge() {
  local name=$1 seeds=tests/fuzz/corpus/$1 before
  build "$name"
  mkdir -p "$seeds" build-fuzz/corpus/"$name"
  before=$(find "$seeds" -type f | wc -l)
  nice -n 19 "build-fuzz/tests/fuzz/fuzz_$name" -merge=1 -max_len=65536 -timeout=10 -rss_limit_mb=2048 "$seeds" \
    build-fuzz/corpus/"$name" >build-fuzz/merge-"$name".log 2>&1
  echo "fuzz.sh merge $name: $before + $(($(find "$seeds" -type f | wc -l) - before)) files," \
    "$(find "$seeds" -type f -printf '%s\n' | awk '{s += $1} END {print int(s / 1024)}') KiB"
}

if [ "$1" = merge ]; then
  [ -f "tests/fuzz/$2.cpp" ] || usage
  merge "$2"
  exit 0
fi

what=$1
minutes=$2
shift 2
if [ "$what" = all ]; then
  mapfile -t names < <(targets)
elif [ -f "tests/fuzz/$what.cpp" ]; then
  names=("$what")
else
  echo "fuzz.sh: no target tests/fuzz/$what.cpp" >&2
  exit 2
fi
build "${names[@]}"
for name in "${names[@]}"; do
  echo "fuzz.sh: $name for $minutes min (progress in build-fuzz/fuzz-$name.log) ..." >&2
  run "$name" "$minutes" "$@"
done
printf '%-14s %12s %10s %9s %14s %9s\n' target executions "exec/s" coverage "corpus" findings
printf '%s\n' "${rows[@]}"
exit $status
