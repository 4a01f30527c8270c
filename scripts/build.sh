#!/usr/bin/env bash
# Configures and builds into a build folder: build.sh [FOLDER [extra cmake arguments...]].
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
folder="${1:-$root/build}"
shift || true
cmake -S "$root" -B "$folder" -G Ninja "$@" >/dev/null
cmake --build "$folder" -j "$(nproc)"
