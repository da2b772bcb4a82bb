#!/usr/bin/env bash
# Runs a command as a client of a weston of its own, with a Wayland desktop's key repeat: the
# client repeats a held key itself, after 660 ms, 25 times a second. weston shows in a window
# on the X display, or on an X server of its own with --xvfb or when there is no display (xdotool
# on the command's DISPLAY then types into it). The command gets WAYLAND_DISPLAY (a full path),
# QT_QPA_PLATFORM=wayland and that DISPLAY. Status 77: no weston here.
# Usage: scripts/weston.sh [--xvfb] COMMAND [ARG...]    e.g. scripts/weston.sh build/src/shijianbao
set -euo pipefail
if ! command -v weston >/dev/null; then
    echo "weston.sh: needs weston and qt6-wayland (scripts/install-deps.sh test installs them)" >&2
    exit 77
fi
own_x=
if [ "${1:-}" = --xvfb ]; then
    own_x=1
    shift
fi
[ -n "${DISPLAY:-}" ] || own_x=1
dir=$(mktemp -d "${TMPDIR:-/tmp}/shijianbao-weston.XXXXXX")
pids=()
trap 'if [ ${#pids[@]} -gt 0 ]; then kill "${pids[@]}" 2>/dev/null || true; fi; wait; rm -rf "$dir"' EXIT
# Waits up to ten seconds for a file to be there and not empty.
appears() {
    for _ in $(seq 100); do
        [ -s "$1" ] || [ -S "$1" ] && return 0
        sleep 0.1
    done
    echo "weston.sh: $2 did not start" >&2
    return 1
}
if [ -n "$own_x" ]; then
    # Xvfb picks a free display and writes its number to the descriptor it is given.
    exec {numberfd}>"$dir/display"
    # At 96 dots per inch weston tells its clients a screen the game is drawn on at scale 1.
    # -noreset: the server stays as it is whenever its last client leaves (see scripts/test.sh).
    Xvfb -displayfd "$numberfd" -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset 2>/dev/null &
    pids+=($!)
    exec {numberfd}>&-
    appears "$dir/display" Xvfb
    DISPLAY=":$(tr -d '\n' <"$dir/display")"
    export DISPLAY
fi
printf '[keyboard]\nrepeat-delay=660\nrepeat-rate=25\n' >"$dir/weston.ini"
mkdir -m 700 "$dir/run"
XDG_RUNTIME_DIR=$dir/run weston --backend=x11-backend.so --socket=wayland-0 \
    --config="$dir/weston.ini" --width=1024 --height=768 2>"$dir/weston.log" &
pids+=($!)
appears "$dir/run/wayland-0" weston || { cat "$dir/weston.log" >&2; exit 1; }
status=0
WAYLAND_DISPLAY=$dir/run/wayland-0 QT_QPA_PLATFORM=wayland "$@" || status=$?
exit $status
