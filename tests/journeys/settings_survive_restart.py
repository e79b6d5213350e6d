"""Everything a person sets comes back after a restart: on the demo sheet a task gets a due date and a
reminder in its info pop-up, another task is marked important; through the card's menu button the
card floats (Window > Float) and makes list rows (Card > New Rows > List Rows); the sheet becomes a
favourite with its star in the dashboard; Ctrl+Q quits and the program starts again. The due date,
the reminder and the important mark are on the rows, the card still floats above the other windows,
the dashboard lists the favourite, the files hold all of it, and no
alert about missing calendar events comes up."""

import os
import plistlib
import re
import time

from journey import (
    STAR_BUTTON,
    Journey,
    JourneyFailure,
    card_plist,
    click_at_right_end,
    dashboard_rows,
    show_group,
    wait_until,
)

# Rows the demo card shows at its first size; the demo's own "Mark a task as important" is marked already.
DUE_TASK = "Press Return to add a task, Tab to move it in"
IMPORTANT_TASK = "Click the circle to complete a task"
REMINDER = "15 minutes before"
CARD = "Welcome"
# Card > New Rows on the first start, no row being edited: Card is the fourth menu, New Rows its eleventh
# command offered (which commands are offered varies, so the menu is walked so only here).
NEW_ROWS = ["Down"] * 4 + ["Right"] + ["Down"] * 10 + ["Right"]


def showing(j, element):
    try:
        return element.getState().contains(j._atspi.STATE_SHOWING)
    except Exception:  # noqa: BLE001 (gone meanwhile)
        return False


