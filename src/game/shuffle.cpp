#include "game/shuffle.h"

#include "platform/randomsource.h"

#include <algorithm>

void ShuffleLetters(LetterOrder &order, qint16 count, RandomSource &random)
{
    const int n = std::clamp<int>(count, 0, int(order.size()));
    for (int i = 0; i < n; ++i)
        order[i] = qint16(i);
    // Once per round, so two games started at the same moment still get different letters.
    random.reseed();
    for (int i = 0; i < n; ++i) {
        // In single precision, like the values the source hands out; r < 1 keeps j < n, and
        // the clamp only guards against a source that breaks that promise.
        const float r = random.next();
        const int j = std::clamp(int(r * float(n)), 0, n - 1);
        const qint16 t = order[j];
        if (j < i) {
            for (int k = j; k < i; ++k)
                order[k] = order[k + 1];
        } else if (j > i) {
            for (int k = j; k > i; --k)
                order[k] = order[k - 1];
        }
        order[i] = t;
    }
}
