#!/usr/bin/env python3
"""Checks the finished media against what the game assumes about it.

The game embeds these files as they are and reads them with its own small
BMP/WAV readers, lays pictures edge to edge on exactly coloured grounds and
steps letter names every 700 ms, so any drift in size, format, length or
ground colour is a visible or audible bug. Usage:

    check-assets.py ASSETS_DIR [CONTACT_SHEET.png]

Prints one line per problem and exits 1 if there is any.
"""
import os
import struct
import sys

LIGHT_BLUE = (63, 187, 239)
NAVY = (0, 0, 128)

problems = []


def problem(msg):
    problems.append(msg)
    print("BAD:", msg)


# --------------------------------------------------------------------- BMP

def read_bmp(path):
    """Returns (width, height, pixel(x, y)) for a 24-bit BI_RGB bitmap, or
    None after reporting why the file is not one."""
    with open(path, "rb") as f:
        d = f.read()
    if d[:2] != b"BM" or len(d) < 54:
        problem(f"{path}: not a BMP")
        return None
    offset, = struct.unpack_from("<I", d, 10)
    hsize, w, h, planes, bpp, comp, _, _, _, ncolours = struct.unpack_from(
        "<IiiHHIIiiI", d, 14)
    if hsize != 40:
        problem(f"{path}: info header is {hsize} bytes, not 40")
    if bpp != 24 or comp != 0 or planes != 1:
        problem(f"{path}: {bpp} bpp, compression {comp}: want 24 bpp BI_RGB")
        return None
    if ncolours != 0 or offset != 54:
        problem(f"{path}: has a palette or gap (pixels at {offset})")
    bottom_up = h > 0
    h = abs(h)
    stride = (w * 3 + 3) & ~3
    if len(d) < offset + stride * h:
        problem(f"{path}: truncated pixel data")
        return None

    def pixel(x, y):
        row = h - 1 - y if bottom_up else y
        i = offset + row * stride + x * 3
        b, g, r = d[i], d[i + 1], d[i + 2]
        return (r, g, b)

    return w, h, pixel


PICTURE_SIZES = {i: (90, 90) for i in range(101, 127)}
PICTURE_SIZES.update({200: (450, 450), 201: (400, 132), 202: (16, 16),
                      301: (182, 174), 302: (182, 174), 303: (182, 174),
                      901: (50, 35), 902: (50, 35)})


def key_rects():
    rects = [(40 * n, 1) for n in range(10)]
    rects += [(20 + 40 * n, 49) for n in range(9)]
    rects += [(40 + 40 * n, 97) for n in range(7)]
    return rects


def check_pictures(assets):
    for pid, (ew, eh) in sorted(PICTURE_SIZES.items()):
        path = os.path.join(assets, "pictures", f"{pid}.bmp")
        if not os.path.exists(path):
            problem(f"{path}: missing")
            continue
        bmp = read_bmp(path)
        if bmp is None:
            continue
        w, h, px = bmp
        if (w, h) != (ew, eh):
            problem(f"{path}: {w}x{h}, want {ew}x{eh}")
            continue

        def edge_is(colour):
            for x in range(w):
                for y in (0, h - 1):
                    if px(x, y) != colour:
                        return (x, y)
            for y in range(h):
                for x in (0, w - 1):
                    if px(x, y) != colour:
                        return (x, y)
            return None

        if 101 <= pid <= 126 or pid in (301, 302, 303):
            bad = edge_is(LIGHT_BLUE)
            if bad:
                problem(f"{path}: edge pixel {bad} is {px(*bad)}, not light blue")
        if pid == 202:
            bad = edge_is(NAVY)
            if bad:
                problem(f"{path}: edge pixel {bad} is not navy")
        if pid in (901, 902):
            for c in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
                if px(*c) != NAVY:
                    problem(f"{path}: corner {c} is not navy")
        if pid == 200:
            for y in range(199, 427):
                bad = [x for x in range(25, 426) if px(x, y) != LIGHT_BLUE]
                if bad:
                    problem(f"{path}: board pixel ({bad[0]},{y}) is not light blue")
                    break
        if pid == 201:
            inside = set()
            for kx, ky in key_rects():
                for y in range(ky, ky + 28):
                    for x in range(kx, kx + 40):
                        inside.add((x, y))
            for y in range(h):
                for x in range(w):
                    if ((x, y) in inside) == (px(x, y) == LIGHT_BLUE):
                        problem(f"{path}: pixel ({x},{y}) breaks the key layout")
                        break
                else:
                    continue
                break


# --------------------------------------------------------------------- WAV

def read_wav(path):
    with open(path, "rb") as f:
        d = f.read()
    if d[:4] != b"RIFF" or d[8:12] != b"WAVE":
        problem(f"{path}: not a RIFF WAVE file")
        return None
    riff_size, = struct.unpack_from("<I", d, 4)
    if riff_size + 8 != len(d):
        problem(f"{path}: RIFF size {riff_size + 8} but file is {len(d)} bytes")
    chunks = {}
    i = 12
    while i + 8 <= len(d):
        cid = d[i:i + 4]
        size, = struct.unpack_from("<I", d, i + 4)
        chunks[cid] = d[i + 8:i + 8 + size]
        i += 8 + size + (size & 1)
    if b"fmt " not in chunks or b"data" not in chunks:
        problem(f"{path}: no fmt or data chunk")
        return None
    fmt = struct.unpack_from("<HHIIHH", chunks[b"fmt "])
    return fmt, chunks


