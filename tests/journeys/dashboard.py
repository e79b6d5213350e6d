"""The dashboard below the sheet browser's tree: a person points at the "SHEETS" header, opens the
group with its "Show" button, points at the demo sheet's row and marks it a favourite with its star.
After a restart the sheet is still a favourite: its file says so and the "FAVORITES" group lists it.
The rows' buttons show while the pointer is on the row, at its right end."""

import os
import plistlib

from journey import Journey, STAR_BUTTON, click_at_right_end, dashboard_rows, show_group, wait_until


def sheet_is_favorite(j):
    with open(os.path.join(j.sheets, "demo.qxsheet", "info.plist"), "rb") as file:
        return plistlib.load(file).get("favorite", False)


with Journey() as j:
    with j.step("start with the demo sheet"):
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        j.wait_window("^Welcome$", timeout=120)

    with j.step("the sheet browser shows the dashboard's groups"):
        browser = j.wait_window("^Sheets$")
        for header in ("FAVORITES", "SHEETS", "ARCHIVE", "OVERVIEW", "ATTACHMENTS"):
            wait_until(lambda: dashboard_rows(j, f"^{header}$"), 30, f"the {header} header")
            x, y, width, height = j.extents(dashboard_rows(j, f"^{header}$")[0])
            assert browser.x <= x < browser.x + browser.width, f"{header} is not in the browser"
            assert 18 <= height <= 40, f"the {header} row is {height} pixels high"
        j.screenshot("dashboard")

    with j.step('open the "Sheets" group and mark the demo sheet a favourite with its star'):
        demo = show_group(j, "SHEETS", "ARCHIVE", "^demo$")
        assert not sheet_is_favorite(j), "the demo sheet starts a favourite"
        click_at_right_end(j, demo, STAR_BUTTON)
        # The favourite is listed at once.
        show_group(j, "FAVORITES", "SHEETS", "^demo$")
        j.screenshot("favourite")

    with j.step("restart the program"):
        j.restart()
        j.wait_window("^Welcome$", timeout=120)
        j.wait_window("^Sheets$")

    with j.step("the demo sheet is still a favourite and listed under FAVORITES"):
        assert sheet_is_favorite(j), "the sheet's info.plist does not mark it a favourite"
        wait_until(lambda: dashboard_rows(j, "^FAVORITES$"), 30, "the FAVORITES header")
        show_group(j, "FAVORITES", "SHEETS", "^demo$")
        j.screenshot("favourites after the restart")

    with j.step("SIGTERM ends the program cleanly"):
        j.term()
