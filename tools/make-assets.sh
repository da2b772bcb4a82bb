#!/bin/bash
# Rebuilds every picture and sound of the game into assets/ (and the review
# contact sheet into docs/), then checks them against what the game expects.
#
#   tools/make-assets.sh            install what is missing, build, check
#   tools/make-assets.sh --check    only check the committed assets
#
# Everything is made by our own scripts from Debian 12 packages, so the
# output is reproducible; the results are committed so that building the
# game never needs any of these generators.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
ASSETS="$ROOT/assets"
SHEET="$ROOT/docs/contact-sheet.png"

check() {
    /usr/bin/python3 "$HERE/check-assets.py" "$ASSETS" "$SHEET"
}

if [ "${1:-}" = "--check" ]; then
    check
    exit
fi

# Generator packages. Fonts matter as much as programs: the pictures use
# Noto Color Emoji, Andika and DejaVu Sans by name, and festvox-us-slt-hts is
# the letter-name voice; ffmpeg measures and sets the sounds' loudness.
PACKAGES=(cmake g++ qt6-base-dev fonts-noto-color-emoji fonts-sil-andika fonts-dejavu-core
          sox libsox-fmt-all festival festvox-us-slt-hts ffmpeg python3 python3-pil
          python3-numpy)
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    SUDO=; [ "$(id -u)" = 0 ] || SUDO=sudo
    $SUDO apt-get update
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The painter is built in a scratch directory: it is a tool, not part of the
# game, and must never end up in the game's build tree.
BUILD=$(mktemp -d)
trap 'rm -rf "$BUILD"' EXIT
cmake -S "$HERE/picture-painter" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j"$(nproc)" >/dev/null

mkdir -p "$ASSETS/pictures" "$ASSETS/icon" "$ASSETS/sounds" "$(dirname "$SHEET")"
# XDG_RUNTIME_DIR only silences Qt's warning about running without a session.
XDG_RUNTIME_DIR="$BUILD" "$BUILD/make-pictures" "$ASSETS" "$SHEET"
echo "pictures written to $ASSETS/pictures and $ASSETS/icon"

"$HERE/make-sounds.sh" "$ASSETS/sounds"

check
