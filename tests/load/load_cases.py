#!/usr/bin/python3
"""The classroom round's faults and hostile pupils: one table of cases, each against a teacher's
program of its own (on the session's X server, the host window read and pressed over AT-SPI as a
screen reader does), with three bystanders playing on throughout at a pupil's pace. A case
passes when what it did was answered as it must be, the bystanders played on, the host lives,
and afterwards the teacher's table and the saved results are what was played, to the count, the
class records are sound (SQLite's integrity check) and no pupil was sent any of the answer key.

Usage, in a session (tests/e2e/run-in-session.sh): load_cases.py VALTESSA TABLE_JSON [CASE...]"""

import asyncio
import base64
import json
import os
import random
import secrets
import socket
import subprocess
import sys
import tempfile
import time
import traceback

import pyatspi
import websockets

from lab import (QUIET, TEACHER, Host, Lab, Play, Pupil, check, check_results, integrity, same,
                 search, until)

PORT = 47500
BYSTANDERS = 3
PACE = 0.1  # seconds between a bystander's checks: a quick pupil
HOST_TITLE = "Кръг на класа"


# --- the teacher at the host window ---------------------------------------------------------

def descendants(node):
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            yield child
            yield from descendants(child)


class Teacher:
    """The teacher's program as a screen reader reaches it."""

    def __init__(self, pid):
        self.pid = pid

    def app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        return next((a for a in (desktop.getChildAtIndex(i) for i in range(desktop.childCount))
                     if a is not None and a.get_process_id() == self.pid), None)

    def windows(self, role=None):
        app = self.app()
        return [w for w in (app.getChildAtIndex(i) for i in range(app.childCount)) if w
                is not None and w.getState().contains(pyatspi.STATE_SHOWING)
                and role in (None, w.getRole())]

    async def window(self, title=HOST_TITLE):
        self.host = await until(f"the window „{title}…“", lambda: next(
            (w for w in self.windows() if w.name.startswith(title)), None), 60, quiet=QUIET)
        return self.host

    def find(self, role, name, root=None):
        return next((n for n in descendants(root or self.host)
                     if n.getRole() == role and (name is None or n.name == name)), None)

    def press(self, name, root=None):
        button = self.find(pyatspi.ROLE_PUSH_BUTTON, name, root)
        check(button is not None and button.queryAction().doAction(0), f"no button „{name}“")

    def labels(self):
        return [n.name for n in descendants(self.host) if n.getRole() == pyatspi.ROLE_LABEL
                and n.getState().contains(pyatspi.STATE_SHOWING) and n.name]

    def table(self, name):
        cells = self.find(pyatspi.ROLE_TABLE, name).queryTable()
        return [[cells.getAccessibleAt(row, column).name for column in range(cells.nColumns)]
                for row in range(cells.nRows)]

    def choose(self, role, name, row):
        node = self.find(role, name)
        check(node.queryTable().addRowSelection(row), f"row {row} of „{name}“ not chosen")

    async def answer(self, question, button):
        """The message box that asks question, answered with button."""
        box = await until(f"the question „{question}…“", lambda: next(
            (w for w in self.windows() if any(question in n.name for n in descendants(w))),
            None), quiet=QUIET)
        self.press(button, box)

    def pupils(self):
        """The table „Ученици“: name, rows found of all, wrong checks, attempt; and state."""
        return {line[0]: (line[:3] + [line[4]], line[5]) for line in self.table("Ученици")}


# --- one case's round -----------------------------------------------------------------------

