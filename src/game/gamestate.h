#pragma once

#include <QtGlobal>

#include <array>

// Shuffled key indexes; a round is order[0 .. level].
using LetterOrder = std::array<qint16, 41>;

// Where a game stands. Help can be open in any phase; it does not change the phase.
enum class Phase
{
    Idle,          // no game yet
    Presenting,    // the round's cards come one by one; the board is hidden
    Answering,     // the board is on screen and waits for the round's letters
    RoundComplete, // the last letter was given: a moment of the board, then the animation
    GameOver,      // the fourth mistake; the leaderboard has the score
};

// Everything a game is: the main window holds one of these for the life of the process.
struct GameState
{
    qint32 fcount = 0; // score of the running game
    Phase phase = Phase::Idle;
    bool helpOpen = false;  // the help window covers the game
    qint16 level = 0;       // a round has level + 1 letters (0..7)
    qint16 rounds = 0;      // rounds completed at this level (0..2)
    qint16 pos = 0;         // place in the round's sequence that must be clicked next
    qint16 lives = 0;       // spare lives left; -1 ends the game
    LetterOrder order{};    // shuffled key indexes; a round is order[0..level]
    qint16 letterCount = 0; // how many letters are shuffled (26)
};
