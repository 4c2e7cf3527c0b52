#!/usr/bin/env bash
# Checks the tray icon on a desktop whose tray speaks only StatusNotifierItem:
# a private Xvfb and session bus with status-notifier-watcher and
# gtk-sni-tray-standalone as the host, no XEmbed tray, dunst for balloons.
# The icon must be registered and drawn by the host, a click on it must reach
# the component as a click, the host's menu must trigger the popup menu's
# items (in the program, "Listeyi sil" empties the call list), the icon must
# come back when the watcher restarts, and move into trayer when that is the
# only tray left. Screenshots are kept in $SNI_CHECK_SHOTS when it is set.
# Usage: tools/sni-desktop-check.sh [BUILD-DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mkdir -p "$build"
build=$(cd "$build" && pwd)

if [ "${SNI_CHECK_INSIDE:-}" != 1 ]; then
    tools/install-deps.sh
    [ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCALLERID_BUILD_BENCH=OFF >/dev/null
    cmake --build "$build" --target tray-check callerid-test callerid-sim -j "$(nproc)" >/dev/null
    SNI_CHECK_INSIDE=1 tools/with-desktop.sh "$0" "$build"
    exit $?
fi

. tools/desktop-check-lib.sh
monitor=$work/bus.log
fifo=$work/commands
mkfifo "$fifo"
shots=${SNI_CHECK_SHOTS:-}
[ -z "$shots" ] || mkdir -p "$shots"

watcher_property() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher "string:$1" 2>/dev/null
}
host_registered() { watcher_property IsStatusNotifierHostRegistered | grep -q 'boolean true'; }
# registered PID: the watcher holds an item of that process.
registered() {
    watcher_property RegisteredStatusNotifierItems | grep -q "\"org.kde.StatusNotifierItem-$1-[0-9]*\""
}
start_watcher() {
    status-notifier-watcher >/dev/null 2>&1 &
    watcher_pid=$!
    pids+=("$watcher_pid")
}
start_host() {
    NO_AT_BRIDGE=1 gtk-sni-tray-standalone --top --end >/dev/null 2>&1 &
    host_pid=$!
    pids+=("$host_pid")
}
stop() { kill "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; }

# shot NAME: a screenshot of the whole desktop, kept when asked for.
shot() {
    /usr/bin/import -window root "$work/$1.png"
    [ -z "$shots" ] || cp "$work/$1.png" "$shots/$1.png"
}
# The pixels of the last screenshot in a rectangle (W H X Y), one per line: "x,y #rrggbb".
pixels() {
    /usr/bin/convert "$work/$1.png" -crop "$2x$3+$4+$5" +repage txt:- \
        | awk 'NR > 1 { sub(":", "", $1); print $1, tolower(substr($3, 1, 7)) }'
}
# The host's bar is the top 30 rows, black where nothing is drawn: the
# centre of what is drawn there, and how many pixels that is ("X Y N").
drawn_in_bar() {
    pixels "$1" 1024 30 0 0 | awk '$2 != "#000000" { split($1, p, ",");
        if (n == 0 || p[1] < x0) x0 = p[1]; if (n == 0 || p[1] > x1) x1 = p[1];
        if (n == 0 || p[2] < y0) y0 = p[2]; if (n == 0 || p[2] > y1) y1 = p[2]; n++ }
        END { printf "%d %d %d\n", (x0 + x1) / 2, (y0 + y1) / 2, n }'
}
# host_draws NAME MINIMUM [COLOUR]: a screenshot shows at least MINIMUM
# pixels of the icon (of COLOUR, when given) in the host's bar.
host_draws() {
    shot "$1"
    if [ -n "${3:-}" ]; then
        [ "$(pixels "$1" 1024 30 0 0 | grep -c " $3\$" || true)" -ge "$2" ]
    else
        [ "$(drawn_in_bar "$1" | awk '{print $3}')" -ge "$2" ]
    fi
}
# The host's menu: the host's shown window other than its bar ("X Y WIDTH HEIGHT").
menu_box() {
    local w
    for w in $(xdotool search --onlyvisible --class gtk-sni-tray-standalone 2>/dev/null); do
        xdotool getwindowgeometry --shell "$w" | awk -F= '{ v[$1] = $2 }
            END { if (v["HEIGHT"] != 30) { print v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]; found = 1 } }
            END { exit !found }' && return 0
    done
    return 1
}
# open_menu_and_take_first NAME: right click on the icon, then a click on
# the first item of the menu the host shows.
open_menu_and_take_first() {
    local left top width _
    xdotool mousemove "$icon_x" "$icon_y" click 3
    if until_true 10 menu_box >/dev/null; then
        pass "the host shows the icon's menu"
        shot "$1"
        read -r left top width _ < <(menu_box)
        # The first item's caption sits about 16 pixels below the menu's top.
        xdotool mousemove $((left + width / 2)) $((top + 16)) click 1
    else
        fail "no menu under the icon"
    fi
}

