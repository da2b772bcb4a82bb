#include "catalogue.h"
#include "form1.h"
#include "form2.h"
#include "form3.h"
#include "lettergame.h"
#include "picturebox.h"
#include "recordingsound.h"
#include "scheduler.h"
#include "scriptedrandom.h"
#include "timings.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <set>

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
    return box->hasPicture() ? box->picture().text(QStringLiteral("id")).toInt() : 0;
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

// With placeholder media every sound has the same bytes, so only the moments can be told.
bool soundsAreDistinct()
{
    QSet<QByteArray> images;
    for (int id : Media::soundIds()) {
        QByteArray image;
        SoundById(id, image);
        images.insert(image);
    }
    return images.size() == Media::soundIds().size();
}

const QColor Yellow(255, 255, 0);
} // namespace

class TestGamePlay : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startShowsLivesScoreAndFirstLetter();
    void presentationTimeline_data();
    void presentationTimeline();
    void completedRoundPausesThenAnimates();
    void levelGrowsEveryThreeRoundsUpToEight();
    void wrongClicksTakeLivesInTurn();
    void fourthWrongClickEndsTheGame();
    void startStopsWhateverRuns_data();
    void startStopsWhateverRuns();
    void anyButtonAnswers_data();
    void anyButtonAnswers();
    void clicksBeforeTheFirstGameDoNothing();
    void startButtonStartsAGame();
    void outlinesSurviveARepaint();
    void closingOrDestroyingMidSequenceLeavesNothingBehind();
    void helpWhileAnsweringGivesTheSameGameBack();
    void helpDuringAPresentationLetsItFinish_data();
    void helpDuringAPresentationLetsItFinish();

private:
    void advanceTo(qint64 moment) { m_clock.advance(moment - m_clock.now()); }
    void click(int key);
    void clickWrong();
    void answerRound();
    void openBoard();
    Sounds soundsSince(int index) const;
    void compareSounds(const Sounds &actual, const Sounds &expected) const;

    ManualScheduler m_clock;
    RecordingSound m_sound{&m_clock};
    ScriptedRandom m_random;
    bool m_distinctSounds = false;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Form1> m_form;
};

void TestGamePlay::initTestCase()
{
    m_distinctSounds = soundsAreDistinct();
    if (!m_distinctSounds)
        qInfo("placeholder sounds share their bytes: sound ids are not compared, only moments");
}

void TestGamePlay::init()
{
    m_sound.clear();
    m_random = ScriptedRandom();
    m_dir = std::make_unique<QTemporaryDir>();
    m_form = std::make_unique<Form1>(
        Form1Services{m_clock, m_sound, m_random, m_dir->path(), markedPicture});
}

void TestGamePlay::cleanup()
{
    m_form.reset();
    QVERIFY(!m_clock.hasPending());
    m_dir.reset();
}

void TestGamePlay::click(int key)
{
    const QPoint p = tileOf(key);
    m_form->PicAll_MouseDown(Qt::LeftButton, Qt::NoModifier, p.x(), p.y());
}

void TestGamePlay::clickWrong()
{
    const GameState &s = m_form->state;
    click((s.order[s.pos] + 1) % 26);
}

void TestGamePlay::answerRound()
{
    const int letters = m_form->state.level + 1;
    for (int i = 0; i < letters; ++i)
        click(m_form->state.order[i]);
}

// Runs the presentation (and whatever comes before it) to its end.
void TestGamePlay::openBoard()
{
    m_clock.runUntilIdle();
    QVERIFY(m_form->state.accepting);
    QVERIFY(!m_form->PicAll->isHidden());
}

Sounds TestGamePlay::soundsSince(int index) const
{
    Sounds result;
    for (int i = index; i < m_sound.played.size(); ++i)
        result.append({m_sound.played[i].id, m_sound.played[i].atMs});
    return result;
}

void TestGamePlay::compareSounds(const Sounds &actual, const Sounds &expected) const
{
    QCOMPARE(actual.size(), expected.size());
    for (int i = 0; i < actual.size(); ++i) {
        QCOMPARE(actual[i].second, expected[i].second);
        if (m_distinctSounds)
            QCOMPARE(actual[i].first, expected[i].first);
    }
}

