#pragma once

#include <QtGlobal>

#include <array>

// Shuffled key indexes; a round is order[0 .. level].
using LetterOrder = std::array<qint16, 41>;

// Everything a game is: the main window holds one of these for the life of the process.
struct GameState
{
    qint32 fcount = 0;      // score of the running game
    bool accepting = false; // the keyboard takes answers
    qint16 level = 0;       // a round has level + 1 letters (0..7)
    qint16 rounds = 0;      // rounds completed at this level (0..2)
    qint16 pos = 0;         // place in the round's sequence that must be clicked next
    qint16 lives = 0;       // spare lives left; -1 ends the game
    LetterOrder order{};    // shuffled key indexes; a round is order[0..level]
    qint16 letterCount = 0; // how many letters are shuffled (26)
    // The last letter of a round has been clicked and the next round is on its way. The board
    // is still in view for a moment, but a further click must not count against the next round
    // (whose letters are not even drawn yet).
    bool roundComplete = false;
};
