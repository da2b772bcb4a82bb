"""The Debian package made from this build folder: what it declares, what it holds, and the
program it installs, played to the end of a game by a user who may not write beside it. The
score must land in that user's own data folder and nothing may appear beside the program.

The package is unpacked into a scratch root rather than installed, so the machine running the
tests is left as it was. As root (CI), the program runs as the unprivileged user "nobody":
root may write anywhere, and a child's account may not write to /usr/bin."""
import configparser
import os
import pwd
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # nothing left in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import x11  # noqa: E402

APP_ID = "io.github.shijianbao"
ICON_SIZES = (16, 32, 48, 64, 128, 256)
# Each needs a clause of its own, made only of the packages named.
REQUIRED_DEPENDS = [{"libqt6core6"}, {"libqt6gui6"}, {"libqt6widgets6"}, {"qt6-qpa-plugins"},
                    {"libsdl2-2.0-0"}, {"fonts-arphic-uming", "fonts-noto-cjk"}]
NAME = "Tester"

LIGHT_BLUE = (63, 187, 239)
NAVY = (0, 0, 128)
START_BUTTON = (480 + 16, 176 + 16)
KEY_Q = (25 + 20, 235 + 14)  # on the keyboard picture; the bare board when it is hidden
LIVES = [(464 + 8, 8 + 8), (484 + 8, 8 + 8), (504 + 8, 8 + 8)]
NO_LETTER = (25 + 350, 235 + 110)  # a point of the board that is no key: always wrong
NAME_BOX = (24 + 100, 40 + 12)


STARTED = time.monotonic()


def step(what):
    """Progress, so a failure in CI shows how far the test got and how long each step took."""
    print(f"{time.monotonic() - STARTED:6.1f}s {what}", flush=True)


def run(*cmd, **kw):
    r = subprocess.run(cmd, capture_output=True, text=True, **kw)
    assert r.returncode == 0, f"{' '.join(cmd)} failed:\n{r.stdout}{r.stderr}"
    return r.stdout


def build_package(build_dir, cpack, out):
    run(cpack, "-G", "DEB", "-B", out, cwd=build_dir)
    debs = [f for f in os.listdir(out) if f.endswith(".deb")]
    assert len(debs) == 1, debs
    assert re.fullmatch(r"shijianbao_[0-9][^_]*_[a-z0-9]+\.deb", debs[0]), debs[0]
    return os.path.join(out, debs[0])


def installed_version(package):
    r = subprocess.run(["dpkg-query", "-W", "-f=${Status}\t${Version}", package],
                       capture_output=True, text=True)
    if r.returncode != 0 or "\t" not in r.stdout:
        return None
    status, version = r.stdout.split("\t")
    return version if status == "install ok installed" else None


def satisfied_here(alternative):
    """Whether this Debian machine has the alternative "name (op version)" installed."""
    m = re.fullmatch(r"([a-z0-9][a-z0-9+.-]+)(?::[a-z0-9]+)?\s*(?:\((<<|<=|=|>=|>>)\s*(\S+)\))?",
                     alternative.strip())
    assert m, f"malformed dependency {alternative!r}"
    name, op, wanted = m.groups()
    have = installed_version(name)
    if have is None:
        return False
    if op is None:
        return True
    ops = {"<<": "lt", "<=": "le", "=": "eq", ">=": "ge", ">>": "gt"}
    return subprocess.run(["dpkg", "--compare-versions", have, ops[op], wanted]).returncode == 0


def check_control(deb):
    fields = {}
    for field in ("Package", "Section", "Maintainer", "Description", "Depends", "Architecture"):
        fields[field] = run("dpkg-deb", "-f", deb, field).strip()
    assert fields["Package"] == "shijianbao", fields
    assert fields["Section"] == "games", fields
    assert re.fullmatch(r".+ <[^@\s]+@[^@\s]+>", fields["Maintainer"]), fields["Maintainer"]
    summary, _, long = fields["Description"].partition("\n")
    assert summary.strip() and long.strip(), fields["Description"]
    arch = run("dpkg", "--print-architecture").strip()
    assert fields["Architecture"] == arch, fields

    clauses = [[a.strip() for a in c.split("|")] for c in fields["Depends"].split(",")]
    names = [{re.split(r"[\s(:]", a, maxsplit=1)[0] for a in c} for c in clauses]
    for needed in REQUIRED_DEPENDS:
        assert any(n <= needed for n in names), \
            f"no dependency on {' | '.join(sorted(needed))} in {fields['Depends']}"
    # The declared dependencies are real Debian packages at versions this machine has: the
    # program found them all when the tests ran, so the package installs where it was built.
    for clause in clauses:
        assert any(satisfied_here(a) for a in clause), f"{' | '.join(clause)} not installed here"


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", path
    return struct.unpack(">II", head[16:24])


