#!/usr/bin/env bash
# Puts the program into the desktop's menu for the current user: a desktop
# entry that starts the built program where it is (its database lives beside
# it) and the program's icon. Usage: install-desktop.sh PATH-TO-Quorvel.exe
set -euo pipefail
cd "$(dirname "$0")/.."
exe="$(realpath "$1")"
data="${XDG_DATA_HOME:-$HOME/.local/share}"
mkdir -p "$data/applications" "$data/icons/hicolor/scalable/apps"
install -m 644 desktop/quorvel.svg "$data/icons/hicolor/scalable/apps/quorvel.svg"
sed -e "s|@EXEC@|$exe|" -e "s|@FOLDER@|$(dirname "$exe")|" desktop/quorvel.desktop.in > "$data/applications/quorvel.desktop"
chmod 644 "$data/applications/quorvel.desktop"
command -v update-desktop-database >/dev/null && update-desktop-database -q "$data/applications" || true
command -v gtk-update-icon-cache >/dev/null && gtk-update-icon-cache -q -t "$data/icons/hicolor" || true
echo "Desktop entry: $data/applications/quorvel.desktop"
