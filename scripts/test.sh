#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" -DKELMO_TESTS=ON -DKELMO_BENCH=ON
ctest --test-dir "$root/build" --output-on-failure -j "$(nproc)"
