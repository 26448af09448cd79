#!/usr/bin/python3
"""Checks data/icons/uncompressed_png.py and the icon it made.

Usage: check_uncompressed_png.py SCRIPT ICON
A small image is written with every PNG row filter and full compression, rewritten by SCRIPT, and
its pixels read back: they must be the same, in unfiltered rows and stored zlib blocks. ICON, read
at every start-up, must be stored that way too.
"""

import os
import random
import struct
import subprocess
import sys
import tempfile
import zlib


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def filtered(row, previous, kind):
    """The row as the encoder writes it with filter kind (an independent inverse of the script's)."""
    out = bytearray()
    for x, value in enumerate(row):
        a = row[x - 4] if x >= 4 else 0
        b = previous[x]
        c = previous[x - 4] if x >= 4 else 0
        p = a + b - c
        nearest = min((abs(p - a), 0, a), (abs(p - b), 1, b), (abs(p - c), 2, c))[2]
        out.append((value - (0, a, b, (a + b) // 2, nearest)[kind]) & 0xFF)
    return bytes(out)


def stored_rows(path):
    """The rows of an RGBA PNG that keeps them unfiltered in stored blocks, or a reason it does not."""
    data = open(path, "rb").read()
    at, idat, width = 8, b"", 0
    while at < len(data):
        (length,) = struct.unpack(">I", data[at:at + 4])
        kind, body = data[at + 4:at + 8], data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width = struct.unpack(">I", body[:4])[0]
        idat += body if kind == b"IDAT" else b""
        at += 12 + length
    if idat[2] & 0b110:
        return "the first zlib block is compressed, not stored"
    raw, stride = zlib.decompress(idat), width * 4 + 1
    rows = [raw[i:i + stride] for i in range(0, len(raw), stride)]
    if any(row[0] != 0 for row in rows):
        return "a row is filtered"
    return [row[1:] for row in rows]


def main(script, icon):
    # Few distinct values: the predictors tie often, and the compressor has something to do.
    width, height = 7, 10
    rng = random.Random(8)
    pixels = [bytes(rng.choice((0, 1, 3, 4, 6)) for _ in range(width * 4))
              for _ in range(height)]
    previous, encoded = bytes(width * 4), b""
    for y, row in enumerate(pixels):
        encoded += bytes([y % 5]) + filtered(row, previous, y % 5)
        previous = row
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(encoded, 9))
    with tempfile.TemporaryDirectory() as folder:
        source, target = os.path.join(folder, "in.png"), os.path.join(folder, "out.png")
        open(source, "wb").write(png + chunk(b"IEND", b""))
        subprocess.run([sys.executable, script, source, target], check=True)
        rows = stored_rows(target)
    problems = []
    if rows != pixels:
        problems.append(f"rewritten image: {rows if isinstance(rows, str) else 'pixels changed'}")
    if isinstance(stored_rows(icon), str):
        problems.append(f"{icon}: {stored_rows(icon)}")
    for problem in problems:
        print(f"FAIL: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
