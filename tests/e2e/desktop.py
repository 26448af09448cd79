"""Drives the real program in an X session the way a person and a screen reader would: the
accessibility tree over AT-SPI to read the window, xdotool for keys and mouse clicks, ImageMagick
for screenshots. Used by the end-to-end tests; run them through run-in-session.sh."""

import json
import os
import subprocess
import sys
import time
from types import SimpleNamespace

import pyatspi


def wait_for(what, condition, timeout=15.0, interval=0.05):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(interval)


def bulgarian_keyboard():
    """Gives every Bulgarian letter a key of its own, as on a Bulgarian keyboard. A letter missing
    from the keyboard is typed by xdotool by binding it to a key for a moment; a busy program reads
    the keyboard map only after the binding is gone, and then sees no letter at all. The same goes
    for every other key a test presses, so the letters take only keys no test presses: the media
    and launch keys, which carry nothing but a vendor's keysyms. The keys with nothing on them stay
    free for xdotool."""
    from Xlib import display
    connection = display.Display()
    first = connection.display.info.min_keycode
    mapping = connection.get_keyboard_mapping(first, connection.display.info.max_keycode - first + 1)
    bound = {keysym for row in mapping for keysym in row}
    letters = [letter for letter in "абвгдежзийклмнопрстуфхцчшщъьюя"
               if 0x1000000 | ord(letter) not in bound]
    modifiers = {keycode for keycodes in connection.get_modifier_mapping() for keycode in keycodes}
    spare = [first + i for i, row in enumerate(mapping) if any(row)
             and first + i not in modifiers
             and all(keysym == 0 or VENDOR_KEYSYMS[0] <= keysym <= VENDOR_KEYSYMS[1]
                     for keysym in row)]
    check(len(spare) >= len(letters), "too few keys for the Bulgarian letters")
    width = len(mapping[0])
    for keycode, letter in zip(spare, letters):
        row = [0x1000000 | ord(letter), 0x1000000 | ord(letter.upper())]
        connection.change_keyboard_mapping(keycode, [row + [0] * (width - len(row))])
    connection.sync()
    connection.close()


# XF86 keysyms: the media, launch and power keys.
VENDOR_KEYSYMS = (0x10080000, 0x1008FFFF)


def check_on_keyboard(keys):
    """Fails unless every key in keys (xdotool's names: "ctrl+o", "Return", "ж") is on the
    keyboard. xdotool would bind a missing one for a moment, and a busy program would see no key at
    all: the test would wait for what the key does and time out now and then."""
    from Xlib import XK, display
    connection = display.Display()
    first = connection.display.info.min_keycode
    mapping = connection.get_keyboard_mapping(first, connection.display.info.max_keycode - first + 1)
    connection.close()
    bound = {keysym for row in mapping for keysym in row}
    for key in keys:
        name = key.split("+")[-1]
        keysym = XK.string_to_keysym(name)
        if not keysym and len(name) == 1:
            # A character: Latin-1's keysyms are its codes, the rest are 0x1000000 + code.
            keysym = ord(name) if ord(name) < 0x100 else 0x1000000 | ord(name)
        check(keysym != 0, f"xdotool knows no key {name!r}")
        check(keysym in bound, f"{name!r} of {key!r} has no key on the keyboard")


def descendants(node):
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is None:
            continue
        yield child
        yield from descendants(child)


