"""The classroom round's lab: a network of its own, the teacher's real program on it, and pupils
that speak the round's protocol (docs/protocol.md), each from a machine of its own; the round as
a round alone would go, to hold every answer against; and the searches of what the host sent.

Machines are network namespaces cabled (veth pairs) to a switch (a bridge in a namespace of its
own), with link-local IPv4 addresses only and IPv6 off, so that nothing is ever sent to any other
address. One Python process plays every pupil: a pupil's socket is made inside its machine's
namespace (setns) and keeps to it. Needs root."""

import asyncio
import atexit
import csv
import ctypes
import itertools
import json
import os
import random
import re
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time
import urllib.parse

import websockets

CLONE_NEWNET = 0x40000000
LIBC = ctypes.CDLL("libc.so.6", use_errno=True)
TEACHER = ("teacher", "169.254.1.1")
# Error conditions of AT-SPI while a window changes under it: "not yet" to a wait.
QUIET = (AttributeError, IndexError, LookupError, RuntimeError)


def check(condition, message):
    if not condition:
        raise AssertionError(message)


async def until(what, condition, timeout=20.0, interval=0.05, quiet=()):
    """Waits for condition() to be true, at most timeout seconds; returns its value."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            value = condition()
            if asyncio.iscoroutine(value):
                value = await value
        except quiet:
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout:.0f} s waiting for {what}")
        await asyncio.sleep(interval)


def ip(*args):
    result = subprocess.run(["ip", *args], capture_output=True, text=True)
    check(result.returncode == 0, f"`ip {' '.join(args)}` failed: {result.stderr.strip()}")
    return result.stdout


# --- the network ----------------------------------------------------------------------------

class Network:
    """Namespaces named vtl<pid>-NAME; close() (also at exit) removes them all, and a run killed
    outright leaves namespaces the next run removes."""

    def __init__(self):
        for line in ip("netns", "list").splitlines():
            stale = re.match(r"(vtl(\d+)-\S+)", line)
            if stale and not os.path.exists(f"/proc/{stale.group(2)}"):
                subprocess.run(["ip", "netns", "delete", stale.group(1)], capture_output=True)
        self.tag = f"vtl{os.getpid()}"
        self.own = os.open("/proc/thread-self/ns/net", os.O_RDONLY)
        self.machines = {}  # name -> (namespace, address, its namespace's file)
        self.made = []
        atexit.register(self.close)
        try:
            self.switch = self._namespace("switch")[0]
            ip("-n", self.switch, "link", "add", "switch", "type", "bridge")
            ip("-n", self.switch, "link", "set", "switch", "up")
        except AssertionError as error:
            self.close()
            raise AssertionError(f"the lab's network needs root (uid {os.getuid()}): {error}")

    def _inside(self, fd, action):
        check(LIBC.setns(fd, CLONE_NEWNET) == 0, f"setns: {os.strerror(ctypes.get_errno())}")
        try:
            return action()
        finally:
            check(LIBC.setns(self.own, CLONE_NEWNET) == 0, "setns back to the test's network")

    def _namespace(self, name):
        namespace = f"{self.tag}-{name}"
        ip("netns", "add", namespace)
        self.made.append(namespace)
        fd = os.open(f"/run/netns/{namespace}", os.O_RDONLY)

        def no_ipv6():  # before any interface: "default" is what a new one starts with
            for which in ("all", "default"):
                with open(f"/proc/sys/net/ipv6/conf/{which}/disable_ipv6", "w") as file:
                    file.write("1")
        self._inside(fd, no_ipv6)
        ip("-n", namespace, "link", "set", "lo", "up")
        return namespace, fd

    def add(self, name, address):
        """A machine with one interface, eth0, cabled to the switch's port NAME."""
        check(address.startswith("169.254."), f"{address} is not link-local")
        namespace, fd = self._namespace(name)
        ip("link", "add", "eth0", "netns", namespace, "type", "veth", "peer", "name", name,
           "netns", self.switch)
        ip("-n", self.switch, "link", "set", name, "master", "switch", "up")
        ip("-n", namespace, "addr", "add", f"{address}/16", "dev", "eth0")
        ip("-n", namespace, "link", "set", "eth0", "up")
        self.machines[name] = (namespace, address, fd)

    def namespace(self, name):
        return self.machines[name][0]

    def unplug(self, name):
        """The machine's cable out of the switch: its own interface loses its carrier, and
        nothing passes either way."""
        ip("-n", self.switch, "link", "set", name, "down")

    def plug(self, name):
        ip("-n", self.switch, "link", "set", name, "up")

    def socket(self, name):
        """A TCP socket of the machine, not yet connected, non-blocking."""
        sock = self._inside(self.machines[name][2], socket.socket)
        sock.setblocking(False)
        return sock

    def close(self):
        for namespace in reversed(self.made):
            subprocess.run(["ip", "netns", "delete", namespace], capture_output=True)
        self.made.clear()


