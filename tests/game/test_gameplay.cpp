#include "catalogue.h"
#include "form1.h"
#include "form2.h"
#include "form3.h"
#include "lettergame.h"
#include "picturebox.h"
#include "recordingsound.h"
#include "scriptedrandom.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {
using Sounds = QList<QPair<int, qint64>>; // (sound id, moment)

// The catalogue's pictures, each marked with its id so a box tells which one it shows.
bool markedPicture(int id, QImage &picture)
{
    if (!PictureById(id, picture))
        return false;
    picture.setText(QStringLiteral("id"), QString::number(id));
    return true;
}

int shownPicture(const PictureBox *box)
{
    return box->picture().text(QStringLiteral("id")).toInt();
}

QPoint tileOf(int key)
{
    if (key < 10)
        return {40 * key + 20, 14};
    return key < 19 ? QPoint(40 * key - 360, 62) : QPoint(40 * key - 700, 110);
}
} // namespace

class TestGamePlay : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_sound.clear();
        m_random = ScriptedRandom();
        m_form = std::make_unique<Form1>(
            Form1Services{m_clock, m_sound, m_random, m_dir.path(), markedPicture});
        m_form->show();
    }
    void cleanup()
    {
        // Tests may end in the middle of a sequence: the window takes its steps with it.
        m_form.reset();
        QVERIFY(!m_clock.hasPending());
    }

    void roundOnTheClock_data();
    void roundOnTheClock();
    void wrongClicksTakeLivesThenTheGameEnds();
    void startStopsWhateverRuns_data();
    void startStopsWhateverRuns();
    void helpGivesTheSameGameBack_data();
    void helpGivesTheSameGameBack();

private:
    void advanceTo(qint64 moment) { m_clock.advance(moment - m_clock.now()); }
    int nextKey() const { return m_form->state.order[m_form->state.pos]; }
    void click(int key) { click(tileOf(key)); }
    void clickWrong() { click((nextKey() + 1) % 26); }
    // Any button answers, with any modifiers: the clicks take turns with three of them.
    void click(QPoint p)
    {
        static const QPair<Qt::MouseButton, Qt::KeyboardModifiers> presses[] = {
            {Qt::LeftButton, {}},
            {Qt::RightButton, Qt::ShiftModifier},
            {Qt::MiddleButton, Qt::ControlModifier | Qt::AltModifier}};
        const auto &[button, modifiers] = presses[m_clicks++ % 3];
        QTest::mouseClick(m_form->PicAll, button, modifiers, p);
    }
    // Runs the presentation (and whatever comes before it) to its end.
    void openBoard()
    {
        m_clock.runUntilIdle();
        QVERIFY(m_form->state.accepting && m_form->PicAll->isVisible());
    }
    // A new game and its first rounds answered, up to the click that completes the last.
    void startAndPlay(int rounds)
    {
        QTest::mouseClick(m_form->Picbeg, Qt::LeftButton);
        for (int round = 0; round < rounds; ++round) {
            openBoard();
            for (int i = 0; i <= m_form->state.level; ++i)
                click(nextKey());
        }
    }
    Sounds soundsSince(int index) const
    {
        Sounds result;
        for (const auto &played : m_sound.played.mid(index))
            result.append({played.id, played.atMs});
        return result;
    }
    int cardsInView() const
    {
        int mask = 0;
        for (int i = 0; i < 8; ++i)
            mask |= int(m_form->Pict[i]->isVisible()) << i;
        return mask;
    }

    ManualScheduler m_clock;
    RecordingSound m_sound{&m_clock};
    ScriptedRandom m_random;
    QTemporaryDir m_dir;
    std::unique_ptr<Form1> m_form;
    int m_clicks = 0;
};

void TestGamePlay::roundOnTheClock_data()
{
    // A round is one letter longer every third round, up to eight.
    QTest::addColumn<int>("roundsBefore");
    QTest::addColumn<int>("level");
    for (int rounds = 0; rounds <= 24; rounds += 3)
        QTest::addRow("after %d rounds", rounds) << rounds << std::min(rounds / 3, 7);
}

