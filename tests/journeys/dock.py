"""The dock of minimised cards. On a new sheet with one card being edited, Ctrl+M sends the card to
the dock: the dock shows it along the top of the screen, within the screen, and the sheet browser
stays, also after a second start (which does what a click on the tray icon does). A click on its tab
brings the card back and the dock empties. After Ctrl+Q and a restart the
card comes back as it was, open and not minimised."""

import os

from journey import Journey, card_plist, wait_until

TITLE = "Errands"


def card_file(j):
    return card_plist(os.path.join(j.sheets, "Untitled.qxsheet"), TITLE)


def screen_size(j):
    shell = j._run(["xdotool", "getdisplaygeometry"]).split()
    return int(shell[0]), int(shell[1])


def dock_tab(j):
    """The dock's tab of the card: its title on screen near the top, or None."""
    for element in j.accessible_elements(f"^{TITLE}$", role="label"):
        box = j.extents(element)
        if box[1] < 40 and box[2] > 0:
            return box
    return None


with Journey() as j:
    with j.step("start the program with the demo sheet"):
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        welcome = j.wait_window("^Welcome$", timeout=120)
        j.wait_window("^Sheets$", timeout=60)

    with j.step("Ctrl+Shift+N makes a new sheet with one card; its title and a row are typed"):
        j.activate(welcome)
        j.press("ctrl+shift+n")
        j.wait_window("^Untitled$", timeout=60)
        j.type(TITLE)
        j.press("Return")
        card = j.wait_window(f"^{TITLE}$", timeout=30)
        j.wait_no_window("^Welcome$", timeout=30)
        j.press("Return")
        j.type("Milk")
        j.screenshot("card typed")

    with j.step("Ctrl+M: the card goes to the dock, which shows it; the sheet browser stays"):
        j.activate(card)
        j.press("ctrl+m")
        j.wait_no_window(f"^{TITLE}$", timeout=30)
        tab = wait_until(lambda: dock_tab(j), 30, "the card's tab in the dock")
        dock = j.wait_window("^Minimized Cards$", timeout=30)
        j.settle(1)  # the program must stay shown once the card window is gone
        j.wait_window("^Sheets$", timeout=5)
        assert dock_tab(j), "the dock vanished after the minimise"
        width, _ = screen_size(j)
        assert dock.x >= 0 and dock.x + dock.width <= width, f"the dock runs off the screen: {dock}"
        j.screenshot("card in the dock")

    with j.step("a second start (as a click on the tray icon) leaves the card in the dock"):
        j.second_start()
        j.settle(1)
        assert not j.find_windows(f"^{TITLE}$"), "the card window came back beside its dock tab"
        tab = wait_until(lambda: dock_tab(j), 30, "the card's tab in the dock")
        j.screenshot("after a second start")

    with j.step("a click on the dock's tab brings the card back and empties the dock"):
        j.click(tab[0] + tab[2] // 2, tab[1] + tab[3] // 2)
        card = j.wait_window(f"^{TITLE}$", timeout=30)
        j.wait_no_window("^Minimized Cards$", timeout=30)
        j.screenshot("card restored")

    with j.step("Ctrl+Q ends the program; the card is stored as not minimised"):
        j.activate(card)
        j.press("ctrl+q")
        j.wait_exit(timeout=60, expect=0)
        stored = card_file(j)
        assert not stored.get("miniaturized", False), "the card was stored as minimised"
        assert "Milk" in repr(stored), "the typed row was not saved"

    with j.step("after a restart the card comes back open, and the dock stays empty"):
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        j.wait_window(f"^{TITLE}$", timeout=120)
        j.wait_window("^Sheets$", timeout=60)
        j.settle(1)
        assert not j.find_windows("^Minimized Cards$"), "the dock shows after the restart"
        j.screenshot("after restart")

    with j.step("Ctrl+Q ends it again"):
        j.activate(j.wait_window(f"^{TITLE}$"))
        j.press("ctrl+q")
        j.wait_exit(timeout=60, expect=0)
