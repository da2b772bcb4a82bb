"""Measures the game from outside on an X server: how soon its window is up, how much memory
it holds, how much CPU it burns while nobody plays, and how soon a click on the right key is
outlined. Prints the median of several runs next to the targets. Not a test: nothing here
fails on a slow figure. Run through bench/run.sh, which builds the program and starts Xvfb.

Usage: bench.py BINARY [RUNS]   (DISPLAY must name the X server)"""
import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

from Xlib import X, display as xdisplay, protocol
from Xlib.ext import xtest

HERE = os.path.dirname(os.path.abspath(__file__))
PICTURES = os.path.join(HERE, "..", "assets", "pictures")

TITLE = "识键宝"
WINDOW_SIZE = (551, 451)
BOARD = (25, 235, 400, 132)  # the keyboard picture in the window
START_BUTTON = (496, 192)
CARD_0 = (50, 225, 90, 90)  # where the first letter's card shows
ROW_TOPS, ROW_OFFSETS, ROW_BASES = (1, 49, 97), (0, 20, 40), (0, 10, 19)
KEY_SIZE = (40, 28)
YELLOW = (255, 255, 0)
IDLE_SECONDS = 10.0

UNITS = {
    "window mapped": "ms",
    "keyboard painted": "ms",
    "RSS after start-up": "MB",
    "CPU while idle": "ms",
    "CPU while idle (scheduler)": "ms",
    "RSS after a round": "MB",
    "click to outline": "ms",
}
TARGETS = {  # at most; the idle CPU time is over IDLE_SECONDS, in clock ticks of 10 ms
    "window mapped": 150,
    "RSS after start-up": 40,
    "RSS after a round": 40,
    "CPU while idle": 0,
    "click to outline": 16.7,
}


