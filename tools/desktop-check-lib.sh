# Shared steps of the desktop checks (sourced, not run): a work folder and the
# processes started in it, PASS/FAIL lines, waiting on an events log with
# generous deadlines, and the XEmbed tray (trayer) with the icons docked in it.
# The sourcing script sets `log` (the events log) after sourcing, if it wants
# another than $work/events.log.

work=$(mktemp -d)
log=$work/events.log
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
pass() { echo "PASS  $*"; }
fail() { echo "FAIL  $*"; failures=$((failures + 1)); }
# wait_for PATTERN FILE SECONDS: true once a line of FILE matches.
wait_for() {
    local deadline=$((SECONDS + $3))
    while [ $SECONDS -le $deadline ]; do
        grep -qE "$1" "$2" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}
# until_true SECONDS COMMAND…: true once COMMAND succeeds.
until_true() {
    local deadline=$((SECONDS + $1))
    shift
    while [ $SECONDS -le $deadline ]; do
        "$@" && return 0
        sleep 0.2
    done
    return 1
}
# expect DESCRIPTION PATTERN [SECONDS]: the events log gets a matching line.
expect() {
    if wait_for "$2" "$log" "${3:-5}"; then pass "$1"; else fail "$1 (no '$2')"; fi
}
count() { grep -cE "$1" "$log" || true; }
mark() { echo "-- $*" >>"$log"; }
since_mark() { sed -n "/^-- $1\$/,\$p" "$log"; }

start_trayer() {
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
        --transparent false --expand true >/dev/null 2>&1 &
    trayer_pid=$!
    pids+=("$trayer_pid")
}
# The icon window of the program whose application name is $1.
icon_window() { xdotool search --name "^$1 notification icon\$" 2>/dev/null | head -n1; }
# docked NAME: the program's icon sits, shown, in a tray.
docked() {
    local w root parent
    w=$(icon_window "$1")
    [ -n "$w" ] || return 1
    root=$(xwininfo -root | awk '/Window id:/ {print $4}')
    parent=$(xwininfo -tree -id "$w" | awk '/Parent window id:/ {print $4}')
    [ -n "$parent" ] && [ "$((parent))" -ne "$((root))" ] \
        && xwininfo -id "$w" | grep -q 'Map State: IsViewable'
}
