"""The Debian package made from this build folder: what it declares, what it holds, and the
program it installs, played to the end of a game by a user who may not write beside it, so the
score must land in that user's data folder. The package is unpacked into a scratch root, not
installed. As root (CI) the program runs as "nobody": root may write anywhere."""
import filecmp
import os
import pathlib
import pwd
import re
import shutil
import struct
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # nothing left in the source tree
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path.insert(0, os.path.join(SOURCE, "tests", "e2e"))
import x11  # noqa: E402

APP_ID = "io.github.shijianbao"
# Each needs a clause of its own, made only of the packages named.
REQUIRED_DEPENDS = [{"libqt6core6"}, {"libqt6gui6"}, {"libqt6widgets6"}, {"qt6-qpa-plugins"},
                    {"libsdl2-2.0-0"}, {"fonts-arphic-uming", "fonts-noto-cjk"}]
NAME = "Tester"
LIGHT_BLUE, NAVY = (63, 187, 239), (0, 0, 128)
START_BUTTON = (480 + 16, 176 + 16)
KEY_Q = (25 + 20, 235 + 14)  # on the keyboard picture; the bare board while it is hidden
LIVES = [(464 + 8, 8 + 8), (484 + 8, 8 + 8), (504 + 8, 8 + 8)]
NO_LETTER = (25 + 350, 235 + 110)  # board but no key: always a wrong answer
NAME_BOX = (24 + 100, 40 + 12)


def run(*cmd, **kw):
    r = subprocess.run(cmd, capture_output=True, text=True, **kw)
    assert r.returncode == 0, f"{' '.join(cmd)} failed:\n{r.stdout}{r.stderr}"
    return r.stdout


def satisfied_here(alternative):
    """Whether the alternative "name (op version)" is installed on this machine."""
    name, op, wanted = re.fullmatch(r"([^\s:(]+)(?::\S+)?\s*(?:\((\S+)\s*(\S+)\))?",
                                    alternative).groups()
    r = subprocess.run(["dpkg-query", "-W", "-f=${db:Status-Status} ${Version}", name],
                       capture_output=True, text=True)
    status, _, have = r.stdout.partition(" ")
    return r.returncode == 0 and status == "installed" and (op is None or subprocess.run(
        ["dpkg", "--compare-versions", have, op, wanted]).returncode == 0)


def check_control(deb):
    f = {k: run("dpkg-deb", "-f", deb, k).strip()
         for k in ("Package", "Section", "Maintainer", "Description", "Depends", "Architecture")}
    assert (f["Package"], f["Section"]) == ("shijianbao", "games"), f
    assert f["Architecture"] == run("dpkg", "--print-architecture").strip(), f
    assert re.fullmatch(r".+ <[^@\s]+@[^@\s]+>", f["Maintainer"]), f
    summary, _, long = f["Description"].partition("\n")
    assert summary.strip() and long.strip(), f
    clauses = [[a.strip() for a in c.split("|")] for c in f["Depends"].split(",")]
    names = [{re.split(r"[\s(:]", a, maxsplit=1)[0] for a in c} for c in clauses]
    for needed in REQUIRED_DEPENDS:
        assert any(n <= needed for n in names), f"no {' | '.join(sorted(needed))} in {f['Depends']}"
    # The program found them all when the tests ran, so the package installs where it was built.
    for clause in clauses:
        assert any(map(satisfied_here, clause)), f"{' | '.join(clause)} not installed here"


