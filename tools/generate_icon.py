#!/usr/bin/env python3
"""Writes the program's icon, drawn in tools/kelmoart/icon_art.py, to src/gui/icons/.

    python3 tools/generate_icon.py           write the icon (the output is committed)
    python3 tools/generate_icon.py --check   fail when the committed icon differs from the output
"""

import argparse
import os
import struct
import sys
import zlib

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__ folders
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from kelmoart import icon_art, imagefiles  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUTPUT = os.path.join(ROOT, "src", "gui", "icons", "dorrinkelmo.png")


def icon_bytes():
    """The icon as an 8-bit RGBA PNG (no filtering, one IDAT chunk)."""
    canvas = icon_art.draw()
    raw = b""
    for colours, alphas in zip(canvas.rows(), icon_art.alpha_rows()):
        raw += b"\0" + b"".join(colours[3 * x:3 * x + 3] + alphas[x:x + 1]
                                for x in range(canvas.width))
    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + imagefiles.png_chunk(b"IHDR", header)
            + imagefiles.png_chunk(b"IDAT", zlib.compress(raw, 9))
            + imagefiles.png_chunk(b"IEND", b""))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="compare instead of writing")
    arguments = parser.parse_args()
    data = icon_bytes()
    if arguments.check:
        with open(OUTPUT, "rb") as committed:
            if committed.read() != data:
                sys.exit(f"{OUTPUT} differs from the generator's output")
        return
    with open(OUTPUT, "wb") as out:
        out.write(data)


if __name__ == "__main__":
    main()