// A round from the press of start, or from the click that completes the round before, to
// the moment its board takes answers.
void TestGamePlay::roundOnTheClock()
{
    QFETCH(int, roundsBefore);
    QFETCH(int, level);
    startAndPlay(roundsBefore);
    const qint64 done = m_clock.now();
    const int firstSound = m_sound.played.size() - 1;
    Sounds expected;
    qint64 start = done;
    if (roundsBefore > 0) {
        // The board stays with its outlines for 100 ms but judges nothing, not even for the
        // next round; then it goes for the animation and a quiet moment.
        advanceTo(done + 50);
        clickWrong();
        click(m_form->state.order[0]);
        advanceTo(done + 99);
        QVERIFY(m_form->PicAll->isVisible());
        QCOMPARE(m_form->PicAll->drawnLineCount(), 4 * (std::min((roundsBefore - 1) / 3, 7) + 1));
        QVERIFY(m_form->PicDH->isHidden());
        advanceTo(done + 100);
        QVERIFY(m_form->PicAll->isHidden());
        QCOMPARE(m_form->PicAll->drawnLineCount(), 0);
        const int frames[] = {301, 302, 303, 302, 301, 302, 303, 302};
        for (int f = 0; f < 8; ++f) {
            advanceTo(done + 100 + 200 * f);
            QVERIFY(m_form->PicDH->isVisible());
            QCOMPARE(shownPicture(m_form->PicDH), frames[f]);
        }
        advanceTo(done + 1700);
        QVERIFY(m_form->PicDH->isHidden());
        expected = {{Media::CorrectSound, done}, {Media::RoundCompleteSound, done + 100}};
        start = done + 2200;
    }
    // Card i comes at 700 i and stays: all are in view until 700 (n + 1).
    const int n = level + 1;
    for (int i = 0; i < n; ++i) {
        if (m_clock.now() < start + 700 * i) {
            advanceTo(start + 700 * i - 1);
            QCOMPARE(cardsInView(), (1 << i) - 1);
            advanceTo(start + 700 * i);
        }
        QCOMPARE(cardsInView(), (2 << i) - 1);
        const int key = m_form->state.order[i];
        QCOMPARE(shownPicture(m_form->Pict[i]), Media::cardOf(key));
        expected.append({Media::letterSoundOf(key), start + 700 * i});
    }
    QCOMPARE(int(m_form->state.level), level);
    QCOMPARE(m_random.reseeds, roundsBefore + 1); // every round is shuffled anew
    advanceTo(start + 700 * (n + 1) - 1);
    QCOMPARE(cardsInView(), (1 << n) - 1);
    advanceTo(start + 700 * (n + 1));
    QCOMPARE(cardsInView(), 0);
    // A blank pause, then the board, which takes answers from that moment.
    advanceTo(start + 700 * (n + 2) - 1);
    QVERIFY(m_form->PicAll->isHidden());
    QVERIFY(m_form->state.roundComplete || !m_form->state.accepting);
    advanceTo(start + 700 * (n + 2));
    QVERIFY(m_form->PicAll->isVisible());
    QVERIFY(m_form->state.accepting && !m_form->state.roundComplete);
    QVERIFY(!m_clock.hasPending());
    QCOMPARE(soundsSince(firstSound), expected);
}

void TestGamePlay::wrongClicksTakeLivesThenTheGameEnds()
{
    startAndPlay(0);
    openBoard();
    for (int wrong = 0; wrong < 3; ++wrong) {
        advanceTo(m_clock.now() + 300);
        const int before = m_sound.played.size();
        clickWrong();
        QCOMPARE(soundsSince(before), (Sounds{{Media::WrongSound, m_clock.now()}}));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(m_form->Picf[i]->isVisible(), i < 2 - wrong);
        QCOMPARE(m_form->PicAll->drawnLineCount(), 0);
    }
    // No life left, but the game goes on and the expected letter still scores in full.
    for (int round = 0; round < 3; ++round) {
        if (round > 0)
            openBoard();
        click(nextKey());
    }
    openBoard(); // two letters now: an outline stays on the board
    const QPoint p = tileOf(nextKey());
    click(p);
    // What the window paints when it is uncovered: the board's own paint, not a stored copy.
    const QImage shot = m_form->PicAll->grab().toImage();
    const QRect tile(LetterGame::outlineAt(p.x(), p.y()).front().p1(), QSize(40, 28));
    for (int y = tile.top() - 1; y <= tile.bottom() + 1; ++y) {
        for (int x = tile.left() - 1; x <= tile.right() + 1; ++x) {
            const bool border = tile.contains(x, y) && !tile.adjusted(1, 1, -1, -1).contains(x, y);
            if (shot.rect().contains(x, y))
                QCOMPARE(shot.pixelColor(x, y) == QColor(Qt::yellow), border);
        }
    }

    advanceTo(m_clock.now() + 1234);
    // A table of ten zero scores, which 500 makes: the leaderboard has a sound of its own.
    QFile table(m_dir.filePath(QStringLiteral("tavik.tmp")));
    QVERIFY(table.open(QIODevice::WriteOnly));
    table.write(QByteArray("0,0\r\n").repeated(10));
    table.close();
    const int before = m_sound.played.size();
    clickWrong();
    // The game-over sound cuts "wrong" off at once.
    QCOMPARE(soundsSince(before),
             (Sounds{{Media::WrongSound, m_clock.now()}, {Media::GameOverSound, m_clock.now()}}));
    QVERIFY(m_form->PicAll->isHidden());
    QCOMPARE(m_form->PicAll->drawnLineCount(), 0);
    QCOMPARE(shownPicture(m_form->PicDH), 302);
    QVERIFY(m_form->PicDH->isVisible());
    QCOMPARE(m_form->Label1->text(), QStringLiteral("500"));
    QCOMPARE(m_form->form2()->fcount, 500);
    QVERIFY(m_form->form2()->isVisible());
    // Nothing more is judged until the start button.
    click(nextKey());
    clickWrong();
    QCOMPARE(m_sound.played.size(), before + 2);
    // The leaderboard's fanfare waits for the game-over tune to end instead of cutting it off.
    const qint64 over = m_clock.now();
    m_clock.runUntilIdle();
    QCOMPARE(soundsSince(before + 2), (Sounds{{Media::MadeTheTableSound, over + 1760}}));
    m_form->form2()->close();
}

