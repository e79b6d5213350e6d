"""The main menu with real keys and clicks: Ctrl+N makes a new card window; a row typed into it goes
again with Undo (the typing first, then the row); Ctrl+, opens the preferences; the menu button of
the rich-text card "Notes" opens the menu and Card > Make Plain Text turns the card plain; Ctrl+Q
right after ends the program with exit code 0, and the sheet on disk holds the plain card."""

import os

from journey import Journey, JourneyFailure, card_plist, wait_until


def coordinates(j):
    j.accessible()  # pyatspi is imported once the journey's bus is known
    import pyatspi  # noqa: PLC0415

    return pyatspi.DESKTOP_COORDS


def texts(j, window):
    """The texts of the editable text fields inside a window."""
    found = []
    for element in j.accessible_elements("", role="text"):
        try:
            box = element.queryComponent().getExtents(coordinates(j))
            inside = window.x <= box.x < window.x + window.width and window.y <= box.y < window.y + window.height
            if inside and box.width > 0:
                text = element.queryText()
                found.append(text.getText(0, text.characterCount))
        except Exception:  # noqa: BLE001 (an element that went away meanwhile)
            continue
    return found


def element_in(j, window, name_regex, role):
    for element in j.accessible_elements(name_regex, role=role):
        box = element.queryComponent().getExtents(coordinates(j))
        if window.x <= box.x < window.x + window.width and window.y <= box.y < window.y + window.height:
            return element, box
    raise JourneyFailure(f"no element /{name_regex}/ ({role}) in '{window.title}'")


def card_file(j, title):
    return card_plist(os.path.join(j.sheets, "demo.qxsheet"), title)


with Journey() as j:
    with j.step("start the program with the demo sheet"):
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        welcome = j.wait_window("^Welcome$", timeout=120)
        notes = j.wait_window("^Notes$", timeout=60)
        assert card_file(j, "Notes").get("richText") is True

    with j.step("Ctrl+N in a card makes a new card window"):
        j.activate(welcome)
        j.press("ctrl+n")
        card = j.wait_window("^Untitled$", timeout=60)
        j.press("Return")  # keeps the proposed title
        j.activate(card)
        j.screenshot("new card")

    with j.step("Return adds a row and the typing goes into it"):
        before = len(texts(j, card))
        j.click_in(card, card.width // 2, card.height // 2)
        j.press("Return")
        j.type("Buy milk")
        wait_until(lambda: "Buy milk" in texts(j, card), 30, "the typed row")
        rows = len(texts(j, card))
        assert rows > before, f"{rows} text fields after Return, {before} before"
        j.screenshot("row typed")

    with j.step("Undo takes back the typing, then the row"):
        j.press("ctrl+z")
        wait_until(lambda: "Buy milk" not in texts(j, card), 30, "the typing undone")
        j.press("ctrl+z")
        wait_until(lambda: len(texts(j, card)) < rows, 30, "the row removed")
        j.screenshot("row undone")

    with j.step("Ctrl+, opens the preferences"):
        j.press("ctrl+comma")
        j.wait_window("^Preferences$", timeout=60)
        j.screenshot("preferences")

    with j.step("the menu button of Notes opens the menu; Card > Make Plain Text"):
        j.activate(notes)
        _, box = element_in(j, notes, "^Menu$", "push button")
        j.click(box.x + box.width // 2, box.y + box.height // 2)
        # Card is the fourth menu; on a rich-text card its first command offered is the Font menu, then
        # Make Plain Text.
        j.press("Down", "Down", "Down", "Down", "Right", "Down")
        j.screenshot("card menu")
        j.press("Return")

    with j.step("Ctrl+Q quits at once, after saving"):
        j.activate(notes)
        j.press("ctrl+q")
        j.wait_exit(timeout=60, expect=0)
        assert card_file(j, "Notes").get("richText") is False, "the card is still rich text on disk"
