"""What a child sees of the game, read straight off the X server: the game window's pictures
compared pixel for pixel with the catalogue's bitmaps; clicks through XTEST and typing
through xdotool.

Grabbing a region with GetImage takes a few milliseconds, so the tests can poll the screen
fast enough to see a card that is on view for little more than a second, also on a slow
machine; `import -window root` takes far longer."""
import os
import struct
import subprocess
import sys
import tempfile
import time

import x11

ASSETS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "assets")

LETTERS = "QWERTYUIOPASDFGHJKLZXCVBNM"  # by key index, as on the keyboard

NAVY = (0, 0, 128)
YELLOW = (255, 255, 0)
RED = (255, 0, 0)
WHITE = (255, 255, 255)

# Where things stand in the game window's client area (pixels).
BOARD = (25, 235, 400, 132)
ANIMATION = (130, 230, 182, 174)
SCORE = (472, 400, 65, 25)
START_BUTTON = (480, 176, 54, 39)
HELP_BUTTON = (480, 240, 54, 39)
ROW_TOPS = (1, 49, 97)
ROW_OFFSETS = (0, 20, 40)
ROW_BASES = (0, 10, 19)
# A point on the board in the bottom row's band that maps to no letter at all.
NOWHERE = (350, 110)


def card_box(i):
    return (50 + 90 * (i % 4), 225 + 96 * (i // 4), 90, 90)


def life_box(i):
    return (464 + 20 * i, 8, 16, 16)


def key_row_col(key):
    row = 0 if key < 10 else 1 if key < 19 else 2
    return row, key - ROW_BASES[row]


def key_rect(key):
    """The key's tile on the board: left, top, width, height."""
    row, col = key_row_col(key)
    return ROW_OFFSETS[row] + 40 * col, ROW_TOPS[row], 40, 28


class Image:
    """Pixels as 4 bytes each, blue, green, red, zero: what a 24-bit X server sends."""

    def __init__(self, width, height, bgr0):
        self.width, self.height, self.data = width, height, bytes(bgr0)

    def pixel(self, x, y):
        i = 4 * (y * self.width + x)
        b, g, r = self.data[i:i + 3]
        return r, g, b

    def crop(self, box):
        x, y, w, h = box
        rows = (self.data[4 * ((y + j) * self.width + x):4 * ((y + j) * self.width + x + w)]
                for j in range(h))
        return Image(w, h, b"".join(rows))

    def pixels(self):
        d = self.data
        return [(d[i + 2], d[i + 1], d[i]) for i in range(0, len(d), 4)]

    def __eq__(self, other):
        return (self.width, self.height, self.data) == (other.width, other.height, other.data)

    def __hash__(self):
        return hash(self.data)


def load_bmp(path):
    """A 24-bit uncompressed BMP, as the catalogue holds them."""
    with open(path, "rb") as f:
        raw = f.read()
    assert raw[:2] == b"BM", path
    offset = struct.unpack_from("<I", raw, 10)[0]
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", raw, 18)
    assert bits == 24 and compression == 0, (path, bits, compression)
    stride = (width * 3 + 3) & ~3
    rows = []
    for j in range(abs(height)):
        src = j if height < 0 else abs(height) - 1 - j  # bottom-up unless height < 0
        row = raw[offset + src * stride:offset + src * stride + width * 3]
        out = bytearray(width * 4)
        out[0::4], out[1::4], out[2::4] = row[0::3], row[1::3], row[2::3]
        rows.append(bytes(out))
    return Image(width, abs(height), b"".join(rows))


def picture(number):
    return load_bmp(os.path.join(ASSETS, "pictures", f"{number}.bmp"))


class Screen:
    """A connection of our own to the X server, for fast grabs of screen regions."""

    def __init__(self, display_name):
        from Xlib import X, display as xdisplay
        self._X = X
        self.d = xdisplay.Display(display_name)
        self.root = self.d.screen().root
        self.given = []
        assert self.d.screen().root_depth == 24, "the tests compare pixels on a 24-bit screen"

    def grab(self, x, y, w, h):
        image = self.root.get_image(x, y, w, h, self._X.ZPixmap, 0xFFFFFFFF)
        data = bytearray(image.data)
        data[3::4] = bytes(len(data) // 4)  # the pad byte is undefined
        return Image(w, h, data)

    def click(self, x, y):
        """A left click at a point of the screen, as xdotool would make it (XTEST), but on
        this connection and waited for: when it returns the X server has handled the click,
        so whatever the test does next reaches the program after it."""
        from Xlib.ext import xtest
        X = self._X
        xtest.fake_input(self.d, X.MotionNotify, x=x, y=y)
        xtest.fake_input(self.d, X.ButtonPress, 1)
        xtest.fake_input(self.d, X.ButtonRelease, 1)
        self.d.sync()

    def give_keys(self, text):
        """Gives every character of the text that no key has a spare key of its own.

        For such a character xdotool would map a spare key just for the moment of the key
        press and take the mapping back at once; on a loaded machine the program can read
        the key after that and lose the character. The keys keep their characters until
        close(), when the program is gone."""
        first = self.d.display.info.min_keycode
        count = self.d.display.info.max_keycode - first + 1
        keymap = self.d.get_keyboard_mapping(first, count)
        width = len(keymap[0])
        have = {sym for syms in keymap for sym in syms}
        spare = [first + i for i, syms in enumerate(keymap) if not any(syms) and i > 0]
        for c in sorted(set(text)):
            sym = 0x01000000 + ord(c)
            if ord(c) <= 0x7E or sym in have:
                continue
            assert spare, "no spare key left"
            code = spare.pop()
            self.d.change_keyboard_mapping(code, [[sym, sym] + [0] * (width - 2)])
            self.given.append((code, width))
            have.add(sym)
        self.d.sync()

    def close(self):
        for code, width in self.given:
            self.d.change_keyboard_mapping(code, [[0] * width])
        self.d.sync()
        self.d.close()


class Game:
    """The game as a child meets it: one window, pictures on it, a mouse and a keyboard."""

    def __init__(self, binary, extra_env=None):
        self.cards = {picture(101 + k): k for k in range(26)}
        self.keyboard = picture(201)
        self.life = picture(202)
        self.frames = {picture(n): n for n in (301, 302, 303)}
        self.program = x11.Program(binary, extra_env)
        try:
            self.screen = Screen(self.program.env["DISPLAY"])
            self.window = self.program.window("识键宝")
            self.x, self.y, _, _ = self.program.geometry(self.window)
            x11.wait_for("the keyboard to be painted", lambda: self.board_shown(), 30)
        except BaseException:
            self.program.close()
            raise

    def close(self):
        if isinstance(sys.exc_info()[1], AssertionError):
            save_screen(os.path.splitext(os.path.basename(sys.argv[0]))[0])
        try:
            self.program.close()
        finally:
            self.screen.close()

    # What is on view.

    def grab(self, box=None):
        x, y, w, h = box or (0, 0, 551, 451)
        return self.screen.grab(self.x + x, self.y + y, w, h)

    def board(self, shot=None):
        return (shot or self.grab()).crop(BOARD)

    def board_shown(self, shot=None):
        """The keyboard, exactly as drawn, without any outline on it."""
        return self.board(shot) == self.keyboard

    def card(self, i, shot=None):
        """The key index shown in card box i, or None."""
        return self.cards.get((shot or self.grab()).crop(card_box(i)))

    def animation(self, shot=None):
        """The animation frame on view (301 to 303), or None."""
        return self.frames.get((shot or self.grab()).crop(ANIMATION))

    def lives(self, shot=None):
        """Which life icons are on view; a gone one shows the navy ground."""
        shot = shot or self.grab()
        shown = []
        for i in range(3):
            icon = shot.crop(life_box(i))
            if icon == self.life:
                shown.append(i)
            else:
                assert set(icon.pixels()) == {NAVY}, f"life icon {i} neither shown nor gone"
        return shown

    def score(self, shot=None):
        return (shot or self.grab()).crop(SCORE)

    # What a child does.

    def click_at(self, x, y):
        """A click at a point of the game window."""
        self.screen.click(self.x + x, self.y + y)

    def click_start(self):
        self.click_at(START_BUTTON[0] + START_BUTTON[2] // 2, START_BUTTON[1] + 17)

    def click_help(self):
        self.click_at(HELP_BUTTON[0] + HELP_BUTTON[2] // 2, HELP_BUTTON[1] + 17)

    def click_board(self, x, y):
        self.click_at(BOARD[0] + x, BOARD[1] + y)

    def click_key(self, key):
        x, y, w, h = key_rect(key)
        self.click_board(x + w // 2, y + h // 2)

    # Steps of a game, each waiting for what should appear.

    def watch_presentation(self, letters, on_card=None, clock=None, since=None,
                           timeout=30.0):
        """Waits for a presentation of `letters` cards and then for the keyboard to come
        back. Returns the key indexes in the order they were shown. Each card must appear in
        its own box, after the one before it, and all must be gone when the board opens.

        on_card(i, key, (earliest, latest)) is called the moment card i is first seen, with
        the readings of clock() (by default the monotonic clock) between which it appeared:
        from before the last look that did not see it (or from `since`) to after the first
        that did."""
        clock = clock or time.monotonic
        seen = [None] * letters
        end = time.monotonic() + timeout
        before_last = since if since is not None else clock()
        while True:
            before = clock()
            shot = self.grab()
            after = clock()
            for i in range(letters):
                key = self.card(i, shot)
                if key is None:
                    continue
                if seen[i] is None:
                    assert all(s is not None for s in seen[:i]), \
                        f"card {i} came before card {seen.index(None)}"
                    seen[i] = key
                    if on_card:
                        on_card(i, key, (before_last, after))
                assert key == seen[i], f"card {i} changed from {seen[i]} to {key}"
            # The board may still be up from before the start click, until the program has
            # handled it; it counts once the first card has come.
            if seen[0] is not None and self.board_shown(shot):
                break
            before_last = before
            assert time.monotonic() < end, f"no board after the cards; saw {seen}"
            time.sleep(0.01)
        assert None not in seen, f"the board opened before every card was seen: {seen}"
        assert len(set(seen)) == letters, f"a letter came twice in one round: {seen}"
        for i in range(8):
            box = shot.crop(card_box(i))
            assert self.cards.get(box) is None, f"card {i} still on view with the board"
        return seen

    def wait_card(self, i, timeout=20.0):
        """Waits for a card in box i; returns its key index (0 is Q, so not a truth value
        to wait on)."""
        return x11.wait_for(f"a card in box {i}", lambda: (lambda key: None if key is None
                                                           else [key])(self.card(i)),
                            timeout)[0]

    def wait_outline(self, key, timeout=20.0):
        """Waits for the yellow outline round the key's tile; returns the board."""
        x0, yt, w, h = key_rect(key)

        def outlined():
            board = self.board()
            edge = [(x, yt) for x in range(x0, x0 + w)] + \
                   [(x, yt + h - 1) for x in range(x0, x0 + w)] + \
                   [(x0, y) for y in range(yt, yt + h)] + \
                   [(x0 + w - 1, y) for y in range(yt, yt + h)]
            return board if all(board.pixel(x, y) == YELLOW for x, y in edge) else None
        board = x11.wait_for(f"the outline on {LETTERS[key]}", outlined, timeout)
        # Only the tile's edge: inside it and round it the keyboard is as drawn.
        for x, y in ((x0 + 1, yt + 1), (x0 + w - 2, yt + h - 2), (x0 + w // 2, yt + 1)):
            assert board.pixel(x, y) == self.keyboard.pixel(x, y), (x, y)
        for x, y in ((x0 - 1, yt + 5), (x0 + w, yt + 5), (x0 + 5, yt - 1), (x0 + 5, yt + h)):
            if 0 <= x < 400 and 0 <= y < 132:
                assert board.pixel(x, y) == self.keyboard.pixel(x, y), (x, y)
        return board

    def wait_lives(self, count, timeout=20.0):
        """Waits until exactly the first `count` life icons are on view."""
        want = list(range(count))
        x11.wait_for(f"{count} life icons", lambda: self.lives() == want, timeout)

    def wait_score_change(self, before, timeout=20.0):
        return x11.wait_for("the score to change",
                            lambda: (lambda s: s if s != before else None)(self.score()),
                            timeout)

    def watch_round_animation(self, timeout=20.0):
        """Waits for the round animation and until it has gone; returns the frames seen in
        the order they first appeared."""
        frames = []
        end = time.monotonic() + timeout
        while True:
            frame = self.animation()
            if frame and frame not in frames:
                frames.append(frame)
            if frames and frame is None:
                return frames
            assert time.monotonic() < end, f"round animation: saw {frames}"
            time.sleep(0.01)


def stays(what, probe, seconds):
    """Checks that probe() stays true for a while: for what must not happen."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        assert probe(), f"{what}: changed"
        time.sleep(0.02)


def text_colours(label, ground):
    """The colours of the pixels of a label that are not its ground."""
    return [p for p in label.pixels() if p != ground]


def is_red_on(label, ground):
    """Red text drawn on the ground, with anti-aliased edges that blend the two: every
    pixel lies between the two colours, and some are (nearly) fully red."""
    ink = text_colours(label, ground)
    if len(ink) < 20:
        return False
    between = all(
        all(min(a, b) <= c <= max(a, b) for a, b, c in zip(RED, ground, p)) for p in ink)
    strong = sum(1 for p in ink if max(abs(a - b) for a, b in zip(p, RED)) <= 16)
    # Red blended into navy has no green; blended into white, equal green and blue.
    mixed = all(p[1] == (0 if ground == NAVY else p[2]) for p in ink)
    return between and mixed and strong >= 3


def ink_span(label, ground):
    """The left and right edges of what is drawn on the label."""
    xs = [x for y in range(label.height) for x in range(label.width)
          if label.pixel(x, y) != ground]
    return (min(xs), max(xs)) if xs else None


def run(main):
    """The usual end of a test script: exit 77 without a display; print the tally."""
    try:
        passed = main(sys.argv[1])
    except x11.Skip as why:
        print("SKIP:", why)
        sys.exit(77)
    print(f"{passed} passed, 0 failed")


def save_screen(name):
    """Keeps what was on the screen when a test failed, for whoever reads the log."""
    try:
        s = Screen(x11.display())
        try:
            geometry = s.root.get_geometry()
            shot = s.grab(0, 0, geometry.width, geometry.height)
        finally:
            s.close()
        path = os.path.join(os.environ.get("SJB_E2E_ARTIFACTS", tempfile.gettempdir()),
                            f"{name}-failed.ppm")
        rgb = bytearray(shot.width * shot.height * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = shot.data[2::4], shot.data[1::4], shot.data[0::4]
        with open(path, "wb") as f:
            f.write(b"P6 %d %d 255\n" % (shot.width, shot.height) + bytes(rgb))
        print("the screen at the failure:", path)
    except Exception as why:  # the failure itself matters more than its picture
        print("could not keep the screen:", why)


def xdotool_type(program, text):
    """Typing as from a keyboard; see Screen.give_keys for characters that no key has."""
    subprocess.run(["xdotool", "type", "--delay", "80", text], env=program.env, check=True)


class ScoreReader:
    """Reads the score label digit by digit. The label is left-aligned in a font whose
    digits all have the same 8-pixel advance, so each digit is an 8-pixel cell. Only the
    "0" is known at the start (the label shows it before the first game); the other digits
    are learnt as they come, and a digit must look the same every time and unlike every
    other digit."""

    CELL = 8

    def __init__(self, zero_label):
        self.glyphs = {"0": self._cells(zero_label)[0]}

    def _cells(self, label):
        cells = []
        for x in range(0, label.width - self.CELL + 1, self.CELL):
            cell = label.crop((x, 0, self.CELL, label.height))
            if not text_colours(cell, NAVY):
                break
            cells.append(cell)
        # Nothing after the digits.
        assert not text_colours(label.crop((len(cells) * self.CELL, 0,
                                            label.width - len(cells) * self.CELL,
                                            label.height)), NAVY), "ink after the score"
        return cells

    def check(self, label, score):
        """Fails unless the label shows `score`, in red on navy."""
        assert is_red_on(label, NAVY), "the score is not red text on navy"
        cells = self._cells(label)
        text = str(score)
        assert len(cells) == len(text), f"{len(cells)} digits on view, expected {text}"
        for digit, cell in zip(text, cells):
            known = self.glyphs.setdefault(digit, cell)
            assert self.unlike(known, cell) <= 2, f"digit {digit} of {text} looks different"
            for other, glyph in self.glyphs.items():
                assert other == digit or self.unlike(glyph, cell) > 4, \
                    f"{digit} looks like {other}"

    @staticmethod
    def unlike(a, b):
        """How many pixels of two glyphs clearly differ. A glyph may be drawn a fraction of
        a pixel further left or right after a wider digit, which changes its anti-aliased
        edges a little but not its shape."""
        return sum(1 for p, q in zip(a.pixels(), b.pixels()) if abs(p[0] - q[0]) > 128)


class Leaderboard:
    """The leaderboard window ("排行榜"), once it is on view."""

    TITLE = "排行榜"
    HEADING = (24, 16, 225, 25)
    NAME_BOX = (24, 40, 225, 25)

    def __init__(self, game, timeout=20.0):
        self.game = game
        self.window = game.program.window(self.TITLE, timeout)
        self.x, self.y, self.w, self.h = game.program.geometry(self.window)
        # Once painted, the heading is red text on white whatever it says.
        x11.wait_for("the leaderboard heading in red",
                     lambda: is_red_on(self.heading(), WHITE), timeout)

    def grab(self, box):
        x, y, w, h = box
        return self.game.screen.grab(self.x + x, self.y + y, w, h)

    def heading(self):
        return self.grab(self.HEADING)

    def heading_span(self):
        return ink_span(self.heading(), WHITE)

    def name_box(self):
        return self.grab(self.NAME_BOX)

    def name_box_ink(self):
        """How many columns of the name box hold dark text (the text cursor is one)."""
        box = self.name_box()
        return sum(1 for x in range(3, box.width - 3)
                   if any(max(box.pixel(x, y)) < 100 for y in range(3, box.height - 3)))

    def name_box_enabled(self):
        """Whether the name box looks as it does when it takes a name: white inside (and
        a coloured focus frame), rather than greyed out, all in shades of grey."""
        box = self.name_box()
        pixels = box.pixels()
        ground = max(set(pixels), key=pixels.count)
        if ground == WHITE:
            return True
        assert all(r == g == b for r, g, b in pixels) and ground[0] < 250, \
            f"the name box is neither white nor greyed out: {ground}"
        return False

    def click_name_box(self):
        x, y, w, h = self.NAME_BOX
        self.game.screen.click(self.x + x + w // 2, self.y + y + h // 2)

    def type(self, text):
        self.game.screen.give_keys(text)
        xdotool_type(self.game.program, text)

    def press_enter(self):
        self.game.program.xdotool("key", "Return")

    def close_box(self):
        self.game.program.close_box(self.window)

    def is_open(self):
        return bool(self.game.program.xdotool("search", "--onlyvisible", "--name",
                                              f"^{self.TITLE}$"))

    def wait_closed(self, timeout=20.0):
        x11.wait_for("the leaderboard to close", lambda: not self.is_open(), timeout)

    def columns_left_in_view(self, box):
        """The first column of a box of the game window from which on this window does not
        cover it (without a window manager both stand where they were put, and overlap)."""
        left = self.game.x + box[0]
        if self.y >= self.game.y + box[1] + box[3] or self.y + self.h <= self.game.y + box[1]:
            return 0
        return max(0, min(box[2], self.x + self.w - left))
