#!/usr/bin/env bash
# Installs what is needed, builds from scratch and runs every test twice: once
# in a normal build (GCC) and once under AddressSanitizer +
# UndefinedBehaviorSanitizer (clang, in the tree that scripts/fuzz.sh fuzzes
# in too): the "default" and "asan" presets of CMakePresets.json. `ctest
# --preset asan` runs the latter a process per test, as the normal build's run
# does.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
source scripts/ccache-env.sh

jobs=$(nproc 2>/dev/null || echo 2)
# Each phase's time, for seeing where a run spends it.
phase() {
  local start=$SECONDS
  "$@"
  printf '== %s: %d s\n' "$*" $((SECONDS - start)) >&2
}

phase cmake --preset default
phase cmake --build --preset default -j "$jobs"
phase ctest --preset default -j "$jobs"

phase cmake --preset asan
phase cmake --build --preset asan -j "$jobs"
# Under the sanitizers each test binary runs once, all its tests in one
# process (about 20 s, against nearly three minutes for a process per test
# through ctest, which the normal build above does).
sanitized_tests() {
  local t
  for t in chizro_tests chizro_qt_tests chizro_app_tests; do
    [ -x "build-asan/tests/$t" ] || continue
    echo "== build-asan/tests/$t"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 QT_QPA_PLATFORM=offscreen \
      "build-asan/tests/$t" --gtest_brief=1
  done
}
phase sanitized_tests
