#!/usr/bin/env bash
# Converts the generated dense city (10 x 10 sheets of the 1:2500 SDF map,
# folder mode) with chizro-convert and reports the wall time, figures and
# vertices per second and the peak memory. The target (bench/README.md) is
# under 2 s on 2 cores.
#
#   bash bench/convert_city.sh [BUILD_DIR]
#
# BUILD_DIR (default build-bench) is configured as a Release build if it has
# no cache yet. The city is generated once with tools/sdfgen into
# $CHIZRO_CITY_DIR (default: ${TMPDIR:-/tmp}/chizro-city-<sheets>, with
# "-d<density>" for another density) and kept for later runs;
# CHIZRO_CITY_SHEETS (default 10x10) sets its size, CHIZRO_CITY_DENSITY
# (default 1, the dense city; 0.3 gives the lighter city of bench/README.md)
# its density.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
sheets=${CHIZRO_CITY_SHEETS:-10x10}
density=${CHIZRO_CITY_DENSITY:-1}
if [ "$density" = 1 ]; then
  city=${CHIZRO_CITY_DIR:-${TMPDIR:-/tmp}/chizro-city-$sheets}
else
  city=${CHIZRO_CITY_DIR:-${TMPDIR:-/tmp}/chizro-city-$sheets-d$density}
fi

if [ ! -x /usr/bin/time ]; then
  echo "convert_city.sh: /usr/bin/time is missing (Debian package: time)" >&2
  exit 1
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset bench -B "$build"
fi
cmake --build "$build" -j 2 --target chizro-convert sdfgen

if [ ! -f "$city/.complete" ]; then
  echo "generating the $sheets city (density $density) into $city"
  rm -rf "$city"
  "$build/tools/sdfgen/sdfgen" --out "$city" --sheets "$sheets" --density "$density"
  touch "$city/.complete"
fi

home=$(mktemp -d "${TMPDIR:-/tmp}/chizro-bench.XXXXXX")
trap 'rm -rf "$home"' EXIT
cp -r def "$home/def"
cp samples/JWC_TEMP.TXT "$home/JWC_TEMP.TXT"

/usr/bin/time -v -o "$home/time.log" \
  "$build/chizro-convert" --home "$home" --folder "$city" > "$home/summary.txt"

summary=$(cat "$home/summary.txt")
figures=$(sed -n 's/.*図形 \([0-9]*\)、.*/\1/p' <<< "$summary")
vertices=$(sed -n 's/.*頂点 \([0-9]*\) を.*/\1/p' <<< "$summary")
# "Elapsed (wall clock) time (h:mm:ss or m:ss): 0:06.50"
wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$home/time.log" |
  awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
user=$(sed -n 's/.*User time (seconds): //p' "$home/time.log")
sys=$(sed -n 's/.*System time (seconds): //p' "$home/time.log")
rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$home/time.log")
bytes=$(stat -c %s "$home/temp.txt")
input=$(du -sb --exclude=.complete "$city" | cut -f1)

echo "$summary"
awk -v wall="$wall" -v user="$user" -v sys="$sys" -v f="$figures" -v v="$vertices" \
  -v rss="$rss" -v bytes="$bytes" -v sheets="$sheets" -v input="$input" 'BEGIN {
  printf "city %s: %.2f s wall (%.2f s user, %.2f s system), %.0f figures/s, %.0f vertices/s,\n",
    sheets, wall, user, sys, f / wall, v / wall
  printf "%.0f MB of SDF read at %.0f MB/s; peak memory %.0f MB, temp.txt %.0f MB (target: under 2 s on 2 cores)\n",
    input / 1048576, input / 1048576 / wall, rss / 1024, bytes / 1048576
}'
