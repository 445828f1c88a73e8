#!/usr/bin/env bash
# Builds the Windows package (scripts/build-windows.sh) and tests it under
# Wine on this Debian machine:
#  1. the unit tests built for Windows;
#  2. chizro-convert.exe on the samples and on every fixture kind, each
#     "temp.txt" compared byte for byte with the Linux converter's;
#  3. a sheet inside a folder with a Japanese name, the program itself inside
#     another one;
#  4. chizro.exe on a virtual display: a sample sheet opened through the real
#     open dialog, the output button pressed, "temp.txt" checked, and
#     screenshots of the main window and of the settings dialog; then a KSJ
#     road file opened by its content (screenshot with the status line) and
#     an FGD zip of several files (screenshot of its progress window);
#  5. the 位置合わせ dialog: a 公共座標 地図XML and a 任意座標 copy whose
#     sidecar names a point the map lacks (so it opens unplaced), the dialog
#     from the map's context menu starting with the sidecar's other points
#     (screenshot), OK, and the sidecar rewritten by the dialog; then the
#     dialog over the placed map, cancelled (screenshots).
#
# The window runs with CHIZRO_TEST_OPEN_STEP_MS set: each step of an open's
# progress window stays that long on the screen, so that the screenshot
# catches the progress of a small zip. Only the zip's open has such steps.
#
# Wine runs in a fresh prefix under the build folder, with a Japanese locale
# (so that the Windows code page is 932, as on a Japanese Windows) and the
# IPA fonts standing in for "MS PGothic".
#
# Usage: scripts/test-windows.sh [build folder, default build-windows]
# The Linux converter to compare with is build/chizro-convert (built when
# missing).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT="$(mkdir -p "${1:-$ROOT/build-windows}" && cd "${1:-$ROOT/build-windows}" && pwd)"
BUILD="$OUT/chizro"
STAGE="$OUT/package/chizro"
RESULTS="$OUT/test"
SHOTS="$RESULTS/screenshots"
LINUX_CONVERT="$ROOT/build/chizro-convert"

log() { printf '== %s\n' "$*" >&2; }
fail() { printf 'FAIL: %s\n' "$*" >&2; exit 1; }

install_packages() {
  bash "$ROOT/scripts/apt-install.sh" xvfb xdotool x11-apps imagemagick fonts-ipafont-gothic locales
}

# A Wine prefix of our own, Japanese, with fonts for the window.
setup_wine() {
  export WINEPREFIX="$OUT/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
  # A Japanese locale generated into the build folder: Wine takes its code
  # page (932) from it.
  if [ ! -d "$OUT/locale/ja_JP.UTF-8" ]; then
    mkdir -p "$OUT/locale"
    localedef -i ja_JP -f UTF-8 "$OUT/locale/ja_JP.UTF-8"
  fi
  export LOCPATH="$OUT/locale" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  if [ ! -f "$WINEPREFIX/chizro-ready" ]; then
    log "Wine prefix"
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    local face
    for face in "MS PGothic" "ＭＳ Ｐゴシック" "MS Gothic" "ＭＳ ゴシック" "MS UI Gothic"; do
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d IPAPGothic /f >/dev/null 2>&1
    done
    wineserver -w
    touch "$WINEPREFIX/chizro-ready"
  fi
}

unit_tests() {
  log "unit tests under Wine"
  if [ "$BUILD" = "$ROOT/build-windows/chizro" ]; then
    (cd "$ROOT" && ctest --preset windows)
  else
    ctest --test-dir "$BUILD" --output-on-failure -j1
  fi
}

