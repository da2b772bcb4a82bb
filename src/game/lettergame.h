#pragma once

#include "gamestate.h"

#include <QLine>

#include <array>

// The rules of a game, apart from any window: where a click on the keyboard picture lands,
// what it scores, and when a round, a level or the game is over. The main window shows the
// outcome; it decides nothing itself.
namespace LetterGame {

constexpr int StartLives = 3;
constexpr int RoundsPerLevel = 3;
constexpr int TopLevel = 7; // eight letters: two full rows of cards
constexpr int PointsPerLetter = 100;

// The keyboard picture (400 x 132) has tiles 40 wide in three rows 43 pixels apart; each row
// starts half a tile further right than the one above, as on a real keyboard.
constexpr int RowBand = 43;
constexpr int TileWidth = 40;
constexpr int OutlineBand = 47;
constexpr int OutlineWidth = 40;
constexpr int OutlineHeight = 28;

// Where a click lands. Every click on the board is judged, also one beside or between the
// tiles: it simply gives the key of the nearest column rule below, or no letter at all.
struct KeyHit
{
    int rowValue = 0; // Y div 43; 3 for the lowest lines, which count as the top row
    int offset = 0;   // left edge of the row's first tile
    int base = 0;     // key index of the row's first tile
    int c = 0;        // (X - offset) mod 40, with the sign of X - offset
    int col = 0;      // (X - offset) / 40 truncated toward zero: -1 left of the bottom row
    int k = 0;        // base + col; not checked, so it may be no letter (26) or another row's
};
KeyHit keyAt(int x, int y);

// The four lines around the tile of a click, to be drawn without their end points; together
// they close the rectangle of 40 x 28 pixels whose top-left corner is front().p1().
using Outline = std::array<QLine, 4>;
Outline outlineAt(int x, int y);

// The score never wraps into a negative number: past its maximum it stays at the maximum.
qint32 addPoints(qint32 score, qint32 points);

// A new game: no score, three spare lives, one letter per round. The board opens for answers
// only when the first presentation ends.
void startGame(GameState &state);

// The presentation has ended: clicks count again.
void openBoard(GameState &state);

// The help window closes the board to answers. Returns whether the child was in the middle of
// answering, so that closing help can give the same game back.
bool closeBoardForHelp(GameState &state);
// Help has closed: a child who was answering goes on where they left off (same letter, score
// and lives). Otherwise the board opens, as usual, when the presentation ends.
void reopenBoardAfterHelp(GameState &state, bool wasAnswering);

struct ClickResult
{
    enum class Outcome
    {
        Ignored,       // the board takes no answers now; nothing changed
        Correct,       // the expected letter; more letters of the round to come
        RoundComplete, // the round's last letter; level and rounds already moved on
        Wrong,         // a spare life lost; the same letter is still expected
        GameOver,      // the fourth wrong click
    };
    Outcome outcome = Outcome::Ignored;
    KeyHit key;
    Outline outline{};    // to draw, for Correct and RoundComplete
    qint16 lifeLost = -1; // for Wrong: index of the life icon that goes
};

// Judges a mouse-down at (x, y) in pixels of the keyboard picture.
ClickResult judgeClick(GameState &state, int x, int y);

} // namespace LetterGame
