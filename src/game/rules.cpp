#include "game/rules.h"

#include <limits>

namespace Rules {

int keyOfLetter(char letter)
{
    if (letter >= 'a' && letter <= 'z')
        letter = char(letter - 'a' + 'A');
    for (int row = 0; row < int(KeyRows.size()); ++row) {
        const auto col = KeyRows[row].letters.find(letter);
        if (col != std::string_view::npos)
            return firstKeyOf(row) + int(col);
    }
    return -1;
}

KeyHit keyAt(int x, int y)
{
    KeyHit hit;
    // C++ % keeps the sign of the dividend, as the judging rule wants for clicks left of a row.
    hit.rowValue = (y - y % RowBand) / RowBand;
    // The last three pixel lines (row value 3) go by the top row.
    const int row = hit.rowValue > 0 && hit.rowValue < int(KeyRows.size()) ? hit.rowValue : 0;
    hit.offset = KeyRows[row].left;
    hit.base = firstKeyOf(row);
    const int dx = x - hit.offset;
    hit.c = dx % TileWidth;
    hit.col = (dx - hit.c) / TileWidth;
    hit.k = hit.base + hit.col;
    return hit;
}

Outline outlineAt(int x, int y)
{
    const KeyHit hit = keyAt(x, y);
    const int x0 = x - hit.c;
    // The tiles of the three rows start at y 1, 49 and 97; 47 + 1 + row puts the outline on
    // them for any click on a tile.
    const int yT = y - y % OutlineBand + 1 + hit.rowValue;
    const int right = x0 + TileWidth - 1;
    const int bottom = yT + TileHeight - 1;
    return {QLine(x0, yT, right, yT), QLine(x0, yT, x0, bottom), QLine(right, yT, right, bottom),
            QLine(x0, bottom, x0 + TileWidth, bottom)};
}

qint32 addPoints(qint32 score, qint32 points)
{
    const qint64 sum = qint64(score) + qint64(points);
    constexpr qint64 top = std::numeric_limits<qint32>::max();
    return qint32(sum > top ? top : sum);
}

QPoint keyCentre(int k)
{
    int row = 0;
    while (row + 1 < int(KeyRows.size()) && k >= firstKeyOf(row + 1))
        ++row;
    return {KeyRows[row].left + (k - firstKeyOf(row)) * TileWidth + TileWidth / 2,
            KeyRows[row].top + TileHeight / 2};
}

} // namespace Rules