# --- the teacher's program ------------------------------------------------------------------

class Host:
    """The teacher's program on the machine "teacher", with a home of its own (its class
    records), on the offscreen platform or, gui, on the session's X server and accessibility
    bus."""

    def __init__(self, lab, home, port, gui):
        self.lab, self.home, self.port, self.gui = lab, home, port, gui
        self.records = os.path.join(home, "data", "Kordavin", "valtessa", "class-records.sqlite")
        self.process = None
        self.link = self.code = None
        os.makedirs(home, exist_ok=True)

    async def start(self, *args):
        env = {**os.environ, "HOME": self.home, "XDG_DATA_HOME": f"{self.home}/data",
               "XDG_CONFIG_HOME": f"{self.home}/config", "XDG_CACHE_HOME": f"{self.home}/cache",
               # no avahi-daemon of the machine hears of the round
               "DBUS_SYSTEM_BUS_ADDRESS": f"unix:path={self.home}/no-system-bus",
               "QT_QPA_PLATFORM": "xcb" if self.gui else "offscreen"}
        with open(os.path.join(self.home, "stderr.txt"), "ab") as stderr:
            # `ip netns exec` runs the program in place: the process id is the program's.
            self.process = await asyncio.create_subprocess_exec(
                "ip", "netns", "exec", self.lab.net.namespace(TEACHER[0]), self.lab.executable,
                *args, stdout=asyncio.subprocess.PIPE, stderr=stderr, env=env)
        self.lab.hosts.append(self)
        self.pid = self.process.pid

    async def host_round(self, *quiz):
        """`valtessa --host --port N [FILE]`: the round starts at once; its link on standard
        output."""
        await self.start("--host", "--port", str(self.port), *quiz)
        line = await asyncio.wait_for(self.process.stdout.readline(), 60)
        self.link = line.decode().strip()
        check(self.link.startswith(f"http://{TEACHER[1]}:{self.port}/?code="),
              f"the join link {self.link!r}; standard error: {self.stderr()}")
        self.code = urllib.parse.parse_qs(urllib.parse.urlparse(self.link).query)["code"][0]
        return self

    def stderr(self):
        with open(os.path.join(self.home, "stderr.txt"), encoding="utf-8", errors="replace") as f:
            return f.read()

    def alive(self):
        return self.process is not None and self.process.returncode is None

    def cpu_seconds(self):
        fields = open(f"/proc/{self.pid}/stat").read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def memory_kib(self, key):
        text = open(f"/proc/{self.pid}/status").read()
        return int(re.search(rf"^{key}:\s+(\d+) kB", text, re.M).group(1))

    def open_files(self):
        return len(os.listdir(f"/proc/{self.pid}/fd"))

    async def kill(self):
        if self.alive():
            self.process.kill()
            await self.process.wait()


# --- the round as a round alone would go ----------------------------------------------------

