#include "game/lettergame.h"

#include "game/gameview.h"
#include "game/shuffle.h"
#include "game/timings.h"
#include "media/mediaids.h"

namespace {
constexpr int CardPlaces = 8;
} // namespace

LetterGame::LetterGame(Scheduler &scheduler, RandomSource &random, GameView &view)
    : m_random(random), m_view(view), m_sequence(scheduler)
{
    m_state.letterCount = 26;
}

LetterGame::~LetterGame()
{
    stop();
}

void LetterGame::stop()
{
    m_sequence.cancel();
}

void LetterGame::start()
{
    // A press always begins a new game, also in the middle of a presentation or the round
    // animation: whatever was still to come of the old one is dropped first, and its cards
    // go with it, so the new round starts on a clean screen.
    m_sequence.cancel();
    for (int i = 0; i < CardPlaces; ++i)
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
    m_state.roundComplete = false;
    for (int i = 0; i < Rules::StartLives; ++i)
        m_view.setLifeShown(i, true);
    m_view.showScore(m_state.fcount);
    PresentSequence();
}

void LetterGame::PresentSequence()
{
    ShuffleLetters(m_state.order, m_state.letterCount, m_random);
    const int last = m_state.level; // the round's length is fixed when it begins
    for (int i = 0; i <= last; ++i) {
        m_sequence
            .then([this, i] {
                const int key = m_state.order.at(i);
                m_view.showCard(i, Media::cardOf(key));
                m_view.playSound(Media::letterSoundOf(key));
            })
            .wait(Timing::CardMs);
    }
    m_sequence.wait(Timing::AfterLastCardMs)
        .then([this] {
            for (int i = 0; i <= m_state.level; ++i)
                m_view.hideCard(i);
        })
        .wait(Timing::BlankMs)
        .then([this] {
            openBoard();
            m_view.setBoardShown(true);
        });
}

void LetterGame::openBoard()
{
    m_state.accepting = true;
    m_state.roundComplete = false;
}

void LetterGame::PlayRoundAnimation()
{
    m_sequence.then([this] { m_view.setAnimationShown(true); });
    for (int repeat = 0; repeat < Timing::AnimationRepeats; ++repeat) {
        for (int frame : {Media::AnimationFrame1, Media::AnimationFrame2, Media::AnimationFrame3,
                          Media::AnimationFrame2}) {
            m_sequence.then([this, frame] { m_view.showAnimationFrame(frame); })
                .wait(Timing::AnimationFrameMs);
        }
    }
    m_sequence.then([this] { m_view.setAnimationShown(false); }).wait(Timing::AfterAnimationMs);
}

void LetterGame::boardMouseDown(int x, int y)
{
    answer(x, y);
}

bool LetterGame::letterKey(const QString &text, Qt::KeyboardModifiers modifiers, bool autoRepeat)
{
    // Shift (and Caps Lock, which only changes the text) still type the letter; a shortcut
    // with Ctrl, Alt or the Super key is not an answer.
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (text.size() != 1)
        return false;
    const char letter = text.at(0).toUpper().toLatin1();
    const char *at = letter >= 'A' && letter <= 'Z'
                         ? std::char_traits<char>::find(Media::KeyboardLetters, 26, letter)
                         : nullptr;
    if (!at)
        return false;
    // A key held down answers once: its repeats are not new answers.
    if (!autoRepeat) {
        const QPoint centre = Rules::keyCentre(int(at - Media::KeyboardLetters));
        answer(centre.x(), centre.y());
    }
    return true;
}

void LetterGame::answer(int x, int y)
{
    if (!m_state.accepting || m_state.roundComplete)
        return;

    const Rules::KeyHit key = Rules::keyAt(x, y);
    if (key.k == m_state.order.at(m_state.pos)) {
        m_state.fcount = Rules::addPoints(m_state.fcount, Rules::PointsPerLetter * (m_state.level + 1));
        m_view.showScore(m_state.fcount);
        m_view.drawOutline(Rules::outlineAt(x, y));
        ++m_state.pos;
        m_view.playSound(Media::CorrectSound);
        if (m_state.pos <= m_state.level)
            return;

        m_state.pos = 0;
        if (++m_state.rounds >= Rules::RoundsPerLevel) {
            m_state.rounds = 0;
            if (m_state.level < Rules::TopLevel)
                ++m_state.level;
        }
        // The board stays in view a moment with the last key outlined, but judges nothing
        // more: a further click must not count against the next round.
        m_state.roundComplete = true;
        m_sequence.wait(Timing::RoundCompletePauseMs).then([this] {
            m_view.setBoardShown(false);
            m_view.clearBoard();
            m_view.playSound(Media::RoundCompleteSound);
        });
        PlayRoundAnimation();
        m_sequence.then([this] { PresentSequence(); });
        return;
    }

    --m_state.lives;
    m_view.playSound(Media::WrongSound);
    if (m_state.lives >= 0) {
        m_view.setLifeShown(m_state.lives, false);
        return;
    }
    m_view.setBoardShown(false);
    m_view.showAnimationFrame(Media::AnimationFrame2);
    m_view.setAnimationShown(true);
    EndGame();
}

void LetterGame::EndGame()
{
    m_view.clearBoard();
    // Started right after the "wrong" sound, which it cuts off.
    m_view.playSound(Media::GameOverSound);
    // Nothing more to answer: the board is closed until the start button is pressed.
    m_state.accepting = false;
    const int resultSound = m_view.showLeaderboard(m_state.fcount);
    // The leaderboard's answer waits for the game-over tune to end instead of cutting it off.
    if (resultSound != 0)
        m_sequence.wait(Timing::GameOverTuneMs).then([this, resultSound] {
            m_view.playSound(resultSound);
        });
}

void LetterGame::helpOpened()
{
    // A presentation goes on behind the help window and opens the board at its end as usual.
    m_answeringBeforeHelp = m_state.accepting && !m_state.roundComplete;
    m_state.accepting = false;
}

void LetterGame::helpClosed()
{
    // A child who was answering goes on where they left off: same letter, score and lives.
    if (m_answeringBeforeHelp)
        m_state.accepting = true;
    m_answeringBeforeHelp = false;
}

void LetterGame::leaderboardClosed()
{
    m_sequence.cancel();
}