def check_layout(root):
    usr = os.path.join(root, "usr")
    binary = os.path.join(usr, "bin", "shijianbao")
    assert os.access(binary, os.X_OK), binary
    # Stripped: the debugging information is several times the size of the program.
    assert ".debug_info" not in run("readelf", "-S", "-W", binary), "binary not stripped"
    for n in ICON_SIZES:
        icon = os.path.join(usr, "share/icons/hicolor", f"{n}x{n}", "apps", "shijianbao.png")
        assert png_size(icon) == (n, n), (icon, png_size(icon))
    assert os.path.isfile(os.path.join(usr, "share/doc/shijianbao/copyright"))

    desktop = configparser.ConfigParser(interpolation=None)
    desktop.optionxform = str
    desktop.read(os.path.join(usr, "share/applications", f"{APP_ID}.desktop"), encoding="utf-8")
    entry = desktop["Desktop Entry"]
    assert entry["Name"] == "识键宝" and entry["Name[zh_CN]"] == "识键宝", dict(entry)
    assert entry["Exec"] == "shijianbao" and entry["Icon"] == "shijianbao", dict(entry)
    assert entry["Terminal"] == "false", dict(entry)
    assert {"Education", "Game", "KidsGame"} <= set(entry["Categories"].split(";")), dict(entry)
    assert re.search(r"[\u4e00-\u9fff]", entry["Comment"]), entry["Comment"]

    # Both files as a software centre would see them once installed, together.
    r = subprocess.run(["appstreamcli", "validate-tree", "--no-net", "--pedantic", root],
                       capture_output=True, text=True)
    assert r.returncode == 0, r.stdout + r.stderr
    metainfo = os.path.join(usr, "share/metainfo", f"{APP_ID}.metainfo.xml")
    with open(metainfo, encoding="utf-8") as f:
        assert f"<launchable type=\"desktop-id\">{APP_ID}.desktop</launchable>" in f.read()


def snapshot(root):
    """Every path under root with its size and modification time."""
    seen = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            st = os.lstat(path)
            seen[os.path.relpath(path, root)] = (st.st_size, st.st_mtime_ns)
    return seen


class InstalledProgram(x11.Program):
    """The unpacked program, started where it lies, by a user who cannot write there."""

    def __init__(self, binary, home, as_user, err_path):
        self.folder = None
        self.binary = binary
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("XDG_", "QT_")) and k not in ("HOME", "DISPLAY")}
        env.update(DISPLAY=x11.display(), HOME=home, SDL_AUDIODRIVER="dummy")
        self.env = env
        cmd = [binary]
        if as_user is not None:
            cmd = ["setpriv", f"--reuid={as_user.pw_uid}", f"--regid={as_user.pw_gid}",
                   "--clear-groups", "--", binary]
        self.err_path = err_path
        with open(self.err_path, "wb") as err:
            self.proc = subprocess.Popen(cmd, env=env, cwd=home,
                                         stdout=subprocess.DEVNULL, stderr=err)

    def errors(self):
        with open(self.err_path, "rb") as f:
            return f.read().decode(errors="replace")

    def window(self, title, timeout=20.0):
        # Only this process's: a window left over from another program could be on top.
        def find():
            code = self.proc.poll()
            assert code is None, f"the program ended ({code}): {self.errors()}"
            ids = self.xdotool("search", "--all", "--onlyvisible", "--pid", str(self.proc.pid),
                               "--name", f"^{title}$").split()
            return ids[-1] if ids else None
        return x11.wait_for(f"window {title!r}", find, timeout)

    def click(self, window, point):
        # Move and click in one go: clicks lie at screen positions, and no window manager moves
        # the windows. (--sync would wait forever for a move to where the pointer already is.)
        x, y, _, _ = self.geometry(window)
        self.xdotool("mousemove", str(x + point[0]), str(y + point[1]), "click", "1")

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def play_to_the_leaderboard(game, scores):
    window = game.window("识键宝")
    x, y, w, h = game.geometry(window)
    assert (w, h) == (551, 451), (w, h)

    def at(shot, point):
        return game.pixel(shot, x + point[0], y + point[1])

    x11.wait_for("the game window to be painted",
                 lambda: at(game.screenshot(), (545, 100)) == NAVY)
    step("starting a game")
    game.click(window, START_BUTTON)
    # The keyboard goes while the cards are shown and comes back when answers are taken.
    x11.wait_for("the presentation to start",
                 lambda: at(game.screenshot(), KEY_Q) == LIGHT_BLUE, timeout=10)
    x11.wait_for("the keyboard to come back",
                 lambda: at(game.screenshot(), KEY_Q) != LIGHT_BLUE, timeout=10)

    def lives():
        shot = game.screenshot()
        return sum(at(shot, p) != NAVY for p in LIVES)
    step("answering wrong")
    assert lives() == 3
    for left in (2, 1, 0):
        game.click(window, NO_LETTER)
        x11.wait_for(f"{left} lives left", lambda: lives() == left, timeout=10)
    assert not os.path.exists(scores), "score file before the game ended"
    game.click(window, NO_LETTER)

    step("waiting for the leaderboard")
    board = game.window("排行榜", timeout=10)
    # A first game makes a fresh table, and any score takes first place: the name is asked.
    x11.wait_for("the fresh score file", lambda: os.path.exists(scores), timeout=10)
    game.click(board, NAME_BOX)
    game.xdotool("type", "--delay", "20", NAME)
    game.xdotool("key", "Return")
    return window


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return b""


