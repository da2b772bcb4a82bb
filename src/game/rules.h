#pragma once

#include <QLine>
#include <QPoint>

#include <array>
#include <string_view>

// The arithmetic of the game: the keys of the keyboard picture, where a click on it lands, the
// outline drawn around a key, and the score. LetterGame applies these rules to a running game.
namespace Rules {

constexpr int StartLives = 3;
constexpr int CardPlaces = 8;            // two rows of four cards: the longest round
constexpr int TopLevel = CardPlaces - 1; // a round has level + 1 letters
constexpr int RoundsPerLevel = 3;
constexpr int PointsPerLetter = 100;

// The letter keys of the picture, row by row, each row half a tile further right than the one
// above, as on a real keyboard. A letter's key index is its place in this reading order: Q is
// 0, A is 10, M is 25.
struct KeyRow
{
    std::string_view letters;
    int left; // of the row's first tile
    int top;
};
constexpr std::array<KeyRow, 3> KeyRows{
    {{"QWERTYUIOP", 0, 1}, {"ASDFGHJKL", 20, 49}, {"ZXCVBNM", 40, 97}}};
constexpr int firstKeyOf(int row)
{
    int k = 0;
    for (int r = 0; r < row; ++r)
        k += int(KeyRows[r].letters.size());
    return k;
}
constexpr int LetterCount = firstKeyOf(int(KeyRows.size()));

// The key index of a letter in either case, or -1 for anything else.
int keyOfLetter(char letter);

// The keyboard picture (400 x 132) has tiles 40 x 28; its rows of tiles start 48 pixels apart,
// but a click is judged by bands 43 pixels high, so the lowest lines of a band may belong to
// the tile below.
constexpr int RowBand = 43;
constexpr int TileWidth = 40;
constexpr int TileHeight = 28;
constexpr int OutlineBand = 47;

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

// The middle of key index k's tile: a key pressed on the real keyboard is judged as a click
// there.
QPoint keyCentre(int k);

} // namespace Rules
