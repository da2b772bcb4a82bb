#!/usr/bin/env bash
# Installs what is needed, builds, and starts the game.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" run
"$root/scripts/build.sh" -DBUILD_TESTING=OFF
exec "${BUILD_DIR:-$root/build}/src/shijianbao"