void TestGamePlay::startShowsLivesScoreAndFirstLetter()
{
    m_form->show();
    m_form->Label1->setText(QStringLiteral("999"));
    m_form->Picbeg_Click();
    QCOMPARE(m_form->Label1->text(), QStringLiteral("0"));
    for (PictureBox *life : m_form->Picf)
        QVERIFY(life->isVisible());
    QVERIFY(m_form->PicAll->isHidden());
    QVERIFY(m_form->PicDH->isHidden());
    QCOMPARE(m_form->state.lives, qint16(3));
    QCOMPARE(m_random.reseeds, 1);
    // The first round has one letter, shown and spoken at once.
    const int key = m_form->state.order[0];
    QVERIFY(m_form->Pict[0]->isVisible());
    QCOMPARE(shownPicture(m_form->Pict[0]), Media::cardOf(key));
    for (int i = 1; i < 8; ++i)
        QVERIFY(m_form->Pict[i]->isHidden());
    compareSounds(soundsSince(0), {{Media::letterSoundOf(key), 0}});
    QVERIFY(!m_form->state.accepting);
    openBoard();
    QCOMPARE(m_clock.now(), 2100);
}

void TestGamePlay::presentationTimeline_data()
{
    QTest::addColumn<int>("level");
    for (int level = 0; level <= 7; ++level)
        QTest::addRow("%d letters", level + 1) << level;
}

void TestGamePlay::presentationTimeline()
{
    QFETCH(int, level);
    m_form->show();
    qint64 start = m_clock.now();
    m_form->Picbeg_Click();
    while (m_form->state.level < level) {
        openBoard();
        answerRound();
        start = m_clock.now() + Timing::RoundCompletePauseMs + 8 * Timing::AnimationFrameMs +
                Timing::AfterAnimationMs;
        advanceTo(start - 1);
        QVERIFY(m_form->Pict[0]->isHidden());
        advanceTo(start);
    }
    QCOMPARE(int(m_form->state.level), level);
    const int n = level + 1;
    const int firstSound = m_sound.played.size() - 1;
    const LetterOrder order = m_form->state.order;
    std::set<int> letters(order.begin(), order.begin() + n);
    QCOMPARE(int(letters.size()), n);

    // Card i comes at 700 i and each stays: all are in view until 700 (n + 1).
    Sounds expected;
    for (int i = 0; i < n; ++i) {
        const qint64 due = start + 700 * i;
        if (i > 0) {
            advanceTo(due - 1);
            QVERIFY2(m_form->Pict[i]->isHidden(), qPrintable(QString::number(i)));
            advanceTo(due);
        }
        QVERIFY(m_form->Pict[i]->isVisible());
        QCOMPARE(shownPicture(m_form->Pict[i]), Media::cardOf(order[i]));
        expected.append({Media::letterSoundOf(order[i]), due});
    }
    advanceTo(start + 700 * (n + 1) - 1);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(m_form->Pict[i]->isVisible(), i < n);
    QVERIFY(m_form->PicAll->isHidden());
    advanceTo(start + 700 * (n + 1));
    for (int i = 0; i < 8; ++i)
        QVERIFY(m_form->Pict[i]->isHidden());
    // A blank pause, then the board, which takes answers from that moment.
    advanceTo(start + 700 * (n + 2) - 1);
    QVERIFY(m_form->PicAll->isHidden());
    QVERIFY(m_form->state.roundComplete || !m_form->state.accepting);
    advanceTo(start + 700 * (n + 2));
    QVERIFY(m_form->PicAll->isVisible());
    QVERIFY(m_form->state.accepting);
    QVERIFY(!m_form->state.roundComplete);
    QVERIFY(!m_clock.hasPending());
    compareSounds(soundsSince(firstSound), expected);
}

void TestGamePlay::completedRoundPausesThenAnimates()
{
    m_form->show();
    m_form->Picbeg_Click();
    openBoard();
    const qint64 done = m_clock.now();
    const int before = m_sound.played.size();
    click(m_form->state.order[0]);
    QCOMPARE(m_form->Label1->text(), QStringLiteral("100"));
    QCOMPARE(m_form->PicAll->drawnLineCount(), 4);

    // Clicks during the pause are not judged: not even against the next round.
    advanceTo(done + 50);
    clickWrong();
    click(m_form->state.order[0]);
    QCOMPARE(m_form->state.lives, qint16(3));
    QCOMPARE(m_form->state.fcount, 100);
    advanceTo(done + 99);
    QVERIFY(m_form->PicAll->isVisible());
    QCOMPARE(m_form->PicAll->drawnLineCount(), 4);
    QVERIFY(m_form->PicDH->isHidden());

    advanceTo(done + 100);
    QVERIFY(m_form->PicAll->isHidden());
    QCOMPARE(m_form->PicAll->drawnLineCount(), 0);
    const int frames[] = {301, 302, 303, 302, 301, 302, 303, 302};
    for (int f = 0; f < 8; ++f) {
        advanceTo(done + 100 + 200 * f);
        QVERIFY(m_form->PicDH->isVisible());
        QCOMPARE(shownPicture(m_form->PicDH), frames[f]);
        QVERIFY(m_form->Pict[0]->isHidden());
    }
    advanceTo(done + 1700);
    QVERIFY(m_form->PicDH->isHidden());
    QCOMPARE(shownPicture(m_form->PicDH), 302);
    advanceTo(done + 2199);
    QVERIFY(m_form->Pict[0]->isHidden());
    advanceTo(done + 2200);
    QVERIFY(m_form->Pict[0]->isVisible());
    compareSounds(soundsSince(before),
                  {{Media::CorrectSound, done},
                   {Media::RoundCompleteSound, done + 100},
                   {Media::letterSoundOf(m_form->state.order[0]), done + 2200}});
}

