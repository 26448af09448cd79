#!/usr/bin/python3
"""The window at twice the scale, as on a high-density screen: every control twice as large and
in the same place, the text drawn at the higher resolution."""

import os
import subprocess

import pyatspi

from desktop import Program, check, main

SCALE = 2
# Logical pixels of a few controls: (left, top, width, height).
EXPECTED = {
    (pyatspi.ROLE_PUSH_BUTTON, "Провери"): (8, 0, 81, 25),
    (pyatspi.ROLE_PUSH_BUTTON, "Изчисти"): (328, 0, 73, 25),
    (pyatspi.ROLE_LIST, "Място"): (8, 56, 241, 61),
    (pyatspi.ROLE_LIST, "Победен"): (8, 232, 385, 61),
    (pyatspi.ROLE_TEXT, "Информация"): (8, 296, 385, 121),
}


def pixel(image, x, y):
    out = subprocess.run(["convert", image, "-format", f"%[pixel:p{{{x},{y}}}]", "info:-"],
                         capture_output=True, text=True, check=True).stdout.strip()
    return out


def run(executable, artifacts):
    program = Program(executable, env={"QT_SCALE_FACTOR": str(SCALE)})
    geometry = subprocess.run(["xdotool", "getwindowgeometry", program.window_id],
                              capture_output=True, text=True, check=True).stdout
    check("Geometry: 806x848" in geometry, geometry)

    # Screen readers get the layout in the program's own (logical) pixels: unchanged.
    origin = program.window.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    for (role, name), wanted in EXPECTED.items():
        x, y, w, h = program.find(role, name).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        actual = (x - origin.x, y - origin.y, w, h)
        check(actual == wanted, f"{name}: {actual}, expected {wanted}")

    shot = program.screenshot(os.path.join(artifacts, "e2e-high-dpi.png"))
    window_shot = os.path.join(artifacts, "e2e-high-dpi-window.png")
    subprocess.run(["import", "-window", program.window_id, window_shot], check=True)
    size = subprocess.run(["identify", "-format", "%wx%h", window_shot], capture_output=True,
                          text=True, check=True).stdout
    check(size == "806x848", size)
    # The button faces at the doubled positions, and the window's own colour between them.
    check(pixel(window_shot, 2 * 12, 2 * 12) in ("srgb(0,255,0)", "lime"),
          pixel(window_shot, 24, 24))
    check(pixel(window_shot, 2 * 332, 2 * 12) in ("srgb(255,0,0)", "red"),
          pixel(window_shot, 664, 24))
    check(pixel(window_shot, 2 * 256, 2 * 30) == "srgb(192,192,255)", pixel(window_shot, 512, 60))
    # Sharp text: glyphs drawn at the doubled size, not a small picture blown up. A blown-up
    # picture is made of 2 x 2 blocks and survives halving and doubling unchanged; real glyph
    # edges do not.
    strip = os.path.join(artifacts, "e2e-high-dpi-heading.png")
    subprocess.run(["convert", window_shot, "-crop", f"{2 * 201}x{2 * 25}+{2 * 104}+0", "+repage",
                    strip], check=True)
    blocky = subprocess.run(
        ["convert", strip, "-sample", "50%", "-sample", "200%", strip, "-metric", "AE",
         "-compare", "-format", "%[distortion]", "info:"],
        capture_output=True, text=True).stdout.strip()
    check(float(blocky or 0) > 50, f"the heading looks scaled up, not drawn at 2x ({blocky})")
    del shot
    # The device pixels of the controls: the information box's white inside at the doubled place.
    check(pixel(window_shot, 2 * 200, 2 * 410) == "srgb(255,255,255)", pixel(window_shot, 400, 820))

    status = program.close()
    check(status == 0, f"the program ended with status {status}")


if __name__ == "__main__":
    main(run)
