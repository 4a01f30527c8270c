#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, benchmark and fuzz.
# Safe to run again: apt-get only installs what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libsimpleini-dev
  nlohmann-json3-dev
  libreadline-dev
  libjpeg-dev libpng-dev libarchive-dev libseccomp-dev
  libre2-dev libpcre2-dev libhyperscan-dev
  qt6-base-dev qt6-multimedia-dev qt6-qpa-plugins fonts-noto-cjk xvfb
  libxcb1-dev xauth xdotool imagemagick x11-utils libx11-6 libxext6
  python3 tmux
  desktop-file-utils appstream shared-mime-info groff-base dpkg-dev file
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
