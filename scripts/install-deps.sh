#!/usr/bin/env bash
# Installs the Debian packages that chizro needs to build, run and test
# (clang and its runtime for the fuzzing harnesses).
# Idempotent; run as root on Debian 12 (or with sudo available).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-translations-l10n
  libxerces-c-dev
  libzip-dev
  libshp-dev rapidjson-dev
  libproj-dev proj-data
  libmimalloc-dev
  fonts-ipafont-gothic
  time ccache
  clang libclang-rt-14-dev
)

bash "$(dirname "$0")/apt-install.sh" "${packages[@]}"
