#!/usr/bin/env bash
# Damages the Access fixtures at random, page by page, and reads every result
# the way the import window does, for a bounded time. Exits non-zero when this
# process crashes or hangs (a sanitizer finding included). The reader library
# runs in a child process; its own deaths are counted in the summary, and its
# messages go to the log printed at the end.
#
#   scripts/fuzz-access.sh [seconds] [seed]     default 60, a seed from the clock
#
# QUORVEL_FUZZ_BUILD  a configured build folder (default build/test, with the sanitizers)
set -euo pipefail

seconds="${1:-60}"
seed="${2:-$(date +%s)}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVEL_FUZZ_BUILD:-$root/build/test}"

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=ON >/dev/null
fi
cmake --build "$build" --target access_mutate -j"${QUORVEL_FUZZ_JOBS:-2}"

fixtures="$root/tests/fixtures/legacy-access"
log="$build/access-mutate.log"
echo "damaging and reading Access files for ${seconds}s (seed $seed)"
# A hang of the run itself is a finding too.
timeout $((seconds + 60)) "$build/tests/access_mutate" "$seconds" "$seed" "$log" \
    "$fixtures/legacy-bank-jet4.mdb" "$fixtures/legacy-no-questions-jet4.mdb" "$fixtures/unicode-compression-jet4.mdb"
echo "no findings; the reader's messages are in $log"