class Room:
    """A teacher's program of its own with three bystanders playing on; `async with` checks,
    at the end, what every case must leave behind."""

    def __init__(self, lab, port, home=None, steady=True, quiz=None):
        self.lab, self.port, self.home, self.steady, self.quiz = lab, port, home, steady, quiz
        self.pupils, self.groups = [], []

    async def __aenter__(self):
        self.host = await self.lab.start_host(True, self.port, self.home, self.quiz)
        self.teacher = Teacher(self.host.pid)
        await self.teacher.window()
        self.bystanders = [await self.pupil(f"p{n}", f"Наблюдател {n}")
                           for n in range(1, BYSTANDERS + 1)]
        self.watching = self.playing(self.bystanders, PACE)
        return self

    async def pupil(self, machine, name=None):
        pupil = Pupil(self.lab, machine, name or f"Ученик {machine}")
        self.pupils.append(pupil)
        reply = await pupil.join()
        check(reply["type"] == "welcome", f"{pupil.name} could not join: {reply}")
        return pupil

    def playing(self, pupils, pace=0.0):
        """The pupils play on, each at its pace, until stop() (each its check in hand first)."""
        stopped = []

        async def play(pupil):
            while not stopped:
                await pupil.play_on(1, pace)
        group = (stopped, [asyncio.create_task(play(pupil)) for pupil in pupils])
        self.groups.append(group)
        return group

    async def stop(self, group):
        group[0].append(True)
        await asyncio.wait_for(asyncio.gather(*group[1]), 240)

    async def progress(self, pupils=None, checks=3, timeout=60):
        """Every one of pupils (the bystanders) gets checks more verdicts."""
        pupils = pupils or self.bystanders
        now = [pupil.verdicts for pupil in pupils]

        def more():
            for task in (task for _, tasks in self.groups for task in tasks if task.done()):
                task.result()  # a pupil's failure, as it was
            return all(p.verdicts >= n + checks for p, n in zip(pupils, now))
        await until(f"{checks} more verdicts for each of {[p.name for p in pupils]}", more,
                    timeout)

    async def __aexit__(self, kind, error, trace):
        if kind is not None:
            tasks = [task for _, tasks in self.groups for task in tasks]
            for task in tasks:
                task.cancel()
            await asyncio.gather(*tasks, return_exceptions=True)
            return False
        await self.progress()
        await self.stop(self.watching)
        host, game = self.lab.host, self.lab.host.game
        check(host.alive(), "the teacher's program has ended")
        if self.steady:
            for pupil in self.bystanders:
                check(pupil.connections == 1, f"{pupil.name} had to connect again")
        want = {name: ([name, f"{p.right} от {p.rows}", str(p.wrong),
                        f"{p.number}" + (" (упражнение)" if p.practice else "")], p.removed)
                for name, p in game.plays.items()}

        def table():
            return {name: (line, state == "отстранен")
                    for name, (line, state) in self.teacher.pupils().items()}
        try:
            await until("the teacher's table to show what was played",
                        lambda: table() == want, quiet=QUIET)
        except AssertionError:
            raise AssertionError(f"the teacher's table {table()}; played {want}") from None
        # Each row by its first entry, which no two rows share in these quizzes.
        rows = {line[0].split(" — ")[0].strip(): line[1:]
                for line in self.teacher.table("Редове на викторината")}
        want = {r[0].strip(): [str(m), str(w)]
                for r, m, w in zip(game.rows, game.matched, game.wrong_checks)}
        check(rows == want, f"the teacher's rows {rows}; played {want}")
        check_results(self.lab, host)
        check(integrity(host.records) == "ok", "the class records are damaged")
        for pupil in self.pupils:
            search(pupil, game)
            await pupil.close()
        return False


# --- raw connections ------------------------------------------------------------------------

def handshake():
    key = base64.b64encode(secrets.token_bytes(16)).decode()
    return (f"GET /ws HTTP/1.1\r\nHost: {TEACHER[1]}\r\nUpgrade: websocket\r\nConnection: "
            f"Upgrade\r\nSec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n\r\n").encode()


def frame(text):
    """A masked text frame, as a client sends it."""
    payload, mask = text.encode(), secrets.token_bytes(4)
    size = len(payload)
    head = bytes([0x81]) + (bytes([0x80 | size]) if size < 126 else
                            bytes([0x80 | 126]) + size.to_bytes(2, "big"))
    return head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(payload))


