"""Two devices share the demo sheet through a sync script (rsync): the other device retitles the
"Notes" card in its copy, while the program has an edit of its own (a new task, saved), and the sync
brings the other device's change in. The program asks "Resolve Conflict"; the person keeps this version ("No", the default).
Afterwards the sheet holds this device's cards and the other device's "Notes" is in the Trash under
"Notes (other version, <date>).qxcard": neither version is lost."""

import glob
import os
import plistlib
import subprocess
import time

from journey import Journey, wait_until

THEIRS = "Notes from the other device"


def card_titles(folder):
    titles = {}
    for path in glob.glob(os.path.join(glob.escape(folder), "*.qxcard")):
        try:
            with open(path, "rb") as f:
                titles[path] = plistlib.load(f).get("title")
        except Exception:  # a file being replaced: read again next time
            pass
    return titles


def quiet(folder, seconds):
    try:
        newest = max(os.stat(p).st_mtime for p in glob.glob(os.path.join(glob.escape(folder), "*")))
    except OSError:  # a temporary file renamed meanwhile
        return False
    return time.time() - newest > seconds


def sync(source, target, *options):
    subprocess.run(["rsync", "-a", *options, source.rstrip("/") + "/", target], check=True)


with Journey() as j:
    sheet = os.path.join(j.sheets, "demo.qxsheet")
    other = os.path.join(j.home, "Other device", "demo.qxsheet")
    trash = os.path.join(j.data_home, "Trash", "files")

    with j.step("start the program with the demo sheet"):
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        for title in ("Welcome", "Ideas", "Notes"):
            j.wait_window(f"^{title}$", timeout=120)
        wait_until(lambda: "Notes" in card_titles(sheet).values(), 60, "the demo sheet on disk")
        # The program writes the demo cards again once it has read them; the copy is taken after that.
        wait_until(lambda: quiet(sheet, 3), 60, "the sheet folder at rest")

    with j.step("the sync script gives the other device a copy"):
        os.makedirs(other, exist_ok=True)
        sync(sheet, other)

    with j.step("an edit here: a new task in the Welcome card, saved"):
        welcome_file = next(p for p, t in card_titles(sheet).items() if t == "Welcome")
        with open(welcome_file, "rb") as f:
            before = f.read()
        welcome = j.wait_window("^Welcome$")
        j.activate(welcome)
        j.click_in(welcome, 200, 70)
        j.press("End", "Return")
        j.type("Edited here")
        j.press("Return")
        wait_until(lambda: open(welcome_file, "rb").read() != before, 60, "the edit on disk")

    with j.step("the other device retitles Notes and the sync brings it in"):
        notes = next(p for p, t in card_titles(other).items() if t == "Notes")
        with open(notes, "rb") as f:
            card = plistlib.load(f)
        card["title"] = THEIRS
        with open(notes, "wb") as f:
            plistlib.dump(card, f)
        later = time.time() + 120
        os.utime(notes, (later, later))
        sync(other, sheet, "--update")

    with j.step("more typing here, so a save follows the sync"):
        # The first save may already hold all of the typing above; this edit is saved after the sync.
        j.activate(welcome)
        j.type("Also edited here")

    with j.step('the program asks, and "No" keeps this version'):
        wait_until(lambda: j.accessible_elements("Resolve Conflict"), 60, "the conflict question")
        j.screenshot("question")
        j.press("Return")
        wait_until(lambda: j.accessible_elements("moved to the Trash"), 60, "where the other version went")
        j.screenshot("told")
        j.press("Return")

    with j.step("neither version is lost"):
        wait_until(lambda: "Notes" in card_titles(sheet).values(), 60, "this device's Notes in the sheet")
        with open(welcome_file, "rb") as f:
            assert f.read() != before, "this device's edit of Welcome is not in the sheet"
        kept = {**card_titles(trash), **card_titles(sheet)}
        wait_until(
            lambda: THEIRS in {**card_titles(trash), **card_titles(sheet)}.values(),
            30,
            "the other device's Notes in the Trash",
        )
        names = [os.path.basename(p) for p in glob.glob(os.path.join(glob.escape(trash), "*.qxcard"))]
        assert any(n.startswith("Notes (other version, ") for n in names), f"the Trash holds {names}, {kept}"

    with j.step("SIGTERM ends the program cleanly"):
        j.term()
