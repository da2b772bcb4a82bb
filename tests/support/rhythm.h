#pragma once

// The rhythm of a game as a child meets it, in milliseconds, written once for every test.
namespace Rhythm {
constexpr int Card = 700;           // each card alone; the last one twice; then a blank
constexpr int AfterAnswer = 100;    // the board with the last key outlined, after a round
constexpr int Frame = 200;          // each of the round animation's eight frames
constexpr int AfterAnimation = 500; // quiet before the next round's first card
constexpr int GameOverTune = 1760;  // before the leaderboard's answer to the score
// From a round's last answer to the next round's first card.
constexpr int BetweenRounds = AfterAnswer + 8 * Frame + AfterAnimation;
} // namespace Rhythm
