#!/usr/bin/env bash
# Installs what building, running and testing the game needs on Debian 12.
# Usage: scripts/install-deps.sh [run|test]
set -euo pipefail

# Qt's private headers: the game sets a screen's scale once it knows the screen's size in
# millimetres, which Qt's public API allows only before the application exists.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-private-dev libsdl2-dev
          fonts-arphic-uming fonts-noto-cjk)
if [ "${1:-run}" = test ]; then
    # A real X server for the end-to-end tests, and the tools that drive and watch it.
    packages+=(xvfb xdotool x11-utils python3 python3-xlib)
    # Screenshots of the real program and the asset checker's pictures, read with PIL and numpy.
    packages+=(python3-pil python3-numpy)
    # The asset checker's loudness measure (tools/loudness.sh: ffmpeg's EBU R128 meter).
    packages+=(ffmpeg)
    # The Debian package test: its dependency list, lintian's checks of the package, and
    # checks of the desktop entry and the AppStream file.
    packages+=(dpkg-dev lintian appstream desktop-file-utils)
    # A window manager, for the test of how the windows stack and take the keyboard.
    packages+=(openbox)
    # A Wayland compositor and Qt's Wayland plugin, for the held keys a Wayland client repeats.
    packages+=(weston qt6-wayland)
    # A sound server of the sound test's own, and its client tool: what the mixer lists.
    packages+=(pulseaudio pulseaudio-utils)
    # clang's libFuzzer and sanitizer runtimes, for the score file's fuzzer (fuzz/run.sh).
    packages+=(clang libclang-rt-14-dev)
    # setfacl and getfacl, for the score file test of a table shared through an access list.
    packages+=(acl)
    # The linters of scripts/lint.sh.
    packages+=(clang-format-14 clang-tidy flake8 shellcheck)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
