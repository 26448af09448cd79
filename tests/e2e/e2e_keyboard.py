#!/usr/bin/python3
"""A whole round played with the keyboard alone: Tab and Shift+Tab between the controls, the
first letter of an entry typed in Cyrillic, the arrow keys, Space and Enter on the buttons."""

import os

from desktop import Program, check, json_of, main, wait_for


def run(executable, artifacts, table_json):
    table = json_of(table_json)
    rows = [(row["place"], row["winner"], row["defeated"]) for row in table]
    explanations = {row["place"]: row["explanation"] for row in table}
    program = Program(executable)
    controls = program.controls()
    lists = [controls.places, controls.winners, controls.defeated]
    check_button, info = controls.check_button, controls.info
    correct, wrong = controls.correct, controls.wrong
    program.activate()
    wait_for("the focus in the information box",
             lambda: program.focused() is not None and program.focused().name == "Информация")

    # One wrong answer first, pressed with Enter: rows 13, 14 and 12 mixed.
    for node, text in zip(lists, (rows[12][0], rows[13][1], rows[11][2])):
        program.choose_by_typing(node, text)
    program.tab_to(check_button)
    program.keys("Return")
    wait_for("the wrong answer", lambda: wrong.name == "Грешни отговори: 1")
    check(program.text_of(info) == "???", program.text_of(info))

    # Every row, in an order that is not the lists' own, pressed with Space.
    for count, row in enumerate(rows[7:] + rows[:7], start=1):
        for node, text in zip(lists, row):
            program.choose_by_typing(node, text)
        program.tab_to(check_button)
        program.keys("space")
        wait_for(f"right answer {count}", lambda: correct.name == f"Верни отговори: {count}")
        check(row[0] not in program.list_items(lists[0]), f"{row[0]!r} is still listed")
        check(program.text_of(info) == explanations[row[0]], program.text_of(info)[:80])
    for node in lists:
        check(node.childCount == 0, f"{node.name} still holds {node.childCount} entries")
    check(wrong.name == "Грешни отговори: 1", wrong.name)
    wait_for("the summary box", program.dialog)
    program.screenshot(os.path.join(artifacts, "e2e-keyboard-end.png"))
    program.close_dialog()

    # Изчисти with the keyboard: Tab from Провери.
    program.keys("Tab")
    wait_for("the focus on Изчисти",
             lambda: program.focused() is not None and program.focused().name == "Изчисти")
    program.keys("space")
    wait_for("a new round", lambda: correct.name == "Верни отговори: 0"
             and wrong.name == "Грешни отговори: 0" and lists[0].childCount == 16)

    # Home and End reach the ends of a list.
    program.tab_to(lists[1])
    winners = program.list_items(lists[1])
    program.keys("End")
    wait_for("End", lambda: program.selected_items(lists[1]) == winners[-1:])
    program.keys("Home")
    wait_for("Home", lambda: program.selected_items(lists[1]) == winners[:1])

    status = program.close()
    check(status == 0, f"the program ended with status {status}")


if __name__ == "__main__":
    main(run)
