#!/usr/bin/env python3
"""One program per program folder, with the real program in its window (Qt's offscreen platform):
a second start hands its command line over and ends, whatever the running program is doing.

    hand_over_test.py PROGRAM              the hand-over's cases
    hand_over_test.py --pairs N PROGRAM    N pairs of starts in quick succession

The cases: a plain second start, one with a character path (the running program switches), one
with --say after a reply (the line is answered) and while the character types (busy, exit
status 3), a path that is no character (exit status 1), a batch run on the folder (refused), a
character package opened as a file manager opens one (installed by the running window, the start
printing what), a lock left by a killed program (the next start runs), --say with nothing
running, and --say and --install to a conversation in the terminal (an update, and a file that is
no package).

The pairs: each pair starts two programs at once (both plain, or one switching to the same
character); one must hand over and end with status 0 while the other runs on, which is then ended
with SIGTERM once any switch is done. The character counts its greetings in its state file
(COUNT50); if two programs ever ran on the folder together, one would write its state over the
other's and greetings would go missing, and the conversation log would show a start too many.
"""

import argparse
import os
import signal
import subprocess
import sys
import tempfile
import time
import zipfile

PATIENCE_SECONDS = 60
POLL_SECONDS = 0.05
BUSY_STATUS = 3

PROFILE = "[User]\r\nUser=山田{BR}太郎{BR}たろう{BR}たろちゃん{BR}{BR}1990/02/03\r\n"
# One letter per millisecond: switches and replies take no time.
FAST = "[Balloon]\r\nSpeed=1\r\n"
# A greeting that counts and says nothing (the user's turn comes at once), a slow reply to keep
# the character typing, and an echo of everything else.
COUNTING_DICTIONARY = (
    '"{EQ{OPERATEMESSAGE}|KCCALLED}","{COUNT50++}}"\r\n'
    '"{EQ{OPERATEMESSAGE}|COUNT}","count={COUNT50}"\r\n'
    '"{EQ{OPERATEMESSAGE}|SLOW}","{DELAY:60000}slow"\r\n'
    "{PRIOR},-\r\n"
    '"TRUE","said {OPERATEMESSAGE}"\r\n')


def fail(message):
    sys.exit("hand-over test: " + message)


def wait_for(condition, description):
    deadline = time.monotonic() + PATIENCE_SECONDS
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(POLL_SECONDS)
    fail("gave up waiting for " + description)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(text.encode("cp932"))


def write_character(home, stem, name, dictionary):
    write(os.path.join(home, stem, "dict.txt"), dictionary)
    path = os.path.join(home, stem + ".klc")
    write(path, f"name\r\n{name}\r\nfolder\r\n{stem}\r\nversion\r\n210\r\ndata02\r\ndict.txt\r\n")
    return path


def write_package(path, stem, name):
    """A character package: the definition file and its folder's dictionary in a ZIP."""
    with zipfile.ZipFile(path, "w") as package:
        package.writestr(stem + ".klc", f"name\r\n{name}\r\nfolder\r\n{stem}\r\nversion\r\n210\r\n"
                         "data02\r\ndict.txt\r\n".encode("cp932"))
        package.writestr(stem + "/dict.txt", '"TRUE","ki"\r\n'.encode("cp932"))
    return path


