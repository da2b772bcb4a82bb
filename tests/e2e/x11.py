"""Drives the real program on a real X server, from outside, as a person would."""
import os
import shutil
import subprocess
import tempfile
import time


# How AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer reports begin.
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:")


class Skip(Exception):
    pass


def display():
    d = os.environ.get("SJB_TEST_DISPLAY") or os.environ.get("DISPLAY")
    if not d:
        raise Skip("no X display (scripts/test.sh starts one)")
    return d


def wait_for(what, probe, timeout=20.0, every=0.05):
    """Polls probe() until it returns something true; fails after timeout seconds."""
    end = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(every)


class Program:
    """The game, started from a fresh copy of its folder so no score file leaks between
    tests."""

    def __init__(self, binary, extra_env=None):
        self.folder = tempfile.mkdtemp(prefix="shijianbao-e2e-")
        self.binary = os.path.join(self.folder, "shijianbao")
        shutil.copy2(binary, self.binary)
        self.env = dict(os.environ, DISPLAY=display(), SDL_AUDIODRIVER="dummy")
        self.env.pop("QT_QPA_PLATFORM", None)
        self.env.update(extra_env or {})
        self.started = time.monotonic()
        # stderr goes to a file: a pipe nobody reads could fill up with a long sanitizer
        # report and stall the program on its way out.
        self.stderr_path = os.path.join(self.folder, "stderr.txt")
        with open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen([self.binary], env=self.env, cwd=self.folder,
                                         stdout=subprocess.DEVNULL, stderr=err)

    def stderr(self):
        """What the program has written to stderr so far."""
        with open(self.stderr_path, "rb") as err:
            return err.read().decode(errors="replace")

    def xdotool(self, *args):
        r = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True)
        return r.stdout.strip() if r.returncode == 0 else ""

    def window(self, title, timeout=20.0):
        def find():
            ids = self.xdotool("search", "--onlyvisible", "--name", f"^{title}$").split()
            return ids[-1] if ids else None
        return wait_for(f"window {title!r}", find, timeout)

    def close_box(self, window):
        """What the close box in the title bar does: asks the window to close
        (WM_DELETE_WINDOW). xdotool's windowclose would destroy the window instead."""
        from Xlib import X, display as xdisplay, protocol
        d = xdisplay.Display(self.env["DISPLAY"])
        try:
            w = d.create_resource_object("window", int(window))
            event = protocol.event.ClientMessage(
                window=w, client_type=d.intern_atom("WM_PROTOCOLS"),
                data=(32, [d.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
            w.send_event(event, event_mask=X.NoEventMask)
            # A round trip, not just a flush: closing the connection straight after a flush
            # now and then lost the message, and the program never saw its close box clicked.
            d.sync()
        finally:
            d.close()

    def geometry(self, window):
        out = self.xdotool("getwindowgeometry", "--shell", window)
        values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def screenshot(self):
        """The whole screen as (width, height, rgb bytes)."""
        ppm = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"],
                             env=self.env, capture_output=True, check=True).stdout
        parts = ppm.split(maxsplit=4)
        assert parts[0] == b"P6"
        return int(parts[1]), int(parts[2]), parts[4]

    @staticmethod
    def pixel(shot, x, y):
        w, _, data = shot
        i = 3 * (y * w + x)
        return tuple(data[i:i + 3])

    def close(self):
        """Stops the program if it still runs, and fails the test if a sanitizer reported
        anything (in a -DSHIJIANBAO_SANITIZE=ON build), however the test itself went."""
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        err = self.stderr()
        shutil.rmtree(self.folder, ignore_errors=True)
        if any(mark in err for mark in SANITIZER_MARKS):
            raise AssertionError(f"sanitizer report (exit code {self.proc.returncode}):\n{err}")
