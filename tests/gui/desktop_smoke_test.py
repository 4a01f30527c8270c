#!/usr/bin/env python3
"""The real program on a virtual display without a compositor, with the character on the desktop:
the bundled character ムギ (whose pictures are colour-keyed) must stand in a window cut to its
picture and its balloon in a window of its own beside it.

    desktop_smoke_test.py PROGRAM      (run under a display: xvfb-run -a desktop_smoke_test.py ...)

The program folder is a temporary copy of the one beside PROGRAM with a complete profile, the
desktop mode switched on and a place stored. Plain Xvfb runs no compositor, so the windows must
be shaped: the character window's bounding shape, as the X server reports it (XShapeGetRectangles
through ctypes), must leave out the picture's bottom-left pixel (the key colour itself) and a fair
part of the window, and hold most of the figure. The balloon window must be as high as the
character's top and touch the character's left or right edge. The main window with its frame
must not be shown.
"""

import ctypes
import ctypes.util
import os
import signal
import subprocess
import sys
import tempfile

from smoke_support import PATIENCE_SECONDS, PROFILE, failer, prepare_home, wait_for

fail = failer("desktop smoke test")

CAPTION = "ムギ - DorrinKelmo"
# The built-in measures of the balloon at a zoom of 100 %.
BALLOON_SIZE = (350, 200)
# The stored place of the character window.
PLACE = (120, 80)
SETTINGS = (PROFILE +
            "[Window]\r\nTop=%d\r\nLeft=%d\r\n[Main]\r\nDesktopMode=1\r\n" % (PLACE[1], PLACE[0]))
# The shape must leave out at least this share of the window: the background around a figure.
MIN_SEE_THROUGH_SHARE = 0.1

SHAPE_BOUNDING = 0


class XRectangle(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort)]


def visible_windows():
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", CAPTION],
                           capture_output=True, text=True)
    return found.stdout.split()


def geometry(window):
    """(x, y, width, height) of the window on the screen, from xwininfo."""
    info = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True).stdout
    values = {}
    for line in info.splitlines():
        name, _, value = line.strip().partition(":")
        values[name] = value.strip()
    return tuple(int(values[key]) for key in
                 ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))


def bounding_shape(window):
    """The window's bounding shape as the X server reports it: a list of (x, y, w, h)."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    xext = ctypes.CDLL(ctypes.util.find_library("Xext"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    xext.XShapeGetRectangles.restype = ctypes.POINTER(XRectangle)
    xext.XShapeGetRectangles.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                         ctypes.POINTER(ctypes.c_int),
                                         ctypes.POINTER(ctypes.c_int)]
    display = x11.XOpenDisplay(None)
    if not display:
        fail("cannot open the display")
    try:
        count, ordering = ctypes.c_int(0), ctypes.c_int(0)
        rectangles = xext.XShapeGetRectangles(display, int(window), SHAPE_BOUNDING,
                                              ctypes.byref(count), ctypes.byref(ordering))
        shape = [(rectangles[i].x, rectangles[i].y, rectangles[i].width, rectangles[i].height)
                 for i in range(count.value)]
        if rectangles:
            x11.XFree(rectangles)
        return shape
    finally:
        x11.XCloseDisplay(display)


def inside(shape, x, y):
    return any(rx <= x < rx + w and ry <= y < ry + h for rx, ry, w, h in shape)


def desktop_windows():
    """(character, balloon) once both are shown, else None."""
    windows = visible_windows()
    if len(windows) != 2:
        return None
    by_size = sorted(windows, key=lambda window: geometry(window)[2:] == BALLOON_SIZE)
    if geometry(by_size[1])[2:] != BALLOON_SIZE:
        return None
    return by_size[0], by_size[1]


def check_desktop(program, home, environment):
    process = subprocess.Popen([program, "--home", home, os.path.join(home, "mugi.klc")],
                               env=environment)
    try:
        character, balloon = wait_for(desktop_windows, "the character and its balloon", fail)
        x, y, width, height = geometry(character)
        shape = wait_for(lambda: bounding_shape(character), "the character window's shape", fail)
        if (x, y) != PLACE:
            fail("the character stands at %d, %d instead of the stored place" % (x, y))
        if inside(shape, 0, height - 1):
            fail("the key colour's own pixel (bottom-left) is inside the shape")
        area = sum(w * h for _, _, w, h in shape)
        if area > (1 - MIN_SEE_THROUGH_SHARE) * width * height or area == 0:
            fail("the shape covers %d of %d pixels: the background is not cut away"
                 % (area, width * height))
        bx, by, bw, bh = geometry(balloon)
        if by != y or (bx != x + width and bx + bw != x):
            fail("the balloon at %d, %d (%d x %d) is not beside the character at %d, %d (%d x %d)"
                 % (bx, by, bw, bh, x, y, width, height))
        if not bounding_shape(balloon):
            fail("the balloon window is not shaped")
        process.send_signal(signal.SIGTERM)
        status = process.wait(timeout=PATIENCE_SECONDS)
    finally:
        if process.poll() is None:
            process.kill()
    if status != 0:
        fail("exit status %d after the close request" % status)
    with open(os.path.join(home, "Kelmo.ini"), "rb") as settings:
        if b"DesktopMode=1" not in settings.read():
            fail("the mode was not stored again")


def main():
    if len(sys.argv) != 2:
        fail("usage: desktop_smoke_test.py PROGRAM")
    program = os.path.abspath(sys.argv[1])
    if not os.environ.get("DISPLAY"):
        fail("no display (run it under xvfb-run)")
    environment = dict(os.environ, LANG="C.UTF-8")
    environment.pop("QT_QPA_PLATFORM", None)
    environment.pop("WAYLAND_DISPLAY", None)
    with tempfile.TemporaryDirectory() as home:
        prepare_home(os.path.dirname(program), home, "mugi", SETTINGS)
        check_desktop(program, home, environment)


if __name__ == "__main__":
    main()
