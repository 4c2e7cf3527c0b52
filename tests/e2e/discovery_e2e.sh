#!/usr/bin/env bash
# The whole program with its default device, `auto`, on a machine faked by
# umockdev (fake-machine-run): a USB voice modem behind the modem emulator,
# beside an Arduino, a Raspberry Pi Pico, two USB serial adapters, a modem a
# udev rule ignores and a built-in port. The program finds the modem, a call
# reaches the notification service, and not one byte reached any other port.
set -euo pipefail
app=$1
machine=$2
reader=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export E2E_DIR=$here
# Under the sanitizers the program runs with umockdev's library loaded first.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0"
"$here/../../tools/with-desktop.sh" bash -s "$app" "$machine" "$reader" "$work" <<'SCRIPT'
set -euo pipefail
app=$1 machine=$2 reader=$3 work=$4
pids=()
trap 'exec 3>&- 2>/dev/null; for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true' EXIT
source "$E2E_DIR/desktop-peers.sh"

fail() { echo "FAIL: $*"; echo "--- machine and program:"; cat "$work/machine.log"; echo "--- bus:"; tail -40 "$work/bus.log"; exit 1; }

"$reader" --enable || fail "accessibility could not be turned on"
mkfifo "$work/machine.in"
CALLERID_DEVICE=auto umockdev-wrapper "$machine" "$app" <"$work/machine.in" >"$work/machine.log" 2>&1 &
pids+=($!)
exec 3>"$work/machine.in"
say() { echo "$*" >&3; }

wait_for 30 grep -q '^< AT-TRV' "$work/machine.log" || fail "the program did not initialise the modem"
wait_for 30 window_shows "Cihaz bağlı" || fail "the window does not show the modem connected"
wait_for 10 window_shows "Cihaz modeli: Conexant USB Modem" || fail "the window does not show udev's model"
say "call 02125550101 AYSE YILMAZ"
wait_for 20 balloon_seen "Çağrı: 1" "02125550101" || fail "no balloon for the call"
say check
wait_for 10 grep -qE '^(silent|heard)' "$work/machine.log" || fail "the machine did not answer"
grep -q '^heard' "$work/machine.log" && fail "a port other than the modem was written to"
say quit
echo "discovery end-to-end: ok"
SCRIPT