void TestGamePlay::levelGrowsEveryThreeRoundsUpToEight()
{
    m_form->Picbeg_Click();
    QList<int> lengths;
    qint32 score = 0;
    int before = 0;
    for (int round = 0; round < 25; ++round) {
        openBoard();
        const int n = m_form->state.level + 1;
        lengths << n;
        // One sound per card, after the round-complete sound from the second round on.
        QCOMPARE(m_sound.played.size() - before, round == 0 ? n : n + 1);
        answerRound();
        before = m_sound.played.size();
        score += 100 * n * n;
        QCOMPARE(m_form->state.fcount, score);
        QCOMPARE(m_form->Label1->text(), QString::number(score));
    }
    const QList<int> expected = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5,
                                 5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 8};
    QCOMPARE(lengths, expected);
    QCOMPARE(m_form->state.rounds, qint16(1));
    QCOMPARE(m_random.reseeds, 25); // every round shuffles anew
}

void TestGamePlay::wrongClicksTakeLivesInTurn()
{
    m_form->show();
    m_form->Picbeg_Click();
    openBoard();
    for (int wrong = 0; wrong < 3; ++wrong) {
        const int before = m_sound.played.size();
        advanceTo(m_clock.now() + 300);
        clickWrong();
        compareSounds(soundsSince(before), {{Media::WrongSound, m_clock.now()}});
        for (int i = 0; i < 3; ++i)
            QCOMPARE(m_form->Picf[i]->isVisible(), i < 2 - wrong);
        QVERIFY(m_form->PicAll->isVisible());
        QCOMPARE(m_form->PicAll->drawnLineCount(), 0);
    }
    // No life left, but the game goes on, and the expected letter still scores in full.
    QVERIFY(m_form->state.accepting);
    click(m_form->state.order[0]);
    QCOMPARE(m_form->state.fcount, 100);
    QVERIFY(m_form->form2()->isHidden());
}

void TestGamePlay::fourthWrongClickEndsTheGame()
{
    m_form->show();
    m_form->Picbeg_Click();
    for (int round = 0; round < 3; ++round) {
        openBoard();
        answerRound();
    }
    openBoard();
    click(m_form->state.order[0]); // two letters now: one outline stays on the board
    QCOMPARE(m_form->PicAll->drawnLineCount(), 4);
    for (int wrong = 0; wrong < 3; ++wrong)
        clickWrong();
    QVERIFY(m_form->form2()->isHidden());

    advanceTo(m_clock.now() + 1234);
    const int before = m_sound.played.size();
    clickWrong();
    // "Wrong" is cut off at once by the game-over sound.
    compareSounds(soundsSince(before),
                  {{Media::WrongSound, m_clock.now()}, {Media::GameOverSound, m_clock.now()}});
    QVERIFY(m_form->PicAll->isHidden());
    QCOMPARE(m_form->PicAll->drawnLineCount(), 0);
    QVERIFY(m_form->PicDH->isVisible());
    QCOMPARE(shownPicture(m_form->PicDH), 302);
    QVERIFY(!m_form->state.accepting);
    QCOMPARE(m_form->state.lives, qint16(-1));
    for (PictureBox *life : m_form->Picf)
        QVERIFY(life->isHidden());
    QCOMPARE(m_form->Label1->text(), QStringLiteral("500"));
    QCOMPARE(m_form->form2()->fcount, 500);
    QVERIFY(m_form->form2()->isVisible());
    QVERIFY(!m_clock.hasPending());

    // Nothing more is judged until the start button.
    const int after = m_sound.played.size();
    click(m_form->state.order[m_form->state.pos]);
    clickWrong();
    QCOMPARE(m_sound.played.size(), after);
    QCOMPARE(m_form->state.fcount, 500);
    m_form->form2()->close();
}

