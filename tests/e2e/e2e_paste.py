#!/usr/bin/python3
"""A teacher copies cells in a spreadsheet and presses Ctrl+V in the running program: the cells
open as a quiz and play to the end. A sentence on the clipboard is refused in a message box and
changes nothing. The cells come from the real X clipboard: put there by xclip as Excel's plain
text, or, with --libreoffice, copied by LibreOffice Calc itself."""

import os
import subprocess
import tempfile

import pyatspi

from desktop import Program, check, descendants, main, wait_for

# Years and events, as Excel copies them: a cell with a line break is quoted.
CELLS = [["Година", "Събитие", "Обяснение"],
         [1185, "Въстание на Асен и Петър", "Започва в Търново.\nВъзстановява царството."],
         [681, "Основаване на България", "Мирен договор с Византия."],
         [864, "Покръстване", ""]]
EXCEL_TEXT = ("Година\tСъбитие\tОбяснение\r\n"
              "1185\tВъстание на Асен и Петър\t\"Започва в Търново.\r\nВъзстановява царството.\"\r\n"
              "681\tОсноваване на България\tМирен договор с Византия.\r\n"
              "864\tПокръстване\t\r\n")


def put_on_clipboard(text):
    # xclip keeps serving the clipboard in the background until another program takes it.
    subprocess.run(["xclip", "-selection", "clipboard", "-t", "UTF8_STRING"],
                   input=text.encode(), check=True)


def message_box(program):
    return next((n for n in descendants(program.app)
                 if n.getRole() in (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG)
                 and n.getState().contains(pyatspi.STATE_SHOWING)), None)


def shown_lists(program):
    return [n for n in program.find_all(pyatspi.ROLE_LIST)
            if n.getState().contains(pyatspi.STATE_SHOWING)]


def press(program, button):
    # With the keyboard: another program's window may lie over ours, there being no window
    # manager to raise it.
    program.tab_to(button)
    program.keys("space")


def paste(program):
    program.activate()
    program.keys("ctrl+v")


def choose(program, list_node, text):
    program.tab_to(list_node)
    items = program.list_items(list_node)
    program.keys("Home", *(["Down"] * items.index(text)), "space")
    wait_for(f"{text!r} chosen", lambda: program.selected_items(list_node) == [text])


def refuse_sentence(program, artifacts):
    put_on_clipboard("Битката при Кана се води през 216 г. пр.н.е.")
    paste(program)
    box = wait_for("the message box", lambda: message_box(program))
    texts = [n.name for n in descendants(box) if n.getRole() == pyatspi.ROLE_LABEL]
    check(any("поставения текст" in t and "не е таблица" in t for t in texts), f"the box: {texts}")
    program.screenshot(os.path.join(artifacts, "e2e-paste-refused.png"))
    program.keys("Return")
    wait_for("the message box to close", lambda: message_box(program) is None)
    controls = program.controls()
    check(len(program.list_items(controls.places)) == 16, "the battles changed")


