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
  libproj-dev proj-data
  fonts-ipafont-gothic
  time
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
