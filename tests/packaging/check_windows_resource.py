#!/usr/bin/python3
"""Compiles the Windows resource script with MinGW's windres, as a MinGW build of the program
does, reads the compiled record back and checks the version record and the icon.

usage: check_windows_resource.py WINDRES PREPROCESSOR RC_FILE INCLUDE_DIR ICO_FILE VERSION WORK_DIR
"""

import re
import shutil
import struct
import subprocess
import sys
from pathlib import Path

STRINGS = {
    "CompanyName": "Kordavin",
    "ProductName": "Valtessa",
    "InternalName": "valtessa",
    "OriginalFilename": "valtessa.exe",
}


def fail(message):
    print(f"FAIL: {message}")
    sys.exit(1)


def ico_entries(path):
    """(width, height, bits per pixel) of each image in an .ico file; 0 in the file means 256."""
    data = Path(path).read_bytes()
    _reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if kind != 1:
        fail(f"{path} is not an icon file")
    entries = []
    for index in range(count):
        width, height, _colours, _reserved, _planes, bits, _size, _offset = struct.unpack_from(
            "<BBBBHHII", data, 6 + 16 * index)
        entries.append((width or 256, height or 256, bits))
    return entries


def main(windres, preprocessor, rc_file, include_dir, ico_file, project_version, work_dir):
    work = Path(work_dir)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    # Run from elsewhere than the script's folder: the icon's path must resolve from the script,
    # as rc.exe and windres both do.
    preprocess = [f"--preprocessor={preprocessor}", "--preprocessor-arg=-E",
                  "--preprocessor-arg=-xc", "--preprocessor-arg=-DRC_INVOKED",
                  f"--preprocessor-arg=-I{include_dir}"]
    for output_format, output in (("coff", "valtessa.rc.obj"), ("res", "valtessa.res")):
        result = subprocess.run([windres, *preprocess, "-i", rc_file, "-O", output_format,
                                 "-o", output], cwd=work, capture_output=True, text=True)
        if result.returncode != 0:
            fail(f"windres -O {output_format} failed:\n{result.stderr}")
    # windres writes a compiled record back out as a resource script in a fixed layout.
    compiled = subprocess.run([windres, "-i", "valtessa.res", "-O", "rc"], cwd=work, check=True,
                              capture_output=True, text=True).stdout

    problems = []
    major, minor = (int(part) for part in project_version.split(".")[:2])
    for name in ("FILEVERSION", "PRODUCTVERSION"):
        found = re.search(rf"^\s*{name}\s+(\d+),\s*(\d+),\s*(\d+),\s*(\d+)\s*$", compiled,
                          re.MULTILINE)
        numbers = tuple(int(n) for n in found.groups()) if found else None
        if numbers != (major, minor, 0, 0):
            problems.append(f"{name} is {numbers}, not {(major, minor, 0, 0)}")
    if not re.search(r"^\s*FILETYPE 0x1\s*$", compiled, re.MULTILINE):
        problems.append("FILETYPE is not VFT_APP")

    values = dict(re.findall(r'^\s*VALUE "(\w+)", "([^"]*)"', compiled, re.MULTILINE))
    expected = {**STRINGS, "FileVersion": project_version, "ProductVersion": project_version}
    for key, value in expected.items():
        if values.get(key) != value:
            problems.append(f"{key} is {values.get(key)!r}, not {value!r}")
    if "Kordavin" not in values.get("LegalCopyright", ""):
        problems.append(f"LegalCopyright is {values.get('LegalCopyright')!r}")

    # Windows finds the strings through the translation: it must name the block that holds them.
    blocks = re.findall(r'^\s*BLOCK "([0-9A-Fa-f]{8})"', compiled, re.MULTILINE)
    translation = re.search(r'VALUE "Translation", (0x[0-9a-fA-F]+), (\d+)', compiled)
    if len(blocks) != 1 or not translation or \
            (int(blocks[0][:4], 16), int(blocks[0][4:], 16)) != \
            (int(translation.group(1), 16), int(translation.group(2))):
        problems.append(f"string blocks {blocks} and translation "
                        f"{translation.groups() if translation else None} disagree")

    group = re.search(r'^"IDI_ICON1" 14 /\* RT_GROUP_ICON \*/.*?^END', compiled,
                      re.MULTILINE | re.DOTALL)
    if not group:
        problems.append("no icon group IDI_ICON1")
    else:
        images = [(int(w, 8) or 256, int(h, 8) or 256, int(bits)) for w, h, bits in re.findall(
            r'"\\(\d{3})\\(\d{3})\\\d{3}\\\d{3}", \d+, (\d+),', group.group(0))]
        if images != ico_entries(ico_file):
            problems.append(f"icon group holds {images}, the .ico {ico_entries(ico_file)}")

    if problems:
        fail("\n  ".join(problems))
    print(f"version record {values['FileVersion']} of {values['OriginalFilename']} by "
          f"{values['CompanyName']}, icon of {len(ico_entries(ico_file))} sizes")


if __name__ == "__main__":
    if len(sys.argv) != 8:
        sys.exit(__doc__)
    main(*sys.argv[1:])
