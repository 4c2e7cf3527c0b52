# Sourced by the end-to-end checks inside their private desktop (with $work set
# and a pids array to stop at the end): starts what a user's desktop has around
# the program, a notification service (dunst) and a tray (trayer), and a bus
# monitor that writes every balloon sent to $work/bus.log.
dbus-monitor --session "interface='org.freedesktop.Notifications',member='Notify'" >"$work/bus.log" 2>&1 &
pids+=($!)
# The monitor is listening once the bus has taken its name from it.
for _ in $(seq 300); do grep -q 'member=NameLost' "$work/bus.log" 2>/dev/null && break; sleep 0.1; done
dunst >/dev/null 2>&1 &
pids+=($!)
trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    --transparent false --expand true >/dev/null 2>&1 &
pids+=($!)

# Waits up to SECONDS for COMMAND… to succeed: a busy machine is slow.
wait_for() {
    local limit=$(( $1 * 10 )); shift
    for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
    return 1
}

# The window shows the label TEXT, read over the accessibility bus with $reader.
window_shows() { "$reader" --labels "Caller ID Test" 2>/dev/null | grep -qxF "label $1"; }

# The balloon with TITLE and TEXT reached the notification service.
balloon_seen() {
    grep -A6 'member=Notify' "$work/bus.log" | tr '\n' ' ' | grep -q "string \"$1\" *string \"$2\""
}
