#!/usr/bin/python3
"""No memory error and no leak while a pupil plays a whole round: the real program runs under
valgrind's memcheck, which must report no invalid access, no use of uninitialised memory and no
definitely lost block. The suppressions file may only hide what third-party libraries do.

Run through tests/e2e/run-in-session.sh:
    memcheck.py PROGRAM TABLE_JSON SUPPRESSIONS ARTIFACTS_DIR"""

import os
import re
import shutil
import sys
import tempfile
import time

from pupil import WatchedProgram, battle_table, check, play_round


def valgrind_wrapper(directory, program, suppressions, log):
    """A script that runs the program under valgrind, which keeps the process id."""
    script = os.path.join(directory, "checked-program")
    with open(script, "w") as out:
        out.write("#!/bin/sh\n"
                  "exec valgrind --tool=memcheck --error-exitcode=1 --leak-check=full "
                  "--errors-for-leak-kinds=definite --show-leak-kinds=definite "
                  "--track-origins=yes --num-callers=40 --gen-suppressions=all "
                  f"--suppressions='{suppressions}' --log-file='{log}' -- '{program}'\n")
    os.chmod(script, 0o755)
    return script


def run(program, table_json, suppressions, artifacts):
    table = battle_table(table_json)
    work = tempfile.mkdtemp(prefix="valtessa-memcheck-")
    log = os.path.join(artifacts, "memcheck.log")
    os.makedirs(artifacts, exist_ok=True)
    try:
        started = time.monotonic()
        running = WatchedProgram(valgrind_wrapper(work, program, suppressions, log),
                                 timeout=240)
        print(f"the window appeared after {time.monotonic() - started:.0f} s")
        play_round(running, table)
        print(f"played a round under memcheck in {time.monotonic() - started:.0f} s")
        running.timeout = 60  # to close: the leak search takes a few seconds
        status = running.close()
        print(f"the program ended {time.monotonic() - started:.0f} s after its start")
    finally:
        shutil.rmtree(work, ignore_errors=True)

    with open(log, errors="replace") as report:
        text = report.read()
    summary = re.search(r"ERROR SUMMARY: (\d+) errors", text)
    lost = re.search(r"definitely lost: ([\d,]+) bytes in ([\d,]+) blocks", text)
    print(summary.group(0) if summary else "no error summary")
    print(f"definitely lost: {lost.group(1)} bytes" if lost else "definitely lost: nothing")
    check(summary is not None, f"valgrind wrote no summary; see {log}")
    check(status == 0 and summary.group(1) == "0",
          f"memcheck found errors (exit status {status}); see {log}:\n{text[-6000:]}")


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(f"usage: {sys.argv[0]} PROGRAM TABLE_JSON SUPPRESSIONS ARTIFACTS_DIR")
    run(*sys.argv[1:])
    print("1 passed, 0 failed")
