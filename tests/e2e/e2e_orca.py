#!/usr/bin/python3
"""What a blind pupil hears: Orca, as Debian ships it, listens while a round is played with the
keyboard alone, and each verdict, hint, new round and summary must be among what it says, with
nothing said about lists the pupil is not in."""

import os
import re
import tempfile

import pyatspi

from desktop import Program, check, main, wait_for
from orca import Orca


def identity(node):
    return None if node is None else (node.getRole(), node.name)


def listen_to_start(program, orca, mark):
    """Gives the window the focus and waits until Orca, after mark, has said where the focus is, as
    a pupil listens before the first key. Orca takes a key that comes while it knows only the
    window for a move from the control focused when it gets round to the key; a busy Orca gets
    there after the program has moved the focus on, and then never names the new place."""
    program.activate()
    orca.wait_to_say("the information box on start", mark,
                     lambda s: s == "Информация read only text.")


def tab_to(program, orca, node):
    """Presses Tab until the focus is on node and Orca has named it. Like a pupil who listens,
    it presses one key at a time and waits to hear where it went."""
    mark = orca.mark()
    for _ in range(8):
        now = identity(program.focused())
        if now == identity(node):
            orca.wait_to_say(f"{node.name!r}", mark, lambda s: s.startswith(node.name))
            return
        program.keys("Tab")
        wait_for("the focus to move on", lambda: identity(program.focused()) != now)
    raise AssertionError(f"Tab never reached {node.name!r}")


def choose_with_arrows(program, orca, list_node, text):
    """Goes to the list with Tab and walks to the entry with Home and Down, one key at a time,
    hearing each entry it passes; Space chooses the first entry, which Home leaves unchosen
    when the cursor is on it already."""
    tab_to(program, orca, list_node)
    items = program.list_items(list_node)
    program.keys("Home")
    if text == items[0]:
        program.keys("space")
    for entry in items[1:items.index(text) + 1]:
        mark = orca.mark()
        program.keys("Down")
        orca.wait_to_say(f"{entry!r}", mark, lambda s: s.rstrip(". ") == entry.rstrip())
    wait_for(f"{text!r} chosen", lambda: program.selected_items(list_node) == [text])


def press(program, orca, key, what, predicate):
    """Presses key on the focused button and returns what Orca said up to and including the
    utterance predicate picks out."""
    mark = orca.mark()
    program.keys(key)
    return orca.wait_to_say(what, mark, predicate)


def heard_only_the_pupils_moves(orca, mark, focus_name):
    """After the pupil has moved on with Tab, checks that between mark and the next control's
    name Orca spoke of no list: Orca speaks in the order events come, so anything the check
    made it say about a list came before."""
    said = orca.wait_to_say(f"{focus_name!r} after Tab", mark,
                            lambda s: s.startswith(focus_name))
    lists = [s for s in said if s.startswith(("Място", "Победител", "Победен", "List with"))]
    check(not lists, f"Orca spoke of lists the pupil was not in: {said!r}")
    return said


def summary_and_practice(executable, orca, folder):
    """Pairs played to the end, one missed: Orca reads the summary box as it opens, and the
    practice its default button starts once the window has the focus back."""
    path = os.path.join(folder, "Години.csv")
    with open(path, "w", encoding="utf-8") as out:
        out.write("Година;Събитие;Обяснение\n681;Аспарух;А.\n1185;Асен и Петър;Б.\n")
    mark = orca.mark()
    program = Program(executable, args=[path])
    years, events = (program.find(pyatspi.ROLE_LIST, name) for name in ("Година", "Събитие"))
    listen_to_start(program, orca, mark)
    for year, event, heard in (("681", "Асен и Петър", "Грешно."), ("681", "Аспарух", "Вярно!"),
                               ("1185", "Асен и Петър", "Верни отговори: 2.")):
        choose_with_arrows(program, orca, years, year)
        choose_with_arrows(program, orca, events, event)
        tab_to(program, orca, program.find(pyatspi.ROLE_PUSH_BUTTON, "Провери"))
        said = press(program, orca, "space", heard, lambda s, h=heard: s.startswith(h))
    check("Кръгът е завършен dialog." in said and re.fullmatch(
        r"Верни отговори: 2\. Грешни отговори: 1\. Време: [^.]+\. Сбъркани редове: 1\. 681\.",
        said[-1]), said)
    mark = orca.mark()
    program.close_dialog("Return")
    said = orca.wait_to_say("the practice", mark, lambda s: s.startswith("Упражнение"))
    check(said[-1] == "Упражнение: 1 ред" and program.list_items(years) == ["681"], said)
    check(program.close() == 0, "the program did not end cleanly")


