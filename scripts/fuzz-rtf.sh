#!/usr/bin/env bash
# Builds the RTF reader's libFuzzer target with clang (ASan + UBSan) and runs it
# for a bounded time. Exits non-zero when the fuzzer finds a crash, a leak, a
# hang or a broken round trip; the input that did it lands in the artifacts
# folder printed at the end.
#
#   scripts/fuzz-rtf.sh [seconds]        default 60
#
# QUORVEL_FUZZ_BUILD  build folder (default build/fuzz, ignored by git)
# QUORVEL_FUZZ_JOBS   parallel compile jobs (default 2)
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVEL_FUZZ_BUILD:-$root/build/fuzz}"
jobs="${QUORVEL_FUZZ_JOBS:-2}"

generator=()
if command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
fi
cmake -S "$root" -B "$build" "${generator[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DQUORVEL_FUZZ=ON -DQUORVEL_TESTS=OFF >/dev/null
cmake --build "$build" --target rtf_fuzzer -j"$jobs"

# The seeds stay untouched in the source tree; what the fuzzer learns goes into
# a working corpus in the build folder and is reused by the next run.
corpus="$build/rtf-corpus"
artifacts="$build/rtf-artifacts"
mkdir -p "$corpus" "$artifacts"

echo "fuzzing the RTF reader for ${seconds}s"
"$build/tests/fuzz/rtf_fuzzer" "$corpus" "$root/tests/fuzz/corpus" \
    -dict="$root/tests/fuzz/rtf.dict" \
    -max_total_time="$seconds" \
    -max_len=16384 \
    -timeout=10 \
    -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" \
    -print_final_stats=1
echo "no findings; artifacts would be in $artifacts"
