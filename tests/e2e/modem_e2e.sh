#!/usr/bin/env bash
# The whole program with CALLERID_DEVICE=modem:PATH on the modem emulator, on a
# private desktop with a tray (trayer) and a notification service (dunst):
# the program initialises the modem, seven calls (formatted, split, raw, private)
# reach the notification service as "Çağrı: 7"; pulling the modem out resets the
# window, and after plugging it back in the next call is "Çağrı: 1" again.
# SCREENSHOT=FILE keeps a picture of the window after the seven calls.
set -euo pipefail
app=$1
modem_sim=$2
reader=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export E2E_DIR=$here
"$here/../../tools/with-desktop.sh" bash -s "$app" "$modem_sim" "$reader" "$work" "${SCREENSHOT:-}" <<'SCRIPT'
set -euo pipefail
app=$1 modem_sim=$2 reader=$3 work=$4 shot=$5
pids=()
trap 'exec 3>&- 2>/dev/null; for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true' EXIT
source "$E2E_DIR/desktop-peers.sh"

mkfifo "$work/modem.in"
"$modem_sim" --link "$work/modem" --model CX93010 --serial SN-E2E-77 --voltage 27.6 \
    <"$work/modem.in" >"$work/modem.log" 2>&1 &
pids+=($!)
exec 3>"$work/modem.in"
modem() { echo "$*" >&3; }

fail() { echo "FAIL: $*"; echo "--- program output:"; cat "$work/app.log"; echo "--- modem:"; cat "$work/modem.log"; echo "--- bus:"; tail -40 "$work/bus.log"; exit 1; }
title_seen() { grep -q "string \"$1\"" "$work/bus.log"; }
initialised() { [ "$(grep -c '^< AT-TRV' "$work/modem.log")" -ge "$1" ]; }

wait_for 10 grep -q '^plugged:' "$work/modem.log" || fail "the emulator did not start"
"$reader" --enable || fail "accessibility could not be turned on"
CALLERID_DEVICE="modem:$work/modem" "$app" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=($app_pid)
wait_for 20 initialised 1 || fail "the program did not initialise the modem"
grep -q '^< AT+VCID=1' "$work/modem.log" || fail "caller ID was not turned on"
wait_for 20 window_shows "Cihaz bağlı" || fail "the window does not show the modem connected"

numbers=(02125550101 02165550102 03125550103 P 05335550105 02325550106 08505550107)
kinds=(call split mdmf call sdmf mdmf call)
for i in "${!numbers[@]}"; do
    modem ring
    modem "${kinds[$i]} ${numbers[$i]} ARAYAN $((i + 1))"
    wait_for 10 title_seen "Çağrı: $((i + 1))" || fail "no balloon for call $((i + 1))"
done
wait_for 10 balloon_seen "Çağrı: 7" "08505550107" || fail "no balloon 'Çağrı: 7' with the seventh number"
balloon_seen "Çağrı: 1" "02125550101" || fail "no balloon for the first call"
balloon_seen "Çağrı: 4" "Gizli numara" || fail "the private number is not shown as 'Gizli numara'"
sleep 0.5
title_seen "Çağrı: 8" && fail "more than seven calls"
if [ -n "$shot" ]; then import -window root "$shot"; fi

modem unplug
wait_for 20 window_shows "Bağlantı bekleniyor" || fail "the window did not see the modem go"
modem plug
wait_for 20 initialised 2 || fail "the program did not initialise the modem again after re-plugging"
wait_for 20 window_shows "Cihaz bağlı" || fail "the window does not show the modem back"
modem ring
modem call 05445550199
wait_for 10 balloon_seen "Çağrı: 1" "05445550199" \
    || fail "the count did not restart at 1 after the modem was pulled out"
kill -0 $app_pid 2>/dev/null || fail "the program died"
echo "modem end-to-end: ok"
SCRIPT
