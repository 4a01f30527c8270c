#!/usr/bin/env python3
"""SIGTERM and SIGINT end the real program while a start-up dialog waits for the user, in the
window (Qt's offscreen platform) and in the terminal: the questions for the user's profile at the
first start, and the character selection when the start character cannot be loaded. Each start
must end with status 0 within the patience, and leave the program folder's lock free.

    startup_signal_test.py PROGRAM

A signal is sent once the program catches it (its handler shows in /proc/PID/status) and the
dialog has had a moment to open; a signal that came before the dialog must end the start-up all
the same.
"""

import fcntl
import os
import signal
import subprocess
import sys
import tempfile
import time

PATIENCE_SECONDS = 60
POLL_SECONDS = 0.05
# Time for the dialog to open once the handlers are in place.
DIALOG_SECONDS = 1.5

PROFILE = "[User]\r\nUser=山田{BR}太郎{BR}たろう{BR}たろちゃん{BR}{BR}1990/02/03\r\n"
LOCK_FILE = ".dorrinkelmo.lock"

# (name, front-end arguments, whether the profile is complete, the start character, the signal)
CASES = [
    ("window, profile questions", [], False, "plain.klc", signal.SIGTERM),
    ("window, character selection", [], True, "missing.klc", signal.SIGINT),
    ("terminal, profile questions", ["--tty"], False, "plain.klc", signal.SIGINT),
    ("terminal, character selection", ["--tty"], True, "missing.klc", signal.SIGTERM),
]


def fail(message):
    sys.exit("start-up signal test: " + message)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(text.encode("cp932"))


def catches(process, number):
    """Whether the process has a handler for the signal."""
    try:
        with open(f"/proc/{process.pid}/status") as status:
            for line in status:
                if line.startswith("SigCgt:"):
                    return int(line.split()[1], 16) >> (number - 1) & 1 == 1
    except FileNotFoundError:
        pass
    return False


def lock_is_free(home):
    with open(os.path.join(home, LOCK_FILE), "rb") as lock:
        try:
            fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except BlockingIOError:
            return False
        fcntl.flock(lock, fcntl.LOCK_UN)
        return True


def run_case(program, root, case):
    name, front_end, profile, start, number = case
    home = os.path.join(root, name.replace(" ", "_").replace(",", ""))
    write(os.path.join(home, "Kelmo.ini"), PROFILE if profile else "[Balloon]\r\nSpeed=1\r\n")
    write(os.path.join(home, "plain", "dict.txt"), '"TRUE","hm"\r\n')
    write(os.path.join(home, "plain.klc"),
          "name\r\nPlain\r\nfolder\r\nplain\r\nversion\r\n210\r\ndata02\r\ndict.txt\r\n")
    environment = dict(os.environ, QT_QPA_PLATFORM="offscreen", DISPLAY=":4094", HOME=root,
                       XDG_RUNTIME_DIR=root, LANG="C.UTF-8")
    process = subprocess.Popen([program, "--home", home, *front_end, os.path.join(home, start)],
                               env=environment, stdin=subprocess.PIPE,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        deadline = time.monotonic() + PATIENCE_SECONDS
        while not catches(process, number):
            if process.poll() is not None or time.monotonic() > deadline:
                fail(f"{name}: the program never caught signal {number}")
            time.sleep(POLL_SECONDS)
        time.sleep(DIALOG_SECONDS)
        if process.poll() is not None:
            fail(f"{name}: the program ended before the signal: "
                 + process.stderr.read().decode().strip())
        process.send_signal(number)
        try:
            status = process.wait(PATIENCE_SECONDS)
        except subprocess.TimeoutExpired:
            fail(f"{name}: signal {number} did not end the program")
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
        process.stdin.close()
    if status != 0:
        fail(f"{name}: exit status {status}: {process.stderr.read().decode().strip()}")
    if not lock_is_free(home):
        fail(f"{name}: the program folder is still locked")


def main():
    if len(sys.argv) != 2:
        fail("usage: startup_signal_test.py PROGRAM")
    program = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as root:
        for case in CASES:
            run_case(program, root, case)
    print(f"{len(CASES)} start-up dialogs ended by a signal, each folder unlocked")


if __name__ == "__main__":
    main()