class Program:
    """The running program: its process, its accessible window, and ways to act on it."""

    def __init__(self, executable, env=None, timeout=45.0, args=(), stdout=None):
        """Starts the program with the command-line arguments args and waits, at most `timeout`
        seconds for each step, until its window is on the accessibility bus and on screen.
        stdout is the program's standard output, as subprocess.Popen takes it."""
        self.timeout = timeout
        # Start the accessibility registry first, so the program finds it when it starts.
        wait_for("the accessibility registry", lambda: pyatspi.Registry.getDesktop(0) is not None)
        bulgarian_keyboard()
        # A sanitizer build on a busy machine may take many seconds to start.
        self.process = subprocess.Popen([executable, *args], env={**os.environ, **(env or {})},
                                        stdout=stdout)
        self.app = wait_for("the program on the accessibility bus", self._find_application,
                            timeout)
        self.window = wait_for("its window", self._find_window, timeout)
        self.window_id = wait_for("its X window", self._find_x_window, timeout)

    def _find_window(self):
        return next((c for c in descendants(self.app) if c.getRole() == pyatspi.ROLE_FRAME
                     and c.getState().contains(pyatspi.STATE_SHOWING)), None)

    def _find_application(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            try:
                if app is not None and app.get_process_id() == self.process.pid:
                    return app
            except Exception:
                continue
        return None

    def _find_x_window(self):
        result = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                                 str(self.process.pid)], capture_output=True, text=True)
        ids = result.stdout.split()
        return ids[0] if ids else None

    # --- reading -----------------------------------------------------------------------------

    def find(self, role, name=None):
        matches = [n for n in descendants(self.window)
                   if n.getRole() == role and (name is None or n.name == name)]
        if not matches:
            raise AssertionError(f"no {pyatspi.Role(role)} named {name!r}")
        return matches[0]

    def find_all(self, role):
        return [n for n in descendants(self.window) if n.getRole() == role]

    def dialog(self):
        """The program's dialog on the screen, or None."""
        return next((n for n in descendants(self.app) if n.getRole() == pyatspi.ROLE_DIALOG
                     and n.getState().contains(pyatspi.STATE_SHOWING)), None)

    def controls(self):
        """The quiz's controls as a screen reader finds them, by role and name."""
        labels = self.find_all(pyatspi.ROLE_LABEL)
        return SimpleNamespace(
            places=self.find(pyatspi.ROLE_LIST, "Място"),
            winners=self.find(pyatspi.ROLE_LIST, "Победител"),
            defeated=self.find(pyatspi.ROLE_LIST, "Победен"),
            info=self.find(pyatspi.ROLE_TEXT, "Информация"),
            check_button=self.find(pyatspi.ROLE_PUSH_BUTTON, "Провери"),
            new_round=self.find(pyatspi.ROLE_PUSH_BUTTON, "Изчисти"),
            correct=next(n for n in labels if n.name.startswith("Верни отговори: ")),
            wrong=next(n for n in labels if n.name.startswith("Грешни отговори: ")))

    def list_items(self, list_node):
        return [list_node.getChildAtIndex(i).name for i in range(list_node.childCount)]

    def selected_items(self, list_node):
        return [item.name for item in (list_node.getChildAtIndex(i)
                                       for i in range(list_node.childCount))
                if item is not None and item.getState().contains(pyatspi.STATE_SELECTED)]

    @staticmethod
    def text_of(node):
        text = node.queryText()
        return text.getText(0, text.characterCount)

    def focused(self):
        """The focused control. Qt leaves the focused state on a list's current entry after the
        list has lost the focus, so entries are passed over: the list itself carries it."""
        for node in descendants(self.window):
            if (node.getRole() not in (pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_FILLER)
                    and node.getState().contains(pyatspi.STATE_FOCUSED)):
                return node
        return None

    # --- acting, as a person would -------------------------------------------------------------

    def activate(self):
        # Without a window manager activation is refused; the input focus below is what counts.
        subprocess.run(["xdotool", "windowactivate", "--sync", self.window_id], check=False,
                       capture_output=True)
        subprocess.run(["xdotool", "windowfocus", "--sync", self.window_id], check=True)

    def keys(self, *keys):
        """Presses the keys in order. The program handles them in that order too, but perhaps
        long after this returns: wait for what they do before reading the window."""
        check_on_keyboard(keys)
        for key in keys:
            subprocess.run(["xdotool", "key", "--clearmodifiers", key], check=True)

    def close_dialog(self, key="Escape"):
        """Closes the program's dialog with a key; the window has the focus back, as a window
        manager gives it."""
        self.keys(key)
        wait_for("the dialog to close", lambda: self.dialog() is None, self.timeout)
        self.activate()

    def type_text(self, text):
        check_on_keyboard(text)
        subprocess.run(["xdotool", "type", "--delay", "80", text], check=True)

    def _focus(self):
        focused = self.focused()
        return None if focused is None else (focused.getRole(), focused.name)

    def tab_to(self, node, key="Tab"):
        """Presses Tab until the focus is on node, as a keyboard user would, each time waiting
        until the focus has moved: a busy program may take its time with the key."""
        wanted = (node.getRole(), node.name)
        for _ in range(8):
            focus = wait_for("the focus on a control", self._focus)
            if focus == wanted:
                return
            self.keys(key)
            wait_for(f"{key} to move the focus from {focus[1]!r}",
                     lambda: self._focus() not in (None, focus))
        raise AssertionError(f"{key} never reached {node.name!r}")

    def choose_by_typing(self, list_node, text):
        """Goes to the list with Tab, types the entry's first letter, and listens to what got
        chosen, moving on with the arrow keys until it is the wanted entry."""
        self.tab_to(list_node)
        items = self.list_items(list_node)
        letter = text[0].lower()
        before = self.selected_items(list_node)
        # Typing a letter chooses the next entry that starts with it, after the current one;
        # only when that is the sole such entry may the choice stay as it was.
        may_stay = [entry for entry in items if entry[0].lower() == letter] == before
        self.type_text(text[0])
        chosen = wait_for(f"a choice in {list_node.name} after typing {text[0]!r}",
                          lambda: (lambda now: now if now and (now != before or may_stay)
                                   else None)(self.selected_items(list_node)), timeout=15)
        check(chosen[0][0].lower() == letter, f"typing {text[0]!r} chose {chosen!r}")
        for _ in range(len(items)):
            if chosen == [text]:
                return
            self.keys("Down" if items.index(chosen[0]) < items.index(text) else "Up")
            previous = chosen
            chosen = wait_for(f"the arrow key to move the choice in {list_node.name}",
                              lambda: (lambda now: now if now and now != previous else None)(
                                  self.selected_items(list_node)), timeout=15)
        raise AssertionError(f"could not choose {text!r} in {list_node.name}")

    def click(self, node):
        x, y, width, height = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        # No --sync: it waits for a motion that never comes when the pointer is already there.
        subprocess.run(["xdotool", "mousemove", str(x + width // 2), str(y + height // 2),
                        "sleep", "0.1", "click", "1"], check=True)

    def x_names(self):
        """The names a window manager shows for the window: _NET_WM_NAME (UTF-8), then WM_NAME."""
        from Xlib import display
        connection = display.Display()
        try:
            window = connection.create_resource_object("window", int(self.window_id))
            utf8 = window.get_full_property(connection.intern_atom("_NET_WM_NAME"),
                                            connection.intern_atom("UTF8_STRING"))
            return (bytes(utf8.value).decode("utf-8") if utf8 else None, window.get_wm_name())
        finally:
            connection.close()

    def screenshot(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["import", "-window", "root", path], check=True)
        return path

    def _send_delete(self):
        """Asks the window to close, as a window manager's close button does."""
        from Xlib import X, display, protocol
        connection = display.Display()
        window = connection.create_resource_object("window", int(self.window_id))
        protocols = connection.intern_atom("WM_PROTOCOLS")
        delete = connection.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(window=window, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        window.send_event(event, event_mask=X.NoEventMask)
        # A round trip, so the server has handled the request before this client leaves: a busy
        # server that finds the connection already closed drops what is left unread on it.
        connection.sync()
        connection.close()

    def close(self, exit_timeout=20):
        """Closes the window as a window manager's close button does: WM_DELETE_WINDOW. The
        program must end promptly, with or without a screen reader on the bus."""
        self._send_delete()
        try:
            return self.process.wait(exit_timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise AssertionError("the program did not end when its window was closed")


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def json_of(helper, *args):
    """What a helper built from the program's sources prints: the battle table, the window."""
    return json.loads(subprocess.run([helper, *args], check=True, capture_output=True).stdout)


def main(test):
    """Runs test(executable, artifacts, *helpers) and reports the result in CTest's way."""
    if len(sys.argv) < 3:
        sys.exit(f"usage: {sys.argv[0]} PROGRAM ARTIFACTS_DIR [HELPER...]")
    test(*sys.argv[1:])
    print("1 passed, 0 failed")
