#!/usr/bin/env bash
# Makes the Debian package of this checkout, build/shijianbao_VERSION-1_ARCH.deb (or in
# $BUILD_DIR), passing extra arguments to CMake. Every run on one commit makes the same package,
# bit for bit: every time in it is the last commit's, as SOURCE_DATE_EPOCH says, which CPack
# gives every file of the package and rcc every picture and sound it embeds in the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
# Outside a git checkout (a source tarball) the times stay as the build makes them.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && commit_time=$(git -C "$root" log -1 --format=%ct 2>/dev/null); then
    export SOURCE_DATE_EPOCH=$commit_time
fi
BUILD_DIR=$build "$root/scripts/build.sh" -DBUILD_TESTING=OFF "$@"
cd "$build"
cpack -G DEB
