# The .deb as scripts/package.sh makes it: the same bytes from two builds of this checkout, its
# control fields, its files, lintian's verdict, and its program, unpacked (not installed) and
# played to the end of a game by a user who may not write beside it ("nobody" when run as
# root), so the table is made in that user's data folder.
import gzip, os, pwd, shutil, subprocess, sys, tempfile  # noqa: E401
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from waiting import time_limit, wait_for  # noqa: E402


def run(*cmd, **kw):
    r = subprocess.run(cmd, capture_output=True, text=True, **kw)
    assert r.returncode == 0, f"{' '.join(cmd)} failed:\n{r.stdout}{r.stderr}"
    return r.stdout


def check_package(deb, usr, version):
    field = dict(f.split(": ", 1) for f in run("dpkg-deb", "-f", deb).splitlines()
                 if f[:1].isalpha())
    # A wrong Architecture or Section is lintian's to find; Wayland needs Qt's plugin.
    assert field["Version"].startswith(f"{version}-") and field["Recommends"] == "qt6-wayland"
    # What the program cannot link but needs: the platform plugin, a Song-style font.
    assert all(n in field["Depends"] for n in ("qt6-qpa-plugins", "libsdl2-2.0-0",
               "fonts-arphic-uming | fonts-noto-cjk")), field["Depends"]
    # The program ran here when the tests did, so the package must install here.
    run("dpkg-checkbuilddeps", "-d", field["Depends"], "/dev/null")
    # lintian leaves a file in its TMPDIR: the package's folder, which goes with the test.
    run("lintian", "--fail-on", "error,warning", deb,
        env=dict(os.environ, TMPDIR=os.path.dirname(deb)))
    # Stripped (the debugging information is several times the program), and hardened.
    elf = run("readelf", "-S", "-d", "--dyn-syms", "-W", f"{usr}/games/shijianbao")
    assert ".debug_info" not in elf and "BIND_NOW" in elf and "__stack_chk_fail" in elf
    files = ["doc/shijianbao/copyright", "doc/shijianbao/changelog.Debian.gz",
             "man/man6/shijianbao.6.gz", "metainfo/io.github.shijianbao.metainfo.xml",
             "applications/io.github.shijianbao.desktop"] + [
                 f"icons/hicolor/{n}x{n}/apps/shijianbao.png" for n in (16, 32, 48, 64, 128, 256)]
    assert not (missing := [f for f in files if not os.path.isfile(f"{usr}/share/{f}")]), missing
    run("appstreamcli", "validate-tree", "--no-net", "--pedantic", os.path.dirname(usr))
    # Hints are allowed: Education;Game; together draw one, and the game belongs in both menus.
    entry = run("desktop-file-validate", f"{usr}/share/{files[4]}")
    assert "error:" not in entry and "warning:" not in entry, entry
    # The changelog names the package's version, and the menu starts a program it holds.
    assert f"({field['Version']})" in gzip.open(f"{usr}/share/{files[1]}", "rt").readline()
    assert "Exec=shijianbao" in open(f"{usr}/share/{files[4]}").read().split()


def package(source, work, n):
    # Each as from a checkout of its own: in a folder of its own, from pictures and sounds written
    # at another time. Without the tests, each build takes about a minute on two cores.
    assets = shutil.copytree(f"{source}/assets", f"{work}/assets{n}", copy_function=shutil.copy)
    run(f"{source}/scripts/package.sh", f"-DSHIJIANBAO_ASSETS_DIR={assets}",
        env=dict(os.environ, BUILD_DIR=f"{work}/build{n}"))
    return next(f"{work}/build{n}/{d}" for d in os.listdir(f"{work}/build{n}") if d[-4:] == ".deb")


def play(root, home, user):
    # Tab and Space start a game; "q", pressed until the game ends, is mostly a wrong answer.
    env = {k: v for k, v in os.environ.items() if not k.startswith(("XDG_", "QT_"))}
    env.update(DISPLAY=os.environ["SJB_TEST_DISPLAY"], HOME=home, SDL_AUDIODRIVER="dummy")
    setpriv = ["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}", "--clear-groups",
               "--"] if os.geteuid() == 0 else []
    # stderr to a file: a pipe nobody reads could stall the program.
    game = subprocess.Popen(setpriv + [f"{root}/usr/games/shijianbao"], env=env, cwd=home,
                            stdout=subprocess.DEVNULL, stderr=(err := tempfile.TemporaryFile()))

    def xdotool(*args):
        return subprocess.run(["xdotool", *args], env=env, capture_output=True).stdout.split()

    def shown(title):
        assert game.poll() is None, f"the program ended: {err.seek(0) or err.read()}"
        return xdotool("search", "--all", "--onlyvisible", "--pid", str(game.pid), "--name",
                       f"^{title}$")

    try:
        xdotool("windowfocus", "--sync", wait_for("识键宝", lambda: shown("识键宝"))[-1])
        xdotool("key", "--delay", "100", "Tab", "space")
        wait_for("排行榜", lambda: shown("排行榜") or xdotool("key", "q"), 120, 0.1)
        # The user's own table, made when the leaderboard opened; nothing beside the program.
        scores = open(f"{home}/.local/share/shijianbao/tavik.tmp", "rb").read()
        assert scores == b"0,0\r\n" * 10, scores
    finally:
        game.kill()
        game.wait()


def main(source, version):
    tools = ("xdotool", "lintian", "appstreamcli", "desktop-file-validate", "dpkg-checkbuilddeps")
    if not all([*map(shutil.which, tools), os.getenv("SJB_TEST_DISPLAY")]):
        return print(f"SKIP: needs SJB_TEST_DISPLAY and {', '.join(tools)}") or 77
    time_limit(840)
    # Root's TMPDIR may be private: "nobody" must reach the program and its home.
    work = tempfile.mkdtemp(prefix="shijianbao-deb-", dir="/tmp" if os.geteuid() == 0 else None)
    root, home = f"{work}/root", f"{work}/home"
    try:
        os.chmod(work, 0o755)
        deb = package(source, work, 1)
        assert open(deb, "rb").read() == open(package(source, work, 2), "rb").read()
        run("dpkg-deb", "-x", deb, root)
        check_package(deb, f"{root}/usr", version)
        user = pwd.getpwnam("nobody") if os.geteuid() == 0 else pwd.getpwuid(os.getuid())
        os.mkdir(home, 0o700)
        os.chown(home, user.pw_uid, user.pw_gid)
        os.chmod(f"{root}/usr/games", 0o555)  # as a system install: not the user's to write
        play(root, home, user)
    finally:
        subprocess.run(["chmod", "-R", "u+w", work])
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