def check_pcm8(path, rate, lo, hi):
    """8-bit unsigned mono PCM of lo..hi samples, normalised, unclipped, and
    starting and ending near silence (no click)."""
    w = read_wav(path)
    if w is None:
        return None
    (tag, ch, sr, _, align, bits), chunks = w
    if (tag, ch, sr, align, bits) != (1, 1, rate, 1, 8):
        problem(f"{path}: format tag {tag}, {ch} ch, {sr} Hz, {bits} bit: "
                f"want PCM mono {rate} Hz 8 bit")
        return None
    data = chunks[b"data"]
    n = len(data)
    if not lo <= n <= hi:
        problem(f"{path}: {n} samples ({n / rate:.3f} s), want {lo}..{hi}")
    peak = max(abs(s - 128) for s in data)
    if peak >= 127:
        problem(f"{path}: clipped (peak {peak})")
    if peak < 90:
        problem(f"{path}: too quiet (peak {peak}/127), not normalised")
    edge = max(abs(data[0] - 128), abs(data[-1] - 128))
    if edge > 10:
        problem(f"{path}: starts or ends {edge} steps away from silence (click)")
    return n


def check_sounds(assets):
    sounds = os.path.join(assets, "sounds")
    p = lambda i: os.path.join(sounds, f"{i}.wav")
    lengths = []
    for i in range(201, 227):
        # Letter names are stepped every 700 ms: 0.30..0.69 s.
        n = check_pcm8(p(i), 22050, int(0.30 * 22050), int(0.69 * 22050))
        lengths.append(n)
    check_pcm8(p(102), 22050, 44100, 44100)
    check_pcm8(p(104), 22050, 9922, 9923)
    check_pcm8(p(105), 11025, 19404, 19404)
    check_pcm8(p(123), 22050, int(1.0 * 22050), int(1.5 * 22050))
    check_pcm8(p(124), 22050, int(0.6 * 22050), int(1.0 * 22050))

    w = read_wav(p(103))
    if w:
        (tag, ch, sr, _, align, bits), chunks = w
        if (tag, ch, sr, align, bits) != (2, 2, 22050, 1024, 4):
            problem(f"{p(103)}: tag {tag}, {ch} ch, {sr} Hz, align {align}, "
                    f"{bits} bit: want MS ADPCM stereo 22050 Hz, align 1024, 4 bit")
        fact = chunks.get(b"fact")
        frames = struct.unpack_from("<I", fact)[0] if fact else None
        if frames is None or not 1100 <= frames <= 1105:
            problem(f"{p(103)}: fact says {frames} samples, want about 1102 (0.05 s)")
        if len(chunks[b"data"]) % 1024:
            problem(f"{p(103)}: data is not whole 1024-byte blocks")
    return lengths


# --------------------------------------------------------------------- PNG

def png_header(path):
    with open(path, "rb") as f:
        d = f.read(33)
    if d[:8] != b"\x89PNG\r\n\x1a\n" or d[12:16] != b"IHDR":
        problem(f"{path}: not a PNG")
        return None
    w, h, depth, ctype = struct.unpack_from(">IIBB", d, 16)
    return w, h, depth, ctype


def check_icons(assets):
    for n in (16, 32, 48, 64, 128, 256):
        path = os.path.join(assets, "icon", f"shijianbao-{n}.png")
        if not os.path.exists(path):
            problem(f"{path}: missing")
            continue
        hdr = png_header(path)
        if hdr is None:
            continue
        w, h, depth, ctype = hdr
        if (w, h) != (n, n) or depth != 8:
            problem(f"{path}: {w}x{h} {depth}-bit, want {n}x{n} 8-bit")
        # The 32 px one is read where alpha is not understood: plain RGB.
        if n == 32 and ctype != 2:
            problem(f"{path}: PNG colour type {ctype}, want 2 (RGB, no alpha)")
        if ctype not in (2, 6):
            problem(f"{path}: PNG colour type {ctype}, want RGB or RGBA")


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    assets = sys.argv[1]
    check_pictures(assets)
    lengths = check_sounds(assets)
    check_icons(assets)
    if len(sys.argv) == 3 and (not os.path.exists(sys.argv[2])
                               or png_header(sys.argv[2]) is None):
        problem(f"{sys.argv[2]}: contact sheet missing")
    names = "QWERTYUIOPASDFGHJKLZXCVBNM"
    print("letter names (s): " + " ".join(
        f"{c}={n / 22050:.3f}" for c, n in zip(names, lengths) if n))
    if problems:
        print(f"{len(problems)} problem(s) in the assets")
        sys.exit(1)
    print("all assets check out")


if __name__ == "__main__":
    main()
