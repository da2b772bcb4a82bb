# One game of the real program on a real X server, played with the mouse and the keyboard
# and heard through SDL's "disk" audio driver: what only the running program shows. Three
# one-letter rounds and the first letter of a two-letter round are answered right (500 points),
# that letter by leaning on its key, three wrong clicks and a wrong key held down end the game,
# and a Chinese name goes on the leaderboard. With --wayland, under scripts/weston.sh: the held
# letter again, where the program makes key repeats itself, and SIGTERM after a sound.
import os, pathlib, re, shutil, subprocess, sys, tempfile, time, wave  # noqa: E401
import numpy as np
from PIL import Image
from Xlib import X, display as xdisplay, protocol
from Xlib.ext import xtest
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from waiting import time_limit, wait_for  # noqa: E402

ASSETS = pathlib.Path(__file__).resolve().parent.parent.parent / "assets"
LETTERS = "QWERTYUIOPASDFGHJKLZXCVBNM"  # by key index
YELLOW, BOARD, SCORE = (255, 255, 0), (25, 235, 400, 132), (472, 400, 65, 25)
# NOWHERE: on the board, in the bottom row, on no key; NAME_BOX: inside the leaderboard
# window's name box.
START, NOWHERE, NAME_BOX = (507, 193), (375, 345), (27, 43, 219, 19)
# RATE: the player's 16-bit stereo rate; WORK: the rate sounds are compared at; SLACK: seconds
# a letter's sound may start from the moment its card is seen; MATCH: the normalised
# correlation of a sound played unchanged (measured: > 0.98).
RATE, WORK, SLACK, MATCH = 44100, 11025, 0.15, 0.9
picture = lambda n: np.asarray(Image.open(ASSETS / "pictures" / f"{n}.bmp").convert("RGB"))  # noqa: E731,E501
crop = lambda shot, b: shot[b[1]:b[1] + b[3], b[0]:b[0] + b[2]]  # noqa: E731


