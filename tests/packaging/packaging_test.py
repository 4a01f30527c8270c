#!/usr/bin/env python3
"""The files that make the program a desktop program, checked as the desktop's own tools check
them: the desktop entry (desktop-file-validate), the AppStream metainfo (appstreamcli validate),
the MIME type (update-mime-database, then the glob and the type's name), the icons (each PNG of
the size its folder names), and the manual page (groff without warnings, every option of
`dorrinkelmo --help` described).

    packaging_test.py PACKAGING_FOLDER PROGRAM
"""

import os
import re
import struct
import subprocess
import sys
import tempfile

DESKTOP_ID = "org.example.dorrinkelmo.DorrinKelmo"
MIME_TYPE = "application/x-dorrinkelmo-character"
PACKAGE_MIME_TYPE = "application/x-dorrinkelmo-package"


def fail(message):
    sys.exit("packaging test: " + message)


def run(command, what):
    done = subprocess.run(command, capture_output=True, text=True)
    if done.returncode != 0:
        fail(f"{what} failed:\n{done.stdout}{done.stderr}")
    return done.stdout + done.stderr


def check_desktop_entry(folder):
    entry = os.path.join(folder, DESKTOP_ID + ".desktop")
    output = run(["desktop-file-validate", entry], "desktop-file-validate")
    if output.strip():
        fail("desktop-file-validate warns:\n" + output)
    with open(entry, encoding="utf-8") as file:
        text = file.read()
    for line in ("Exec=dorrinkelmo %f", "Icon=dorrinkelmo",
                 f"MimeType={MIME_TYPE};{PACKAGE_MIME_TYPE};"):
        if line not in text.splitlines():
            fail(f"the desktop entry lacks {line!r}")


def check_metainfo(folder):
    run(["appstreamcli", "validate", "--no-net",
         os.path.join(folder, DESKTOP_ID + ".metainfo.xml")], "appstreamcli validate")


def check_mime_type(folder):
    with tempfile.TemporaryDirectory() as root:
        packages = os.path.join(root, "mime", "packages")
        os.makedirs(packages)
        with open(os.path.join(folder, "dorrinkelmo-character.xml"), "rb") as source, \
                open(os.path.join(packages, "dorrinkelmo-character.xml"), "wb") as copy:
            copy.write(source.read())
        run(["update-mime-database", "-V", os.path.join(root, "mime")], "update-mime-database")
        with open(os.path.join(root, "mime", "globs2"), encoding="utf-8") as globs:
            lines = [line.strip() for line in globs]
        for mime_type, glob in ((MIME_TYPE, "*.klc"), (PACKAGE_MIME_TYPE, "*.klz")):
            if not any(line.endswith(f":{mime_type}:{glob}") for line in lines):
                fail(f"the MIME database does not map {glob} to {mime_type}")
        with open(os.path.join(root, "mime", "subclasses"), encoding="utf-8") as subclasses:
            if f"{PACKAGE_MIME_TYPE} application/zip" not in subclasses.read().splitlines():
                fail(f"{PACKAGE_MIME_TYPE} is no sub-class of application/zip")


def check_icons(folder):
    icons = os.path.join(folder, "icons")
    sizes = sorted(os.listdir(icons))
    if len(sizes) < 2:
        fail("the icon theme gets fewer than two sizes")
    for size in sizes:
        with open(os.path.join(icons, size, "dorrinkelmo.png"), "rb") as png:
            header = png.read(24)
        width, height = struct.unpack(">II", header[16:24])
        if header[:8] != b"\x89PNG\r\n\x1a\n" or f"{width}x{height}" != size:
            fail(f"icons/{size}/dorrinkelmo.png is not a {size} PNG")


def check_manual(folder, program):
    page = os.path.join(folder, "dorrinkelmo.1")
    warnings = run(["groff", "-man", "-Tutf8", "-ww", "-z", page], "groff")
    if warnings.strip():
        fail("groff warns about the manual page:\n" + warnings)
    usage = run([program, "--help"], "dorrinkelmo --help")
    options = set(re.findall(r"--[a-z][a-z-]*", usage))
    if not options:
        fail("no option found in the usage text:\n" + usage)
    with open(page, encoding="utf-8") as file:
        text = file.read().replace("\\-", "-")
    undescribed = sorted(option for option in options
                         if not re.search(r"^\.(B|BI|BR) " + re.escape(option) + r"\b", text,
                                          re.MULTILINE))
    if undescribed:
        fail(f"the manual page describes no {', '.join(undescribed)}")


def main():
    folder, program = sys.argv[1:3]
    check_desktop_entry(folder)
    check_metainfo(folder)
    check_mime_type(folder)
    check_icons(folder)
    check_manual(folder, program)
    print("desktop entry, metainfo, MIME type, icons and manual page pass")


if __name__ == "__main__":
    main()