dbus-monitor --session "interface='org.freedesktop.Notifications',member='Notify'" >"$monitor" 2>&1 &
pids+=($!)
dunst >/dev/null 2>&1 &
pids+=($!)
start_watcher
start_host
if until_true 30 host_registered; then pass "gtk-sni-tray registers as host with the watcher"; else fail "no host registered"; fi

echo "== the component (tray-check)"
exec 3<>"$fifo"
"$build/tools/tray-check" "$fifo" >>"$log" 2>"$work/stderr.log" &
app=$!
pids+=("$app")
expect "the component adds its icon" '^NotifyAdd ok$' 15
if until_true 15 registered "$app"; then pass "the icon is registered as org.kde.StatusNotifierItem-$app-N"; else fail "the watcher holds no item of the program"; fi
if [ -z "$(icon_window traycheck)" ]; then pass "no XEmbed icon window besides"; else fail "an XEmbed icon window exists"; fi
if until_true 15 host_draws sni-1-component 100 '#008000'; then pass "the host draws the icon (dark green)"; else fail "the host draws no icon"; fi
read -r icon_x icon_y _ < <(drawn_in_bar sni-1-component)
echo "icon drawn around $icon_x,$icon_y"

mark left
xdotool mousemove "$icon_x" "$icon_y" click 1
expect "a left click reaches the component as MouseDown left" '^MouseDown left$'
expect "and MouseUp left" '^MouseUp left$'
expect "and a Click after the double-click time" '^Click$'

mark menu
open_menu_and_take_first sni-2-component-menu
expect "the host's menu triggers the popup menu's 'Listeyi sil'" '^Menu Listeyi sil$' 10

mark watcher
adds_before=$(count '^NotifyAdd ok$')
stop "$watcher_pid"
start_watcher
# The host keeps running; it does not register with the new watcher, but its name stays.
adds_now() { [ "$(count '^NotifyAdd ok$')" -gt "$adds_before" ]; }
if until_true 15 adds_now; then pass "the watcher's restart made the component add its icon again"; else fail "no re-add after the watcher restarted"; fi
if until_true 15 registered "$app"; then pass "the icon is registered with the new watcher"; else fail "the new watcher holds no item of the program"; fi
if until_true 15 host_draws sni-3-component-after-restart 100 '#008000'; then pass "the host draws the icon again"; else fail "the icon is not drawn after the restart"; fi
echo quit >&3
wait "$app" 2>/dev/null || true

echo "== the program"
# A fresh host, with nothing left of the component's icon.
stop "$host_pid"
start_host
if until_true 30 host_registered; then pass "a new host registers with the watcher"; else fail "the new host did not register"; fi
export CALLERID_DEVICE=sim CALLERID_SIM_SOCKET=$work/sim.socket
sim=$build/tools/callerid-sim
"$build/src/app/callerid-test" >"$work/program.log" 2>&1 &
program=$!
pids+=("$program")
until_true 30 "$sim" status >/dev/null 2>&1 || fail "the program's controller did not answer"
if until_true 15 registered "$program"; then pass "the program's icon is registered with the watcher"; else fail "the watcher holds no item of the program"; fi
if until_true 15 host_draws sni-4-program 100; then pass "the host draws the program's icon"; else fail "the host draws no program icon"; fi
read -r icon_x icon_y _ < <(drawn_in_bar sni-4-program)
# The balloon with TITLE and TEXT reached the notification service.
balloon_seen() { grep -A6 'member=Notify' "$monitor" | tr '\n' ' ' | grep -q "string \"$1\" *string \"$2\""; }
"$sim" attach RT4052 SN-0042 >/dev/null
for n in 1 2 3; do "$sim" call "$n" "0212555010$n" >/dev/null; done
if until_true 15 balloon_seen "Çağrı: 3" 02125550103; then pass "three calls, the third balloon is 'Çağrı: 3'"; else fail "no balloon 'Çağrı: 3'"; fi
shot sni-5-program-three-calls
open_menu_and_take_first sni-6-program-menu
"$sim" call 4 02165550104 >/dev/null
if until_true 15 balloon_seen "Çağrı: 1" 02165550104; then
    pass "'Listeyi sil' from the host's menu emptied the list: the next call is 'Çağrı: 1'"
else
    fail "the next call after 'Listeyi sil' is not 'Çağrı: 1'"
fi
shot sni-7-program-after-clearing

echo "== trayer alone"
stop "$host_pid"
stop "$watcher_pid"
start_trayer
if until_true 20 docked "Caller ID Test"; then pass "with trayer alone the icon moves into the XEmbed tray"; else fail "the icon did not dock in trayer"; fi
shot sni-8-program-in-trayer
kill -0 "$program" 2>/dev/null && pass "the program lives on" || fail "the program died"
stop "$program"

echo "---- events raised by the component ----"
grep -v '^-- ' "$log"
for f in "$work/stderr.log" "$work/program.log"; do
    if [ -s "$f" ]; then echo "---- $(basename "$f") ----"; head -20 "$f"; fi
done
if [ "$failures" -eq 0 ]; then echo "status notifier desktop check: all passed"; else echo "status notifier desktop check: $failures failed"; fi
[ "$failures" -eq 0 ]
