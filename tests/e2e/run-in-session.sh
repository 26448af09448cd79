#!/usr/bin/env bash
# Runs a command inside a private X server (Xvfb) and D-Bus session with the accessibility bus
# started, as a desktop session would have it. Usage: run-in-session.sh COMMAND [ARGS...]
set -euo pipefail

if [ -z "${VALTESSA_IN_SESSION:-}" ]; then
    export VALTESSA_IN_SESSION=1
    exec xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24 -dpi 96" \
        dbus-run-session -- "$0" "$@"
fi

/usr/libexec/at-spi-bus-launcher --launch-immediately &
launcher=$!
trap 'kill "$launcher" 2>/dev/null || true' EXIT
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export QT_QPA_PLATFORM=xcb
# Give the accessibility bus a moment to register before the program asks for it.
for _ in $(seq 50); do
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
        >/dev/null 2>&1 && break
    sleep 0.1
done
"$@"
