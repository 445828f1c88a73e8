#!/usr/bin/env bash
# Mutation sampling of the test suite; see scripts/mutate.py for the commands.
#   bash scripts/mutate.sh generate --seed 2026 --count 80 --out scripts/mutants.tsv
#   bash scripts/mutate.sh run scripts/mutants.tsv [--build build-mut] [--ids M07 M12]
set -euo pipefail
cd "$(dirname "$0")/.."
exec nice -n 10 python3 scripts/mutate.py "$@"
