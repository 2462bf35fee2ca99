#!/usr/bin/env bash
# Installs, builds, supplies an empty database beside the program if there is
# none, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQUORVEL_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
if [ ! -f build/release/Quorvel.mdb ]; then
  build/release/quorvel-mkdb build/release/Quorvel.mdb
fi
exec build/release/Quorvel.exe "$@"
