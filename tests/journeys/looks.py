"""Looks: the program drawn the way a person sees it. At first start the sheet browser draws its whole
width (no column of it is solid black, also without a compositor, which the journey's display has
not) and covers none of the cards. A row's context menu and a sheet title being edited are readable:
their text stands out clearly from their background. Set to hide itself, the browser waits as a strip at
the screen's edge, comes out when the pointer rests there and slides back once it has left."""

import glob
import os
import plistlib
import subprocess

from journey import Journey, wait_until


def solid_black_columns(path, window):
    """The x offsets inside the window's client area whose pixels are all black."""
    crop = f"{window.width}x{window.height}+{window.x}+{window.y}"
    # One row per column: the brightest pixel of each column of the window.
    out = subprocess.run(
        ["convert", path, "-crop", crop, "+repage", "-colorspace", "Gray", "-rotate", "90",
         "-scale", f"{window.height}x{window.width}!", "-statistic", "Maximum", f"{window.height}x1",
         "-crop", f"1x{window.width}+0+0", "txt:-"],
        capture_output=True, text=True, check=True).stdout
    columns = []
    for line in out.splitlines()[1:]:
        position, _, rest = line.partition(":")
        y = int(position.split(",")[1])
        if "gray(0)" in rest or "#000000" in rest:
            columns.append(y)
    return columns


def luminances(path, box):
    """The grey levels (0..255) of the pixels in the box (x, y, width, height) of the screenshot."""
    x, y, width, height = box
    out = subprocess.run(
        ["convert", path, "-crop", f"{width}x{height}+{x}+{y}", "+repage", "-colorspace", "Gray",
         "-depth", "8", "gray:-"], capture_output=True, check=True).stdout
    return list(out)


def contrast(path, box):
    """How far the text of a box stands out from its background: the background is the most common
    grey level, the text the level farthest from it among at least a few pixels."""
    levels = luminances(path, box)
    counts = {}
    for level in levels:
        counts[level] = counts.get(level, 0) + 1
    background = max(counts, key=counts.get)
    inked = [level for level, count in counts.items() if count >= 3]
    return background, max(abs(level - background) for level in inked)


def readable(shot, box, what):
    x, y, width, height = box
    assert width > 4 and height > 4, f"{what} is not on screen"
    background, difference = contrast(shot, box)
    assert difference >= 100, (f"{what} is hard to read: its text differs from its background (grey "
                               f"{background}) by {difference} of 255")


ITEM = 22  # about the height of a menu item


def first_item(menu):
    return (menu.x + 4, menu.y + 4, menu.width - 8, ITEM - 4)


def last_item(menu):
    return (menu.x + 4, menu.y + menu.height - ITEM, menu.width - 8, ITEM - 4)


with Journey() as j:
    with j.step("first start with the demo sheet"):
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        j.wait_window("^Welcome$", timeout=120)
        browser = j.wait_window("^Sheets$", timeout=60)
        j.settle(1.0)
        shot = j.screenshot("first start")

    with j.step("the sheet browser is drawn across its whole width"):
        black = solid_black_columns(shot, browser)
        assert not black, f"{len(black)} of the browser's {browser.width} columns are solid black"

    with j.step("the sheet browser is on every virtual desktop"):
        desktop = subprocess.run(["xprop", "-id", str(browser.id), "_NET_WM_DESKTOP"], env=j.env,
                                 capture_output=True, text=True).stdout
        assert "4294967295" in desktop, f"the browser's desktop is {desktop.strip()!r}"

    with j.step("the sheet browser covers none of the cards"):
        for card in j.windows("^(Welcome|Ideas|Notes)$"):
            assert card.x >= browser.x + browser.width or card.x + card.width <= browser.x, (
                f"the browser ({browser.x}..{browser.x + browser.width}) covers the card '{card.title}' "
                f"at {card.x}..{card.x + card.width}")

    with j.step("a row's context menu is readable"):
        row = j.find_text("^Press Return to add a task")
        x, y, width, height = j.extents(row)
        j.click(x + 20, y + height // 2, button=3)
        menu = j.wait_popup()
        j.settle(0.5)
        shot = j.screenshot("row context menu")
        readable(shot, last_item(menu), "the row menu's last item (Select All)")
        j.press("Escape")

    with j.step("a sheet title being edited is readable"):
        sheet = j.find_text("^demo$")
        x, y, width, height = j.extents(sheet)
        j.click(x + width // 2, y + height // 2, button=3)
        menu = j.wait_popup()
        j.settle(0.5)
        shot = j.screenshot("sheet browser menu")
        readable(shot, first_item(menu), "the sheet browser menu's first item (Edit Title)")
        j.click(menu.x + 30, menu.y + ITEM // 2 + 4)
        editor = j.find_text("^demo$")
        j.settle(0.5)
        shot = j.screenshot("sheet title edited")
        readable(shot, j.extents(editor), "the sheet title's editor")
        j.press("Return")

    with j.step("after the edit the keyboard is back in a card"):
        j.wait_active("^(Welcome|Ideas|Notes)$")

    with j.step("with the browser hiding itself, it waits as a strip at the screen's edge"):
        j.term()
        [defaults] = glob.glob(os.path.join(j.config, "*", "defaults.plist"))
        with open(defaults, "rb") as file:
            values = plistlib.load(file)
        values["autoHideSheetBrowser"] = True
        with open(defaults, "wb") as file:
            plistlib.dump(values, file)
        j.start()
        j.wait_window("^Welcome$", timeout=120)
        wait_until(lambda: j.windows("^Sheets$") and j.windows("^Sheets$")[0].width < 40, 60,
                   "the browser to stand as a strip at the edge")
        j.screenshot("browser hidden")

    with j.step("the pointer at the screen's edge brings the browser out"):
        j.move(2, 400)
        wait_until(lambda: j.windows("^Sheets$")[0].width == browser.width, 30, "the browser to slide out")
        j.screenshot("browser out")

    with j.step("the pointer leaving it lets it slide back"):
        j.move(700, 600)
        wait_until(lambda: j.windows("^Sheets$")[0].width < 40, 30, "the browser to slide back")

    with j.step("SIGTERM ends the program"):
        j.term()
