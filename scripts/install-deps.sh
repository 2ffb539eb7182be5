#!/usr/bin/env bash
# Installs every Debian package Marlin needs to build, run and test.
# Idempotent: does nothing when all packages are already present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-svg-dev qt6-translations-l10n libxcb1-dev
  libqt6opengl6-dev libgl-dev
  libjsoncpp-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
  ffmpeg python3 yt-dlp zip unzip
  gpgv gnupg
  xvfb xauth xdotool libxkbcommon-x11-0 libxcb-cursor0 fonts-dejavu-core
  fonts-droid-fallback fonts-nanum
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
