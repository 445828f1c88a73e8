#!/usr/bin/env bash
# Builds chizro for 64-bit Windows on Debian and packs
# dist/chizro-windows-x64.zip: chizro.exe, chizro-convert.exe,
# chizro-enclist.exe, def\, proj.db, chizro.bat and README.txt.
#
# The cross-built libraries come from scripts/build-windows-deps.sh, built
# once into a cache outside the checkout and reused by every later build on
# the machine, also from a fresh clone: ~/.cache/chizro/windows-deps-<key>,
# the key a hash of the dependency script and the toolchain file, so that a
# change to either builds them anew. Everything is linked statically: the
# executables need only DLLs that every Windows has.
#
# Usage: scripts/build-windows.sh [build folder, default build-windows]
# Environment: JOBS (parallel jobs, default: number of cores);
# CHIZRO_WINDOWS_DEPS (the folder of the libraries, instead of the cache).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT="$(mkdir -p "${1:-$ROOT/build-windows}" && cd "${1:-$ROOT/build-windows}" && pwd)"
JOBS="${JOBS:-$(nproc)}"
BUILD="$OUT/chizro"
STAGE="$OUT/package/chizro"
ZIP="$ROOT/dist/chizro-windows-x64.zip"

log() { printf '== %s\n' "$*" >&2; }

key="$(cat "$ROOT/scripts/build-windows-deps.sh" "$ROOT/cmake/mingw-w64-x86_64.cmake" |
  sha256sum | cut -c1-16)"
DEPS="${CHIZRO_WINDOWS_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/chizro/windows-deps-$key}"
JOBS="$JOBS" bash "$ROOT/scripts/build-windows-deps.sh" "$DEPS"

log "chizro for Windows"
cmake -S "$ROOT" -B "$BUILD" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
  -DCHIZRO_WIN_PREFIX="$DEPS/prefix" -DCMAKE_BUILD_TYPE=Release \
  ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER="$CMAKE_CXX_COMPILER_LAUNCHER"}
cmake --build "$BUILD" -j"$JOBS"

log "package"
rm -rf "$STAGE" && mkdir -p "$STAGE"
for exe in chizro.exe chizro-convert.exe tools/enc/chizro-enclist.exe; do
  install -m 755 "$BUILD/$exe" "$STAGE/"
done
"x86_64-w64-mingw32-strip" "$STAGE"/*.exe
cp -r "$ROOT/def" "$STAGE/def"
rm -f "$STAGE/def/.keep"
install -m 644 "$DEPS/prefix/share/proj/proj.db" "$STAGE/proj.db"
install -m 644 "$ROOT/jwcad/chizro.bat" "$STAGE/chizro.bat"
# Notepad on a Japanese Windows reads Shift_JIS with CR LF best.
iconv -f UTF-8 -t CP932 "$ROOT/jwcad/README-ja.txt" | sed 's/$/\r/' >"$STAGE/README.txt"

# No DLL beyond what every Windows has.
allowed='^(KERNEL32|USER32|GDI32|GDIPLUS|COMDLG32|COMCTL32|SHELL32|ADVAPI32|OLE32|msvcrt|WS2_32|bcrypt|CRYPT32|SHLWAPI|UxTheme)\.dll$'
for exe in "$STAGE"/*.exe; do
  bad="$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | grep -viE "$allowed" || true)"
  if [ -n "$bad" ]; then
    echo "$(basename "$exe") needs DLLs that Windows lacks: $bad" >&2
    exit 1
  fi
done

mkdir -p "$(dirname "$ZIP")"
rm -f "$ZIP"
(cd "$OUT/package" && cmake -E tar cf "$ZIP" --format=zip chizro)
log "$ZIP: $(du -k "$ZIP" | cut -f1) KiB"
(cd "$OUT/package" && find chizro -type f -printf '  %P\t%s bytes\n' | sort) >&2
