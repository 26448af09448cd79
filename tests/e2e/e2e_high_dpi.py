#!/usr/bin/python3
"""The window at twice the scale, as on a high-density screen: every control twice as large and
in the same place, the text drawn at the higher resolution."""

import os
import subprocess

import pyatspi

from desktop import Program, check, json_of, main

SCALE = 2
TWIPS_PER_PIXEL = 15
# A few controls, found as a screen reader finds them: (role, name) by array name and index.
CONTROLS = {
    ("Command1", 0): pyatspi.ROLE_PUSH_BUTTON,
    ("Command1", 1): pyatspi.ROLE_PUSH_BUTTON,
    ("List1", 0): pyatspi.ROLE_LIST,
    ("List1", 2): pyatspi.ROLE_LIST,
    ("Text1", 0): pyatspi.ROLE_TEXT,
}


def pixel(image, x, y):
    out = subprocess.run(["convert", image, "-format", f"%[pixel:p{{{x},{y}}}]", "info:-"],
                         capture_output=True, text=True, check=True).stdout.strip()
    return out


def run(executable, artifacts, window_json):
    window = json_of(window_json)
    size = (f"{SCALE * window['clientWidth'] // TWIPS_PER_PIXEL}x"
            f"{SCALE * window['clientHeight'] // TWIPS_PER_PIXEL}")
    program = Program(executable, env={"QT_SCALE_FACTOR": str(SCALE)})
    geometry = subprocess.run(["xdotool", "getwindowgeometry", program.window_id],
                              capture_output=True, text=True, check=True).stdout
    check(f"Geometry: {size}" in geometry, geometry)

    # Screen readers get the layout in the program's own (logical) pixels: unchanged.
    origin = program.window.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    for control in window["controls"]:
        role = CONTROLS.get((control["name"], control["index"]))
        if role is None:
            continue
        name = control["accessibleName"] or control["caption"]
        wanted = tuple(control[key] // TWIPS_PER_PIXEL for key in ("left", "top", "width", "height"))
        x, y, w, h = program.find(role, name).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        actual = (x - origin.x, y - origin.y, w, h)
        check(actual == wanted, f"{name}: {actual}, expected {wanted}")

    program.screenshot(os.path.join(artifacts, "e2e-high-dpi.png"))
    window_shot = os.path.join(artifacts, "e2e-high-dpi-window.png")
    subprocess.run(["import", "-window", program.window_id, window_shot], check=True)
    shot_size = subprocess.run(["identify", "-format", "%wx%h", window_shot],
                               capture_output=True, text=True, check=True).stdout
    check(shot_size == size, shot_size)
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
    # The device pixels of the controls: the information box's white inside at the doubled place.
    check(pixel(window_shot, 2 * 200, 2 * 410) == "srgb(255,255,255)", pixel(window_shot, 400, 820))

    status = program.close()
    check(status == 0, f"the program ended with status {status}")


if __name__ == "__main__":
    main(run)
