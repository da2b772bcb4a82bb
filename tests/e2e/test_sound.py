"""The sound that really comes out of the real program, recorded by SDL's disk driver while
a game is played with the mouse: each letter is heard as its card appears, a right click
clicks and the round jingle follows it, a wrong click boops, and at game over the game-over
tune cuts the boop off at once and plays to its end. Also: with a sound device open, the
program still ends when it is sent SIGTERM."""
import os
import shutil
import signal
import tempfile

import recording
import screen
import x11
from recording import frames, ms
from screen import LETTERS, NOWHERE

MATCH = 0.9  # normalised correlation of a sound that plays unchanged (measured: > 0.99)
SLACK = frames(150)  # how far a sound may start from the moment it belongs to

ROUND_COMPLETE, WRONG, GAME_OVER = 102, 104, 105
LETTER_SOUND = 201  # + key index


def main(binary):
    passed = 0
    folder = tempfile.mkdtemp(prefix="shijianbao-sound-")
    recorder = recording.Recorder(os.path.join(folder, "played.raw"))
    try:
        game = screen.Game(binary, {"SDL_AUDIODRIVER": "disk",
                                    "SDL_DISKAUDIOFILE": recorder.path})
    except BaseException:
        shutil.rmtree(folder, ignore_errors=True)
        raise
    try:
        clock = recorder.position

        def wait_until(position, what):
            x11.wait_for(what, lambda: clock() >= position, 30)

        # The device opens with the first sound; the recording runs from then on.

        cards = []

        def seen(i, key, span):
            cards.append((key, span))

        # Round 1, answered right.
        since = clock()
        game.click_start()
        keys = game.watch_presentation(1, on_card=seen, clock=clock, since=since)
        label = game.score()
        click = clock()
        game.click_key(keys[0])
        game.wait_score_change(label)
        scored = clock()
        game.watch_round_animation()

        # Round 2: three wrong clicks, each boop left to play out, then the fourth.
        since = clock()
        game.watch_presentation(1, on_card=seen, clock=clock, since=since)
        wrong = []
        for lives in (2, 1, 0):
            before = clock()
            game.click_board(*NOWHERE)
            game.wait_lives(lives)
            wrong.append((before, clock()))
            wait_until(clock() + recording.Recording.duration(WRONG) + frames(100),
                       "the boop to end")
        over = clock()
        game.click_board(*NOWHERE)
        screen.Leaderboard(game)
        shown = clock()
        wait_until(shown + recording.Recording.duration(GAME_OVER) + frames(600),
                   "the game-over tune to end")

        # SIGTERM ends the program also while it holds a sound device.
        game.program.proc.terminate()
        try:
            code = game.program.proc.wait(10)
        except Exception:
            raise AssertionError("the program ignored SIGTERM")
        assert code == -signal.SIGTERM, code
        passed += 1

        played = recorder.recording()
        assert played.length >= shown, "the recording is shorter than the game"

        # Each letter is heard, unchanged, from the moment its card appeared.
        assert len(cards) == 2, cards
        for key, (earliest, latest) in cards:
            at, match = played.find(LETTER_SOUND + key, earliest - SLACK, latest + SLACK)
            assert match >= MATCH, f"letter {LETTERS[key]} not heard with its card ({match})"
            assert earliest - SLACK <= at <= latest + SLACK, \
                f"{LETTERS[key]} heard at {ms(at):.0f} ms, card seen " \
                f"{ms(earliest):.0f}..{ms(latest):.0f} ms"
        passed += 1

        # The right click: its click sound starts at once (after the letter has ended),
        # and the round jingle about 100 ms later, played in full before the next letter.
        tick = played.onset(click, scored + SLACK)
        assert tick is not None, "nothing heard at the right click"
        assert tick <= scored + SLACK, (ms(click), ms(tick), ms(scored))
        jingle, match = played.find(ROUND_COMPLETE, tick, tick + frames(500))
        assert match >= MATCH, f"no round jingle ({match})"
        assert frames(60) <= jingle - tick <= frames(400), ms(jingle - tick)
        assert played.rms(tick + frames(5), frames(20)) > recording.SILENT * 10, \
            "the click sound is too quiet to hear"
        passed += 1

        # Every wrong click boops, in full when nothing follows.
        for before, after in wrong:
            at, match = played.find(WRONG, before, after + SLACK)
            assert match >= MATCH, f"no boop at a wrong click ({match})"
            assert at <= after + SLACK
        passed += 1

        # Game over: the boop starts and the game-over tune cuts it off within a few
        # milliseconds (the player hands out sound a buffer at a time, so of the boop at
        # most a buffer or two comes out, or none), then the tune plays to its end.
        start = played.onset(over, shown + SLACK)
        assert start is not None, "nothing heard at game over"
        tune, match = played.find(GAME_OVER, start, shown + SLACK)
        assert match >= MATCH, f"the game-over tune is not heard in full ({match})"
        tail = played.correlation(GAME_OVER, tune, (0.75, 1.0))
        assert tail >= MATCH, f"the game-over tune was cut short ({tail})"
        boop = tune - start
        assert boop <= frames(100), f"{ms(boop):.0f} ms of boop before the game-over tune"
        if boop >= frames(2):
            # What came out first is the boop's beginning: not a boop still playing from
            # before, nor the tune early.
            into, match = played.place_in(WRONG, start, tune, frames(100))
            assert match >= MATCH, f"the sound before the game-over tune is not the boop " \
                f"({match:.3f} over {ms(boop):.1f} ms)"
            assert into <= frames(5), f"the boop was {ms(into):.0f} ms in already"
        # A table made afresh plays nothing after it.
        end = tune + recording.Recording.duration(GAME_OVER)
        assert played.rms(end + frames(20), frames(300)) <= recording.SILENT, \
            "something is heard after the game-over tune"
        print(f"game over: {ms(boop):.1f} ms of the boop, then the tune in full "
              f"(correlation {match:.4f})")
        passed += 1
    finally:
        game.close()
        shutil.rmtree(folder, ignore_errors=True)
    return passed


if __name__ == "__main__":
    screen.run(main)
