#pragma once

#include "game/gamestate.h"
#include "game/stepsequence.h"

#include <QPoint>
#include <QString>
#include <Qt>

class GameView;
class RandomSource;
class Scheduler;

// A game of letters from the start button to the leaderboard: the state, the letters of each
// round, the judging of answers, and every timed step (the presentation, the round animation,
// the change of round, the end of the game). The main window forwards its events here and
// shows what the view is told; it decides nothing itself. What each input does depends on the
// phase of the game and on whether help is open.
class LetterGame
{
public:
    LetterGame(Scheduler &scheduler, RandomSource &random, GameView &view);
    ~LetterGame();
    LetterGame(const LetterGame &) = delete;
    LetterGame &operator=(const LetterGame &) = delete;

    const GameState &state() const { return m_state; }

    // The start button: a new game, whatever is going on.
    void start();
    // A mouse-down on the keyboard picture at (x, y) in its pixels, any button.
    void boardMouseDown(int x, int y);
    // A key pressed in the game window, as the text it types: a letter A to Z, in either case
    // and without Ctrl, Alt or Meta, counts as a click in the middle of that letter's key.
    // Returns whether the key was a letter answer (judged or not), so the window can leave
    // every other key to the buttons.
    bool letterKey(const QString &text, Qt::KeyboardModifiers modifiers);
    // The help window opens and closes.
    void helpOpened();
    void helpClosed();
    // The leaderboard window closes: its answer to the score has no one to play for.
    void leaderboardClosed();
    // The window goes: nothing of the game may happen any more.
    void stop();

private:
    void judgeIfWaiting(QPoint at);
    void enter(Phase phase);
    void newGame();
    void PresentSequence();
    void PlayRoundAnimation();
    void EndGame();
    void answer(QPoint at);

    GameState m_state;
    RandomSource &m_random;
    GameView &m_view;
    // The presentation, the round animation and the pauses around them: at most one runs.
    StepSequence m_sequence;
};
