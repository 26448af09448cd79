#!/usr/bin/python3
"""The Debian package, made from the build tree as a user would get it.

usage: package_test.py build DIR CPACK CPACK_CONFIG BUILD_CONFIG
       package_test.py contents DIR VERSION READELF
       package_test.py run DIR ARTIFACTS      (inside tests/e2e/run-in-session.sh)
       package_test.py lintian DIR LINTIAN
"""

import configparser
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

PROGRAM = "usr/bin/valtessa"
DESKTOP_ENTRY = "usr/share/applications/org.example.Valtessa.desktop"
FILES = [
    PROGRAM,
    DESKTOP_ENTRY,
    "usr/share/metainfo/org.example.Valtessa.metainfo.xml",
    "usr/share/icons/hicolor/32x32/apps/org.example.Valtessa.png",
    "usr/share/icons/hicolor/scalable/apps/org.example.Valtessa.svg",
    "usr/share/doc/valtessa/copyright",
    "usr/share/doc/valtessa/changelog.gz",
    "usr/share/man/man1/valtessa.1.gz",
]
# Found by dpkg-shlibdeps, and those it cannot see because Qt and fontconfig load them by name.
DEPENDS = ["libqt6widgets6", "libqt6gui6", "libqt6core6", "fonts-liberation2", "qt6-qpa-plugins",
           "qt6-translations-l10n"]


def fail(message):
    print(f"FAIL: {message}")
    sys.exit(1)


def the_package(folder):
    packages = sorted(Path(folder).glob("*.deb"))
    if len(packages) != 1:
        fail(f"expected one .deb in {folder}, found {[p.name for p in packages]}")
    return packages[0]


def unpack(package, into):
    shutil.rmtree(into, ignore_errors=True)
    subprocess.run(["dpkg-deb", "-x", str(package), str(into)], check=True)
    return Path(into)


def build(folder, cpack, config_file, build_config):
    # A fresh folder, so a package left from an earlier run cannot pass for this one.
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    command = [cpack, "-G", "DEB", "--config", config_file, "-B", folder]
    if build_config:
        command += ["-C", build_config]
    result = subprocess.run(command, capture_output=True, text=True)
    print(result.stdout + result.stderr)
    if result.returncode != 0:
        fail(f"cpack ended with status {result.returncode}")
    print(f"built {the_package(folder).name}")


