#!/usr/bin/python3
"""Checks the finished media against assets/catalogue.txt and what the game assumes.

The game embeds these files as they are, lays pictures edge to edge on exactly
coloured grounds, maps clicks on the keyboard picture to keys by fixed
rectangles and steps letter names every 700 ms, so any drift in size, format,
length or ground colour is a visible or audible bug. The 2x twin of every
picture must be the same drawing at twice the size. Every sound must be as
loud as the letters, measured by tools/loudness.sh (ffmpeg). Usage:

    check-assets.py ASSETS_DIR [CONTACT_SHEET.png]

Prints one line per problem and exits 1 if there is any.
"""
import math
import os
import statistics
import struct
import subprocess
import sys

import numpy as np
from PIL import Image

LIGHT_BLUE = (63, 187, 239)
NAVY = (0, 0, 128)
# Mean absolute difference (0..255 per channel) between a 1x picture and its
# 2x twin shrunk by averaging 2x2 pixels: twins measure under 1.5, another
# picture of the same kind over 16, the keyboard one pixel off 8.
MAX_TWIN_DIFFERENCE = 4
# The same between a twin and its 1x picture with every pixel doubled: drawn
# anew, twins measure over 1.3; a blown-up copy, no sharper than 1x, 0.
MIN_TWIN_DETAIL = 0.5
# The board inside the background (x 25..425, y 199..426) and the keys of the
# keyboard picture, in pixels of the 1x pictures.
BOARD = (25, 199, 401, 228)
KEYS = ([(40 * n, 1) for n in range(10)] + [(20 + 40 * n, 49) for n in range(9)]
        + [(40 + 40 * n, 97) for n in range(7)])
KEY_SIZE = (40, 28)
# Every sound within this many LU of the letters' median loudness: no letter
# harder to hear than the next, no jingle or click startling after them.
LOUDNESS_SPREAD = 1.0
# The letters' median no quieter than this (LUFS): 8 bits leave them little
# room above their floor as it is.
QUIETEST = -20.0

problems = []


def problem(msg):
    problems.append(msg)
    print("BAD:", msg)


def read_catalogue(assets):
    """{id: (w, h, kind)} of pictures, {id: (role, format, rate, lo, hi)} of
    sounds, and the icon sizes."""
    pictures, sounds, icons = {}, {}, []
    with open(os.path.join(assets, "catalogue.txt"), encoding="utf-8") as f:
        for line in f:
            fields = line.split()
            if not fields or fields[0].startswith("#"):
                continue
            if fields[0] == "icon":
                icons += [int(n) for n in fields[1:]]
                continue
            first, _, last = fields[1].partition("-")
            ids = range(int(first), int(last or first) + 1)
            if fields[0] == "picture":
                w, h = (int(n) for n in fields[2].split("x"))
                pictures.update({i: (w, h, fields[3]) for i in ids})
            else:
                role, fmt, rate = fields[2], fields[3], int(fields[4])
                lo, hi = (float(s) for s in fields[5].split("-"))
                sounds.update({i: (role, fmt, rate, lo, hi) for i in ids})
    return pictures, sounds, icons


# ----------------------------------------------------------------- pictures

def read_bmp(path):
    """The pixels (rows, columns, RGB) of a plain 24-bit BI_RGB bitmap, or
    None after reporting why the file is not one."""
    with open(path, "rb") as f:
        head = f.read(54)
    if len(head) < 54 or head[:2] != b"BM":
        problem(f"{path}: not a BMP")
        return None
    offset, hsize, _, _, planes, bpp, comp = struct.unpack_from("<IIiiHHI", head, 10)
    colours, = struct.unpack_from("<I", head, 46)
    if (hsize, planes, bpp, comp, colours, offset) != (40, 1, 24, 0, 0, 54):
        problem(f"{path}: header {hsize} bytes, {bpp} bpp, compression {comp}, "
                f"{colours} colours, pixels at {offset}: want a plain 24-bit BI_RGB bitmap")
        return None
    try:
        return np.asarray(Image.open(path).convert("RGB"))
    except OSError as why:
        problem(f"{path}: {why}")
        return None


