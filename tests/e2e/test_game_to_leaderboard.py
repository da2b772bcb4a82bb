"""Two whole games of the real program, played with the mouse and read off the screen.

The first, in a folder without a score file, plays three one-letter rounds and part of a
two-letter round, loses its four lives and puts a Chinese name on the leaderboard; the
file must then hold it in GBK with the right score in the right place. The second, in the
same folder, scores nothing: the leaderboard only shows the table, takes no name, and
leaves the file as it was."""
import os

import screen
from screen import NOWHERE

CONGRATULATIONS_MIN_WIDTH = 120  # "恭喜恭喜!您上榜了。您的大名:" across most of the label
TABLE_ONLY_MAX_WIDTH = 60  # "排行榜": three characters


def score_file(game):
    return os.path.join(game.program.folder, "tavik.tmp")


def read_file(path):
    with open(path, "rb") as f:
        return f.read()


def main(binary):
    passed = 0
    game = screen.Game(binary)
    try:
        zero = game.score()
        reader = screen.ScoreReader(zero)
        reader.check(zero, 0)

        # Round 1: one letter, shown in the first card box; the lives come on view.
        game.click_start()
        keys = game.watch_presentation(1)
        assert game.lives() == [0, 1, 2], game.lives()
        assert game.score() == zero
        passed += 1

        # A right click scores 100, in red; the round animation follows, then round 2.
        game.click_key(keys[0])
        label = game.wait_score_change(zero)
        reader.check(label, 100)
        frames = game.watch_round_animation()
        assert len(frames) >= 2 and set(frames) <= {301, 302, 303}, frames
        passed += 1

        # Round 2: a click that maps to no letter costs the rightmost life and nothing
        # else; the same letter is still expected and scores in full.
        keys = game.watch_presentation(1)
        game.click_board(*NOWHERE)
        game.wait_lives(2)
        assert game.board_shown(), "a wrong click drew on the board"
        reader.check(game.score(), 100)
        game.click_key(keys[0])
        reader.check(game.wait_score_change(label), 200)
        game.watch_round_animation()
        passed += 1

        # Round 3, the last of one letter.
        keys = game.watch_presentation(1)
        label = game.score()
        game.click_key(keys[0])
        reader.check(game.wait_score_change(label), 300)
        game.watch_round_animation()
        passed += 1

        # Round 4 has two letters, each worth 200. The first right click leaves its key
        # outlined in yellow while the game waits for the second.
        keys = game.watch_presentation(2)
        assert game.lives() == [0, 1], game.lives()
        label = game.score()
        game.click_key(keys[0])
        game.wait_outline(keys[0])
        reader.check(game.wait_score_change(label), 500)
        passed += 1

        # Three more wrong clicks: the lives go right to left; the third is game over.
        game.click_board(*NOWHERE)
        game.wait_lives(1)
        game.wait_outline(keys[0])  # a wrong click keeps what the round has drawn
        game.click_board(*NOWHERE)
        game.wait_lives(0)
        game.click_board(*NOWHERE)
        board = screen.Leaderboard(game)
        assert not game.board_shown()
        # The game-over picture, as far as the leaderboard window leaves it in view.
        first = board.columns_left_in_view(screen.ANIMATION)
        assert first < screen.ANIMATION[2], "the leaderboard hides the game-over picture"
        game_over = screen.picture(302)
        shown = game.grab(screen.ANIMATION)
        box = (first, 0, screen.ANIMATION[2] - first, screen.ANIMATION[3])
        assert shown.crop(box) == game_over.crop(box), "no game-over picture"
        passed += 1

        # No score file yet: it is made, and the score takes first place. The heading
        # (red text: the leaderboard is not taken as on view before) congratulates, and the
        # name box takes a name, Chinese included.
        left, right = board.heading_span()
        assert right - left >= CONGRATULATIONS_MIN_WIDTH, (left, right)
        assert board.name_box_enabled(), "the name box is greyed out"
        board.click_name_box()
        board.type("小明")
        # Both characters in view before Enter is pressed: one with the text cursor inks
        # about 8 columns, two about 16.
        x11_wait(lambda: board.name_box_ink() >= 12, "the name in the name box")
        board.press_enter()
        board.wait_closed()
        # The table made when the window opened was ten "0,0" lines; the name replaces it
        # in one go.
        fresh = b"0,0\r\n" * 10
        data = x11_wait(lambda: (lambda d: d if d != fresh else None)(
            read_file(score_file(game))), "the name in the score file")
        expected = b"\xd0\xa1\xc3\xf7,500\r\n" + b"0,0\r\n" * 9  # 小明 in GBK
        assert data == expected, data
        passed += 1

        # Back in the game window: the game-over picture in full, no lives, the score kept.
        x11_wait(lambda: game.animation() == 302, "the game-over picture in full")
        assert game.lives() == []
        reader.check(game.score(), 500)
        passed += 1

        # The second game starts afresh: score 0, three lives, one letter.
        game.click_start()
        keys = game.watch_presentation(1)
        assert game.lives() == [0, 1, 2], game.lives()
        assert game.score() == zero
        assert game.animation() is None
        passed += 1

        # Four wrong clicks and nothing scored: 0 does not beat the table's 0 entries.
        for lives in (2, 1, 0):
            game.click_board(*NOWHERE)
            game.wait_lives(lives)
        game.click_board(*NOWHERE)
        board = screen.Leaderboard(game)
        left, right = board.heading_span()
        assert right - left <= TABLE_ONLY_MAX_WIDTH, (left, right)
        # The name box is greyed out, and typing into it shows nothing and sends nothing.
        assert not board.name_box_enabled(), "the name box takes a name"
        disabled = board.name_box()
        board.click_name_box()
        board.type("abc")
        board.press_enter()
        assert board.name_box_ink() <= 1
        screen.stays("the disabled name box unchanged, the window open",
                     lambda: board.is_open() and board.name_box() == disabled, 0.5)
        board.close_box()
        board.wait_closed()
        assert read_file(score_file(game)) == data, "the score file changed"
        passed += 1

        # The game window takes clicks again: a new game starts.
        game.click_start()
        game.watch_presentation(1)
        assert read_file(score_file(game)) == data
        passed += 1
    finally:
        game.close()
    return passed


def x11_wait(probe, what, timeout=20.0):
    return screen.x11.wait_for(what, probe, timeout)


if __name__ == "__main__":
    screen.run(main)
