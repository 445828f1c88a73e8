#!/usr/bin/env bash
# Cross-builds the libraries that chizro needs for 64-bit Windows: zlib, libzip,
# SQLite, PROJ (with its proj.db), Xerces-C++, shapelib and GoogleTest, all
# static, with MinGW-w64 (posix threads) into build-windows/prefix, and puts
# RapidJSON's headers (a header-only library) there.
#
# The sources are Debian's own source packages, fetched with `apt-get source`
# through a private sources list, state and cache under build-windows/apt: the
# system's apt configuration is only read (for its mirror, its trusted keys and
# its settings), never changed, and apt checks the signatures of the indices
# as usual. Each library is built once: a stamp file in build-windows/stamps
# marks it done, so a second run does nothing. Delete a stamp (or the folder)
# to rebuild.
#
# Each library is built from the Debian source package of the version this
# machine has installed for Linux (libproj-dev's proj, libzip-dev's libzip,
# ...), so that both builds use the same code; `--key` prints a key of those
# versions, the compiler's, this script and the toolchain file, which
# scripts/build-windows.sh names its cache folder by, so that an updated
# package builds them anew.
#
# Usage: scripts/build-windows-deps.sh [build folder, default build-windows]
#        scripts/build-windows-deps.sh --key
# Environment: JOBS (parallel jobs, default: number of cores).
# Run as root (or with sudo available) on Debian 12.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
MODE=build
if [ "${1:-}" = "--key" ]; then
  MODE=key
  shift
fi
OUT="${1:-$ROOT/build-windows}"
if [ "$MODE" = build ]; then
  OUT="$(mkdir -p "$OUT" && cd "$OUT" && pwd)"
fi
PREFIX="$OUT/prefix"
APTDIR="$OUT/apt"
SRCDIR="$OUT/src"
WORKDIR="$OUT/work"
STAMPS="$OUT/stamps"
TOOLCHAIN="$ROOT/cmake/mingw-w64-x86_64.cmake"
JOBS="${JOBS:-$(nproc)}"
HOST=x86_64-w64-mingw32
CC_WIN="$HOST-gcc-posix"

# Debian packages this script and the Windows build need on the build machine.
packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 locales
  dpkg-dev debian-archive-keyring xz-utils
  cmake ninja-build make gcc pkg-config
  tcl sqlite3
  googletest
  zlib1g-dev libzip-dev libsqlite3-dev libproj-dev libxerces-c-dev
  libshp-dev rapidjson-dev gdal-data
)

# Source package of each library, and the installed binary package that
# names its version (googletest is built from the source it installs).
SOURCE_OF=(
  "zlib zlib1g-dev"
  "libzip libzip-dev"
  "sqlite3 libsqlite3-dev"
  "proj libproj-dev"
  "xerces-c libxerces-c-dev"
  "gdal gdal-data"
  "rapidjson rapidjson-dev"
  "googletest googletest"
  "gcc-mingw-w64 g++-mingw-w64-x86-64-posix"
  "mingw-w64 mingw-w64-x86-64-dev"
)

log() { printf '== %s\n' "$*" >&2; }

install_packages() {
  bash "$ROOT/scripts/apt-install.sh" "${packages[@]}"
}

# "source version" of every library and of the compiler, as installed.
source_versions() {
  local entry
  for entry in "${SOURCE_OF[@]}"; do
    dpkg-query -W -f='${source:Package} ${source:Version}\n' "${entry#* }"
  done
}

# The installed version of source package $1.
source_version() {
  source_versions | awk -v p="$1" '$1 == p { print $2 }'
}

# The cache key: this script, the toolchain file and the versions.
deps_key() {
  { cat "${BASH_SOURCE[0]}" "$TOOLCHAIN"; source_versions; } | sha256sum | cut -c1-16
}

# --- Private apt for source packages ----------------------------------------

codename() {
  local c=""
  [ -r /etc/os-release ] && c="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
  echo "${c:-bookworm}"
}

