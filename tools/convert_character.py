#!/usr/bin/env python3
"""Converts a whole character between the two encodings its text files may have.

    python3 tools/convert_character.py --to utf-8 DIR/akari.klc OUTPUT
    python3 tools/convert_character.py --to shift-jis OUTPUT/akari.klc BACK

The program reads definition, dictionary and petting files as Shift-JIS, or as UTF-8 when a file
begins with the UTF-8 byte order mark. This copies a character (its definition file and its
folder) into the folder OUTPUT, at the places they hold relative to the definition file's folder,
and converts its text files: to UTF-8 with the byte order mark, or back to Shift-JIS without it.
A character that Shift-JIS cannot hold becomes the geta mark 〓, as the program would read it, and
is listed on standard error as "file:line: ...". Pictures, sounds, the state file and scrambled dictionaries
are copied unchanged (a scrambled file stays Shift-JIS). Shift-JIS is written by the system's
iconv with "CP932", the converter the program uses, so that a character with two codes (such as
髙) keeps the code the program gives it, and converting there and back gives the same bytes.
"""

import argparse
import os
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__ folders
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from kelmoart.datafiles import DICTIONARY_KEYS, SCRAMBLED_MARKER, split_comma_text  # noqa: E402

BYTE_ORDER_MARK = b"\xef\xbb\xbf"
# What a character Shift-JIS cannot hold becomes: the geta mark 〓 (U+3013) in Shift-JIS.
GETA_MARK = b"\x81\xac"
# Keys whose values list the character's text files.
TEXT_FILE_KEYS = tuple(DICTIONARY_KEYS) + ("datanadenade",)


def split_lines(text):
    """Lines by the program's line rule: CR LF, CR or LF end a line, a NUL ends the text, and a
    final line break adds no empty line."""
    lines = text.split("\0")[0].replace("\r\n", "\n").replace("\r", "\n").split("\n")
    return lines[:-1] if lines and lines[-1] == "" else lines


def ascii_lower(text):
    return "".join(c.lower() if "A" <= c <= "Z" else c for c in text)


def decode(data):
    """The text of a data file: UTF-8 after a byte order mark, Shift-JIS otherwise."""
    if data.startswith(BYTE_ORDER_MARK):
        return data[len(BYTE_ORDER_MARK):].decode("utf-8", errors="replace")
    return data.decode("cp932", errors="replace")


def is_scrambled(data):
    return data[:len(SCRAMBLED_MARKER)].lower() == SCRAMBLED_MARKER


class ShiftJisEncoder:
    """Encodes text as iconv's CP932 does, the geta mark for what it cannot hold."""

    def __init__(self):
        self.codes = {}

    def learn(self, characters):
        unknown = sorted({c for c in characters if ord(c) >= 0x80} - self.codes.keys())
        if not unknown:
            return
        # One character per line: iconv -c drops a character it cannot convert, leaving its line
        # empty.
        result = subprocess.run(["iconv", "-c", "-f", "UTF-8", "-t", "CP932"],
                                input="\n".join(unknown).encode("utf-8", errors="replace"),
                                capture_output=True, check=False)
        for character, code in zip(unknown, result.stdout.split(b"\n")):
            self.codes[character] = code or None

    def encode(self, text, where, problems):
        self.learn(text)
        out = bytearray()
        line = 1
        previous = ""
        for character in text:
            if character in "\r\n":
                if not (character == "\n" and previous == "\r"):
                    line += 1
                out += character.encode("ascii")
            elif ord(character) < 0x80:
                out += character.encode("ascii")
            elif self.codes[character] is None:
                problems.append(f"{where}:{line}: 「{character}」は Shift-JIS にないので「〓」にしました")
                out += GETA_MARK
            else:
                out += self.codes[character]
            previous = character
        return bytes(out)


def convert(data, target, where, encoder, problems):
    """The bytes of a text file in the target encoding."""
    if is_scrambled(data):
        return data
    if target == "utf-8":
        return data if data.startswith(BYTE_ORDER_MARK) else BYTE_ORDER_MARK + decode(data).encode(
            "utf-8")
    if not data.startswith(BYTE_ORDER_MARK):
        return data
    return encoder.encode(decode(data), where, problems)


def resolve(folder, name):
    """The existing path of a data path (backslashes as separators, letter case ignored where the
    name does not exist as written), or None."""
    path = folder
    for part in name.replace("\\", "/").split("/"):
        if part in ("", "."):
            continue
        candidate = os.path.join(path, part)
        if not os.path.exists(candidate) and os.path.isdir(path):
            matches = [entry for entry in sorted(os.listdir(path)) if entry.lower() == part.lower()]
            candidate = os.path.join(path, matches[0]) if matches else candidate
        path = candidate
    return path if os.path.exists(path) else None


def definition_pairs(text):
    """The key and value lines of a definition file; of two pairs with one key, the first."""
    lines = split_lines(text)
    pairs = {}
    for i in range(0, len(lines) - 1, 2):
        pairs.setdefault(ascii_lower(lines[i]), lines[i + 1])
    return pairs


def main():
    parser = argparse.ArgumentParser(description="Converts a character's text files.")
    parser.add_argument("--to", required=True, choices=("utf-8", "shift-jis"))
    parser.add_argument("definition", help="the character's definition file (.klc)")
    parser.add_argument("output", help="the folder that receives the converted character")
    arguments = parser.parse_args()

    definition = os.path.abspath(arguments.definition)
    base = os.path.dirname(definition)
    output = os.path.abspath(arguments.output)
    with open(definition, "rb") as file:
        definition_bytes = file.read()
    pairs = definition_pairs(decode(definition_bytes))
    folder = resolve(base, pairs.get("folder", "")) or base

    def destination(path):
        relative = os.path.relpath(path, base)
        if relative.startswith(".."):
            raise SystemExit(f"{path}: lies outside {base}; convert it on its own")
        return os.path.join(output, relative)

    if os.path.normpath(folder) != os.path.normpath(base):
        shutil.copytree(folder, destination(folder), dirs_exist_ok=True)
    encoder = ShiftJisEncoder()
    problems = []
    texts = [definition]
    for key in TEXT_FILE_KEYS:
        value = pairs.get(key, "").encode("cp932", errors="replace")
        for name in split_comma_text(value):
            path = resolve(folder, name.decode("cp932", errors="replace"))
            if path is None:
                print(f"{definition}: {key}: {name.decode('cp932', errors='replace')} がありません",
                      file=sys.stderr)
            elif path not in texts:
                texts.append(path)
    for path in texts:
        with open(path, "rb") as file:
            data = file.read()
        target = destination(path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as file:
            file.write(convert(data, arguments.to, os.path.relpath(path, base), encoder, problems))
    for problem in problems:
        print(problem, file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