def load_bmp(path):
    """A 24-bit BMP as an X server sends a 24-bit ZPixmap: blue, green, red, pad."""
    with open(path, "rb") as f:
        raw = f.read()
    offset = struct.unpack_from("<I", raw, 10)[0]
    width, height = struct.unpack_from("<ii", raw, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for j in range(abs(height)):
        src = j if height < 0 else abs(height) - 1 - j
        row = raw[offset + src * stride:offset + src * stride + width * 3]
        out = bytearray(width * 4)
        out[0::4], out[1::4], out[2::4] = row[0::3], row[1::3], row[2::3]
        rows.append(bytes(out))
    return b"".join(rows)


def key_rect(key):
    row = 0 if key < 10 else 1 if key < 19 else 2
    col = key - ROW_BASES[row]
    return ROW_OFFSETS[row] + 40 * col, ROW_TOPS[row], KEY_SIZE[0], KEY_SIZE[1]


def cpu_ms(pid):
    """User and system time of the whole process so far, in milliseconds."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])  # utime, stime
    return 1000.0 * ticks / os.sysconf("SC_CLK_TCK")


def cpu_ns_threads(pid):
    """Time on the CPU of each thread by name, from the scheduler, to the nanosecond."""
    times = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/comm") as f:
                name = f.read().strip()
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                times[name] = times.get(name, 0) + int(f.read().split()[0])
        except FileNotFoundError:
            pass
    return times


def rss_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    raise RuntimeError("no VmRSS")


class Screen:
    def __init__(self):
        self.d = xdisplay.Display()
        self.root = self.d.screen().root
        self.utf8 = self.d.intern_atom("UTF8_STRING")
        self.net_wm_name = self.d.intern_atom("_NET_WM_NAME")

    def grab(self, x, y, w, h):
        data = bytearray(self.root.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF).data)
        data[3::4] = bytes(len(data) // 4)  # the pad byte is undefined
        return bytes(data)

    def title(self, window):
        try:
            prop = window.get_full_property(self.net_wm_name, self.utf8)
        except Exception:
            return None
        return prop.value.decode(errors="replace") if prop else None

    def click(self, x, y):
        """Pointer there, then a button press and release through XTest. Returns the
        monotonic time just before the press was sent."""
        xtest.fake_input(self.d, X.MotionNotify, x=x, y=y)
        self.d.sync()
        pressed = time.monotonic()
        xtest.fake_input(self.d, X.ButtonPress, 1)
        self.d.flush()
        xtest.fake_input(self.d, X.ButtonRelease, 1)
        self.d.sync()
        return pressed

    def close_box(self, window):
        event = protocol.event.ClientMessage(
            window=window, client_type=self.d.intern_atom("WM_PROTOCOLS"),
            data=(32, [self.d.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
        window.send_event(event, event_mask=X.NoEventMask)
        self.d.sync()


def poll(what, probe, timeout=30.0):
    end = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > end:
            raise RuntimeError(f"timed out waiting for {what}")


def one_run(binary, screen, keyboard, cards, idle_threads):
    figures = {}
    folder = tempfile.mkdtemp(prefix="shijianbao-bench-")
    copy = os.path.join(folder, "shijianbao")
    shutil.copy2(binary, copy)
    env = dict(os.environ, SDL_AUDIODRIVER=os.environ.get("SDL_AUDIODRIVER", "dummy"))
    env.pop("QT_QPA_PLATFORM", None)

    # Start-up: from just before the process is made to the server's MapNotify of the game
    # window, taken from our own event stream, so no polling interval is in the figure.
    screen.root.change_attributes(event_mask=X.SubstructureNotifyMask)
    screen.d.sync()
    while screen.d.pending_events():
        screen.d.next_event()
    started = time.monotonic()
    proc = subprocess.Popen([copy], env=env, cwd=folder,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = started + 30
        window = None
        while window is None:
            if time.monotonic() > deadline:
                raise RuntimeError("the game window never mapped")
            event = screen.d.next_event()
            if event.type == X.MapNotify and screen.title(event.window) == TITLE:
                window = event.window
                figures["window mapped"] = 1000 * (time.monotonic() - started)
        screen.root.change_attributes(event_mask=X.NoEventMask)
        geometry = window.get_geometry()
        origin = window.translate_coords(screen.root, 0, 0)
        wx, wy = -origin.x, -origin.y
        assert (geometry.width, geometry.height) == WINDOW_SIZE

        def board():
            return screen.grab(wx + BOARD[0], wy + BOARD[1], BOARD[2], BOARD[3])
        poll("the keyboard to be painted", lambda: board() == keyboard)
        figures["keyboard painted"] = 1000 * (time.monotonic() - started)

        time.sleep(1.0)  # the sound device opens just after start-up
        figures["RSS after start-up"] = rss_mb(proc.pid)

        cpu0, ns0 = cpu_ms(proc.pid), cpu_ns_threads(proc.pid)
        time.sleep(IDLE_SECONDS)
        figures["CPU while idle"] = cpu_ms(proc.pid) - cpu0
        ns1 = cpu_ns_threads(proc.pid)
        busy = {name: (ns - ns0.get(name, 0)) / 1e6 for name, ns in ns1.items()}
        figures["CPU while idle (scheduler)"] = sum(busy.values())
        idle_threads.append(max(busy, key=busy.get) if any(busy.values()) else "none")

        # A round: start, watch the one card, wait for the keyboard to come back.
        screen.click(wx + START_BUTTON[0], wy + START_BUTTON[1])
        card = poll("the first card", lambda: cards.get(
            screen.grab(wx + CARD_0[0], wy + CARD_0[1], CARD_0[2], CARD_0[3])))
        poll("the keyboard to come back", lambda: board() == keyboard)
        figures["RSS after a round"] = rss_mb(proc.pid)

        # The right key, pressed, until its tile's top edge turns yellow on screen.
        kx, ky, kw, kh = key_rect(card)
        left, top = wx + BOARD[0] + kx, wy + BOARD[1] + ky
        pressed = screen.click(left + kw // 2, top + kh // 2)

        def outlined():
            edge = screen.grab(left, top, kw, 1)
            return all((edge[i + 2], edge[i + 1], edge[i]) == YELLOW
                       for i in range(0, len(edge), 4))
        poll("the yellow outline", outlined, timeout=10)
        figures["click to outline"] = 1000 * (time.monotonic() - pressed)

        screen.close_box(window)
        proc.wait(10)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        shutil.rmtree(folder, ignore_errors=True)
    return figures


def main():
    binary = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    screen = Screen()
    keyboard = load_bmp(os.path.join(PICTURES, "201.bmp"))
    cards = {load_bmp(os.path.join(PICTURES, f"{101 + k}.bmp")): k for k in range(26)}

    results = []
    idle_threads = []
    for i in range(runs):
        figures = one_run(binary, screen, keyboard, cards, idle_threads)
        results.append(figures)
        print(f"run {i + 1}/{runs}: " + ", ".join(f"{k} {v:.1f}" for k, v in figures.items()),
              flush=True)

    print(f"\nmedian of {runs} runs ({binary}); idle over {IDLE_SECONDS:.0f} s")
    for name, unit in UNITS.items():
        value = statistics.median(r[name] for r in results)
        line = f"  {name:28} {value:8.1f} {unit:3}"
        if name in TARGETS:
            met = value <= TARGETS[name]
            line += f"  {'meets' if met else 'MISSES'} target (at most {TARGETS[name]} {unit})"
        print(line)
    print(f"  busiest thread while idle: {', '.join(sorted(set(idle_threads)))}")


if __name__ == "__main__":
    main()