def check_layout(root):
    usr = os.path.join(root, "usr")
    binary = os.path.join(usr, "bin/shijianbao")
    assert os.access(binary, os.X_OK), binary
    # The debugging information is several times the size of the program.
    assert ".debug_info" not in run("readelf", "-S", "-W", binary), "binary not stripped"
    for n in (16, 32, 48, 64, 128, 256):
        with open(os.path.join(usr, f"share/icons/hicolor/{n}x{n}/apps/shijianbao.png"), "rb") as f:
            head = f.read(24)
        assert head[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", head[16:]) == (n, n), n
    assert os.path.isfile(os.path.join(usr, "share/doc/shijianbao/copyright"))
    # As validated by the tests packaging_desktop_entry and packaging_metainfo.
    for installed in (f"applications/{APP_ID}.desktop", f"metainfo/{APP_ID}.metainfo.xml"):
        assert filecmp.cmp(os.path.join(usr, "share", installed),
                           os.path.join(SOURCE, "packaging", os.path.basename(installed)), False)
    with open(os.path.join(usr, f"share/applications/{APP_ID}.desktop"), encoding="utf-8") as f:
        entry = f.read().splitlines()
    assert {"Exec=shijianbao", "Icon=shijianbao", "Name=识键宝"} <= set(entry), entry
    # Both files as a software centre sees them once installed, together.
    run("appstreamcli", "validate-tree", "--no-net", "--pedantic", root)


def snapshot(root):
    return {os.path.join(d, n): (os.lstat(os.path.join(d, n)).st_size,
                                 os.lstat(os.path.join(d, n)).st_mtime_ns)
            for d, dirs, files in os.walk(root) for n in dirs + files}


class InstalledProgram(x11.Program):
    """The unpacked program, started where it lies, by a user who cannot write there."""

    def __init__(self, binary, home, as_user, err_path):
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("XDG_", "QT_")) and k not in ("HOME", "DISPLAY")}
        self.env.update(DISPLAY=x11.display(), HOME=home, SDL_AUDIODRIVER="dummy")
        cmd = [binary] if as_user is None else [
            "setpriv", f"--reuid={as_user.pw_uid}", f"--regid={as_user.pw_gid}",
            "--clear-groups", "--", binary]
        self.stderr_path = err_path
        with open(err_path, "wb") as err:
            self.proc = subprocess.Popen(cmd, env=self.env, cwd=home,
                                         stdout=subprocess.DEVNULL, stderr=err)

    def window(self, title, timeout=20.0):
        def find():  # only this process's: another program's window could be on top
            assert self.proc.poll() is None, f"the program ended: {self.stderr()}"
            ids = self.xdotool("search", "--all", "--onlyvisible", "--pid", str(self.proc.pid),
                               "--name", f"^{title}$").split()
            return ids[-1] if ids else None
        return x11.wait_for(f"window {title!r}", find, timeout)

    def click(self, window, point):
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

    def at(point, shot=None):
        return game.pixel(shot or game.screenshot(), x + point[0], y + point[1])

    def lives():
        shot = game.screenshot()
        return sum(at(p, shot) != NAVY for p in LIVES)

    x11.wait_for("the game window to be painted", lambda: at((545, 100)) == NAVY)
    game.click(window, START_BUTTON)
    # The keyboard goes while the cards are shown and comes back when answers are taken.
    x11.wait_for("the presentation", lambda: at(KEY_Q) == LIGHT_BLUE, timeout=10)
    x11.wait_for("the keyboard to come back", lambda: at(KEY_Q) != LIGHT_BLUE, timeout=10)
    assert lives() == 3
    for left in (2, 1, 0):
        game.click(window, NO_LETTER)
        x11.wait_for(f"{left} lives left", lambda: lives() == left, timeout=10)
    assert not os.path.exists(scores), "score file before the game ended"
    game.click(window, NO_LETTER)
    # A first game makes a fresh table, where any score is first: the name is asked for.
    board = game.window("排行榜", timeout=10)
    x11.wait_for("the fresh score file", lambda: os.path.exists(scores), timeout=10)
    game.click(board, NAME_BOX)
    game.xdotool("type", "--delay", "20", NAME)
    game.xdotool("key", "Return")
    return window


def main(build_dir, cpack):
    # An X server resets when its last client leaves and turns away whoever connects meanwhile.
    from Xlib import display as xdisplay
    keep_alive = xdisplay.Display(x11.display())
    work = tempfile.mkdtemp(prefix="shijianbao-deb-")
    root = os.path.join(work, "root")
    bin_dir = os.path.join(root, "usr/bin")
    game = None
    try:
        os.chmod(work, 0o755)  # "nobody" must reach the program and its home
        run(cpack, "-G", "DEB", "-B", os.path.join(work, "out"), cwd=build_dir)
        debs = [d for d in os.listdir(os.path.join(work, "out")) if d.endswith(".deb")]
        assert len(debs) == 1, debs
        assert re.fullmatch(r"shijianbao_[0-9][^_]*_[a-z0-9]+\.deb", debs[0]), debs
        deb = os.path.join(work, "out", debs[0])
        check_control(deb)
        run("dpkg-deb", "-x", deb, root)
        check_layout(root)

        as_user = pwd.getpwnam("nobody") if os.geteuid() == 0 else None
        if as_user is None:  # ours once unpacked: take away what a system install would
            os.chmod(bin_dir, 0o555)
        home = os.path.join(work, "home")
        os.mkdir(home, 0o700)
        if as_user is not None:
            os.chown(home, as_user.pw_uid, as_user.pw_gid)
        scores = os.path.join(home, ".local/share/shijianbao/tavik.tmp")
        before = snapshot(root)
        game = InstalledProgram(os.path.join(bin_dir, "shijianbao"), home, as_user,
                                os.path.join(work, "stderr.txt"))
        window = play_to_the_leaderboard(game, scores)

        expected = f"{NAME},0\r\n".encode() + b"0,0\r\n" * 9
        x11.wait_for("the name in the score file", lambda: os.path.exists(scores)
                     and pathlib.Path(scores).read_bytes() == expected, timeout=10)
        x11.wait_for("the leaderboard to close", lambda: not game.xdotool(
            "search", "--onlyvisible", "--name", "^排行榜$"), timeout=10)
        assert os.listdir(os.path.dirname(scores)) == ["tavik.tmp"]
        game.close_box(window)
        assert game.proc.wait(10) == 0, (game.proc.returncode, game.stderr())
        assert snapshot(root) == before, "something written beside the installed program"
        print(f"package {debs[0]}: {os.path.getsize(deb)} bytes")
    finally:
        if game is not None:
            game.close()
        if os.path.isdir(bin_dir):
            os.chmod(bin_dir, 0o755)
        shutil.rmtree(work, ignore_errors=True)
        keep_alive.close()


if __name__ == "__main__":
    try:
        main(sys.argv[1], sys.argv[2])
    except x11.Skip as why:
        print("SKIP:", why)
        sys.exit(77)
    print("1 passed, 0 failed")
