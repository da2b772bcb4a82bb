"""The help button of the real program, in the middle of a game: the rules come up where
they belong, the game window takes no clicks while they are open, and once they are closed
the same game goes on. Also opened while letters are being shown: the presentation goes on
behind the help window."""
import screen
from screen import BOARD, WHITE

HELP_AT = (147, 133)  # Left 2200, Top 2000 twips


class Help:
    TITLE = "帮助"

    def __init__(self, game):
        self.game = game
        self.window = game.program.window(self.TITLE)
        self.x, self.y, self.w, self.h = game.program.geometry(self.window)
        # The rules: dark text on white, once painted.
        screen.x11.wait_for("the help text", self.painted)

    def painted(self):
        text = self.game.screen.grab(self.x + 16, self.y + 40, 297, 249)
        pixels = text.pixels()
        return pixels.count(WHITE) > len(pixels) // 2 and \
            sum(1 for p in pixels if max(p) < 128) > 500

    def close(self):
        self.game.program.close_box(self.window)
        screen.x11.wait_for("the help window to close", lambda: not self.game.program.xdotool(
            "search", "--onlyvisible", "--name", f"^{self.TITLE}$"))

    def board_columns_in_view(self):
        """The keyboard's columns that the help window leaves in view, on the right."""
        return max(0, self.x + self.w - (self.game.x + BOARD[0]))


def main(binary):
    passed = 0
    game = screen.Game(binary)
    try:
        zero = game.score()
        reader = screen.ScoreReader(zero)
        game.click_start()
        keys = game.watch_presentation(1)

        # Help while the game waits for the letter.
        game.click_help()
        help_window = Help(game)
        assert (help_window.x, help_window.y) == HELP_AT, (help_window.x, help_window.y)
        passed += 1

        # The game window is disabled: the start button, in view beside the help window,
        # does not start a new game (which would hide the board and show a card at once).
        game.click_start()
        help_window.close()

        def board_or_card():
            shot = game.grab()
            if game.card(0, shot) is not None:
                return "card"
            return "board" if game.board_shown(shot) else None
        assert screen.x11.wait_for("the game window again", board_or_card) == "board", \
            "the start button worked behind the help window"
        assert game.lives() == [0, 1, 2]
        passed += 1

        # The same game goes on: the same letter is expected and scores.
        game.click_key(keys[0])
        reader.check(game.wait_score_change(zero), 100)
        game.watch_round_animation()
        passed += 1

        # Help while a letter is being shown: the presentation goes on behind it, and the
        # keyboard comes back where the help window leaves it in view.
        key = game.wait_card(0)
        game.click_help()
        help_window = Help(game)
        first = help_window.board_columns_in_view()
        assert first < BOARD[2] - 40, "the help window hides the whole keyboard"
        part = (first, 0, BOARD[2] - first, BOARD[3])
        screen.x11.wait_for("the keyboard beside the help window",
                            lambda: game.board().crop(part) == game.keyboard.crop(part))
        help_window.close()
        screen.x11.wait_for("the keyboard", game.board_shown)
        label = game.score()
        game.click_key(key)
        reader.check(game.wait_score_change(label), 200)
        game.watch_round_animation()
        passed += 1
    finally:
        game.close()
    return passed


if __name__ == "__main__":
    screen.run(main)