def play_years(program, screenshot):
    years = wait_for("the pasted quiz", lambda: next(
        (n for n in shown_lists(program) if n.name == "Година"), None))
    events = program.find(pyatspi.ROLE_LIST, "Събитие")
    check([n.name for n in shown_lists(program)] == ["Година", "Събитие"],
          f"lists shown: {[n.name for n in shown_lists(program)]}")
    check(program.list_items(years) == ["681", "864", "1185"], program.list_items(years))
    info = program.find(pyatspi.ROLE_TEXT, "Информация")
    check_button = program.find(pyatspi.ROLE_PUSH_BUTTON, "Провери")
    labels = program.find_all(pyatspi.ROLE_LABEL)
    correct = next(n for n in labels if n.name.startswith("Верни отговори: "))
    wrong = next(n for n in labels if n.name.startswith("Грешни отговори: "))
    program.screenshot(screenshot)

    choose(program, years, "681")
    choose(program, events, "Покръстване")
    press(program, check_button)
    wait_for("the wrong answer", lambda: wrong.name == "Грешни отговори: 1")
    check(program.text_of(info) == "???", program.text_of(info))

    expected = {"1185": "Започва в Търново.\nВъзстановява царството.",
                "681": "Мирен договор с Византия.", "864": None}
    for count, (year, event) in enumerate([("1185", "Въстание на Асен и Петър"),
                                           ("681", "Основаване на България"),
                                           ("864", "Покръстване")], start=1):
        choose(program, years, year)
        choose(program, events, event)
        press(program, check_button)
        wait_for(f"right answer {count}", lambda: correct.name == f"Верни отговори: {count}")
        shown = program.text_of(info)
        check(shown == expected[year] if expected[year] else shown.startswith("Вярно!"), shown)
    check(program.list_items(years) == [] and program.list_items(events) == [],
          "entries left after the last pair")
    wait_for("the summary box", program.dialog)
    program.close_dialog()
    press(program, program.find(pyatspi.ROLE_PUSH_BUTTON, "Изчисти"))
    wait_for("a new round", lambda: len(program.list_items(years)) == 3
             and correct.name == "Верни отговори: 0" and wrong.name == "Грешни отговори: 0")


def copy_in_libreoffice(profile):
    """Starts LibreOffice Calc on this display, types CELLS into a new sheet (numbers as
    numbers) and copies them, as a teacher would. Returns the running office."""
    import uno
    pipe = f"valtessa{os.getpid()}"
    user = f"-env:UserInstallation=file://{profile}"
    # The session's settings for Qt programs are ours; LibreOffice aborts on a new document
    # when it meets them.
    env = {name: value for name, value in os.environ.items() if not name.startswith("QT_")}
    # A new profile makes LibreOffice start twice; made first, the office we talk to stays.
    subprocess.run(["soffice", "--headless", "--terminate_after_init", user], check=True,
                   env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    office = subprocess.Popen(["soffice", "--calc", "--norestore", "--nologo", "--nodefault",
                               user, f"--accept=pipe,name={pipe};urp;"],
                              env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)

    def connect():
        try:
            return resolver.resolve(f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
        except Exception:
            return None

    context = wait_for("LibreOffice to accept connections", connect, timeout=120)
    desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop",
                                                               context)
    document = desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, ())
    sheet = document.Sheets.getByIndex(0)
    for row, cells in enumerate(CELLS):
        for column, value in enumerate(cells):
            cell = sheet.getCellByPosition(column, row)
            if isinstance(value, str):
                cell.setString(value)
            else:
                cell.setValue(value)
    controller = document.CurrentController
    controller.select(sheet.getCellRangeByName("A1:C4"))
    dispatcher = context.ServiceManager.createInstanceWithContext(
        "com.sun.star.frame.DispatchHelper", context)
    dispatcher.executeDispatch(controller.Frame, ".uno:Copy", "", 0, ())
    wait_for("LibreOffice's cells on the clipboard", lambda: "application/x-libreoffice-tsvc"
             in subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"],
                               capture_output=True, text=True).stdout, timeout=30)
    return office


def run(executable, artifacts, *options):
    program = Program(executable)
    try:
        if "--libreoffice" in options:
            with tempfile.TemporaryDirectory() as profile:
                office = copy_in_libreoffice(profile)
                try:
                    paste(program)
                    play_years(program, os.path.join(artifacts, "e2e-paste-libreoffice.png"))
                finally:
                    office.kill()
                    office.wait()
        else:
            refuse_sentence(program, artifacts)
            put_on_clipboard(EXCEL_TEXT)
            paste(program)
            play_years(program, os.path.join(artifacts, "e2e-paste-years.png"))
    except BaseException:
        program.process.kill()
        raise
    status = program.close()
    check(status == 0, f"the program ended with status {status}")


if __name__ == "__main__":
    main(run)
