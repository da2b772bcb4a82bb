// The game's arithmetic, without a clock: which key a click is on, its outline, and the
// order of a round's letters.
#include "game/rules.h"
#include "game/shuffle.h"
#include "scriptedrandom.h"

#include <QTest>

#include <algorithm>
#include <cmath>

using namespace Rules;

static QList<int> shuffled(int count, ScriptedRandom &random)
{
    LetterOrder order{};
    ShuffleLetters(order, qint16(count), random);
    return QList<int>(order.begin(), order.begin() + count);
}

class TestRules : public QObject
{
    Q_OBJECT
private slots:
    void keyAndOutlineOfAClick_data()
    {
        // Every click is judged, also one beside or between the tiles.
        QTest::addColumn<QPoint>("click");
        QTest::addColumn<int>("k");
        QTest::addColumn<QPoint>("outline"); // top-left corner
        QTest::newRow("left of A") << QPoint(5, 60) << 10 << QPoint(20, 49);
        QTest::newRow("right of L is Z") << QPoint(390, 60) << 19 << QPoint(380, 49);
        QTest::newRow("right of M, no letter") << QPoint(350, 110) << 26 << QPoint(320, 97);
        QTest::newRow("x 0 bottom row is L") << QPoint(0, 110) << 18 << QPoint(0, 97);
        QTest::newRow("x 10 bottom row") << QPoint(10, 110) << 19 << QPoint(40, 97);
        QTest::newRow("y 128 bottom row") << QPoint(100, 128) << 20 << QPoint(80, 97);
        QTest::newRow("y 129 top row") << QPoint(100, 129) << 2 << QPoint(80, 98);
        // The gaps between rows go by Y div 43 for the key but by Y mod 47 for the outline.
        QTest::newRow("y 42") << QPoint(100, 42) << 2 << QPoint(80, 1);
        QTest::newRow("y 43") << QPoint(100, 43) << 12 << QPoint(100, 2);
        QTest::newRow("y 47") << QPoint(100, 47) << 12 << QPoint(100, 49);
        QTest::newRow("y 86") << QPoint(100, 86) << 20 << QPoint(80, 50);
        QTest::newRow("y 94") << QPoint(100, 94) << 20 << QPoint(80, 97);
    }
    void keyAndOutlineOfAClick()
    {
        QFETCH(QPoint, click);
        QFETCH(QPoint, outline);
        QTEST(keyAt(click.x(), click.y()).k, "k");
        // Drawn without end points, the four lines close exactly the 40 x 28 border.
        const int x0 = outline.x(), y0 = outline.y(), x1 = x0 + 39, y1 = y0 + 27;
        const Outline expected = {QLine(x0, y0, x1, y0), QLine(x0, y0, x0, y1),
                                  QLine(x1, y0, x1, y1), QLine(x0, y1, x1 + 1, y1)};
        QCOMPARE(outlineAt(click.x(), click.y()), expected);
    }
    // The letter keys of a computer keyboard, each row half a key further right; a letter
    // typed counts as a click in the middle of its key.
    void everyLetterOnItsKey_data()
    {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("k");
        QTest::addColumn<QRect>("tile");
        const std::tuple<const char *, int, int> rows[] = {
            {"QWERTYUIOP", 0, 1}, {"ASDFGHJKL", 20, 49}, {"ZXCVBNM", 40, 97}}; // left, top
        int k = 0;
        for (const auto &[letters, left, top] : rows)
            for (int i = 0; letters[i]; ++i, ++k)
                QTest::addRow("%c", letters[i])
                    << letters[i] << k << QRect(left + 40 * i, top, 40, 28);
    }
    void everyLetterOnItsKey()
    {
        QFETCH(char, letter);
        QFETCH(int, k);
        QFETCH(QRect, tile);
        QVERIFY(keyOfLetter(letter) == k && keyOfLetter(char(letter + 'a' - 'A')) == k);
        // A click anywhere on the tile, corners included, is its key and outlines the tile.
        for (QPoint p : {tile.topLeft(), tile.bottomRight(), tile.center()})
            QVERIFY(keyAt(p.x(), p.y()).k == k &&
                    outlineAt(p.x(), p.y()).front().p1() == tile.topLeft());
        QCOMPARE(keyCentre(k), tile.topLeft() + QPoint(20, 14)); // its middle
    }
    // The order of a round's letters.
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

QTEST_APPLESS_MAIN(TestRules)
#include "test_rules.moc"
