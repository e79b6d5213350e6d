"""Typing: a person clicks into a card's outline, types three rows, pressing Return after each and
Tab to move the second one in, and the session ends with SIGTERM. After a restart the rows are in the
card, the second and third nested under the first."""

import os

from journey import Journey, read_card

WELCOME_CARD = "DE30DE30-0000-4000-8000-000000000008"
FIRST_ROW = "Press Return to add a task, Tab to move it in"

with Journey() as j:
    card_path = os.path.join(j.sheets, "demo.qxsheet", f"{WELCOME_CARD}.qxcard")

    with j.step("start the program with the demo sheet"):
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        welcome = j.wait_window("^Welcome$", timeout=120)
        j.activate(welcome)

    with j.step("click at the end of the card's first row"):
        j.click_text(f"^{FIRST_ROW}$")

    with j.step("type three rows with Return, and Tab to move the second in"):
        j.press("Return")
        j.type("Buy paint")
        j.press("Return", "Tab")
        j.type("White for the hall")
        j.press("Return")
        j.type("Blue for the door")
        j.screenshot("typed rows")

    with j.step("SIGTERM, then a restart"):
        j.term()
        j.start()
        j.wait_window("^Welcome$", timeout=120)
        j.term()

    with j.step("the rows are in the card, nested"):
        rows = read_card(card_path).rows
        texts = [row.text for row in rows]
        assert "Buy paint" in texts, f"the card's rows are {texts}"
        paint = rows[texts.index("Buy paint")]
        assert texts.index("Buy paint") == texts.index(FIRST_ROW) + 1, f"the new row is not after the first: {texts}"
        nested = [row.text for row in paint.children]
        assert nested == ["White for the hall", "Blue for the door"], f"under 'Buy paint': {nested}"
