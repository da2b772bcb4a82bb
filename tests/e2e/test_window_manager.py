# The real program under a window manager (openbox), at twice the scale on a 1280 x 1024
# screen: the game window stands wholly on the screen, the help and leaderboard windows are
# its dialogs and stay above it after a click on it, and Escape closes each and gives the game
# window back.
import os, shutil, subprocess, sys, tempfile, time  # noqa: E401
from Xlib import X, display
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from waiting import wait_for  # noqa: E402

SCALE = 2


def main(binary):
    if not (name := os.environ.get("SJB_TEST_DISPLAY")) or not shutil.which("openbox"):
        return print("SKIP: needs SJB_TEST_DISPLAY and openbox") or 77
    env = dict(os.environ, DISPLAY=name, HOME=tempfile.mkdtemp(), QT_SCALE_FACTOR=str(SCALE))
    d = display.Display(name)
    root, atom = d.screen().root, d.intern_atom
    prop = lambda w, n: getattr(w.get_full_property(atom(n), X.AnyPropertyType), "value", [])  # noqa: E731
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
            g.x + g.width <= 1280 and g.y + g.height <= 1024)
        active = lambda w: list(prop(root, "_NET_ACTIVE_WINDOW"))[:1] == [w.id]  # noqa: E731
        xdo("windowactivate", main_window.id)
        wait_for("the game window to take the keyboard", lambda: active(main_window))
        time.sleep(1)  # the window manager says so before the program has the focus event
        pos = main_window.translate_coords(root, 0, 0)
        click = lambda x, y: xdo("mousemove", -pos.x + x * SCALE, -pos.y + y * SCALE, "click", 1)  # noqa: E731,E501
        for title, key in (("帮助", "F1"), ("排行榜", "q")):
            # F1 once; or the start button, then a wrong letter at a time till the game ends
            xdo("key", key) if key == "F1" else click(507, 195)
            dialog = wait_for(title, lambda: client(title) or key == "q" and xdo("key", key) and None,
                              timeout=120, every=0.1)
            wait_for(title + " to take the keyboard", lambda: active(dialog))
            assert list(prop(dialog, "WM_TRANSIENT_FOR")) == [main_window.id], title
            assert atom("_NET_WM_WINDOW_TYPE_DIALOG") in prop(dialog, "_NET_WM_WINDOW_TYPE")
            assert prop(dialog, "_NET_WM_ICON"), title + " has no icon"
            # A click on the disabled game window, away from the dialog: it stays on top.
            click(540, 440)
            time.sleep(1)
            assert prop(root, "_NET_CLIENT_LIST_STACKING")[-1] == dialog.id, title + " went behind"
            xdo("key", "Escape")
            wait_for(title + " to close", lambda: not client(title))
            wait_for("the game window back", lambda: active(main_window))
        return print("PASS: dialogs stay above the game window and Escape closes them") or 0
    finally:
        for p in filter(None, (game, wm)):  # nothing, for one that has ended
            p.terminate(), p.wait()

sys.exit(main(sys.argv[1]))
