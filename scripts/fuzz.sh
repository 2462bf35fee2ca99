#!/usr/bin/env bash
# Builds a reader's libFuzzer target with clang (ASan + UBSan) and runs it for
# a bounded time: rtf (the rich-text reader and writer) or ini (the INI reader
# of the layout file). Exits non-zero when the fuzzer finds a crash, a leak, a
# hang or a broken round trip; the input that did it lands in the artifacts
# folder printed at the end.
#
#   scripts/fuzz.sh rtf|ini [seconds]        default 60
#
# QUORVEL_FUZZ_BUILD  build folder (default build/fuzz, ignored by git)
# QUORVEL_FUZZ_JOBS   parallel compile jobs (default 2)
set -euo pipefail

target="${1:?rtf or ini}"
seconds="${2:-60}"
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
cmake --build "$build" --target "${target}_fuzzer" -j"$jobs"

# The seeds stay untouched in the source tree; what the fuzzer learns goes into
# a working corpus in the build folder and is reused by the next run.
corpus="$build/$target-corpus"
artifacts="$build/$target-artifacts"
mkdir -p "$corpus" "$artifacts"
seeds=()
options=()
case "$target" in
    rtf)
        seeds=("$root/tests/fuzz/corpus")
        options=(-dict="$root/tests/fuzz/rtf.dict" -max_len=16384)
        ;;
    ini)
        # The layout files of the tests' fixtures are the seeds.
        seeds=("$root/tests/fuzz/ini-corpus")
        options=(-max_len=4096)
        ;;
    *)
        echo "unknown target: $target (rtf or ini)" >&2
        exit 2
        ;;
esac

echo "fuzzing the $target reader for ${seconds}s"
"$build/tests/fuzz/${target}_fuzzer" "$corpus" "${seeds[@]}" \
    "${options[@]}" \
    -max_total_time="$seconds" \
    -timeout=10 \
    -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" \
    -print_final_stats=1
echo "no findings; artifacts would be in $artifacts"
