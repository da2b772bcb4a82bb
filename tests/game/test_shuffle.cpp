#include "scriptedrandom.h"
#include "game/shuffle.h"

#include <QTest>

#include <algorithm>
#include <cmath>

namespace {
QList<int> shuffled(int count, ScriptedRandom &random)
{
    LetterOrder order{};
    ShuffleLetters(order, qint16(count), random);
    return QList<int>(order.begin(), order.begin() + count);
}
} // namespace

class TestShuffle : public QObject
{
    Q_OBJECT
private slots:
    void goldenOrders_data()
    {
        QTest::addColumn<float>("r");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("r 0") << 0.0f << QList<int>{2, 1, 3, 0};
        QTest::newRow("r below 1") << std::nextafter(1.0f, 0.0f) << QList<int>{3, 2, 1, 0};
        // A source that breaks its promise and hands out 1 still picks only letters.
        QTest::newRow("r 1") << 1.0f << QList<int>{3, 2, 1, 0};
    }
    void goldenOrders()
    {
        QFETCH(float, r);
        QFETCH(QList<int>, expected);
        ScriptedRandom random({r});
        QCOMPARE(shuffled(int(expected.size()), random), expected);
        QCOMPARE(random.reseeds, 1);
    }
    void oddsOfEveryOrderOfThree()
    {
        // The 27 runs of draws that hit each third of [0, 1) once per combination give exactly
        // the odds of each order; the game is played with these uneven odds.
        QMap<QList<int>, int> seen;
        for (int c = 0; c < 27; ++c) {
            ScriptedRandom random({(c % 3 + 0.5f) / 3, (c / 3 % 3 + 0.5f) / 3, (c / 9 + 0.5f) / 3});
            ++seen[shuffled(3, random)];
        }
        const QMap<QList<int>, int> expected{{{0, 1, 2}, 5}, {{0, 2, 1}, 6}, {{1, 0, 2}, 4},
                                             {{1, 2, 0}, 5}, {{2, 0, 1}, 3}, {{2, 1, 0}, 4}};
        QCOMPARE(seen, expected);
    }
    void everyLetterOnceAndTheRestUntouched()
    {
        ScriptedRandom random;
        for (int round = 0; round < 200; ++round) {
            LetterOrder order;
            order.fill(-7);
            ShuffleLetters(order, 26, random);
            std::sort(order.begin(), order.begin() + 26);
            for (int i = 0; i < int(order.size()); ++i)
                QCOMPARE(order[i], qint16(i < 26 ? i : -7));
        }
    }
};

QTEST_APPLESS_MAIN(TestShuffle)
#include "test_shuffle.moc"
