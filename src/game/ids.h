#pragma once

// Pictures and sounds are numbered in two spaces of their own, which overlap: 201 is the
// keyboard picture and also the sound of Q. Each has its own type, so that one can never be
// passed where the other is meant.
enum class PictureId : int
{
};
enum class SoundId : int
{
};

// What the game shows and plays. A letter's card is picture 101 + its key index, its spoken
// name sound 201 + its key index, so both run in keyboard order.
namespace Ids {
constexpr PictureId cardOf(int keyIndex)
{
    return PictureId(101 + keyIndex);
}
constexpr SoundId letterSoundOf(int keyIndex)
{
    return SoundId(201 + keyIndex);
}
// The round animation plays 1, 2, 3, 2; its upright pose is also the game-over picture.
constexpr PictureId AnimationFrame1{301};
constexpr PictureId AnimationFrame2{302};
constexpr PictureId AnimationFrame3{303};

constexpr SoundId RoundCompleteSound{102};
constexpr SoundId CorrectSound{103};
constexpr SoundId WrongSound{104};
constexpr SoundId GameOverSound{105};
} // namespace Ids
