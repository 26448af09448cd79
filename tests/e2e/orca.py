"""Orca, the screen reader Debian ships, run inside the test session as a blind pupil would have
it. Orca writes everything it says into its debug file as a line `SPEECH OUTPUT: '…'`; this
reads that file as it is written, so a test can wait for what Orca says."""

import os
import re
import subprocess
import tempfile
import threading
import time
import tty

# "12:02:24.298261 - SPEECH OUTPUT: 'Провери push button.'{'established': False}"
# "12:02:24.298261 - SPEECH OUTPUT: 'space ' {'established': False}" (a key's name, a space)
SPEECH = re.compile(r" - SPEECH OUTPUT: '(.*)' ?\{[^{}]*\}$")


class Orca:
    def __init__(self, log_path, timeout=60.0):
        """Starts Orca with its own settings and waits until it listens to the desktop."""
        self.log_path = log_path
        self._lines = []
        self._lock = threading.Lock()
        self._home = tempfile.TemporaryDirectory(prefix="valtessa-orca-")
        home = self._home.name
        env = {**os.environ, "HOME": home, "XDG_CONFIG_HOME": f"{home}/config",
               "XDG_DATA_HOME": f"{home}/data", "XDG_CACHE_HOME": f"{home}/cache",
               # No speech synthesiser: Orca logs what it would say and says nothing aloud.
               "SPEECHD_ADDRESS": f"unix_socket:{home}/none/speechd.sock"}
        # Orca opens its debug file as a buffered Python file, which it would write in blocks; a
        # terminal makes it write every line at once, and this reads the other end.
        self._master, self._terminal = os.openpty()
        tty.setraw(self._terminal)
        os.makedirs(os.path.dirname(log_path), exist_ok=True)
        self._log = open(log_path, "w", encoding="utf-8")
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        with open(log_path + ".out", "w") as output:
            self.process = subprocess.Popen(
                ["orca", "--replace", "--debug-file", os.ttyname(self._terminal)], env=env,
                stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT)
        self._wait_for_line("Orca to start", lambda line: "ORCA: Startup complete" in line,
                            timeout)

    def _read(self):
        pending = b""
        while True:
            try:
                chunk = os.read(self._master, 65536)
            except OSError:
                chunk = b""
            if not chunk:
                break
            lines = (pending + chunk).split(b"\n")
            pending = lines.pop()
            text = [line.decode("utf-8", "replace").rstrip("\r") for line in lines]
            with self._lock:
                self._lines.extend(text)
            self._log.write("".join(line + "\n" for line in text))
            self._log.flush()

    def _snapshot(self):
        with self._lock:
            return list(self._lines)

    def _wait_for_line(self, what, predicate, timeout):
        deadline = time.monotonic() + timeout
        while not any(predicate(line) for line in self._snapshot()):
            if self.process.poll() is not None:
                raise AssertionError(f"Orca ended ({self.process.returncode}) before {what}; "
                                     f"see {self.log_path}")
            if time.monotonic() > deadline:
                raise AssertionError(f"timed out waiting for {what}; see {self.log_path}")
            time.sleep(0.05)

    def spoken(self):
        """Everything Orca has said so far, one utterance a line."""
        return [m.group(1) for m in map(SPEECH.search, self._snapshot()) if m]

    def mark(self):
        """A place in what Orca has said, for `said_since`."""
        return len(self.spoken())

    def said_since(self, mark):
        return self.spoken()[mark:]

    def wait_to_say(self, what, mark, predicate, timeout=30.0):
        """Waits until Orca has said something, after mark, for which predicate holds, and
        returns everything it said after mark up to then."""
        deadline = time.monotonic() + timeout
        while True:
            said = self.said_since(mark)
            for index, utterance in enumerate(said):
                if predicate(utterance):
                    return said[:index + 1]
            if time.monotonic() > deadline:
                raise AssertionError(f"Orca never said {what}; it said {said!r}")
            time.sleep(0.05)

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._terminal)
        self._reader.join(timeout=10)
        os.close(self._master)
        self._log.close()
        self._home.cleanup()