void TestGamePlay::startStopsWhateverRuns_data()
{
    // Moments after the third round of one letter is complete; the next round has two
    // letters and its board opens at 5000.
    QTest::addColumn<int>("pressAt");
    QTest::newRow("pause with the last outline") << 50;
    QTest::newRow("animation, first frame") << 100;
    QTest::newRow("animation, fifth frame") << 950;
    QTest::newRow("quiet after the animation") << 1900;
    QTest::newRow("first card") << 2200;
    QTest::newRow("second card") << 2200 + 700;
    QTest::newRow("both cards, last beat") << 2200 + 1500;
    QTest::newRow("blank before the board") << 2200 + 2100;
    QTest::newRow("answering, one letter given") << 5100;
}

void TestGamePlay::startStopsWhateverRuns()
{
    QFETCH(int, pressAt);
    QTest::mouseClick(m_form->Picbeg, Qt::LeftButton);
    openBoard();
    clickWrong(); // a life lost, which the new game gives back
    startAndPlay(3);
    const qint64 press = m_clock.now() + pressAt;
    advanceTo(press);
    if (pressAt >= 5000)
        click(nextKey());
    const int before = m_sound.played.size();
    QTest::mouseClick(m_form->Picbeg, Qt::LeftButton);

    QCOMPARE(m_form->Label1->text(), QStringLiteral("0"));
    for (PictureBox *life : m_form->Picf)
        QVERIFY(life->isVisible());
    // Only the new game's single card is in view, from this moment on, and nothing of the
    // old run comes back.
    const int key = nextKey();
    for (qint64 t = press; t < press + 1400; t += 50) {
        advanceTo(t);
        QCOMPARE(cardsInView(), 1);
        QCOMPARE(shownPicture(m_form->Pict[0]), Media::cardOf(key));
        QVERIFY(m_form->PicDH->isHidden() && m_form->PicAll->isHidden());
    }
    openBoard();
    QCOMPARE(m_clock.now(), press + 2100);
    QCOMPARE(soundsSince(before), (Sounds{{Media::letterSoundOf(key), press}}));
    QCOMPARE(m_form->PicAll->drawnLineCount(), 0);
    click(key);
    QCOMPARE(m_form->state.fcount, 100);
    // Closing the window ends the program: nothing of the round may run on.
    m_form->close();
    QVERIFY(!m_clock.hasPending());
}

void TestGamePlay::helpGivesTheSameGameBack_data()
{
    // Moments after the third round of one letter is complete, as above.
    QTest::addColumn<int>("openAt");
    QTest::addColumn<int>("closeAt");
    QTest::newRow("in the pause after a round") << 50 << 1000;
    QTest::newRow("presentation, closed before the board opens") << 2500 << 3000;
    QTest::newRow("presentation, closed after the board opens") << 2500 << 6000;
    QTest::newRow("answering, one letter given") << 5100 << 6000;
}

void TestGamePlay::helpGivesTheSameGameBack()
{
    QFETCH(int, openAt);
    QFETCH(int, closeAt);
    startAndPlay(3);
    const qint64 done = m_clock.now();
    advanceTo(done + openAt);
    const bool answering = openAt >= 5000;
    if (answering) {
        click(nextKey());
        clickWrong();
    }
    const GameState before = m_form->state;
    QTest::mouseClick(m_form->Pichp, Qt::LeftButton);
    QVERIFY(!m_form->isEnabled());
    // The window is disabled, but even a click that got through would count for nothing.
    const QPoint p = tileOf(nextKey());
    m_form->PicAll_MouseDown(Qt::LeftButton, {}, p.x(), p.y());
    QCOMPARE(m_form->state.fcount, before.fcount);
    advanceTo(done + closeAt);
    // A presentation goes on behind help and opens the board at its usual moment.
    QCOMPARE(m_form->state.accepting, closeAt >= 5000 && !answering);
    QVERIFY(m_form->form3()->close());
    QVERIFY(m_form->isEnabled());
    QCOMPARE(m_form->state.accepting, closeAt >= 5000);
    if (closeAt < 5000) {
        advanceTo(done + 4999);
        QVERIFY(!m_form->state.accepting);
        advanceTo(done + 5000);
    }
    QVERIFY(m_form->state.accepting && m_form->PicAll->isVisible());
    QCOMPARE(m_form->state.lives, before.lives);
    // The same letter is still the one expected, and it scores in full.
    click(m_form->state.order[before.pos]);
    QCOMPARE(m_form->state.fcount, before.fcount + 200);
}

QTEST_MAIN(TestGamePlay)
#include "test_gameplay.moc"
