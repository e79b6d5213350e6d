"""Looks: the program drawn the way a person sees it. At first start the sheet browser draws its whole
list: no column of it is left solid black. (The shadow strip at its outer side is translucent and
needs a compositor, which the journey's display has not.)"""

import subprocess

from journey import Journey

SHADOW = 20  # the strip at the browser's outer side, left of it when it stands at the right edge


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


with Journey() as j:
    with j.step("first start with the demo sheet"):
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        j.wait_window("^Welcome$", timeout=120)
        browser = j.wait_window("^Sheets$", timeout=60)
        j.settle(1.0)
        shot = j.screenshot("first start")

    with j.step("the sheet browser's list is drawn across its whole width"):
        black = [x for x in solid_black_columns(shot, browser) if x < browser.width - SHADOW]
        assert not black, f"{len(black)} of the list's {browser.width - SHADOW} columns are solid black"

    with j.step("SIGTERM ends the program"):
        j.term()
