# The real program on screens of three pixel densities, each an X server of the test's own
# that reports its size in millimetres: the game window's client area is drawn at its designed
# 8265 x 6765 twips (14.6 x 11.9 cm) where that fits, and at 551 x 451 pixels at 96 dpi.
import os, shutil, subprocess, sys, tempfile  # noqa: E401
from Xlib import display
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from waiting import time_limit, wait_for  # noqa: E402

# Screen, its dots per inch; a 15.6" 1080p laptop, a 14" school laptop, a desktop monitor.
SCREENS = (("1920x1080", 141), ("1366x768", 112), ("1280x1024", 96))


def client_size(binary, screen, dpi):
    r, w = os.pipe()  # Xvfb picks a free display and writes its number here when it is ready
    xvfb = subprocess.Popen(["Xvfb", "-screen", "0", screen + "x24", "-dpi", str(dpi),
                             "-nolisten", "tcp", "-displayfd", str(w)], pass_fds=(w,),
                            stderr=subprocess.DEVNULL)
    os.close(w)
    name, home, game = ":" + os.read(r, 16).decode().strip(), tempfile.mkdtemp(), None
    try:
        # Xvfb's RandR output claims 96 dpi whatever -dpi says, where a real one reads the
        # panel's own millimetres; without RandR, Qt reads the screen's, which -dpi sets.
        env = dict(os.environ, DISPLAY=name, HOME=home, SDL_AUDIODRIVER="dummy",
                   QT_QPA_PLATFORM="xcb", DBUS_SESSION_BUS_ADDRESS="disabled:",
                   QT_XCB_NO_XRANDR="1")
        for v in ("QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS"):
            env.pop(v, None)
        game = subprocess.Popen([binary], env=env)
        d = display.Display(name)
        found = lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^识键宝$"],  # noqa: E731,E501
                                       env=env, capture_output=True).stdout.split()
        window = d.create_resource_object("window", int(wait_for("the window", found)[0]))
        g = window.get_geometry()
        return g.width, g.height
    finally:
        for p in filter(None, (game, xvfb)):
            p.kill(), p.wait()
        shutil.rmtree(home)


def main(binary):
    if not shutil.which("Xvfb"):
        return print("SKIP: needs Xvfb") or 77
    time_limit(60)
    for screen, dpi in SCREENS:
        got = client_size(binary, screen, dpi)
        # The designed size in this screen's pixels; Xvfb rounds its millimetres.
        want = (8265 * dpi / 1440, 6765 * dpi / 1440)
        assert all(abs(g - w) <= w * 0.01 for g, w in zip(got, want)), (screen, dpi, got, want)
        assert dpi != 96 or got == (551, 451), got
    return print("PASS: the game window at its designed size on each screen") or 0


sys.exit(main(sys.argv[1]))
