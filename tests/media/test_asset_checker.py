# The asset checker on a copy of the committed set with two letters spoilt as a careless edit of
# a sound would: K 3 dB louder, still under full scale, and A 6 dB louder, clipped at the 8-bit
# range. It must name those two, each for what is wrong with it, and nothing else.
import re, shutil, subprocess, sys, tempfile, wave  # noqa: E401


def louder(path, db):
    with wave.open(path, "rb") as w:
        params, frames = w.getparams(), w.readframes(w.getnframes())
    gain = 10 ** (db / 20)
    with wave.open(path, "wb") as w:
        w.setparams(params)
        w.writeframes(bytes(min(255, max(0, 128 + round((b - 128) * gain))) for b in frames))


with tempfile.TemporaryDirectory() as work:
    copy = shutil.copytree(sys.argv[2], f"{work}/assets")
    louder(f"{copy}/sounds/218.wav", 3)  # K, key index 17: its peak is 69 of 127
    louder(f"{copy}/sounds/211.wav", 6)  # A, key index 10
    out = subprocess.run([sys.executable, sys.argv[1], copy], capture_output=True, text=True).stdout
# Every letter is -16 LUFS within 0.2 LU, so a letter n dB louder is n LU above their median;
# 0 stands for clipped.
bad = sorted((n, round(float(lu or 0))) for n, _, lu in re.findall(
    r"^BAD: .*/(\d+)\.wav: (clipped|.* ([-+.\d]+) LU from)", out, re.M))
assert out.count("BAD:") == 3 and bad == [("211", 0), ("211", 6), ("218", 3)], out
