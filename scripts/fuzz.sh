#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each one for a fixed time.
#
#   scripts/fuzz.sh [SECONDS] [HARNESS...]
#
# SECONDS per harness (default 20); no HARNESS runs them all. Environment:
#   FUZZ_RUNS=N     stop a harness after N inputs as well (whichever comes first)
#   FUZZ_JOBS=N     harnesses run side by side (default: number of cores)
#   FUZZ_BUILD=DIR  build directory (default build-asan, the sanitized tree the
#                   tests also run in)
#   FUZZ_ARGS="..." further libFuzzer flags, e.g. -use_value_profile=1
#
# Each harness keeps its corpus in $FUZZ_BUILD/corpus/<harness> (it grows
# from run to run), starts from fuzz/seeds/<harness> and fuzz/regressions/<harness>,
# uses fuzz/dict/<harness>.dict when present, and writes what it finds to
# $FUZZ_BUILD/artifacts/<harness>/. Limits: 1024 MB resident, 512 MB per
# allocation, 2 s per input. The script fails when any harness finds a crash,
# a leak, a hang or an oversized allocation; the log of every harness is in
# $FUZZ_BUILD/logs/<harness>.log.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true
build=${FUZZ_BUILD:-build-asan}
jobs=${FUZZ_JOBS:-$(nproc 2>/dev/null || echo 2)}

source scripts/ccache-env.sh
# The harnesses are part of the "asan" preset's tree.
[ -f "$build/CMakeCache.txt" ] || cmake --preset asan -B "$build"
cmake --build "$build" --target fuzzers -j "$jobs"

if [ $# -eq 0 ]; then
  set -- $(cd "$build/fuzz" && ls fuzz_* | grep -v '\.' | sed 's/^fuzz_//')
fi

mkdir -p "$build/logs"
run_one() {
  local name=$1 build=$2 seconds=$3
  local corpus="$build/corpus/$name" artifacts="$build/artifacts/$name/"
  mkdir -p "$corpus" "$artifacts"
  local args=(-rss_limit_mb=1024 -malloc_limit_mb=512 -timeout=2 -max_total_time="$seconds"
              -print_final_stats=1 -artifact_prefix="$artifacts")
  [ -n "${FUZZ_RUNS:-}" ] && args+=(-runs="$FUZZ_RUNS")
  # shellcheck disable=SC2206
  [ -n "${FUZZ_ARGS:-}" ] && args+=($FUZZ_ARGS)
  [ -f "fuzz/dict/$name.dict" ] && args+=(-dict="fuzz/dict/$name.dict")
  local dirs=("$corpus")
  for kind in seeds regressions; do
    [ -d "fuzz/$kind/$name" ] && dirs+=("fuzz/$kind/$name")
  done
  local log="$build/logs/$name.log"
  if "$build/fuzz/fuzz_$name" "${args[@]}" "${dirs[@]}" >"$log" 2>&1; then
    local execs cov corp
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1)
    corp=$(grep -o 'corp: [0-9]*' "$log" | tail -1)
    printf '%-16s ok    %10s inputs  %s  %s units\n' "$name" "$execs" "$cov" "$corp"
  else
    printf '%-16s FAILED, see %s\n' "$name" "$log"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)' "$log" | head -5
    return 1
  fi
}
export -f run_one
export FUZZ_RUNS="${FUZZ_RUNS:-}" FUZZ_ARGS="${FUZZ_ARGS:-}"

printf '%s\n' "$@" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ {} "$build" "$seconds"
