"""The dashboard below the sheet browser's tree: a person points at the "SHEETS" header, shows the
group with its "Show" button, points at the demo sheet's row and marks it a favourite with its star.
After a restart the sheet is still a favourite: its file says so and the "FAVORITES" group lists it."""

import os
import plistlib

from journey import Journey, wait_until


def sheet_is_favorite(j):
    with open(os.path.join(j.sheets, "demo.qxsheet", "info.plist"), "rb") as file:
        return plistlib.load(file).get("favorite", False)


def rows_named(j, name_regex):
    """The labels so named, top to bottom (the tree's row, then the dashboard's)."""
    return sorted(j.accessible_elements(name_regex, role="label"), key=lambda element: j.extents(element)[1])


def show_group(j, header):
    j.hover(j.find_accessible(f"^{header}$", role="label"))
    j.click_accessible("^Show$", role="push button")
    j.find_accessible("^Hide$", role="push button")


with Journey() as j:
    with j.step("start with the demo sheet"):
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        j.wait_window("^Welcome$", timeout=120)

    with j.step("the sheet browser shows the dashboard's groups below the sheets"):
        browser = j.wait_window("^Sheets$")
        headers = [j.find_accessible(f"^{name}$", role="label") for name in ("FAVORITES", "SHEETS", "OVERVIEW")]
        tree_row = rows_named(j, "^demo$")[0]
        for header in headers:
            x, y, width, height = j.extents(header)
            assert width > 0 and browser.x <= x < browser.x + browser.width, f"{header.name} is not in the browser"
            assert y > j.extents(tree_row)[1], f"{header.name} is not below the sheets"
        j.screenshot("dashboard")

    with j.step('show the "Sheets" group and mark the demo sheet a favourite with its star'):
        show_group(j, "SHEETS")
        wait_until(lambda: len(rows_named(j, "^demo$")) == 2, 30, "the demo sheet's row in the dashboard")
        j.hover(rows_named(j, "^demo$")[-1])
        j.click_accessible("^\u2606$", role="push button")
        j.find_accessible("^\u2605$", role="push button")
        j.screenshot("favourite")

    with j.step("restart the program"):
        j.restart()
        j.wait_window("^Welcome$", timeout=120)

    with j.step("the demo sheet is still a favourite"):
        assert sheet_is_favorite(j), "the sheet's info.plist does not mark it a favourite"
        show_group(j, "FAVORITES")
        wait_until(lambda: len(rows_named(j, "^demo$")) == 2, 30, "the demo sheet's row under FAVORITES")
        j.screenshot("favourites after the restart")

    with j.step("SIGTERM ends the program cleanly"):
        j.term()
