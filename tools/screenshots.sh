#!/usr/bin/env bash
# Screenshots of the program on a private virtual desktop with a window manager
# (openbox, so that title bars and stacking are as on a real desktop): each tab
# of the main window after seven calls, the five picture windows and the three
# message boxes of the connection guide, and the main window by itself for the
# software centres. Driven with xdotool.
# Usage: tools/screenshots.sh [BUILD-DIR] [OUT-DIR]   (default: build, screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-screenshots}
mkdir -p "$build" "$out"
build=$(cd "$build" && pwd)
out=$(cd "$out" && pwd)

if [ "${SHOTS_INSIDE:-}" != 1 ]; then
    tools/install-deps.sh
    if ! command -v openbox >/dev/null; then
        sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends openbox
    fi
    [ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCALLERID_BUILD_BENCH=OFF >/dev/null
    cmake --build "$build" --target callerid-test callerid-sim -j "$(nproc)" >/dev/null
    SHOTS_INSIDE=1 exec tools/with-desktop.sh "$0" "$build" "$out"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

openbox >/dev/null 2>&1 &
pids+=($!)
export CALLERID_DEVICE=sim CALLERID_SIM_SOCKET=$work/sim.socket
"$build/src/app/callerid-test" >"$work/app.log" 2>&1 &
pids+=($!)
sim() { "$build/tools/callerid-sim" "$@" >/dev/null; }
for _ in $(seq 100); do [ -S "$CALLERID_SIM_SOCKET" ] && break; sleep 0.1; done

# A window whose title starts with the given text, within generous time on a busy machine.
window() { timeout 30 xdotool search --sync --onlyvisible --name "^$1" | head -n1; }
shot() {
    sleep 0.8 # the last repaint and the window manager's frame
    import -window root "$out/$1.png"
    echo "$out/$1.png"
}
# Clicks at a point of the main window's client area.
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; }
# Closes the active window the way a user would with the keyboard.
close_active() {
    xdotool key --clearmodifiers Escape
    sleep 0.4
}

main=$(window 'Cihaz Test')
[ -n "$main" ] || { echo "the main window did not appear" >&2; cat "$work/app.log" >&2; exit 1; }
sim attach RT4052 123456
sim signal 12 0 25 4
for n in 1 2 3 4 5 6 7; do
    sim call $((n % 4 + 1)) "0212555000$n"
done

# The main window alone with its frame: the software centres' screenshot
# (packaging/screenshots/main-window.png).
sleep 0.8
import -frame -window "$main" "$out/00-main-window.png"
echo "$out/00-main-window.png"

# Tabs (the "Ayar" tab is hidden): positions in the main window's client area.
shot 01-tab-test
click 103 12
shot 02-tab-baglanti-kilavuzu
click 176 12
shot 03-tab-soru
click 103 12
sleep 0.5

# The guide's links, in the order of the page; each opens one or more windows
# in a row, given as SHOT=TITLE.
guide() { # X Y SHOT=TITLE...
    local x=$1 y=$2 pair
    shift 2
    click "$x" "$y"
    for pair in "$@"; do
        if [ -z "$(window "${pair#*=}")" ]; then
            echo "no window \"${pair#*=}\" for ${pair%%=*}" >&2
            exit 1
        fi
        shot "${pair%%=*}"
        close_active
    done
}
guide 209 73 '04-tek-hat=Tek Hatlı Caller ID'
guide 205 150 '05-iki-hat=2 Hatlı Cihaz'
guide 205 227 '06-dort-hat=4 hatlı Cihaz'
guide 205 322 '07-kutu-1-splitter=Bilgi' '08-splitter-nedir=ADSL splitter nedir' \
    '09-adsl-baglanti=İnternet hattı cihaza'
guide 149 375 '10-kutu-2-numara-servisi=Bilgi' '11-kutu-3-sinyal=Uyarı'
