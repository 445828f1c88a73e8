# Cross-compiling for 64-bit Windows with MinGW-w64 on Debian.
#
#   cmake -S . -B build-windows/chizro -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#     -DCHIZRO_WIN_PREFIX=$PWD/build-windows/prefix
#
# Uses the posix thread model (std::thread and std::mutex need it) and links the
# GCC runtime, libstdc++ and winpthread statically, so that the executables need
# no DLL that Windows lacks. Test programs run through Wine. Libraries are
# looked up only in CHIZRO_WIN_PREFIX, where scripts/build-windows-deps.sh
# installs the static Xerces-C++, PROJ, SQLite, zlib and libzip.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CHIZRO_MINGW_TRIPLET x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${CHIZRO_MINGW_TRIPLET}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${CHIZRO_MINGW_TRIPLET}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${CHIZRO_MINGW_TRIPLET}-windres REQUIRED)
find_program(CMAKE_AR NAMES ${CHIZRO_MINGW_TRIPLET}-ar REQUIRED)
find_program(CMAKE_RANLIB NAMES ${CHIZRO_MINGW_TRIPLET}-ranlib REQUIRED)

# Where the cross-built dependencies live: -DCHIZRO_WIN_PREFIX, else the
# environment's CHIZRO_WIN_PREFIX (the "windows" preset), else
# build-windows/prefix. Cached so that it survives reconfiguring, and
# forwarded to try_compile projects, which read the toolchain file again.
if(NOT CHIZRO_WIN_PREFIX)
  if(NOT "$ENV{CHIZRO_WIN_PREFIX}" STREQUAL "")
    set(CHIZRO_WIN_PREFIX "$ENV{CHIZRO_WIN_PREFIX}")
  else()
    set(CHIZRO_WIN_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../build-windows/prefix")
  endif()
  set(CHIZRO_WIN_PREFIX "${CHIZRO_WIN_PREFIX}"
      CACHE PATH "Install prefix of the cross-built Windows dependencies" FORCE)
endif()
get_filename_component(CHIZRO_WIN_PREFIX "${CHIZRO_WIN_PREFIX}" ABSOLUTE)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CHIZRO_WIN_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${CHIZRO_MINGW_TRIPLET} "${CHIZRO_WIN_PREFIX}")
set(CMAKE_PREFIX_PATH "${CHIZRO_WIN_PREFIX}")
# Programs (code generators, sqlite3, tclsh) come from the build machine;
# headers, libraries and package files only from the Windows side.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must read the prefix's .pc files, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} "${CHIZRO_WIN_PREFIX}/lib/pkgconfig:${CHIZRO_WIN_PREFIX}/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(PKG_CONFIG_EXECUTABLE pkg-config CACHE FILEPATH "pkg-config for the Windows prefix")

# The prefix holds static libraries only: ask pkg-config for their private
# dependencies too (PROJ needs sqlite3, libzip needs zlib).
set(PKG_CONFIG_ARGN --static CACHE STRING "Arguments to pkg-config")

# The GCC runtime, libstdc++ and winpthread linked into every executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

find_program(CHIZRO_WINE NAMES wine wine64)
if(CHIZRO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CHIZRO_WINE}")
endif()
