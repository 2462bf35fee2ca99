#!/usr/bin/env bash
# Installs, builds, supplies an empty database beside the program if there is
# none, puts the program into the desktop's menu, and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQUORVEL_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
if [ ! -f build/release/Quorvel.mdb ]; then
  build/release/quorvel-mkdb build/release/Quorvel.mdb
fi
bash scripts/install-desktop.sh build/release/Quorvel.exe >/dev/null || echo "Menü girdisi kurulamadı; program yine de başlıyor." >&2
exec build/release/Quorvel.exe "$@"
