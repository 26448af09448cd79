#!/usr/bin/python3
"""The program keeps to itself: a whole round is played in the real program while strace records
every system call that names a file or makes a socket. The trace must show no socket but local
(AF_UNIX) ones, connected only to the X display and the D-Bus session and accessibility buses, and
no file created, written, renamed or removed outside Qt's runtime directory. Reading is allowed:
libraries, fonts, /proc. The program runs with a fresh, empty home and runtime directory, as for a
pupil who starts it for the first time; its file dialog is opened and closed too.

Run through tests/e2e/run-in-session.sh:
    privacy.py PROGRAM TABLE_JSON ARTIFACTS_DIR"""

import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from pupil import WatchedProgram, battle_table, check, play_round, wait_for

# System calls that create, change or remove a file by name; each is checked for its paths.
WRITE_INTENT = re.compile(r"\bO_(WRONLY|RDWR|CREAT|TRUNC|APPEND)\b")
MODIFYING_CALLS = {
    "mkdir", "mkdirat", "rmdir", "unlink", "unlinkat", "rename", "renameat", "renameat2",
    "link", "linkat", "symlink", "symlinkat", "truncate", "chmod", "fchmodat", "chown",
    "lchown", "fchownat", "utime", "utimes", "utimensat", "futimesat", "mknod", "mknodat",
    "setxattr", "lsetxattr", "removexattr", "lremovexattr",
}
OPENING_CALLS = {"open", "openat", "openat2", "creat"}
TRACED = ("%file,socket,socketpair,connect,bind,listen,accept,accept4,sendto,memfd_create")

CALL = re.compile(r"^(?P<name>\w+)\((?P<args>.*)\)\s+=\s+(?P<result>-?\d+|\?)"
                  r"(?:<(?P<fd_path>(?:[^>\\]|\\.)*)>)?")
QUOTED = re.compile(r'"((?:[^"\\]|\\.)*)"')
DIRFD = re.compile(r"^(?:AT_FDCWD|\d+)<((?:[^>\\]|\\.)*)>")


def unescape(text):
    """strace's C string escapes back to text (paths are UTF-8)."""
    raw = text.encode("latin-1", "backslashreplace").decode("unicode_escape")
    return raw.encode("latin-1").decode("utf-8", "replace")


def strace_wrapper(directory, program, trace_prefix):
    """A script that runs the program under strace. With -D strace becomes a detached grandchild
    and the started process itself becomes the program, keeping its process id."""
    script = os.path.join(directory, "traced-program")
    with open(script, "w") as out:
        out.write("#!/bin/sh\n"
                  f"exec strace -D -f -ff -q -y -s 4096 -e signal=none -e trace={TRACED} "
                  f"-o '{trace_prefix}' -- '{program}'\n")
    os.chmod(script, 0o755)
    return script


def wait_for_trace(trace_prefix, pid, timeout=60):
    """The detached tracer writes the end of the trace after the program has gone."""
    path = f"{trace_prefix}.{pid}"
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if os.path.exists(path):
            with open(path, errors="replace") as trace:
                if "+++ exited with" in trace.read():
                    return
        time.sleep(0.1)
    raise AssertionError(f"strace did not finish {path}")


def bus_sockets():
    """Socket paths of the D-Bus session bus and of the accessibility bus."""
    addresses = [os.environ["DBUS_SESSION_BUS_ADDRESS"]]
    reply = subprocess.run(
        ["dbus-send", "--session", "--print-reply=literal", "--dest=org.a11y.Bus",
         "/org/a11y/bus", "org.a11y.Bus.GetAddress"], capture_output=True, text=True, check=True)
    addresses.append(reply.stdout.strip())
    sockets = set()
    for address in addresses:
        for part in re.split(r"[;,]", address):
            key, _, value = part.partition("=")
            if key.endswith("path"):
                sockets.add(value)
            elif key.endswith("abstract"):
                sockets.add("@" + value)
    return sockets


def display_sockets():
    number = re.match(r"^:(\d+)", os.environ["DISPLAY"]).group(1)
    path = f"/tmp/.X11-unix/X{number}"
    return {path, "@" + path}


def resolve(dirfd_argument, path):
    if os.path.isabs(path):
        return os.path.normpath(path)
    match = DIRFD.match(dirfd_argument)
    base = unescape(match.group(1)) if match else "?"
    return os.path.normpath(os.path.join(base, path))