class Raw:
    """A TCP connection from a machine, written and read as bytes."""

    def __init__(self, lab, machine):
        self.lab, self.sock, self.data = lab, lab.net.socket(machine), b""
        self.loop = asyncio.get_running_loop()

    async def connect(self, timeout=10):
        await asyncio.wait_for(self.loop.sock_connect(self.sock, (TEACHER[1],
                                                                  self.lab.host.port)), timeout)
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        return self

    async def send_bytewise(self, data):
        for byte in data:
            await self.loop.sock_sendall(self.sock, bytes([byte]))

    async def read(self, ready, timeout=15):
        """Reads until ready(data) says how many bytes make what is wanted; those bytes."""
        deadline = time.monotonic() + timeout
        while not (size := ready(self.data)):
            chunk = await asyncio.wait_for(self.loop.sock_recv(self.sock, 65536),
                                           deadline - time.monotonic())
            check(chunk, f"the host closed the connection after {self.data[:200]!r}")
            self.data += chunk
        got, self.data = self.data[:size], self.data[size:]
        return got

    async def message(self, timeout=15):
        """The host's next text message (one unmasked frame) but `alive`."""
        deadline = time.monotonic() + timeout
        def ready(data):
            if len(data) < 2:
                return 0
            size, start = data[1] & 0x7F, 2
            if size >= 126:
                start = 4 if size == 126 else 10
                size = int.from_bytes(data[2:start], "big") if len(data) >= start else 1 << 62
            return start + size if len(data) >= start + size else 0
        while True:
            got = await self.read(ready, deadline - time.monotonic())
            check(got[0] == 0x81, f"not a text frame: {got[:20]!r}")
            message = json.loads(got[(10 if got[1] == 127 else 4 if got[1] == 126 else 2):])
            if message["type"] != "alive":
                return message

    async def closed(self, timeout=40):
        """Waits until the host closes the connection (or resets it)."""
        try:
            while await asyncio.wait_for(self.loop.sock_recv(self.sock, 65536), timeout):
                pass
        except OSError:
            pass
        self.sock.close()


# --- the cases ------------------------------------------------------------------------------

async def link_down_30_s(lab, port):
    async with Room(lab, port) as room:
        pupil = await room.pupil("p4")
        await pupil.play_on(3)
        lab.net.unplug("p4")
        on_its_way = asyncio.create_task(pupil.play_on(3))
        await until("the teacher's table to show the pupil offline", lambda: room.teacher
                    .pupils()[pupil.name][1].startswith("без връзка"), 30, quiet=QUIET)
        await asyncio.sleep(30)  # the case: the cable stays out for 30 s
        check(not on_its_way.done(), "the pupil's check was answered with its cable out")
        lab.net.plug("p4")
        await asyncio.wait_for(on_its_way, 90)
        await pupil.play_on(3)


async def ten_links_flapping(lab, port):
    async with Room(lab, port) as room:
        pupils = [await room.pupil(f"p{n}") for n in range(4, 14)]
        group = room.playing(pupils, PACE)
        for second in range(60):  # the case: each cable out for a second, in for a second
            for pupil in pupils:
                (lab.net.unplug if second % 2 == 0 else lab.net.plug)(pupil.machine)
            await asyncio.sleep(1)
        for pupil in pupils:
            lab.net.plug(pupil.machine)
        played = sum(pupil.verdicts for pupil in pupils)
        await room.progress(pupils, timeout=120)
        await room.stop(group)
        print(f"    {played} checks answered in the minute; the pupils came back "
              f"{sum(pupil.connections - 1 for pupil in pupils)} times")


async def carry_on(lab, room, killed):
    """The teacher starts the program again, opens the host window (Ctrl+K), is offered the
    round her program stopped in, chooses it and carries it on: the same link."""
    check(killed.process.returncode == -9, f"the program ended with {killed.process.returncode}")
    killed.died = time.monotonic()
    host = Host(lab, killed.home, killed.port, gui=True)
    await host.start()
    host.game, host.code, host.link = killed.game, killed.code, killed.link
    lab.host, room.host, room.teacher = host, host, Teacher(host.pid)
    window = await until("the quiz window on the X server", lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--pid", str(host.pid)], capture_output=True,
        text=True).stdout.split())
    subprocess.run(["xdotool", "windowfocus", "--sync", window[0]], check=True)
    subprocess.run(["xdotool", "key", "--clearmodifiers", "ctrl+k"], check=True)
    teacher = room.teacher
    await teacher.window()
    offer = await until("the offer to carry on", lambda: next(
        (t for t in teacher.labels() if "не е завършен" in t), None), quiet=QUIET)
    check("Продължи избрания кръг" in offer, f"the offer: {offer}")
    spin = next(n for n in descendants(teacher.host) if n.getRole() == pyatspi.ROLE_SPIN_BUTTON)
    spin.queryValue().currentValue = killed.port
    teacher.choose(pyatspi.ROLE_LIST, "Предишни кръгове", 0)
    teacher.press("Продължи избрания кръг")
    await until("the round carried on at its link", lambda: killed.link in teacher.labels(),
                quiet=QUIET)
    print(f"    carried on by the program started again, {time.monotonic() - killed.died:.1f} s "
          "after it was killed")


