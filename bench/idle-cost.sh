#!/usr/bin/env bash
# CPU used by the running program over a stretch of time (30 s by default), as
# a share of one core. With "modem", the program runs on the modem emulator
# (modem:PATH, voltage polled every second) and its resident memory is shown
# too; with "auto", it looks for a device on this machine and finds none (no
# modem, no local NCID server); otherwise it runs on the demo device.
# Usage: bench/idle-cost.sh BUILD_DIR [SECONDS] [demo|modem|auto]
set -euo pipefail
build=${1:-build}
seconds=${2:-30}
device=${3:-demo}
app=$build/src/app/callerid-test
modem_sim=$build/tools/callerid-modem-sim
tick=$(getconf CLK_TCK)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CALLERID_SIM_SOCKET=$work/sim.socket
"$(dirname "$0")/../tools/with-desktop.sh" bash -c '
    app=$1 secs=$2 tick=$3 device=$4 modem_sim=$5 work=$6
    pids=()
    trap "for p in \${pids[@]}; do kill \$p 2>/dev/null || true; done; wait 2>/dev/null || true" EXIT
    if [ "$device" = modem ]; then
        mkfifo "$work/in"
        "$modem_sim" --link "$work/modem" <"$work/in" >"$work/modem.log" 2>&1 & pids+=($!)
        exec 3>"$work/in"
        for _ in $(seq 50); do [ -e "$work/modem" ] && break; sleep 0.1; done
        export CALLERID_DEVICE=modem:$work/modem
    elif [ "$device" = auto ]; then
        export CALLERID_DEVICE=auto
    else
        export CALLERID_DEVICE=demo
    fi
    "$app" >/dev/null 2>&1 & pid=$!; pids+=($pid)
    sleep 3   # start-up is not idle time
    if [ "$device" = modem ]; then
        grep -q "^< AT-TRV" "$work/modem.log" || { echo "the modem was not initialised"; exit 1; }
    fi
    read -r -a s0 < /proc/$pid/stat
    sleep "$secs"
    read -r -a s1 < /proc/$pid/stat
    polls=$(grep -c "^< AT-TRV" "$work/modem.log" 2>/dev/null || echo 0)
    used=$(( (s1[13] + s1[14]) - (s0[13] + s0[14]) ))
    awk -v used=$used -v tick=$tick -v secs=$secs -v dev=$device \
        "BEGIN { printf \"idle cost (%s): %.2f s of CPU in %d s = %.2f %% of one core\n\", dev, used/tick, secs, 100*used/tick/secs }"
    [ "$device" = modem ] && echo "voltage polls answered by the modem: $polls; resident: $(grep VmRSS /proc/$pid/status | tr -s " ")"
    true
' _ "$app" "$seconds" "$tick" "$device" "$modem_sim" "$work"
