#!/usr/bin/env bash
# Sets up the machine, builds the program and starts it with the bundled character: in its window
# on a desktop, in the terminal without a display (or with --tty). Without arguments the first run
# starts the default character; later runs start the character chosen last (the first of the
# installed characters in Kelmo.ini). Arguments go to the program.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" -DKELMO_TESTS=OFF
program="$root/build/app"
if [ $# -eq 0 ] && ! grep -qis '^Char1=' "$program/Kelmo.ini"; then
  set -- "$program/akari.klc"
fi
exec "$program/dorrinkelmo" "$@"
