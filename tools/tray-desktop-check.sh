#!/usr/bin/env bash
# Shows a real tray icon on a private X11 desktop and checks it end to end:
# a private Xvfb and session bus, trayer as the tray, dunst as the
# notification service; clicks the icon with xdotool, shows balloons, restarts
# the tray. Usage: tools/tray-desktop-check.sh [BUILD-DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mkdir -p "$build"
build=$(cd "$build" && pwd)

if [ "${TRAY_CHECK_INSIDE:-}" != 1 ]; then
    tools/install-deps.sh
    [ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCALLERID_BUILD_BENCH=OFF >/dev/null
    cmake --build "$build" --target tray-check -j "$(nproc)" >/dev/null
    # A private Xvfb and session bus, and the X11 platform whatever the caller chose.
    TRAY_CHECK_INSIDE=1 tools/with-desktop.sh "$0" "$build"
    exit $?
fi

. tools/desktop-check-lib.sh
monitor=$work/bus.log
fifo=$work/commands
mkfifo "$fifo"
wait_docked() { until_true "$1" docked traycheck; }

dbus-monitor --session "interface='org.freedesktop.Notifications',member='Notify'" >"$monitor" 2>&1 &
pids+=($!)
dunst >/dev/null 2>&1 &
pids+=($!)
start_trayer
sleep 1

exec 3<>"$fifo"
"$build/tools/tray-check" "$fifo" >>"$log" 2>"$work/stderr.log" &
app=$!
pids+=("$app")

expect "the program starts and adds its icon" '^NotifyAdd ok$' 10
if wait_docked 10; then pass "the icon sits in trayer's tray (window $(icon_window traycheck))"; else fail "the icon is not docked in the tray"; fi
win=$(icon_window traycheck)
# Let the tray finish laying the icon out before pointing at it.
sleep 1
echo "icon window geometry: $(xwininfo -id "$win" | awk '/Absolute upper-left X|Absolute upper-left Y|Width|Height/ {printf "%s ", $NF}')"

mark enter
xdotool mousemove --window "$win" 11 11
expect "pointer over the icon raises MouseEnter" '^MouseEnter$'

mark left
xdotool click 1
expect "left press and release reach the icon" '^MouseUp left$'
expect "a single left click becomes Click after the double-click time" '^Click$'
if since_mark left | grep -qx 'MouseDown left'; then pass "left press raised MouseDown left"; else fail "no MouseDown left"; fi

mark double
sleep 0.6
xdotool click --repeat 2 --delay 80 1
expect "a double click raises DblClick" '^DblClick$'
sleep 1
if [ "$(since_mark double | grep -cx Click)" = 0 ]; then pass "no Click after the double click"; else fail "Click raised after a double click"; fi

mark middle
xdotool click 2
expect "middle press raises MouseDown middle" '^MouseDown middle$'
expect "middle release raises MouseUp middle" '^MouseUp middle$'

mark right
xdotool click 3
expect "right press raises MouseDown right" '^MouseDown right$'
expect "right press pops the menu up" '^PopupShown$'
sleep 0.3
xdotool key Escape
expect "the menu closes" '^PopupHidden$'

mark exit
xdotool mousemove 400 400
expect "moving away raises MouseExit" '^MouseExit$'

mark balloon
echo "balloon 10 05321234567" >&3
expect "ShowBalloon(title, text, bikInfo, 10) succeeds" '^ShowBalloon true$'
expect "the service's answer comes back as BalloonShow" '^BalloonShow$'
if wait_for 'string "05321234567"' "$monitor" 5 && grep -A12 'string "05321234567"' "$monitor" | grep -q 'int32 10000'; then
    pass "dunst got the balloon with expire_timeout 10000 ms"
else
    fail "no Notify with the text and a 10000 ms timeout on the bus"
fi

mark short
echo "balloon 1 kisa" >&3
expect "a new balloon hides the previous one" '^BalloonHide$'
expect "a 1 s balloon expires as BalloonTimeout" '^BalloonTimeout$' 10

mark restart
adds_before=$(count '^NotifyAdd ok$')
kill "$trayer_pid"
wait "$trayer_pid" 2>/dev/null || true
sleep 1
if docked traycheck; then fail "the icon still claims a tray after trayer ended"; else pass "the icon left with the old tray"; fi
start_trayer
if wait_for_adds() { local d=$((SECONDS + 10)); while [ $SECONDS -le $d ]; do [ "$(count '^NotifyAdd ok$')" -gt "$adds_before" ] && return 0; sleep 0.2; done; return 1; }; wait_for_adds; then
    pass "the new tray's arrival re-added the icon"
else
    fail "no re-add after trayer restarted"
fi
if wait_docked 10; then pass "the icon is back in the new tray"; else fail "the icon is not back in the tray"; fi

echo quit >&3
wait "$app" 2>/dev/null || true

echo "---- events raised by the component ----"
grep -v '^-- ' "$log"
echo "---- Notify calls seen on the session bus ----"
grep -E 'member=Notify|string "|int32' "$monitor" | sed 's/^ *//' | head -40
if [ -s "$work/stderr.log" ]; then
    echo "---- program's standard error ----"
    head -20 "$work/stderr.log"
fi
if [ "$failures" -eq 0 ]; then echo "tray desktop check: all passed"; else echo "tray desktop check: $failures failed"; fi
[ "$failures" -eq 0 ]
