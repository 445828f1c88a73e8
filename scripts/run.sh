#!/usr/bin/env bash
# Installs what is needed, builds chizro and runs it on the bundled sample data.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc 2>/dev/null || echo 2)"
./build/chizro-smoke "$@"
