"""Handover: with the program running, later starts hand it a text file, a link to a card and a card
file of another sheet, as a file manager or a browser does, again and again. The running program
takes each one and keeps running: the text becomes a card, the link brings its card forward, and the
question about the card file is answered with the keyboard (Escape keeps it out; Return on the last
round moves it in). After a restart the imported cards are still in the sheet."""

import os
import plistlib
import uuid

from journey import Journey, read_sheet

ROUNDS = 20
NOTES_CARD = "DE30DE30-0000-4000-8000-000000000011"
SHOPPING_CARD = "DE30DE31-0000-4000-8000-00000000000A"
QUESTION = r'^Move the card "Borrowed list" into the sheet'


def card_of_another_sheet(j):
    """A copy of the other sample sheet's list card under a uuid of its own, outside the sheets."""
    with open(os.path.join(j.sheets, "Personal.qxsheet", f"{SHOPPING_CARD}.qxcard"), "rb") as file:
        card = plistlib.load(file)
    new = str(uuid.uuid4()).upper()
    card.update(uuid=new, title="Borrowed list", selectedTabIdentifier=new, tabIdentifiers=[new])
    path = os.path.join(j.home, "Borrowed list.qxcard")
    with open(path, "wb") as file:
        plistlib.dump(card, file, fmt=plistlib.FMT_XML)
    return path


with Journey() as j:
    demo = os.path.join(j.sheets, "demo.qxsheet")

    with j.step("start the program with the demo sheet"):
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        for title in ("Welcome", "Ideas", "Notes"):
            j.wait_window(f"^{title}$", timeout=120)
        card_file = card_of_another_sheet(j)

    for round in range(1, ROUNDS + 1):
        last = round == ROUNDS
        with j.step(f"round {round}: a second start with a text file"):
            note = os.path.join(j.home, f"Errand {round}.txt")
            with open(note, "w") as file:
                file.write(f"Pick up parcel {round}\n")
            j.second_start(note)
            j.wait_window(f"^Errand {round}$", timeout=60)

        with j.step(f"round {round}: a second start with a link to the Notes card"):
            j.second_start(f"jobslate://goto?card={NOTES_CARD}")
            j.wait_window("^Notes$")

        with j.step(f"round {round}: a second start with a card file of another sheet"):
            j.second_start(card_file)
            j.find_accessible(QUESTION, timeout=60)
            question = j.wait_active("^Jobslate$")
            if round == 1 or last:
                j.screenshot(f"question round {round}")

        with j.step(f"round {round}: " + ("Return moves the card in" if last else "Escape keeps the card out")):
            j.press("Return" if last else "Escape")
            j.wait_no_window("^Jobslate$")
            if last:
                j.wait_window("^Borrowed list$", timeout=60)
            else:
                assert os.path.isfile(card_file), "Escape took the card file"
                assert not j.find_windows("^Borrowed list$"), "Escape moved the card in"

    with j.step("restart: the imported cards are in the sheet"):
        j.restart(env={})
        j.wait_window("^Errand 1$", timeout=120)
        j.term()
        titles = [card.title for card in read_sheet(demo)]
        missing = [f"Errand {n}" for n in range(1, ROUNDS + 1) if f"Errand {n}" not in titles]
        assert not missing, f"no cards for {missing} in {titles}"
        assert "Borrowed list" in titles, f"the moved card is not in {titles}"
        texts = [card.text for card in read_sheet(demo) if card.title == "Errand 1"]
        assert texts == ["Pick up parcel 1"], f"the first note holds {texts}"
        assert not os.path.exists(card_file), "the moved card's file is still outside the sheet"
