#!/bin/sh
# Test helper standing in for a program a character entrusts with work. Its first argument is the
# answer file. It writes its process id to "pid" beside the answer file, waits until a file named
# "release" appears there (at most ten seconds), then writes its remaining arguments, one per line,
# to the answer file and ends.
answer="$1"
shift
folder="$(dirname "$answer")"
echo $$ > "$folder/pid"
release="$folder/release"
tries=0
while [ ! -e "$release" ] && [ "$tries" -lt 1000 ]; do
  sleep 0.01
  tries=$((tries + 1))
done
printf '%s\r\n' "$@" > "$answer.part"
mv "$answer.part" "$answer"
