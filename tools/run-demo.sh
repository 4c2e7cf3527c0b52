#!/usr/bin/env bash
# Builds the program and runs it with the simulated demo device. On a desktop it
# opens the window; without a display it runs the program for a few seconds on
# a private virtual X server and writes a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target callerid-test callerid-sim
export CALLERID_DEVICE=${CALLERID_DEVICE:-demo}

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/src/app/callerid-test
fi

shot=${SCREENSHOT:-$PWD/screenshots/main-window.png}
seconds=${SECONDS_TO_RUN:-12}
mkdir -p "$(dirname "$shot")"
tools/with-desktop.sh bash -c '
    build/src/app/callerid-test & app=$!
    sleep "$1"
    import -window root "$2"
    kill $app; wait $app 2>/dev/null || true' _ "$seconds" "$shot"
echo "No display: ran the program for ${seconds} s on a virtual X server."
echo "Screenshot: $shot"
