#include "game/lettergame.h"

#include "game/gameview.h"
#include "game/ids.h"
#include "game/rules.h"
#include "game/shuffle.h"
#include "game/timings.h"

LetterGame::LetterGame(Scheduler &scheduler, RandomSource &random, GameView &view)
    : m_random(random), m_view(view), m_sequence(scheduler)
{
    m_state.letterCount = Rules::LetterCount;
}

LetterGame::~LetterGame()
{
    stop();
}

void LetterGame::stop()
{
    m_sequence.cancel();
}

// The start button always begins a new game, in every phase and with help open too.
void LetterGame::start()
{
    newGame();
}

void LetterGame::boardMouseDown(int x, int y)
{
    judgeIfWaiting({x, y});
}

bool LetterGame::letterKey(const QString &text, Qt::KeyboardModifiers modifiers)
{
    // Shift (and Caps Lock, which only changes the text) still type the letter; a shortcut
    // with Ctrl, Alt or the Super key is not an answer.
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const int key = text.size() == 1 ? Rules::keyOfLetter(text.at(0).toLatin1()) : -1;
    if (key < 0)
        return false;
    judgeIfWaiting(Rules::keyCentre(key)); // as a click in the middle of its key
    return true;
}

// Help pauses answering and nothing else: a child who was answering goes on where they left
// off when it closes (same letter, score and lives), and a presentation goes on behind it
// and opens the board at its end.
void LetterGame::helpOpened()
{
    m_state.helpOpen = true;
}

void LetterGame::helpClosed()
{
    m_state.helpOpen = false;
}

void LetterGame::leaderboardClosed()
{
    // Its answer to the score, still waiting for the game-over tune, has no one to play for.
    if (m_state.phase == Phase::GameOver)
        m_sequence.cancel();
}

// A click or a letter is judged only on a board that is on screen and waiting for letters,
// with no help over it; anywhere else it does nothing at all.
void LetterGame::judgeIfWaiting(QPoint at)
{
    if (m_state.phase == Phase::Answering && !m_state.helpOpen)
        answer(at);
}

// Every change of phase, and what comes with it.
void LetterGame::enter(Phase phase)
{
    m_state.phase = phase;
    switch (phase) {
    case Phase::Idle:
        break;
    case Phase::Presenting:
        PresentSequence();
        break;
    case Phase::Answering:
        m_view.setBoardShown(true);
        break;
    case Phase::RoundComplete:
        // The board stays in view a moment with the last key outlined, but judges nothing
        // more: a further click must not count against the next round.
        m_sequence.wait(Timing::RoundCompletePauseMs).then([this] {
            m_view.setBoardShown(false);
            m_view.clearBoard();
            m_view.playSound(Ids::RoundCompleteSound);
        });
        PlayRoundAnimation();
        m_sequence.then([this] { enter(Phase::Presenting); });
        break;
    case Phase::GameOver:
        m_view.setBoardShown(false);
        m_view.showAnimationFrame(Ids::AnimationFrame2);
        m_view.setAnimationShown(true);
        EndGame();
        break;
    }
}

void LetterGame::newGame()
{
    // A press always begins a new game, also in the middle of a presentation or the round
    // animation: whatever was still to come of the old one is dropped first, and its cards
    // go with it, so the new round starts on a clean screen.
    m_sequence.cancel();
    for (int i = 0; i < Rules::CardPlaces; ++i)
        m_view.hideCard(i);

    m_view.setBoardShown(false);
    // Outlines from an interrupted game would look like answers already given in the new one.
    m_view.clearBoard();
    m_view.setAnimationShown(false);
    m_state.level = 0;
    m_state.rounds = 0;
    m_state.pos = 0;
    m_state.fcount = 0;
    m_state.lives = Rules::StartLives;
    for (int i = 0; i < Rules::StartLives; ++i)
        m_view.setLifeShown(i, true);
    m_view.showScore(m_state.fcount);
    enter(Phase::Presenting);
}

void LetterGame::PresentSequence()
{
    ShuffleLetters(m_state.order, m_state.letterCount, m_random);
    const int last = m_state.level; // the round's length is fixed when it begins
    for (int i = 0; i <= last; ++i) {
        m_sequence
            .then([this, i] {
                const int key = m_state.order.at(i);
                m_view.showCard(i, Ids::cardOf(key));
                m_view.playSound(Ids::letterSoundOf(key));
            })
            .wait(Timing::CardMs);
    }
    m_sequence.wait(Timing::AfterLastCardMs)
        .then([this] {
            for (int i = 0; i <= m_state.level; ++i)
                m_view.hideCard(i);
        })
        .wait(Timing::BlankMs)
        .then([this] { enter(Phase::Answering); });
}

void LetterGame::PlayRoundAnimation()
{
    m_sequence.then([this] { m_view.setAnimationShown(true); });
    for (int repeat = 0; repeat < Timing::AnimationRepeats; ++repeat) {
        for (PictureId frame : {Ids::AnimationFrame1, Ids::AnimationFrame2, Ids::AnimationFrame3,
                                Ids::AnimationFrame2}) {
            m_sequence.then([this, frame] { m_view.showAnimationFrame(frame); })
                .wait(Timing::AnimationFrameMs);
        }
    }
    m_sequence.then([this] { m_view.setAnimationShown(false); }).wait(Timing::AfterAnimationMs);
}

void LetterGame::answer(QPoint at)
{
    const Rules::KeyHit key = Rules::keyAt(at.x(), at.y());
    if (key.k == m_state.order.at(m_state.pos)) {
        m_state.fcount =
            Rules::addPoints(m_state.fcount, Rules::PointsPerLetter * (m_state.level + 1));
        m_view.showScore(m_state.fcount);
        m_view.drawOutline(Rules::outlineAt(at.x(), at.y()));
        ++m_state.pos;
        m_view.playSound(Ids::CorrectSound);
        if (m_state.pos <= m_state.level)
            return;

        m_state.pos = 0;
        if (++m_state.rounds >= Rules::RoundsPerLevel) {
            m_state.rounds = 0;
            if (m_state.level < Rules::TopLevel)
                ++m_state.level;
        }
        enter(Phase::RoundComplete);
        return;
    }

    --m_state.lives;
    m_view.playSound(Ids::WrongSound);
    if (m_state.lives >= 0)
        m_view.setLifeShown(m_state.lives, false);
    else
        enter(Phase::GameOver);
}

void LetterGame::EndGame()
{
    m_view.clearBoard();
    // Started right after the "wrong" sound, which it cuts off.
    m_view.playSound(Ids::GameOverSound);
    m_view.showLeaderboard(m_state.fcount);
    // The leaderboard's answer waits for the game-over tune to end instead of cutting it off.
    m_sequence.wait(Timing::GameOverTuneMs).then([this] { m_view.playLeaderboardAnswer(); });
}