void TestGamePlay::startStopsWhateverRuns_data()
{
    // Moments after the third round of one letter is complete; the next round has two.
    QTest::addColumn<int>("pressAt");
    QTest::newRow("pause with the last outline") << 50;
    QTest::newRow("animation, first frame") << 100;
    QTest::newRow("animation, fifth frame") << 950;
    QTest::newRow("quiet after the animation") << 1900;
    QTest::newRow("first card") << 2200;
    QTest::newRow("second card") << 2200 + 700;
    QTest::newRow("both cards, last beat") << 2200 + 1500;
    QTest::newRow("blank before the board") << 2200 + 2100;
}

void TestGamePlay::startStopsWhateverRuns()
{
    QFETCH(int, pressAt);
    m_form->show();
    m_form->Picbeg_Click();
    for (int round = 0; round < 3; ++round) {
        openBoard();
        answerRound();
    }
    const qint64 done = m_clock.now();
    advanceTo(done + pressAt);
    const qint64 press = m_clock.now();
    const int before = m_sound.played.size();
    m_form->Picbeg_Click();

    QCOMPARE(m_form->state.fcount, 0);
    QCOMPARE(m_form->Label1->text(), QStringLiteral("0"));
    QCOMPARE(m_form->state.level, qint16(0));
    QCOMPARE(m_form->state.lives, qint16(3));
    QVERIFY(m_form->PicAll->isHidden());
    QVERIFY(m_form->PicDH->isHidden());
    // Only the new game's single card is in view, from this moment on, and nothing of the
    // old run comes back.
    const int key = m_form->state.order[0];
    for (qint64 t = press; t < press + 1400; t += 50) {
        advanceTo(t);
        QVERIFY(m_form->Pict[0]->isVisible());
        QCOMPARE(shownPicture(m_form->Pict[0]), Media::cardOf(key));
        for (int i = 1; i < 8; ++i)
            QVERIFY(m_form->Pict[i]->isHidden());
        QVERIFY(m_form->PicDH->isHidden());
        QVERIFY(m_form->PicAll->isHidden());
    }
    openBoard();
    QCOMPARE(m_clock.now(), press + 2100);
    compareSounds(soundsSince(before), {{Media::letterSoundOf(key), press}});
    QCOMPARE(m_form->state.level, qint16(0));
}

void TestGamePlay::anyButtonAnswers_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("left") << Qt::LeftButton << Qt::KeyboardModifiers();
    QTest::newRow("right with shift")
        << Qt::RightButton << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("middle with ctrl and alt")
        << Qt::MiddleButton << (Qt::ControlModifier | Qt::AltModifier);
}

void TestGamePlay::anyButtonAnswers()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    m_form->show();
    m_form->Picbeg_Click();
    openBoard();
    QTest::mousePress(m_form->PicAll, button, modifiers, tileOf(m_form->state.order[0]));
    QCOMPARE(m_form->state.fcount, 100);
    QVERIFY(m_form->state.roundComplete);
}

void TestGamePlay::clicksBeforeTheFirstGameDoNothing()
{
    m_form->show();
    const GameState before = m_form->state;
    for (int key : {0, 10, 25}) {
        QTest::mousePress(m_form->PicAll, Qt::LeftButton, {}, tileOf(key));
        QTest::mouseRelease(m_form->PicAll, Qt::LeftButton, {}, tileOf(key));
    }
    QVERIFY(m_sound.played.isEmpty());
    QCOMPARE(m_form->PicAll->drawnLineCount(), 0);
    QCOMPARE(m_form->state.lives, before.lives);
    QCOMPARE(m_form->state.fcount, before.fcount);
    QVERIFY(!m_clock.hasPending());
}

void TestGamePlay::startButtonStartsAGame()
{
    m_form->show();
    QTest::mouseClick(m_form->Picbeg, Qt::LeftButton);
    QVERIFY(m_form->Pict[0]->isVisible());
    QCOMPARE(m_form->state.lives, qint16(3));
    QVERIFY(m_clock.hasPending());
}

