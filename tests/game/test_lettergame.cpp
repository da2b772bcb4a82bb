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
// clang-format off
enum class Input { Click, Letter, Start, HelpOpened, HelpClosed, LeaderboardClosed };
enum class Effect { Nothing, Judged, NewGame, HelpOpens, HelpCloses, AnswerDropped };
// clang-format on

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
Q_DECLARE_METATYPE(Phase)
Q_DECLARE_METATYPE(Input)
Q_DECLARE_METATYPE(Effect)

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
            // The board stays with its outlines for a moment, then goes for the animation and a
            // quiet moment.
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
        QVERIFY(!m_view->board && state().phase == Phase::Presenting);
        advanceTo(start + Rhythm::Card * (n + 2));
        QVERIFY(m_view->board && state().phase == Phase::Answering);
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
        // Three mistakes cost a life each and draw nothing; the expected letter still scores.
        for (int wrong = 0; wrong < 3; ++wrong) {
            const qsizetype before = m_view->sounds.size();
            clickWrong();
            QVERIFY(soundsSince(before) == (Sounds{{104, m_clock->now()}}) &&
                    m_view->outlines.isEmpty());
        }
        click(nextKey());
        QCOMPARE(m_view->score, 100);
        openBoard();
        // The fourth ends the game: its tune cuts "wrong" off at once.
        const qsizetype before = m_view->sounds.size();
        clickWrong();
        QCOMPARE(soundsSince(before), (Sounds{{104, m_clock->now()}, {105, m_clock->now()}}));
        QVERIFY(!m_view->board && m_view->outlines.isEmpty() && m_view->leaderboard == 100);
    }
    // The four rules of the game's inputs, each in the phases where it matters, one letter
    // into a round of two letters: the first round longer than a child's first three.
    void inputsByRule_data()
    {
        QTest::addColumn<Phase>("phase");
        QTest::addColumn<bool>("help");
        QTest::addColumn<Input>("input");
        QTest::addColumn<Effect>("effect");
        const char *const inputs[] = {"click",       "letter",      "start",
                                      "help opened", "help closed", "leaderboard closed"};
        const char *const phases[] = {"idle", "cards coming", "answering", "last key outlined",
                                      "game over"};
        const auto rule = [&](const char *name, Effect effect, QList<Input> ins, QList<Phase> where,
                              bool help = false) {
            for (Input in : ins)
                for (Phase p : where)
                    QTest::addRow("%s: %s, %s%s", name, inputs[int(in)], phases[int(p)],
                                  help ? ", help open" : "")
                        << p << help << in << effect;
        };
        using enum Phase;
        using enum Input;
        using enum Effect;
        // Only the board waiting for letters, with no help over it, judges a click or a letter.
        rule("judged", Judged, {Click, Letter}, {Answering});
        rule("ignored", Nothing, {Click, Letter}, {Idle, Presenting, RoundComplete, GameOver});
        rule("ignored", Nothing, {Click, Letter}, {Answering}, true);
        // The start button always begins a new game, at one letter, on a clean screen.
        rule("new game", NewGame, {Start}, {Idle, Presenting, Answering, RoundComplete, GameOver});
        rule("new game", NewGame, {Start}, {Presenting, Answering}, true);
        // Help pauses answering and changes nothing else: the round goes on where it was.
        rule("help pauses", HelpOpens, {HelpOpened}, {Presenting, Answering});
        rule("help pauses", HelpCloses, {HelpClosed}, {Presenting, Answering, GameOver}, true);
        // The leaderboard's answer to the score goes with the leaderboard, and only that.
        rule("answer dropped", AnswerDropped, {LeaderboardClosed}, {GameOver});
        rule("nothing", Nothing, {LeaderboardClosed}, {Presenting});
    }
    void inputsByRule()
    {
        QFETCH(Phase, phase);
        QFETCH(bool, help);
        QFETCH(Input, input);
        QFETCH(Effect, effect);
        if (phase != Phase::Idle) // three rounds of one letter: 300 points
            startAndPlay(3);
        if (phase == Phase::Presenting)
            advanceTo(m_clock->now() + Rhythm::BetweenRounds + Rhythm::Card); // two cards
        else if (phase == Phase::RoundComplete)
            advanceTo(m_clock->now() + Rhythm::AfterAnswer / 2);
        else if (phase != Phase::Idle)
            openBoard();
        if (phase == Phase::Answering)
            click(seen(0)); // 200 points
        for (int wrong = 0; phase == Phase::GameOver && wrong < 4; ++wrong)
            clickWrong();
        if (help)
            m_game->helpOpened();
        QCOMPARE(state().phase, phase);
        const qint32 score = m_view->score;
        const qsizetype sounds = m_view->sounds.size();
        const int reseeds = m_random.reseeds;
        const qint64 now = m_clock->now();
        const int second = std::max(0, seen(1)); // the round's second letter, if any

        // clang-format off
        switch (input) {
        case Input::Click: click(second); break;
        case Input::Letter: m_game->letterKey(QString(QChar(Letters[second]).toLower()), {}); break;
        case Input::Start: m_game->start(); break;
        case Input::HelpOpened: m_game->helpOpened(); break;
        case Input::HelpClosed: m_game->helpClosed(); break;
        case Input::LeaderboardClosed: m_game->leaderboardClosed(); break;
        }
        // clang-format on
        const bool fresh = effect == Effect::NewGame;
        QCOMPARE(m_view->score, effect == Effect::Judged ? score + 200 : fresh ? 0 : score);
        QCOMPARE(m_view->sounds.size() - sounds, qsizetype(effect == Effect::Judged || fresh));
        QCOMPARE(m_random.reseeds - reseeds, int(fresh));
        if (fresh) {
            // Three lives, and one card, the new game's, until the blank before its board:
            // nothing of the old game stays or comes back, not even its length.
            QCOMPARE(m_view->lives, 7);
            for (qint64 t = now; t < now + 3 * Rhythm::Card; t += 50) {
                advanceTo(t);
                QVERIFY(m_view->cardsInView == (t < now + 2 * Rhythm::Card));
                QVERIFY(!m_view->animation && !m_view->board && m_view->outlines.isEmpty());
            }
        }
        // The game goes on: the leaderboard answers a game that ended, the board comes back
        // for a game that goes on, and takes the letter the child has to give next (the second
        // of the round half answered, else the first of a new round) unless help is over it.
        const qsizetype later = m_view->sounds.size();
        m_clock->runUntilIdle();
        const bool answered = phase == Phase::GameOver && effect != Effect::AnswerDropped && !fresh;
        QCOMPARE(soundsSince(later).contains({0, now + Rhythm::GameOverTune}), answered);
        const bool board = fresh || (phase != Phase::Idle && phase != Phase::GameOver);
        const bool helpOpen = effect == Effect::HelpOpens || (help && effect != Effect::HelpCloses);
        const qint32 before = m_view->score;
        click(seen(phase == Phase::Answering && effect != Effect::Judged && !fresh ? 1 : 0));
        QCOMPARE(m_view->score > before, board && !helpOpen);
    }
    void lettersOnTheRealKeyboard_data()
    {
        // What a key types ("right" stands for the expected letter), with which modifiers, and
        // whether that is a letter answer.
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("isLetter");
        QTest::newRow("Shift, capital") << "RIGHT" << int(Qt::ShiftModifier) << true;
        QTest::newRow("Ctrl") << "right" << int(Qt::ControlModifier) << false;
        QTest::newRow("Alt") << "right" << int(Qt::AltModifier) << false;
        QTest::newRow("Super") << "right" << int(Qt::MetaModifier) << false;
        QTest::newRow("space") << " " << 0 << false;
        QTest::newRow("arrow") << "" << int(Qt::KeypadModifier) << false;
        QTest::newRow("not an English letter") << "ü" << 0 << false;
    }
    void lettersOnTheRealKeyboard()
    {
        QFETCH(QString, text);
        QFETCH(int, modifiers);
        QFETCH(bool, isLetter);
        m_game->start();
        openBoard();
        const QChar right(Letters[nextKey()]);
        const QString typed = text == "RIGHT" ? right : text == "right" ? right.toLower() : text;
        QCOMPARE(m_game->letterKey(typed, Qt::KeyboardModifiers(modifiers)), isLetter);
        // A letter answers; anything else leaves the round as it was.
        QVERIFY(m_view->score == (isLetter ? 100 : 0) && m_view->lives == 7);
    }

private:
    const GameState &state() const { return m_game->state(); }
    void advanceTo(qint64 moment) { m_clock->advance(moment - m_clock->now()); }
    int nextKey() const { return state().order[state().pos]; }
    // The key of the round's card i, as the child saw it.
    int seen(int i) const { return m_view->cards[i] - 101; }
    void click(int key)
    {
        m_game->boardMouseDown(Rules::keyCentre(key).x(), Rules::keyCentre(key).y());
    }
    void clickWrong() { click((nextKey() + 1) % 26); }
    void openBoard()
    {
        m_clock->runUntilIdle();
        QVERIFY(state().phase == Phase::Answering && m_view->board);
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
