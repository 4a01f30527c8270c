#!/usr/bin/env python3
"""Builds the bundled characters under characters/ from the masters in tools/dialogue/ and the
pictures and sounds drawn in tools/kelmoart/.

    python3 tools/generate_characters.py           write characters/ (the output is committed)
    python3 tools/generate_characters.py --check   fail when characters/ differs from the output
    python3 tools/generate_characters.py --counts  print the entries of every dictionary

Dialogue masters are UTF-8 with LF line ends; the characters get Shift-JIS with CR LF. The files
named in SCRAMBLED are shipped scrambled under the file key given there. Only the standard library
is used, so the generator runs wherever Python 3 does.
"""

import argparse
import filecmp
import os
import sys
import tempfile

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__ folders
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from kelmoart import akari_art, imagefiles, mugi_art, sound  # noqa: E402
from kelmoart.datafiles import (DICTIONARY_KEYS, DataError, check_dictionary,  # noqa: E402
                                encode_text, join_crlf, read_master_lines, scramble_lines,
                                split_comma_text)

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DIALOGUE = os.path.join(ROOT, "tools", "dialogue")
OUTPUT = os.path.join(ROOT, "characters")

# The bundled characters, by the id that names their .klc file and their folder.
CHARACTERS = ("akari", "mugi")

# Files stored scrambled, with their file key (as text; it is stored in Shift-JIS).
SCRAMBLED = {("akari", "himitsu.txt"): "灯のひみつ"}


def pictures(character):
    """(file name, bytes) of every picture and sound of a character."""
    if character == "akari":
        for expression in akari_art.EXPRESSIONS:
            rows = akari_art.draw(expression).rows()
            if expression == "nemui":
                yield "nemui.jpg", imagefiles.jpeg_bytes(rows, akari_art.SIZE, akari_art.SIZE)
            elif expression == "tere":
                yield "tere.png", imagefiles.png_bytes(rows, akari_art.SIZE, akari_art.SIZE)
            else:
                yield expression + ".bmp", imagefiles.bmp_bytes(rows, akari_art.SIZE, akari_art.SIZE)
        yield "chime.wav", sound.wav_bytes(sound.wind_chime())
    elif character == "mugi":
        for expression in mugi_art.EXPRESSIONS:
            rows = mugi_art.draw(expression).rows()
            yield expression + ".bmp", imagefiles.bmp_bytes(rows, mugi_art.SIZE, mugi_art.SIZE)
        for owner in ("char", "user"):
            rows = mugi_art.draw_balloon(owner).rows()
            yield ("balloon%s.bmp" % owner,
                   imagefiles.bmp_bytes(rows, mugi_art.BALLOON_WIDTH, mugi_art.BALLOON_HEIGHT))
        yield "suzu.wav", sound.wav_bytes(sound.cat_bell())


def definition_pairs(character):
    """The key and value pairs of a character's master definition file."""
    lines = read_master_lines(os.path.join(DIALOGUE, character + ".klc"))
    if len(lines) % 2:
        raise DataError(f"{character}.klc: a key without a value")
    return [(lines[i].lower(), lines[i + 1]) for i in range(0, len(lines), 2)]


def file_list(value, where):
    return [field.decode("cp932") for field in split_comma_text(encode_text(value, where))]


def data_files(character):
    """(file name, lines) of the dictionary and petting files of a character, checked."""
    pairs = dict(definition_pairs(character))
    kinds = {}
    for key, kind in DICTIONARY_KEYS.items():
        for name in file_list(pairs.get(key, ""), key):
            kinds[name] = kind
    if pairs.get("nadenade", "").lower() == "true":
        for name in file_list(pairs.get("datanadenade", ""), "datanadenade"):
            kinds[name] = "nadenade"
    folder = os.path.join(DIALOGUE, character)
    for name in sorted(os.listdir(folder)):
        if name not in kinds:
            raise DataError(f"{character}/{name} is not listed in {character}.klc")
    for name, kind in kinds.items():
        where = f"{character}/{name}"
        lines = read_master_lines(os.path.join(folder, name))
        if kind == "nadenade":
            for number, line in enumerate(lines, 1):
                if len(split_comma_text(encode_text(line, where))) != 2:
                    raise DataError(f"{where}:{number}: a petting action is a label and a text")
        else:
            check_dictionary(lines, kind, where)
        yield name, kind, lines


def entry_count(lines, kind):
    """Entries the program will load from the lines of one dictionary file."""
    count = 0
    for line in lines:
        if kind == "C":
            if line.strip().upper() not in ("{PRIOR}", "{ENDOFDATA}"):
                count += 1
            continue
        fields = split_comma_text(encode_text(line, "count"))
        if len(fields) >= (3 if kind == "A" else 2) and fields[0].upper() != b"{PRIOR}":
            count += 1
    return count


def build(character, target):
    """Writes the .klc file of a character into target and its folder below it."""
    folder = os.path.join(target, character)
    os.makedirs(folder, exist_ok=True)
    klc_lines = read_master_lines(os.path.join(DIALOGUE, character + ".klc"))
    definition_pairs(character)  # validates the pairing
    with open(os.path.join(target, character + ".klc"), "wb") as out:
        out.write(join_crlf([encode_text(line, character + ".klc") for line in klc_lines]))
    for name, _kind, lines in data_files(character):
        data = [encode_text(line, f"{character}/{name}") for line in lines]
        key = SCRAMBLED.get((character, name))
        if key is not None:
            data = scramble_lines(data, encode_text(key, "file key"))
        with open(os.path.join(folder, name), "wb") as out:
            out.write(join_crlf(data))
    for name, data in pictures(character):
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


def differences(expected, actual):
    """Relative paths that differ between two trees (only files present in expected count)."""
    found = []
    for directory, _subdirectories, files in os.walk(expected):
        for name in files:
            path = os.path.join(directory, name)
            relative = os.path.relpath(path, expected)
            other = os.path.join(actual, relative)
            if not os.path.exists(other) or not filecmp.cmp(path, other, shallow=False):
                found.append(relative)
    return sorted(found)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="compare instead of writing")
    parser.add_argument("--counts", action="store_true", help="print the dictionary entries")
    arguments = parser.parse_args()
    try:
        if arguments.counts:
            for character in CHARACTERS:
                total = 0
                for name, kind, lines in data_files(character):
                    if kind != "nadenade":
                        count = entry_count(lines, kind)
                        total += count
                        print(f"{character}/{name} (kind {kind}): {count}")
                print(f"{character}: {total} entries")
            return 0
        if arguments.check:
            with tempfile.TemporaryDirectory() as scratch:
                for character in CHARACTERS:
                    build(character, scratch)
                stale = differences(scratch, OUTPUT)
            for relative in stale:
                print(f"characters/{relative} is not what the generator makes", file=sys.stderr)
            return 1 if stale else 0
        for character in CHARACTERS:
            build(character, OUTPUT)
        return 0
    except DataError as error:
        print(f"error: {error}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