void TestGamePlay::outlinesSurviveARepaint()
{
    m_form->show();
    m_form->Picbeg_Click();
    for (int round = 0; round < 3; ++round) {
        openBoard();
        answerRound();
    }
    openBoard();
    const QPoint p = tileOf(m_form->state.order[0]);
    click(m_form->state.order[0]);
    const QRect tile(LetterGame::outlineAt(p.x(), p.y()).front().p1(), QSize(40, 28));
    // What the window paints when it is uncovered: the board's own paint, not a stored copy.
    const QImage shot = m_form->PicAll->grab().toImage();
    for (const QPoint corner : {tile.topLeft(), tile.topRight(), tile.bottomLeft(),
                                tile.bottomRight(), QPoint(tile.center().x(), tile.top())})
        QCOMPARE(shot.pixelColor(corner), Yellow);
    QVERIFY(shot.pixelColor(tile.right() + 1, tile.bottom()) != Yellow);
    QVERIFY(shot.pixelColor(tile.center()) != Yellow);
}

void TestGamePlay::closingOrDestroyingMidSequenceLeavesNothingBehind()
{
    m_form->show();
    m_form->Picbeg_Click();
    QVERIFY(m_clock.hasPending());
    m_form->close();
    QVERIFY(!m_clock.hasPending());

    // A window destroyed in the middle of the round animation takes its steps with it.
    m_form = std::make_unique<Form1>(
        Form1Services{m_clock, m_sound, m_random, m_dir->path(), markedPicture});
    m_form->Picbeg_Click();
    openBoard();
    answerRound();
    advanceTo(m_clock.now() + 500);
    QVERIFY(m_clock.hasPending());
    m_form.reset();
    QVERIFY(!m_clock.hasPending());
    m_clock.advance(10'000);
}

void TestGamePlay::helpWhileAnsweringGivesTheSameGameBack()
{
    m_form->show();
    m_form->Picbeg_Click();
    for (int round = 0; round < 3; ++round) {
        openBoard();
        answerRound();
    }
    openBoard(); // two letters a round now
    const LetterOrder order = m_form->state.order;
    click(order[0]);
    clickWrong();
    const GameState before = m_form->state;

    m_form->Pichp_Click();
    QVERIFY(m_form->form3()->isVisible());
    QVERIFY(!m_form->isEnabled());
    click(order[1]); // the board takes nothing while help is open
    QCOMPARE(m_form->state.pos, before.pos);
    QCOMPARE(m_form->state.fcount, before.fcount);

    QVERIFY(m_form->form3()->close());
    QVERIFY(m_form->isEnabled());
    QVERIFY(m_form->state.accepting);
    QCOMPARE(m_form->state.lives, before.lives);
    // The same letter is still the one expected, and it scores in full.
    click(order[1]);
    QCOMPARE(m_form->state.fcount, before.fcount + 200);
    QVERIFY(m_form->state.roundComplete);
    m_clock.runUntilIdle();
}

void TestGamePlay::helpDuringAPresentationLetsItFinish_data()
{
    QTest::addColumn<qint64>("openAt");
    QTest::addColumn<qint64>("closeAt");
    QTest::newRow("closed before the board opens") << qint64(300) << qint64(1500);
    QTest::newRow("closed after the board opens") << qint64(300) << qint64(2500);
    QTest::newRow("in the pause after a round") << qint64(-1) << qint64(4000);
}

void TestGamePlay::helpDuringAPresentationLetsItFinish()
{
    QFETCH(qint64, openAt);
    QFETCH(qint64, closeAt);
    m_form->show();
    const qint64 start = m_clock.now();
    m_form->Picbeg_Click();
    qint64 boardOpens = start + 2100;
    closeAt += start;
    if (openAt < 0) {
        // Help opened in the 100 ms after the round's last letter was clicked.
        openBoard();
        const qint64 roundEnd = m_clock.now();
        answerRound();
        m_form->Pichp_Click();
        // pause 100, animation 8 x 200 + 500, then one letter: 700 + 700 + 700
        boardOpens = roundEnd + 100 + 2100 + 2100;
        closeAt += roundEnd - start;
    } else {
        advanceTo(start + openAt);
        m_form->Pichp_Click();
    }
    QVERIFY(!m_form->state.accepting);
    if (closeAt < boardOpens) {
        advanceTo(closeAt);
        QVERIFY(m_form->form3()->close());
        QVERIFY(!m_form->state.accepting); // still presenting
        advanceTo(boardOpens);
    } else {
        advanceTo(boardOpens);
        QVERIFY(m_form->state.accepting); // the presentation opened the board as usual
        advanceTo(closeAt);
        QVERIFY(m_form->form3()->close());
    }
    QVERIFY(m_form->state.accepting);
    QVERIFY(!m_form->PicAll->isHidden());
    const qint32 score = m_form->state.fcount;
    click(m_form->state.order[0]);
    QCOMPARE(m_form->state.fcount, score + 100);
    m_clock.runUntilIdle();
}

QTEST_MAIN(TestGamePlay)
#include "test_gameplay.moc"
