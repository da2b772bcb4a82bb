"""The real program under a window manager (openbox), at twice the scale on a 1280 x 1024
screen: the game window stands wholly on the screen, the help and leaderboard windows are
its dialogs and stay above it after a click on it, and Escape closes each and gives the game
window back."""
import os, shutil, subprocess, sys, tempfile, time
from Xlib import X, display, error
from Xlib.protocol import event

SCALE = 2


def wait_for(what, test, timeout=30):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = test()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def main(binary):
    name = os.environ.get("SJB_TEST_DISPLAY")
    if not name or not shutil.which("openbox"):
        print("SKIP: needs SJB_TEST_DISPLAY and openbox")
        return 77
    env = dict(os.environ, DISPLAY=name, HOME=tempfile.mkdtemp(), QT_SCALE_FACTOR=str(SCALE))
    d = display.Display(name)
    root = d.screen().root
    atom = lambda n: d.intern_atom(n)
    prop = lambda w, n: (w.get_full_property(atom(n), X.AnyPropertyType) or
                         type("none", (), {"value": []})).value
    wm = subprocess.Popen(["openbox"], env=env, stderr=subprocess.DEVNULL)
    game = None
    try:
        def wm_ready():  # a check window left by an earlier window manager is gone
            try:
                check = prop(root, "_NET_SUPPORTING_WM_CHECK")
                return check and prop(d.create_resource_object("window", check[0]),
                                      "_NET_WM_NAME")
            except error.BadWindow:
                return False
        wait_for("openbox", wm_ready)
        game = subprocess.Popen([binary], env=env)
        xdo = lambda *a: subprocess.run(["xdotool", *a], env=env, check=True)

        def client(title):
            for wid in prop(root, "_NET_CLIENT_LIST"):
                w = d.create_resource_object("window", wid)
                # Qt adds " — 识键宝" to a dialog's caption in the title bar.
                if bytes(prop(w, "_NET_WM_NAME")).decode().split(" — ")[0] == title:
                    return w
        main_window = wait_for("the game window", lambda: client("识键宝"), timeout=60)
        # Wholly on the screen, frame and all, although the place in twips lies off it.
        frame = main_window.query_tree().parent
        wait_for("the frame", lambda: frame.id != root.id and frame.get_geometry().width > 551)
        g = frame.get_geometry()
        assert g.x >= 0 and g.y >= 0 and g.x + g.width <= 1280 and g.y + g.height <= 1024, g
        active = lambda w: list(prop(root, "_NET_ACTIVE_WINDOW"))[:1] == [w.id]
        xdo("windowactivate", str(main_window.id))
        wait_for("the game window to take the keyboard", lambda: active(main_window))
        time.sleep(1)  # the window manager says so before the program has the focus event

        pos = main_window.translate_coords(root, 0, 0)

        def on_top(w):
            return prop(root, "_NET_CLIENT_LIST_STACKING")[-1] == w.id

        def check_dialog(title):
            dialog = wait_for(title, lambda: client(title))
            wait_for(title + " to take the keyboard", lambda: active(dialog))
            assert list(prop(dialog, "WM_TRANSIENT_FOR")) == [main_window.id], title
            assert atom("_NET_WM_WINDOW_TYPE_DIALOG") in prop(dialog, "_NET_WM_WINDOW_TYPE")
            assert prop(dialog, "_NET_WM_ICON"), title + " has no icon"
            # A click on the disabled game window, away from the dialog: it stays on top.
            xdo("mousemove", str(-pos.x + 540 * SCALE), str(-pos.y + 440 * SCALE), "click", "1")
            time.sleep(1)
            assert on_top(dialog), title + " went behind the game window"
            xdo("key", "Escape")
            wait_for(title + " to close", lambda: not client(title))
            wait_for("the game window back", lambda: active(main_window))

        xdo("key", "F1")
        check_dialog("帮助")
        # The start button; then a wrong letter at a time ends the game.
        xdo("mousemove", str(-pos.x + 507 * SCALE), str(-pos.y + 195 * SCALE), "click", "1")

        def leaderboard():
            xdo("key", "q")
            return client("排行榜")
        wait_for("the leaderboard", leaderboard, timeout=120)
        check_dialog("排行榜")
        # The close box, as the window manager presses it: closing the game window ends all.
        root.send_event(event.ClientMessage(window=main_window, client_type=atom(
            "_NET_CLOSE_WINDOW"), data=(32, [0] * 5)), X.SubstructureRedirectMask)
        d.flush()
        assert game.wait(timeout=10) == 0
        print("PASS: dialogs stay above the game window and Escape closes them")
        return 0
    finally:
        for p in (game, wm):
            if p and p.poll() is None:
                p.terminate()
                p.wait()


sys.exit(main(sys.argv[1]))
