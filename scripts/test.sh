#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test. Works on a machine with no display
# and no sound server: it starts its own X server for the tests that need a real window.
#
#   scripts/test.sh           everything, as CI runs it: also the real program under Xvfb, the
#                             Debian package, the sanitizer build and a minute of fuzzing
#   scripts/test.sh --quick   the unit and widget tests only, with what is installed already:
#                             seconds, for the loop of editing and testing
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
if [ "${1:-}" = --quick ]; then
    BUILD_DIR=$build "$root/scripts/build.sh" -DBUILD_TESTING=ON
    cd "$build"
    exec ctest --output-on-failure --timeout 120 -j "$(nproc)" -E '^(e2e|packaging)_'
fi
"$root/scripts/install-deps.sh" test
BUILD_DIR=$build "$root/scripts/build.sh" -DBUILD_TESTING=ON
# The linters first: a finding fails the run before the long tests start.
"$root/scripts/lint.sh" "$build"

xvfb_pid=""
cleanup() { if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi; }
trap cleanup EXIT
# An X server on a display number of our own, so a desktop session or a second run is left
# alone. Xvfb writes its number to `ready` once it takes connections, and exits at once when
# another server has the number.
ready=$(mktemp)
for n in $(seq 90 130); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    # -noreset: otherwise the server resets whenever its last client leaves, and a program
    # started by the next test at that moment cannot connect.
    # The window manager's test needs room for the game window at twice the scale.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset -displayfd 3 3>"$ready" \
        >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 200); do # 10 s
        [ -s "$ready" ] || ! kill -0 "$xvfb_pid" 2>/dev/null && break
        sleep 0.05
    done
    [ -s "$ready" ] && export SJB_TEST_DISPLAY=":$n" && break
    # Running but silent for 10 s: it will not come up on the next number either.
    kill "$xvfb_pid" 2>/dev/null && break
    xvfb_pid=""
done
rm -f "$ready"
if [ -z "${SJB_TEST_DISPLAY:-}" ]; then
    echo "test.sh: no X server came up (Xvfb, on a free display from :90 to :130)" >&2
    exit 1
fi

# Every test, and none skipped: a test skips when its X server or a tool is missing, which
# only --quick may accept.
run_ctest() {
    ctest --output-on-failure --timeout 300 -j "$(nproc)" | tee ctest.log
    if grep -q '(Skipped)$' ctest.log; then
        echo "test.sh: tests were skipped (see $PWD/Testing/Temporary/LastTest.log)" >&2
        exit 1
    fi
}

cd "$build"
run_ctest

# Every test once more against a build with AddressSanitizer and UndefinedBehaviorSanitizer,
# on the same X server, so the end-to-end tests run the sanitized program too. Any report fails
# its test, leaks included. Then the score file's fuzzer, for a minute.
asan_build=${ASAN_BUILD_DIR:-$root/build-asan}
BUILD_DIR=$asan_build "$root/scripts/build.sh" -DBUILD_TESTING=ON -DSHIJIANBAO_SANITIZE=ON \
    -DCMAKE_BUILD_TYPE=Debug
cd "$asan_build"
ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    run_ctest
"$root/fuzz/run.sh" 60
