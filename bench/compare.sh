#!/usr/bin/env bash
# Runs chizro-convert beside GDAL's ogr2ogr (Debian package gdal-bin) on the
# same data and prints wall times, peak memory and the ratios:
#   - the generated 50 MB FGD building file (bench/fgd_gen.py) → temp.txt,
#     and with ogr2ogr → DXF;
#   - the generated city (tools/sdfgen, as bench/convert_city.sh makes it) →
#     temp.txt, and its linework as GeoJSON (bench/city_geojson.py) → DXF
#     with ogr2ogr;
#   - the I/O floor of the city: reading its files and writing as many bytes
#     as chizro's temp.txt;
#   - a generated PLATEAU building set (bench/plateau_gen.py: 300 MB of
#     CityGML in 60 files of a city's zip) → temp.txt, and each of its files
#     with ogr2ogr → DXF (GDAL reads one GML file at a time: one ogr2ogr per
#     file, its solids written as polygons);
#   - a lighter city of the same sheets (sdfgen --density, default 0.3: about
#     a third of the dense city's figures) → temp.txt, against its own I/O
#     floor only (ogr2ogr is left out there: it would take a minute).
# Each is run RUNS times (default 3); the figures are the fastest and the
# slowest run. Nothing here is part of the build or the tests.
#
#   bash bench/compare.sh [BUILD_DIR]
#
# CHIZRO_CITY_SHEETS (default 10x10) sets the size of both cities,
# CHIZRO_CITY_DENSITY (default 1) the density of the first,
# CHIZRO_LIGHT_DENSITY (default 0.3; empty: no light city) that of the second.
# CHIZRO_PLATEAU_MB (default 300; empty: no PLATEAU row) the size of the
# building set; CHIZRO_COMPARE_ONLY=plateau runs that row alone.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
runs=${RUNS:-3}
sheets=${CHIZRO_CITY_SHEETS:-10x10}
density=${CHIZRO_CITY_DENSITY:-1}
light=${CHIZRO_LIGHT_DENSITY-0.3}
plateau_mb=${CHIZRO_PLATEAU_MB-300}
only=${CHIZRO_COMPARE_ONLY:-}
work=${CHIZRO_COMPARE_DIR:-${TMPDIR:-/tmp}/chizro-compare}
# The folder of the city of a density (the dense one keeps its old name).
city_dir() {
  if [ "$1" = 1 ]; then echo "${TMPDIR:-/tmp}/chizro-city-$sheets"; else echo "${TMPDIR:-/tmp}/chizro-city-$sheets-d$1"; fi
}
city=${CHIZRO_CITY_DIR:-$(city_dir "$density")}
light_city=$(city_dir "$light")

for tool in /usr/bin/time ogr2ogr python3; do
  command -v "$tool" > /dev/null || { echo "compare.sh: $tool is missing" >&2; exit 1; }
done
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset bench -B "$build"
fi
cmake --build "$build" -j 2 --target chizro-convert sdfgen

mkdir -p "$work"
fgd="$work/FG-GML-533946-BldA-20230101-0001.xml"
[ -f "$fgd" ] || python3 bench/fgd_gen.py "$fgd"
make_city() {  # folder, density
  if [ ! -f "$1/.complete" ]; then
    rm -rf "$1"
    "$build/tools/sdfgen/sdfgen" --out "$1" --sheets "$sheets" --density "$2" > /dev/null
    touch "$1/.complete"
  fi
}
if [ -z "$only" ]; then
  make_city "$city" "$density"
  [ -z "$light" ] || make_city "$light_city" "$light"
  if [ "$density" = 1 ]; then geojson="$work/city-$sheets.geojson"; else geojson="$work/city-$sheets-d$density.geojson"; fi
  [ -f "$geojson" ] || python3 bench/city_geojson.py "$city" "$geojson"
fi
plateau="$work/plateau-$plateau_mb.zip"
[ -z "$plateau_mb" ] || [ -f "$plateau" ] || python3 bench/plateau_gen.py "$plateau" "$plateau_mb" 60

home="$work/home"
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

# The I/O floor: every byte of the city read, and as many bytes as the
# result written, without any work between.
floor_city=(bash -c 'find "$1" -type f -exec cat {} + > /dev/null && head -c "$2" /dev/zero > "$3"'
  floor)

row() {  # name, chizro "min max MB", other "min max MB", other's name
  read -r cmin cmax cmb <<< "$2"
  read -r omin omax omb <<< "$3"
  printf '%-6s chizro %5.2f-%5.2f s %4s MB | %-9s %6.2f-%6.2f s %4s MB | ' \
    "$1" "$cmin" "$cmax" "$cmb" "$4" "$omin" "$omax" "$omb"
  if [ "$4" = "I/O floor" ]; then
    awk -v a="$cmin" -v b="$cmax" -v f="$omin" 'BEGIN { printf "chizro %.1f-%.1fx the floor\n", a / f, b / f }'
  else
    awk -v a="$cmin" -v b="$cmax" -v lo="$omin" -v hi="$omax" \
      'BEGIN { printf "chizro faster %.1f-%.1fx\n", lo / b, hi / a }'
  fi
}

echo "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), $runs runs each"
if [ -n "$plateau_mb" ]; then
  # Every CityGML member of the zip, each converted by its own ogr2ogr.
  ogr_plateau=(bash -c 'for m in $(unzip -Z1 "$1" | grep "\.gml$"); do
      ogr2ogr -f DXF -skipfailures -nlt MULTIPOLYGON -dim XY "$2" "/vsizip/$1/$m" 2> /dev/null; done'
    ogr "$plateau" "$work/plateau.dxf")
  c=$(measure "$build/chizro-convert" --home "$home" --kind 54 "$plateau")
  o=$(measure "${ogr_plateau[@]}")
  row PLATEAU "$c" "$o" ogr2ogr
  bytes=$(unzip -l "$plateau" | awk '/\.gml$/ { n += $1 } END { print n }')
  read -r cmin _ _ <<< "$c"
  awk -v b="$bytes" -v t="$cmin" 'BEGIN { printf "PLATEAU %.0f MB of CityGML: chizro %.0f MB/s (fastest run)\n", b / 1e6, b / 1e6 / t }'
fi
[ "$only" != plateau ] || exit 0
c=$(measure "$build/chizro-convert" --home "$home" --kind 52 "$fgd")
o=$(measure ogr2ogr -f DXF "$work/fgd.dxf" "$fgd")
row FGD "$c" "$o" ogr2ogr
c=$(measure "$build/chizro-convert" --home "$home" --folder "$city")
f=$(measure "${floor_city[@]}" "$city" "$(stat -c %s "$home/temp.txt")" "$work/floor.out")
o=$(measure ogr2ogr -f DXF "$work/city.dxf" "$geojson")
row city "$c" "$o" ogr2ogr
row city "$c" "$f" "I/O floor"
if [ -n "$light" ]; then
  c=$(measure "$build/chizro-convert" --home "$home" --folder "$light_city")
  f=$(measure "${floor_city[@]}" "$light_city" "$(stat -c %s "$home/temp.txt")" "$work/floor.out")
  row light "$c" "$f" "I/O floor"
fi
# The Shapefile and GeoJSON readers against ogr2ogr (bench/shape_compare.sh).
[ -n "${CHIZRO_NO_SHAPE:-}" ] || bash bench/shape_compare.sh "$build"
