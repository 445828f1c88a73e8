#!/usr/bin/env bash
# Converts the bundled samples and one map of every fixture kind with a given
# chizro-convert and keeps each "temp.txt" (or the failure) in OUT, so that
# two builds can be compared byte for byte:
#
#   bash scripts/convert-fixtures.sh build/chizro-convert /tmp/a
#   bash scripts/convert-fixtures.sh other/chizro-convert /tmp/b
#   diff -r /tmp/a /tmp/b
#
# OUT/<case>.txt is the result file, OUT/<case>.status the exit status and
# the converter's messages (the timing of the summary line is cut out).
# A Windows converter (chizro-convert.exe) runs under Wine.
set -uo pipefail
cd "$(dirname "$0")/.."

convert=$(realpath "$1")
runner=()
case "$convert" in *.exe) runner=(wine) ;; esac
out=$2
mkdir -p "$out"
out=$(realpath "$out")
data=tests/data

# case name | options | maps
cases=(
  "samples-folder|--folder|samples/sdf"
  "samples-sheet||samples/sdf/09LD183/09LD183.txt"
  "samples-5000|--folder --scale 5000|samples/sdf"
  "sdf-disc|--folder|$data/sdf/disc"
  "ksj-n03|--kind 21|$data/ksj/N03-85_13_sample.txt"
  "ksj-c23|--kind 21|$data/ksj/C23-83_13_sample.txt"
  "ksj-ledger|--kind 21|$data/ksj/KS-META-N03-85_13.txt"
  "gkupnt-new|--kind 22|$data/gkupnt/13101-17.0a_chiyoda.csv"
  "gkupnt-old|--kind 22|$data/gkupnt/13102_old.csv"
  "xml-sjis|--kind 51|$data/xml/chiyoda_sjis.xml"
  "xml-other|--kind 51|$data/xml/other_schema.xml"
  "fgd-bldA|--kind 52|$data/fgd/FG-GML-533946-BldA-20230101-0001.xml"
  "fgd-elev|--kind 52|$data/fgd/FG-GML-533946-ElevPt-20230101-0001.xml"
  "fgd-plane|--kind 52|$data/fgd/FG-GML-533946-SBBdry-20230101-x9.xml"
  "fgd-folder|--kind 52 --folder|$data/fgd"
  "enc-cut|--kind 61|$data/enc/cut_by_limit.txt"
  "enc-empty|--kind 61|$data/enc/no_features.txt"
  "raster|--kind 81|$data/raster/tokyo.bmp"
  "gps-tokyo|--kind 91|$data/gps/track_tokyo_dm.txt"
  "gps-wgs84|--kind 91|$data/gps/track_wgs84.txt"
  "gps-two-dm|--kind 91|$data/gps/two_tracks_dm.txt"
  "gps-two-dms|--kind 91|$data/gps/two_tracks_dms.txt"
  "gps-waypoints|--kind 91|$data/gps/waypoints_only.txt"
  "mixed-zone7|--zone 7|samples/sdf/09LD184/09LD184.txt"
)

for c in "${cases[@]}"; do
  IFS='|' read -r name options maps <<<"$c"
  home=$(mktemp -d "${TMPDIR:-/tmp}/chizro-fixture.XXXXXX")
  cp -r def "$home/def"
  cp samples/JWC_TEMP.TXT "$home/JWC_TEMP.TXT"
  # shellcheck disable=SC2086
  "${runner[@]}" "$convert" --home "$home" $options $maps >"$home/stdout" 2>"$home/stderr"
  status=$?
  if [ ${#runner[@]} -gt 0 ]; then
    # Redirected, the Windows converter writes in the console's code page
    # (932 under the Japanese locale the Windows tests run in).
    for stream in stdout stderr; do
      iconv -f CP932 -t UTF-8 "$home/$stream" >"$home/$stream.utf8" && mv "$home/$stream.utf8" "$home/$stream"
    done
  fi
  {
    echo "exit $status"
    # A Windows converter ends its console lines with CR LF and names the
    # folder as Wine's drive Z: sees it; both are cut to the Linux form.
    sed -E 's/\r$//; s/、[0-9.e+-]+ 秒/、? 秒/; s|'"$home"'|HOME|g; s|Z:'"${home//\//\\\\}"'|HOME|g' \
      "$home/stdout" "$home/stderr"
  } >"$out/$name.status"
  if [ -f "$home/temp.txt" ]; then cp "$home/temp.txt" "$out/$name.txt"; fi
  rm -rf "$home"
done
echo "converted ${#cases[@]} cases into $out"
