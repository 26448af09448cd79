#!/usr/bin/python3
"""Checks that a PNG file is an 8-bit RGBA image of the given size.

Usage: check_png.py FILE WIDTH HEIGHT
Reads only the signature and the IHDR chunk, so it needs nothing beyond the standard library.
"""

import struct
import sys
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"
COLOUR_TYPE_RGBA = 6


def problems(data: bytes, width: int, height: int) -> list[str]:
    if not data.startswith(SIGNATURE):
        return ["not a PNG file (bad signature)"]
    header = data[len(SIGNATURE):len(SIGNATURE) + 8 + 13 + 4]
    if len(header) < 25:
        return ["file ends inside the IHDR chunk"]
    length, kind = struct.unpack(">I4s", header[:8])
    if kind != b"IHDR" or length != 13:
        return [f"first chunk is {kind!r} of length {length}, expected IHDR of length 13"]
    body = header[8:21]
    (crc,) = struct.unpack(">I", header[21:25])
    # A bad CRC means a damaged file that viewers may refuse, even if the numbers below look right.
    if zlib.crc32(b"IHDR" + body) != crc:
        return ["IHDR checksum does not match"]
    w, h, depth, colour, _, _, _ = struct.unpack(">IIBBBBB", body)
    found = []
    if (w, h) != (width, height):
        found.append(f"size is {w}x{h}, expected {width}x{height}")
    if (depth, colour) != (8, COLOUR_TYPE_RGBA):
        found.append(f"bit depth {depth}, colour type {colour}; expected 8-bit RGBA (colour type 6)")
    return found


def main(argv: list[str]) -> int:
    if len(argv) != 4:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    path, width, height = argv[1], int(argv[2]), int(argv[3])
    try:
        with open(path, "rb") as f:
            data = f.read(64)
    except OSError as e:
        print(f"{path}: {e}", file=sys.stderr)
        return 1
    found = problems(data, width, height)
    for p in found:
        print(f"{path}: {p}", file=sys.stderr)
    if not found:
        print(f"{path}: {width}x{height} RGBA PNG")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
