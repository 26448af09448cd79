#!/usr/bin/python3
"""A teacher starts the real program with her own quiz file, as "Open with" from the file
manager does: the window plays her table under her captions, and Ctrl+O looks in its folder. A
file that cannot be played opens no window: a message box says why, the same text goes to
standard error, and the exit status is 2."""

import os
import re
import subprocess
import tempfile

import pyatspi

from desktop import Program, check, descendants, main, wait_for

# Saved as a spreadsheet in a Bulgarian locale saves CSV: ';' and UTF-8 with a byte-order mark,
# a title too long for the heading above the header. The third row has no explanation.
TITLE = "Столиците и валутите на балканските държави"
QUIZ = ("\ufeff" + TITLE + ";;;\r\n"
        "Държава;Столица;Валута;Обяснение\r\n"
        "България;София;лев;София е столица от 1879 г.\r\n"
        "Румъния;Букурещ;лея;Букурещ е на река Дъмбовица.\r\n"
        "Сърбия;Белград;динар;\r\n"
        "Гърция;Атина;евро;Атина е столица от 1834 г.\r\n")


def choose_with_keyboard(program, list_node, down_presses):
    program.tab_to(list_node)
    program.keys("Home", *(["Down"] * down_presses), "space")


def play_file(executable, artifacts, folder):
    path = os.path.join(folder, "Столици.csv")
    with open(path, "w", encoding="utf-8", newline="") as out:
        out.write(QUIZ)
    program = Program(executable, args=[path])
    try:
        labels = [n.name for n in program.find_all(pyatspi.ROLE_LABEL)]
        # Shortened on screen, whole to a screen reader.
        check(TITLE in labels, f"no heading with the quiz's title among {labels}")
        for caption in ("Държава", "Столица", "Валута"):
            check(caption in labels, f"no caption {caption!r} among {labels}")
        # Screen readers name the lists by the file's captions.
        countries = program.find(pyatspi.ROLE_LIST, "Държава")
        capitals = program.find(pyatspi.ROLE_LIST, "Столица")
        currencies = program.find(pyatspi.ROLE_LIST, "Валута")
        check(program.list_items(countries) == ["България", "Гърция", "Румъния", "Сърбия"],
              program.list_items(countries))
        check(program.list_items(capitals) == ["Атина", "Белград", "Букурещ", "София"],
              program.list_items(capitals))
        check(program.list_items(currencies) == ["динар", "евро", "лев", "лея"],
              program.list_items(currencies))
        info = program.find(pyatspi.ROLE_TEXT, "Информация")
        intro = program.text_of(info)
        check(intro.startswith(f"Викторина „{TITLE}“: 4 реда."), intro)
        program.activate()
        program.screenshot(os.path.join(artifacts, "e2e-quiz-file-start.png"))

        # Сърбия, Белград, динар: right, and its row has no explanation.
        choose_with_keyboard(program, countries, 3)
        choose_with_keyboard(program, capitals, 1)
        choose_with_keyboard(program, currencies, 0)
        wait_for("the three choices", lambda: program.selected_items(currencies) == ["динар"])
        check(program.selected_items(countries) == ["Сърбия"], program.selected_items(countries))
        program.click(program.find(pyatspi.ROLE_PUSH_BUTTON, "Провери"))
        correct = next(n for n in program.find_all(pyatspi.ROLE_LABEL)
                       if n.name.startswith("Верни отговори: "))
        wait_for("the right answer to count", lambda: correct.name == "Верни отговори: 1")
        check(program.text_of(info) == "Вярно!\nДържава: Сърбия\nСтолица: Белград\nВалута: динар",
              program.text_of(info))
        check(program.list_items(countries) == ["България", "Гърция", "Румъния"],
              program.list_items(countries))
        program.screenshot(os.path.join(artifacts, "e2e-quiz-file-right.png"))

        # Ctrl+O: Qt's dialog in Bulgarian, in the quiz's folder, with no file name typed in.
        program.keys("ctrl+o")
        dialog = wait_for("the file dialog", program.dialog)

        def named(role):
            return [n.name for n in descendants(dialog) if n.getRole() == role]
        buttons, look_in = named(pyatspi.ROLE_PUSH_BUTTON), named(pyatspi.ROLE_COMBO_BOX)
        check({"Отваряне", "Отказ"} <= set(buttons) and look_in[0] == folder, (buttons, look_in))
        file_name = next(n for n in descendants(dialog) if n.getRole() == pyatspi.ROLE_TEXT)
        check(program.text_of(file_name) == "", program.text_of(file_name))
        wait_for("the file's type in Bulgarian",
                 lambda: "Документ — CSV" in named(pyatspi.ROLE_TABLE_CELL))
        program.keys("Escape")
        wait_for("the file dialog to close", lambda: program.dialog() is None)
    except BaseException:
        program.process.kill()
        raise
    status = program.close()
    check(status == 0, f"the program ended with status {status}")


