#!/usr/bin/python3
"""What any screen reader can learn from the program over AT-SPI: names and descriptions of
every control, and the events that tell of the information box's new text and the counters' new
values. What Orca itself says during a round is checked by e2e_orca.py."""

import time

import pyatspi
from gi.repository import GLib

from desktop import Program, check, main, wait_for


class EventLog:
    """Collects AT-SPI events of the program while the GLib loop is pumped."""

    def __init__(self, kinds):
        self.events = []
        self.kinds = kinds
        for kind in kinds:
            pyatspi.Registry.registerEventListener(self._record, kind)

    def _record(self, event):
        try:
            self.events.append((event.type, event.source.getRoleName(), event.source.name,
                                event.any_data))
        except Exception:  # the source may be gone already
            pass

    def pump(self, seconds):
        context = GLib.MainContext.default()
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            while context.iteration(False):
                pass
            time.sleep(0.02)

    def wait_for(self, what, predicate, timeout=10.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.pump(0.1)
            if any(predicate(*event) for event in self.events):
                return
        raise AssertionError(f"no event: {what}; seen: {self.events[-20:]}")

    def clear(self):
        self.pump(0.3)
        self.events.clear()


def run(executable, artifacts):
    program = Program(executable)

    # Names and descriptions.
    for name in ("Място", "Победител", "Победен"):
        check(program.find(pyatspi.ROLE_LIST, name).childCount == 16, name)
    info = program.find(pyatspi.ROLE_TEXT, "Информация")
    check_button = program.find(pyatspi.ROLE_PUSH_BUTTON, "Провери")
    new_round = program.find(pyatspi.ROLE_PUSH_BUTTON, "Изчисти")
    check("Проверява" in check_button.description, check_button.description)
    check("нов кръг" in new_round.description, new_round.description)
    labels = [n.name for n in program.find_all(pyatspi.ROLE_LABEL)]
    check("Верни отговори: 0" in labels and "Грешни отговори: 0" in labels, labels)
    # The program's one top-level object is its window, announced as a frame with its caption.
    tops = [program.app.getChildAtIndex(i) for i in range(program.app.childCount)]
    check([(t.getRole(), t.name) for t in tops] == [(pyatspi.ROLE_FRAME, program.window.name)]
          and program.window.name.endswith(" Kordavin"), [(t.getRoleName(), t.name) for t in tops])

    log = EventLog(["object:text-changed", "object:property-change:accessible-name"])
    places = program.find(pyatspi.ROLE_LIST, "Място")
    winners = program.find(pyatspi.ROLE_LIST, "Победител")
    defeated = program.find(pyatspi.ROLE_LIST, "Победен")

    # A right answer: Трафалгар, Хорацио Нелсън, Пиер-Шарл Вилньов.
    log.clear()
    program.activate()
    program.choose_by_typing(places, "Трафалгар")
    program.choose_by_typing(winners, "Хорацио Нелсън")
    program.choose_by_typing(defeated, "Пиер-Шарл Вилньов ")
    program.click(check_button)
    log.wait_for("the information box's new text",
                 lambda kind, role, name, data: kind.startswith("object:text-changed:insert")
                 and name == "Информация" and "Трафалгар" in str(data))
    log.wait_for("the correct-answer counter's new name",
                 lambda kind, role, name, data: kind.startswith("object:property-change:accessible-name")
                 and name == "Верни отговори: 1")

    # A wrong answer.
    log.clear()
    program.choose_by_typing(places, "Ажинкур - битка")
    program.choose_by_typing(winners, "Александър Македонски")
    program.choose_by_typing(defeated, "Абд ал Рахман")
    program.click(check_button)
    log.wait_for("the information box's \"???\"",
                 lambda kind, role, name, data: kind.startswith("object:text-changed:insert")
                 and name == "Информация" and str(data) == "???")
    log.wait_for("the wrong-answer counter's new name",
                 lambda kind, role, name, data: kind.startswith("object:property-change:accessible-name")
                 and name == "Грешни отговори: 1")
    check(program.text_of(info) == "???", program.text_of(info))

    status = program.close()
    check(status == 0, f"the program ended with status {status}")


if __name__ == "__main__":
    main(run)
