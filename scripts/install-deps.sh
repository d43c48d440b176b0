#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine needs to build and test Solvane: the Linux
# build here, the Windows build and Wine in install-windows-deps.sh. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  libsdl2-dev libosmesa6-dev libgl1-mesa-dev libglu1-mesa-dev
  libjpeg62-turbo-dev libvorbis-dev libpng-dev libgtk-3-dev
  libwayland-dev libwayland-bin wayland-protocols plasma-wayland-protocols libegl-dev
  libdbus-1-dev libxss-dev dbus-daemon python3-dbus python3-gi procps
  googletest libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev unar clang libclang-rt-14-dev
  xvfb xauth xdotool x11-utils xfonts-base imagemagick time file strace
  xscreensaver xscreensaver-data rss-glx sway grim wtype swayidle openbox xfce4-panel jq weston
  dpkg-dev lintian rpm rpmlint diffoscope desktop-file-utils libxml2-utils groff-base man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

bash "$(dirname "$0")/install-windows-deps.sh"