class Round:
    """The round's figures as the teacher's program must count them: each check decided by the
    window's rule (the open rows holding all the chosen entries match; the last is found), a
    wrong check counted once, and against every row with the chosen first entry."""

    def __init__(self, table, orders):
        self.rows = [(r["place"], r["winner"], r["defeated"]) for r in table]
        self.explanations = [r["explanation"] for r in table]
        self.orders = [orders["places"], orders["winners"], orders["defeated"]]
        self.matched = [0] * len(self.rows)
        self.wrong_checks = [0] * len(self.rows)
        self.plays = {}  # name -> Play

    def row_of(self, choice, rows):
        found = [row for row in rows if self.rows[row] == tuple(choice)]
        return found[-1] if found else -1


class Play:
    """One pupil's attempts."""

    def __init__(self, game, name):
        self.game, self.name = game, name
        self.earlier = []  # the figures of each attempt before the one in play
        self.number, self.removed = 0, False
        game.plays[name] = self
        self.begin(False)

    def begin(self, practice):
        if self.number:
            self.earlier.append(self.figures())
        rows = sorted(self.missed) if practice and self.missed else range(len(self.game.rows))
        self.practice = bool(practice and self.missed)
        self.rows, self.open = len(rows), list(rows)
        self.number += 1
        self.right = self.wrong = 0
        self.missed = set()

    @property
    def finished(self):
        return not self.open

    def figures(self):
        """As the results keep an attempt: number, practice, matched, of, wrong, finished."""
        return (self.number, self.practice, self.right, self.rows, self.wrong, self.finished)

    def lists(self):
        """Each list's entries still to match, in the list's own order."""
        lists = []
        for column, order in enumerate(self.game.orders):
            left = [self.game.rows[row][column] for row in self.open]
            lists.append([entry for entry in order if entry in left])
            for entry in lists[-1]:
                left.remove(entry)
        return lists

    def choose(self, rng, right):
        if right or len(self.open) == 1:
            return list(self.game.rows[rng.choice(self.open)])
        lists = self.lists()
        while True:
            choice = [rng.choice(entries) for entries in lists]
            if self.game.row_of(choice, self.open) < 0:
                return choice

    def apply(self, choice):
        game, row = self.game, self.game.row_of(choice, self.open)
        if row >= 0:
            self.open.remove(row)
            self.right += 1
            game.matched[row] += 1
        else:
            self.wrong += 1
            for other, entries in enumerate(game.rows):
                if entries[0] == choice[0]:
                    game.wrong_checks[other] += 1
                    if other in self.open:
                        self.missed.add(other)
        return row

    def attempt(self, serial):
        """The attempt as the host must send it: in welcome and started."""
        return {"number": self.number, "practice": self.practice, "lists": self.lists(),
                "rightAnswers": self.right, "wrongAnswers": self.wrong, "nextSerial": serial + 1}

    def summary(self):
        return {"rightAnswers": self.right, "wrongAnswers": self.wrong,
                "missedRows": [self.game.rows[row][0] for row in sorted(self.missed)]}


def same(got, want, what):
    """The fields of want (and of its objects), as got has them."""
    def pick(got, want):
        if not isinstance(want, dict) or not isinstance(got, dict):
            return got
        return {key: pick(got.get(key), value) for key, value in want.items()}
    check(pick(got, want) == want, f"{what}: got {pick(got, want)}, a round alone gives {want}")


# --- a pupil --------------------------------------------------------------------------------

