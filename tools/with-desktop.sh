#!/usr/bin/env bash
# Runs a command on a private virtual desktop: an Xvfb server and a private
# session bus (so that nothing leaks into or out of the user's session). The
# command gets the X11 platform whatever the caller's environment chose: the
# unit tests' offscreen platform would keep it off the desktop it is given.
set -euo pipefail
resolution=${XVFB_RESOLUTION:-1024x768x24}
display=
for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
if [ -z "$display" ]; then
    echo "with-desktop.sh: no X server: displays :90 to :140 are all taken" >&2
    exit 1
fi
if ! command -v Xvfb >/dev/null; then
    echo "with-desktop.sh: no X server: Xvfb is not installed (tools/install-deps.sh installs it)" >&2
    exit 1
fi
Xvfb "$display" -screen 0 "$resolution" -nolisten tcp >/dev/null 2>&1 & xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; wait $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 300); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    kill -0 $xvfb 2>/dev/null || break
    sleep 0.1
done
if [ ! -e "/tmp/.X11-unix/X${display#:}" ]; then
    echo "with-desktop.sh: no X server: Xvfb did not start on $display" >&2
    exit 1
fi
export DISPLAY=$display
# For checks of what a program does when its X server goes away.
export DESKTOP_XVFB_PID=$xvfb
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
dbus-run-session -- "$@"