# Prints "URI SUITE KEYRING" for every binary source the system uses (deb822
# .sources files and one-line .list files); KEYRING is "-" when none is named.
system_sources() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk '
      function field(line) { sub(/^[^:]*:[ \t]*/, "", line); return line }
      function flush(  n, m, i, j, U, S) {
        if (types ~ /(^| )deb( |$)/ && uris != "" && enabled != "no") {
          n = split(uris, U, /[ \t]+/); m = split(suites, S, /[ \t]+/)
          for (i = 1; i <= n; i++) for (j = 1; j <= m; j++) print U[i], S[j], (key == "" ? "-" : key)
        }
        types = uris = suites = key = enabled = ""
      }
      /^[ \t]*#/ { next }
      /^[ \t]*$/ { flush(); next }
      tolower($1) == "types:" { types = field($0) }
      tolower($1) == "uris:" { uris = field($0) }
      tolower($1) == "suites:" { suites = field($0) }
      tolower($1) == "enabled:" { enabled = tolower(field($0)) }
      tolower($1) == "signed-by:" { k = field($0); if (k ~ /^\//) key = k }
      END { flush() }' "$f"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n -E 's/^deb[ \t]+(\[([^]]*)\][ \t]+)?([^ \t]+)[ \t]+([^ \t]+).*/\3 \4 [\2]/p' "$f" |
      while read -r uri suite opts; do
        key="$(sed -n -E 's/.*signed-by=([^] \t]+).*/\1/p' <<<"$opts")"
        echo "$uri $suite ${key:--}"
      done
  done
}

# apt-get or apt-cache ($1) on the private sources, state and cache.
apt_src() {
  local tool="$1"
  shift
  "$tool" \
    -o Dir::Etc::SourceList="$APTDIR/sources.list" \
    -o Dir::Etc::SourceParts="$APTDIR/sources.list.d" \
    -o Dir::State="$APTDIR/state" \
    -o Dir::State::status=/var/lib/dpkg/status \
    -o Dir::Cache="$APTDIR/cache" \
    -o APT::Sandbox::User=root \
    "$@"
}

setup_private_apt() {
  [ -f "$APTDIR/updated" ] && return 0
  local code lines
  code="$(codename)"
  mkdir -p "$APTDIR/sources.list.d" "$APTDIR/state/lists/partial" "$APTDIR/cache/archives/partial"
  # Source lines for the release, its updates and its security fixes, from the
  # mirrors this machine already uses.
  lines="$(system_sources | awk -v c="$code" '$2 == c || $2 == c "-updates" || $2 == c "-security"' | sort -u |
    while read -r uri suite key; do
      if [ "$key" = "-" ]; then echo "deb-src $uri $suite main"
      else echo "deb-src [signed-by=$key] $uri $suite main"; fi
    done)"
  if [ -z "$lines" ]; then
    lines="deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian $code main"
  fi
  printf '%s\n' "$lines" >"$APTDIR/sources.list"
  log "private apt sources:"; cat "$APTDIR/sources.list" >&2
  apt_src apt-get update -qq
  touch "$APTDIR/updated"
}

# Fetches and unpacks (with Debian's patches applied) source package $1 under
# build-windows/src/$1 and prints the unpacked folder.
fetch_source() {
  local name="$1" dest="$SRCDIR/$1" dir
  dir="$(find "$dest" -mindepth 1 -maxdepth 1 -type d 2>/dev/null | head -n1 || true)"
  if [ -z "$dir" ]; then
    setup_private_apt
    rm -rf "$dest" && mkdir -p "$dest"
    # The installed version first, then the newest; an older one when the
    # mirror lacks its files (a mirror that lags behind the security indices).
    local v ok=""
    for v in $(source_version "$name") $(apt_src apt-cache showsrc --only-source "$name" 2>/dev/null |
      awk '/^Version:/ { print $2 }' | sort -u | sort -r -V); do
      if (cd "$dest" && apt_src apt-get source -qq --only-source "$name=$v" >&2); then ok=1; break; fi
      log "$name $v could not be fetched; trying an older version"
      find "$dest" -mindepth 1 -delete
    done
    [ -n "$ok" ] || { echo "could not fetch the source package $name" >&2; exit 1; }
    dir="$(find "$dest" -mindepth 1 -maxdepth 1 -type d | head -n1)"
  fi
  [ -n "$dir" ] || { echo "no source for $name" >&2; exit 1; }
  echo "$dir"
}

# --- Builds ------------------------------------------------------------------

TIMINGS=()

# Runs build_$1 unless its stamp exists, and records how long it took.
step() {
  local name="$1" start end
  if [ -f "$STAMPS/$name" ]; then
    log "$name: done already ($(cat "$STAMPS/$name"))"
    return 0
  fi
  log "$name"
  start=$(date +%s)
  "build_$name"
  end=$(date +%s)
  mkdir -p "$STAMPS"
  echo "built in $((end - start)) s" >"$STAMPS/$name"
  TIMINGS+=("$name: $((end - start)) s")
}

cmake_win() {
  local src="$1" build="$2"
  shift 2
  cmake -S "$src" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCHIZRO_WIN_PREFIX="$PREFIX" \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_SHARED_LIBS=OFF "$@"
}

