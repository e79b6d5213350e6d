"""First start on an empty home: the welcome window is answered "Default" with the mouse, the demo
sheet's cards appear, SIGTERM ends the program cleanly and the sheet folder holds the demo sheet. With
no logging rule set, the program writes nothing on the terminal."""

import os

from journey import Journey

DEMO_CARDS = ("Welcome", "Ideas", "Notes")

with Journey() as j:
    with j.step("start the program on an empty home"):
        j.start(env=j.quiet_env())
        welcome = j.wait_window("^Jobslate$", timeout=120)
        j.activate(welcome)
        j.screenshot("welcome")

    with j.step('choose "Default" and press Next'):
        j.click_accessible("^Default", role="list item")
        j.click_accessible("^Next$", role="push button")
        j.wait_no_window("^Jobslate$")

    with j.step("the demo sheet's cards appear"):
        for title in DEMO_CARDS:
            j.wait_window(f"^{title}$", timeout=60)
        j.screenshot("demo sheet")

    with j.step("SIGTERM ends the program cleanly"):
        j.term()

    with j.step("the terminal stayed quiet"):
        assert j.output().strip() == "", f"the program wrote:\n{j.output()[-3000:]}"

    with j.step("the sheet folder holds the demo sheet"):
        demo = os.path.join(j.sheets, "demo.qxsheet")
        assert os.path.isfile(os.path.join(demo, "info.plist")), f"no demo sheet in {j.sheets}"
        cards = [name for name in os.listdir(demo) if name.endswith(".qxcard")]
        assert len(cards) == len(DEMO_CARDS), f"the demo sheet holds {cards}"