async def teacher_killed(lab, port):
    async with Room(lab, port, steady=False) as room:
        pupils = [await room.pupil(f"p{n}") for n in range(4, 8)]
        group = room.playing(pupils)  # as fast as the host answers: checks on their way
        await room.progress(pupils, 10)
        killed = lab.host
        await killed.kill()
        await carry_on(lab, room, killed)
        await room.progress(pupils + room.bystanders, 5, timeout=120)
        await room.stop(group)


async def write_cut_by_kill(lab, port):
    async with Room(lab, port, steady=False) as room:
        pupil = await room.pupil("p4")
        await pupil.play_on(3)
        await room.stop(room.watching)  # the pupil's next check is the next event written
        # The program is killed at the second write of that event, the first on the disk.
        strace = await asyncio.create_subprocess_exec(
            "strace", "-p", str(room.host.pid), "-o", "/dev/null", "-e", "trace=pwrite64",
            "-e", "inject=pwrite64:error=EIO:signal=SIGKILL:when=2",
            stderr=asyncio.subprocess.PIPE)
        attached = await asyncio.wait_for(strace.stderr.readline(), 30)
        check(b"attached" in attached, f"strace: {attached!r}")
        on_its_way = asyncio.create_task(pupil.play_on(3))
        killed = lab.host
        await asyncio.wait_for(killed.process.wait(), 30)
        await strace.wait()
        size = os.path.getsize(killed.records + "-wal")
        check((size - 32) % (24 + 4096) != 0, f"the log ({size} bytes) holds no cut write")
        print(f"    killed in a write: the log holds {(size - 32) % (24 + 4096)} bytes of a frame")
        await carry_on(lab, room, killed)
        await asyncio.wait_for(on_its_way, 120)
        room.watching = room.playing(room.bystanders, PACE)


async def records_disk_full(lab, port):
    home = tempfile.mkdtemp(dir=lab.work)
    folder = os.path.join(home, "data", "Kordavin", "valtessa")
    os.makedirs(folder)
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4m", "tmpfs", folder], check=True)
    lab.mounts.append(folder)
    async with Room(lab, port, home=home) as room:
        pupil = await room.pupil("p4")
        await pupil.play_on(3)
        with open(os.path.join(folder, "filler"), "wb") as filler:
            try:
                while filler.write(b"\0" * 65536):
                    filler.flush()
            except OSError:
                pass
        await pupil.play_on(5)
        told = await until("the teacher told of the full disk", lambda: next(
            (t for t in room.teacher.labels() if "пълен" in t), None), quiet=QUIET)
        print(f"    the host window: „{told}“; standard error: {room.host.stderr()!r}")
        check(integrity(room.host.records) == "ok", "the records are damaged on a full disk")
        os.remove(os.path.join(folder, "filler"))
        await until("the warning gone once the records are written", lambda: not any(
            "пълен" in t for t in room.teacher.labels()), quiet=QUIET)
        await pupil.play_on(3)


async def thousand_connections(lab, port):
    async with Room(lab, port) as room:
        before = room.host.open_files()
        machines = [f"p{n}" for n in range(5, 15)]

        async def one(machine):
            raw = Raw(lab, machine)
            try:
                await raw.connect(20)
                await raw.loop.sock_sendall(raw.sock, handshake())
                return raw
            except (OSError, asyncio.TimeoutError):
                raw.sock.close()  # turned away at the door
        flood = [raw for raw in await asyncio.gather(*(one(m) for m in machines
                                                          for _ in range(100))) if raw]
        print(f"    {len(flood)} of 1 000 connections opened a WebSocket handshake")
        await room.progress()
        await asyncio.wait_for(asyncio.gather(*(raw.closed() for raw in flood)), 60)
        await until("the host to let go of the flood's connections",
                    lambda: room.host.open_files() <= before, 30)
        late = await room.pupil("p4")
        await late.play_on(3)


