#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
# Optimised as the program ships, without debug information: the tests and benchmarks do not need
# it, and it makes the build much slower.
"$root/scripts/build.sh" "$root/build" -DKELMO_TESTS=ON -DKELMO_BENCH=ON -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG"
ctest --test-dir "$root/build" --output-on-failure -j "$(nproc)"
