#!/usr/bin/env python3
"""The program as installed: `cmake --install` into a temporary DESTDIR, then the installed
program run in batch mode as a user whose HOME and XDG_DATA_HOME are temporary folders.

    install_test.py CMAKE BUILD_FOLDER

Checked: every part lands where the desktop looks for it; the first start makes the user's
program folder and copies the bundled characters into it (keeping a file the user already had),
lists them and talks with the first; the PNG pictures decode through the installed decoder; the
second start copies nothing again and keeps the user's changes and the character's state file.
"""

import json
import os
import subprocess
import sys
import tempfile

PREFIX = "/usr"
INSTALLED = [
    "bin/dorrinkelmo",
    "include/dorrinkelmo/susie_plugin.h",
    "share/dorrinkelmo/akari.klc",
    "share/dorrinkelmo/mugi.klc",
    "share/dorrinkelmo/characters/akari/futsuu.bmp",
    "share/applications/org.example.dorrinkelmo.DorrinKelmo.desktop",
    "share/metainfo/org.example.dorrinkelmo.DorrinKelmo.metainfo.xml",
    "share/mime/packages/dorrinkelmo-character.xml",
    "share/man/man1/dorrinkelmo.1",
] + [f"share/icons/hicolor/{size}x{size}/apps/dorrinkelmo.png"
     for size in (16, 24, 32, 48, 64, 128, 256)]
# A mugi.klc of the user's own, there before the first start.
USERS_MUGI = "name\r\nわたしのムギ\r\nfolder\r\ncharacters\\mugi\r\n".encode("cp932")


def fail(message):
    sys.exit("install test: " + message)


def read(path):
    with open(path, "rb") as file:
        return file.read()


def run_batch(program, environment, folder, lines):
    done = subprocess.run([program, "--batch", "--seed", "7", os.path.join(folder, "akari.klc")],
                          env=environment, cwd="/", input="\n".join(lines).encode() + b"\n",
                          capture_output=True, timeout=120)
    if done.returncode != 0:
        fail(f"the installed program failed ({done.returncode}): {done.stderr.decode()}")
    return [json.loads(line) for line in done.stdout.decode().splitlines()]


def main():
    cmake, build = sys.argv[1:3]
    with tempfile.TemporaryDirectory() as root:
        destination = os.path.join(root, "destdir")
        subprocess.run([cmake, "--install", build, "--prefix", PREFIX],
                       env=dict(os.environ, DESTDIR=destination), check=True,
                       stdout=subprocess.DEVNULL)
        installed = destination + PREFIX
        missing = [path for path in INSTALLED if not os.path.isfile(os.path.join(installed, path))]
        decoders = [name for folder, _, names in os.walk(installed) for name in names
                    if os.path.basename(folder) == "SPIs" and name == "png.spi"]
        if missing or not decoders:
            fail(f"not installed: {missing + ([] if decoders else ['.../SPIs/png.spi'])}")

        home = os.path.join(root, "home")
        data = os.path.join(root, "data")
        folder = os.path.join(data, "dorrinkelmo")
        os.makedirs(folder)
        with open(os.path.join(folder, "mugi.klc"), "wb") as mine:
            mine.write(USERS_MUGI)
        environment = {"PATH": "/usr/bin:/bin", "HOME": home, "XDG_DATA_HOME": data,
                       "LSAN_OPTIONS": os.environ.get("LSAN_OPTIONS", "")}
        program = os.path.join(installed, "bin", "dorrinkelmo")

        records = run_batch(program, environment, folder, ["なでなで"])
        if read(os.path.join(folder, "mugi.klc")) != USERS_MUGI:
            fail("the first start replaced the user's own mugi.klc")
        bundled = os.path.join(installed, "share", "dorrinkelmo", "characters", "akari")
        for name in os.listdir(bundled):
            if read(os.path.join(folder, "characters", "akari", name)) != read(
                    os.path.join(bundled, name)):
                fail(f"characters/akari/{name} was not copied whole")
        settings = read(os.path.join(folder, "Kelmo.ini")).decode("cp932")
        if "Char1=" + os.path.join(folder, "akari.klc") not in settings:
            fail("the first start did not list the bundled characters:\n" + settings)
        pictures = [record for record in records if record["event"] == "picture"]
        if not any(record["path"].endswith(".png") and record["ok"] for record in pictures):
            fail(f"no PNG picture decoded through the installed decoder: {pictures}")
        if any(not record["ok"] for record in pictures):
            fail(f"a picture did not decode: {pictures}")

        # The user changes a character and removes a file; the second start keeps both.
        definition = os.path.join(folder, "akari.klc")
        changed = read(definition) + b"memo\r\nmine\r\n"
        with open(definition, "wb") as file:
            file.write(changed)
        os.remove(os.path.join(folder, "characters", "akari", "chime.wav"))
        states = [name for name in os.listdir(os.path.join(folder, "characters", "akari"))
                  if name.endswith(".kls")]
        if not states:
            fail("the first conversation left no state file in the user's folder")
        run_batch(program, environment, folder, ["こんにちは"])
        if read(definition) != changed:
            fail("the second start replaced the user's changed akari.klc")
        if os.path.exists(os.path.join(folder, "characters", "akari", "chime.wav")):
            fail("the second start copied the bundled characters again")
    print("installed, first start copied the characters, second start kept the user's files")


if __name__ == "__main__":
    main()