class Pupil:
    """A pupil's program on the machine `machine`, speaking the round's protocol: it joins, checks
    and starts attempts, and comes back after a drop with its token, sending the request it was
    waiting on again under the same serial (docs/protocol.md). Every text the host sent it, and it
    the host, is kept in order in its transcript."""

    def __init__(self, lab, machine, name):
        self.lab, self.machine, self.name = lab, machine, name
        self.rng = random.Random(name)
        self.ws = self.token = self.play = None
        self.serial = 0
        self.transcript = []  # (True for what the host sent, the text)
        self.round_trips = []
        self.verdicts = self.connections = 0

    @property
    def host(self):
        return self.lab.host

    async def connect(self, timeout=5):
        self.connections += 1
        sock = self.lab.net.socket(self.machine)
        try:
            await asyncio.wait_for(asyncio.get_running_loop().sock_connect(
                sock, (TEACHER[1], self.host.port)), timeout)
            self.ws = await websockets.connect(
                f"ws://{TEACHER[1]}:{self.host.port}/ws", sock=sock, compression=None,
                max_size=None, ping_interval=5, ping_timeout=10, close_timeout=1,
                open_timeout=timeout)
        except BaseException:
            sock.close()
            raise
        return self.ws

    async def send(self, message):
        text = message if isinstance(message, (str, bytes)) else json.dumps(message,
                                                                              ensure_ascii=False)
        self.transcript.append((False, text))
        await self.ws.send(text)

    async def receive(self, timeout=60):
        """The host's next message but `alive`, which says only that the link is up."""
        deadline = time.monotonic() + timeout
        while True:
            text = await asyncio.wait_for(self.ws.recv(), deadline - time.monotonic())
            self.transcript.append((True, text))
            if json.loads(text)["type"] != "alive":
                return json.loads(text)

    async def refused(self, what, words, timeout=15):
        """The host's refusal, its reason holding words, and the connection closed."""
        try:
            reply = await self.receive(timeout)
        except asyncio.TimeoutError:
            raise AssertionError(f"{what}: no answer in {timeout} s") from None
        check(reply["type"] == "refused" and words in reply["reason"],
              f"{what}: {json.dumps(reply, ensure_ascii=False)[:300]}, not refused with "
              f"„…{words}…“")
        await asyncio.wait_for(self.ws.wait_closed(), timeout)
        self.ws = None
        return reply["reason"]

    async def join(self, name=None, code=None, fresh=True):
        """Joins under name (its own by default): the welcome, checked; or the first reply
        that is not one (held, refused)."""
        await self.connect()
        await self.send({"type": "join", "protocol": 1, "code": code or self.host.code,
                         "name": name or self.name})
        reply = await self.receive()
        if reply["type"] == "welcome" and fresh:
            self.play = Play(self.host.game, reply["name"])
            self.token, self.serial = reply["token"], 0
            check(re.fullmatch(r"[0-9a-f]{32}", self.token), f"the token {self.token!r}")
            same(reply["attempt"], self.play.attempt(0), f"{self.name}'s welcome")
        return reply

    async def come_back(self, deadline):
        """Connects again and resumes with the token, after 1, 2, then every 3 seconds, as a
        pupil's program does, until the deadline; the welcome."""
        for attempt in itertools.count():
            await asyncio.sleep((1, 2)[attempt] if attempt < 2 else 3)
            check(time.monotonic() < deadline, f"{self.name} could not come back in time")
            try:
                await self.connect(3)
                await self.send({"type": "resume", "protocol": 1, "token": self.token})
                welcome = await self.receive(10)
            except (OSError, asyncio.TimeoutError, websockets.ConnectionClosed,
                    websockets.InvalidHandshake):
                self.ws = None
                continue
            check(welcome["type"] == "welcome" and welcome["token"] == self.token,
                  f"{self.name} came back to {welcome}")
            if not any(welcome["attempt"]["lists"]):
                check((await self.receive(10))["type"] == "finished", "no summary on return")
            return welcome

    async def request(self, message, replies, timeout=180):
        """Sends a check or again and receives its `replies` messages; through drops, coming
        back and sending it again under the same serial, until the deadline."""
        deadline = time.monotonic() + timeout
        self.serial += 1
        message["serial"] = self.serial
        while True:
            try:
                if self.ws is None:
                    welcome = await self.come_back(deadline)
                    seen = welcome["attempt"]["nextSerial"] - 1
                    check(seen in (self.serial - 1, self.serial),
                          f"{self.name} came back at serial {seen}; it sent {self.serial}")
                    if seen < self.serial:  # the host had not had the request
                        same(welcome["attempt"], self.play.attempt(seen),
                             f"{self.name}'s attempt on return")
                started = time.monotonic()
                await self.send(message)
                got = [await self.receive(max(1, deadline - time.monotonic()))
                       for _ in range(replies)]
                self.round_trips.append(time.monotonic() - started)
                return got
            except (OSError, asyncio.TimeoutError, websockets.ConnectionClosed):
                check(time.monotonic() < deadline, f"{self.name}: no answer to {message}")
                self.ws = None

    async def check_choice(self):
        """A right or a wrong check, at random, held against the round alone."""
        play = self.play
        choice = play.choose(self.rng, self.rng.random() < 0.5)
        last = len(play.open) == 1 and play.game.row_of(choice, play.open) >= 0
        got = await self.request({"type": "check", "choice": choice}, 2 if last else 1)
        row = play.apply(choice)
        same(got[0], {"type": "verdict", "serial": self.serial, "right": row >= 0,
                      "shown": play.game.explanations[row] if row >= 0 else "",
                      "rightAnswers": play.right, "wrongAnswers": play.wrong},
             f"{self.name}'s check {choice}")
        if play.finished:
            same(got[1], {"type": "finished", "summary": play.summary(), "roundEnded": False},
                 f"{self.name}'s summary")
        self.verdicts += 1
        return row

    async def again(self, practice):
        got = await self.request({"type": "again", "practice": practice}, 1)
        self.play.begin(practice)
        same(got[0], {"type": "started", "attempt": {**self.play.attempt(self.serial),
                                                     "shown": ""}},
             f"{self.name}'s next attempt")

    async def play_on(self, checks, pace=0.0):
        """checks checks, a new attempt (a practice or not, at random) after each finished one;
        at a pupil's pace (seconds between checks) or as fast as the host answers."""
        for _ in range(checks):
            if self.play.finished:
                await self.again(self.rng.random() < 0.5)
            await self.check_choice()
            if pace:
                await asyncio.sleep(pace)

    async def close(self):
        if self.ws is not None:
            await self.ws.close()
            self.ws = None


