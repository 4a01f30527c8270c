#!/bin/sh
# The bundled characters converted to UTF-8 read as the Shift-JIS originals do: the linter finds
# nothing and their transcripts pass; converted back, every file is the original byte for byte.
# Arguments: the program, its folder (with the characters), tools/, the transcripts' folder.
set -eu
program=$1
app=$2
tools=$3
transcripts=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for id in akari mugi; do
  python3 "$tools/convert_character.py" --to utf-8 "$app/$id.klc" "$work/utf8"
  test "$(head -c 3 "$work/utf8/$id.klc" | od -An -tx1 | tr -d ' ')" = efbbbf
  cp -R "$app/SPIs" "$work/utf8/"
  "$program" --home "$work/utf8" --lint "$work/utf8/$id.klc"
  "$program" --home "$work/utf8" --test "$transcripts/$id.transcript"
  python3 "$tools/convert_character.py" --to shift-jis "$work/utf8/$id.klc" "$work/back"
  cmp "$work/back/$id.klc" "$app/$id.klc"
  for file in "$app/characters/$id"/*; do
    cmp "$work/back/characters/$id/$(basename "$file")" "$file"
  done
done