def check_picture(path, px, kind, s):
    """The promises of a picture of this kind, at scale s (1 or 2)."""
    def all_are(pixels, colour):
        return bool((pixels == colour).all())

    edge = np.concatenate([px[0], px[-1], px[:, 0], px[:, -1]])
    if kind in ("card", "dance") and not all_are(edge, LIGHT_BLUE):
        problem(f"{path}: edge is not all light blue")
    if kind == "life" and not all_are(edge, NAVY):
        problem(f"{path}: edge is not all navy")
    if kind == "button" and not all_are(px[[0, 0, -1, -1], [0, -1, 0, -1]], NAVY):
        problem(f"{path}: a corner is not navy")
    if kind == "background":
        x, y, w, h = (n * s for n in BOARD)
        if not all_are(px[y:y + h, x:x + w], LIGHT_BLUE):
            problem(f"{path}: the board is not all light blue")
    if kind == "keyboard":
        on_key = np.zeros(px.shape[:2], bool)
        for x, y in KEYS:
            on_key[y * s:(y + KEY_SIZE[1]) * s, x * s:(x + KEY_SIZE[0]) * s] = True
        wrong = np.argwhere(on_key == (px == LIGHT_BLUE).all(axis=-1))
        if len(wrong):
            y, x = wrong[0]
            problem(f"{path}: pixel ({x},{y}) breaks the key layout")


def check_pictures(assets, catalogue):
    for pid, (w, h, kind) in sorted(catalogue.items()):
        plain = None
        for s, name in ((1, f"{pid}.bmp"), (2, f"{pid}@2x.bmp")):
            path = os.path.join(assets, "pictures", name)
            if not os.path.exists(path):
                problem(f"{path}: missing")
                continue
            px = read_bmp(path)
            if px is None:
                continue
            if px.shape[:2] != (h * s, w * s):
                problem(f"{path}: {px.shape[1]}x{px.shape[0]}, want {w * s}x{h * s}")
                continue
            check_picture(path, px, kind, s)
            if s == 1:
                plain = px.astype(float)
            elif plain is not None:
                shrunk = px.reshape(h, 2, w, 2, 3).mean(axis=(1, 3))
                diff = np.abs(shrunk - plain).mean()
                if diff > MAX_TWIN_DIFFERENCE:
                    problem(f"{path}: differs from {pid}.bmp by {diff:.1f} on average, "
                            f"want at most {MAX_TWIN_DIFFERENCE}")
                doubled = plain.repeat(2, axis=0).repeat(2, axis=1)
                if np.abs(px - doubled).mean() < MIN_TWIN_DETAIL:
                    problem(f"{path}: only {pid}.bmp blown up, not drawn at twice the size")


# ------------------------------------------------------------------- sounds

def read_wav(path):
    """((tag, channels, rate, align, bits), {chunk id: bytes}) or None."""
    with open(path, "rb") as f:
        d = f.read()
    if d[:4] != b"RIFF" or d[8:12] != b"WAVE":
        problem(f"{path}: not a RIFF WAVE file")
        return None
    if struct.unpack_from("<I", d, 4)[0] + 8 != len(d):
        problem(f"{path}: RIFF size disagrees with the file's {len(d)} bytes")
    chunks = {}
    i = 12
    while i + 8 <= len(d):
        size, = struct.unpack_from("<I", d, i + 4)
        chunks[d[i:i + 4]] = d[i + 8:i + 8 + size]
        i += 8 + size + (size & 1)
    if b"fmt " not in chunks or b"data" not in chunks:
        problem(f"{path}: no fmt or data chunk")
        return None
    tag, ch, rate, _, align, bits = struct.unpack_from("<HHIIHH", chunks[b"fmt "])
    return (tag, ch, rate, align, bits), chunks


def adpcm_samples(path):
    """The first channel of an ADPCM sound, decoded by ffmpeg, in the steps of 8-bit PCM."""
    run = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-"],
                         capture_output=True)
    if run.returncode:
        problem(f"{path}: not decoded (is ffmpeg installed?): {run.stderr.decode().strip()}")
        return None
    return np.frombuffer(run.stdout, "<i2")[::2].astype(int) // 256


