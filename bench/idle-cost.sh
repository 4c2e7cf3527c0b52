#!/usr/bin/env bash
# CPU used by the running program with the demo device over a stretch of time
# (30 s by default), as a share of one core. Usage: bench/idle-cost.sh BUILD_DIR [SECONDS]
set -euo pipefail
build=${1:-build}
seconds=${2:-30}
app=$build/src/app/callerid-test
tick=$(getconf CLK_TCK)
export CALLERID_DEVICE=demo CALLERID_SIM_SOCKET=$(mktemp -u)
"$(dirname "$0")/../tools/with-desktop.sh" bash -c '
    "$1" >/dev/null 2>&1 & pid=$!
    sleep 3   # start-up is not idle time
    read -r -a s0 < /proc/$pid/stat
    sleep "$2"
    read -r -a s1 < /proc/$pid/stat
    kill $pid
    used=$(( (s1[13] + s1[14]) - (s0[13] + s0[14]) ))
    awk -v used=$used -v tick=$3 -v secs=$2 \
        "BEGIN { printf \"idle cost: %.2f s of CPU in %d s = %.2f %% of one core\n\", used/tick, secs, 100*used/tick/secs }"
' _ "$app" "$seconds" "$tick"
