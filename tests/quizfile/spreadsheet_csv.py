#!/usr/bin/env python3
"""Quiz files as a real spreadsheet saves them open as the table they hold.

LibreOffice Calc opens each source table (the template the program exports, every sample quiz and
a table of awkward cells) and saves it as CSV with ';' in UTF-8 and in Windows-1251, the forms
Bulgarian users get from their spreadsheet, and as .ods and .xlsx. Each saved file must read as the
same quiz as its source, but for blanks around a value: Calc writes a value that ends in a blank
without the quotes that would keep the blank, and the reader drops blanks outside quotes. A sheet
of awkward cells of every kind (numbers, years, decimals, truth values, formulas, line breaks, rich
text, merged cells) is saved by Calc in a Bulgarian desktop's locale as CSV, .ods and .xlsx: the
three must read alike, and as the sheet shows its cells.

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
CSV_OPTIONS = ",,0,false,true,false,false,false"
SPREADSHEETS = {"ods": "ods:calc8", "xlsx": "xlsx:Calc MS Excel 2007 XML"}
SOFFICE_SECONDS = 300

# Pairs with explanations, the cells typed as a teacher types them: numbers, a formula of a
# number and one of text, truth values, a merged explanation over two rows.
CELL = '<table:table-cell {}>{}</table:table-cell>'
AWKWARD_CELLS = [
    [CELL.format('office:value-type="string"', "<text:p>Година</text:p>"),
     CELL.format('office:value-type="string"', "<text:p>Събитие</text:p>"),
     CELL.format('office:value-type="string"', "<text:p>Обяснение</text:p>")],
    [CELL.format('office:value-type="float" office:value="1805"', "<text:p>1805</text:p>"),
     CELL.format('office:value-type="string"',
                 '<text:p>Битка при <text:span text:style-name="T1">Аустерлиц</text:span></text:p>'),
     CELL.format('office:value-type="string"', "<text:p>Първи ред</text:p><text:p>втори ред</text:p>")],
    [CELL.format('office:value-type="float" office:value="3.5"', "<text:p>3.5</text:p>"),
     CELL.format('table:style-name="ce1" office:value-type="boolean" office:boolean-value="true"',
                 "<text:p>TRUE</text:p>"),
     CELL.format('table:formula="of:=[.A2]+1" office:value-type="float" office:value="1806"',
                 "<text:p>1806</text:p>")],
    [CELL.format('table:formula="of:=1/4" office:value-type="float" office:value="0.25"',
                 "<text:p>0.25</text:p>"),
     CELL.format('table:formula="of:=&quot;Ва&quot;&amp;&quot;терло&quot;" '
                 'office:value-type="string" office:string-value="Ватерло"', "<text:p>Ватерло</text:p>"),
     CELL.format('table:number-rows-spanned="2" office:value-type="string"',
                 "<text:p>Слята клетка</text:p>")],
    [CELL.format('office:value-type="float" office:value="-12"', "<text:p>-12</text:p>"),
     CELL.format('table:style-name="ce1" office:value-type="boolean" office:boolean-value="false"',
                 "<text:p>FALSE</text:p>"),
     "<table:covered-table-cell/>"],
]
AWKWARD_SHOWN = [["1805", "Битка при Аустерлиц", "Първи ред\nвтори ред"],
                 ["3,5", "ВЯРНО", "1806"], ["0,25", "Ватерло", "Слята клетка"],
                 ["-12", "НЕВЯРНО", ""]]
NS = " ".join(f'xmlns:{p}="urn:oasis:names:tc:opendocument:xmlns:{n}"' for p, n in [
    ("office", "office:1.0"), ("table", "table:1.0"), ("text", "text:1.0"),
    ("style", "style:1.0"), ("fo", "xsl-fo-compatible:1.0"), ("number", "datastyle:1.0"),
    ("of", "of:1.2")])
AWKWARD_SHEET = (
    f'<?xml version="1.0" encoding="UTF-8"?><office:document {NS} office:version="1.3" '
    'office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:automatic-styles>'
    '<style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/>'
    '</style:style><number:boolean-style style:name="N99"><number:boolean/></number:boolean-style>'
    '<style:style style:name="ce1" style:family="table-cell" style:data-style-name="N99"/>'
    '</office:automatic-styles><office:body><office:spreadsheet><table:table table:name="Лист1">'
    + "".join("<table:table-row>" + "".join(row) + "</table:table-row>" for row in AWKWARD_CELLS)
    + "</table:table></office:spreadsheet></office:body></office:document>")

# 19th-century dates (Calc keeps them as days before 30.12.1899, negative in .xlsx) shown as
# DD.MM.YYYY, beside a column of the teacher's notes that is hidden: the quiz is what Calc shows.
DATE_STYLE = ('<number:date-style style:name="N37"><number:day number:style="long"/>'
              '<number:text>.</number:text><number:month number:style="long"/>'
              '<number:text>.</number:text><number:year number:style="long"/></number:date-style>'
              '<style:style style:name="ce2" style:family="table-cell" style:data-style-name="N37"/>')
DATES = [("1876-04-20", "Априлско въстание"), ("1885-09-06", "Съединението"),
         ("1878-03-03", "Санстефански мир"), ("1879-04-16", "Търновска конституция")]
DATES_SHEET = AWKWARD_SHEET.split("<office:automatic-styles>")[0] + (
    "<office:automatic-styles>" + DATE_STYLE + "</office:automatic-styles><office:body>"
    '<office:spreadsheet><table:table table:name="Лист1"><table:table-column/>'
    '<table:table-column table:visibility="collapse"/><table:table-column/>'
    + "<table:table-row>" + "".join(CELL.format('office:value-type="string"', f"<text:p>{t}</text:p>")
                                    for t in ("Дата", "За мен", "Събитие")) + "</table:table-row>"
    + "".join("<table:table-row>"
              + CELL.format(f'table:style-name="ce2" office:value-type="date" office:date-value="{d}"',
                            f"<text:p>{d}</text:p>")
              + CELL.format('office:value-type="string"', "<text:p>да питам</text:p>")
              + CELL.format('office:value-type="string"', f"<text:p>{e}</text:p>")
              + "</table:table-row>" for d, e in DATES)
    + "</table:table></office:spreadsheet></office:body></office:document>")
DATES_SHOWN = [[".".join(reversed(d.split("-"))), e, ""] for d, e in DATES]

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


def convert(work, sources, target, name, infilter=IMPORT, locale=None):
    out = work / name
    out.mkdir()
    env = {"HOME": str(work / "home"), "PATH": "/usr/bin:/bin"}
    if locale:
        env["LANG"] = locale
    subprocess.run(
        ["soffice", "-env:UserInstallation=" + (work / "profile").as_uri(), "--headless",
         "--norestore"] + (["--infilter=" + infilter] if infilter else []) +
        ["--convert-to", target, "--outdir", str(out)] + [str(s) for s in sources],
        env=env, check=True, capture_output=True, timeout=SOFFICE_SECONDS)
    return out


def check_awkward_cells(work, read_quiz_tool, failures):
    """The awkward sheet saved by Calc as CSV, .ods and .xlsx reads alike, as Calc shows it."""
    sheet = work / "Неудобни числа.fods"
    sheet.write_text(AWKWARD_SHEET, encoding="utf-8")
    targets = {"csv": "csv:Text - txt - csv (StarCalc):" + EXPORTS["utf-8"] + CSV_OPTIONS,
               **SPREADSHEETS}
    quizzes = {}
    for kind, target in targets.items():
        saved = convert(work, [sheet], target, "awkward-" + kind, infilter=None,
                        locale="bg_BG.UTF-8") / (sheet.stem + "." + kind)
        status, quizzes[kind] = read_quiz(read_quiz_tool, saved)
        if status != 0 or quizzes[kind] != quizzes["csv"]:
            failures.append(f"awkward cells as {kind}: read as {quizzes[kind]} "
                            f"instead of {quizzes['csv']}")
    rows = quizzes["csv"].get("rows", [])
    if rows != AWKWARD_SHOWN:
        failures.append(f"awkward cells: read as {rows} instead of {AWKWARD_SHOWN}")
    else:
        print("ok: awkward cells read alike from CSV, .ods and .xlsx saved by Calc")


def check_dates_and_hidden_column(work, read_quiz_tool, failures):
    """Dates before 1900 and a hidden column, saved by Calc as .ods and .xlsx, read as shown."""
    sheet = work / "Дати.fods"
    sheet.write_text(DATES_SHEET, encoding="utf-8")
    for kind, target in SPREADSHEETS.items():
        saved = convert(work, [sheet], target, "dates-" + kind, infilter=None,
                        locale="bg_BG.UTF-8") / (sheet.stem + "." + kind)
        status, quiz = read_quiz(read_quiz_tool, saved)
        if status != 0 or quiz.get("captions") != ["Дата", "Събитие"] or \
                quiz.get("rows") != DATES_SHOWN:
            failures.append(f"dates and a hidden column as {kind}: read as {quiz}")
        else:
            print(f"ok: 19th-century dates and a hidden column saved by Calc as {kind}")


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

        saved_as = {charset: convert(work, sources, "csv:Text - txt - csv (StarCalc):" +
                                     EXPORTS[charset] + CSV_OPTIONS, charset)
                    for charset in EXPORTS}
        saved_as.update({kind: convert(work, sources, target, kind)
                         for kind, target in SPREADSHEETS.items()})
        for charset, out in saved_as.items():
            for source in sources:
                saved = out / (source.name if charset in EXPORTS
                               else source.with_suffix("." + charset).name)
                if not saved.exists():
                    failures.append(f"{charset} {source.name}: Calc saved nothing")
                    continue
                if charset in EXPORTS:
                    try:
                        saved.read_bytes().decode("utf-8")
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
        check_awkward_cells(work, read_quiz_tool, failures)
        check_dates_and_hidden_column(work, read_quiz_tool, failures)

    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