def extents(j, element):
    box = element.queryComponent().getExtents(j._atspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def text_of(element):
    try:
        return element.queryText().getText(0, -1)
    except Exception:  # noqa: BLE001 (no text, or gone meanwhile)
        return ""


def row_field(j, text, timeout=60):
    """The text field of the outline row holding the text, found in the accessibility tree."""

    def found():
        for element in j.accessible_elements("", role="text"):
            if text_of(element).strip() == text and showing(j, element):
                return element
        return None

    return wait_until(found, timeout, f"a row holding '{text}'", 0.3)


def row_marks(j, text):
    """What the row holding the text shows beside it: its badges' names and its due date."""
    names = []

    def walk(element, depth):
        if depth > 4:
            return
        for index in range(element.childCount):
            child = element.getChildAtIndex(index)
            if child is None:
                continue
            if child.getRoleName() in ("push button", "label") and child.name and child.name != "Info":
                names.append(child.name)
            walk(child, depth + 1)

    try:
        walk(row_field(j, text).parent, 0)
    except Exception:  # noqa: BLE001 (the row was laid out again meanwhile)
        return []
    return names


def wait_mark(j, text, mark):
    """Waits until the row holding the text shows a mark whose name matches the regular expression."""
    wait_until(lambda: any(re.search(mark, name) for name in row_marks(j, text)), 30,
               f"the mark /{mark}/ on the row '{text}'", 0.3)


def shown_elements(j, name_regex, role=None):
    return [element for element in j.accessible_elements(name_regex, role) if showing(j, element)]


def click_shown(j, name_regex, role=None, timeout=30):
    """Clicks the middle of the shown element whose accessible name matches."""
    element = wait_until(lambda: (shown_elements(j, name_regex, role) or [None])[0], timeout,
                         f"a shown element named /{name_regex}/", 0.3)
    x, y, width, height = extents(j, element)
    if width <= 0 or height <= 0:
        raise JourneyFailure(f"the element named /{name_regex}/ is not on screen")
    j.click(x + width // 2, y + height // 2)


def open_info(j, text):
    """Points at the row, waits for its info button and clicks it: the info pop-up opens."""
    # The button shows in the active window only; the program may have brought another card forward.
    j.activate(j.wait_window("^Welcome$"))
    x, y, width, height = extents(j, row_field(j, text))
    j._run(["xdotool", "mousemove", "--sync", str(x + width // 3), str(y + height // 2)])
    click_shown(j, "^Info$", "push button")


def inside(j, window, element):
    x, y, _, _ = extents(j, element)
    return window.x <= x < window.x + window.width and window.y <= y < window.y + window.height


def open_menu(j, title, *keys):
    """Clicks the menu button in the card window's title strip, then walks the menu with the keys (the
    open menu is a pop-up, out of the accessibility tree's reach)."""
    window = j.wait_window(f"^{title}$")
    j.activate(window)
    button = wait_until(lambda: [e for e in shown_elements(j, "^Menu$", "push button") if inside(j, window, e)],
                        30, f"the menu button of '{title}'", 0.3)[0]
    x, y, width, height = extents(j, button)
    j.click(x + width // 2, y + height // 2)
    j.press(*keys)


def floats(j, title):
    """Whether the window asks the window manager to keep it above the others."""
    window = j.wait_window(f"^{title}$")
    return "_NET_WM_STATE_ABOVE" in j._run(["xprop", "-id", str(window.id), "_NET_WM_STATE"])


def tasks_in(sheet):
    """Every task row of the sheet's card files, as stored, by its plain text."""
    from journey import rtf_text  # noqa: PLC0415

    found = {}

    def walk(node):
        for item in node.get("children", {}).get("system.objects", []):
            found[rtf_text(item.get("text", b""))] = item
            walk(item)

    for name in os.listdir(sheet):
        if name.endswith(".qxcard"):
            with open(os.path.join(sheet, name), "rb") as file:
                walk(plistlib.load(file).get("root", {}))
    return found


with Journey() as j:
    demo = os.path.join(j.sheets, "demo.qxsheet")

    with j.step("start the program with the demo sheet"):
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        welcome = j.wait_window("^Welcome$", timeout=120)
        j.activate(welcome)

    with j.step("give a task a due date and a reminder in its info pop-up"):
        open_info(j, DUE_TASK)
        j.press("alt+d")  # Due Date
        j.press("alt+r")  # Reminder
        j.type(REMINDER[:2])
        j.screenshot("due date and reminder")
        j.press("Escape")
        wait_mark(j, DUE_TASK, "^Reminder$")
        wait_mark(j, DUE_TASK, r"\d:\d\d")
        j.screenshot("due date on the row")

    with j.step("mark another task important"):
        open_info(j, IMPORTANT_TASK)
        j.press("alt+i")  # Important
        j.press("Escape")
        wait_mark(j, IMPORTANT_TASK, "^Important$")
        j.screenshot("important mark on the row")

    with j.step("float the card through its menu: Window > Float"):
        assert not floats(j, CARD), "the card floats before it was asked to"
        open_menu(j, CARD, *["Down"] * 7, "Right", "Down")  # Window > Float
        j.screenshot("window menu")
        j.press("Return")
        wait_until(lambda: floats(j, CARD), 30, "the card to float")
        j.screenshot("card floats")

    with j.step("make the card add list rows through its menu: Card > New Rows > List Rows"):
        open_menu(j, CARD, *NEW_ROWS)
        j.screenshot("new rows menu")
        j.press("Return")  # List Rows, the first

    with j.step("mark the sheet a favourite with its star in the dashboard"):
        j.activate(j.wait_window("^Sheets$"))
        wait_until(lambda: dashboard_rows(j, "^SHEETS$"), 30, "the SHEETS header")
        click_at_right_end(j, show_group(j, "SHEETS", "ARCHIVE", "^demo$"), STAR_BUTTON)
        show_group(j, "FAVORITES", "SHEETS", "^demo$")
        j.screenshot("favourite")

    with j.step("quit with Ctrl+Q"):
        j.activate(j.wait_window(f"^{CARD}$"))
        j.press("ctrl+q")
        j.wait_exit(timeout=60, expect=0)

    with j.step("the card file, the sheet and the calendar hold what was set"):
        card = card_plist(demo, CARD)
        assert card.get("floating") is True, f"the card file does not float: {card.get('floating')}"
        assert card.get("defaultItem") == 1, f"the card's new rows are of kind {card.get('defaultItem')}"
        with open(os.path.join(demo, "info.plist"), "rb") as file:
            assert plistlib.load(file).get("favorite") is True, "the sheet's info.plist does not mark it a favourite"
        tasks = tasks_in(demo)
        due = tasks[DUE_TASK]
        assert due.get("eventIdentifier"), f"the task names no event: {due}"
        events = [os.path.join(root, name) for root, _, names in os.walk(os.path.join(j.data, "calendars"))
                  for name in names if name.endswith(".ics")]
        assert len(events) == 1, f"calendar files: {events}"
        with open(events[0], encoding="utf-8") as file:
            event = file.read()
        assert "BEGIN:VALARM" in event and "TRIGGER:-PT15M" in event, event
        assert tasks[IMPORTANT_TASK].get("important") is True, tasks[IMPORTANT_TASK]

    with j.step("start again: everything is back, with no alert"):
        j.start()
        j.wait_window("^Welcome$", timeout=120)
        wait_mark(j, DUE_TASK, "^Reminder$")
        wait_mark(j, DUE_TASK, r"\d:\d\d")
        wait_mark(j, IMPORTANT_TASK, "^Important$")
        wait_until(lambda: floats(j, CARD), 30, "the card to float")
        j.activate(j.wait_window("^Sheets$"))
        wait_until(lambda: dashboard_rows(j, "^FAVORITES$"), 30, "the FAVORITES header")
        show_group(j, "FAVORITES", "SHEETS", "^demo$")
        time.sleep(3)  # the missing-events notice would come 1 s after the cards are read
        assert not j.accessible_elements("Missing Calendar Event"), "an alert about missing events came up"
        assert "can not be decoded" not in j.output(), j.output()
        j.screenshot("after the restart")

    with j.step("quit again: the card still floats and makes list rows"):
        j.term()
        card = card_plist(demo, CARD)
        assert card.get("floating") is True and card.get("defaultItem") == 1, card
