#include "game/gameview.h"
#include "game/lettergame.h"
#include "manualscheduler.h"
#include "media/mediaids.h"
#include "scriptedrandom.h"

#include <QRandomGenerator>
#include <QTest>

namespace {
using Sounds = QList<QPair<int, qint64>>; // (sound id, moment)

// The screen as the game has drawn it, and what it played when.
struct FakeView final : GameView
{
    explicit FakeView(const ManualScheduler &clock) : clock(clock) {}
    void showCard(int i, int id) override { cards[i] = id, cardsInView |= 1 << i; }
    void hideCard(int i) override { cardsInView &= ~(1 << i); }
    void setBoardShown(bool shown) override { board = shown; }
    void drawOutline(const Rules::Outline &o) override { outlines << o.front().p1(); }
    void clearBoard() override { outlines.clear(); }
    void setAnimationShown(bool shown) override { animation = shown; }
    void showAnimationFrame(int id) override { frame = id; }
    void setLifeShown(int i, bool shown) override { lives = (lives & ~(1 << i)) | shown << i; }
    void showScore(qint32 s) override { score = s; }
    void playSound(int id) override { sounds.append({id, clock.now()}); }
    int showLeaderboard(qint32 s) override { return leaderboard = s, resultSound; }

    const ManualScheduler &clock;
    int cards[8] = {};
    int cardsInView = 0, lives = 1, frame = 0, resultSound = Media::MadeTheTableSound;
    bool board = true, animation = false;
    QList<QPoint> outlines;
    qint32 score = -1, leaderboard = -1;
    Sounds sounds;
};

} // namespace

