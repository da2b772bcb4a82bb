# The asset checker against the committed set with two letters spoilt as a careless edit of a
# sound would: K 3 dB louder, still under full scale, and A 6 dB louder, clipped at the 8-bit
# range. It must name exactly those two, each for what is wrong with it.
import re, shutil, subprocess, sys, tempfile, wave  # noqa: E401
import numpy as np


def louder(path, db):
    with wave.open(path, "rb") as w:
        params, frames = w.getparams(), w.readframes(w.getnframes())
    samples = np.frombuffer(frames, np.uint8) - 128.0
    spoilt = np.clip(np.round(samples * 10 ** (db / 20)), -128, 127) + 128
    with wave.open(path, "wb") as w:
        w.setparams(params)
        w.writeframes(spoilt.astype(np.uint8).tobytes())


def main(checker, assets):
    with tempfile.TemporaryDirectory() as work:
        copy = shutil.copytree(assets, f"{work}/assets")
        louder(f"{copy}/sounds/218.wav", 3)  # K, key index 17: its peak is 69 of 127
        louder(f"{copy}/sounds/211.wav", 6)  # A, key index 10
        run = subprocess.run([sys.executable, checker, copy], capture_output=True, text=True)
    bad = re.findall(r"^BAD: .*/sounds/(\d+)\.wav: (clipped|.* ([-+.\d]+) LU from)", run.stdout,
                     re.M)
    assert run.returncode == 1 and run.stdout.count("BAD:") == len(bad), run.stdout
    clipped = {n for n, what, _ in bad if what == "clipped"}
    loud = {n: float(lu) for n, what, lu in bad if lu}
    # The letters measure -16 LUFS within 0.2 LU, so K stands 3 LU above their median.
    assert clipped == {"211"} and loud.keys() == {"211", "218"}, run.stdout
    assert abs(loud["218"] - 3) < 0.2 and abs(loud["211"] - 6) < 0.5, loud


if __name__ == "__main__":
    main(*sys.argv[1:])
