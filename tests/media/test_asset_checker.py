# The asset checker on a copy of the committed set with two letters spoilt as a careless edit of
# a sound would: K 3 dB louder, still under full scale, and A 6 dB louder, clipped at the 8-bit
# range. It must name those two, each for what is wrong with it, and nothing else.
import re, shutil, subprocess, sys, tempfile, wave  # noqa: E401
import numpy as np


def louder(path, db):
    with wave.open(path, "rb") as w:
        params, frames = w.getparams(), w.readframes(w.getnframes())
    gained = (np.frombuffer(frames, np.uint8) - 128.0) * 10 ** (db / 20)
    with wave.open(path, "wb") as w:
        w.setparams(params)
        w.writeframes((np.clip(np.round(gained), -128, 127) + 128).astype(np.uint8).tobytes())


checker, assets = sys.argv[1:]
with tempfile.TemporaryDirectory() as work:
    copy = shutil.copytree(assets, f"{work}/assets")
    louder(f"{copy}/sounds/218.wav", 3)  # K, key index 17: its peak is 69 of 127
    louder(f"{copy}/sounds/211.wav", 6)  # A, key index 10
    out = subprocess.run([sys.executable, checker, copy], capture_output=True, text=True).stdout
# Every letter is -16 LUFS within 0.2 LU, so a letter n dB louder is n LU above their median.
bad = re.findall(r"^BAD: .*/(\d+)\.wav: (clipped|.* ([-+.\d]+) LU from)", out, re.M)
assert out.count("BAD:") == 3 and sorted((n, round(float(lu or 0))) for n, _, lu in bad) == [
    ("211", 0), ("211", 6), ("218", 3)] and ("211", "clipped", "") in bad, out
