#!/usr/bin/env python3
"""Workbooks the program writes open in LibreOffice Calc as the cells they hold.

The writers make a workbook of two sheets (a round's pupils and its questions: numbers, Cyrillic,
text that needs escaping, runs of spaces, a tab, a line break, an empty row and empty cells) as
.ods and as .xlsx. Calc opens each and saves every sheet as CSV, text cells in quotes and numbers
as they are: each sheet must be there under the name the writers gave it, every text cell the
same text, every number the same number (to the 15 digits Calc writes), every empty cell empty.

usage: workbook_calc.py WRITE_WORKBOOK
"""

import json
import math
import pathlib
import subprocess
import sys
import tempfile

# Calc's CSV filter options: ';' (59), text in '"' (34), UTF-8 (76), from line 1; numbers in the
# English locale's form and not as shown (full precision), every text cell quoted (so a number
# is told from a text that looks like one), every sheet to a file of its own (-1).
CSV_EXPORT = "csv:Text - txt - csv (StarCalc):59,34,76,1,,1033,true,true,false,false,false,-1"
SOFFICE_SECONDS = 300


def parse_csv(text):
    """Rows of (value, quoted) fields, as Calc writes them: CR LF or LF between rows."""
    rows, row, field, quoted, in_quotes, i = [], [], "", False, False, 0
    while i < len(text):
        c = text[i]
        if in_quotes:
            if c == '"' and text[i + 1:i + 2] == '"':
                field += '"'
                i += 1
            elif c == '"':
                in_quotes = False
            else:
                field += c
        elif c == '"':
            in_quotes = quoted = True
        elif c == ";":
            row.append((field, quoted))
            field, quoted = "", False
        elif c in "\r\n":
            if c == "\r" and text[i + 1:i + 2] == "\n":
                i += 1
            row.append((field, quoted))
            rows.append(row)
            row, field, quoted = [], "", False
        else:
            field += c
        i += 1
    if field or quoted or row:
        row.append((field, quoted))
        rows.append(row)
    return rows


def compare(kind, sheet, saved, failures):
    rows = parse_csv(saved.read_text(encoding="utf-8"))
    name = sheet["name"]
    if len(rows) != len(sheet["rows"]):
        failures.append(f"{kind} „{name}“: {len(rows)} rows instead of {len(sheet['rows'])}")
    for line, (expected_row, row) in enumerate(zip(sheet["rows"], rows), start=1):
        for column in range(max(len(expected_row), len(row))):
            expected = expected_row[column] if column < len(expected_row) else None
            value, quoted = row[column] if column < len(row) else ("", False)
            place = f"{kind} „{name}“ row {line} column {column + 1}"
            if isinstance(expected, str):
                # Calc reads a CR LF in a cell as one line break.
                expected = expected.replace("\r\n", "\n")
                if not quoted or value != expected:
                    failures.append(f"{place}: {value!r} (quoted: {quoted}) instead of the "
                                    f"text {expected!r}")
            elif isinstance(expected, (int, float)):
                try:
                    number = None if quoted else float(value)
                except ValueError:
                    number = None
                # Calc writes a number's 15 significant digits, as it shows it.
                if number is None or not math.isclose(number, expected, rel_tol=1e-14):
                    failures.append(f"{place}: {value!r} (quoted: {quoted}) instead of the "
                                    f"number {expected!r}")
            elif value or quoted:
                failures.append(f"{place}: {value!r} instead of an empty cell")


def main():
    write_workbook = sys.argv[1]
    failures = []
    with tempfile.TemporaryDirectory(prefix="valtessa-workbook-") as tmp:
        work = pathlib.Path(tmp)
        (work / "home").mkdir()
        written = work / "written"
        written.mkdir()
        result = subprocess.run([write_workbook, str(written)], check=True, capture_output=True,
                                timeout=60)
        sheets = json.loads(result.stdout.decode("utf-8"))
        env = {"HOME": str(work / "home"), "PATH": "/usr/bin:/bin", "LANG": "C.UTF-8"}
        for kind in ("ods", "xlsx"):
            out = work / kind
            subprocess.run(
                ["soffice", "-env:UserInstallation=" + (work / "profile").as_uri(), "--headless",
                 "--norestore", "--convert-to", CSV_EXPORT, "--outdir", str(out),
                 str(written / ("Резултати." + kind))],
                env=env, check=True, capture_output=True, timeout=SOFFICE_SECONDS)
            for sheet in sheets:
                saved = out / f"Резултати-{sheet['name']}.csv"
                if not saved.exists():
                    found = sorted(p.name for p in out.iterdir()) if out.exists() else []
                    failures.append(f"{kind}: Calc saved no sheet „{sheet['name']}“, only {found}")
                    continue
                before = len(failures)
                compare(kind, sheet, saved, failures)
                if len(failures) == before:
                    print(f"ok: {kind} sheet „{sheet['name']}“ opens in Calc as written, "
                          f"{len(sheet['rows'])} rows")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
