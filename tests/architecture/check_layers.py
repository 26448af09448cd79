#!/usr/bin/env python3
"""Checks that every arrow between the program's folders points down.

Usage: check_layers.py SOURCE_DIR TARGETS_FILE

The allowed uses come from the table in docs/architecture.md: a folder may include headers of, and
its targets may link, only itself and the folders it may use, and link only the Qt modules its row
names (and other libraries, by their lower-case name: minizip, zlib). TARGETS_FILE, which the build writes, lists each target with its folder and what it links.
Every fault is printed; the exit status is 1 when there is one."""

import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SOURCES = (".h", ".hpp", ".cpp")
# What Qt's own CMake functions link, which is no module of its.
QT_BUILD_TARGETS = {"Platform"}


def read_table(doc):
    """The rows of the table: folder -> (target, folders it may use, Qt modules)."""
    rows = {}
    for line in doc.read_text(encoding="utf-8").splitlines():
        cells = [cell.strip() for cell in line.strip().strip("|").split("|")]
        if len(cells) != 4 or not line.startswith("|") or cells[0] in ("folder", "") \
                or set(cells[0]) <= set("-"):
            continue
        folder, target, uses, modules = cells
        rows[folder] = (target, {u.strip() for u in uses.split(",") if u.strip()},
                        {m.strip() for m in modules.split(",") if m.strip()})
    return rows


def folder_of(path, folders):
    """The table's folder a path lies in: the longest one that holds it."""
    best = None
    for folder in folders:
        if path == folder or path.startswith(folder + "/"):
            if best is None or len(folder) > len(best):
                best = folder
    return best


def check_includes(source, rows, faults):
    folders = list(rows)
    for folder in folders:
        root = source / folder
        if not root.is_dir():
            continue
        for file in sorted(root.rglob("*")):
            if file.suffix not in SOURCES:
                continue
            relative = file.relative_to(source).as_posix()
            if folder_of(relative, folders) != folder:
                continue  # a folder of its own below this one
            allowed = rows[folder][1] | {folder}
            for included in INCLUDE.findall(file.read_text(encoding="utf-8")):
                if "/" in included:
                    used = folder_of(included, folders)
                elif (file.parent / included).exists():
                    used = folder
                elif (source / "tests/support" / included).exists():
                    used = "tests/support"
                else:
                    continue  # made by the build: moc files, the version header
                if used is not None and used not in allowed:
                    faults.append(f"{relative}: includes \"{included}\", of {used}/, which "
                                  f"{folder}/ may not use")


def check_links(source, targets_file, rows, faults):
    by_target = {row[0]: folder for folder, row in rows.items() if row[0]}
    for line in targets_file.read_text(encoding="utf-8").splitlines():
        if not line.strip():
            continue
        target, directory, links = (line.split("\t") + ["", ""])[:3]
        relative = pathlib.Path(directory).resolve().relative_to(source.resolve()).as_posix()
        folder = folder_of(relative, list(rows))
        if folder is None:
            continue
        _, uses, modules = rows[folder]
        for link in filter(None, links.split(";")):
            link = re.sub(r"^\$<LINK_ONLY:(.*)>$", r"\1", link)
            if link.startswith("$<"):
                continue  # what Qt's resource functions add: the target's own objects
            if link.startswith("Qt6::"):
                module = link[len("Qt6::"):]
                if module not in modules | QT_BUILD_TARGETS:
                    faults.append(f"{target} ({folder}/) links Qt {module}, which its row does "
                                  f"not allow")
            elif link in by_target:
                if by_target[link] not in uses | {folder}:
                    faults.append(f"{target} ({folder}/) links {link}, of {by_target[link]}/, "
                                  f"which {folder}/ may not use")
            elif "::" in link and link.split("::")[1].lower() not in modules:
                faults.append(f"{target} ({folder}/) links {link}, which its row does not "
                              f"allow")


def main():
    source, targets_file = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    rows = read_table(source / "docs/architecture.md")
    faults = []
    if not rows:
        faults.append("docs/architecture.md has no table of folders")
    check_includes(source, rows, faults)
    check_links(source, targets_file, rows, faults)
    for fault in faults:
        print(fault)
    if not faults:
        print(f"{len(rows)} folders, every arrow points down")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