async def wrong_code_100_times(lab, port):
    async with Room(lab, port) as room:
        guesser = Pupil(lab, "p4", "Гадател")
        wrong = f"{(int(room.host.code) + 1) % 10000:04d}"
        reasons = []
        for _ in range(100):
            reply = await guesser.join(code=wrong)
            check(reply["type"] == "refused", f"a wrong code answered {reply}")
            reasons.append(reply["reason"])
            await asyncio.wait_for(guesser.ws.wait_closed(), 10)
        check(all("кодът не е верен" in r for r in reasons[:10]), f"the first ten: {reasons[:10]}")
        check(all("опитайте отново след минута" in r for r in reasons[10:]),
              f"after ten wrong codes: {set(reasons[10:])}")
        reply = await guesser.join()
        check(reply["type"] == "refused" and "след минута" in reply["reason"],
              f"the right code from the address held off: {reply}")
        await (await room.pupil("p5")).play_on(3)


async def guessed_token(lab, port):
    async with Room(lab, port):
        guesser = Pupil(lab, "p4", "Гадател")
        for token, words in ((secrets.token_hex(16), "не ви познава"), ("0" * 31 + "g", "знак")):
            await guesser.connect()
            await guesser.send({"type": "resume", "protocol": 1, "token": token})
            await guesser.refused(f"the token {token}", words)


async def held_then_turned_away(room, owner, group, newcomer, reply, waiting):
    """The newcomer waits for the teacher under the name `waiting`, is turned away with
    „Откажи“, and the owner plays on with the one connection it had."""
    check(reply["type"] == "held" and "учителят" in reply["reason"], f"held? {reply}")
    await until("the name among those waiting", lambda: room.teacher.find(
        pyatspi.ROLE_LIST_ITEM, waiting) is not None, quiet=QUIET)
    await room.progress([owner])
    room.teacher.choose(pyatspi.ROLE_LIST, "Чакат да влязат", 0)
    room.teacher.press("Откажи")
    await newcomer.refused("turned away by the teacher", "не ви пусна")
    await room.progress([owner])
    await room.stop(group)
    check(owner.connections == 1, "the pupil playing lost its connection")


async def another_pupils_token(lab, port):
    async with Room(lab, port) as room:
        owner = await room.pupil("p4")
        group = room.playing([owner], PACE)
        await room.progress([owner])
        thief = Pupil(lab, "p5", "Крадец")
        await thief.connect()
        await thief.send({"type": "resume", "protocol": 1, "token": owner.token})
        # Another machine does not take the pupil over with its token: it waits for the teacher.
        await held_then_turned_away(room, owner, group, thief, await thief.receive(), owner.name)


async def name_already_playing(lab, port):
    async with Room(lab, port) as room:
        owner = await room.pupil("p4", "Мария Иванова")
        group = room.playing([owner], PACE)
        second = Pupil(lab, "p5", "МАРИЯ ИВАНОВА")
        await held_then_turned_away(room, owner, group, second, await second.join(), second.name)


async def removed_pupil_renamed(lab, port):
    async with Room(lab, port) as room:
        removed = await room.pupil("p4", "Петър Петров")
        await removed.play_on(4)
        def names():
            return [line[0] for line in room.teacher.table("Ученици")]
        await until("the pupil in the teacher's table", lambda: removed.name in names(),
                    quiet=QUIET)
        room.teacher.choose(pyatspi.ROLE_TABLE, "Ученици", names().index(removed.name))
        room.teacher.press("Отстрани ученика")
        await room.teacher.answer("Да бъде ли отстранен „Петър Петров“", "Да")
        await removed.refused("removed", "отстрани")
        removed.play.removed = True
        await removed.connect()
        await removed.send({"type": "resume", "protocol": 1, "token": removed.token})
        await removed.refused("a removed pupil's token", "отстранил")
        check((await removed.join(fresh=False))["type"] == "refused", "the removed name let in")
        reply = await removed.join("Петьо", fresh=False)
        check(reply["type"] == "held", f"the removed pupil under another name: {reply}")
        print(f"    held: {reply['reason']}")
        await until("the name among those waiting", lambda: room.teacher.find(
            pyatspi.ROLE_LIST_ITEM, "Петьо") is not None, quiet=QUIET)
        room.teacher.choose(pyatspi.ROLE_LIST, "Чакат да влязат", 0)
        room.teacher.press("Откажи")
        await removed.refused("turned away by the teacher", "не ви пусна")


