#!/usr/bin/python3
"""A pupil plays part of a round in the real program: reads the window as a screen reader would,
chooses entries with the keyboard, presses the buttons with the mouse, and closes the window."""

import os

from desktop import Program, check, json_of, main, wait_for


def choose_with_keyboard(program, down_presses):
    """In the focused list, go to the top, then down, and choose the entry with Space."""
    program.keys("Home", *(["Down"] * down_presses), "space")


def run(executable, artifacts, table_json):
    table = json_of(table_json)
    orders = json_of(table_json, "--orders")
    program = Program(executable)
    window = program.window
    check(window.name.endswith(" Kordavin"), f"window caption {window.name!r}")
    # What a window manager shows: the caption alone, no program name after it.
    check(program.x_names() == (window.name, window.name), f"X names {program.x_names()!r}")

    controls = program.controls()
    places, winners, defeated = controls.places, controls.winners, controls.defeated
    info, check_button, new_round = controls.info, controls.check_button, controls.new_round
    correct_label, wrong_label = controls.correct, controls.wrong

    def correct():
        return correct_label.name

    def wrong():
        return wrong_label.name

    # What the pupil sees first.
    for node in (places, winners, defeated):
        check(node.childCount == 16, f"{node.name} holds {node.childCount} entries")
        check(program.selected_items(node) == [], f"{node.name} starts with a selection")
    # The orders a pupil sees, whatever the session's locale.
    for node, order in ((places, orders["places"]), (winners, orders["winners"]),
                        (defeated, orders["defeated"])):
        check(program.list_items(node) == order, f"{node.name}: {program.list_items(node)}")
    check(correct() == "Верни отговори: 0" and wrong() == "Грешни отговори: 0",
          (correct(), wrong()))
    intro = program.text_of(info)
    check(intro.startswith("Пиров") or "пирова победа" in intro.lower(), intro[:80])
    program.activate()
    wait_for("the information box to have the focus at start",
             lambda: program.focused() is not None and program.focused().name == "Информация")
    program.screenshot(os.path.join(artifacts, "e2e-start.png"))

    # A right answer, chosen with the keyboard: the table's third row.
    row = table[2]
    program.keys("Tab")
    choose_with_keyboard(program, orders["places"].index(row["place"]))
    program.keys("Tab")
    choose_with_keyboard(program, orders["winners"].index(row["winner"]))
    program.keys("Tab")
    choose_with_keyboard(program, orders["defeated"].index(row["defeated"]))
    wait_for("the three choices", lambda: program.selected_items(defeated) == [row["defeated"]])
    check(program.selected_items(places) == [row["place"]], program.selected_items(places))
    check(program.selected_items(winners) == [row["winner"]], program.selected_items(winners))
    program.click(check_button)
    wait_for("the right answer to count", lambda: correct() == "Верни отговори: 1")
    check(program.text_of(info) == row["explanation"], program.text_of(info))
    for node in (places, winners, defeated):
        wait_for(f"{node.name} to lose an entry", lambda n=node: n.childCount == 15)
    check(row["place"] not in program.list_items(places), "the place is still listed")
    program.screenshot(os.path.join(artifacts, "e2e-right.png"))

    # A check with the defeated list left unselected changes nothing. The pupil goes back from
    # the button to the place list and chooses there and in the winner list only.
    program.keys("shift+Tab", "shift+Tab", "shift+Tab")
    choose_with_keyboard(program, 1)
    program.keys("Tab")
    choose_with_keyboard(program, 0)
    wait_for("two choices", lambda: program.selected_items(winners) == ["Александър Невски"])
    check(program.selected_items(places) == ["Ватерло - битка"], program.selected_items(places))
    check(program.selected_items(defeated) == [], program.selected_items(defeated))
    program.click(check_button)
    program.click(check_button)

    # A wrong answer: Ватерло, Александър Невски, Абд ал Рахман. The program handles clicks and
    # keys in the order they were sent, so once the keys below have chosen the defeated, the two
    # clicks before them have been handled: only now can they be seen to have changed nothing.
    program.keys("shift+Tab")
    choose_with_keyboard(program, 0)
    wait_for("the third choice", lambda: program.selected_items(defeated) == ["Абд ал Рахман"])
    check(wrong() == "Грешни отговори: 0" and correct() == "Верни отговори: 1",
          f"the checks without a defeated counted: {correct()}, {wrong()}")
    check(program.text_of(info) == row["explanation"], program.text_of(info))
    program.click(check_button)
    wait_for("the wrong answer to count", lambda: wrong() == "Грешни отговори: 1")
    check(program.text_of(info) == "???", program.text_of(info))
    check(correct() == "Верни отговори: 1", correct())
    check(program.selected_items(places) == ["Ватерло - битка"], "the wrong choice stays")

    # A new round gives everything back and keeps the information box.
    program.click(new_round)
    wait_for("a new round", lambda: correct() == "Верни отговори: 0"
             and wrong() == "Грешни отговори: 0" and places.childCount == 16)
    check(program.text_of(info) == "???", program.text_of(info))
    for node in (places, winners, defeated):
        check(node.childCount == 16, f"{node.name} holds {node.childCount} entries")
        check(program.selected_items(node) == [], f"{node.name} keeps a selection")
    program.screenshot(os.path.join(artifacts, "e2e-new-round.png"))

    status = program.close()
    check(status == 0, f"the program ended with status {status}")


if __name__ == "__main__":
    main(run)