def menu_and_help(executable, orca):
    """Shift+F10 opens the window's commands as a menu on its first entry, which Orca reads at
    once, and then entry by entry; F1 opens the help, which Orca reads as a dialog."""
    program = Program(executable)
    listen_to_start(program, orca, orca.mark())
    said = press(program, orca, "shift+F10", "the menu", lambda s: s.startswith("Отвори"))
    check(said[-1].startswith("Отвори викторина…"), said)
    mark = orca.mark()
    program.keys("Down")
    said = orca.wait_to_say("the next command", mark, lambda s: s.startswith("Постави"))
    check(said[-1].startswith("Постави таблица"), said)
    mark = orca.mark()
    program.keys("Escape")
    orca.wait_to_say("the focus back", mark, lambda s: s == "Информация read only text.")
    said = press(program, orca, "F1", "the help", lambda s: s.startswith("Как се играе"))
    check(said[-3:-1] == ["Помощ dialog.", "Помощ read only text."] and program.dialog() is not None
          and program.dialog().name == "Помощ", said)
    check(program.close() == 0, "the program did not end cleanly")


def run(executable, artifacts):
    orca = Orca(os.path.join(artifacts, "e2e-orca-debug.log"))
    try:
        program = Program(executable)
        controls = program.controls()
        places, winners, defeated = controls.places, controls.winners, controls.defeated
        check_button = controls.check_button
        listen_to_start(program, orca, 0)

        # A right triple, each entry chosen with the arrow keys; Space on „Провери“.
        choose_with_arrows(program, orca, places, "Трафалгар")
        choose_with_arrows(program, orca, winners, "Хорацио Нелсън")
        choose_with_arrows(program, orca, defeated, "Пиер-Шарл Вилньов ")
        tab_to(program, orca, check_button)
        mark = orca.mark()
        said = press(program, orca, "space", "the right verdict",
                     lambda s: s.startswith("Вярно!"))
        check(said[-1].startswith("Вярно! Верни отговори: 1. Битката при Трафалгар"), said[-1])
        check(controls.correct.name == "Верни отговори: 1", controls.correct.name)

        # The three entries left their lists; Orca must not have said so as if the focus moved.
        program.keys("Tab")
        heard_only_the_pupils_moves(orca, mark, "Изчисти push button")
        # Back on „Провери“ Orca gives its own description again, not the last verdict.
        mark = orca.mark()
        program.keys("shift+Tab")
        said = orca.wait_to_say("„Провери“ again", mark, lambda s: s.startswith("Проверява"))
        check(said[-2:] == ["Провери push button.",
                            "Проверява избраните място, победител и победен."], said)

        # Nothing is chosen now: the hint names all three lists; with a place chosen, two.
        said = press(program, orca, "space", "the hint", lambda s: s.startswith("Изберете"))
        check(said[-1] == "Изберете място, победител и победен.", said)
        choose_with_arrows(program, orca, places, "Ажинкур - битка")
        tab_to(program, orca, check_button)
        said = press(program, orca, "Return", "the hint", lambda s: s.startswith("Изберете"))
        check(said[-1] == "Изберете победител и победен.", said)

        # A wrong triple, pressed with Enter, twice: each verdict is said, with its new count.
        choose_with_arrows(program, orca, winners, "Александър Македонски")
        choose_with_arrows(program, orca, defeated, "Абд ал Рахман")
        tab_to(program, orca, check_button)
        for count in (1, 2):
            said = press(program, orca, "Return", "the wrong verdict",
                         lambda s: s.startswith("Грешно."))
            check(said[-1] == f"Грешно. Грешни отговори: {count}", said)
        check(program.text_of(controls.info) == "???", program.text_of(controls.info))

        # „Изчисти“: a new round, with the lists' real size.
        program.keys("Tab")
        wait_for("the focus on „Изчисти“", lambda: program.focused() is not None
                 and program.focused().getRole() == pyatspi.ROLE_PUSH_BUTTON
                 and program.focused().name == "Изчисти")
        said = press(program, orca, "space", "the new round", lambda s: s.startswith("Нов кръг"))
        check(said[-1] == "Нов кръг. Във всеки списък има по 16 отговора.", said)
        check(places.childCount == 16, places.childCount)
        # A pupil who has listened to Orca closes the window as anyone does, and the program ends.
        check(program.close() == 0, "the program did not end cleanly")
        with tempfile.TemporaryDirectory() as folder:
            summary_and_practice(executable, orca, folder)
        menu_and_help(executable, orca)
    finally:
        orca.stop()


if __name__ == "__main__":
    main(run)
