"""The dashboard below the sheet browser's tree: a person points at the "SHEETS" header, opens the
group with its "Show" button, points at the demo sheet's row and marks it a favourite with its star.
After a restart the sheet is still a favourite: its file says so and the "FAVORITES" group lists it.
The rows' buttons show while the pointer is on the row, at its right end."""

import os
import plistlib

from journey import Journey, wait_until

# The hover bar's buttons from the row's right end (centres): a group's "Show"/"Hide", a sheet's star.
SHOW_BUTTON = 4 + 46 // 2
STAR_BUTTON = 4 + 24 // 2


def sheet_is_favorite(j):
    with open(os.path.join(j.sheets, "demo.qxsheet", "info.plist"), "rb") as file:
        return plistlib.load(file).get("favorite", False)


def dashboard_rows(j, name_regex):
    """The dashboard's rows so named that are on screen, top to bottom."""
    rows = []
    for element in j.accessible_elements(name_regex, role="table cell"):
        try:
            rows.append((j.extents(element)[1], element))
        except NotImplementedError:  # a row that went away meanwhile
            continue
    return [element for _, element in sorted(rows, key=lambda pair: pair[0])]


def click_at_right_end(j, row, offset):
    x, y, width, height = j.extents(row)
    j.move(x + width // 2, y + height // 2)
    j.click(x + width - offset, y + height // 2)


def rows_between(j, name_regex, top_header, bottom_header):
    """The rows so named between two headers; none while the rows are being rebuilt."""
    top, bottom = dashboard_rows(j, f"^{top_header}$"), dashboard_rows(j, f"^{bottom_header}$")
    if not top or not bottom:
        return []
    top, bottom = j.extents(top[0])[1], j.extents(bottom[0])[1]
    return [row for row in dashboard_rows(j, name_regex) if top < j.extents(row)[1] < bottom]


def show_group(j, header, next_header, name_regex):
    click_at_right_end(j, dashboard_rows(j, f"^{header}$")[0], SHOW_BUTTON)
    # The rows are rebuilt whenever the sheet folder changes: the row is looked up afresh.
    return wait_until(lambda: rows_between(j, name_regex, header, next_header), 30, f"a row under {header}")[0]


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