def sound(number):
    # A catalogue sound (8-bit PCM) at WORK rate.
    with wave.open(str(ASSETS / "sounds" / f"{number}.wav")) as w:
        step = w.getframerate() // WORK
        data = np.frombuffer(w.readframes(w.getnframes()), np.uint8) - 128.0
    return data[:len(data) // step * step].reshape(-1, step).mean(1)


def key_rect(key):
    row = (key >= 10) + (key >= 19)
    return (0, 20, 40)[row] + 40 * (key - (0, 10, 19)[row]), (1, 49, 97)[row], 40, 28


# The program, copied into a folder of its own and started from another, and our own X
# connection to watch it: screen grabs, and clicks and keys through XTEST, each waited for,
# so that the program gets them in the order they were made.
class Game:

    def __init__(self, binary, display, folder, pipe=True, platform="xcb"):
        os.mkdir(folder / "game"), os.mkdir(folder / "home")
        self.d, self.folder, self.given = xdisplay.Display(display), folder, []
        self.root = self.d.screen().root
        assert self.d.screen().root_depth == 24, "pixels are compared on a 24-bit screen"
        self.binary = shutil.copy2(binary, folder / "game" / "shijianbao")
        self.audio, self.stderr = folder / "played.raw", folder / "stderr.txt"
        self.keyboard, self.life = picture(201), picture(202)
        self.cards = {picture(101 + k).tobytes(): k for k in range(26)}
        # Start-up reads and writes no score file: a pipe in its place must not stop the
        # window from appearing, and nothing may be made beside the program or per user.
        pipe and os.mkfifo(folder / "game" / "tavik.tmp")
        self.env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM=platform,
                        SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=str(self.audio),
                        HOME=str(folder / "home"), XDG_DATA_HOME=str(folder / "home"),
                        XDG_RUNTIME_DIR=str(folder))  # private, as a desktop session's
        # stderr to a file: a long sanitizer report into an unread pipe would stall it.
        self.proc = subprocess.Popen([self.binary], env=self.env, cwd=folder,
                                     stdout=subprocess.DEVNULL, stderr=open(self.stderr, "wb"))

    def errors(self):  # stderr, but for the two lines SDL's disk driver always writes
        said = self.stderr.read_text(errors="replace")
        return re.sub(r"CRITICAL: (You are using the SDL disk| Writing to file \[).*\n", "", said)

    def window(self, title):  # the program's window on view with this title, or None
        found = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(
            self.proc.pid), "--name", f"^{title}$"], env=self.env, capture_output=True).stdout
        return found and self.d.create_resource_object("window", int(found.split()[-1]))

    def click(self, x, y, origin=None):  # in the game window, or the window at `origin`
        x0, y0 = origin or (self.x, self.y)
        xtest.fake_input(self.d, X.MotionNotify, x=x0 + x, y=y0 + y)
        self.press(1, X.ButtonPress, X.ButtonRelease)

    def press(self, code, down=X.KeyPress, up=X.KeyRelease):
        for kind in (down, up):
            xtest.fake_input(self.d, kind, code)
        self.d.sync()

    def grab(self, box=(0, 0, 551, 451), origin=None):
        (x, y, w, h), (x0, y0) = box, origin or (self.x, self.y)
        raw = self.root.get_image(x0 + x, y0 + y, w, h, X.ZPixmap, 0xFFFFFFFF).data
        return np.frombuffer(raw, np.uint8).reshape(h, w, 4)[:, :, 2::-1]  # BGRX to RGB

    def lives(self):  # how many life icons are on view (the window test checks which go)
        shot = self.grab()
        return sum(np.array_equal(crop(shot, (464 + 20 * i, 8, 16, 16)), self.life)
                   for i in range(3))

    def clock(self):  # seconds recorded so far: the disk driver writes in real time
        return self.audio.stat().st_size / 4 / RATE if self.audio.exists() else 0.0

    def present(self, letters):
        # Watches the cards come and the board come back; returns each card's key and the
        # clock readings between which it appeared.
        seen, self.last = [None] * letters, self.clock()

        def step():
            before, shot, after = self.clock(), self.grab(), self.clock()
            for i in range(letters):
                cut = crop(shot, (50 + 90 * (i % 4), 225 + 96 * (i // 4), 90, 90))
                key = self.cards.get(np.ascontiguousarray(cut).tobytes())
                seen[i] = seen[i] or key is not None and (key, self.last, after) or None
            self.last = before
            # The board may still be up from before, until the program has taken the click;
            # a card left on view would cover part of it.
            return seen[0] and np.array_equal(crop(shot, BOARD), self.keyboard)
        wait_for("the cards, then the board", step)
        assert None not in seen and len({s[0] for s in seen}) == letters, seen
        return seen

    def hold(self, key):  # a child leaning on a letter key, which the X server repeats
        code, c = self.d.keysym_to_keycode(ord(LETTERS[key].lower())), self.d.get_keyboard_control()
        assert c.global_auto_repeat and c.auto_repeats[code // 8] >> code % 8 & 1, "no key repeat"
        for kind, seconds in ((X.KeyPress, 1.5), (X.KeyRelease, 0)):  # repeats after 660 ms
            xtest.fake_input(self.d, kind, code)
            self.d.sync()
            time.sleep(seconds)

    def answer(self, key, by_key=False):  # a letter key counts like a click on its picture
        score, (x, y, w, h) = self.grab(SCORE), key_rect(key)
        self.hold(key) if by_key else self.click(BOARD[0] + x + w // 2, BOARD[1] + y + h // 2)
        wait_for("the score to change", lambda: not np.array_equal(self.grab(SCORE), score))


def heard(recording, number, lo, hi):
    # Where sound `number` starts between lo and hi seconds, and how well it matches.
    ref = sound(number)
    a = max(0, int(lo * WORK))
    part = recording[a:int(hi * WORK) + len(ref)]
    energy = np.convolve(part ** 2, np.ones(len(ref)), "valid")
    fit = np.correlate(part, ref, "valid") / np.sqrt(energy * (ref ** 2).sum() + 1e-9)
    return (a + int(np.argmax(fit))) / WORK, fit.max()


def play(game, wayland=False):
    cards = []
    # Tab to the start button and Space, where clicks may not reach a compositor in an X window.
    [game.press(k) for k in (23, 65)] if wayland else game.click(*START)  # Tab, Space on a PC
    for _ in range(3):
        cards += game.present(1)
        assert game.lives() == 3
        game.answer(cards[-1][0], by_key=wayland)
    cards += game.present(2)
    game.answer(cards[-2][0], by_key=True)
    # Held down, the right letter counts once: its repeats are not wrong answers to the next.
    assert game.lives() == 3, "a held key cost a life"
    if wayland:
        return
    # The right letter, typed on the real keyboard, outlines its key in yellow and draws nothing
    # else; the wrong clicks that follow keep it.
    (x, y, w, h), outlined = key_rect(cards[-2][0]), game.keyboard.copy()
    outlined[[y, y + h - 1], x:x + w] = outlined[y:y + h, [x, x + w - 1]] = YELLOW
    wait_for(f"the outline on {LETTERS[cards[-2][0]]}",
             lambda: np.array_equal(game.grab(BOARD), outlined))
    for lives in (2, 1, 0):
        game.click(*NOWHERE)
        wait_for(f"{lives} lives", lambda: game.lives() == lives)
    assert np.array_equal(game.grab(BOARD), outlined), "a wrong click changed the board"
    wait_for("the last boop to end", lambda end=game.clock() + 0.6: game.clock() >= end)
    over = game.clock()
    # The fourth mistake held down: the leaderboard comes up under the held key, whose
    # repeats type nothing into its name box (the name saved below is the typed one alone).
    game.hold(next(k for k in range(26) if k != cards[-1][0]))
    g = wait_for("the leaderboard 排行榜", lambda: game.window("排行榜")).get_geometry()
    shown = game.clock()
    # Typed only once the name box is painted white, and Return only once the name shows
    # (dark ink in more columns than the text cursor alone), however slow the machine.
    wait_for("the name box", lambda: (game.grab(NAME_BOX, (g.x, g.y)) == 255).mean() > 0.5)
    assert (game.grab(NAME_BOX, (g.x, g.y)).max(2) < 100).any(0).sum() <= 2, "typed by a held key"
    game.click(*NAME_BOX[:2], origin=(g.x + NAME_BOX[2] // 2, g.y + NAME_BOX[3] // 2))
    # Each character on a spare key of its own until the end: a mapping made only for the
    # moment of the press could be gone before the program reads the key.
    low, d = game.d.display.info.min_keycode, game.d
    game.width = len((keymap := d.get_keyboard_mapping(low, d.display.info.max_keycode - low))[0])
    game.given = [low + i for i, syms in enumerate(keymap) if not any(syms)][::-1][:2]
    for c, code in zip("小明", game.given):
        d.change_keyboard_mapping(code, [[0x01000000 + ord(c)] * game.width])
        game.press(code)
    wait_for("the name in the name box",
             lambda: (game.grab(NAME_BOX, (g.x, g.y)).max(2) < 100).any(0).sum() >= 12)
    game.press(game.d.keysym_to_keycode(0xFF0D))  # Return
    wait_for("the leaderboard to close", lambda: not game.window("排行榜"))
    # No score file before: ten fresh "0,0" lines, then 500 takes first place, in GBK.
    scores = (pathlib.Path(game.binary).parent / "tavik.tmp").read_bytes()
    assert scores == b"\xd0\xa1\xc3\xf7,500\r\n" + b"0,0\r\n" * 9, scores
    tune_end = shown + len(sound(105)) / WORK + 0.3
    wait_for("the game-over tune to end", lambda: game.clock() >= tune_end)
    atom = game.d.intern_atom  # what the title bar's close box does
    game.main.send_event(protocol.event.ClientMessage(window=game.main, client_type=atom(
        "WM_PROTOCOLS"), data=(32, [atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])))
    game.d.sync()
    assert game.proc.wait(10) == 0, game.proc.returncode
    raw = np.fromfile(game.audio, np.int16)
    recording = raw[:len(raw) // 8 * 8:2].reshape(-1, RATE // WORK).mean(1)  # left channel
    for key, earliest, latest in cards:
        fit = heard(recording, 201 + key, earliest - SLACK, latest + SLACK)[1]
        assert fit >= MATCH, f"{LETTERS[key]} not heard with its card ({fit:.3f})"
    # The fourth wrong click's boop is cut off at once by the game-over tune, which then
    # plays in full, and alone: over the boop's length it is not mixed with it.
    tune, fit = heard(recording, 105, over, shown + SLACK)
    assert fit >= MATCH, f"the game-over tune is not heard in full ({fit:.3f})"
    start, head = int(tune * WORK), len(sound(104))
    alone = np.corrcoef(recording[start:start + head], sound(105)[:head])[0, 1]
    assert alone >= MATCH, f"something plays over the game-over tune ({alone:.3f})"
    boop = recording[int(over * WORK):start - int(0.1 * WORK)]
    assert (np.abs(boop) <= 200).all(), "the boop plays on for over 0.1 s before the tune"


def place(game):  # where the compositor put the game window: its board is seen whole there
    shot, (h, w) = game.grab((0, 0, 1024, 768), (0, 0)), game.keyboard.shape[:2]
    for y, x in zip(*np.nonzero((shot[:-h, :-w] == game.keyboard[0, 0]).all(2))):
        if np.array_equal(shot[y:y + h, x:x + w], game.keyboard):
            return x - BOARD[0], y - BOARD[1]


def under_weston(binary):
    # Run by scripts/weston.sh: weston's X11 backend in an X server of its own takes XTEST's
    # keys, leaves out the X server's repeats and lets each client repeat a held key itself.
    # With nothing at the score file's path, start-up makes no file and loads no sound library;
    # the first card's sound loads SDL; at the end SIGTERM ends the game as its close box does.
    folder = pathlib.Path(tempfile.mkdtemp(prefix="shijianbao-wl-"))
    game = Game(binary, os.environ["DISPLAY"], folder, False, "wayland")
    sdl = lambda: "libSDL2" in pathlib.Path(f"/proc/{game.proc.pid}/maps").read_text()  # noqa: E731
    try:
        game.x, game.y = wait_for("the board", lambda: place(game))
        made = [os.listdir(folder / d) for d in ("game", "home")] + [sdl()]
        assert made == [["shijianbao"], [], False], f"start-up made files or loaded SDL: {made}"
        play(game, wayland=True)
        assert sdl(), "sounds played without SDL"
        game.proc.terminate()  # SIGTERM
        assert game.proc.wait(10) == 0, f"SIGTERM: exit status {game.proc.returncode}"
        assert not game.errors(), f"the program wrote to stderr:\n{game.errors()}"
    finally:
        game.proc.kill(), game.proc.wait(), game.d.close()
        shutil.rmtree(folder, ignore_errors=True)


def main(binary, flag=None):
    time_limit(90)
    if flag == "--wayland":
        return under_weston(binary) or print("1 passed, 0 failed") or 0
    if not (name := os.environ.get("SJB_TEST_DISPLAY") or os.environ.get("DISPLAY")):
        return print("SKIP: no X display (scripts/test.sh starts one)") or 77
    game = Game(binary, name, folder := pathlib.Path(tempfile.mkdtemp(prefix="shijianbao-e2e-")))
    # Keys go to the window under the pointer, whatever input focus an earlier test left.
    focus = game.d.get_input_focus()
    game.d.set_input_focus(X.PointerRoot, X.RevertToPointerRoot, X.CurrentTime)
    try:
        game.main = wait_for("the window 识键宝", lambda: game.window("识键宝"))
        game.x, game.y, *size = (g := game.main.get_geometry()).x, g.y, g.width, g.height
        assert size == [551, 451], size
        wait_for("the keyboard", lambda: np.array_equal(game.grab(BOARD), game.keyboard))
        made = [sorted(os.listdir(folder / d)) for d in ("game", "home")]
        assert made == [["shijianbao", "tavik.tmp"], []], made
        os.remove(folder / "game" / "tavik.tmp")
        play(game)
    finally:
        game.proc.kill(), game.proc.wait()  # nothing to kill, if it has ended
        err = game.errors()
        for code in game.given:
            game.d.change_keyboard_mapping(code, [[0] * game.width])
        game.d.set_input_focus(focus.focus, focus.revert_to, X.CurrentTime)
        game.d.close()
        shutil.rmtree(folder, ignore_errors=True)
        # Nothing, the whole game and its leaderboard through, not even a sanitizer's report.
        sys.exc_info()[0] and print("the program's stderr:\n" + err)
        assert sys.exc_info()[0] or not err, f"the program wrote to stderr:\n{err}"
    return print("1 passed, 0 failed") or 0


sys.exit(main(*sys.argv[1:]))