build_zlib() {
  # Debian's zlib source lacks the win32 makefiles and zlib's own configure
  # refuses MinGW, so the library is compiled directly.
  local src build f
  src="$(fetch_source zlib)"
  build="$WORKDIR/zlib"
  rm -rf "$build" && mkdir -p "$build" "$PREFIX/include" "$PREFIX/lib/pkgconfig"
  for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback \
    inffast inflate inftrees trees uncompr zutil; do
    "$CC_WIN" -O2 -I"$src" -c "$src/$f.c" -o "$build/$f.o"
  done
  rm -f "$PREFIX/lib/libz.a"
  "$HOST-ar" rcs "$PREFIX/lib/libz.a" "$build"/*.o
  install -m 644 "$src/zlib.h" "$src/zconf.h" "$PREFIX/include/"
  local version
  version="$(sed -n -E 's/^#define ZLIB_VERSION "([^"]*)".*/\1/p' "$src/zlib.h")"
  cat >"$PREFIX/lib/pkgconfig/zlib.pc" <<PC
prefix=$PREFIX
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: zlib
Description: zlib compression library
Version: $version
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
PC
}

build_libzip() {
  local src build
  src="$(fetch_source libzip)"
  build="$WORKDIR/libzip"
  rm -rf "$build"
  cmake_win "$src" "$build" \
    -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF \
    -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=OFF \
    -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
  cmake --build "$build" -j"$JOBS"
  cmake --install "$build"
}

build_sqlite3() {
  # Debian ships SQLite's full source tree: the amalgamation (sqlite3.c) is
  # generated on the build machine (needs tclsh), then compiled for Windows.
  local src host
  src="$(fetch_source sqlite3)"
  host="$WORKDIR/sqlite3-host"
  rm -rf "$host" && mkdir -p "$host" "$PREFIX/include" "$PREFIX/lib/pkgconfig"
  (cd "$host" && "$src/configure" --disable-tcl --disable-readline >/dev/null &&
    make -j"$JOBS" sqlite3.c >/dev/null)
  "$CC_WIN" -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION \
    -DSQLITE_ENABLE_COLUMN_METADATA -I"$host" -c "$host/sqlite3.c" -o "$host/sqlite3.o"
  rm -f "$PREFIX/lib/libsqlite3.a"
  "$HOST-ar" rcs "$PREFIX/lib/libsqlite3.a" "$host/sqlite3.o"
  install -m 644 "$host/sqlite3.h" "$src/src/sqlite3ext.h" "$PREFIX/include/"
  cat >"$PREFIX/lib/pkgconfig/sqlite3.pc" <<PC
prefix=$PREFIX
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: SQLite
Description: SQL database engine
Version: $(cat "$src/VERSION")
Libs: -L\${libdir} -lsqlite3
Cflags: -I\${includedir}
PC
}

build_proj() {
  # proj.db is generated from PROJ's SQL scripts by the build machine's
  # sqlite3 program; the library links the Windows SQLite built above.
  local src build
  src="$(fetch_source proj)"
  build="$WORKDIR/proj"
  rm -rf "$build"
  cmake_win "$src" "$build" \
    -DENABLE_TIFF=OFF -DENABLE_CURL=OFF -DBUILD_APPS=OFF -DBUILD_TESTING=OFF \
    -DNLOHMANN_JSON_ORIGIN=internal \
    -DEXE_SQLITE3="$(command -v sqlite3)" \
    -DSQLITE3_INCLUDE_DIR="$PREFIX/include" -DSQLITE3_LIBRARY="$PREFIX/lib/libsqlite3.a"
  cmake --build "$build" -j"$JOBS"
  cmake --install "$build"
}

build_xerces() {
  # The library target only, then its install script: the full build includes
  # a test that does not compile with MinGW (it includes <Windows.h>).
  local src build
  src="$(fetch_source xerces-c)"
  build="$WORKDIR/xerces-c"
  rm -rf "$build"
  cmake_win "$src" "$build" \
    -Dnetwork=OFF -Dtranscoder=windows -Dmessage-loader=inmemory -Dxmlch-type=char16_t
  cmake --build "$build" -j"$JOBS" --target xerces-c
  cmake -P "$build/src/cmake_install.cmake"
  install -D -m 644 "$build/xerces-c.pc" "$PREFIX/lib/pkgconfig/xerces-c.pc"
}

