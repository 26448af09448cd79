#!/usr/bin/python3
"""Checks one hardening property of a built program, read from its ELF headers with readelf.

usage: check_hardening.py READELF CHECK FILE
  pie, relro, bind_now, stack_protector, glibcxx_assertions, library_order: FILE is the program
  fortify: FILE is the fortify probe, built with the program's options
  program_targets: FILE lists the compile options of every target compiled into the program
"""

import re
import signal
import subprocess
import sys


def readelf(tool, *args):
    return subprocess.run([tool, "--wide", *args], check=True, capture_output=True,
                          text=True).stdout


def dynamic_flags(tool, binary):
    """The words of the FLAGS and FLAGS_1 entries of the dynamic section."""
    words = set()
    for line in readelf(tool, "--dynamic", binary).splitlines():
        match = re.search(r"\((FLAGS|FLAGS_1)\)\s+(?:Flags:)?(.*)", line)
        if match:
            words.update(match.group(2).split())
    return words


def imported_functions(tool, binary):
    """Names of the undefined dynamic symbols, without their version."""
    names = set()
    for line in readelf(tool, "--dyn-syms", binary).splitlines():
        fields = line.split()
        if len(fields) >= 8 and fields[6] == "UND":
            names.add(fields[7].split("@")[0])
    return names


def fail(message):
    print(f"FAIL: {message}")
    sys.exit(1)


def check_pie(tool, binary):
    header = readelf(tool, "--file-header", binary)
    kind = re.search(r"^\s*Type:\s*(\S+)", header, re.MULTILINE)
    if not kind or kind.group(1) != "DYN":
        fail(f"ELF type is {kind.group(1) if kind else 'unknown'}, not DYN")
    # A shared library is DYN too; only an executable linked with -pie carries this flag.
    if "PIE" not in dynamic_flags(tool, binary):
        fail("no PIE in FLAGS_1: not linked as a position-independent executable")
    # Text relocations would make the loader write to the code pages of a PIE.
    if "(TEXTREL)" in readelf(tool, "--dynamic", binary):
        fail("the program has text relocations")
    print("ELF type DYN with the PIE flag, no text relocations")


def check_relro(tool, binary):
    if not re.search(r"^\s*GNU_RELRO\s", readelf(tool, "--program-headers", binary), re.MULTILINE):
        fail("no GNU_RELRO segment: relocations stay writable")
    print("GNU_RELRO segment present")


def check_bind_now(tool, binary):
    flags = dynamic_flags(tool, binary)
    if "BIND_NOW" not in flags and "NOW" not in flags:
        fail(f"neither BIND_NOW nor NOW among the dynamic flags {sorted(flags)}: "
             "lazy binding leaves the GOT writable")
    print("bound at start-up (BIND_NOW)")


def check_stack_protector(tool, binary):
    if "__stack_chk_fail" not in imported_functions(tool, binary):
        fail("__stack_chk_fail is not imported: no function carries a stack canary")
    print("imports __stack_chk_fail")


def check_glibcxx_assertions(tool, binary):
    # libstdc++ declares and calls this only when _GLIBCXX_ASSERTIONS is defined.
    checked = [name for name in imported_functions(tool, binary)
               if name.startswith("_ZSt21__glibcxx_assert_fail")]
    if not checked:
        fail("std::__glibcxx_assert_fail is not imported: the standard library's checks "
             "(bounds of operator[], non-empty front() ...) are compiled out. If the program no "
             "longer uses any checked operation, this test needs another witness.")
    print(f"imports {checked[0]}")


def check_fortify(tool, probe):
    checked = sorted(name for name in imported_functions(tool, probe)
                     if re.fullmatch(r"__\w+_chk", name))
    if not checked:
        fail("the probe imports no __*_chk function: _FORTIFY_SOURCE is not in effect")
    print(f"the probe imports {', '.join(checked)}")

    short = subprocess.run([probe, "1234567"], capture_output=True, text=True)
    if short.returncode != 0 or short.stdout != "1234567\n":
        fail(f"a copy that fits failed: status {short.returncode}, {short.stdout!r}")
    # The stack protector would catch this overrun as well, later and with another message.
    long = subprocess.run([probe, "x" * 64], capture_output=True, text=True)
    if long.returncode != -signal.SIGABRT or "buffer overflow detected" not in long.stderr:
        fail(f"an overrun was not stopped by the checked copy: status {long.returncode}, "
             f"{long.stderr.strip()!r}")
    print("an overrun is stopped: " + long.stderr.strip())


def check_program_targets(_tool, listing):
    """Each line: target, tab, expected fortify level or 0, tab, options and definitions."""
    faults = []
    count = 0
    with open(listing, encoding="utf-8") as lines:
        for line in lines:
            target, fortify, flags = line.rstrip("\n").split("\t")
            flags = flags.split(";")
            count += 1
            if "-fstack-protector-strong" not in flags:
                faults.append(f"{target}: no -fstack-protector-strong")
            if "_GLIBCXX_ASSERTIONS" not in flags and "-D_GLIBCXX_ASSERTIONS" not in flags:
                faults.append(f"{target}: no _GLIBCXX_ASSERTIONS")
            if fortify == "1":
                # The last word about the macro counts: a later -U cancels it.
                said = [flag for flag in flags
                        if re.match(r"-[DU]_FORTIFY_SOURCE\b", flag)
                        or re.match(r"_FORTIFY_SOURCE\b", flag)]
                if not said or not re.fullmatch(r"(-D)?_FORTIFY_SOURCE=[23]", said[-1]):
                    faults.append(f"{target}: _FORTIFY_SOURCE=2 or 3 not in effect ({said})")
    if count == 0:
        fail("the listing names no target")
    if faults:
        fail("; ".join(faults))
    print(f"{count} targets compiled into the program carry the hardening options")


def check_library_order(tool, binary):
    # Every symbol lookup at start-up passes the libraries in this order (shell/CMakeLists.txt).
    needed = re.findall(r"\(NEEDED\).*\[(\S+)\]", readelf(tool, "--dynamic", binary))
    first = [name.split(".so")[0] for name in needed[:3]]
    if first != ["libQt6Widgets", "libQt6Gui", "libQt6Core"]:
        fail(f"the program names {needed}, not Qt Widgets, Gui and Core first")
    print(f"libraries in the order {needed}")


CHECKS = {
    "pie": check_pie,
    "relro": check_relro,
    "bind_now": check_bind_now,
    "stack_protector": check_stack_protector,
    "glibcxx_assertions": check_glibcxx_assertions,
    "fortify": check_fortify,
    "program_targets": check_program_targets,
    "library_order": check_library_order,
}

if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[2] not in CHECKS:
        sys.exit(__doc__)
    CHECKS[sys.argv[2]](sys.argv[1], sys.argv[3])
