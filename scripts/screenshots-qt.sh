#!/usr/bin/env bash
# Screenshots of the Qt window as it really draws: the program runs on a
# virtual X display (Xvfb, the xcb platform, not the offscreen one), is
# driven with xdotool through its own buttons and open dialog, and the
# screen is saved with ImageMagick's `import`:
#   main-window.png      a sample SDF sheet right after opening;
#   settings-dialog.png  the output settings dialog, its second row chosen;
#   ksj-roads.png        a KSJ road file (N01) opened by its content
#                        ("すべてのファイル"), the pointer over the map for
#                        the status line;
#   zip-progress.png     the progress window while an FGD zip of several
#                        files opens.
#
# The window runs with CHIZRO_TEST_OPEN_STEP_MS set: each step of an open's
# progress window stays that long on the screen, so that the screenshot
# catches the progress of a small zip. Only the zip's open has such steps.
#
# Usage: scripts/screenshots-qt.sh [build folder, default build]
# Writes into <build folder>/screenshots/. Installs the Debian packages it
# needs (Xvfb, xdotool, ImageMagick, the IPA fonts) with apt-get.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(mkdir -p "${1:-$ROOT/build}" && cd "${1:-$ROOT/build}" && pwd)"
SHOTS="$BUILD/screenshots"

log() { printf '== %s\n' "$*" >&2; }
fail() { printf 'FAIL: %s\n' "$*" >&2; exit 1; }

bash "$ROOT/scripts/apt-install.sh" xvfb xdotool imagemagick fonts-ipafont-gothic \
  qt6-qpa-plugins libxcb-cursor0
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD" --target chizro

# The program in a scratch folder of its own, with its definition files and
# the request file, and the data to open beside it.
WORK="$(mktemp -d "${TMPDIR:-/tmp}/chizro-shots.XXXXXX")"
APP="$WORK/chizro"
DATA="$WORK/data"
mkdir -p "$APP" "$DATA" "$SHOTS"
cp "$BUILD/chizro" "$APP/"
cp -r "$ROOT/def" "$APP/def"
cp "$ROOT/samples/JWC_TEMP.TXT" "$APP/"
cp -r "$ROOT/samples/sdf/09LD183" "$DATA/"
# KSJ data take their items from the file name: the items fixture as a road
# file (N01). A zip of the FGD fixtures, one step per file.
cp "$ROOT/tests/data/ksj/items.txt" "$DATA/N01-95.txt"
(cd "$ROOT/tests/data/fgd" &&
  cmake -E tar cf "$DATA/FG-GML-533946-ALL-20230101.zip" --format=zip FG-GML-*.xml)

XVFB_PID=""
APP_PID=""
finish() {
  if [ -n "$APP_PID" ]; then kill "$APP_PID" 2>/dev/null || true; fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap finish EXIT

DISPLAY_NUMBER=":$((80 + RANDOM % 9))"
Xvfb "$DISPLAY_NUMBER" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY="$DISPLAY_NUMBER" QT_QPA_PLATFORM=xcb LANG=C.UTF-8
sleep 1

shot() { import -window root -display "$DISPLAY" "$SHOTS/$1"; }

# The first visible window named like `pattern`, waited for up to `seconds`
# (xdotool's own wait gives up when a window it looks at goes away meanwhile).
find_window() {
  local pattern="$1" seconds="$2" id i
  for i in $(seq 1 $((seconds * 2))); do
    id="$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1)" || true
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.5
  done
  return 1
}

# "地図開", then `path` typed into the file name field of the open dialog.
open_in_window() {
  local main="$1" path="$2"
  xdotool mousemove --window "$main" 30 13 click 1
  find_window '開く|Open' 30 >/dev/null || fail "the open dialog did not appear"
  sleep 1
  # Without a window manager the keys go to the window under the pointer,
  # the dialog over the button just pressed; its file name field has the
  # focus.
  xdotool type --delay 10 "$path"
  sleep 0.3
  xdotool key Return
}

log "chizro on a virtual display"
(cd "$APP" && exec env CHIZRO_TEST_OPEN_STEP_MS=1500 ./chizro) >/dev/null 2>&1 &
APP_PID=$!
MAIN="$(find_window 'chizro' 60)" || fail "the main window did not appear"
sleep 1

open_in_window "$MAIN" "$DATA/09LD183/09LD183.txt"
sleep 3
xdotool mousemove --window "$MAIN" 300 250
sleep 0.5
shot main-window.png

# "出力設定", its second row chosen so that its combo boxes show.
xdotool mousemove --window "$MAIN" 358 13 click 1
PREF="$(find_window '出力設定' 30)" || fail "the settings dialog did not appear"
sleep 1
xdotool mousemove --window "$PREF" 60 152 click 1
sleep 1
shot settings-dialog.png
xdotool key Escape
sleep 1

open_in_window "$MAIN" "$DATA/N01-95.txt"
sleep 3
xdotool mousemove --window "$MAIN" 320 260
sleep 0.5
shot ksj-roads.png

open_in_window "$MAIN" "$DATA/FG-GML-533946-ALL-20230101.zip"
find_window '地図を開いています' 20 >/dev/null || fail "the progress window of the zip did not appear"
sleep 2
shot zip-progress.png
for _ in $(seq 1 30); do
  xdotool search --onlyvisible --name '地図を開いています' >/dev/null 2>&1 || break
  sleep 1
done

log "screenshots in $SHOTS"
ls -1 "$SHOTS" >&2
