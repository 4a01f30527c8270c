#!/bin/sh
# The authoring guide's broken copy of あかり: makes the copy with its six mistakes, lints it and
# compares the report with the one the guide shows, so that the guide keeps telling what the
# linter really says. With --print it writes the report instead (to paste into the guide).
# Arguments: [--print] the program, its folder (with the characters), the guide.
set -eu
print=false
if [ "$1" = --print ]; then
  print=true
  shift
fi
program=$1
app=$2
guide=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/characters"
cp "$app/akari.klc" "$work/"
cp -R "$app/characters/akari" "$work/characters/"
cp -R "$app/SPIs" "$work/"
# The edits touch ASCII only: no byte of a Shift-JIS character is ASCII punctuation or a letter
# that these expressions could take for their own.
dictionaries="$work/characters/akari"
LC_ALL=C sed -i 's/^DefaultBitmap\r$/defaultbitmp\r/' "$work/akari.klc"
LC_ALL=C sed -i '39s/|CLOSEWINDOW},/|CLOSEWINDOW}/' "$dictionaries/kotoba2.txt"
LC_ALL=C sed -i '4s/{PIC:/{PCI:/' "$dictionaries/aisatsu.txt"
LC_ALL=C sed -i '14s/)//' "$dictionaries/kimochi.txt"
LC_ALL=C sed -i '4s/{BR}/ /' "$dictionaries/wadai.txt"
LC_ALL=C sed -i '5s/{DELAY:6}/{DELAY:6/' "$dictionaries/zatsudan.txt"
status=0
"$program" --home "$work" --lint "$work/akari.klc" >"$work/report" || status=$?
if $print; then
  cat "$work/report"
  exit 0
fi
test "$status" -eq 2
# The guide shows the report indented by four blanks after the command line, up to a blank line.
awk '/^    \$ dorrinkelmo --home DIR --lint DIR\/akari.klc$/ { inside = 1; next }
     inside && /^$/ { exit }
     inside { print substr($0, 5) }' "$guide" >"$work/shown"
test -s "$work/shown"
diff -u "$work/shown" "$work/report"