def contents(folder, version, readelf):
    package = the_package(folder)
    problems = []

    def field(name):
        return subprocess.run(["dpkg-deb", "--field", str(package), name], check=True,
                              capture_output=True, text=True).stdout.strip()

    architecture = subprocess.run(["dpkg", "--print-architecture"], check=True,
                                  capture_output=True, text=True).stdout.strip()
    expected = {"Package": "valtessa", "Version": version, "Section": "education",
                "Architecture": architecture}
    for name, value in expected.items():
        if field(name) != value:
            problems.append(f"{name} is {field(name)!r}, not {value!r}")
    if not re.fullmatch(r"Kordavin <[^<>@\s]+@example\.org>", field("Maintainer")):
        problems.append(f"Maintainer is {field('Maintainer')!r}")
    description = field("Description").splitlines()
    if len(description) < 2 or not description[0].strip():
        problems.append(f"Description has no synopsis and long text: {description!r}")
    depends = {re.split(r"[\s(]", alternative.strip())[0]
               for clause in field("Depends").split(",") for alternative in clause.split("|")}
    problems += [f"Depends lacks {name}: {field('Depends')!r}"
                 for name in DEPENDS if name not in depends]

    listing = subprocess.run(["dpkg-deb", "--contents", str(package)], check=True,
                             capture_output=True, text=True).stdout.splitlines()
    entries = {}
    for line in listing:
        mode, owner, _size, _date, _time, path = line.split(maxsplit=5)
        entries[path.removeprefix("./").rstrip("/")] = (mode, owner)
    for path in FILES:
        if path not in entries or not entries[path][0].startswith("-"):
            problems.append(f"{path} is not in the package")
    if PROGRAM in entries and entries[PROGRAM][0] != "-rwxr-xr-x":
        problems.append(f"{PROGRAM} has mode {entries[PROGRAM][0]}")
    for path, (mode, owner) in entries.items():
        if owner != "root/root":
            problems.append(f"{path} belongs to {owner}")
        # A program for the desktop: nothing for developers (headers, static libraries).
        if mode.startswith("-") and not path.startswith(("usr/bin/", "usr/share/")):
            problems.append(f"{path} is outside usr/bin and usr/share")

    with tempfile.TemporaryDirectory(dir=folder) as scratch:
        root = unpack(package, Path(scratch) / "root")
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(root / DESKTOP_ENTRY, encoding="utf-8")
        section = entry["Desktop Entry"] if entry.has_section("Desktop Entry") else {}
        command = section.get("Exec", "").split()
        if not command or not (root / "usr/bin" / command[0]).is_file():
            problems.append(f"the desktop entry starts {command[:1]}, which is not in usr/bin")
        icon = section.get("Icon", "")
        if not list((root / "usr/share/icons/hicolor").glob(f"*/apps/{icon}.*")):
            problems.append(f"the desktop entry's icon {icon!r} is not in the hicolor theme")
        # The newest changelog entry must be this release.
        changelog = root / "usr/share/doc/valtessa/changelog.gz"
        if changelog.is_file():
            with gzip.open(changelog, "rt", encoding="utf-8") as text:
                newest = text.readline()
            if not newest.startswith(f"valtessa ({version}) "):
                problems.append(f"the changelog's newest entry is {newest.strip()!r}")
        # Debian forbids search paths in programs that use only the system's libraries; one
        # into the build tree would also hide a library the package does not bring.
        dynamic = subprocess.run([readelf, "--wide", "--dynamic", str(root / PROGRAM)],
                                 check=True, capture_output=True, text=True).stdout
        paths = re.findall(r"\((?:RPATH|RUNPATH)\).*\[(.*)\]", dynamic)
        if paths:
            problems.append(f"the program carries a library search path {paths}")

    if problems:
        fail("\n  ".join(problems))
    print(f"{package.name}: fields, {len(entries)} entries, desktop entry and program in order")


def lintian(folder, lintian_program):
    """Debian's checks of the package: no error and no warning."""
    result = subprocess.run([lintian_program, "--no-cfg", str(the_package(folder))],
                            capture_output=True, text=True)
    tags = [line for line in result.stdout.splitlines() if re.match(r"[EW]: ", line)]
    print(result.stdout)
    if result.returncode not in (0, 2) or tags:
        fail(f"lintian (status {result.returncode}) reports:\n  " + "\n  ".join(tags)
             + result.stderr)
    print(f"lintian: no tags on {the_package(folder).name}")


def run(folder, artifacts):
    sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
    import pyatspi
    from desktop import Program, check

    root = unpack(the_package(folder), Path(folder) / "root")
    program = Program(str(root / PROGRAM))
    try:
        title = program.window.name
        check(title.endswith(" Kordavin"), f"window title {title!r}")
        counts = [program.find(pyatspi.ROLE_LIST, name).childCount
                  for name in ("Място", "Победител", "Победен")]
        check(counts == [16, 16, 16], f"the lists hold {counts} entries")
        program.screenshot(os.path.join(artifacts, "package-run.png"))
    except BaseException:
        program.process.kill()
        raise
    status = program.close()
    check(status == 0, f"the program ended with status {status}")
    print(f"the unpacked program showed {title!r} with three lists of 16 and ended with 0")


if __name__ == "__main__":
    commands = {"build": (build, 4), "contents": (contents, 3), "run": (run, 2),
                "lintian": (lintian, 2)}
    if len(sys.argv) < 2 or sys.argv[1] not in commands \
            or len(sys.argv) != 2 + commands[sys.argv[1]][1]:
        sys.exit(__doc__)
    commands[sys.argv[1]][0](*sys.argv[2:])
