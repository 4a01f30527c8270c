#!/usr/bin/env bash
# Sets up the machine, builds the program and starts it with the bundled character.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" -DKELMO_TESTS=OFF
exec "$root/build/app/dorrinkelmo" "$@"
