"""The real program opens its game window where it belongs, with its pictures in place,
and closing the window ends the process."""
import sys

import x11

NAVY = (0, 0, 128)
LIGHT_BLUE = (63, 187, 239)


def main(binary):
    game = x11.Program(binary)
    try:
        window = game.window("识键宝")
        x, y, w, h = game.geometry(window)
        assert (w, h) == (551, 451), (w, h)
        # Left 2000, Top 1000 twips; without a window manager the window sits exactly there.
        assert (x, y) == (133, 67), (x, y)

        def painted():
            shot = game.screenshot()
            return shot if game.pixel(shot, x + 545, y + 100) == NAVY else None
        shot = x11.wait_for("the window to be painted", painted)
        # The keyboard on its light-blue board, and the navy strip on the right.
        assert game.pixel(shot, x + 30, y + 400) == LIGHT_BLUE, game.pixel(shot, x + 30, y + 400)
        assert game.pixel(shot, x + 25 + 10, y + 235 + 62) == LIGHT_BLUE  # left of A
        assert game.pixel(shot, x + 25 + 20, y + 235 + 14) != LIGHT_BLUE  # on Q

        game.close_box(window)
        code = game.proc.wait(10)
        assert code == 0, code
        err = game.stderr()
        assert "QObject" not in err and "Segmentation" not in err, err
    finally:
        game.close()


if __name__ == "__main__":
    try:
        main(sys.argv[1])
    except x11.Skip as why:
        print("SKIP:", why)
        sys.exit(77)
    print("1 passed, 0 failed")