class TestLetterGame : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_clock = std::make_unique<ManualScheduler>();
        m_random = ScriptedRandom();
        m_view = std::make_unique<FakeView>(*m_clock);
        m_game = std::make_unique<LetterGame>(*m_clock, m_random, *m_view);
    }
    void cleanup()
    {
        // Whatever a test left running goes with the game.
        m_game.reset();
        QVERIFY(!m_clock->hasPending());
    }

    void roundOnTheClock_data()
    {
        // A round is one letter longer every third round, up to eight.
        QTest::addColumn<int>("roundsBefore");
        QTest::addColumn<int>("level");
        for (int rounds = 0; rounds <= 24; rounds += 3)
            QTest::addRow("after %d rounds", rounds) << rounds << std::min(rounds / 3, 7);
    }
    // A round from the press of start, or from the answer that completes the round before, to
    // the moment its board takes answers.
    void roundOnTheClock()
    {
        QFETCH(int, roundsBefore);
        QFETCH(int, level);
        startAndPlay(roundsBefore);
        const qint64 done = m_clock->now();
        const qsizetype firstSound = m_view->sounds.size() - 1;
        Sounds expected;
        qint64 start = done;
        if (roundsBefore > 0) {
            // The board stays with its outlines for 100 ms but judges nothing, not even for the
            // next round; then it goes for the animation and a quiet moment.
            advanceTo(done + 50);
            clickWrong();
            click(state().order[0]);
            advanceTo(done + 99);
            QVERIFY(m_view->board && !m_view->animation);
            QCOMPARE(m_view->outlines.size(), std::min((roundsBefore - 1) / 3, 7) + 1);
            advanceTo(done + 100);
            QVERIFY(!m_view->board && m_view->outlines.isEmpty());
            const int frames[] = {301, 302, 303, 302, 301, 302, 303, 302};
            for (int f = 0; f < 8; ++f) {
                advanceTo(done + 100 + 200 * f);
                QVERIFY(m_view->animation);
                QCOMPARE(m_view->frame, frames[f]);
            }
            advanceTo(done + 1700);
            QVERIFY(!m_view->animation);
            expected = {{Media::CorrectSound, done}, {Media::RoundCompleteSound, done + 100}};
            start = done + 2200;
        }
        // Card i comes at 700 i with its letter's sound and stays: all are in view until
        // 700 (n + 1).
        const int n = level + 1;
        for (int i = 0; i < n; ++i) {
            if (m_clock->now() < start + 700 * i) {
                advanceTo(start + 700 * i - 1);
                QCOMPARE(m_view->cardsInView, (1 << i) - 1);
                advanceTo(start + 700 * i);
            }
            QCOMPARE(m_view->cardsInView, (2 << i) - 1);
            QCOMPARE(m_view->cards[i], Media::cardOf(state().order[i]));
            expected.append({Media::letterSoundOf(state().order[i]), start + 700 * i});
        }
        QCOMPARE(int(state().level), level);
        QCOMPARE(m_random.reseeds, roundsBefore + 1); // every round is shuffled anew
        advanceTo(start + 700 * (n + 1) - 1);
        QCOMPARE(m_view->cardsInView, (1 << n) - 1);
        advanceTo(start + 700 * (n + 1));
        QCOMPARE(m_view->cardsInView, 0);
        // A blank pause, then the board, which takes answers from that moment.
        advanceTo(start + 700 * (n + 2) - 1);
        QVERIFY(!m_view->board && (state().roundComplete || !state().accepting));
        advanceTo(start + 700 * (n + 2));
        QVERIFY(m_view->board && state().accepting && !state().roundComplete);
        QVERIFY(!m_clock->hasPending());
        QCOMPARE(soundsSince(firstSound), expected);
    }
    // Timers on a busy machine fire a few milliseconds late; each step still comes at its own
    // moment from the start of the round, so an eight-letter round does not stretch.
    void lateTimersDoNotAddUp()
    {
        startAndPlay(21);
        QCOMPARE(int(state().level), 7);
        const qint64 start = m_clock->now() + 2200; // the next round's first card
        m_clock->setLateness([] { return QRandomGenerator::global()->bounded(2, 11); });
        const qsizetype first = m_view->sounds.size() + 1; // after the round-complete sound
        m_clock->runUntilIdle();
        QVERIFY(m_view->board);
        QVERIFY(m_clock->now() - (start + 700 * 10) <= 10);
        const Sounds cards = soundsSince(first);
        QCOMPARE(cards.size(), 8);
        for (int i = 0; i < 8; ++i)
            QVERIFY2(cards[i].second - (start + 700 * i) <= 10, qPrintable(QString::number(i)));
    }
    void wrongAnswersTakeLivesThenTheGameEnds()
    {
        startAndPlay(0);
        openBoard();
        for (int wrong = 0; wrong < 3; ++wrong) {
            advanceTo(m_clock->now() + 300);
            const qsizetype before = m_view->sounds.size();
            clickWrong();
            QCOMPARE(soundsSince(before), (Sounds{{Media::WrongSound, m_clock->now()}}));
            QCOMPARE(m_view->lives, (1 << (2 - wrong)) - 1); // right to left
            QVERIFY(m_view->outlines.isEmpty());
        }
        // No life left, but the game goes on and the expected letter still scores.
        click(nextKey());
        QCOMPARE(m_view->outlines.size(), 1);
        QCOMPARE(m_view->score, 100);
        openBoard();

        advanceTo(m_clock->now() + 1234);
        const qsizetype before = m_view->sounds.size();
        clickWrong();
        // The game-over tune cuts "wrong" off at once.
        QCOMPARE(soundsSince(before),
                 (Sounds{{Media::WrongSound, m_clock->now()}, {Media::GameOverSound, m_clock->now()}}));
        QVERIFY(!m_view->board && m_view->outlines.isEmpty());
        QVERIFY(m_view->animation);
        QCOMPARE(m_view->frame, Media::AnimationFrame2);
        QCOMPARE(m_view->leaderboard, 100);
        // Nothing more is judged until the start button.
        click(nextKey());
        clickWrong();
        QCOMPARE(m_view->sounds.size(), before + 2);
        // The leaderboard's answer waits for the game-over tune to end instead of cutting it off.
        const qint64 over = m_clock->now();
        m_clock->runUntilIdle();
        QCOMPARE(soundsSince(before + 2), (Sounds{{Media::MadeTheTableSound, over + 1760}}));
    }
    void startStopsWhateverRuns_data()
    {
        // Moments after the third round of one letter is complete; the next round has two
        // letters and its board opens at 5000.
        QTest::addColumn<int>("pressAt");
        QTest::newRow("pause with the last outline") << 50;
        QTest::newRow("animation, fifth frame") << 950;
        QTest::newRow("second card") << 2200 + 700;
        QTest::newRow("blank before the board") << 2200 + 2100;
        QTest::newRow("answering, one letter given") << 5100;
    }
    void startStopsWhateverRuns()
    {
        QFETCH(int, pressAt);
        m_game->start();
        openBoard();
        clickWrong(); // a life lost, which the new game gives back
        startAndPlay(3);
        const qint64 press = m_clock->now() + pressAt;
        advanceTo(press);
        if (pressAt >= 5000)
            click(nextKey());
        const qsizetype before = m_view->sounds.size();
        m_game->start();

        QCOMPARE(m_view->score, 0);
        QCOMPARE(m_view->lives, 7);
        QVERIFY(m_view->outlines.isEmpty());
        // Only the new game's single card is in view, from this moment on, and nothing of the
        // old run comes back.
        const int key = nextKey();
        for (qint64 t = press; t < press + 1400; t += 50) {
            advanceTo(t);
            QCOMPARE(m_view->cardsInView, 1);
            QCOMPARE(m_view->cards[0], Media::cardOf(key));
            QVERIFY(!m_view->animation && !m_view->board);
        }
        openBoard();
        QCOMPARE(m_clock->now(), press + 2100);
        QCOMPARE(soundsSince(before), (Sounds{{Media::letterSoundOf(key), press}}));
        click(key);
        QCOMPARE(state().fcount, 100);
    }
    void helpGivesTheSameGameBack_data()
    {
        // Moments after the third round of one letter is complete, as above.
        QTest::addColumn<int>("openAt");
        QTest::addColumn<int>("closeAt");
        QTest::newRow("in the pause after a round") << 50 << 1000;
        QTest::newRow("presentation, closed before the board opens") << 2500 << 3000;
        QTest::newRow("presentation, closed after the board opens") << 2500 << 6000;
        QTest::newRow("answering, one letter given") << 5100 << 6000;
    }
    void helpGivesTheSameGameBack()
    {
        QFETCH(int, openAt);
        QFETCH(int, closeAt);
        startAndPlay(3);
        const qint64 done = m_clock->now();
        advanceTo(done + openAt);
        const bool answering = openAt >= 5000;
        if (answering) {
            click(nextKey());
            clickWrong();
        }
        const GameState before = state();
        m_game->helpOpened();
        click(nextKey()); // counts for nothing while help is open
        QCOMPARE(state().fcount, before.fcount);
        advanceTo(done + closeAt);
        // A presentation goes on behind help and opens the board at its usual moment.
        QCOMPARE(state().accepting, closeAt >= 5000 && !answering);
        m_game->helpClosed();
        QCOMPARE(state().accepting, closeAt >= 5000);
        if (closeAt < 5000) {
            advanceTo(done + 4999);
            QVERIFY(!state().accepting);
            advanceTo(done + 5000);
        }
        QVERIFY(state().accepting && m_view->board);
        QCOMPARE(state().lives, before.lives);
        // The same letter is still the one expected, and it scores in full.
        click(state().order[before.pos]);
        QCOMPARE(state().fcount, before.fcount + 200);
    }
    void lettersOnTheRealKeyboard_data()
    {
        // What a key types ("right" and "wrong" stand for the expected letter and another one),
        // against the outcome.
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("repeat");
        QTest::addColumn<bool>("isLetter");
        QTest::addColumn<int>("score");
        QTest::addColumn<int>("lives");
        QTest::newRow("lower case") << "right" << 0 << false << true << 100 << 7;
        QTest::newRow("Shift, capital") << "RIGHT" << int(Qt::ShiftModifier) << false << true << 100 << 7;
        QTest::newRow("wrong letter") << "wrong" << 0 << false << true << 0 << 3;
        QTest::newRow("Ctrl") << "right" << int(Qt::ControlModifier) << false << false << 0 << 7;
        QTest::newRow("Alt") << "right" << int(Qt::AltModifier) << false << false << 0 << 7;
        QTest::newRow("Super") << "right" << int(Qt::MetaModifier) << false << false << 0 << 7;
        QTest::newRow("held key repeats") << "wrong" << 0 << true << true << 0 << 7;
        QTest::newRow("space") << " " << 0 << false << false << 0 << 7;
        QTest::newRow("arrow") << "" << int(Qt::KeypadModifier) << false << false << 0 << 7;
        QTest::newRow("not an English letter") << "ü" << 0 << false << false << 0 << 7;
    }
    void lettersOnTheRealKeyboard()
    {
        QFETCH(QString, text);
        QFETCH(int, modifiers);
        QFETCH(bool, repeat);
        m_game->start();
        const auto press = [&] {
            const char right = Media::KeyboardLetters[nextKey()];
            const QString typed = text == "right"   ? QString(QChar(right).toLower())
                                  : text == "RIGHT" ? QString(QChar(right))
                                  : text == "wrong" ? QString(QChar(right == 'Q' ? 'w' : 'q'))
                                                    : text;
            return m_game->letterKey(typed, Qt::KeyboardModifiers(modifiers), repeat);
        };
        // Nothing answers while the letters are shown.
        QTEST(press(), "isLetter");
        openBoard();
        QTEST(press(), "isLetter");
        QTEST(int(m_view->score), "score");
        QTEST(m_view->lives, "lives");
    }

private:
    const GameState &state() const { return m_game->state(); }
    void advanceTo(qint64 moment) { m_clock->advance(moment - m_clock->now()); }
    int nextKey() const { return state().order[state().pos]; }
    void click(int key) { m_game->boardMouseDown(Rules::keyCentre(key).x(), Rules::keyCentre(key).y()); }
    void clickWrong() { click((nextKey() + 1) % 26); }
    void openBoard()
    {
        m_clock->runUntilIdle();
        QVERIFY(state().accepting && m_view->board);
    }
    // A new game and its first rounds answered, up to the answer that completes the last.
    void startAndPlay(int rounds)
    {
        m_game->start();
        for (int round = 0; round < rounds; ++round) {
            openBoard();
            for (int i = 0; i <= state().level; ++i)
                click(nextKey());
        }
    }
    Sounds soundsSince(qsizetype index) const { return m_view->sounds.mid(index); }

    std::unique_ptr<ManualScheduler> m_clock;
    ScriptedRandom m_random;
    std::unique_ptr<FakeView> m_view;
    std::unique_ptr<LetterGame> m_game;
};

QTEST_GUILESS_MAIN(TestLetterGame)
#include "test_lettergame.moc"
