#!/usr/bin/env bash
# Builds the score file's fuzz target with clang (libFuzzer, AddressSanitizer, UBSan) into
# build-fuzz/ (or $FUZZ_BUILD_DIR) and runs it for the given number of seconds, 60 by default.
# A crash or a broken invariant fails the run and leaves the input in the build folder as
# crash-*; once the fault is fixed, copy that file into fuzz/regressions/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}

cmake -S "$root" -B "$build" -G Ninja -DSHIJIANBAO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" >/dev/null

# What the fuzzer learns goes to a corpus in the build folder; the seeds stay as committed.
mkdir -p "$build/corpus"
# Every input is written to disk and replaced several times: on a RAM disk it runs ten times
# as many inputs. A folder of our own, as libFuzzer exits without cleaning up after the target.
shm=/dev/shm
[ -d "$shm" ] && [ -w "$shm" ] || shm=${TMPDIR:-/tmp}
TMPDIR=$(mktemp -d "$shm/shijianbao-fuzz.XXXXXX")
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT
log=$build/fuzz.log
echo "fuzzing the score file for ${seconds}s (log: $log)"
if ! "$build/fuzz/scorefile_fuzz" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build/" "$build/corpus" "$root/fuzz/corpus" "$root/fuzz/regressions" \
    >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: FAILED; the input is in $build/crash-* (replay: $build/fuzz/scorefile_fuzz FILE)"
    exit 1
fi
grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
