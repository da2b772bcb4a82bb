#pragma once

// Every pause of the game in one place, in milliseconds. The rhythm is part of the game: a
// child of four must be able to follow it, so these are not tuned per machine.
namespace Timing {
// Each letter stays on its own this long before the next one comes, so its sound (0.3 to
// 0.7 s) ends before the next one starts.
constexpr int CardMs = 700;
// The last letter gets a second beat, so it is not cut shorter than the others.
constexpr int AfterLastCardMs = 700;
// A blank screen between the cards and the keyboard: the child has to remember, not copy.
constexpr int BlankMs = 700;
// One frame of the round animation; it plays 301, 302, 303, 302 twice.
constexpr int AnimationFrameMs = 200;
constexpr int AnimationRepeats = 2;
// Quiet after the animation before the next round's first letter.
constexpr int AfterAnimationMs = 500;
// After the last correct click of a round the child still sees the keyboard with the last
// key outlined, and hears the "correct" sound begin, before the board goes away.
constexpr int RoundCompletePauseMs = 100;
// The game-over tune (1.76 s) plays to its end before the leaderboard's own sound.
constexpr int GameOverTuneMs = 1760;
} // namespace Timing