def main(build_dir, cpack):
    # Held for the whole test: an X server resets when its last client leaves, and a program
    # that connects during the reset is turned away.
    from Xlib import display as xdisplay
    keep_alive = xdisplay.Display(x11.display())
    work = tempfile.mkdtemp(prefix="shijianbao-deb-")
    game = None
    try:
        os.chmod(work, 0o755)  # "nobody" must reach the program and its home in here
        step("building the package")
        deb = build_package(build_dir, cpack, os.path.join(work, "out"))
        step("checking what it declares")
        check_control(deb)
        root = os.path.join(work, "root")
        run("dpkg-deb", "-x", deb, root)
        step("checking what it holds")
        check_layout(root)

        as_user = None
        if os.geteuid() == 0:
            as_user = pwd.getpwnam("nobody")
        else:
            # Unpacked by us, the files are ours: take away what a system install would.
            for folder, dirs, _ in os.walk(root):
                for d in dirs:
                    os.chmod(os.path.join(folder, d), 0o555)
        home = os.path.join(work, "home")
        os.mkdir(home, 0o700)
        if as_user is not None:
            os.chown(home, as_user.pw_uid, as_user.pw_gid)
        scores = os.path.join(home, ".local/share/shijianbao/tavik.tmp")
        before = snapshot(root)
        binary = os.path.join(root, "usr/bin/shijianbao")

        # Clicks go to whatever is on top at a screen position: nothing else may be showing.
        for title in ("识键宝", "排行榜"):
            assert not subprocess.run(
                ["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                env=dict(os.environ, DISPLAY=x11.display()), capture_output=True,
                text=True).stdout.strip(), f"a window {title!r} is already on the display"
        step("starting the unpacked program")
        game = InstalledProgram(binary, home, as_user, os.path.join(work, "stderr.txt"))
        window = play_to_the_leaderboard(game, scores)

        step("waiting for the name in the score file")
        expected = (NAME + ",0\r\n").encode() + b"0,0\r\n" * 9
        x11.wait_for("the name in the score file", lambda: read_bytes(scores) == expected,
                     timeout=10)
        x11.wait_for("the leaderboard to close", lambda: not game.xdotool(
            "search", "--onlyvisible", "--name", "^排行榜$"), timeout=10)
        assert snapshot(root) == before, "something written beside the installed program"
        assert os.listdir(os.path.dirname(scores)) == ["tavik.tmp"]

        step("closing the game")
        game.close_box(window)
        code = game.proc.wait(10)
        assert code == 0, (code, game.errors())
        assert os.listdir(os.path.join(root, "usr/bin")) == ["shijianbao"]
        print(f"package {os.path.basename(deb)}: {os.path.getsize(deb)} bytes")
    finally:
        if game is not None:
            game.close()
        for folder, dirs, _ in os.walk(work):
            for d in dirs:
                try:
                    os.chmod(os.path.join(folder, d), 0o755)
                except OSError:
                    pass
        shutil.rmtree(work, ignore_errors=True)
        keep_alive.close()


if __name__ == "__main__":
    try:
        main(sys.argv[1], sys.argv[2])
    except x11.Skip as why:
        print("SKIP:", why)
        sys.exit(77)
    print("1 passed, 0 failed")
