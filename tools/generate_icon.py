#!/usr/bin/env python3
"""Writes the program's icon, drawn in tools/kelmoart/icon_art.py: the one the program carries to
src/gui/icons/, and one per size of the desktop's icon theme to packaging/icons/<size>/.

    python3 tools/generate_icon.py           write the icons (the output is committed)
    python3 tools/generate_icon.py --check   fail when a committed icon differs from the output
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
PROGRAM_ICON = os.path.join(ROOT, "src", "gui", "icons", "dorrinkelmo.png")
# The sizes installed into the hicolor icon theme (packaging/CMakeLists.txt installs each).
THEME_SIZES = (16, 24, 32, 48, 64, 128, 256)


def theme_icon(size):
    return os.path.join(ROOT, "packaging", "icons", f"{size}x{size}", "dorrinkelmo.png")


def icon_bytes(size=icon_art.SIZE):
    """The icon as an 8-bit RGBA PNG (no filtering, one IDAT chunk)."""
    canvas = icon_art.draw(size)
    raw = b""
    for colours, alphas in zip(canvas.rows(), icon_art.alpha_rows(size)):
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
    outputs = [(PROGRAM_ICON, icon_art.SIZE)] + [(theme_icon(size), size) for size in THEME_SIZES]
    for path, size in outputs:
        data = icon_bytes(size)
        if arguments.check:
            with open(path, "rb") as committed:
                if committed.read() != data:
                    sys.exit(f"{path} differs from the generator's output")
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
