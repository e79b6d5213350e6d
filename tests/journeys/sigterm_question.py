"""A card file of another sheet is handed to the running program (a second start, as a file manager
does); while its "Move the card ... into the sheet ...?" question is open the session ends (SIGTERM).
The question counts as cancelled: the program ends cleanly, the card stays out of the sheet and its
file stays where it was, unchanged."""

import os
import plistlib
import uuid

from journey import Journey, read_sheet

with Journey() as j:
    with j.step("start the program with the demo sheet"):
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        j.wait_window("^Welcome$", timeout=120)
        demo = os.path.join(j.sheets, "demo.qxsheet")

    with j.step("a card file of another sheet lies in the home folder"):
        names = sorted(name for name in os.listdir(demo) if name.endswith(".qxcard"))
        with open(os.path.join(demo, names[0]), "rb") as file:
            card = plistlib.load(file)
        card["uuid"] = str(uuid.uuid4()).upper()
        card["title"] = "Loose"
        loose = os.path.join(j.home, "Loose.qxcard")
        with open(loose, "wb") as file:
            plistlib.dump(card, file, fmt=plistlib.FMT_XML)
        with open(loose, "rb") as file:
            before = file.read()

    with j.step("open it with a second start: the program asks whether to move it"):
        j.second_start(loose)
        j.find_accessible(r'^Move the card "Loose" into the sheet "demo"\?$', timeout=60)
        j.screenshot("question")

    with j.step("SIGTERM while the question is open ends the program cleanly"):
        j.term()

    with j.step("the card stayed where it was and its file is untouched"):
        with open(loose, "rb") as file:
            assert file.read() == before, "the card file changed"
        moved = [c.title for c in read_sheet(demo) if c.uuid == card["uuid"] or c.title == "Loose"]
        assert not moved, f"the card went into the sheet: {moved}"
        with open(os.path.join(demo, "info.plist"), "rb") as file:
            listed = plistlib.load(file).get("cards", [])
        assert card["uuid"] not in listed, "the sheet lists the card"
