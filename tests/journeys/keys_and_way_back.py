"""Keys in cards and the way back. The menu button at the sheet browser's foot opens the main menu
(About, closed with Escape). Ctrl+N makes a card whose title is typed at once; after Return the
typing goes into the card. Ctrl+B and Ctrl+I in the rich-text card "Notes" make its first line bold and italic. With the
sheet browser hidden (Ctrl+Shift+B) and every card minimised, a second start without arguments
brings the sheet browser back; Ctrl+O opens another sheet by its folder; Ctrl+Q ends the program and the
files hold what was typed."""

import os
import re

from journey import Journey, JourneyFailure, card_plist, wait_until


def card_file(j, title):
    return card_plist(os.path.join(j.sheets, "demo.qxsheet"), title)


def styled_in(text, word):
    """Whether RTF(D) bytes turn a style on somewhere (the control word \\b, not \\blue or \\b0)."""
    return re.search(rb"\\" + word + rb"(?![a-z0])", bytes(text)) is not None


with Journey() as j:
    with j.step("start the program with the demo sheet"):
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        welcome = j.wait_window("^Welcome$", timeout=120)
        notes = j.wait_window("^Notes$", timeout=60)
        sheets = j.wait_window("^Sheets$", timeout=60)

    with j.step("the menu button at the foot of the sheet browser opens the main menu"):

        def browser_button():
            for element in j.accessible_elements("^Menu$", "push button"):
                x, y, width, height = j.extents(element)
                if width > 0 and sheets.x <= x < sheets.x + sheets.width and sheets.y <= y < sheets.y + sheets.height:
                    return x + width // 2, y + height // 2
            return None

        j.click(*wait_until(browser_button, 30, "the menu button in the sheet browser"))
        j.settle(1)
        j.screenshot("browser menu")
        # The first menu is the application's; its first command is About.
        j.press("Down", "Right", "Return")
        about = j.wait_window("^About ", timeout=30)
        j.activate(about)
        j.press("Escape")
        j.wait_no_window("^About ", timeout=30)

    with j.step("Ctrl+N: the new card's title is typed, then Return and the typing goes into the card"):
        j.activate(welcome)
        j.press("ctrl+n")
        j.wait_window("^Untitled$", timeout=60)
        j.type("Groceries")
        j.press("Return")
        card = j.wait_window("^Groceries$", timeout=30)
        j.press("Return")
        j.type("Milk")
        j.screenshot("new card typed")
        j.press("ctrl+s")
        wait_until(lambda: "Milk" in repr(card_file(j, "Groceries")), 30, "the row in the card file")

    with j.step("Ctrl+B and Ctrl+I in the rich-text card make the selection bold and italic"):
        j.activate(notes)
        was_bold = styled_in(card_file(j, "Notes")["text"], b"b")
        j.click_text("^A note card holds")
        j.press("ctrl+Home", "shift+End", "ctrl+b", "ctrl+i")
        j.screenshot("notes bold")
        j.press("ctrl+s")
        wait_until(lambda: styled_in(card_file(j, "Notes")["text"], b"b"), 30, "bold text in the card file")
        assert styled_in(card_file(j, "Notes")["text"], b"i"), "no italic text in the card file"
        assert not was_bold, "the demo text was bold before Ctrl+B"

    with j.step("Ctrl+Shift+B hides the sheet browser; every card is minimised"):
        j.activate(notes)
        j.press("ctrl+shift+b")
        j.wait_no_window("^Sheets$", timeout=30)
        for window in j.windows():
            j.minimize(window)
        j.screenshot("nothing shown")

    with j.step("a second start without arguments brings the sheet browser back"):
        j.second_start()
        j.wait_window("^Sheets$", timeout=60)
        wait_until(lambda: j.active_window() is not None and j.active_window().title, 30, "a window of the program active")
        j.screenshot("way back")

    with j.step("Ctrl+O opens the sheet folder typed into its panel"):
        j.activate(j.wait_window("^Sheets$"))
        j.press("ctrl+o")
        j.wait_window("^Open Sheet$", timeout=60)
        j.type("Personal.qxsheet")  # the panel opens in the sheet folder
        j.screenshot("open sheet")
        # The first Return may only take the completion the name field offers.
        j.press("Return")
        try:
            wait_until(lambda: not j.find_windows("^Open Sheet$"), 5, "the panel closed")
        except JourneyFailure:
            j.press("Return")
        j.wait_no_window("^Open Sheet$", timeout=30)
        j.wait_output(r"open sheet file Personal\.qxsheet", timeout=60)

    with j.step("Ctrl+Q ends the program"):
        j.activate(j.wait_window("^Sheets$"))
        j.press("ctrl+q")
        j.wait_exit(timeout=60, expect=0)
        assert "Milk" in repr(card_file(j, "Groceries"))
