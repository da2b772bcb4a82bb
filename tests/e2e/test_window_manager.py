# The real program under a window manager (openbox), at twice the scale on a screen of at
# least 1280 x 1024 (scripts/test.sh makes one): the game window stands wholly on the screen
# and comes back when minimised, the help and leaderboard windows are its dialogs and stay
# above it after a click on it, and Escape closes each and gives the game window back; F11
# fills the screen. First, on X servers of its own that report their size in millimetres, the
# game window's client area at its designed 8265 x 6765 twips, and 551 x 451 at 96 dpi.
import os, shutil, subprocess, sys, tempfile  # noqa: E401
import numpy as np
from PIL import Image
from Xlib import X, display
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from waiting import time_limit, wait_for  # noqa: E402

SCALE = 2
# Screen, dots per inch: a 15.6" 1080p laptop, a 14" school laptop, a desktop monitor.
SCREENS = (("1920x1080", 141), ("1366x768", 112), ("1280x1024", 96))
ASSETS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "assets", "pictures")


def own_server(screen, dpi):
    # Xvfb picks a free display and writes its number, a line, once it takes clients. Unless
    # told -noreset it resets whenever its last client leaves, and a client connecting then is
    # turned away: the game, started while xdotool's first searches come and go, ended with
    # "could not connect to display". A client of the test's own holds it from the start too,
    # and shows it takes clients before the game is started.
    r, w = os.pipe()
    log = tempfile.TemporaryFile()
    xvfb = subprocess.Popen(["Xvfb", "-screen", "0", screen + "x24", "-dpi", str(dpi), "-nolisten",
                             "tcp", "-noreset", "-displayfd", str(w)], pass_fds=(w,), stderr=log)
    os.close(w)
    with os.fdopen(r, "rb") as pipe:
        name = ":" + pipe.readline().decode().strip()
    try:
        return xvfb, display.Display(name), name
    except Exception:
        xvfb.kill(), xvfb.wait(), log.seek(0)
        print(f"Xvfb on {name!r} takes no client:", log.read()[-2000:].decode(errors="replace"))
        raise


def designed_size(binary, screen, dpi):
    xvfb, held, name = own_server(screen, dpi)
    # Xvfb's RandR output claims 96 dpi whatever -dpi says, where a real one reads the panel's
    # own millimetres; without RandR, Qt reads the screen's, which -dpi sets.
    env = {k: v for k, v in os.environ.items() if not k.startswith("QT_")}
    env.update(DISPLAY=name, HOME=tempfile.mkdtemp(), SDL_AUDIODRIVER="dummy",
               QT_XCB_NO_XRANDR="1")
    log = tempfile.TemporaryFile()  # what the game said, should it end before its window shows
    game = subprocess.Popen([binary], env=env, stderr=log)
    try:
        shell = wait_for("the window", lambda: game.poll() is not None or subprocess.run([
            "xdotool", "search", "--onlyvisible", "--name", "^识键宝$", "getwindowgeometry",
            "--shell"], env=env, capture_output=True).stdout)
        assert game.poll() is None, (game.returncode, log.seek(0) or log.read()[-2000:])
        got = [int(v[v.index(b"=") + 1:]) for v in shell.split() if v[:3] in (b"WID", b"HEI")]
        want = (8265 * dpi / 1440, 6765 * dpi / 1440)  # in this screen's pixels, within 1 %
        assert all(abs(a - b) <= (b / 100 if dpi != 96 else 0.5) for a, b in zip(got, want)), (
            dpi, got, want)
    finally:
        game.kill(), game.wait(), held.close()
        xvfb.kill(), xvfb.wait()
        shutil.rmtree(env["HOME"])


def full_screen(d, root, window, xdo):
    # F11: the game fills the screen's height or width, centred; a click at the centre of the
    # letter shown, worked out from the keyboard's rows, answers it: the score goes up.
    place = lambda: ((g := window.get_geometry()).width, g.height, -(  # noqa: E731
        p := window.translate_coords(root, 0, 0)).x, -p.y)
    before, screen = place(), root.get_geometry()
    xdo("key", "F11")
    wait_for("the game full screen", lambda: place() == (screen.width, screen.height, 0, 0))
    scale = min(screen.width / 551, screen.height / 451)
    at = lambda x, y: (round((screen.width - 551 * scale) / 2 + x * scale), round(y * scale))  # noqa: E731,E501
    shot = lambda x, y, w, h: np.asarray(Image.frombytes("RGB", (w, h), root.get_image(  # noqa: E731,E501
        x, y, w, h, X.ZPixmap, 0xFFFFFFFF).data, "raw", "BGRX"), float)
    picture = lambda n: np.asarray(Image.open(f"{ASSETS}/{n}.bmp").convert("RGB"), float)  # noqa: E731,E501
    cards, board = [picture(101 + k) for k in range(26)], picture(201)
    h, w = cards[0].shape[:2]

    def card():  # the letter on the first card's place, if one is on view
        (x, y), (x1, y1) = at(50, 225), at(50 + w, 225 + h)
        seen = Image.fromarray(shot(x, y, x1 - x, y1 - y).astype("uint8")).resize((w, h), Image.BOX)
        diff = [np.abs(np.asarray(seen, float) - c).mean() for c in cards]
        return min(diff) < 12 and int(np.argmin(diff)) + 1
    xdo("mousemove", *at(507, 195), "click", 1)  # the start button
    for _ in range(3):  # three rounds of one letter
        key = wait_for("a card", card) - 1
        row = (key >= 10) + (key >= 19)  # Q to P, A to L, Z to M; tiles 40 x 28
        x, y = 25 + (0, 20, 40)[row] + 40 * (key - (0, 10, 19)[row]), 235 + (1, 49, 97)[row]
        tile = board[y - 235 + 14, x - 25 + 20]  # open for answers once it is on view
        wait_for("the board", lambda: (np.abs(shot(*at(x + 20, y + 14), 1, 1) - tile) < 40).all())
        # A wrong key costs a life and leaves the score as it was.
        score = lambda: shot(*at(472, 400), round(65 * scale), round(25 * scale))  # noqa: E731
        was = score()
        xdo("mousemove", *at(x + 20, y + 14), "click", 1)
        wait_for(f"the score for key {key}", lambda: (score() != was).any())
    xdo("key", "F11")  # back where it stood, give or take a rounding
    wait_for("the window back", lambda: sum(abs(a - b) for a, b in zip(place(), before)) <= 2)


