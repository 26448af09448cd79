#!/usr/bin/env python3
"""Every vocabulary Debian's KWordQuiz and KDE word games install plays or is refused with a
message, and none crashes or hangs; KWordQuiz's own examples open as pairs.

usage: kvtml_files.py READ_QUIZ
"""

import json
import subprocess
import sys

PACKAGES = ["kwordquiz", "kdeedu-kvtml-data"]


def main():
    read_quiz = sys.argv[1]
    listed = subprocess.run(["dpkg", "-L"] + PACKAGES, capture_output=True, text=True, check=True)
    files = sorted(line for line in listed.stdout.splitlines() if line.endswith(".kvtml"))
    failures, played = [], 0
    for path in files:
        result = subprocess.run([read_quiz, path], capture_output=True, timeout=10)
        answer = json.loads(result.stdout) if result.returncode in (0, 2) else {}
        if result.returncode == 0:
            played += 1
        elif result.returncode != 2 or not answer["error"]["message"]:
            failures.append(f"{path}: exit status {result.returncode}, {result.stderr[-300:]!r}")
        if "/kwordquiz/examples/" in path and len(answer.get("captions", [])) != 2:
            failures.append(f"{path}: KWordQuiz's example does not open as pairs: {answer}")
    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(files)} vocabularies: {played} play, {len(files) - played} refused with a message")
    return 1 if failures or not files else 0


if __name__ == "__main__":
    sys.exit(main())
