#!/usr/bin/env bash
# Runs a command inside a private X server (Xvfb) and D-Bus session with the accessibility bus
# started, as a desktop session would have it. Usage: run-in-session.sh COMMAND [ARGS...]
set -euo pipefail

if [ -z "${VALTESSA_IN_SESSION:-}" ]; then
    # Xvfb picks a free display itself and tells us its number, so parallel runs cannot collide.
    # -noreset: a server whose last client leaves starts anew, and the keyboard the tests set up
    # (desktop.bulgarian_keyboard) would be gone for the program started next.
    # VALTESSA_SCREEN: a larger screen for a test with several programs' windows side by side.
    displayfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${VALTESSA_SCREEN:-1280x1024x24}" -dpi 96 -nolisten tcp \
        -noreset 3>"$displayfile" 2>/dev/null &
    xvfb=$!
    trap 'kill "$xvfb" 2>/dev/null || true; rm -f "$displayfile"' EXIT
    for _ in $(seq 100); do
        [ -s "$displayfile" ] && break
        sleep 0.05
    done
    [ -s "$displayfile" ] || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n 1 "$displayfile")"
    # The server is ready only when a client can connect to it.
    for _ in $(seq 100); do
        xdotool getdisplaygeometry >/dev/null 2>&1 && break
        sleep 0.05
    done
    xdotool getdisplaygeometry >/dev/null || { echo "Xvfb on $DISPLAY refuses clients" >&2; exit 1; }
    export VALTESSA_IN_SESSION=1
    status=0
    dbus-run-session -- "$0" "$@" || status=$?
    exit "$status"
fi

/usr/libexec/at-spi-bus-launcher --launch-immediately &
launcher=$!
trap 'kill "$launcher" 2>/dev/null || true' EXIT
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export QT_QPA_PLATFORM=xcb
# The accessibility bus must be up before the program starts, or the program would run without
# it; on a busy machine that can take a while. Starting the test without it proves nothing.
bus_up() {
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
        >/dev/null 2>&1
}
for _ in $(seq 300); do
    bus_up && break
    sleep 0.1
done
bus_up || { echo "the accessibility bus did not start within 30 s" >&2; exit 1; }
"$@"
