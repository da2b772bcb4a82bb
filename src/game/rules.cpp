#include "game/rules.h"

#include <limits>

namespace Rules {

KeyHit keyAt(int x, int y)
{
    KeyHit hit;
    // C++ % keeps the sign of the dividend, as the judging rule wants for clicks left of a row.
    hit.rowValue = (y - y % RowBand) / RowBand;
    switch (hit.rowValue) {
    case 1:
        hit.offset = 20;
        hit.base = 10;
        break;
    case 2:
        hit.offset = 40;
        hit.base = 19;
        break;
    default:
        // Row 0, and the last three pixel lines (row value 3), go by the top row.
        break;
    }
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
    const int right = x0 + OutlineWidth - 1;
    const int bottom = yT + OutlineHeight - 1;
    return {QLine(x0, yT, right, yT), QLine(x0, yT, x0, bottom), QLine(right, yT, right, bottom),
            QLine(x0, bottom, x0 + OutlineWidth, bottom)};
}

qint32 addPoints(qint32 score, qint32 points)
{
    const qint64 sum = qint64(score) + qint64(points);
    constexpr qint64 top = std::numeric_limits<qint32>::max();
    return qint32(sum > top ? top : sum);
}

QPoint keyCentre(int k)
{
    // Rows of 10, 9 and 7 keys, each half a tile further right than the one above.
    const int row = k < 10 ? 0 : k < 19 ? 1 : 2;
    const int first[] = {0, 10, 19};
    return {row * TileWidth / 2 + (k - first[row]) * TileWidth + TileWidth / 2,
            row * (OutlineBand + 1) + 14};
}

} // namespace Rules
