#!/bin/sh
# The bundled characters converted to UTF-8 read as the Shift-JIS originals do: the linter finds
# nothing and their transcripts pass; converted back, every file is the original byte for byte.
# An emoji added to a UTF-8 file becomes the geta mark 〓 (81 AC) in the program and in the
# converter alike.
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
utf8_file=$work/utf8/characters/akari/zatsudan.txt
printf '%s\r\n' 'なるほどね😊' >> "$utf8_file"
report=$("$program" --home "$work/utf8" --lint "$work/utf8/akari.klc" || true)
echo "$report" | grep -q 'zatsudan.txt:[0-9]*: warning: Shift-JIS にない文字「😊」は「〓」として読まれます'
python3 "$tools/convert_character.py" --to shift-jis "$work/utf8/akari.klc" "$work/geta" \
  2> "$work/problems.txt"
grep -q '「😊」は Shift-JIS にないので「〓」にしました' "$work/problems.txt"
test "$(tail -c 4 "$work/geta/characters/akari/zatsudan.txt" | od -An -tx1 | tr -d ' \n')" = 81ac0d0a
