"""Start-up reads and writes no score file: with a pipe called tavik.tmp beside the program
the window still appears, nothing new lies beside it or in the per-user folder."""
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
import screen  # noqa: E402
import x11  # noqa: E402


def main(binary):
    folder, home = tempfile.mkdtemp(prefix="shijianbao-startup-"), tempfile.mkdtemp()
    pipe = os.path.join(folder, "tavik.tmp")
    os.mkfifo(pipe)
    x11.tempfile.mkdtemp = lambda prefix: folder  # the copy of the game lands beside the pipe
    game = x11.Program(binary, {"HOME": home, "XDG_DATA_HOME": home})
    try:
        window = game.window("识键宝", timeout=15)
        assert sorted(os.listdir(folder)) == ["shijianbao", "stderr.txt", "tavik.tmp"]
        assert os.listdir(home) == [], os.listdir(home)
        game.close_box(window)
        assert game.proc.wait(10) == 0
    finally:
        game.close()
        os.rmdir(home)
    return 1


if __name__ == "__main__":
    screen.run(main)
