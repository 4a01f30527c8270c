"""What the smoke tests of the real program share: failing with the test's name, waiting for a
condition with a deadline fit for a loaded machine, and a program folder holding one bundled
character and a profile."""

import os
import shutil
import sys
import time

# Waits are generous for a loaded machine (and a sanitizer build); each ends as soon as it can.
PATIENCE_SECONDS = 60
POLL_SECONDS = 0.1

# A complete profile, so that no settings dialog asks for one.
PROFILE = "[User]\r\nUser=山田{BR}太郎{BR}たろう{BR}たろちゃん{BR}{BR}1990/02/03\r\n"


def failer(test_name):
    """A fail(message) that ends the test, naming it."""
    def fail(message):
        sys.exit(test_name + ": " + message)
    return fail


def wait_for(what, description, fail):
    deadline = time.monotonic() + PATIENCE_SECONDS
    while time.monotonic() < deadline:
        result = what()
        if result:
            return result
        time.sleep(POLL_SECONDS)
    fail("gave up waiting for " + description)


def prepare_home(program_folder, home, character, settings_text, with_decoders=False):
    """Copies the character's definition and folder into home and writes Kelmo.ini (Shift-JIS)."""
    shutil.copy(os.path.join(program_folder, character + ".klc"), home)
    shutil.copytree(os.path.join(program_folder, "characters", character),
                    os.path.join(home, "characters", character))
    if with_decoders:
        shutil.copytree(os.path.join(program_folder, "SPIs"), os.path.join(home, "SPIs"))
    with open(os.path.join(home, "Kelmo.ini"), "wb") as settings:
        settings.write(settings_text.encode("cp932"))