def analyse(trace_prefix):
    """Returns (paths changed, socket families made, unix socket peers, calls seen)."""
    changed, families, peers, calls = {}, set(), set(), 0
    for trace in sorted(glob.glob(trace_prefix + ".*")):
        with open(trace, errors="replace") as lines:
            for line in lines:
                call = CALL.match(line)
                if not call:
                    continue
                calls += 1
                name, args, result = call["name"], call["args"], call["result"]
                if result == "?" or int(result) < 0:
                    continue
                arguments = args.split(", ")
                strings = [unescape(s) for s in QUOTED.findall(args)]
                if name in OPENING_CALLS and WRITE_INTENT.search(args):
                    if call["fd_path"]:
                        path = unescape(call["fd_path"])
                    elif name.endswith("at") or name == "openat2":
                        path = resolve(arguments[0], strings[0])
                    else:
                        path = resolve("AT_FDCWD", strings[0])
                    changed.setdefault(path, f"{name}({args})")
                elif name in MODIFYING_CALLS:
                    at = name.endswith("at") or name == "renameat2"
                    for index, string in enumerate(strings):
                        dirfd = arguments[0] if at and index == 0 else "AT_FDCWD"
                        if name in ("renameat", "renameat2", "linkat") and index == 1:
                            dirfd = arguments[2]
                        changed.setdefault(resolve(dirfd, string), f"{name}({args})")
                elif name in ("socket", "socketpair"):
                    families.add(arguments[0])
                elif name == "connect":
                    peer = re.search(r'sun_path=(@?)"((?:[^"\\]|\\.)*)"', args)
                    family = re.search(r"sa_family=(\w+)", args)
                    if peer:
                        peers.add(peer.group(1) + unescape(peer.group(2)))
                    elif family:
                        peers.add(family.group(1))
    return changed, families, peers, calls


def run(program, table_json, artifacts):
    table = battle_table(table_json)
    work = tempfile.mkdtemp(prefix="valtessa-privacy-")
    try:
        runtime = os.path.join(work, "runtime")
        home = os.path.join(work, "home")
        os.mkdir(runtime, 0o700)
        os.mkdir(home, 0o700)
        trace_prefix = os.path.join(work, "trace")
        env = {"XDG_RUNTIME_DIR": runtime, "HOME": home}
        for variable in ("XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"):
            os.environ.pop(variable, None)

        started = time.monotonic()
        running = WatchedProgram(strace_wrapper(work, program, trace_prefix), env, timeout=60)
        play_round(running, table)
        # Qt's file dialog saves its history when it closes.
        running.keys("ctrl+o")
        wait_for("the file dialog", running.dialog, running.timeout)
        running.keys("Escape")
        wait_for("the file dialog to close", lambda: running.dialog() is None, running.timeout)
        status = running.close()
        check(status == 0, f"the program ended with status {status}")
        wait_for_trace(trace_prefix, running.process.pid)
        print(f"played a round under strace in {time.monotonic() - started:.1f} s")

        changed, families, peers, calls = analyse(trace_prefix)
        os.makedirs(artifacts, exist_ok=True)
        with open(os.path.join(artifacts, "privacy-trace.txt"), "w") as report:
            for trace in sorted(glob.glob(trace_prefix + ".*")):
                with open(trace, errors="replace") as lines:
                    report.write(f"=== {os.path.basename(trace)}\n{lines.read()}")
        check(calls > 100, f"the trace holds only {calls} calls; strace did not follow the program")

        outside = {path: how for path, how in changed.items()
                   if os.path.commonpath([path, runtime]) != runtime}
        inside_runtime = sorted(set(changed) - set(outside))
        print(f"{calls} calls traced; socket families {sorted(families)}; peers {sorted(peers)}")
        print("changed in the runtime directory: " + (", ".join(inside_runtime) or "nothing"))
        check(not outside, "files changed outside the runtime directory:\n" +
              "\n".join(f"  {path}\n    by {how}" for path, how in sorted(outside.items())))
        check(families <= {"AF_UNIX"}, f"sockets other than AF_UNIX: {sorted(families)}")
        allowed = display_sockets() | bus_sockets()
        check(peers <= allowed, f"connections to {sorted(peers - allowed)}; allowed: "
                                f"{sorted(allowed)}")
        check(any(peer in display_sockets() for peer in peers),
              f"no connection to the display was seen in the trace: {sorted(peers)}")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(f"usage: {sys.argv[0]} PROGRAM TABLE_JSON ARTIFACTS_DIR")
    run(*sys.argv[1:])
    print("1 passed, 0 failed")
