#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Vantrel and
# its tools needs. Does nothing when all of them are present.
set -euo pipefail

packages=(
  g++ gcc make cmake pkg-config
  libboost-filesystem-dev libboost-system-dev
  libsdl2-dev libx11-dev libopenmpt-dev libpng-dev libjpeg62-turbo-dev zlib1g-dev
  qt6-base-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core
  clang libclang-rt-14-dev clang-format
  xvfb xauth xdotool imagemagick locales xfonts-base
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