# Converts every fixture case with both converters and compares.
compare_fixtures() {
  log "converter: Windows against Linux on every fixture"
  rm -rf "$RESULTS/linux" "$RESULTS/windows"
  bash "$ROOT/scripts/convert-fixtures.sh" "$LINUX_CONVERT" "$RESULTS/linux" >/dev/null
  bash "$ROOT/scripts/convert-fixtures.sh" "$STAGE/chizro-convert.exe" "$RESULTS/windows" >/dev/null
  local f name bad=0 count=0
  for f in "$RESULTS/linux"/*.status; do
    name="$(basename "$f" .status)"
    count=$((count + 1))
    # Paths in messages follow each platform's separator.
    if ! cmp -s <(tr '\\' / <"$f") <(tr '\\' / <"$RESULTS/windows/$name.status"); then
      echo "  $name: the converters end differently" >&2
      diff "$f" "$RESULTS/windows/$name.status" >&2 || true
      bad=1
    fi
    if [ -f "$RESULTS/linux/$name.txt" ] || [ -f "$RESULTS/windows/$name.txt" ]; then
      if ! cmp -s "$RESULTS/linux/$name.txt" "$RESULTS/windows/$name.txt"; then
        echo "  $name: temp.txt differs" >&2
        bad=1
      fi
    fi
  done
  [ "$bad" -eq 0 ] || fail "the Windows converter differs from the Linux one"
  log "  $count cases identical"
}

# A sheet inside a folder whose name has Shift_JIS characters with a 0x5C
# second byte ("ソ", "表"), converted by both.
japanese_folder() {
  log "a sheet in a folder with a Japanese name"
  local dir="$RESULTS/日本語/地図ソフト表" home
  rm -rf "$RESULTS/日本語"
  mkdir -p "$dir"
  cp -r "$ROOT/samples/sdf/09LD183" "$dir/"
  for side in linux windows; do
    home="$RESULTS/日本語/$side"
    mkdir -p "$home"
    cp -r "$ROOT/def" "$home/def"
    cp "$ROOT/samples/JWC_TEMP.TXT" "$home/"
  done
  "$LINUX_CONVERT" --home "$RESULTS/日本語/linux" "$dir/09LD183/09LD183.txt" >/dev/null
  (cd "$RESULTS/日本語/windows" &&
    wine "$STAGE/chizro-convert.exe" --home . "../地図ソフト表/09LD183/09LD183.txt" >/dev/null) ||
    fail "chizro-convert.exe failed on a Japanese folder"
  cmp "$RESULTS/日本語/linux/temp.txt" "$RESULTS/日本語/windows/temp.txt" ||
    fail "temp.txt from a Japanese folder differs"
}

# "地図開", then `path` typed into the open dialog.
open_in_window() {
  local main="$1" path="$2"
  xdotool mousemove --window "$main" 30 13 click 1
  timeout 60 xdotool search --sync --onlyvisible --name '開く|Open' >/dev/null ||
    fail "the open dialog did not appear"
  sleep 1
  # Keys go to the focused field, the file name (Wine ignores keys sent to a
  # window that does not have the focus).
  xdotool type --delay 20 "$path"
  sleep 0.5
  xdotool key Return
}

XVFB_PID=""
stop_display() {
  wineserver -k 2>/dev/null || true
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  XVFB_PID=""
}

# A virtual display of the size $1 (WxHxDepth) for the window, stopped on
# exit.
start_display() {
  local display=":$((90 + RANDOM % 9))"
  Xvfb "$display" -screen 0 "$1" -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  trap stop_display EXIT
  export DISPLAY="$display"
  sleep 1
  mkdir -p "$SHOTS"
}

# The package in the folder $1, with a request file beside the program.
install_app() {
  mkdir -p "$1"
  cp -r "$STAGE"/. "$1/"
  cp "$ROOT/samples/JWC_TEMP.TXT" "$1/"
}

# The window: open a sheet through the open dialog, output, settings dialog.
window_test() {
  log "chizro.exe on a virtual display"
  start_display 1024x768x24
  # The program inside a folder with a Japanese name, as under C:\Users\山田.
  local app="$RESULTS/山田/chizro"
  rm -rf "$RESULTS/山田"
  install_app "$app"
  local sheet="$RESULTS/gui/09LD183"
  rm -rf "$RESULTS/gui" && mkdir -p "$RESULTS/gui"
  cp -r "$ROOT/samples/sdf/09LD183" "$sheet"
  # KSJ data take their items from the file name: the items fixture as a
  # road file (N01). A zip of the FGD fixtures, one step per file.
  cp "$ROOT/tests/data/ksj/items.txt" "$RESULTS/gui/N01-95.txt"
  (cd "$ROOT/tests/data/fgd" &&
    cmake -E tar cf "$RESULTS/gui/FG-GML-533946-ALL-20230101.zip" --format=zip FG-GML-*.xml)
  (cd "$app" && CHIZRO_TEST_OPEN_STEP_MS=1500 wine chizro.exe >/dev/null 2>&1) &
  local main
  main="$(timeout 120 xdotool search --sync --onlyvisible --name 'chizro' | head -n1)" || true
  [ -n "$main" ] || fail "the main window did not appear"
  sleep 2
  open_in_window "$main" "Z:${sheet//\//\\}\\09LD183.txt"
  sleep 4
  import -window root -display "$DISPLAY" "$SHOTS/main-window.png"
  # "JWCAD出力"
  xdotool mousemove --window "$main" 120 13 click 1
  local i
  for i in $(seq 1 60); do [ -s "$app/temp.txt" ] && break; sleep 1; done
  [ -s "$app/temp.txt" ] || fail "the output button wrote no temp.txt"
  # "出力設定"
  xdotool mousemove --window "$main" 358 13 click 1
  local pref
  pref="$(timeout 30 xdotool search --sync --onlyvisible --name '出力設定' | head -n1)" ||
    fail "the settings dialog did not appear"
  sleep 1
  # The second row selected, so that its four combo boxes show.
  xdotool mousemove --window "$pref" 60 152 click 1
  sleep 1
  import -window root -display "$DISPLAY" "$SHOTS/settings-dialog.png"
  xdotool key Escape
  sleep 1
  # The KSJ roads, the kind found from the content ("すべてのファイル"), with
  # the status line of the pointer over the map.
  open_in_window "$main" "Z:${RESULTS//\//\\}\\gui\\N01-95.txt"
  sleep 3
  xdotool mousemove --window "$main" 300 250
  sleep 1
  import -window root -display "$DISPLAY" "$SHOTS/ksj-roads.png"
  # The zip's progress window, caught on its second file.
  open_in_window "$main" "Z:${RESULTS//\//\\}\\gui\\FG-GML-533946-ALL-20230101.zip"
  local seen=""
  for i in $(seq 1 40); do
    xdotool search --onlyvisible --name '地図を開いています' >/dev/null 2>&1 && seen=1 && break
    sleep 0.5
  done
  [ -n "$seen" ] || fail "the progress window of the zip did not appear"
  sleep 2
  import -window root -display "$DISPLAY" "$SHOTS/zip-progress.png"
  for i in $(seq 1 30); do
    xdotool search --onlyvisible --name '地図を開いています' >/dev/null 2>&1 || break
    sleep 1
  done
  # "JWCADに戻る"
  xdotool mousemove --window "$main" 457 13 click 1
  for i in $(seq 1 20); do xdotool search --name 'chizro' >/dev/null 2>&1 || break; sleep 1; done
  # The window wrote what the converter writes for the same sheet.
  local home="$RESULTS/gui/linux"
  mkdir -p "$home" && cp -r "$ROOT/def" "$home/def" && cp "$ROOT/samples/JWC_TEMP.TXT" "$home/"
  "$LINUX_CONVERT" --home "$home" "$sheet/09LD183.txt" >/dev/null
  cmp "$home/temp.txt" "$app/temp.txt" || fail "the window's temp.txt differs from the converter's"
  stop_display
  log "  screenshots in $SHOTS"
}

# The 位置合わせ dialog in a window of its own: it starts from the points of
# a sidecar that did not place the map, and OK writes the sidecar anew.
placement_test() {
  log "the placement dialog on a virtual display"
  start_display 1280x800x24
  local app="$RESULTS/placement/chizro" data="$RESULTS/placement/data"
  rm -rf "$RESULTS/placement"
  mkdir -p "$data"
  install_app "$app"
  cp "$ROOT/tests/data/moj/46505-3411-1_excerpt.xml" "$data/original.xml"
  cp "$ROOT/tests/data/placement/local_helmert.xml" "$data/local.xml"
  { head -n 5 "$ROOT/tests/data/placement/local_helmert.xml.gcp"; echo "K99,,,-297400.000,-34000.000"; } \
    >"$data/local.xml.gcp"
  (cd "$app" && wine chizro.exe >/dev/null 2>&1) &
  local main
  main="$(timeout 120 xdotool search --sync --onlyvisible --name 'chizro' | head -n1)" || true
  [ -n "$main" ] || fail "the main window did not appear"
  sleep 2
  local win_data="Z:${data//\//\\}"
  open_in_window "$main" "$win_data\\original.xml"
  sleep 3
  open_in_window "$main" "$win_data\\local.xml"
  sleep 3
  xdotool key Return  # the notice that the sidecar did not place the map
  sleep 1
  # A click first: the window takes the focus back from the closed notice
  # (and the map is centred there), then the context menu.
  xdotool mousemove --window "$main" 300 250 click 1
  sleep 1
  xdotool click 3
  sleep 1
  xdotool key Down Down Return
  local dialog
  dialog="$(timeout 30 xdotool search --sync --onlyvisible --name '位置合わせ' | head -n1)" ||
    fail "the placement dialog did not appear"
  sleep 1
  import -window root -display "$DISPLAY" "$SHOTS/placement-dialog.png"
  grep -q '^K99' "$data/local.xml.gcp" || fail "the sidecar changed before OK"
  xdotool key Return  # OK, the default button
  local i
  for i in $(seq 1 30); do grep -q '変換: ヘルマート変換' "$data/local.xml.gcp" 2>/dev/null && break; sleep 1; done
  grep -q '変換: ヘルマート変換' "$data/local.xml.gcp" || fail "OK did not write the sidecar"
  grep -q '^K99' "$data/local.xml.gcp" && fail "the sidecar kept the point the map lacks"
  sleep 2
  xdotool key Return  # the fit's summary
  sleep 1
  import -window root -display "$DISPLAY" "$SHOTS/placement-placed.png"
  # The placement redone over the placed map (the view is on it): the
  # dialog opens with the sidecar's points, and キャンセル (Escape) leaves
  # the sidecar as it was and the map placed.
  local saved
  saved="$(md5sum <"$data/local.xml.gcp")"
  xdotool mousemove --window "$main" 300 250 click 1
  sleep 1
  xdotool click 3
  sleep 1
  xdotool key Down Down Return
  sleep 2
  timeout 30 xdotool search --sync --onlyvisible --name '位置合わせ' >/dev/null ||
    fail "the placement dialog did not appear over the placed map"
  sleep 1
  import -window root -display "$DISPLAY" "$SHOTS/placement-redo.png"
  xdotool key Escape
  sleep 3
  [ "$(md5sum <"$data/local.xml.gcp")" = "$saved" ] || fail "キャンセル changed the sidecar"
  import -window root -display "$DISPLAY" "$SHOTS/placement-redo-cancelled.png"
  stop_display
}

# Runs a step and logs its time.
timed() {
  local start=$SECONDS
  "$@"
  log "  $(basename "${2:-$1}"): $((SECONDS - start)) s"
}

main() {
  install_packages
  timed bash "$ROOT/scripts/build-windows.sh" "$OUT"
  if [ ! -x "$LINUX_CONVERT" ]; then
    source "$ROOT/scripts/ccache-env.sh"
    (cd "$ROOT" && cmake --preset default && cmake --build --preset default --target chizro-convert)
  fi
  timed setup_wine
  mkdir -p "$RESULTS"
  timed unit_tests
  timed compare_fixtures
  timed japanese_folder
  timed window_test
  timed placement_test
  log "Windows tests passed"
}

main "$@"
