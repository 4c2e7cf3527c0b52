#!/usr/bin/env bash
# The program ended by a signal on a private virtual desktop: SIGTERM (a
# session's end, kill), SIGHUP (its terminal gone) and SIGINT (Ctrl+C) must
# each end it with status 0 after releasing what it holds, as "Çıkış" does:
# the UUCP lock that the serial port takes for a modem on a pseudo-terminal,
# and the simulated device's controller socket with its lock file.
# Usage: signals_e2e.sh PROGRAM CALLERID-MODEM-SIM
set -euo pipefail
app=$1
modem_sim=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$here/../../tools/with-desktop.sh" bash -s "$app" "$modem_sim" "$work" <<'SCRIPT'
set -uo pipefail
app=$1 modem_sim=$2 work=$3
pid= sim_pid=
cleanup() {
    exec 3>&- 2>/dev/null
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
    wait 2>/dev/null
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    echo "--- program output:"; cat "$work/app.log" 2>/dev/null
    exit 1
}
wait_for() {
    for _ in $(seq 300); do "$@" && return 0; sleep 0.1; done
    return 1
}
# UUCP lock files (LCK..NAME, holding the owner's PID) that process $1 holds,
# wherever the serial port library puts them.
uucp_locks_of() {
    local dir file
    for dir in /var/lock /run/lock /etc/locks /var/spool/locks /var/spool/uucp /tmp /var/tmp; do
        for file in "$dir"/LCK..*; do
            [ -f "$file" ] || continue
            [ "$(head -n1 "$file" 2>/dev/null | tr -d ' ')" = "$1" ] && echo "$file"
        done
    done | sort -u
}
# Starts the program with the device $1 (with SIGINT at its default even
# though a script's background jobs start with it ignored).
start() {
    CALLERID_DEVICE=$1 env --default-signal=INT "$app" >"$work/app.log" 2>&1 &
    pid=$!
}
# Sends signal $1 and waits for the program to end; sets $status.
end_with() {
    kill -s "$1" "$pid"
    for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "SIG$1: the program did not end"
    wait "$pid"; status=$?
    pid=
}

# A caller-ID modem on a pseudo-terminal, opened as modem:PATH.
mkfifo "$work/modem-control"
"$modem_sim" --link "$work/modem" <"$work/modem-control" >"$work/modem.log" 2>&1 &
sim_pid=$!
exec 3>"$work/modem-control"
wait_for grep -q '^plugged: ' "$work/modem.log" || fail "the modem emulator did not start"
start "modem:$work/modem"
has_lock() { [ -n "$(uucp_locks_of "$pid")" ]; }
wait_for has_lock || fail "the program took no UUCP lock for the modem"
locks=$(uucp_locks_of "$pid")
wait_for grep -q '^< AT+GSN' "$work/modem.log" || fail "the modem was not initialised"
end_with TERM
[ "$status" -eq 0 ] || fail "SIGTERM ended the program with status $status"
for lock in $locks; do
    [ -e "$lock" ] && fail "SIGTERM left the UUCP lock $lock behind"
done
echo "SIGTERM: status 0, the UUCP lock $(basename $locks) released"

# The simulated device with its controller socket, for SIGHUP and SIGINT.
export CALLERID_SIM_SOCKET=$work/sim.socket
for signal in HUP INT; do
    start sim
    wait_for test -S "$work/sim.socket" || fail "no controller socket"
    [ -e "$work/sim.socket.lock" ] || fail "no lock beside the controller socket"
    end_with "$signal"
    [ "$status" -eq 0 ] || fail "SIG$signal ended the program with status $status"
    [ -e "$work/sim.socket.lock" ] && fail "SIG$signal left the socket's lock file behind"
    [ -e "$work/sim.socket" ] && fail "SIG$signal left the controller socket behind"
    echo "SIG$signal: status 0, the controller socket and its lock released"
done
echo "signals end-to-end: ok"
SCRIPT
