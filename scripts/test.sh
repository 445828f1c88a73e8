#!/usr/bin/env bash
# Installs what is needed, builds from scratch and runs every test twice: once
# in a normal build and once under AddressSanitizer + UndefinedBehaviorSanitizer
# (the "default" and "asan" presets of CMakePresets.json).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
source scripts/ccache-env.sh

jobs=$(nproc 2>/dev/null || echo 2)

cmake --preset default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"
