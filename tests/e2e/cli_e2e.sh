#!/usr/bin/env bash
# The program's command line, without a display: help and version, and a
# device spec that names no device refused with one line and status 2, from
# the option and from $CALLERID_DEVICE alike (the option winning).
set -uo pipefail
app=$1
version=$2
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run
fail() { echo "FAIL: $*"; exit 1; }

"$app" --help >"$work/out" 2>&1 || fail "--help exited with $?"
grep -q -- '--device <SPEC>' "$work/out" || fail "--help does not describe --device: $(cat "$work/out")"
grep -qx 'Usage: callerid-test \[options\]' "$work/out" || fail "--help does not name the program: $(head -n1 "$work/out")"
"$app" --version >"$work/out" 2>&1 || fail "--version exited with $?"
[ "$(cat "$work/out")" = "callerid-test $version" ] || fail "--version printed '$(cat "$work/out")'"

refused() {  # refused EXPECTED-TEXT COMMAND…
    local expected=$1; shift
    "$@" >"$work/out" 2>"$work/err"; local status=$?
    [ $status -eq 2 ] || fail "$* exited with $status, not 2"
    [ ! -s "$work/out" ] || fail "$* wrote to standard output: $(cat "$work/out")"
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$* did not write one line: $(cat "$work/err")"
    grep -qF -- "$expected" "$work/err" || fail "$* wrote '$(cat "$work/err")'"
}
refused "unknown device 'bogus'" "$app" --device bogus
refused "unknown device 'ncid:host:'" "$app" --device ncid:host:
refused "unknown device 'modem:'" env CALLERID_DEVICE=modem: "$app"
refused "unknown device 'unit'" "$app" --device unit
refused "unknown device 'unit-udp:3520@birim'" "$app" --device unit-udp:3520@birim
refused "unknown device 'demo:x'" env CALLERID_DEVICE=auto "$app" --device=demo:x
refused "Unknown option 'frobnicate'" "$app" --frobnicate
echo "command line: ok"
