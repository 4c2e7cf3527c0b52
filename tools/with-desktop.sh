#!/usr/bin/env bash
# Runs a command on a private virtual desktop: an Xvfb server and a private
# session bus (so that nothing leaks into or out of the user's session).
set -euo pipefail
resolution=${XVFB_RESOLUTION:-1024x768x24}
for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
Xvfb "$display" -screen 0 "$resolution" -nolisten tcp >/dev/null 2>&1 & xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; wait $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
done
export DISPLAY=$display
# For checks of what a program does when its X server goes away.
export DESKTOP_XVFB_PID=$xvfb
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
dbus-run-session -- "$@"
