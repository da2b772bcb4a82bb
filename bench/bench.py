"""Measures the game from outside on an X server, side by side with a bare Qt 6 widget window
and, if it is installed, Tux Typing, the programs taking turns within each run: how soon the
window is up, how much memory it holds, how much CPU it and the sound server burn while nobody
plays, and, for the game, how soon a click is outlined and heard. Prints medians, the ratios
and the targets. Not a test: nothing here fails on a slow figure. Run through bench/run.sh,
which builds the programs and starts Xvfb.

Usage: bench.py GAME BARE_QT [RUNS]   (DISPLAY must name the X server)"""
import os
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time

from Xlib import X, display as xdisplay, protocol
from Xlib.ext import xtest

HERE = os.path.dirname(os.path.abspath(__file__))
PICTURES = os.path.join(HERE, "..", "assets", "pictures")

TITLE = "识键宝"
WINDOW_SIZE = (551, 451)
BOARD = (25, 235, 400, 132)  # the keyboard picture in the window
NOWHERE = (350, 110)  # on the board, off every key: a wrong click
START_BUTTON = (496, 192)
CARD_0 = (50, 225, 90, 90)  # where the first letter's card shows
ROW_TOPS, ROW_OFFSETS, ROW_BASES = (1, 49, 97), (0, 20, 40), (0, 10, 19)
KEY_SIZE = (40, 28)
YELLOW = (255, 255, 0)
NAVY = (0, 0, 128)
GAME_SCALE = [1.0]  # screen pixels per game pixel, as the game's last run drew its window
IDLE_SECONDS = 10.0
RSS_AFTER = 3.0  # seconds after the window maps
RATE = 44100  # parec's default: s16le stereo
LOUD = 300  # a sample above this is sound, not silence


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
    """User and system time of the whole process so far, in milliseconds (0 if gone)."""
    if pid is None:
        return 0.0
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except FileNotFoundError:
        return 0.0
    ticks = int(fields[11]) + int(fields[12])  # utime, stime
    return 1000.0 * ticks / os.sysconf("SC_CLK_TCK")


def rss_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    raise RuntimeError("no VmRSS")


class SoundServer:
    """A PulseAudio server of our own with a null sink, if PulseAudio is installed. Its sink
    suspends one second after its last stream has gone (a desktop's does after five), so
    that whatever the server still does while the game is idle is the game's doing."""

    def __init__(self):
        self.proc = None
        self.env = {}
        if not shutil.which("pulseaudio"):
            return
        self.runtime = tempfile.mkdtemp(prefix="shijianbao-bench-pulse-")
        self.env = {"PULSE_RUNTIME_PATH": self.runtime}
        self.proc = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
             "--load=module-null-sink sink_name=nullsink",
             "--load=module-native-protocol-unix", "--load=module-always-sink",
             "--load=module-suspend-on-idle timeout=1"],
            env=dict(os.environ, **self.env), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        poll("the sound server", lambda: os.path.exists(os.path.join(self.runtime, "native")),
             10)

    @property
    def pid(self):
        return self.proc.pid if self.proc else None

    def recorder(self):
        return Recorder(self.env) if self.proc and shutil.which("parec") else None

    def close(self):
        if self.proc:
            self.proc.terminate()
            self.proc.wait(10)
            shutil.rmtree(self.runtime, ignore_errors=True)