# Pairs: two columns in Windows-1251 with ';', as Excel saves CSV on a Bulgarian Windows, and
# three fields whose third holds explanations. Rows in the first list's order: the two answers
# and what the right pair shows.
PAIRS = [("Години.csv", "cp1251", "Година;Събитие\r\n1185;Асен и Петър\r\n681;Аспарух\r\n",
          [("681", "Аспарух", "Вярно!\nГодина: 681\nСъбитие: Аспарух"),
           ("1185", "Асен и Петър", "Вярно!\nГодина: 1185\nСъбитие: Асен и Петър")]),
         ("Царе.csv", "utf-8",
          "Цар,Битка, обяснение \nСимеон I,Ахелой,917 г.\nКалоян,Адрианопол,1205 г.\n",
          [("Калоян", "Адрианопол", "1205 г."), ("Симеон I", "Ахелой", "917 г.")])]


def play_pairs(executable, artifacts, folder, name, encoding, text, rows):
    path = os.path.join(folder, name)
    with open(path, "w", encoding=encoding, newline="") as out:
        out.write(text)
    program = Program(executable, args=[path])
    try:
        lists = [n for n in program.find_all(pyatspi.ROLE_LIST)
                 if n.getState().contains(pyatspi.STATE_SHOWING)]
        check([n.name for n in lists] == re.split("[;,\r\n]", text)[:2], [n.name for n in lists])
        order = [row[0] for row in rows]
        check(program.list_items(lists[0]) == order, program.list_items(lists[0]))
        program.activate()
        program.screenshot(os.path.join(artifacts, f"e2e-quiz-file-pairs-{encoding}.png"))
        info = program.find(pyatspi.ROLE_TEXT, "Информация")
        button = program.find(pyatspi.ROLE_PUSH_BUTTON, "Провери")
        named = "„{}“ и „{}“".format(*(n.name for n in lists))
        check(named + " така, че двата" in program.text_of(info) and named in button.description,
              (program.text_of(info), button.description))
        # A wrong pair, every right one, and a new round.
        for one, other, shown in [(rows[0][0], rows[1][1], "???")] + rows:
            for node, entry in zip(lists, (one, other)):
                choose_with_keyboard(program, node, program.list_items(node).index(entry))
            wait_for("the pair",
                     lambda: [program.selected_items(n) for n in lists] == [[one], [other]])
            program.click(button)
            wait_for(repr(shown), lambda: program.text_of(info) == shown)
        score = [n.name for n in program.find_all(pyatspi.ROLE_LABEL) if "отговори: " in n.name]
        check(score == ["Верни отговори: 2", "Грешни отговори: 1"], score)
        check(lists[1].childCount == 0, program.list_items(lists[1]))
        # The summary box's „Нов кръг“ does what „Изчисти“ does.
        box = wait_for("the summary box", program.dialog)
        program.click(next(n for n in descendants(box) if n.name == "Нов кръг"))
        wait_for("a new round", lambda: program.list_items(lists[0]) == order)
    except BaseException:
        program.process.kill()
        raise
    check(program.close() == 0, "the program did not end well")


def refuse_file(executable, artifacts, folder):
    path = os.path.join(folder, "Кратък.csv")
    with open(path, "w", encoding="utf-8") as out:
        out.write("Държава;Столица;Валута\nБългария;София\nГърция;Атина;евро\n")
    process = subprocess.Popen([executable, path], stderr=subprocess.PIPE, text=True)
    try:
        def application():
            desktop = pyatspi.Registry.getDesktop(0)
            for index in range(desktop.childCount):
                app = desktop.getChildAtIndex(index)
                try:
                    if app is not None and app.get_process_id() == process.pid:
                        return app
                except Exception:
                    continue
            return None

        app = wait_for("the program on the accessibility bus", application, 45)
        box = wait_for("the message box", lambda: next(
            (n for n in descendants(app) if n.getRole() in (pyatspi.ROLE_ALERT,
                                                             pyatspi.ROLE_DIALOG)
             and n.getState().contains(pyatspi.STATE_SHOWING)), None), 45)
        texts = [n.name for n in descendants(box) if n.getRole() == pyatspi.ROLE_LABEL]
        check(any("Кратък.csv, ред 2" in text for text in texts), f"the box says {texts}")
        frames = [n for n in descendants(app) if n.getRole() == pyatspi.ROLE_FRAME
                  and n.getState().contains(pyatspi.STATE_SHOWING)]
        check(frames == [], "a quiz window opened for a refused file")
        subprocess.run(["import", "-window", "root",
                        os.path.join(artifacts, "e2e-quiz-file-refused.png")], check=True)
        window = wait_for("the message box's X window", lambda: subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--pid", str(process.pid)],
            capture_output=True, text=True).stdout.split())[0]
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
        subprocess.run(["xdotool", "key", "--clearmodifiers", "Return"], check=True)
        status = process.wait(timeout=30)
    except BaseException:
        process.kill()
        raise
    error = process.stderr.read()
    check(status == 2, f"the program ended with status {status}")
    check("Кратък.csv, ред 2" in error, f"standard error says {error!r}")


def run(executable, artifacts):
    with tempfile.TemporaryDirectory() as folder:
        play_file(executable, artifacts, folder)
        for pairs in PAIRS:
            play_pairs(executable, artifacts, folder, *pairs)
        refuse_file(executable, artifacts, folder)


if __name__ == "__main__":
    main(run)