# --- what the host sent ---------------------------------------------------------------------

def search(pupil, game):
    """Every text the host sent the pupil, in order: no row's explanation before the verdict
    that matches it; no two answers of a row together anywhere before that row's match but in
    the lists, each a column's entries of its own in that list's own order. Returns the bytes
    searched."""
    matched, choices, searched = set(), {}, 0
    answers = [[entry.strip() for entry in row] for row in game.rows]
    escaped = [json.dumps(text, ensure_ascii=False)[1:-1] for text in game.explanations]
    for from_host, text in pupil.transcript:
        message = json.loads(text)
        if not from_host:
            if message.get("type") == "check":
                choices[message["serial"]] = message["choice"]
            continue
        searched += len(text.encode())
        found = set()
        if message["type"] == "verdict" and message["right"]:
            found = {game.row_of(choices[message["serial"]], range(len(game.rows)))}
        if message["type"] == "welcome":  # back after a drop: the checks the host had
            found = {game.row_of(choice, range(len(game.rows))) for serial, choice in
                     choices.items() if serial < message["attempt"]["nextSerial"]} - {-1}
        shown = matched | found
        leaves = []  # every text outside the lists, and each array's items as one text

        def walk(value, key):
            if key == "lists":
                for column, entries in enumerate(value):
                    order = iter(game.orders[column])
                    check(all(entry in order for entry in entries),
                          f"{pupil.name}: list {column} is not that list's, in its order: "
                          f"{entries}")
            elif isinstance(value, dict):
                for name, item in value.items():
                    walk(item, name)
            elif isinstance(value, list):
                leaves.append(" | ".join(map(str, value)))
                for item in value:
                    walk(item, key)
            elif isinstance(value, str):
                leaves.append(value)
        walk(message, None)
        for row in set(range(len(game.rows))) - shown:
            check(escaped[row] not in text and not any(game.explanations[row] in leaf
                                                       for leaf in leaves),
                  f"{pupil.name} was sent row {row}'s explanation before its match: {text[:200]}")
        # What a match shows is the quiz's own text, as a round alone shows it.
        for row in shown:
            leaves = [leaf.replace(game.explanations[row], "") for leaf in leaves]
        for row in set(range(len(game.rows))) - shown:
            for leaf in leaves:
                tied = [entry for entry in answers[row] if entry in leaf]
                check(len(tied) < 2, f"{pupil.name} was sent {tied} of row {row} together "
                                     f"before its match: {leaf[:200]}")
        matched |= shown
    return searched


