#include "lettergame.h"
#include "picturebox.h"

#include <QTest>

#include <limits>

using namespace LetterGame;
using Outcome = ClickResult::Outcome;

namespace {
constexpr qint32 MaxScore = std::numeric_limits<qint32>::max();

// A game in its answer phase whose round is the given letters.
GameState answering(std::initializer_list<qint16> letters, qint16 level)
{
    GameState state;
    state.letterCount = 26;
    startGame(state);
    state.level = level;
    int i = 0;
    for (qint16 k : letters)
        state.order[i++] = k;
    openBoard(state);
    return state;
}

// The centre of a letter's tile on the keyboard picture.
QPoint tileOf(int key)
{
    if (key < 10)
        return {40 * key + 20, 14};
    if (key < 19)
        return {20 + 40 * (key - 10) + 20, 62};
    return {40 + 40 * (key - 19) + 20, 110};
}
} // namespace

class TestLetterGame : public QObject
{
    Q_OBJECT
private slots:
    void keyOfAClick_data();
    void keyOfAClick();
    void outlinePlace_data();
    void outlinePlace();
    void outlineClosesTheTile_data();
    void outlineClosesTheTile();
    void scoreSaturates_data();
    void scoreSaturates();

    void clickWhileClosedChangesNothing_data();
    void clickWhileClosedChangesNothing();
    void correctClickScoresByRoundLength_data();
    void correctClickScoresByRoundLength();
    void completedRoundMovesLevel_data();
    void completedRoundMovesLevel();
    void wrongClicksCostLives();
    void wrongClickKeepsTheExpectedLetter();
    void scoreNeverWrapsInPlay();
    void startResetsAllButTheBoard();
};

void TestLetterGame::keyOfAClick_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("rowValue");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("k");
    QTest::newRow("E") << 100 << 10 << 0 << 2 << 2;
    QTest::newRow("left of A") << 5 << 60 << 1 << 0 << 10;
    QTest::newRow("right of L is Z") << 390 << 60 << 1 << 9 << 19;
    QTest::newRow("B") << 200 << 100 << 2 << 4 << 23;
    QTest::newRow("right of M, no letter") << 350 << 110 << 2 << 7 << 26;
    QTest::newRow("x 0 bottom row is L") << 0 << 110 << 2 << -1 << 18;
    QTest::newRow("x 10 bottom row") << 10 << 110 << 2 << 0 << 19;
    QTest::newRow("y 129 top row") << 100 << 129 << 3 << 2 << 2;
    QTest::newRow("y 131 top row") << 100 << 131 << 3 << 2 << 2;
    QTest::newRow("y 128 bottom row") << 100 << 128 << 2 << 1 << 20;
    // Tile edges.
    QTest::newRow("Q left") << 0 << 1 << 0 << 0 << 0;
    QTest::newRow("Q right") << 39 << 1 << 0 << 0 << 0;
    QTest::newRow("W left") << 40 << 1 << 0 << 1 << 1;
    QTest::newRow("P right bottom") << 399 << 28 << 0 << 9 << 9;
    QTest::newRow("x 19 middle") << 19 << 60 << 1 << 0 << 10;
    QTest::newRow("A left") << 20 << 60 << 1 << 0 << 10;
    QTest::newRow("A right") << 59 << 60 << 1 << 0 << 10;
    QTest::newRow("S left") << 60 << 60 << 1 << 1 << 11;
    QTest::newRow("x 39 bottom") << 39 << 100 << 2 << 0 << 19;
    QTest::newRow("Z left") << 40 << 100 << 2 << 0 << 19;
    QTest::newRow("Z right") << 79 << 100 << 2 << 0 << 19;
    QTest::newRow("X left") << 80 << 100 << 2 << 1 << 20;
    // The gaps between rows belong to the band above or below by Y div 43.
    QTest::newRow("y 29") << 100 << 29 << 0 << 2 << 2;
    QTest::newRow("y 42") << 100 << 42 << 0 << 2 << 2;
    QTest::newRow("y 43") << 100 << 43 << 1 << 2 << 12;
    QTest::newRow("y 46") << 100 << 46 << 1 << 2 << 12;
    QTest::newRow("y 85") << 100 << 85 << 1 << 2 << 12;
    QTest::newRow("y 86") << 100 << 86 << 2 << 1 << 20;
    QTest::newRow("y 93") << 100 << 93 << 2 << 1 << 20;
}

void TestLetterGame::keyOfAClick()
{
    QFETCH(int, x);
    QFETCH(int, y);
    const KeyHit hit = keyAt(x, y);
    QTEST(hit.rowValue, "rowValue");
    QTEST(hit.col, "col");
    QTEST(hit.k, "k");
}

