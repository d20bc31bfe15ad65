#!/usr/bin/env bash
# Installs what Plattera needs to build, run and test on Debian 12.
set -euo pipefail
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev
  zlib1g-dev libjpeg62-turbo-dev libgif-dev libpng-dev libwebp-dev libuemf-dev libcups2-dev libtag1-dev libuchardet-dev
  libfontconfig-dev libxcb1-dev
  fonts-liberation fonts-symbola fontconfig qt6-wayland
)
if [ "${1:-}" = "--tests" ]; then
  PACKAGES+=(libgtest-dev libgmock-dev googletest libbenchmark-dev poppler-utils
             clang clang-format libclang-rt-14-dev xvfb xauth desktop-file-utils appstream
             # the end-to-end stories: X server, window managers, input, a private print queue, the
             # accessibility bus on a private session bus
             openbox metacity xdotool cups-daemon cups-client cups-filters-core-drivers python3 python3-pil python3-xlib
             dbus at-spi2-core python3-pyatspi
             # KDE Plasma's window manager on X and its usual frame, for the windows' places
             kwin-x11 kwin-style-breeze
             # a session bus that autolaunches where none is announced, which the program must not start
             dbus-x11
             # audio files with tags made in the tests, and the X clipboard they paste through
             sox libsox-fmt-base flac xclip
             # mid3v2, for MP3 files with tags and pictures
             python3-mutagen)
fi
if [ "${1:-}" = "--package" ]; then
  PACKAGES+=(dpkg-dev file lintian)
fi
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
