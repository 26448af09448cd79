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
from desktop import Program, check, wait_for  # noqa: E402


class WatchedProgram(Program):
    """The program started through a wrapper (strace, valgrind) that keeps its process id, so that
    the accessibility bus and the X window still name the process we started. The wrapper slows
    it down: give it a `timeout` to match."""

    def wait_until_idle(self, quiet=1.0):
        """Waits until the program has used no CPU for `quiet` seconds. Slowed down by what
        watches it, the program lags behind the clicks and keys sent to it; a pupil closes the
        window only after the last answer has been shown, and so do these tests."""
        def cpu_ticks():
            with open(f"/proc/{self.process.pid}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            return int(fields[11]) + int(fields[12])
        deadline = time.monotonic() + self.timeout
        last, since = cpu_ticks(), time.monotonic()
        while time.monotonic() < deadline:
            time.sleep(0.1)
            now = cpu_ticks()
            if now != last:
                last, since = now, time.monotonic()
            elif time.monotonic() - since >= quiet:
                return
        raise AssertionError(f"the program was still busy after {self.timeout} s")

    def close(self):
        """Closes the window once the program has caught up with what was sent to it."""
        self.wait_until_idle()
        return super().close(exit_timeout=self.timeout * 4)


def battle_table(table_json):
    """The table's rows, from the helper that prints them."""
    return json.loads(subprocess.run([table_json], check=True, capture_output=True).stdout)


def play_round(program, table):
    timeout = program.timeout
    controls = program.controls()
    places, winners, defeated = controls.places, controls.winners, controls.defeated
    lists = (places, winners, defeated)
    info, check_button, new_round = controls.info, controls.check_button, controls.new_round

    def right():
        return controls.correct.name

    def wrong():
        return controls.wrong.name

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
    # Whether these two changed anything shows once the first match below has counted: the
    # program handles the clicks in order.

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
        check(wrong() == "Грешни отговори: 1", f"a check without a defeated counted: {wrong()}")
        for node in lists:
            wait_for(f"{node.name} to lose {row['place']!r}'s entry",
                     lambda n=node, m=matched: n.childCount == 16 - m, timeout)

    wait_for("the summary box", program.dialog, timeout)
    program.close_dialog()

    # The emptied lists: a press does nothing. A click in the information box after it moves the
    # focus there from the button; once it has, the press has been handled.
    press(check_button)
    program.click(info)
    wait_for("the focus in the information box", lambda: program.focused() is not None
             and program.focused().name == "Информация", timeout)
    check(right() == "Верни отговори: 16" and wrong() == "Грешни отговори: 1",
          (right(), wrong()))

    press(new_round)
    wait_for("a new round", lambda: right() == "Верни отговори: 0"
             and wrong() == "Грешни отговори: 0" and places.childCount == 16, timeout)
