#!/usr/bin/env bash
# Builds chizro for 64-bit Windows on Debian and packs
# dist/chizro-windows-x64.zip: chizro.exe, chizro-convert.exe,
# chizro-enclist.exe, def\, proj.db, chizro.bat and README.txt.
#
# The cross-built libraries come from scripts/build-windows-deps.sh, built
# once into a cache outside the checkout and reused by every later build on
# the machine, also from a fresh clone: ~/.cache/chizro/windows-deps-<key>,
# the key a hash of the dependency script, the toolchain file and the
# versions of the Debian source packages (`build-windows-deps.sh --key`), so
# that a change to any of them builds them anew. Everything is linked
# statically: the executables need only DLLs that every Windows has.
#
# The build is the "windows" preset (CMakePresets.json); the package is made
# by CPack from the install rules (cmake/install.cmake), which also refuse a
# program that imports a DLL outside Windows's own.
#
# Usage: scripts/build-windows.sh [--deps-only] [build folder, default build-windows]
# --deps-only builds the libraries into the cache and stops.
# Environment: JOBS (parallel jobs, default: number of cores);
# CHIZRO_WINDOWS_DEPS (the folder of the libraries, instead of the cache).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deps_only=0
[ "${1:-}" = --deps-only ] && { deps_only=1; shift; }
OUT="$(mkdir -p "${1:-$ROOT/build-windows}" && cd "${1:-$ROOT/build-windows}" && pwd)"
JOBS="${JOBS:-$(nproc)}"
BUILD="$OUT/chizro"
ZIP="$ROOT/dist/chizro-windows-x64.zip"

log() { printf '== %s\n' "$*" >&2; }

key="$(bash "$ROOT/scripts/build-windows-deps.sh" --key)"
DEPS="${CHIZRO_WINDOWS_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/chizro/windows-deps-$key}"
# One build of the libraries at a time, also when two checkouts build at once.
mkdir -p "$DEPS"
JOBS="$JOBS" flock "$DEPS.lock" bash "$ROOT/scripts/build-windows-deps.sh" "$DEPS"
[ "$deps_only" = 1 ] && exit 0

log "chizro for Windows"
source "$ROOT/scripts/ccache-env.sh"
export CHIZRO_WIN_PREFIX="$DEPS/prefix"
cd "$ROOT"
if [ "$BUILD" = "$ROOT/build-windows/chizro" ]; then
  cmake --preset windows
  cmake --build --preset windows -j"$JOBS"
else
  cmake --preset windows -B "$BUILD"
  cmake --build "$BUILD" -j"$JOBS"
fi

log "package"
rm -rf "$BUILD/package"
(cd "$BUILD" && cpack -G ZIP -B "$BUILD/package" >/dev/null)
mkdir -p "$(dirname "$ZIP")"
mv -f "$BUILD/package/chizro.zip" "$ZIP"
log "$ZIP: $(du -k "$ZIP" | cut -f1) KiB"
# Unpacked beside the build, as a user unpacks it: scripts/test-windows.sh
# runs the programs from there.
rm -rf "$OUT/package" && mkdir -p "$OUT/package"
(cd "$OUT/package" && cmake -E tar xf "$ZIP")
(cd "$OUT/package" && find chizro -type f -printf '  %P\t%s bytes\n' | sort) >&2
