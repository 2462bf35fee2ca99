#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12.
set -euo pipefail
packages=(build-essential cmake ninja-build clang-format qt6-base-dev libgl-dev libsqlite3-dev sqlite3 mdbtools-dev libmdb3 pkg-config clang libclang-rt-14-dev
          xvfb xauth fonts-dejavu-core fonts-liberation2 poppler-utils qt6-translations-l10n
          openbox xdotool x11-utils dbus dbus-x11 at-spi2-core python3-pyatspi
          exfatprogs exfat-fuse)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
