#!/usr/bin/env bash
# Installs what building, testing and running the magazine need on Debian,
# when it is missing. Runs apt-get as root, or through sudo.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config libsdl2-dev libpng-dev libgtest-dev libgmock-dev
          libbenchmark-dev libsndfile1-dev clang libclang-rt-14-dev 64tass sox xvfb xauth xdotool
          openbox imagemagick desktop-file-utils appstream dpkg-dev man-db)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
