#!/bin/bash
# Prints the loudness of each sound file, one "LUFS<TAB>FILE" line each:
#
#   tools/loudness.sh FILE...
#
# The measure is ffmpeg's EBU R128 integrated loudness (ITU-R BS.1770,
# K-weighted), taken over the sound played over and over, whole copies only,
# for at least 4 s. Why not over the sound once: the integrated measure is
# made of 400 ms blocks on a 100 ms grid, so a letter of 0.30-0.39 s fills no
# block and ffmpeg reports -70 LUFS; padded with silence, a letter came out
# up to 0.8 LU apart depending on where the padding put the grid, and a
# short one reads quieter by its shortness alone. Repeated, every block holds
# the sound and nothing else, so the figure is the sound's own mean loudness
# over its length: the same for 10, 20 or 30 copies and any offset (measured:
# within 0.1 LU), and what the ear hears of sounds longer than its ~0.2 s
# of loudness integration. Each sound is measured as one channel (the first),
# as the game plays every one of them alike on both speakers.
set -euo pipefail

for f in "$@"; do
    seconds=$(ffprobe -v error -select_streams a:0 -show_entries stream=duration \
                      -of default=noprint_wrappers=1:nokey=1 "$f")
    copies=$(awk -v s="$seconds" 'BEGIN { n = int(4 / s) + 1; print n }')
    lufs=$(ffmpeg -nostdin -hide_banner -nostats -stream_loop $((copies - 1)) -i "$f" \
                  -af 'pan=mono|c0=c0,ebur128' -f null - 2>&1 |
           awk '/Integrated loudness:/ { on = 1 } on && $1 == "I:" { print $2; exit }')
    [ -n "$lufs" ] || { echo "loudness.sh: ffmpeg measured nothing in $f" >&2; exit 1; }
    printf '%s\t%s\n' "$lufs" "$f"
done
