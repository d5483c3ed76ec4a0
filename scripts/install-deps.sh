#!/usr/bin/env bash
# Installs every Debian package Corvane needs to build, test and run. Safe to run again:
# it only asks apt for what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build make pkg-config git
  qt6-base-dev qt6-svg-dev libx11-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libavfilter-dev
  libv4l-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth xdotool xclip
  appstream desktop-file-utils
  fonts-dejavu-core fonts-dejavu-extra
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages already installed"
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
  as_root=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
