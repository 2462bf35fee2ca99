#!/usr/bin/env bash
# Retakes the pictures of the user guide (docs/kullanim/) and of the README
# under Xvfb, on the sample bank.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQUORVEL_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target quorvel-screenshot
xvfb-run -a -s "-screen 0 1280x800x24" build/release/quorvel-screenshot docs/kullanim