def check_sound(path, fmt, rate, lo, hi):
    """The sound's length in frames, after checking it."""
    w = read_wav(path)
    if w is None:
        return None
    got, chunks = w
    data = chunks[b"data"]
    lo, hi = math.floor(lo * rate), math.ceil(hi * rate)
    if fmt == "adpcm":
        if got != (2, 2, rate, 1024, 4):
            problem(f"{path}: tag, channels, rate, align, bits are {got}: "
                    f"want MS ADPCM stereo {rate} Hz, 1024-byte blocks, 4 bit")
        fact = chunks.get(b"fact", b"")
        n = struct.unpack_from("<I", fact)[0] if len(fact) >= 4 else 0
        # A 1024-byte stereo block: a 14-byte header with 2 frames, then 1010.
        if len(data) != 1024 * math.ceil(n / 1012):
            problem(f"{path}: {len(data)} bytes of data for {n} frames, "
                    "want just the 1024-byte blocks they fill")
        samples = adpcm_samples(path)
    else:
        if got != (1, 1, rate, 1, 8):
            problem(f"{path}: tag, channels, rate, align, bits are {got}: "
                    f"want PCM mono {rate} Hz 8 bit")
            return None
        n = len(data)
        samples = np.frombuffer(data, np.uint8).astype(int) - 128
    # The click is as easily spoilt as the letters: its peaks and ends are checked alike.
    if samples is not None and len(samples):
        peak = np.abs(samples).max()
        if peak >= 127:
            problem(f"{path}: clipped (peak {peak})")
        edge = max(abs(samples[0]), abs(samples[-1]))
        if edge > 10:
            problem(f"{path}: starts or ends {edge} steps away from silence (click)")
    if not lo <= n <= hi:
        problem(f"{path}: {n} frames ({n / rate:.3f} s), want {lo}..{hi}")
    return n


def check_loudness(paths, letters):
    """Every sound within LOUDNESS_SPREAD of the median of the letters."""
    tool = os.path.join(os.path.dirname(os.path.abspath(__file__)), "loudness.sh")
    try:
        run = subprocess.run([tool, *paths], capture_output=True, text=True)
    except OSError as why:
        problem(f"{tool}: {why}")
        return
    if run.returncode:
        problem(f"loudness not measured (is ffmpeg installed?): {run.stderr.strip()}")
        return
    lufs = {path: float(value) for value, path in
            (line.split("\t", 1) for line in run.stdout.splitlines())}
    middle = statistics.median(lufs[p] for p in letters)
    if middle < QUIETEST:
        problem(f"the letters are too quiet: {middle:.1f} LUFS, want at least {QUIETEST}")
    for path, value in lufs.items():
        if abs(value - middle) > LOUDNESS_SPREAD:
            problem(f"{path}: {value:.1f} LUFS, {value - middle:+.1f} LU from the letters' "
                    f"{middle:.1f}, want within {LOUDNESS_SPREAD}")
    print(f"loudness (LUFS): letters {min(lufs[p] for p in letters):.1f} to "
          f"{max(lufs[p] for p in letters):.1f}, others "
          + " ".join(f"{os.path.basename(p)[:-4]}={v:.1f}"
                     for p, v in lufs.items() if p not in letters))


# -------------------------------------------------------------------- icons

def check_png(path, size=None, rgb_only=False):
    try:
        im = Image.open(path)
    except OSError:
        problem(f"{path}: missing or not an image")
        return
    if im.format != "PNG" or im.mode not in ("RGB", "RGBA"):
        problem(f"{path}: {im.format} {im.mode}, want an 8-bit RGB or RGBA PNG")
    if size and im.size != (size, size):
        problem(f"{path}: {im.size[0]}x{im.size[1]}, want {size}x{size}")
    # The 32 px one is read where alpha is not understood: plain RGB.
    if rgb_only and im.mode != "RGB":
        problem(f"{path}: {im.mode}, want RGB without alpha")


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    assets = sys.argv[1]
    pictures, sounds, icons = read_catalogue(assets)
    check_pictures(assets, pictures)
    letters, lengths, present = [], [], []
    for sid, (role, fmt, rate, lo, hi) in sorted(sounds.items()):
        path = os.path.join(assets, "sounds", f"{sid}.wav")
        n = check_sound(path, fmt, rate, lo, hi)
        if n:
            present.append(path)
        if role == "letter" and n:
            letters.append(path)
            lengths.append(f"{sid}={n / rate:.3f}")
    if letters:
        check_loudness(present, letters)
    for n in icons:
        check_png(os.path.join(assets, "icon", f"shijianbao-{n}.png"), n, n == 32)
    # A file the catalogue does not list is never embedded: probably forgotten.
    listed = ({f"pictures/{i}{s}.bmp" for i in pictures for s in ("", "@2x")}
              | {f"sounds/{i}.wav" for i in sounds}
              | {f"icon/shijianbao-{n}.png" for n in icons})
    for folder in ("pictures", "sounds", "icon"):
        for name in sorted(os.listdir(os.path.join(assets, folder))):
            if f"{folder}/{name}" not in listed:
                problem(f"{assets}/{folder}/{name}: not in catalogue.txt")
    if len(sys.argv) == 3:
        check_png(sys.argv[2])
    print("letter names (s): " + " ".join(lengths))
    if problems:
        print(f"{len(problems)} problem(s) in the assets")
        sys.exit(1)
    print("all assets check out")


if __name__ == "__main__":
    main()