void TestLetterGame::outlinePlace_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<QPoint>("topLeft");
    QTest::newRow("E") << 100 << 10 << QPoint(80, 1);
    QTest::newRow("Q bottom line") << 0 << 28 << QPoint(0, 1);
    QTest::newRow("left of A: on A") << 5 << 60 << QPoint(20, 49);
    QTest::newRow("A top line") << 20 << 49 << QPoint(20, 49);
    QTest::newRow("y 47") << 100 << 47 << QPoint(100, 49);
    QTest::newRow("B") << 200 << 100 << QPoint(200, 97);
    QTest::newRow("x 0 bottom row") << 0 << 110 << QPoint(0, 97);
    QTest::newRow("x 10 bottom row") << 10 << 110 << QPoint(40, 97);
    QTest::newRow("gap y 43") << 100 << 43 << QPoint(100, 2);
    QTest::newRow("gap y 46") << 100 << 46 << QPoint(100, 2);
    QTest::newRow("gap y 86") << 100 << 86 << QPoint(80, 50);
    QTest::newRow("gap y 93") << 100 << 93 << QPoint(80, 50);
    QTest::newRow("y 94") << 100 << 94 << QPoint(80, 97);
    QTest::newRow("y 129") << 100 << 129 << QPoint(80, 98);
}

void TestLetterGame::outlinePlace()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(QPoint, topLeft);
    const int x0 = topLeft.x(), yT = topLeft.y();
    const Outline expected = {QLine(x0, yT, x0 + 39, yT), QLine(x0, yT, x0, yT + 27),
                              QLine(x0 + 39, yT, x0 + 39, yT + 27),
                              QLine(x0, yT + 27, x0 + 40, yT + 27)};
    QCOMPARE(outlineAt(x, y), expected);
}

void TestLetterGame::outlineClosesTheTile_data()
{
    QTest::addColumn<QPoint>("click");
    QTest::newRow("E") << QPoint(100, 10);
    QTest::newRow("A") << QPoint(30, 60);
    QTest::newRow("M") << QPoint(300, 120);
}

void TestLetterGame::outlineClosesTheTile()
{
    // Drawn as the board draws lines (end points left out), the four lines give exactly the
    // border of the 40 x 28 tile: no gap at a corner and no pixel beyond it.
    QFETCH(QPoint, click);
    QImage keyboard(400, 132, QImage::Format_RGB32);
    keyboard.fill(Qt::black);
    PictureBox board;
    board.setPicture(keyboard);
    for (const QLine &line : outlineAt(click.x(), click.y()))
        board.drawLine(line.p1(), line.p2(), Qt::yellow);
    const QImage shot = board.rendered();
    const QRect tile(outlineAt(click.x(), click.y()).front().p1(), QSize(40, 28));
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const bool border = tile.contains(x, y) && (x == tile.left() || x == tile.right() ||
                                                        y == tile.top() || y == tile.bottom());
            QVERIFY2((shot.pixelColor(x, y) == QColor(Qt::yellow)) == border,
                     qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        }
    }
}

void TestLetterGame::scoreSaturates_data()
{
    QTest::addColumn<qint32>("score");
    QTest::addColumn<qint32>("points");
    QTest::addColumn<qint32>("expected");
    QTest::newRow("plain") << 0 << 100 << 100;
    QTest::newRow("reaches the top exactly") << MaxScore - 800 << 800 << MaxScore;
    QTest::newRow("one past the top") << MaxScore - 799 << 800 << MaxScore;
    QTest::newRow("at the top") << MaxScore << 100 << MaxScore;
}

void TestLetterGame::scoreSaturates()
{
    QFETCH(qint32, score);
    QFETCH(qint32, points);
    QTEST(addPoints(score, points), "expected");
}

void TestLetterGame::clickWhileClosedChangesNothing_data()
{
    QTest::addColumn<bool>("accepting");
    QTest::addColumn<bool>("roundComplete");
    QTest::newRow("before any game / after game over") << false << false;
    QTest::newRow("round just completed") << true << true;
}

void TestLetterGame::clickWhileClosedChangesNothing()
{
    QFETCH(bool, accepting);
    QFETCH(bool, roundComplete);
    GameState state = answering({4}, 0);
    state.accepting = accepting;
    state.roundComplete = roundComplete;
    const GameState before = state;
    for (const QPoint p : {tileOf(4), tileOf(5)}) {
        QCOMPARE(judgeClick(state, p.x(), p.y()).outcome, Outcome::Ignored);
        QCOMPARE(state.fcount, before.fcount);
        QCOMPARE(state.lives, before.lives);
        QCOMPARE(state.pos, before.pos);
        QCOMPARE(state.rounds, before.rounds);
        QCOMPARE(state.accepting, before.accepting);
    }
}

void TestLetterGame::correctClickScoresByRoundLength_data()
{
    QTest::addColumn<int>("level");
    for (int level = 0; level <= 7; ++level)
        QTest::addRow("%d letters", level + 1) << level;
}