# --- the results ----------------------------------------------------------------------------

def saved_results(lab, records):
    """`valtessa --results RECORDS OUT.csv`: each pupil's attempts, as figures."""
    out = os.path.join(tempfile.mkdtemp(dir=lab.work), "results.csv")
    result = subprocess.run([lab.executable, "--results", records, out], capture_output=True,
                            text=True, timeout=120, env={**os.environ,
                                                         "QT_QPA_PLATFORM": "offscreen"})
    check(result.returncode == 0, f"--results: status {result.returncode}: {result.stderr}")
    with open(out, encoding="utf-8-sig", newline="") as file:
        lines = list(csv.reader(file, delimiter=";"))
    column = {name: lines[0].index(name) for name in lines[0]}
    attempts = {}
    for line in lines[1:]:
        attempts.setdefault(line[column["Ученик"]], []).append(
            (int(line[column["Опит"]]), line[column["Упражнение"]] == "да",
             int(line[column["Намерени"]]), int(line[column["От"]]),
             int(line[column["Грешни"]]), line[column["Завършен"]] == "да"))
    return attempts


def check_results(lab, host):
    """The saved results are what was played, to the count."""
    want = {name: play.earlier + [play.figures()] for name, play in host.game.plays.items()}
    got = saved_results(lab, host.records)
    for name in sorted(set(want) | set(got)):
        check(got.get(name) == want.get(name),
              f"the results of {name}: {got.get(name)}; played: {want.get(name)}")


def integrity(records):
    database = sqlite3.connect(f"file:{records}?mode=ro", uri=True)
    try:
        return database.execute("PRAGMA integrity_check").fetchone()[0]
    finally:
        database.close()


# --- the lab --------------------------------------------------------------------------------

class Lab:
    """The network with the teacher's machine and `machines` pupils' machines (p1, p2, …), the
    program under test and the battle table; everything it made goes at exit, however the run
    ends (a signal too)."""

    def __init__(self, executable, table_json, machines):
        self.executable = executable
        read = lambda *a: json.loads(subprocess.run([table_json, *a], check=True,  # noqa: E731
                                                    capture_output=True).stdout)
        self.table, self.orders = read(), read("--orders")
        for mount in open("/proc/mounts").read().split("\n"):  # of a run killed outright
            stale = re.search(r" (/\S+/valtessa-load-(\d+)-\S+) tmpfs ", mount)
            if stale and not os.path.exists(f"/proc/{stale.group(2)}"):
                subprocess.run(["umount", "-l", stale.group(1)], capture_output=True)
        self.work = tempfile.mkdtemp(prefix=f"valtessa-load-{os.getpid()}-")
        self.hosts, self.mounts, self.host = [], [], None
        signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))
        atexit.register(self.close)
        self.net = Network()
        self.net.add(*TEACHER)
        for number in range(1, machines + 1):
            self.net.add(f"p{number}", f"169.254.{2 + number // 250}.{1 + number % 250}")

    async def start_host(self, gui, port, home=None, quiz=None):
        """A teacher's program hosting the battles, or quiz: (its file, table, orders)."""
        self.host = Host(self, home or tempfile.mkdtemp(dir=self.work), port, gui)
        await self.host.host_round(*quiz[:1] if quiz else ())
        self.host.game = Round(*quiz[1:] if quiz else (self.table, self.orders))
        return self.host

    async def stop(self):
        """Ends every teacher's program, and then takes away the file systems made for one."""
        for host in self.hosts:
            await host.kill()
        for mount in reversed(self.mounts):
            subprocess.run(["umount", mount], check=True)
        self.mounts.clear()

    def close(self):
        for host in self.hosts:
            if host.alive():
                host.process.kill()
        for mount in reversed(self.mounts):
            subprocess.run(["umount", "-l", mount], capture_output=True)
        self.mounts.clear()
        self.net.close()
        subprocess.run(["rm", "-rf", self.work])
