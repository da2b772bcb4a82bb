#pragma once

#include "game/ids.h"

// The pictures and sounds the windows show and play themselves; what the game computes is in
// game/ids.h.
namespace Media {
constexpr PictureId Background{200};
constexpr PictureId Keyboard{201};
constexpr PictureId LifeIcon{202};
constexpr PictureId StartButton{901};
constexpr PictureId HelpButton{902};

// The leaderboard's answer to a score: a fanfare for a place on the table, a chime for none.
constexpr SoundId MadeTheTableSound{123};
constexpr SoundId MissedTheTableSound{124};
} // namespace Media