def main(binary):
    if not (name := os.environ.get("SJB_TEST_DISPLAY")) or not shutil.which("openbox"):
        return print("SKIP: needs SJB_TEST_DISPLAY and openbox") or 77
    time_limit(90)
    for screen, dpi in SCREENS:
        designed_size(binary, screen, dpi)
    # No sound: without a sound server its client library would leave a folder in TMPDIR.
    env = dict(os.environ, DISPLAY=name, HOME=tempfile.mkdtemp(), QT_SCALE_FACTOR=str(SCALE),
               SDL_AUDIODRIVER="dummy")
    d = display.Display(name)
    root, atom = d.screen().root, d.intern_atom
    prop = lambda w, n: getattr(  # noqa: E731
        w.get_full_property(atom(n), X.AnyPropertyType), "value", [])
    xdo = lambda *a: subprocess.run(["xdotool", *map(str, a)], env=env, check=True)  # noqa: E731
    ready = os.path.join(env["HOME"], "openbox-ready")  # made once openbox manages the screen
    wm = subprocess.Popen(["openbox", "--startup", f"touch {ready}"], env=env,
                          stderr=subprocess.DEVNULL)
    game = None
    try:
        wait_for("openbox", lambda: os.path.exists(ready))
        game = subprocess.Popen([binary], env=env)

        def client(title):  # Qt adds " — 识键宝" to a dialog's caption in the title bar.
            return next((w for w in map(lambda i: d.create_resource_object("window", i), prop(
                root, "_NET_CLIENT_LIST")) if bytes(prop(w, "_NET_WM_NAME")).decode().split(
                " — ")[0] == title), None)
        main_window = wait_for("the game window", lambda: client("识键宝"), timeout=60)
        # Wholly on the screen, frame and all, although the place in twips lies off it.
        frame = main_window.query_tree().parent
        wait_for("the framed window wholly on the screen", lambda: frame.id != root.id and (
            g := frame.get_geometry()).width > 551 and g.x >= 0 and g.y >= 0 and
            g.x + g.width <= (s := root.get_geometry()).width and g.y + g.height <= s.height)

        def happened(what, kind, about=None):  # the next X event of a kind asked for below
            return wait_for(what, lambda: d.pending_events() and (
                e := d.next_event()).type == kind and getattr(e, "atom", None) == about)
        main_window.change_attributes(event_mask=X.StructureNotifyMask)
        root.change_attributes(event_mask=X.PropertyChangeMask)
        d.sync()
        xdo("windowminimize", main_window.id)  # openbox's minimise button
        happened("the game window minimised", X.UnmapNotify)
        happened("the game window back", X.MapNotify)
        active = lambda w: list(prop(root, "_NET_ACTIVE_WINDOW"))[:1] == [w.id]  # noqa: E731
        xdo("windowactivate", main_window.id)
        wait_for("the game window to take the keyboard", lambda: active(main_window))
        pos = main_window.translate_coords(root, 0, 0)
        click = lambda x, y: xdo("mousemove", -pos.x + x * SCALE, -pos.y + y * SCALE, "click", 1)  # noqa: E731,E501
        for title, key in (("帮助", "F1"), ("排行榜", "q")):
            # F1; or the start button, then a wrong letter at a time till the game ends. Each
            # key again until the dialog shows: the program may have the focus a moment later
            # than the window manager says.
            key == "q" and click(507, 195)
            dialog = wait_for(title, lambda: client(title) or xdo("key", key) and None,
                              timeout=60, every=0.1)
            wait_for(title + " to take the keyboard", lambda: active(dialog))
            assert list(prop(dialog, "WM_TRANSIENT_FOR")) == [main_window.id], title
            assert atom("_NET_WM_WINDOW_TYPE_DIALOG") in prop(dialog, "_NET_WM_WINDOW_TYPE")
            assert prop(dialog, "_NET_WM_ICON"), title + " has no icon"
            # A click on the disabled game window, away from the dialog: openbox restacks the
            # windows, and the dialog stays on top.
            [d.next_event() for _ in range(d.pending_events())]
            click(540, 440)
            happened("openbox's restacking", X.PropertyNotify, atom("_NET_CLIENT_LIST_STACKING"))
            assert prop(root, "_NET_CLIENT_LIST_STACKING")[-1] == dialog.id, title + " went behind"
            wait_for(title + " to close on Escape",
                     lambda: not client(title) or xdo("key", "Escape") and None, every=0.2)
            wait_for("the game window back", lambda: active(main_window))
        full_screen(d, root, main_window, xdo)
    finally:
        for p in filter(None, (game, wm)):  # nothing, for one that has ended
            p.kill(), p.wait()
        # The server as it was: openbox leaves the input focus at None, where a program started
        # next on this server would get no keys.
        d.set_input_focus(X.PointerRoot, X.RevertToPointerRoot, X.CurrentTime)
        d.sync()
        shutil.rmtree(env["HOME"])
    return print("PASS: dialogs stay above the game window and Escape closes them") or 0


sys.exit(main(sys.argv[1]))
