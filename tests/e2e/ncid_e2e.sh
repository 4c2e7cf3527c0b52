#!/usr/bin/env bash
# The program as an NCID client on a private desktop with a tray (trayer) and a
# notification service (dunst), against ncid-server-sim: seven calls on two
# lines reach the notification service as "Çağrı: 7"; the server going away
# resets the window, so after its return the next call is "Çağrı: 1" again.
# The third argument is atspi-tables, which reads the window's connection label;
# an optional fourth names a screenshot to take after the seven calls.
set -euo pipefail
app=$1
server=$2
reader=$3
shot=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export E2E_DIR=$here
"$here/../../tools/with-desktop.sh" bash -s "$app" "$server" "$reader" "$work" "$shot" <<'SCRIPT'
set -euo pipefail
app=$1 server=$2 reader=$3 work=$4 shot=$5
pids=()
trap 'exec 3>&- 2>/dev/null || true; for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true' EXIT
source "$E2E_DIR/desktop-peers.sh"

mkfifo "$work/control"
"$server" --port 0 <"$work/control" >"$work/server.log" 2>&1 &
pids+=($!)
exec 3>"$work/control"
tell() { echo "$*" >&3; }

fail() {
    echo "FAIL: $*"
    echo "--- program output:"; cat "$work/app.log" 2>/dev/null || true
    echo "--- server:"; tail -30 "$work/server.log"
    echo "--- bus:"; tail -40 "$work/bus.log"
    exit 1
}
# The program has introduced itself at least N times.
introduced() { [ "$(grep -c 'client said: HELLO: CMD: no_log' "$work/server.log")" -ge "$1" ]; }

wait_for 30 grep -q '^port ' "$work/server.log" || fail "the server did not start"
port=$(sed -n 's/^port //p' "$work/server.log" | head -n1)
"$reader" --enable || fail "accessibility could not be turned on"
CALLERID_DEVICE=ncid:127.0.0.1:$port "$app" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=($app_pid)
wait_for 30 introduced 1 || fail "the program did not introduce itself to the server"
grep -q 'client said: HELLO: IDENT: client callerid-test ' "$work/server.log" \
    || fail "no IDENT line from the program"
wait_for 30 window_shows "Cihaz bağlı" || fail "the window does not show the server connected"

numbers=(02125550101 02165550102 03125550103 05325550104 05335550105 02325550106 08505550107)
for i in "${!numbers[@]}"; do
    if (( i % 2 )); then line=2; else line=HOME; fi
    tell call "$line" "${numbers[$i]}" "ARAYAN $((i + 1))"
    sleep 0.15
done
wait_for 30 balloon_seen "Çağrı: 7" "08505550107" || fail "no balloon 'Çağrı: 7' with the seventh number"
balloon_seen "Çağrı: 1" "02125550101" || fail "no balloon for the first call"
if [ -n "$shot" ]; then
    sleep 0.5
    /usr/bin/import -window root "$shot" || true
fi

tell stop
wait_for 30 window_shows "Bağlantı bekleniyor" || fail "the window did not see the server go"
tell start
wait_for 30 introduced 2 || fail "the program did not come back to the server"
wait_for 30 window_shows "Cihaz bağlı" || fail "the window does not show the server back"
tell call 2 05445550199
wait_for 30 balloon_seen "Çağrı: 1" "05445550199" \
    || fail "the count did not restart at 1 after the server went away"
kill -0 $app_pid 2>/dev/null || fail "the program died"
echo "ncid end-to-end: ok"
SCRIPT
