#!/usr/bin/env bash
# Line coverage that the fuzzing corpora reach, per harness, over the sources
# that harness is meant to exercise.
#
#   scripts/fuzz-coverage.sh [HARNESS...]
#
# Builds the harnesses with clang's source-based coverage (build-fuzz-cov),
# replays build-asan/corpus/<harness> (grown by scripts/fuzz.sh), the seeds
# and the regressions, and prints llvm-cov's summary for the harness's files.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${FUZZ_COV_BUILD:-build-fuzz-cov}
corpora=${FUZZ_BUILD:-build-asan}/corpus
jobs=$(nproc 2>/dev/null || echo 2)

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset fuzz-coverage -B "$build"
fi
cmake --build "$build" --target fuzzers -j "$jobs"

sources_of() {
  case $1 in
    comma_text) echo src/platform/comma_text.cpp ;;
    ini_file) echo src/platform/ini_file.cpp ;;
    class_defs) echo src/model/class_def.cpp ;;
    vector_reader) echo src/readers/vector/vector_builder.cpp ;;
    sdf_sheet) echo src/readers/sdf/sdf2500_builder.cpp src/readers/common/topology.cpp ;;
    ksj) echo src/readers/ksj/ksj_builder.cpp src/readers/common/topology.cpp ;;
    gkupnt) echo src/readers/gkupnt/gkupnt_builder.cpp ;;
    gps_track) echo src/readers/gps/gpswpt_builder.cpp ;;
    xml_area) echo src/readers/stcxml/stcxml_builder.cpp ;;
    enc_listing) echo src/readers/enc/enc_builder.cpp src/readers/enc/iso8211_listing.cpp ;;
    raster_header) echo src/readers/raster/raster_builder.cpp ;;
    iso8211_cell) echo tools/enc/iso8211.cpp tools/enc/s57_listing.cpp ;;
    jwc_request) echo src/output/jwc_writer.cpp src/output/output_settings.cpp ;;
    convert) echo src/model/*.cpp src/output/jwc_writer.cpp src/coords/*.cpp ;;
  esac
}

if [ $# -eq 0 ]; then
  set -- $(cd "$build/fuzz" && ls fuzz_* | grep -v '\.' | sed 's/^fuzz_//')
fi

for name in "$@"; do
  dirs=()
  for dir in "$corpora/$name" "fuzz/seeds/$name" "fuzz/regressions/$name"; do
    [ -d "$dir" ] && dirs+=("$dir")
  done
  profile="$build/$name.profraw"
  LLVM_PROFILE_FILE="$profile" "$build/fuzz/fuzz_$name" -runs=0 "${dirs[@]}" >/dev/null 2>&1 || true
  llvm-profdata merge -sparse "$profile" -o "$build/$name.profdata"
  echo "== $name"
  # shellcheck disable=SC2046
  llvm-cov report "$build/fuzz/fuzz_$name" -instr-profile="$build/$name.profdata" \
      $(sources_of "$name") | sed -n '1p;3,$p'
done