build_shapelib() {
  # Debian's mirror here does not always keep the shapelib source package,
  # while GDAL's, which carries shapelib's own files (its maintainers keep
  # shapelib), is there: the two files of the library proper (shapes with
  # their index, and the attribute table) are compiled from it, with the
  # default file hooks that GDAL supplies through its own I/O layer written
  # here over stdio. The API is that of Debian's libshp-dev (the same
  # SAHooks); chizro opens every file through hooks of its own.
  local src build f
  src="$(fetch_source gdal)/ogr/ogrsf_frmts/shape"
  build="$WORKDIR/shapelib"
  rm -rf "$build" && mkdir -p "$build" "$PREFIX/include" "$PREFIX/lib/pkgconfig"
  cat >"$build/sahooks.c" <<'C'
#include <stdio.h>
#include <stdlib.h>
#include "shapefil.h"
static SAFile Open(const char *f, const char *a) { return (SAFile)fopen(f, a); }
static SAOffset Read(void *p, SAOffset s, SAOffset n, SAFile f) {
  return (SAOffset)fread(p, (size_t)s, (size_t)n, (FILE *)f);
}
static SAOffset Write(void *p, SAOffset s, SAOffset n, SAFile f) {
  return (SAOffset)fwrite(p, (size_t)s, (size_t)n, (FILE *)f);
}
static SAOffset Seek(SAFile f, SAOffset o, int w) { return (SAOffset)_fseeki64((FILE *)f, (__int64)o, w); }
static SAOffset Tell(SAFile f) { return (SAOffset)_ftelli64((FILE *)f); }
static int Flush(SAFile f) { return fflush((FILE *)f); }
static int Close(SAFile f) { return fclose((FILE *)f); }
static int Remove(const char *f) { return remove(f); }
static void Error(const char *m) { fprintf(stderr, "%s\n", m); }
void SASetupDefaultHooks(SAHooks *h) {
  h->FOpen = Open; h->FRead = Read; h->FWrite = Write; h->FSeek = Seek; h->FTell = Tell;
  h->FFlush = Flush; h->FClose = Close; h->Remove = Remove; h->Error = Error; h->Atof = atof;
}
C
  for f in "$src/shpopen.c" "$src/dbfopen.c" "$build/sahooks.c"; do
    "$CC_WIN" -O2 -I"$src" -c "$f" -o "$build/$(basename "$f" .c).o"
  done
  rm -f "$PREFIX/lib/libshp.a"
  "$HOST-ar" rcs "$PREFIX/lib/libshp.a" "$build"/*.o
  install -m 644 "$src/shapefil.h" "$PREFIX/include/"
  cat >"$PREFIX/lib/pkgconfig/shapelib.pc" <<PC
prefix=$PREFIX
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: shapelib
Description: C API for processing ESRI Shapefiles (from GDAL $(source_version gdal))
Version: 1.5.0
Libs: -L\${libdir} -lshp
Cflags: -I\${includedir}
PC
}

build_rapidjson() {
  # Header-only: the headers and a package file for pkg-config.
  local src
  src="$(fetch_source rapidjson)"
  mkdir -p "$PREFIX/include" "$PREFIX/lib/pkgconfig"
  rm -rf "$PREFIX/include/rapidjson"
  cp -r "$src/include/rapidjson" "$PREFIX/include/"
  cat >"$PREFIX/lib/pkgconfig/RapidJSON.pc" <<PC
prefix=$PREFIX
includedir=\${prefix}/include

Name: RapidJSON
Description: A fast JSON parser/generator for C++ with both SAX/DOM style API
Version: $(source_version rapidjson)
Cflags: -I\${includedir}
PC
}

build_googletest() {
  # GoogleTest from the source Debian installs under /usr/src, for the unit
  # tests built for Windows.
  local build="$WORKDIR/googletest"
  rm -rf "$build"
  cmake_win /usr/src/googletest "$build" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
  cmake --build "$build" -j"$JOBS"
  cmake --install "$build"
}

main() {
  install_packages
  mkdir -p "$PREFIX" "$SRCDIR" "$WORKDIR" "$STAMPS"
  step zlib
  step libzip
  step sqlite3
  step proj
  step xerces
  step shapelib
  step rapidjson
  step googletest
  if [ ${#TIMINGS[@]} -gt 0 ]; then
    log "build times:"
    printf '  %s\n' "${TIMINGS[@]}" | tee -a "$OUT/timings.txt" >&2
  fi
  log "Windows dependencies are in $PREFIX"
}

# Sourcing the script (for its functions) does not run it.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  if [ "$MODE" = key ]; then
    install_packages >&2
    deps_key
  else
    main
  fi
fi
