#include "game/gameview.h"
#include "game/lettergame.h"
#include "manualscheduler.h"
#include "rhythm.h"
#include "scriptedrandom.h"

#include <QTest>

#include <random>

namespace {
using Sounds = QList<QPair<int, qint64>>; // (sound id, moment); 0 is the leaderboard's answer
const char Letters[] = "QWERTYUIOPASDFGHJKLZXCVBNM"; // by key index

// The screen as the game has drawn it, and what it played when.
struct FakeView final : GameView
{
    explicit FakeView(const ManualScheduler &clock) : clock(clock) {}
    void showCard(int i, PictureId id) override { cards[i] = int(id), cardsInView |= 1 << i; }
    void hideCard(int i) override { cardsInView &= ~(1 << i); }
    void setBoardShown(bool shown) override { board = shown; }
    void drawOutline(const Rules::Outline &o) override { outlines << o.front().p1(); }
    void clearBoard() override { outlines.clear(); }
    void setAnimationShown(bool shown) override { animation = shown; }
    void showAnimationFrame(PictureId id) override { frame = int(id); }
    void setLifeShown(int i, bool shown) override { lives = (lives & ~(1 << i)) | shown << i; }
    void showScore(qint32 s) override { score = s; }
    void playSound(SoundId id) override { sounds.append({int(id), clock.now()}); }
    void showLeaderboard(qint32 s) override { leaderboard = s; }
    void playLeaderboardAnswer() override { sounds.append({0, clock.now()}); }

