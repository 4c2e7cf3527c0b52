#!/usr/bin/env bash
# Packs a build folder into the Debian package and checks it as a distribution
# would, without installing anything: the package is unpacked into a temporary
# root; its menu entry, software-centre metadata and the package itself are
# validated (desktop-file-validate, appstreamcli, lintian); then the installed
# program is started from that root on a private virtual desktop until its window
# "Cihaz Test" shows, and the window is matched to the installed menu entry and
# its icons.
# Usage: tools/package-check.sh [BUILD-DIR]   (default: build; built already)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
here=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

echo "== package"
if ! (cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    fail "cpack could not build the package"
fi
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, got: ${debs[*]}"
deb=${debs[0]}
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends Section
root=$work/root
dpkg-deb -x "$deb" "$root"
(cd "$root" && find . -type f -o -type l | sort | sed 's|^\./|/|')

share=$root/usr/share
desktops=("$share"/applications/*.desktop)
[ ${#desktops[@]} -eq 1 ] && [ -f "${desktops[0]}" ] || fail "expected one menu entry"
desktop=${desktops[0]}
id=$(basename "$desktop" .desktop)
metainfo=$share/metainfo/$id.metainfo.xml
[ -f "$metainfo" ] || fail "no metadata $metainfo for $id"
for bin in callerid-test callerid-sim; do
    [ -x "$root/usr/bin/$bin" ] || fail "/usr/bin/$bin is not installed"
done
for bin in "$root"/usr/bin/*; do
    [ -f "$share/man/man1/$(basename "$bin").1.gz" ] || fail "no manual page for $bin"
done
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Icon)" = "$id" ] || fail "the menu entry's icon is '$(entry Icon)', not $id"
for size in 16 32 48 128 256; do
    icon=$share/icons/hicolor/${size}x${size}/apps/$id.png
    [ -f "$icon" ] || fail "no ${size}-pixel icon"
    [ "$(/usr/bin/identify -format '%wx%h' "$icon")" = "${size}x${size}" ] \
        || fail "$icon is not ${size}x${size}"
done

# The screenshot the metadata points at is one of ours, made by tools/screenshots.sh.
shot=$(sed -n 's|.*<image[^>]*>\(.*\)</image>.*|\1|p' "$metainfo")
[ -n "$shot" ] && [ -f "packaging/screenshots/$(basename "$shot")" ] \
    || fail "the metadata's screenshot '$shot' is not in packaging/screenshots/"

echo "== desktop-file-validate"
out=$(desktop-file-validate "$desktop" 2>&1) || true
[ -z "$out" ] || { echo "$out"; fail "the menu entry is not clean"; }
echo "clean"

echo "== appstreamcli validate --no-net --pedantic"
out=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) || { echo "$out"; fail "invalid metadata"; }
echo "$out"
if echo "$out" | grep -q '^[EWIP]:'; then fail "the metadata has issues"; fi

echo "== lintian"
# Informational tags are shown; errors and warnings fail the check.
status=0
out=$(lintian --fail-on error,warning --display-info "$deb" 2>&1) || status=$?
echo "$out" | grep -v 'running with root privileges' || true
[ "$status" -eq 0 ] || fail "lintian found errors or warnings"

echo "== the installed program"
"$here/tools/with-desktop.sh" bash -s "$root" "$(entry StartupWMClass)" "$work" <<'SCRIPT'
set -euo pipefail
root=$1 wmclass=$2 work=$3
export CALLERID_DEVICE=sim CALLERID_SIM_SOCKET=$work/sim.socket
export XDG_DATA_DIRS=$root/usr/share:/usr/share
"$root/usr/bin/callerid-test" >"$work/app.log" 2>&1 &
app=$!
trap 'kill $app 2>/dev/null; wait $app 2>/dev/null || true' EXIT
fail() { echo "FAIL: $*" >&2; cat "$work/app.log" >&2; exit 1; }
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Cihaz Test$' | head -n1) \
    || fail "the window \"Cihaz Test\" did not show"
class=$(xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = ".*", "\(.*\)"$/\1/p')
[ -n "$class" ] && [ "$class" = "$wmclass" ] \
    || fail "window class '$class' does not match the menu entry's StartupWMClass '$wmclass'"
xprop -id "$window" _NET_WM_ICON | grep -q 'Icon (48 x 48)' || fail "the window has no icon"
for _ in $(seq 50); do "$root/usr/bin/callerid-sim" status >/dev/null 2>&1 && break; sleep 0.2; done
"$root/usr/bin/callerid-sim" attach RT4052 PKG-1 >/dev/null || fail "the installed controller was refused"
echo "window $window \"Cihaz Test\", class \"$class\""
SCRIPT
echo "-> $(basename "$desktop") -> icon $(entry Icon), installed at 16 to 256 pixels"
echo "package check: ok ($(basename "$deb"))"
