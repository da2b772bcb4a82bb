"""What the program played, as SDL's "disk" audio driver records it: 16-bit stereo at the
rate the player asks for (44100 Hz), written in real time from the moment the device opens.

Positions are frames of the recording. While the program runs, the file's length is the
recorder's clock: the tests note it at the moments they click or see something, and find
the sounds near those positions afterwards. The file is written through a stdio buffer, so
its length lags what has been played by a few tens of milliseconds at most.

Sounds are recognised by their waveform: the catalogue's PCM sounds, brought to 22050 Hz,
are matched against the recording (left channel, also at 22050 Hz) by normalised
cross-correlation, which is close to 1 where the sound plays unchanged."""
import os
import warnings
import wave

with warnings.catch_warnings():
    warnings.simplefilter("ignore", DeprecationWarning)  # Debian 12's Python still has it
    import audioop

RATE = 44100  # what the player asks for; the disk driver grants it
FRAME_BYTES = 4  # 16-bit stereo
WORK_RATE = 22050  # the rate of the letter sounds; comparisons are made at this rate
SOUNDS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "assets",
                      "sounds")
SILENT = 50  # RMS of 16-bit samples below which nothing is heard


def ms(frames):
    return frames * 1000.0 / RATE


def frames(milliseconds):
    return int(milliseconds * RATE / 1000)


class Recorder:
    def __init__(self, path):
        self.path = path

    def position(self):
        try:
            return os.path.getsize(self.path) // FRAME_BYTES
        except FileNotFoundError:
            return 0

    def recording(self):
        with open(self.path, "rb") as f:
            return Recording(f.read())


def reference(sound_id):
    """A PCM sound of the catalogue as signed 16-bit mono at WORK_RATE."""
    with wave.open(os.path.join(SOUNDS, f"{sound_id}.wav"), "rb") as w:
        assert w.getnchannels() == 1 and w.getsampwidth() == 1, sound_id
        rate = w.getframerate()
        data = w.readframes(w.getnframes())
    data = audioop.lin2lin(audioop.bias(data, 1, -128), 1, 2)
    if rate != WORK_RATE:
        data, _ = audioop.ratecv(data, 2, 1, rate, WORK_RATE, None)
    return data


class Recording:
    def __init__(self, raw):
        left = audioop.tomono(raw[:len(raw) // FRAME_BYTES * FRAME_BYTES], 2, 1, 0)
        self.samples, _ = audioop.ratecv(left, 2, 1, RATE, WORK_RATE, None)
        self.length = len(self.samples) // 2 * (RATE // WORK_RATE)

    def _work(self, frame):
        return max(0, frame * WORK_RATE // RATE)

    def _frame(self, work):
        return work * RATE // WORK_RATE

    def rms(self, start, length):
        a = self._work(start)
        return audioop.rms(self.samples[2 * a:2 * (a + self._work(length))], 2)

    def onset(self, start, end, step=frames(2)):
        """The first frame from start on where something is heard, or None."""
        for f in range(start, min(end, self.length - step), step):
            if self.rms(f, step) > SILENT:
                return f
        return None

    def find(self, sound_id, earliest, latest, part=(0.0, 1.0)):
        """Where the sound begins, searched between the two frames: (frame, correlation
        over the given fraction of the sound, by default its whole length)."""
        ref = reference(sound_id)
        n = len(ref) // 2
        ref = ref[2 * int(n * part[0]):2 * int(n * part[1])]
        a, b = self._work(max(0, earliest)), self._work(latest)
        stretch = self.samples[2 * a:2 * b + len(ref)]
        assert len(stretch) >= len(ref), f"the recording ends before sound {sound_id} could"
        offset, _ = audioop.findfit(stretch, ref)
        at = self._frame(a + offset) - int(self.duration(sound_id) * part[0])
        return at, self.correlation(sound_id, at, part)

    def place_in(self, sound_id, start, end, within):
        """Which part of the sound the recording holds from frame start to end: searched
        among the sound's first `within` frames; (frames into the sound, correlation)."""
        a, b = self._work(start), self._work(end)
        got = self.samples[2 * a:2 * b]
        # The stretch may begin a little before the sound: its start is known only to the
        # step of the onset search. So the sound may be placed after some silence too.
        lead = self._work(frames(5))
        ref = bytes(2 * lead) + reference(sound_id)[:2 * (self._work(within) + b - a)]
        offset, _ = audioop.findfit(ref, got)
        want = ref[2 * offset:2 * offset + len(got)]
        into = self._frame(offset - lead)
        if audioop.rms(got, 2) == 0 or audioop.rms(want, 2) == 0:
            return into, 0.0
        match = audioop.findfactor(got, want) * audioop.rms(want, 2) / audioop.rms(got, 2)
        return into, match

    def correlation(self, sound_id, at, part=(0.0, 1.0)):
        """How well the recording from frame `at` on matches the sound, over the given
        fraction of the sound (1 for the same waveform at any volume)."""
        ref = reference(sound_id)
        n = len(ref) // 2
        i, j = int(n * part[0]), int(n * part[1])
        a = self._work(at)
        got = self.samples[2 * (a + i):2 * (a + j)]
        want = ref[2 * i:2 * j]
        if len(got) != len(want) or audioop.rms(got, 2) == 0 or audioop.rms(want, 2) == 0:
            return 0.0
        return audioop.findfactor(got, want) * audioop.rms(want, 2) / audioop.rms(got, 2)

    @staticmethod
    def duration(sound_id):
        return frames(len(reference(sound_id)) // 2 * 1000 / WORK_RATE)
