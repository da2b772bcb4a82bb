#pragma once

#include "game/gamestate.h"

class RandomSource;

// Puts 0 .. count - 1 into order[0 .. count - 1] in a new random order; the entries beyond
// count are left alone. Each place i in turn takes the entry from a random place j (anywhere,
// also before i) and the entries between shift by one. This is not a uniform shuffle: some
// orders come out more often than others. The rounds have always been drawn this way and the
// game is played with these odds, so they are kept on purpose.
void ShuffleLetters(LetterOrder &order, qint16 count, RandomSource &random);
