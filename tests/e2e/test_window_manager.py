# The real program under a window manager (openbox), at twice the scale on a screen of at
# least 1280 x 1024 (scripts/test.sh makes one): the game window stands wholly on the screen
# and comes back when minimised, the help and leaderboard windows are its dialogs and stay
# above it after a click on it, and Escape closes each and gives the game window back.
import os, shutil, subprocess, sys, tempfile  # noqa: E401
from Xlib import X, display
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from waiting import time_limit, wait_for  # noqa: E402

SCALE = 2


def main(binary):
    if not (name := os.environ.get("SJB_TEST_DISPLAY")) or not shutil.which("openbox"):
        return print("SKIP: needs SJB_TEST_DISPLAY and openbox") or 77
    time_limit(60)
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
