#include "lettergame.h"

#include <limits>

namespace LetterGame {

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

void startGame(GameState &state)
{
    state.level = 0;
    state.rounds = 0;
    state.pos = 0;
    state.fcount = 0;
    state.lives = StartLives;
    state.roundComplete = false;
}

void openBoard(GameState &state)
{
    state.accepting = true;
    state.roundComplete = false;
}

bool closeBoardForHelp(GameState &state)
{
    const bool answering = state.accepting && !state.roundComplete;
    state.accepting = false;
    return answering;
}

void reopenBoardAfterHelp(GameState &state, bool wasAnswering)
{
    if (wasAnswering)
        state.accepting = true;
}

ClickResult judgeClick(GameState &state, int x, int y)
{
    ClickResult result;
    if (!state.accepting || state.roundComplete)
        return result;

    result.key = keyAt(x, y);
    if (result.key.k == state.order.at(state.pos)) {
        state.fcount = addPoints(state.fcount, PointsPerLetter * (state.level + 1));
        result.outline = outlineAt(x, y);
        ++state.pos;
        if (state.pos <= state.level) {
            result.outcome = ClickResult::Outcome::Correct;
            return result;
        }
        state.pos = 0;
        if (++state.rounds >= RoundsPerLevel) {
            state.rounds = 0;
            if (state.level < TopLevel)
                ++state.level;
        }
        state.roundComplete = true;
        result.outcome = ClickResult::Outcome::RoundComplete;
        return result;
    }

    --state.lives;
    if (state.lives >= 0) {
        result.outcome = ClickResult::Outcome::Wrong;
        result.lifeLost = state.lives;
        return result;
    }
    // Nothing more to answer: the board is closed until the start button is pressed.
    state.accepting = false;
    result.outcome = ClickResult::Outcome::GameOver;
    return result;
}

} // namespace LetterGame
