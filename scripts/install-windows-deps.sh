#!/usr/bin/env bash
# Installs what the Windows build and its tests need on Debian 12: the mingw-w64 cross
# compiler, NSIS for the installer, Wine, and the Debian source packages of the libraries the
# build compiles itself.
# Safe to run again.
set -euo pipefail

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

packages=(
  g++-mingw-w64-x86-64-win32 gcc-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64
  mingw-w64-tools nsis wine wine64 dpkg-dev xvfb xdotool x11-utils xfonts-base imagemagick
  autoconf automake libtool make zip
)

# Source packages: the build fetches the libraries' Debian sources with apt-get source.
sources=/etc/apt/sources.list.d/solvane-deb-src.sources
need_update=0
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && \
   ! grep -qs '^deb-src' /etc/apt/sources.list; then
  $SUDO tee "$sources" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ $need_update -eq 1 ]; then
  $SUDO apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
