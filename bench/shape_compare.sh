#!/usr/bin/env bash
# Converts a generated 200 MB Shapefile and a generated 500 MB GeoJSON file
# (bench/shape_gen.py) with chizro-convert to temp.txt and with GDAL's
# ogr2ogr to DXF, in the same run, and prints the wall times, the rate
# (MB/s of input), the peak resident memory and the ratios. Each is run RUNS
# times (default 3); the figures are the fastest and the slowest run.
#
#   bash bench/shape_compare.sh [BUILD_DIR, default build-bench]
#
# CHIZRO_SHP_MB and CHIZRO_GEOJSON_MB set the sizes (default 200 and 500).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
runs=${RUNS:-3}
work=${CHIZRO_COMPARE_DIR:-${TMPDIR:-/tmp}/chizro-compare}
shp_mb=${CHIZRO_SHP_MB:-200}
json_mb=${CHIZRO_GEOJSON_MB:-500}
for tool in /usr/bin/time ogr2ogr python3; do
  command -v "$tool" > /dev/null || { echo "shape_compare.sh: $tool is missing" >&2; exit 1; }
done
[ -x "$build/chizro-convert" ] || cmake --build "$build" -j 2 --target chizro-convert

mkdir -p "$work"
shp="$work/A29-$shp_mb.shp"
json="$work/N03-$json_mb.geojson"
[ -f "$shp" ] || python3 bench/shape_gen.py shp "$shp" "$shp_mb"
[ -f "$json" ] || python3 bench/shape_gen.py json "$json" "$json_mb"
home="$work/home-shape"
rm -rf "$home"
mkdir -p "$home"
cp -r def "$home/def"
cp samples/JWC_TEMP.TXT "$home/JWC_TEMP.TXT"

# Runs a command RUNS times; prints "min max peak_MB" of the wall times.
measure() {
  local log="$work/time.log" times=() peak=0
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %M" -o "$log" "$@" > /dev/null 2>&1
    read -r t kb < <(tail -1 "$log")
    times+=("$t")
    [ "$kb" -gt "$peak" ] && peak=$kb
  done
  printf '%s\n' "${times[@]}" | sort -g | awk -v peak="$peak" \
    'NR == 1 { min = $1 } { max = $1 } END { printf "%.2f %.2f %.0f\n", min, max, peak / 1024 }'
}

row() {  # name, input MB, chizro "min max MB", ogr2ogr "min max MB"
  read -r cmin cmax cmb <<< "$3"
  read -r omin omax omb <<< "$4"
  awk -v n="$1" -v mb="$2" -v a="$cmin" -v b="$cmax" -v cm="$cmb" -v lo="$omin" -v hi="$omax" -v om="$omb" \
    'BEGIN { printf "%-8s %4.0f MB | chizro %6.2f-%6.2f s %6.1f MB/s %5s MB | ogr2ogr %6.2f-%6.2f s %6.1f MB/s %5s MB | chizro faster %.1f-%.1fx\n",
             n, mb, a, b, mb / a, cm, lo, hi, mb / lo, om, lo / b, hi / a }'
}

size_mb() { du -cmL "$@" | tail -1 | cut -f1; }
echo "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), $runs runs each"
c=$(measure "$build/chizro-convert" --home "$home" "$shp")
o=$(measure ogr2ogr -f DXF "$work/shp.dxf" "$shp")
row SHP "$(size_mb "${shp%.shp}".shp "${shp%.shp}".shx "${shp%.shp}".dbf)" "$c" "$o"
c=$(measure "$build/chizro-convert" --home "$home" "$json")
o=$(measure ogr2ogr -f DXF "$work/json.dxf" "$json")
row GeoJSON "$(size_mb "$json")" "$c" "$o"
