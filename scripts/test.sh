#!/usr/bin/env bash
# Installs what is needed, builds from scratch and runs every test twice: once
# in a normal build and once under AddressSanitizer + UndefinedBehaviorSanitizer
# (the "default" and "asan" presets of CMakePresets.json).
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
phase ctest --preset asan -j "$jobs"
