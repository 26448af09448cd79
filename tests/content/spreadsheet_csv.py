#!/usr/bin/env python3
"""Quiz files as a real spreadsheet saves them open as the table they hold.

LibreOffice Calc opens each source table (the template the program exports, every sample quiz and
a table of awkward cells) and saves it as CSV with ';' in UTF-8 and in Windows-1251, the forms
Bulgarian users get from their spreadsheet. Each saved file must read as the same quiz as its
source, but for blanks around a value: Calc writes a value that ends in a blank without the quotes
that would keep the blank, and the reader drops blanks outside quotes.

usage: spreadsheet_csv.py READ_QUIZ WRITE_TEMPLATE EXAMPLES_DIR
"""

import json
import pathlib
import shutil
import subprocess
import sys
import tempfile

# Calc's CSV filter options: separator ';' (59), text in '"' (34), then the character set
# (76 UTF-8, 34 Windows-1251), from line 1. On import every column is text, so nothing is
# turned into a number or a date.
IMPORT = "Text - txt - csv (StarCalc):59,34,76,1,1/2/2/2/3/2/4/2"
EXPORTS = {"utf-8": "59,34,76,1", "windows-1251": "59,34,34,1"}
SOFFICE_SECONDS = 300

AWKWARD = (
    "Място;Победител;Победен;Обяснение\r\n"
    '"Кана; Апулия";"Ханибал ""Барка""";Теренций Варон ;"Първи ред\nвтори ред"\r\n'
    " Ватерло;Артър Уелсли, херцог на Уелингтън;Наполеон I;\r\n"
    "Поатие;Карл Мартел;Абд ал Рахман;Битката е през 732 г.\r\n"
)


def without_surrounding_blanks(value):
    if isinstance(value, dict):
        return {k: without_surrounding_blanks(v) for k, v in value.items()}
    if isinstance(value, list):
        return [without_surrounding_blanks(v) for v in value]
    return value.strip() if isinstance(value, str) else value


def read_quiz(read_quiz_tool, path):
    result = subprocess.run([read_quiz_tool, str(path)], capture_output=True, timeout=60)
    return result.returncode, json.loads(result.stdout.decode("utf-8"))


def convert(work, sources, charset):
    out = work / charset
    out.mkdir()
    options = EXPORTS[charset] + ",,0,false,true,false,false,false"
    subprocess.run(
        ["soffice", "-env:UserInstallation=" + (work / "profile").as_uri(), "--headless",
         "--norestore", "--infilter=" + IMPORT,
         "--convert-to", "csv:Text - txt - csv (StarCalc):" + options,
         "--outdir", str(out)] + [str(s) for s in sources],
        env={"HOME": str(work / "home"), "PATH": "/usr/bin:/bin"},
        check=True, capture_output=True, timeout=SOFFICE_SECONDS)
    return out


def main():
    read_quiz_tool, write_template, examples = sys.argv[1], sys.argv[2], pathlib.Path(sys.argv[3])
    failures = []
    with tempfile.TemporaryDirectory(prefix="valtessa-calc-") as tmp:
        work = pathlib.Path(tmp)
        (work / "home").mkdir()
        sources_dir = work / "sources"
        sources_dir.mkdir()
        subprocess.run([write_template, str(sources_dir / "Шаблон.csv")], check=True, timeout=60)
        (sources_dir / "Неудобни клетки.csv").write_text(AWKWARD, encoding="utf-8-sig",
                                                        newline="")
        for example in sorted(examples.glob("*.csv")):
            shutil.copy(example, sources_dir / example.name)
        sources = sorted(sources_dir.iterdir())

        expected = {}
        for source in sources:
            status, quiz = read_quiz(read_quiz_tool, source)
            if status != 0:
                failures.append(f"{source.name}: the source itself is refused: {quiz}")
            expected[source.name] = quiz

        for charset in EXPORTS:
            out = convert(work, sources, charset)
            for source in sources:
                saved = out / source.name
                if not saved.exists():
                    failures.append(f"{charset} {source.name}: Calc saved nothing")
                    continue
                data = saved.read_bytes()
                try:
                    data.decode("utf-8")
                    is_utf8 = True
                except UnicodeDecodeError:
                    is_utf8 = False
                # Otherwise the check would not be of the encoding it names.
                if is_utf8 != (charset == "utf-8"):
                    failures.append(f"{charset} {source.name}: Calc saved another encoding")
                status, quiz = read_quiz(read_quiz_tool, saved)
                if status != 0 or (without_surrounding_blanks(quiz) !=
                                   without_surrounding_blanks(expected[source.name])):
                    failures.append(f"{charset} {source.name}: read as\n{json.dumps(quiz, ensure_ascii=False)[:2000]}"
                                    f"\ninstead of\n{json.dumps(expected[source.name], ensure_ascii=False)[:2000]}")
                else:
                    print(f"ok: {source.name} saved by Calc in {charset}, {len(quiz['rows'])} rows")

    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
