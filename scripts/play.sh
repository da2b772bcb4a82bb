#!/usr/bin/env bash
# Installs what is needed, builds, and starts the game.
set -euo pipefail
# Without a desktop to show the window on, Qt would abort only after the install and the build.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "play.sh: no desktop to show the game on (neither DISPLAY nor WAYLAND_DISPLAY is set):" \
        "start it from a terminal in a graphical session" >&2
    exit 1
fi
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" run
"$root/scripts/build.sh" -DBUILD_TESTING=OFF
exec "${BUILD_DIR:-$root/build}/src/shijianbao"