async def check_before_join(lab, port):
    async with Room(lab, port) as room:
        early = Pupil(lab, "p4", "Бързак")
        await early.connect()
        await early.send({"type": "check", "serial": 1, "choice": list(room.host.game.rows[0])})
        await early.refused("a check before joining", "влезте")


async def old_serials(lab, port):
    async with Room(lab, port) as room:
        pupil = await room.pupil("p4")
        await pupil.play_on(3)
        last = pupil.transcript[-1][1]
        choice = json.loads(pupil.transcript[-2][1])["choice"]
        # Older serials are not answered; the last one is answered again, not counted again.
        await pupil.send({"type": "check", "serial": 2, "choice": choice})
        await pupil.send({"type": "again", "serial": 1, "practice": False})
        await pupil.send({"type": "check", "serial": 3, "choice": choice})
        await pupil.receive()
        check(pupil.transcript[-1][1] == last, f"{pupil.transcript[-1][1]} after {last}")
        await pupil.play_on(3)


async def bad_message(lab, port, message, words):
    async with Room(lab, port) as room:
        pupil = await room.pupil("p4")
        await pupil.play_on(3)
        peak = room.host.memory_kib("VmHWM")
        try:
            await pupil.ws.send(message)
            reply = await pupil.receive()
        except websockets.ConnectionClosed as closed:
            # A message larger than the host takes is refused by the WebSocket itself.
            check(closed.rcvd is not None and closed.rcvd.code == 1009 and words == "голямо",
                  f"closed without „{words}“: {closed}")
        else:
            check(reply["type"] == "refused" and words in reply["reason"],
                  f"not refused with „{words}“: {reply}")
        await asyncio.wait_for(pupil.ws.wait_closed(), 10)
        pupil.ws = None
        grown = room.host.memory_kib("VmHWM") - peak
        check(grown < 4096, f"the host took in {grown} KiB more")
        await pupil.play_on(3)


def bad(message, words):
    return lambda lab, port: bad_message(lab, port, message, words)


async def frame_byte_by_byte(lab, port):
    async with Room(lab, port) as room:
        raw = await Raw(lab, "p4").connect()
        await raw.send_bytewise(handshake())
        head = await raw.read(lambda data: data.find(b"\r\n\r\n") + 4 if b"\r\n\r\n" in data
                              else 0)
        check(head.startswith(b"HTTP/1.1 101"), f"the handshake answered {head[:40]!r}")
        name = "Побайтов"
        await raw.send_bytewise(frame(json.dumps({"type": "join", "protocol": 1, "code":
                                                  room.host.code, "name": name},
                                                 ensure_ascii=False)))
        welcome = await raw.message()
        play = Play(room.host.game, name)
        same(welcome, {"type": "welcome", "name": name, "attempt": play.attempt(0)}, "welcome")
        choice = play.choose(random.Random(), True)
        await raw.send_bytewise(frame(json.dumps({"type": "check", "serial": 1,
                                                  "choice": choice}, ensure_ascii=False)))
        verdict = await raw.message()
        play.apply(choice)
        same(verdict, {"type": "verdict", "serial": 1, "right": True, "rightAnswers": 1},
             "the verdict")
        raw.sock.close()


async def header_1_mib(lab, port):
    async with Room(lab, port):
        raw = await Raw(lab, "p4").connect()
        request = b"GET / HTTP/1.1\r\nHost: x\r\nX-Filler: " + b"a" * 2**20 + b"\r\n\r\n"
        async def send():
            try:
                await raw.loop.sock_sendall(raw.sock, request)
            except OSError:
                pass  # the host closes the connection once it has answered
        sending = asyncio.create_task(send())
        line = await raw.read(lambda data: data.find(b"\r\n") + 2 if b"\r\n" in data else 0)
        check(line.startswith(b"HTTP/1.1 431"), f"a 1 MiB header answered {line!r}")
        await raw.closed()
        await sending