class Recorder:
    """What reaches the null sink, through parec: the arrival time of each chunk less the
    frames after a sample gives that sample's time to about a millisecond and a half."""

    def __init__(self, env):
        self.proc = subprocess.Popen(
            ["parec", "-d", "nullsink.monitor", "--latency-msec=5", "--raw"],
            env=dict(os.environ, **env), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.chunks = []  # (arrival, bytes)
        self.lock = threading.Lock()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        poll("the recording to flow", lambda: len(self.chunks) > 2, 10)

    def _read(self):
        fd = self.proc.stdout.fileno()
        while True:
            data = os.read(fd, 65536)
            if not data:
                return
            with self.lock:
                self.chunks.append((time.monotonic(), data))

    def onset(self, since):
        """The time of the first loud sample played after `since`, or None."""
        with self.lock:
            chunks = list(self.chunks)
        for arrival, data in chunks:
            frames = len(data) // 4
            samples = struct.unpack(f"<{frames * 2}h", data[:frames * 4])
            for i in range(frames):
                at = arrival - (frames - i) / RATE
                if at >= since and (abs(samples[2 * i]) > LOUD or abs(samples[2 * i + 1]) > LOUD):
                    return at
        return None

    def last_sound(self):
        """The time of the last loud chunk, or 0."""
        with self.lock:
            chunks = list(self.chunks)
        for arrival, data in reversed(chunks):
            frames = len(data) // 4
            if any(abs(s) > LOUD for s in struct.unpack(f"<{frames * 2}h", data[:frames * 4])):
                return arrival
        return 0.0

    def close(self):
        self.proc.terminate()
        self.proc.wait(10)


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
            if prop:
                return prop.value.decode(errors="replace")
            name = window.get_wm_name()
        except Exception:
            return None
        return name.decode(errors="replace") if isinstance(name, bytes) else name

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
        time.sleep(0.0005)


def idle_cpu(pid, server):
    """CPU time of the program and of the sound server over IDLE_SECONDS of nobody playing."""
    p0, s0 = cpu_ms(pid), cpu_ms(server.pid)
    time.sleep(IDLE_SECONDS)
    return cpu_ms(pid) - p0, cpu_ms(server.pid) - s0


def launch(screen, argv, env, cwd, title):
    """Starts a program; returns it with the time from just before the process is made to
    the server's MapNotify of its window (a window with that title, or any titled one),
    taken from our own event stream, so no polling interval is in the figure."""
    screen.root.change_attributes(event_mask=X.SubstructureNotifyMask)
    screen.d.sync()
    while screen.d.pending_events():
        screen.d.next_event()
    started = time.monotonic()
    proc = subprocess.Popen(argv, env=env, cwd=cwd, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    deadline = started + 30
    try:
        while True:
            if time.monotonic() > deadline:
                raise RuntimeError(f"{argv[0]}: the window never mapped")
            event = screen.d.next_event()
            if event.type != X.MapNotify:
                continue
            name = screen.title(event.window)
            if (name == title) if title else bool(name):
                mapped = time.monotonic()
                screen.root.change_attributes(event_mask=X.NoEventMask)
                return proc, event.window, 1000 * (mapped - started), mapped
    except BaseException:
        stop(proc)
        raise


def stop(proc):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def peer_run(screen, server, argv, title, env):
    """Start-up, memory and idle CPU of a program we only watch."""
    folder = tempfile.mkdtemp(prefix="shijianbao-bench-")
    env = dict(os.environ, HOME=folder, **server.env, **env)
    env.pop("QT_QPA_PLATFORM", None)
    proc, _, mapped_ms, mapped = launch(screen, argv, env, folder, title)
    try:
        time.sleep(max(0.0, mapped + RSS_AFTER - time.monotonic()))
        figures = {"window mapped": mapped_ms, "RSS": rss_mb(proc.pid)}
        figures["idle CPU"], figures["idle CPU, server"] = idle_cpu(proc.pid, server)
        return figures
    finally:
        stop(proc)
        shutil.rmtree(folder, ignore_errors=True)


def game_run(screen, server, binary, keyboard, cards):
    folder = tempfile.mkdtemp(prefix="shijianbao-bench-")
    copy = os.path.join(folder, "shijianbao")
    shutil.copy2(binary, copy)
    env = dict(os.environ, HOME=folder, **server.env)
    if not server.proc:
        env.setdefault("SDL_AUDIODRIVER", "dummy")
    env.pop("QT_QPA_PLATFORM", None)
    proc, window, mapped_ms, mapped = launch(screen, [copy], env, folder, TITLE)
    recorder = None
    try:
        figures = {"window mapped": mapped_ms}
        origin = window.translate_coords(screen.root, 0, 0)
        wx, wy = -origin.x, -origin.y
        # The bare window's floor is taken at the game's scale (1 on this 96 dpi screen).
        GAME_SCALE[0] = window.get_geometry().width / WINDOW_SIZE[0]
        assert window.get_geometry().width == WINDOW_SIZE[0]

        def board():
            return screen.grab(wx + BOARD[0], wy + BOARD[1], BOARD[2], BOARD[3])
        poll("the keyboard to be painted", lambda: board() == keyboard)
        figures["keyboard painted"] = 1000 * (time.monotonic() - mapped) + mapped_ms
        time.sleep(max(0.0, mapped + RSS_AFTER - time.monotonic()))
        figures["RSS"] = rss_mb(proc.pid)
        figures["idle CPU"], figures["idle CPU, server"] = idle_cpu(proc.pid, server)

        # A round, heard: the first card's letter (SDL is loaded for it), then the right key.
        recorder = server.recorder()
        screen.click(wx + START_BUTTON[0], wy + START_BUTTON[1])
        # In a list, as Q's key index 0 would read as "not yet".
        card, = poll("the first card", lambda: [k for k in [cards.get(screen.grab(
            wx + CARD_0[0], wy + CARD_0[1], CARD_0[2], CARD_0[3]))] if k is not None])
        shown = time.monotonic()
        poll("the keyboard to come back", lambda: board() == keyboard)
        figures["RSS after a round"] = rss_mb(proc.pid)
        if recorder and recorder.onset(shown - 0.5):
            figures["card to first sound"] = 1000 * (recorder.onset(shown - 0.5) - shown)

        kx, ky, kw, kh = key_rect(card)
        left, top = wx + BOARD[0] + kx, wy + BOARD[1] + ky
        if recorder:  # the press starts from silence, so its onset is its own sound's
            poll("the letter to end", lambda: time.monotonic() - recorder.last_sound() > 0.3)
        pressed = screen.click(left + kw // 2, top + kh // 2)

        def outlined():
            edge = screen.grab(left, top, kw, 1)
            return all((edge[i + 2], edge[i + 1], edge[i]) == YELLOW
                       for i in range(0, len(edge), 4))
        poll("the yellow outline", outlined, timeout=10)
        figures["click to outline"] = 1000 * (time.monotonic() - pressed)
        if recorder:
            heard = poll("the click to be heard", lambda: recorder.onset(pressed), 10)
            figures["click to sound"] = 1000 * (heard - pressed)
            # The next round plays its cards; then the board waits, and so do we.
            poll("the next round to be shown and heard", lambda: board() == keyboard
                 and time.monotonic() - max(recorder.last_sound(), pressed) > 2.0)
            recorder.close()
            recorder = None
            time.sleep(1.5)  # the sink suspends 1 s after the recording stops
        figures["idle CPU after sound"], figures["idle CPU after sound, server"] = \
            idle_cpu(proc.pid, server)
        recorder = server.recorder()
        if recorder:
            time.sleep(0.3)
            pressed = screen.click(wx + BOARD[0] + NOWHERE[0], wy + BOARD[1] + NOWHERE[1])
            heard = poll("the wrong click to be heard", lambda: recorder.onset(pressed), 10)
            figures["click to sound after a pause"] = 1000 * (heard - pressed)

        if recorder:  # a recording keeps the sound server busy
            recorder.close()
            recorder = None
        figures.update(full_screen(screen, proc, server, keyboard, window))
        screen.close_box(window)
        proc.wait(10)
        return figures
    finally:
        if recorder:
            recorder.close()
        stop(proc)
        shutil.rmtree(folder, ignore_errors=True)


def full_screen(screen, proc, server, keyboard, window):
    """F11: how soon the whole game shows scaled to the screen (margins navy, the keyboard's
    first and last keys in place), and the CPU it burns there while nobody plays."""
    g = screen.root.get_geometry()
    scale = min(g.width / WINDOW_SIZE[0], g.height / WINDOW_SIZE[1])
    left = (g.width - WINDOW_SIZE[0] * scale) / 2
    checks = [((1, g.height // 2), NAVY)]
    for key in (0, 25):
        kx, ky, kw, kh = key_rect(key)
        kx += 4  # the key's face, clear of its letter
        i = 4 * ((ky + kh // 2) * BOARD[2] + kx)
        spot = (round(left + (BOARD[0] + kx + 0.5) * scale),
                round((BOARD[1] + ky + kh / 2) * scale))
        checks.append((spot, (keyboard[i + 2], keyboard[i + 1], keyboard[i])))

    def drawn():
        for (x, y), colour in checks:
            b, gr, r = screen.grab(x, y, 1, 1)[:3]
            if any(abs(a - c) > 40 for a, c in zip((r, gr, b), colour)):
                return False
        return True
    # Full screen is the window manager's to grant: one for this part alone, so that it stays
    # out of the start-up figures.
    if not shutil.which("openbox"):
        return {}
    ready = tempfile.mktemp(prefix="shijianbao-bench-openbox-")
    wm = subprocess.Popen(["openbox", "--startup", f"touch {ready}"], stderr=subprocess.DEVNULL)
    try:
        poll("openbox", lambda: os.path.exists(ready))
        time.sleep(0.5)  # framing the game window, which a click on its navy strip activates
        origin = window.translate_coords(screen.root, 0, 0)
        screen.click(530 - origin.x, 100 - origin.y)
        time.sleep(0.2)
        f11 = screen.d.keysym_to_keycode(0xFFC8)
        screen.d.sync()
        pressed = time.monotonic()
        xtest.fake_input(screen.d, X.KeyPress, f11)
        xtest.fake_input(screen.d, X.KeyRelease, f11)
        screen.d.sync()
        poll("the full-screen game", drawn, timeout=10)
        figures = {"F11 to full-screen frame": 1000 * (time.monotonic() - pressed)}
        time.sleep(1.5)  # the sink suspends 1 s after the last recording
        figures["idle CPU full screen"], figures["idle CPU full screen, server"] = \
            idle_cpu(proc.pid, server)
        return figures
    finally:
        stop(wm)
        os.remove(ready)
        # openbox leaves the input focus at None; the next program would get no keys.
        screen.d.set_input_focus(X.PointerRoot, X.RevertToPointerRoot, X.CurrentTime)
        screen.d.sync()


def median(results, name):
    values = [r[name] for r in results if name in r]
    return statistics.median(values) if values else None


def main():
    game, bare = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    # No session bus for any of the programs: with dbus-x11 installed, each would otherwise
    # launch a bus of its own at start-up, which a desktop, whose bus is running, never does.
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = "disabled:"
    screen = Screen()
    keyboard = load_bmp(os.path.join(PICTURES, "201.bmp"))
    cards = {load_bmp(os.path.join(PICTURES, f"{101 + k}.bmp")): k for k in range(26)}
    tux = shutil.which("tuxtype") or shutil.which("/usr/games/tuxtype")
    server = SoundServer()
    print(f"sound server: {'PulseAudio, null sink' if server.proc else 'none (dummy driver)'}"
          f"; Tux Typing: {tux or 'not installed'}", flush=True)

    programs = {"game": lambda: game_run(screen, server, game, keyboard, cards),
                "bare Qt": lambda: peer_run(screen, server, [bare], "bare Qt",
                                            {"QT_SCALE_FACTOR": f"{GAME_SCALE[0]:.3f}"})}
    if tux:
        programs["Tux Typing"] = lambda: peer_run(screen, server, [tux, "--window"], None, {})
    results = {name: [] for name in programs}
    try:
        for i in range(runs):
            for name, run in programs.items():
                try:
                    figures = run()
                except Exception as e:  # a benchmark reports, it does not fail
                    print(f"run {i + 1}/{runs} {name}: failed: {e}", flush=True)
                    continue
                results[name].append(figures)
                print(f"run {i + 1}/{runs} {name}: " +
                      ", ".join(f"{k} {v:.1f}" for k, v in figures.items()), flush=True)
    finally:
        server.close()

    print(f"\nmedian of {runs} runs; ms, MB; idle CPU is over {IDLE_SECONDS:.0f} s, in clock "
          "ticks of 10 ms; RSS is 3 s after the window maps")
    names = sorted({k for rs in results.values() for r in rs for k in r},
                   key=lambda k: list(results["game"][0]).index(k)
                   if results["game"] and k in results["game"][0] else 99)
    print(f"  {'':30}" + "".join(f"{n:>12}" for n in programs))
    for k in names:
        cells = [median(results[n], k) for n in programs]
        print(f"  {k:30}" + "".join(f"{'—' if c is None else f'{c:.1f}':>12}" for c in cells))

    def ratio(figure, peer, at_most):
        ours, theirs = median(results["game"], figure), median(results.get(peer, []), figure)
        if ours is None or not theirs:
            print(f"  {figure} game / {peer}: not measured")
            return
        r = ours / theirs
        print(f"  {figure} game / {peer}: {r:.2f} "
              f"({'meets' if r <= at_most else 'MISSES'} at most {at_most})")

    def limit(figure, at_most):
        value = median(results["game"], figure)
        if value is None:
            print(f"  {figure}: not measured")
        else:
            print(f"  {figure}: {value:.1f} ({'meets' if value <= at_most else 'MISSES'} "
                  f"at most {at_most})")

    print("\ntargets")
    ratio("window mapped", "Tux Typing", 0.7)
    ratio("window mapped", "bare Qt", 1.5)
    ratio("RSS", "bare Qt", 1.3)
    limit("idle CPU", 0)
    limit("idle CPU, server", 0)
    limit("idle CPU after sound", 0)
    limit("idle CPU after sound, server", 0)
    limit("idle CPU full screen", 0)
    limit("F11 to full-screen frame", 100)
    limit("click to outline", 16.7)
    limit("click to sound", 20)
    limit("click to sound after a pause", 30)


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    main()
