#!/usr/bin/env bash
# Installs what is needed, builds chizro and converts the bundled sample map
# sheets (samples/sdf) as JW_CAD would have them converted: a scratch program
# directory gets the definition files and the sample request file
# "JWC_TEMP.TXT", and chizro-convert writes "temp.txt" and a preview of the
# map view there. Extra arguments go to chizro-convert (e.g. --scale 5000).
# CHIZRO_BUILD_DIR names the build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${CHIZRO_BUILD_DIR:-build}

bash scripts/install-deps.sh
source scripts/ccache-env.sh
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset default -B "$build"
fi
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target chizro-convert

home=$(mktemp -d "${TMPDIR:-/tmp}/chizro-run.XXXXXX")
cp -r def "$home/def"
cp samples/JWC_TEMP.TXT "$home/JWC_TEMP.TXT"

"$build/chizro-convert" --home "$home" --folder --preview "$home/preview.png" "$@" samples/sdf

echo "request:  $home/JWC_TEMP.TXT"
echo "result:   $home/temp.txt"
echo "preview:  $home/preview.png"
