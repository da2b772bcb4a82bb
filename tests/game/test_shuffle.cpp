#include "scriptedrandom.h"
#include "shuffle.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <map>

namespace {
const float JustBelowOne = std::nextafter(1.0f, 0.0f);

QList<int> shuffled(qint16 count, ScriptedRandom &random)
{
    LetterOrder order;
    order.fill(-7);
    ShuffleLetters(order, count, random);
    QList<int> result;
    for (int i = 0; i < count; ++i)
        result << order[i];
    return result;
}

QString name(const QList<int> &order)
{
    QString s;
    for (int v : order)
        s += QString::number(v);
    return s;
}
} // namespace

class TestShuffle : public QObject
{
    Q_OBJECT
private slots:
    void goldenOrders_data();
    void goldenOrders();
    void oddsOfEveryOrder_data();
    void oddsOfEveryOrder();
    void alwaysAPermutationAndTheRestUntouched();
    void reseedsOncePerRound();
};

void TestShuffle::goldenOrders_data()
{
    QTest::addColumn<float>("r");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("r 0, four") << 0.0f << 4 << QList<int>{2, 1, 3, 0};
    QTest::newRow("r below 1, four") << JustBelowOne << 4 << QList<int>{3, 2, 1, 0};
    QTest::newRow("r 0, one") << 0.0f << 1 << QList<int>{0};
    // Just below 1 times 26 must still pick the last place, not one past it.
    QTest::newRow("r below 1, 26")
        << JustBelowOne << 26 << QList<int>{25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13,
                                            12, 11, 10, 9,  8,  7,  6,  5,  4,  3,  2,  1,  0};
}

void TestShuffle::goldenOrders()
{
    QFETCH(float, r);
    QFETCH(int, count);
    ScriptedRandom random({r});
    QTEST(shuffled(qint16(count), random), "expected");
    QCOMPARE(random.draws, count);
}

void TestShuffle::oddsOfEveryOrder_data()
{
    // Every run of draws that lands in each of the count equal parts of [0, 1) once per
    // combination: the outcomes are then exactly the odds of each order.
    QTest::addColumn<int>("count");
    QTest::addColumn<QMap<QString, int>>("expected");
    QTest::newRow("two") << 2 << QMap<QString, int>{{"01", 2}, {"10", 2}};
    QTest::newRow("three") << 3 << QMap<QString, int>{{"012", 5}, {"021", 6}, {"102", 4},
                                                      {"120", 5}, {"201", 3}, {"210", 4}};
}

void TestShuffle::oddsOfEveryOrder()
{
    QFETCH(int, count);
    int combinations = 1;
    for (int i = 0; i < count; ++i)
        combinations *= count;
    QMap<QString, int> seen;
    for (int c = 0; c < combinations; ++c) {
        QList<float> draws;
        for (int i = 0, rest = c; i < count; ++i, rest /= count)
            draws << (float(rest % count) + 0.5f) / float(count);
        ScriptedRandom random(draws);
        ++seen[name(shuffled(qint16(count), random))];
    }
    QTEST(seen, "expected");
}

void TestShuffle::alwaysAPermutationAndTheRestUntouched()
{
    ScriptedRandom random;
    for (int round = 0; round < 200; ++round) {
        LetterOrder order;
        order.fill(-7);
        ShuffleLetters(order, 26, random);
        QList<int> letters(order.begin(), order.begin() + 26);
        std::sort(letters.begin(), letters.end());
        for (int i = 0; i < 26; ++i)
            QCOMPARE(letters[i], i);
        for (std::size_t i = 26; i < order.size(); ++i)
            QCOMPARE(order[i], qint16(-7));
    }
}

void TestShuffle::reseedsOncePerRound()
{
    ScriptedRandom random;
    LetterOrder order{};
    ShuffleLetters(order, 26, random);
    ShuffleLetters(order, 26, random);
    QCOMPARE(random.reseeds, 2);
    QCOMPARE(random.draws, 52);
}

QTEST_APPLESS_MAIN(TestShuffle)
#include "test_shuffle.moc"
