#!/usr/bin/env bash
# Installs the Debian packages named on the command line that are not
# installed yet (nothing, and no apt-get update, when all are). Run as root or
# with sudo available.
set -euo pipefail

# apt-get and dpkg refuse to run twice at once: two scripts installing side by
# side (CI builds the Windows libraries beside the Linux build) take turns.
exec 9>"${TMPDIR:-/tmp}/chizro-apt-install.lock"
flock 9

missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "== installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
