#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the desktop checks need.
# Does nothing when they are all present.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-serialport-dev libgl-dev libjpeg62-turbo-dev libx11-dev libudev-dev
    umockdev libumockdev-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xauth xdotool x11-utils imagemagick trayer dbus-x11 dunst libnotify-bin
    haskell-status-notifier-item-utils haskell-gtk-sni-tray-utils
    fonts-dejavu-core fonts-liberation
    at-spi2-core
    desktop-file-utils appstream lintian man-db
    python3
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
