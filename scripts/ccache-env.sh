# Sourced by the build scripts: compile through ccache when it is installed,
# with paths taken relative to the checkout, so that a fresh clone elsewhere
# (as CI makes) finds what an earlier build compiled. A launcher already in
# the environment (CMAKE_CXX_COMPILER_LAUNCHER) is kept; CHIZRO_CCACHE=0
# turns ccache off. CMake reads the launcher when a build folder is configured
# the first time.
if [ "${CHIZRO_CCACHE:-1}" != 0 ] && [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] &&
  command -v ccache >/dev/null 2>&1; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
  export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-true}"
fi
