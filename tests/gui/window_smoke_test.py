#!/usr/bin/env python3
"""The real program on a real (virtual) display, started as a user starts it: with the bundled
character あかり, its window must appear with the greeting typed in Japanese, and a close request
must end it cleanly with exit status 0 after its shut-down has run. With a display named that
cannot be reached, it must say so in one line and run in the terminal instead.

    window_smoke_test.py PROGRAM      (run under a display: xvfb-run -a window_smoke_test.py ...)

The program folder is a temporary copy of the one beside PROGRAM, with a complete profile so that
no settings dialog asks for one. The window is found with xdotool and photographed with
ImageMagick's import; "typed" means dark glyph pixels inside the balloon edit's area. The close
request is SIGTERM, which the window treats as its close box (without waiting on a message box).
"""

import os
import signal
import subprocess
import sys
import tempfile

from smoke_support import PATIENCE_SECONDS, PROFILE, failer, prepare_home, wait_for

fail = failer("window smoke test")

CAPTION = "あかり - DorrinKelmo"
# The balloon edit in window pixels (x, y, width, height) beside the 200-pixel picture box.
BALLOON_EDIT = (240, 20, 270, 160)
# A pixel darker than this (0..255 luminance) is ink; the balloon's own colours are far lighter.
INK_LUMINANCE = 96
# Ink pixels that show several letters were painted (one letter at 12 pixels has a few dozen).
MIN_INK_PIXELS = 60
# A display nobody serves, and what the program says about it.
UNREACHABLE_DISPLAY = ":4095"
NO_WINDOW_MESSAGE = "画面に接続できないため、端末で起動します"



def find_window():
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", CAPTION],
                           capture_output=True, text=True)
    ids = found.stdout.split()
    return ids[0] if ids else None


def read_ppm(data):
    """(width, height, RGB bytes) of a binary PPM."""
    fields = []
    position = 0
    while len(fields) < 4:
        while data[position:position + 1].isspace():
            position += 1
        if data[position:position + 1] == b"#":
            position = data.index(b"\n", position)
            continue
        end = position
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[position:end])
        position = end
    if fields[0] != b"P6" or int(fields[3]) != 255:
        fail("unexpected screenshot format")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[position + 1:position + 1 + width * height * 3]


def ink_in_balloon(window):
    shot = subprocess.run(["import", "-window", window, "-depth", "8", "ppm:-"],
                          capture_output=True)
    if shot.returncode != 0:
        return 0
    width, height, pixels = read_ppm(shot.stdout)
    x0, y0, w, h = BALLOON_EDIT
    if width < x0 + w or height < y0 + h:
        return 0
    ink = 0
    for y in range(y0, y0 + h):
        row = (y * width + x0) * 3
        for i in range(row, row + w * 3, 3):
            r, g, b = pixels[i], pixels[i + 1], pixels[i + 2]
            if 0.299 * r + 0.587 * g + 0.114 * b < INK_LUMINANCE:
                ink += 1
    return ink


def check_window(program, home, environment):
    process = subprocess.Popen([program, "--home", home, os.path.join(home, "akari.klc")],
                               env=environment)
    try:
        window = wait_for(find_window, "the window " + CAPTION, fail)
        wait_for(lambda: process.poll() is None and
                 ink_in_balloon(window) >= MIN_INK_PIXELS, "the greeting in the balloon", fail)
        process.send_signal(signal.SIGTERM)
        status = process.wait(timeout=PATIENCE_SECONDS)
    finally:
        if process.poll() is None:
            process.kill()
    if status != 0:
        fail("exit status %d after the close request" % status)
    with open(os.path.join(home, "dorrinkelmo.log"), "rb") as log:
        if "# End chatting with あかり".encode("cp932") not in log.read():
            fail("the conversation log lacks the end of the chat: shut-down did not run")


def check_terminal_fallback(program, home, environment):
    """The end of input closes the terminal front end, as Ctrl+D does."""
    finished = subprocess.run([program, "--home", home, os.path.join(home, "akari.klc")],
                              env=dict(environment, DISPLAY=UNREACHABLE_DISPLAY),
                              stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=PATIENCE_SECONDS)
    errors = finished.stderr.decode("utf-8", "replace")
    if finished.returncode != 0 or NO_WINDOW_MESSAGE not in errors:
        fail("no terminal after an unreachable display (status %d): %s"
             % (finished.returncode, errors))
    if "あかり: " not in finished.stdout.decode("utf-8", "replace"):
        fail("the terminal front end did not speak")


def main():
    if len(sys.argv) != 2:
        fail("usage: window_smoke_test.py PROGRAM")
    program = os.path.abspath(sys.argv[1])
    if not os.environ.get("DISPLAY"):
        fail("no display (run it under xvfb-run)")
    environment = dict(os.environ, LANG="C.UTF-8")
    environment.pop("QT_QPA_PLATFORM", None)  # the real window system, not the tests' offscreen
    environment.pop("WAYLAND_DISPLAY", None)  # X11 only: the one Xvfb serves
    with tempfile.TemporaryDirectory() as home:
        prepare_home(os.path.dirname(program), home, "akari", PROFILE, with_decoders=True)
        check_window(program, home, environment)
        check_terminal_fallback(program, home, environment)


if __name__ == "__main__":
    main()
