"""A pupil plays a whole round in the real program, as in a lesson: a wrong answer, a press with a
list left unchosen, all sixteen rows matched, a press on the emptied lists, and a new round. The
lists are chosen with a click and the keyboard, the buttons pressed with the mouse; the window is
read over AT-SPI. Used by the system tests that watch the program from outside (a system call
trace, a memory checker), which slow it down: every wait takes a patience factor."""

import json
import os
import subprocess
import sys
import time

import pyatspi

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from desktop import Program, check, wait_for, wait_for_exit  # noqa: E402


class WatchedProgram(Program):
    """The program started through a wrapper (strace, valgrind) that keeps its process id, so that
    the accessibility bus and the X window still name the process we started."""

    def __init__(self, executable, env=None, timeout=15.0):
        self.timeout = timeout
        self.process = subprocess.Popen([executable], env={**os.environ, **(env or {})})
        self.app = wait_for("the program on the accessibility bus", self._find_application,
                            timeout)
        self.window = wait_for(
            "its window",
            lambda: next((c for c in _descendants(self.app)
                          if c.getRole() == pyatspi.ROLE_FRAME
                          and c.getState().contains(pyatspi.STATE_SHOWING)), None), timeout)
        self.window_id = wait_for("its X window", self._find_x_window, timeout)

    def close(self):
        """Closes the window as a window manager would and returns the exit status."""
        from Xlib import X, display, protocol
        connection = display.Display()
        window = connection.create_resource_object("window", int(self.window_id))
        event = protocol.event.ClientMessage(
            window=window, client_type=connection.intern_atom("WM_PROTOCOLS"),
            data=(32, [connection.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
        window.send_event(event, event_mask=X.NoEventMask)
        connection.flush()
        connection.close()
        try:
            return wait_for_exit(self.process, self.timeout * 4)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise AssertionError("the program did not end when its window was closed")


def _descendants(node):
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            yield child
            yield from _descendants(child)


def battle_table(table_json):
    """The table's rows, from the helper that prints them."""
    return json.loads(subprocess.run([table_json], check=True, capture_output=True).stdout)


def play_round(program, table):
    timeout = program.timeout
    places = program.find(pyatspi.ROLE_LIST, "Място")
    winners = program.find(pyatspi.ROLE_LIST, "Победител")
    defeated = program.find(pyatspi.ROLE_LIST, "Победен")
    lists = (places, winners, defeated)
    info = program.find(pyatspi.ROLE_TEXT, "Информация")
    check_button = program.find(pyatspi.ROLE_PUSH_BUTTON, "Провери")
    new_round = program.find(pyatspi.ROLE_PUSH_BUTTON, "Изчисти")

    def counter(prefix):
        return next(n.name for n in program.find_all(pyatspi.ROLE_LABEL)
                    if n.name.startswith(prefix))

    def right():
        return counter("Верни отговори: ")

    def wrong():
        return counter("Грешни отговори: ")

    def choose(node, text):
        """Click the list's top row, then Home and Down to the entry: the keys select as they go.
        (The top, because a list with few entries left is empty in the middle.)"""
        position = program.list_items(node).index(text)
        x, y, width, _ = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        subprocess.run(["xdotool", "mousemove", "--sync", str(x + width // 3), str(y + 9),
                        "click", "1"], check=True)
        subprocess.run(["xdotool", "key", "--clearmodifiers", "--delay", "30", "Home"]
                       + ["Down"] * position, check=True)
        wait_for(f"{text!r} to be chosen in {node.name}",
                 lambda: program.selected_items(node) == [text], timeout)

    def press(button):
        program.click(button)

    program.activate()
    wait_for("the lists to be filled", lambda: places.childCount == 16, timeout)

    # A wrong answer: a place, a winner and a defeated from three different rows.
    choose(places, table[0]["place"])
    choose(winners, table[1]["winner"])
    choose(defeated, table[2]["defeated"])
    press(check_button)
    wait_for("the wrong answer to count", lambda: wrong() == "Грешни отговори: 1", timeout)
    check(program.text_of(info) == "???", program.text_of(info))

    # The defeated list loses its choice (a click on another entry, then Ctrl+Space toggles it
    # off); a press then changes nothing.
    choose(defeated, table[3]["defeated"])
    subprocess.run(["xdotool", "key", "--clearmodifiers", "ctrl+space"], check=True)
    wait_for("the defeated list to have no choice",
             lambda: program.selected_items(defeated) == [], timeout)
    press(check_button)
    press(check_button)
    time.sleep(0.5)
    check(wrong() == "Грешни отговори: 1", wrong())
    check(right() == "Верни отговори: 0", right())

    # Every row, always the first place left in the list.
    for matched in range(1, 17):
        place = program.list_items(places)[0]
        row = next(r for r in table if r["place"] == place)
        choose(places, row["place"])
        choose(winners, row["winner"])
        choose(defeated, row["defeated"])
        press(check_button)
        wait_for(f"match {matched} to count",
                 lambda m=matched: right() == f"Верни отговори: {m}", timeout)
        check(program.text_of(info) == row["explanation"], program.text_of(info)[:80])
        for node in lists:
            wait_for(f"{node.name} to lose {row['place']!r}'s entry",
                     lambda n=node, m=matched: n.childCount == 16 - m, timeout)

    # The emptied lists: a press does nothing.
    press(check_button)
    time.sleep(0.5)
    check(right() == "Верни отговори: 16" and wrong() == "Грешни отговори: 1",
          (right(), wrong()))

    press(new_round)
    wait_for("a new round", lambda: right() == "Верни отговори: 0"
             and wrong() == "Грешни отговори: 0" and places.childCount == 16, timeout)
