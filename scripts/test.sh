#!/usr/bin/env bash
# Installs, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs every test headless: the unit tests offscreen, then the end-to-end
# suite on private Xvfb desktops with a window manager and the accessibility
# bus (tests/e2e/desktop.sh starts and stops them for each test).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# House rules a machine can check before anything is built: formatting, and
# (as part of the build) that includes point down the layers.
bash scripts/check-format.sh
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=ON >/dev/null
cmake --build build/test -j"$(nproc)"
# Short fuzzing runs of the rich-text reader and the INI reader; a finding fails the run.
bash scripts/fuzz.sh rtf "${QUORVEL_FUZZ_SECONDS:-30}"
bash scripts/fuzz.sh ini "${QUORVEL_FUZZ_SECONDS:-30}"
# And a short one of the Access reading path.
bash scripts/fuzz-access.sh "${QUORVEL_FUZZ_SECONDS:-30}"
export QT_QPA_PLATFORM=offscreen
(cd build/test && ctest --output-on-failure -j"$(nproc)")
unset QT_QPA_PLATFORM
/usr/bin/python3 tests/e2e/run.py build/test