async def longest_entries(lab, port):
    """A teacher's quiz of long answers, 3 000 letters each: a check is a check like any."""
    table = [{"place": "ж" * 3000 + str(n), "winner": "ш" * 3000 + str(n), "defeated": "щ" *
              3000 + str(n), "explanation": f"Ред {n}."} for n in range(3)]
    path = os.path.join(lab.work, "long.csv")
    with open(path, "w", encoding="utf-8") as file:
        file.write("Дълги отговори\nПърво;Второ;Трето;Обяснение\n" + "".join(
            ";".join(row.values()) + "\n" for row in table))
    orders = {key: [row[name] for row in table] for key, name in
              (("places", "place"), ("winners", "winner"), ("defeated", "defeated"))}
    async with Room(lab, port, quiz=(path, table, orders)) as room:
        pupil = await room.pupil("p4")
        choice = list(room.host.game.rows[1])
        await pupil.send({"type": "check", "serial": 1, "choice": choice})
        try:
            verdict = await pupil.receive()
        except websockets.ConnectionClosed as closed:
            size = len(json.dumps(choice, ensure_ascii=False).encode())
            raise AssertionError(f"a check of {size} bytes: {closed}") from None
        pupil.serial = 1
        pupil.play.apply(choice)
        same(verdict, {"type": "verdict", "right": True, "shown": "Ред 1."}, "the verdict")
        await pupil.play_on(4)


TEN_MIB = json.dumps({"type": "check", "serial": 9, "choice": ["а" * 5 * 2**20, "б", "в"]})
CASES = [
    ("link-down-30-s", link_down_30_s),
    ("ten-links-flapping-a-minute", ten_links_flapping),
    ("teacher-killed-and-carrying-on", teacher_killed),
    ("write-cut-by-a-kill", write_cut_by_kill),
    ("records-disk-full", records_disk_full),
    ("thousand-connections-at-once", thousand_connections),
    ("wrong-code-100-times", wrong_code_100_times),
    ("guessed-token", guessed_token),
    ("another-pupils-token", another_pupils_token),
    ("name-already-playing", name_already_playing),
    ("removed-pupil-under-another-name", removed_pupil_renamed),
    ("not-json", bad("{join", "JSON")),
    ("truncated", bad('{"type":"check","serial":4,"choice":["Ажин', "JSON")),
    ("unknown-type", bad('{"type":"answers","serial":4}', "непознат")),
    ("check-of-another-shape", bad('{"type":"check","serial":4,"choice":"Кана"}', "протокол")),
    ("check-before-join", check_before_join),
    ("old-serials", old_serials),
    ("binary-message", bad(b'{"type":"leave"}', "текст")),
    ("ten-mib-message", bad(TEN_MIB, "голямо")),
    ("frame-byte-by-byte", frame_byte_by_byte),
    ("check-of-the-longest-entries", longest_entries),
    ("header-1-mib", header_1_mib),
]


async def run(lab, names):
    failed = []
    for index, (name, case) in enumerate(CASES):
        if names and name not in names:
            continue
        started = time.monotonic()
        try:
            await asyncio.wait_for(case(lab, PORT + index), 600)
            outcome = "ok"
        except Exception as error:  # the table goes on with its next case
            traceback.print_exc()
            failed.append(name)
            outcome = f"FAILED: {error or type(error).__name__}"
        finally:
            await lab.stop()
        print(f"{name}: {outcome} ({time.monotonic() - started:.0f} s)", flush=True)
    print(f"{len(failed)} of the cases failed: {', '.join(failed)}" if failed else
          "every case passed")
    return not failed


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    names = sys.argv[3:]
    unknown = set(names) - {name for name, _ in CASES}
    check(not unknown, f"no such cases: {unknown}; the cases: {[n for n, _ in CASES]}")
    check(os.environ.get("DISPLAY"), "no session: run it in tests/e2e/run-in-session.sh")
    lab = Lab(sys.argv[1], sys.argv[2], 16)
    sys.exit(0 if asyncio.run(run(lab, names)) else 1)


if __name__ == "__main__":
    main()