class Folder:
    """A program folder with two characters, and the environment the program runs in."""

    def __init__(self, program, root):
        self.program = program
        self.home = os.path.join(root, "home")
        runtime = os.path.join(root, "run")
        os.makedirs(runtime, mode=0o700)
        write(os.path.join(self.home, "Kelmo.ini"), PROFILE + FAST)
        self.count = write_character(self.home, "count", "Count", COUNTING_DICTIONARY)
        self.second = write_character(self.home, "second", "Second",
                                      '"{EQ{OPERATEMESSAGE}|KCCALLED}","}"\r\n"TRUE","hm"\r\n')
        self.environment = dict(os.environ, QT_QPA_PLATFORM="offscreen", DISPLAY=":4094",
                                XDG_RUNTIME_DIR=runtime, HOME=root)
        self.socket_folder = os.path.join(runtime, "dorrinkelmo")

    def start(self, *arguments):
        """The program in its window, running on."""
        return subprocess.Popen([self.program, "--home", self.home, *arguments],
                                env=self.environment, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    def run(self, *arguments, stdin=""):
        """A start that ends by itself: (status, standard error)."""
        done = subprocess.run([self.program, "--home", self.home, *arguments],
                              env=self.environment, input=stdin.encode(), capture_output=True,
                              timeout=PATIENCE_SECONDS)
        return done.returncode, done.stderr.decode()

    def output_of(self, *arguments):
        """A start that ends by itself: (status, standard output and error)."""
        done = subprocess.run([self.program, "--home", self.home, *arguments],
                              env=self.environment, stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=PATIENCE_SECONDS)
        return done.returncode, done.stdout.decode() + done.stderr.decode()

    def serving(self):
        return os.path.isdir(self.socket_folder) and any(
            name.endswith(".sock") for name in os.listdir(self.socket_folder))

    def log(self):
        path = os.path.join(self.home, "dorrinkelmo.log")
        if not os.path.exists(path):
            return []
        with open(path, "rb") as log:
            return log.read().decode("cp932").split("\r\n")

    def starts_of(self, name):
        return sum(1 for line in self.log() if line.endswith("# Start chatting with " + name))


def expect_status(got, expected, what):
    status, errors = got
    if status != expected:
        fail(f"{what}: exit status {status}, expected {expected}: {errors.strip()}")
    return errors


def stop(process, what):
    process.send_signal(signal.SIGTERM)
    try:
        status = process.wait(PATIENCE_SECONDS)
    except subprocess.TimeoutExpired:
        process.kill()
        fail(what + " did not end on SIGTERM")
    if status != 0:
        fail(f"{what} ended with status {status}: {process.stderr.read().decode().strip()}")


def cases(folder):
    expect_status(folder.run("--say", "誰かいる？"), 1, "--say with nothing running")

    first = folder.start(folder.count)
    wait_for(folder.serving, "the first program to serve")
    expect_status(folder.run(), 0, "a plain second start")
    if first.poll() is not None:
        fail("the first program ended after a plain second start")

    expect_status(folder.run("--say", "テスト"), 0, "--say when the character is not talking")
    wait_for(lambda: "said テスト" in folder.log(), "the said line's answer in the log")
    if "テスト" not in folder.log():
        fail("the said line is not logged as the user's")

    expect_status(folder.run("--say", "slow"), 0, "--say of a slow reply")
    errors = expect_status(folder.run("--say", "まだ？"), BUSY_STATUS, "--say while typing")
    if "話している途中" not in errors:
        fail("--say while typing does not say the character is busy: " + errors)

    notes = os.path.join(folder.home, "notes.klc")
    write(notes, "just a note\r\n")
    errors = expect_status(folder.run(notes), 1, "a path that is no character")
    if notes not in errors:
        fail("the refusal does not name the file: " + errors)

    expect_status(folder.run(folder.second), 0, "a second start with a character")
    wait_for(lambda: folder.starts_of("Second") == 1, "the switch to the second character")

    errors = expect_status(folder.run("--batch", folder.count, stdin="count\n"), 1,
                           "a batch run on the folder in use")
    if "動いています" not in errors:
        fail("the batch run does not say why it stops: " + errors)

    # A package opened from the file manager ("dorrinkelmo FILE") goes to the running window.
    package = write_package(os.path.join(os.path.dirname(folder.home), "ki.klz"), "ki", "KiKi")
    output = expect_status(folder.output_of(package), 0, "a package opened beside the window")
    if "インストールしました: KiKi" not in output:
        fail("the install does not say what it installed: " + output)
    if not os.path.exists(os.path.join(folder.home, "ki", "dict.txt")):
        fail("the running window did not install the package")

    # A killed program leaves its lock file and its socket behind; neither may block.
    first.kill()
    first.wait()
    if not folder.serving():
        fail("the killed program's socket file is gone; the stale case is not tested")
    third = folder.start(folder.second)
    wait_for(lambda: folder.starts_of("Second") == 2, "a start after a killed program")
    expect_status(folder.run(), 0, "a second start after the stale lock")
    if third.poll() is not None:
        fail("the start after a killed program ended: " + third.stderr.read().decode())
    stop(third, "the start after a killed program")

    # A conversation in the terminal takes the hand-over as well.
    terminal = subprocess.Popen([folder.program, "--home", folder.home, "--tty", folder.count],
                                env=folder.environment, stdin=subprocess.PIPE,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wait_for(folder.serving, "the terminal program to serve")
    expect_status(folder.run("--say", "端末"), 0, "--say to the terminal")
    wait_for(lambda: "said 端末" in folder.log(), "the terminal's answer in the log")
    # The terminal cannot ask: an update goes ahead, and a refusal is the second start's to print.
    output = expect_status(folder.output_of("--install", package), 0, "an update to the terminal")
    if "更新しました: KiKi" not in output:
        fail("the update does not say what it updated: " + output)
    errors = expect_status(folder.run("--install", notes), 1, "a file that is no package")
    if "ZIP でも tar でもない" not in errors:
        fail("the refused package does not say why: " + errors)
    terminal.stdin.close()  # the end of input closes the conversation
    if terminal.wait(PATIENCE_SECONDS) != 0:
        fail("the terminal program failed: " + terminal.stderr.read().decode())
    print("every hand-over case answered as it should")


def pairs(folder, count):
    # Either start of a pair may come first, so a plain start must find the character listed.
    with open(os.path.join(folder.home, "Kelmo.ini"), "ab") as settings:
        settings.write(f"[Character]\r\nChar1={folder.count}\r\n".encode("cp932"))
    expected = 0
    for pair in range(count):
        # Both plain, or one switching to the same character (which saves and reloads its state).
        arguments = ([], [folder.count] if pair % 2 else [])
        starts = [folder.start(*arguments[0]), folder.start(*arguments[1])]
        deadline = time.monotonic() + PATIENCE_SECONDS
        while all(start.poll() is None for start in starts):
            if time.monotonic() > deadline:
                fail(f"pair {pair + 1}: neither start handed over")
            time.sleep(POLL_SECONDS)
        ended = 0 if starts[0].poll() is not None else 1
        running = starts[1 - ended]
        status = starts[ended].wait()
        if status != 0:
            fail(f"pair {pair + 1}: the start that handed over ended with status {status}: "
                 + starts[ended].stderr.read().decode().strip())
        expected += 1 + (1 if arguments[ended] else 0)
        wait_for(lambda: folder.starts_of("Count") >= expected, f"pair {pair + 1}'s greetings")
        if running.poll() is not None:
            fail(f"pair {pair + 1}: the running start ended: {running.stderr.read().decode()}")
        stop(running, f"the running start of pair {pair + 1}")
        if folder.starts_of("Count") != expected:
            fail(f"pair {pair + 1}: {folder.starts_of('Count')} starts logged, {expected} expected")
    # A batch run greets once more and says how many greetings the state file has kept.
    done = subprocess.run([folder.program, "--batch", "--home", folder.home, folder.count],
                          env=folder.environment, input=b"count\n", capture_output=True,
                          timeout=PATIENCE_SECONDS)
    transcript = done.stdout.decode()
    counted = f"count={expected + 1}"
    if done.returncode != 0 or counted not in transcript:
        fail(f"the state file lost greetings: {counted} expected in {transcript.strip()}")
    print(f"{count} pairs: one program ran each time, every hand-over ended with status 0, "
          f"all {expected} greetings kept")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pairs", type=int, help="run this many pairs of quick starts instead")
    parser.add_argument("program")
    arguments = parser.parse_args()
    with tempfile.TemporaryDirectory() as root:
        folder = Folder(os.path.abspath(arguments.program), root)
        if arguments.pairs:
            pairs(folder, arguments.pairs)
        else:
            cases(folder)


if __name__ == "__main__":
    main()
