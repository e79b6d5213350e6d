"""Cards made narrow, and typing into a new card. A person narrows the Welcome card to 260 px: every
row wraps again at the new width, no row keeps the height of the old width and no word that fits a
line is broken across two. A task given a due date in its info pop-up shows the date beside its row.
In a new, empty card the first key typed starts its first row; Escape leaves the row's text and
Ctrl+Shift+Up moves the selected row up, as it moves a row being typed in. The rich-text card "Notes"
shows its style bar, also when narrowed to 280 px."""

import os

from journey import Journey, read_sheet, wait_until

NARROW = 260


def resize(j, title, width, height=None):
    window = j.wait_window(f"^{title}$")
    j._run(["xdotool", "windowsize", str(window.id), str(width), str(height or window.height)])
    return wait_until(lambda: j.wait_window(f"^{title}$") if j.wait_window(f"^{title}$").width == width else None,
                      30, f"the card {title} {width} px wide")


def move(j, title, x, y):
    window = j.wait_window(f"^{title}$")
    j._run(["xdotool", "windowmove", str(window.id), str(x), str(y)])
    return wait_until(lambda: j.wait_window(f"^{title}$") if j.wait_window(f"^{title}$").x == x else None,
                      30, f"the card {title} at {x}")


def inside(box, window):
    x, y, width, height = box
    return width > 0 and height > 0 and window.x <= x and x + width <= window.x + window.width and \
        window.y <= y and y + height <= window.y + window.height


def row_problems(j, window):
    """What is wrong with the rows shown in the window: a row's text box taller or shorter than its
    lines, or a word that fits a line broken across two. Also gives the number of rows looked at."""
    problems = []
    seen = 0
    for element in j.accessible_texts("."):
        box = j.extents(element)
        if not inside(box, window):
            continue
        text = element.queryText()
        content = text.getText(0, -1)
        chars = [text.getCharacterExtents(i, j._atspi.DESKTOP_COORDS) for i in range(len(content))]
        shown = [c for c in chars if c[3] > 0]
        if not shown:
            continue
        seen += 1
        needed = max(c[1] + c[3] for c in shown) - min(c[1] for c in shown)
        if box[3] > needed + 4 or box[3] < needed - 1:
            problems.append(f"{content!r}: {box[3]} px high for {needed} px of lines")
        for i in range(1, len(content)):
            if chars[i][1] <= chars[i - 1][1] or content[i - 1].isspace() or content[i].isspace():
                continue
            start = i
            while start > 0 and not content[start - 1].isspace():
                start -= 1
            end = i
            while end < len(content) and not content[end].isspace():
                end += 1
            width = sum(chars[k][2] for k in range(start, end))
            if width < box[2] - 4:
                problems.append(f"{content!r}: the word {content[start:end]!r} is broken")
    return problems, seen


with Journey() as j:
    sheet = os.path.join(j.sheets, "demo.qxsheet")

    with j.step("start the program with the demo sheet; the cards stand clear of the sheet browser"):
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        j.wait_window("^Welcome$", timeout=120)
        j.wait_window("^Notes$", timeout=60)
        j.wait_window("^Sheets$", timeout=60)
        move(j, "Welcome", 300, 420)
        move(j, "Notes", 300, 60)
        move(j, "Ideas", 760, 420)
        j.settle(1.0)
        j.screenshot("demo cards")

    with j.step("narrow the Welcome card to 260 px: the rows wrap again"):
        welcome = resize(j, "Welcome", NARROW)
        j.activate(welcome)
        j.settle(1.0)
        j.screenshot("narrow card")
        j.find_text("^Press Return")
        problems, seen = row_problems(j, welcome)
        assert seen >= 2, f"only {seen} rows of the card were found on the screen"
        assert not problems, "\n".join(problems)

    with j.step("a task gets a due date in its info pop-up; the row shows the date"):
        j.click_text("^Press Return")
        j.press("ctrl+i")
        j.press("alt+d")
        j.screenshot("task info")
        j.press("Escape")
        j.settle(1.0)
        j.screenshot("due date")

    with j.step("the rich-text card shows its style bar, also at 280 px"):
        notes = j.wait_window("^Notes$")
        j.activate(notes)
        j.screenshot("notes")
        resize(j, "Notes", 280)
        j.settle(1.0)
        j.screenshot("notes narrow")

    with j.step("a new card: the first key typed starts its first row"):
        j.activate(j.wait_window("^Welcome$"))
        j.press("ctrl+n")
        j.wait_window("^Untitled$", timeout=60)
        j.type("Groceries")
        j.press("Return")
        j.wait_window("^Groceries$", timeout=30)
        j.type("Milk")
        j.press("Return")
        j.type("Bread")
        j.screenshot("typed into a new card")

    with j.step("Escape leaves the row, Ctrl+Shift+Up moves it up; the card file has Bread above Milk"):
        j.press("Escape", "ctrl+shift+Up")
        j.screenshot("row moved up")
        j.press("ctrl+s")

        def rows():
            return next(([row.text for row in card.rows] for card in read_sheet(sheet) if card.title == "Groceries"), None)

        wait_until(lambda: rows() == ["Bread", "Milk"], 30, "Bread above Milk in the card file")

    with j.step("Ctrl+Shift+Up also moves the row being typed in"):
        j.click_text("^Milk$")
        j.press("ctrl+shift+Up", "ctrl+s")
        wait_until(lambda: rows() == ["Milk", "Bread"], 30, "Milk above Bread in the card file")

    with j.step("SIGTERM ends the program"):
        j.term()