void TestLetterGame::correctClickScoresByRoundLength()
{
    QFETCH(int, level);
    GameState state = answering({3, 12, 21, 0, 25, 10, 19, 9}, qint16(level));
    for (int i = 0; i <= level; ++i) {
        const QPoint p = tileOf(state.order[i]);
        const ClickResult r = judgeClick(state, p.x(), p.y());
        QCOMPARE(r.outcome, i < level ? Outcome::Correct : Outcome::RoundComplete);
        QCOMPARE(r.key.k, int(state.order[i]));
        QCOMPARE(state.fcount, 100 * (level + 1) * (i + 1));
        QCOMPARE(r.outline, outlineAt(p.x(), p.y()));
    }
    // A perfect round at level L brings 100 (L + 1)^2, and the next round starts over.
    QCOMPARE(state.fcount, 100 * (level + 1) * (level + 1));
    QCOMPARE(state.pos, qint16(0));
    QVERIFY(state.roundComplete);
    QCOMPARE(state.lives, qint16(3));
}

void TestLetterGame::completedRoundMovesLevel_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("rounds");
    QTest::addColumn<int>("nextLevel");
    QTest::addColumn<int>("nextRounds");
    QTest::newRow("first round") << 0 << 0 << 0 << 1;
    QTest::newRow("second round") << 0 << 1 << 0 << 2;
    QTest::newRow("third round: one letter more") << 0 << 2 << 1 << 0;
    QTest::newRow("seven letters to eight") << 6 << 2 << 7 << 0;
    QTest::newRow("eight letters stay eight") << 7 << 2 << 7 << 0;
    QTest::newRow("eight letters, middle round") << 7 << 1 << 7 << 2;
}

void TestLetterGame::completedRoundMovesLevel()
{
    QFETCH(int, level);
    QFETCH(int, rounds);
    GameState state = answering({7, 6, 5, 4, 3, 2, 1, 0}, qint16(level));
    state.rounds = qint16(rounds);
    for (int i = 0; i <= level; ++i) {
        const QPoint p = tileOf(state.order[i]);
        judgeClick(state, p.x(), p.y());
    }
    QTEST(int(state.level), "nextLevel");
    QTEST(int(state.rounds), "nextRounds");
    // Only the end of the presentation opens the board again.
    const QPoint p = tileOf(state.order[0]);
    QCOMPARE(judgeClick(state, p.x(), p.y()).outcome, Outcome::Ignored);
    openBoard(state);
    QVERIFY(judgeClick(state, p.x(), p.y()).outcome != Outcome::Ignored);
}

void TestLetterGame::wrongClicksCostLives()
{
    GameState state = answering({0}, 0);
    const QPoint wrong = tileOf(1);
    const QList<Outcome> outcomes = {Outcome::Wrong, Outcome::Wrong, Outcome::Wrong,
                                     Outcome::GameOver};
    for (int i = 0; i < 4; ++i) {
        const ClickResult r = judgeClick(state, wrong.x(), wrong.y());
        QCOMPARE(r.outcome, outcomes[i]);
        QCOMPARE(state.lives, qint16(2 - i));
        if (r.outcome == Outcome::Wrong)
            QCOMPARE(r.lifeLost, qint16(2 - i));
        QCOMPARE(state.fcount, 0);
        QCOMPARE(state.pos, qint16(0));
    }
    QVERIFY(!state.accepting);
    QCOMPARE(judgeClick(state, wrong.x(), wrong.y()).outcome, Outcome::Ignored);
    QCOMPARE(state.lives, qint16(-1));
}

void TestLetterGame::wrongClickKeepsTheExpectedLetter()
{
    GameState state = answering({8, 15}, 1);
    QCOMPARE(judgeClick(state, tileOf(8).x(), tileOf(8).y()).outcome, Outcome::Correct);
    // Row 2, x 350: no letter at all (k 26), still a wrong click.
    QCOMPARE(judgeClick(state, 350, 110).outcome, Outcome::Wrong);
    QCOMPARE(state.pos, qint16(1));
    QCOMPARE(judgeClick(state, tileOf(15).x(), tileOf(15).y()).outcome, Outcome::RoundComplete);
    QCOMPARE(state.fcount, 400);
    QCOMPARE(state.lives, qint16(2));
}

void TestLetterGame::scoreNeverWrapsInPlay()
{
    GameState state = answering({0, 1, 2, 3, 4, 5, 6, 7}, 7);
    state.fcount = MaxScore - 1000;
    for (int i = 0; i < 3; ++i)
        judgeClick(state, tileOf(i).x(), tileOf(i).y());
    QCOMPARE(state.fcount, MaxScore);
}

void TestLetterGame::startResetsAllButTheBoard()
{
    GameState state = answering({0, 1, 2}, 5);
    state.fcount = 12345;
    state.rounds = 2;
    state.pos = 2;
    state.lives = -1;
    state.roundComplete = true;
    state.accepting = false;
    startGame(state);
    QCOMPARE(state.fcount, 0);
    QCOMPARE(state.level, qint16(0));
    QCOMPARE(state.rounds, qint16(0));
    QCOMPARE(state.pos, qint16(0));
    QCOMPARE(state.lives, qint16(3));
    QVERIFY(!state.roundComplete);
    // The board opens when the presentation ends, not at the start.
    QVERIFY(!state.accepting);
}

QTEST_MAIN(TestLetterGame)
#include "test_lettergame.moc"
