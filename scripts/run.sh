#!/usr/bin/env bash
# Installs, builds, supplies an empty database beside the program if there is
# none, and starts the program.
#   bash scripts/run.sh            the program and its Quorvel.mdb in build/release
#   bash scripts/run.sh --sample   a copy of the program in build/release/ornek
#                                  on the sample bank (made there on first use);
#                                  the Quorvel.mdb in build/release is not touched
set -euo pipefail
cd "$(dirname "$0")/.."
sample=0
if [ "${1:-}" = "--sample" ]; then
  sample=1
  shift
fi
bash scripts/deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQUORVEL_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
dir=build/release
if [ "$sample" = 1 ]; then
  # The program finds its database beside its own file, so the sample gets a
  # folder with its own copy of the program.
  dir=build/release/ornek
  mkdir -p "$dir"
  cp -f build/release/Quorvel.exe "$dir/Quorvel.exe"
  [ -f "$dir/Quorvel.mdb" ] || build/release/quorvel-mkdb --sample "$dir/Quorvel.mdb"
elif [ ! -f "$dir/Quorvel.mdb" ]; then
  build/release/quorvel-mkdb "$dir/Quorvel.mdb"
fi
exec "$dir/Quorvel.exe" "$@"