    const ManualScheduler &clock;
    int cards[8] = {};
    int cardsInView = 0, lives = 1, frame = 0;
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
            // The board stays with its outlines for a moment but judges nothing, not even for
            // the next round; then it goes for the animation and a quiet moment.
            advanceTo(done + Rhythm::AfterAnswer / 2);
            clickWrong();
            click(state().order[0]);
            advanceTo(done + Rhythm::AfterAnswer - 1);
            QVERIFY(m_view->board && !m_view->animation);
            QCOMPARE(m_view->outlines.size(), std::min((roundsBefore - 1) / 3, 7) + 1);
            advanceTo(done + Rhythm::AfterAnswer);
            QVERIFY(!m_view->board && m_view->outlines.isEmpty());
            const int frames[] = {301, 302, 303, 302, 301, 302, 303, 302};
            for (int f = 0; f < 8; ++f) {
                advanceTo(done + Rhythm::AfterAnswer + Rhythm::Frame * f);
                QVERIFY(m_view->animation);
                QCOMPARE(m_view->frame, frames[f]);
            }
            advanceTo(done + Rhythm::AfterAnswer + 8 * Rhythm::Frame);
            QVERIFY(!m_view->animation);
            expected = {{103, done}, {102, done + Rhythm::AfterAnswer}};
            start = done + Rhythm::BetweenRounds;
        }
        // Card i comes at 700 i with its letter's card and sound and stays: all are in view
        // until 700 (n + 1).
        const int n = level + 1;
        for (int i = 0; i < n; ++i) {
            if (m_clock->now() < start + Rhythm::Card * i) {
                advanceTo(start + Rhythm::Card * i - 1);
                QCOMPARE(m_view->cardsInView, (1 << i) - 1);
                advanceTo(start + Rhythm::Card * i);
            }
            QCOMPARE(m_view->cardsInView, (2 << i) - 1);
            QCOMPARE(m_view->cards[i], 101 + state().order[i]);
            expected.append({201 + state().order[i], start + Rhythm::Card * i});
        }
        QCOMPARE(int(state().level), level);
        QCOMPARE(m_random.reseeds, roundsBefore + 1); // every round is shuffled anew
        advanceTo(start + Rhythm::Card * (n + 1) - 1);
        QCOMPARE(m_view->cardsInView, (1 << n) - 1);
        advanceTo(start + Rhythm::Card * (n + 1));
        QCOMPARE(m_view->cardsInView, 0);
        // A blank pause, then the board, which takes answers from that moment.
        advanceTo(start + Rhythm::Card * (n + 2) - 1);
        QVERIFY(!m_view->board && !state().accepting());
        advanceTo(start + Rhythm::Card * (n + 2));
        QVERIFY(m_view->board && state().accepting());
        QVERIFY(!m_clock->hasPending());
        QCOMPARE(soundsSince(firstSound), expected);
    }
    // Timers on a busy machine fire a few milliseconds late; each step still comes at its own
    // moment from the start of the round, so an eight-letter round does not stretch.
    void lateTimersDoNotAddUp()
    {
        startAndPlay(21);
        QCOMPARE(int(state().level), 7);
        const qint64 start = m_clock->now() + Rhythm::BetweenRounds; // the next round's first card
        std::mt19937 lateness(20240607);
        m_clock->setLateness([&] { return int(lateness() % 9) + 2; });
        const qsizetype first = m_view->sounds.size() + 1; // after the round-complete sound
        m_clock->runUntilIdle();
        QVERIFY(m_view->board);
        QVERIFY(m_clock->now() - (start + Rhythm::Card * 10) <= 10);
        const Sounds cards = soundsSince(first);
        QCOMPARE(cards.size(), 8);
        for (int i = 0; i < 8; ++i)
            QVERIFY2(cards[i].second - (start + Rhythm::Card * i) <= 10,
                     qPrintable(QString::number(i)));
    }
    void wrongAnswersTakeLivesThenTheGameEnds()
    {
        startAndPlay(0);
        openBoard();
        for (int wrong = 0; wrong < 3; ++wrong) {
            advanceTo(m_clock->now() + 300);
            const qsizetype before = m_view->sounds.size();
            clickWrong();
            QCOMPARE(soundsSince(before), (Sounds{{104, m_clock->now()}}));
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
        QCOMPARE(soundsSince(before), (Sounds{{104, m_clock->now()}, {105, m_clock->now()}}));
        QVERIFY(!m_view->board && m_view->outlines.isEmpty());
        QVERIFY(m_view->animation && m_view->frame == 302);
        QCOMPARE(m_view->leaderboard, 100);
        // The leaderboard's answer waits for the game-over tune to end instead of cutting it off.
        const qint64 over = m_clock->now();
        m_clock->runUntilIdle();
        QCOMPARE(soundsSince(before + 2), (Sounds{{0, over + Rhythm::GameOverTune}}));
    }
    // Every input in every phase, with help closed and with help open, by what it does.
    void everyInputInEveryPhase_data()
    {
        QTest::addColumn<int>("phase");
        QTest::addColumn<bool>("help");
        QTest::addColumn<int>("input");
        QTest::addColumn<char>("effect");
        // '-' nothing, 'j' judged, 'n' a new game, 'h' help now open, 'c' help now closed, 'd'
        // the leaderboard's answer to the score dropped; for the inputs below, in this order.
        const char *inputs[] = {"click",       "letter",      "start",
                                "help opened", "help closed", "leaderboard closed"};
        const QList<std::tuple<const char *, const char *, const char *>> phases = {
            {"idle", "--nh--", "--n-c-"},
            {"presenting, started while answering", "--nh--", "--n-c-"},
            {"answering", "jjnh--", "--n-c-"},
            {"round complete, last key outlined", "--nh--", "--n-c-"},
            {"game over", "--nh-d", "--n-cd"}};
        for (int p = 0; p < 5; ++p)
            for (int i = 0; i < 6; ++i)
                for (bool help : {false, true})
                    QTest::addRow("%s%s: %s", std::get<0>(phases[p]), help ? ", help open" : "",
                                  inputs[i])
                        << p << help << i
                        << (help ? std::get<2>(phases[p]) : std::get<1>(phases[p]))[i];
    }
    void everyInputInEveryPhase()
    {
        QFETCH(int, phase);
        QFETCH(bool, help);
        QFETCH(int, input);
        QFETCH(char, effect);
        if (phase > 0) // one round won (100 points), and the board of the next, or its end
            startAndPlay(phase == 3 ? 2 : 1);
        if (phase == 3)
            advanceTo(m_clock->now() + Rhythm::AfterAnswer / 2);
        else if (phase > 0)
            openBoard();
        if (phase == 1) {
            m_game->start();
            advanceTo(m_clock->now() + Rhythm::Card); // its one card in view
        }
        for (int wrong = 0; phase == 4 && wrong < 4; ++wrong)
            clickWrong();
        if (help)
            m_game->helpOpened();
        const qint32 score = m_view->score;
        const qsizetype sounds = m_view->sounds.size();
        const int reseeds = m_random.reseeds, key = nextKey(); // the right answer, if any
        const qint64 now = m_clock->now();

        // clang-format off
        switch (input) {
        case 0: click(key); break;
        case 1: m_game->letterKey(QString(QChar(Letters[key]).toLower()), {}); break;
        case 2: m_game->start(); break;
        case 3: m_game->helpOpened(); break;
        case 4: m_game->helpClosed(); break;
        case 5: m_game->leaderboardClosed(); break;
        }
        // clang-format on
        QCOMPARE(m_view->score, effect == 'j' ? score + 100 : effect == 'n' ? 0 : score);
        QCOMPARE(m_view->sounds.size() - sounds, qsizetype(effect == 'j' || effect == 'n'));
        QCOMPARE(m_random.reseeds - reseeds, int(effect == 'n'));
        if (effect == 'n') {
            // Three lives, and only the new game's single card from this moment on: nothing of
            // the old run comes back.
            QCOMPARE(m_view->lives, 7);
            for (qint64 t = now; t < now + 2 * Rhythm::Card; t += 50) {
                advanceTo(t);
                QVERIFY(m_view->cardsInView == 1 && m_view->cards[0] == 101 + nextKey());
                QVERIFY(!m_view->animation && !m_view->board && m_view->outlines.isEmpty());
            }
        }
        // The game goes on: the leaderboard answers a game that ended, the board comes back
        // for a game that goes on, and takes the right answer unless help is over it.
        const qsizetype later = m_view->sounds.size();
        m_clock->runUntilIdle();
        const bool answered = phase == 4 && effect != 'd' && effect != 'n';
        QCOMPARE(soundsSince(later).contains({0, now + Rhythm::GameOverTune}), answered);
        const bool board = effect == 'n' || (phase > 0 && phase < 4);
        const bool helpOpen = effect == 'h' || (help && effect != 'c');
        const qint32 before = state().fcount;
        click(nextKey());
        QCOMPARE(state().fcount > before, board && !helpOpen);
    }
    void lettersOnTheRealKeyboard_data()
    {
        // What a key types ("right" and "wrong" stand for the expected letter and another one),
        // against the outcome.
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("isLetter");
        QTest::addColumn<int>("score");
        QTest::addColumn<int>("lives");
        QTest::newRow("lower case") << "right" << 0 << true << 100 << 7;
        QTest::newRow("Shift, capital") << "RIGHT" << int(Qt::ShiftModifier) << true << 100 << 7;
        QTest::newRow("wrong letter") << "wrong" << 0 << true << 0 << 3;
        QTest::newRow("Ctrl") << "right" << int(Qt::ControlModifier) << false << 0 << 7;
        QTest::newRow("Alt") << "right" << int(Qt::AltModifier) << false << 0 << 7;
        QTest::newRow("Super") << "right" << int(Qt::MetaModifier) << false << 0 << 7;
        QTest::newRow("space") << " " << 0 << false << 0 << 7;
        QTest::newRow("arrow") << "" << int(Qt::KeypadModifier) << false << 0 << 7;
        QTest::newRow("not an English letter") << "ü" << 0 << false << 0 << 7;
    }
    void lettersOnTheRealKeyboard()
    {
        QFETCH(QString, text);
        QFETCH(int, modifiers);
        m_game->start();
        openBoard();
        const char right = Letters[nextKey()];
        const QString typed = text == "right"   ? QString(QChar(right).toLower())
                              : text == "RIGHT" ? QString(QChar(right))
                              : text == "wrong" ? QString(QChar(right == 'Q' ? 'w' : 'q'))
                                                : text;
        QTEST(m_game->letterKey(typed, Qt::KeyboardModifiers(modifiers)), "isLetter");
        QTEST(int(m_view->score), "score");
        QTEST(m_view->lives, "lives");
    }

private:
    const GameState &state() const { return m_game->state(); }
    void advanceTo(qint64 moment) { m_clock->advance(moment - m_clock->now()); }
    int nextKey() const { return state().order[state().pos]; }
    void click(int key)
    {
        m_game->boardMouseDown(Rules::keyCentre(key).x(), Rules::keyCentre(key).y());
    }
    void clickWrong() { click((nextKey() + 1) % 26); }
    void openBoard()
    {
        m_clock->runUntilIdle();
        QVERIFY(state().accepting() && m_view->board);
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
