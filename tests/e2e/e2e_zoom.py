#!/usr/bin/python3
"""The window zoomed to 200 % with Ctrl++ against the same window on a screen of twice the
density (QT_SCALE_FACTOR=2): the same size, the controls in the same places, the text as large.
Then a right answer played at 200 %, and the start options: --zoom larger than the screen takes
the largest step that fits, an unknown step is a usage error without a display."""

import os
import subprocess

import pyatspi

from desktop import Program, check, json_of, main, wait_for

ZOOMED_SIZE = (806, 848)
L = pyatspi
# Controls compared between the two windows, found by role and name.
CONTROLS = [(L.ROLE_PUSH_BUTTON, "Провери"), (L.ROLE_PUSH_BUTTON, "Изчисти"),
            (L.ROLE_LIST, "Място"), (L.ROLE_LIST, "Победител"), (L.ROLE_LIST, "Победен"),
            (L.ROLE_TEXT, "Информация"), (L.ROLE_LABEL, "Valtessa"),
            (L.ROLE_LABEL, "Победител"), (L.ROLE_LABEL, "Верни отговори: 0"),
            (L.ROLE_LABEL, "Грешни отговори: 0")]
# Labels whose text is measured: caption labels on their own colour, and the counters.
MEASURED = ["Valtessa", "Място", "Победител", "Победен", "Верни отговори: 0", "Да"]


def window_size(program):
    out = subprocess.run(["xdotool", "getwindowgeometry", program.window_id],
                         capture_output=True, text=True, check=True).stdout
    width, height = out.split("Geometry: ")[1].split()[0].split("x")
    return int(width), int(height)


def extents(program, role, name, scale):
    """A control's place in the window, in screen pixels."""
    origin = program.window.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    x, y, w, h = program.find(role, name).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return ((x - origin.x) * scale, (y - origin.y) * scale, w * scale, h * scale)


def window_shot(program, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    subprocess.run(["import", "-window", program.window_id, path], check=True)
    return path


def ink(image, box):
    """Width, height and place of the text drawn inside box (the box's own colour trimmed
    away), in screen pixels."""
    x, y, w, h = box
    inset = 6  # clear of borders
    out = subprocess.run(
        ["convert", image, "-crop", f"{w - 2 * inset}x{h - 2 * inset}+{x + inset}+{y + inset}",
         "+repage", "-fuzz", "25%", "-trim", "-format", "%w %h %X %Y", "info:"],
        capture_output=True, text=True, check=True).stdout.split()
    return tuple(int(v) for v in out)


def differing_pixels(image, other, box):
    """The share of pixels in box that differ by more than a tenth of full colour."""
    x, y, w, h = box
    region = f"[{w}x{h}+{x}+{y}]"
    out = subprocess.run(["compare", "-metric", "AE", "-fuzz", "10%", image + region,
                          other + region, "null:"], capture_output=True, text=True).stderr
    return float(out.split()[0]) / (w * h)


def measure(program, image, scale):
    places = {(role, name): extents(program, role, name, scale) for role, name in CONTROLS}
    labels = {name: ink(image, extents(program, pyatspi.ROLE_LABEL, name, scale))
              for name in MEASURED}
    return places, labels


def run(executable, artifacts, table_json):
    # The reference: the designed window on a screen of twice the density.
    dense = Program(executable, env={"QT_SCALE_FACTOR": "2"})
    check(window_size(dense) == ZOOMED_SIZE, window_size(dense))
    dense_shot = window_shot(dense, os.path.join(artifacts, "e2e-zoom-scale-factor-2.png"))
    dense_places, dense_labels = measure(dense, dense_shot, 2)
    check(dense.close() == 0, "the reference window did not end cleanly")

    # The same window zoomed with the keyboard, 100 → 125 → 150 → 175 → 200 %.
    program = Program(executable)
    program.activate()
    wait_for("the focus in the information box",
             lambda: program.focused() is not None and program.focused().name == "Информация")
    program.keys("ctrl+plus", "ctrl+plus", "ctrl+equal", "ctrl+plus")
    wait_for("the window at 200 %", lambda: window_size(program) == ZOOMED_SIZE)
    check(program.focused().name == "Информация", "the zoom moved the focus")
    shot = window_shot(program, os.path.join(artifacts, "e2e-zoom-200.png"))
    places, labels = measure(program, shot, 1)
    for control, wanted in dense_places.items():
        check(places[control] == wanted, f"{control[1]}: {places[control]}, at 2x {wanted}")
    for name, wanted in dense_labels.items():
        check(all(abs(a - b) <= 1 for a, b in zip(labels[name], wanted)),
              f"the text of {name} (width, height, x, y): {labels[name]}, at 2x {wanted}")
    # The lines the style draws, a list's frame and scroll bar, as thick as at twice the density.
    for name in ("Място", "Победител", "Победен"):
        x, y, w, h = places[(pyatspi.ROLE_LIST, name)]
        strip = (x + w - 40, y, 40, h)
        share = differing_pixels(shot, dense_shot, strip)
        check(share < 0.04, f"the scroll bar of {name}: {share:.1%} of it differs at 2x")

    # A right answer at 200 %: row 3, Гавгамела.
    row = json_of(table_json)[2]
    controls = program.controls()
    for node, text in ((controls.places, row["place"]), (controls.winners, row["winner"]),
                       (controls.defeated, row["defeated"])):
        program.choose_by_typing(node, text)
    program.click(controls.check_button)
    wait_for("the right answer counted", lambda: controls.correct.name == "Верни отговори: 1")
    check(program.text_of(controls.info) == row["explanation"], program.text_of(controls.info))
    program.screenshot(os.path.join(artifacts, "e2e-zoom-200-answered.png"))

    # No larger than the screen: 250 % would be 1060 pixels high on a 1024-pixel screen.
    program.activate()
    program.keys("ctrl+plus", "ctrl+minus")
    wait_for("the window at 175 %", lambda: window_size(program) == (705, 742))
    check(controls.correct.name == "Верни отговори: 1", "the zoom changed the round")
    program.keys("ctrl+0")
    wait_for("the window as designed", lambda: window_size(program) == (403, 424))
    # Ctrl with the wheel turned up a notch over the information box, which would otherwise
    # zoom its own text: the window one step larger.
    x, y, w, h = controls.info.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "keydown", "ctrl",
                    "click", "4", "keyup", "ctrl"], check=True)
    wait_for("the window at 125 %", lambda: window_size(program) == (504, 530))
    check(program.close() == 0, "the zoomed window did not end cleanly")

    started = Program(executable, args=("--zoom", "300"))
    check(window_size(started) == ZOOMED_SIZE, f"--zoom 300 gave {window_size(started)}")
    check(started.close() == 0, "the window started at 300 % did not end cleanly")

    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    usage = subprocess.run([executable, "--zoom", "130"], env=env, capture_output=True,
                           text=True, timeout=30)
    check(usage.returncode == 2 and "130" in usage.stderr and "200" in usage.stderr,
          f"--zoom 130: status {usage.returncode}, {usage.stderr!r}")
    helped = subprocess.run([executable, "--help"], env=env, capture_output=True, text=True,
                            timeout=30)
    check(helped.returncode == 0 and "--zoom" in helped.stdout, helped.stdout)


if __name__ == "__main__":
    main(run)
