"""Damaged files: the sheet list (SheetItems.plist) and one card file of the demo sheet are damaged
between two sessions. The program still starts, shows the other cards, says which files it could not
read, and keeps the damaged sheet list beside the new one rather than writing over it."""

import os
import plistlib
import re

from journey import Journey, read_card, wait_until

IDEAS_CARD = "DE30DE30-0000-4000-8000-000000000010"
DAMAGED_LIST = b'<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0">\n<dict>\n\t<key>children</ke'
DAMAGED_CARD = b"bplist00\xd1\x01\x02Qx\x00\xff\xff\xff"

with Journey() as j:
    demo = os.path.join(j.sheets, "demo.qxsheet")
    card_file = os.path.join(demo, f"{IDEAS_CARD}.qxcard")
    sheet_list = os.path.join(j.sheets, "SheetItems.plist")

    with j.step("a first session makes the demo sheet"):
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        j.wait_window("^Ideas$", timeout=120)
        j.term()
        assert os.path.isfile(sheet_list), "no sheet list after the first session"

    with j.step("the sheet list and a card file are damaged"):
        for path, data in ((sheet_list, DAMAGED_LIST), (card_file, DAMAGED_CARD)):
            with open(path, "wb") as file:
                file.write(data)

    with j.step("the program starts and says which files it could not read"):
        j.start()
        told = []
        for _ in range(2):
            message = j.find_accessible(r"could not be read|Error Loading Sheet", role="label", timeout=120).name
            told.append(" ".join(element.name for element in j.accessible_elements(".", role="label")))
            j.screenshot(f"alert {len(told)}")
            j.wait_active("^Jobslate$")
            j.press("Return")
            shown = f"^{re.escape(message)}$"
            wait_until(lambda: not j.accessible_elements(shown, role="label"), 30, "the alert to close")
        assert any(sheet_list in text for text in told), f"not told of the sheet list: {told}"
        assert any(IDEAS_CARD in text for text in told), f"not told of the card file: {told}"

    with j.step("the other cards show"):
        j.wait_window("^Welcome$", timeout=60)
        j.wait_window("^Notes$", timeout=60)
        j.screenshot("the rest of the sheet")

    with j.step("the damaged files are kept, and a sound sheet list is written"):
        kept = os.path.join(j.sheets, "SheetItems (unreadable).plist")
        assert os.path.isfile(kept), f"the damaged sheet list was not kept: {os.listdir(j.sheets)}"
        with open(kept, "rb") as file:
            assert file.read() == DAMAGED_LIST, "the kept sheet list is not the damaged one"
        with open(card_file, "rb") as file:
            assert file.read() == DAMAGED_CARD, "the damaged card file was changed"
        j.term()
        with open(sheet_list, "rb") as file:
            assert plistlib.load(file).get("system.class") == "TSheetManagerItem", "the new sheet list is no tree"
        assert read_card(os.path.join(demo, "DE30DE30-0000-4000-8000-000000000011.qxcard")).title == "Notes"
