#include "sound/sdlsoundoutput.h"

#include <QByteArray>
#include <QFile>
#include <QLoggingCategory>
#include <QStringList>

#include <SDL.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// Why the game is silent, for a parent's bug report: off unless QT_LOGGING_RULES turns it on.
Q_LOGGING_CATEGORY(lcSound, "shijianbao.sound", QtCriticalMsg)

using Clock = std::chrono::steady_clock;

// After a failed open, wait this long before trying again, so that a machine without sound
// does not pay for the attempt on every click.
constexpr auto RetryAfter = std::chrono::seconds(3);

// SDL 2 has no drain: closing a device drops what is still on its way, the end of every sound.
// When SDL has taken the last of the queue it still holds one device buffer, and PulseAudio
// about one more; PipeWire holds a quantum or two of 21 ms. So the device stays open for two of
// its buffers and this much more after that, then closes.
constexpr auto ServerTail = std::chrono::milliseconds(150);

// A frozen sound server holds SDL up for half a minute; closing the game waits no longer.
constexpr auto StopWaitsAtMost = std::chrono::seconds(1);

// The part of SDL the player calls, looked up when the first sound is due.
#define SJB_SDL_CALLS(X)                                                                           \
    X(SDL_SetHint)                                                                                 \
    X(SDL_InitSubSystem)                                                                           \
    X(SDL_QuitSubSystem)                                                                           \
    X(SDL_Quit)                                                                                    \
    X(SDL_GetError)                                                                                \
    X(SDL_GetNumAudioDrivers)                                                                      \
    X(SDL_GetAudioDriver)                                                                          \
    X(SDL_GetCurrentAudioDriver)                                                                   \
    X(SDL_OpenAudioDevice)                                                                         \
    X(SDL_CloseAudioDevice)                                                                        \
    X(SDL_PauseAudioDevice)                                                                        \
    X(SDL_GetAudioDeviceStatus)                                                                    \
    X(SDL_GetQueuedAudioSize)                                                                      \
    X(SDL_ClearQueuedAudio)                                                                        \
    X(SDL_QueueAudio)                                                                              \
    X(SDL_LockAudioDevice)                                                                         \
    X(SDL_UnlockAudioDevice)                                                                       \
    X(SDL_RWFromConstMem)                                                                          \
    X(SDL_LoadWAV_RW)                                                                              \
    X(SDL_FreeWAV)                                                                                 \
    X(SDL_BuildAudioCVT)                                                                           \
    X(SDL_ConvertAudio)

struct SdlLibrary
{
// The argument is a name, declared and looked up as such: it cannot be parenthesised.
#define SJB_DECLARE(name) decltype(&::name) name = nullptr; // NOLINT(bugprone-macro-parentheses)
    SJB_SDL_CALLS(SJB_DECLARE)
#undef SJB_DECLARE

    // The library stays loaded to the end: the sound server's client library it brings
    // along keeps thread-local state that must outlive every thread that used it.
    bool load()
    {
        void *handle = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        bool ok = handle != nullptr;
#define SJB_RESOLVE(name) /* NOLINTNEXTLINE(bugprone-macro-parentheses): a name, as above */       \
    ok = ok && (name = reinterpret_cast<decltype(name)>(dlsym(handle, #name))) != nullptr;
        SJB_SDL_CALLS(SJB_RESOLVE)
#undef SJB_RESOLVE
        if (!ok)
            qCWarning(lcSound) << "no sound: SDL cannot be loaded:" << dlerror();
        return ok;
    }
};

// Unless the user picked a driver, try the sound servers first, and the drivers that talk
// to the hardware only when the machine has a sound card: ALSA without one, and sndio,
// which falls back to ALSA, write a screenful of errors to the terminal.
void chooseDrivers(const SdlLibrary &sdl)
{
    if (qEnvironmentVariableIsSet("SDL_AUDIODRIVER"))
        return;
    QFile cards(QStringLiteral("/proc/asound/cards"));
    const bool haveCard =
        cards.open(QIODevice::ReadOnly) && !cards.readAll().contains("no soundcards");
    const QStringList hardware = {QStringLiteral("alsa"), QStringLiteral("sndio"),
                                  QStringLiteral("dsp")};
    QStringList drivers;
    for (int i = 0; i < sdl.SDL_GetNumAudioDrivers(); ++i) {
        const QString name = QString::fromLatin1(sdl.SDL_GetAudioDriver(i));
        if (name == QLatin1String("disk") || name == QLatin1String("dummy") ||
            (!haveCard && hardware.contains(name)))
            continue;
        drivers << name;
    }
    qCDebug(lcSound) << "SDL's drivers to try:" << drivers;
    sdl.SDL_SetHint(SDL_HINT_AUDIODRIVER, drivers.join(QLatin1Char(',')).toLatin1().constData());
}

} // namespace

class SdlSoundOutput::Player
{
public:
    // Cuts off what is playing and lets the player thread end, waiting for it at most `bound`.
    // False when the thread is still held up inside SDL: it is then left to run on its own.
    bool stop(Clock::duration bound)
    {
        std::unique_lock lock(m_mutex);
        m_quit = true;
        m_wake.notify_one();
        if (!m_thread.joinable())
            return true;
        if (!m_done.wait_for(lock, bound, [this] { return m_finished; })) {
            m_thread.detach();
            return false;
        }
        lock.unlock();
        m_thread.join();
        return true;
    }

    void start(const QByteArray &wavImage)
    {
        {
            std::lock_guard lock(m_mutex);
            m_next = wavImage; // shares the bytes; a later change by the caller copies them
            m_hasNext = true;
        }
        m_wake.notify_one();
        if (m_thread.joinable())
            return;
        try {
            m_thread = std::thread(&Player::run, this);
        } catch (const std::system_error &e) {
            // No room for a thread's stack (a tight `ulimit -v`) or no thread left to make:
            // this sound is silent, and the next one tries again.
            qCWarning(lcSound) << "no sound: the player thread cannot start:" << e.what();
        }
    }

private:
    void run();
    bool open();
    void play(const QByteArray &wavImage);
    void close();
    Clock::duration queueLength(Uint32 bytes) const;
    Clock::duration untilPlayedOut();

    // Shared with the thread that starts sounds.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    QByteArray m_next;
    bool m_hasNext = false;
    bool m_quit = false;
    bool m_finished = false;
    std::thread m_thread;

    // The player thread's own.
    SdlLibrary m_sdl;
    bool m_loadTried = false;
    bool m_loaded = false;
    bool m_subsystemUp = false;
    Clock::time_point m_lastFailure{};
    bool m_failed = false;
    SDL_AudioDeviceID m_device = 0;
    SDL_AudioSpec m_have{};
    int m_bytesPerSecond = 1;
    Clock::duration m_tail{};
    Clock::time_point m_allTaken{}; // when SDL will have taken the last of the queue
    bool m_keepOpen = false;
};

void SdlSoundOutput::Player::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (m_hasNext) {
            const QByteArray wav = std::move(m_next);
            m_next = QByteArray();
            m_hasNext = false;
            lock.unlock();
            try {
                play(wav);
            } catch (const std::exception &e) {
                // Out of memory for the decoded sound: that one is silent, the game plays on.
                qCWarning(lcSound) << "a sound cannot be played:" << e.what();
            }
            lock.lock();
        } else if (m_device == 0) {
            m_wake.wait(lock);
        } else {
            lock.unlock();
            const Clock::duration left = m_keepOpen ? Clock::duration::max() : untilPlayedOut();
            if (left == Clock::duration::zero())
                close(); // nothing left to play: the device would only feed silence
            lock.lock();
            const auto woken = [this] { return m_hasNext || m_quit; };
            if (left == Clock::duration::max())
                m_wake.wait(lock, woken);
            else if (left != Clock::duration::zero())
                m_wake.wait_for(lock, left, woken);
        }
    }
    lock.unlock();
    close();
    if (m_subsystemUp) {
        m_sdl.SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_sdl.SDL_Quit();
    }
    lock.lock();
    m_finished = true;
    m_done.notify_all();
}

bool SdlSoundOutput::Player::open()
{
    if (m_device != 0) {
        if (m_sdl.SDL_GetAudioDeviceStatus(m_device) != SDL_AUDIO_STOPPED)
            return true;
        close(); // the device went away (server restarted, headset unplugged)
    }
    if (!m_loadTried) {
        m_loadTried = true;
        m_loaded = m_sdl.load();
    }
    if (!m_loaded)
        return false;
    // Only a failed attempt holds the next one back; a device closed after its sound
    // opens again at once.
    const Clock::time_point now = Clock::now();
    if (m_failed && now - m_lastFailure < RetryAfter)
        return false;
    m_failed = true;
    m_lastFailure = now;

    if (!m_subsystemUp) {
        chooseDrivers(m_sdl);
        // SDL would catch SIGINT and SIGTERM and turn them into quit events that nobody
        // here reads: the game would then outlive a logout or a plain `kill`.
        m_sdl.SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        // How the desktop's mixer lists the game and its sounds.
        m_sdl.SDL_SetHint(SDL_HINT_APP_NAME, "识键宝");
        m_sdl.SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "识键宝的声音");
        if (m_sdl.SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            qCWarning(lcSound) << "no sound: SDL's audio cannot start:" << m_sdl.SDL_GetError();
            return false;
        }
        qCDebug(lcSound) << "sound through SDL's driver" << m_sdl.SDL_GetCurrentAudioDriver();
        m_subsystemUp = true;
    }

    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    // A small buffer keeps the delay between a click and its sound short.
    want.samples = 512;
    m_device = m_sdl.SDL_OpenAudioDevice(nullptr, 0, &want, &m_have,
                                         SDL_AUDIO_ALLOW_FREQUENCY_CHANGE |
                                             SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (m_device == 0) {
        qCWarning(lcSound) << "no sound: no device opens (tried again in"
                           << std::chrono::seconds(RetryAfter).count()
                           << "s):" << m_sdl.SDL_GetError();
        // Let a later attempt start from scratch: a sound server may come up meanwhile.
        m_sdl.SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemUp = false;
        return false;
    }
    m_failed = false;
    m_bytesPerSecond =
        qMax(1, m_have.freq * m_have.channels * int(SDL_AUDIO_BITSIZE(m_have.format) / 8));
    m_tail = 2 * std::chrono::milliseconds(qint64(m_have.samples) * 1000 / qMax(1, m_have.freq)) +
             ServerTail;
    // The disk driver records what is played, silence and all, into a file that opening
    // the device again would start afresh: that device stays open.
    m_keepOpen = qstrcmp(m_sdl.SDL_GetCurrentAudioDriver(), "disk") == 0;
    return true;
}

void SdlSoundOutput::Player::play(const QByteArray &wavImage)
{
    if (wavImage.isEmpty() || !open())
        return;

    SDL_AudioSpec spec{};
    Uint8 *samples = nullptr;
    Uint32 length = 0;
    SDL_RWops *rw = m_sdl.SDL_RWFromConstMem(wavImage.constData(), int(wavImage.size()));
    if (!rw || !m_sdl.SDL_LoadWAV_RW(rw, 1, &spec, &samples, &length)) {
        // Not a sound SDL can read: play nothing, and let the old one play on.
        qCWarning(lcSound) << "a sound of" << wavImage.size()
                           << "bytes cannot be decoded:" << m_sdl.SDL_GetError();
        return;
    }

    const std::unique_ptr<Uint8, decltype(m_sdl.SDL_FreeWAV)> decoded(samples, m_sdl.SDL_FreeWAV);
    // The whole sound converted in one go. SDL 2.26's audio stream keeps its resampler's last
    // 512 frames even when flushed: every sound at another rate than the device's lost its
    // last 23 ms, and the tick half of itself, ending on a click.
    SDL_AudioCVT cvt{};
    const int needed = m_sdl.SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq,
                                               m_have.format, m_have.channels, m_have.freq);
    QByteArray converted(qsizetype(length) * qMax(1, cvt.len_mult), Qt::Uninitialized);
    std::copy_n(samples, length, converted.data());
    cvt.buf = reinterpret_cast<Uint8 *>(converted.data());
    cvt.len = int(length);
    if (needed < 0 || (needed > 0 && m_sdl.SDL_ConvertAudio(&cvt) != 0))
        converted.clear(); // not a format the device can take: silence
    else
        converted.resize(needed > 0 ? cvt.len_cvt : qsizetype(length));

    // Only one sound plays at a time: the new one replaces whatever is still queued.
    m_sdl.SDL_LockAudioDevice(m_device);
    m_sdl.SDL_ClearQueuedAudio(m_device);
    if (!converted.isEmpty())
        m_sdl.SDL_QueueAudio(m_device, converted.constData(), Uint32(converted.size()));
    m_sdl.SDL_UnlockAudioDevice(m_device);
    m_sdl.SDL_PauseAudioDevice(m_device, 0);
    m_allTaken = Clock::now() + queueLength(Uint32(converted.size()));
}

Clock::duration SdlSoundOutput::Player::queueLength(Uint32 bytes) const
{
    // A little past the end, so that one look usually finds the queue empty.
    return std::chrono::milliseconds(1 + qint64(bytes) * 1000 / m_bytesPerSecond);
}

// How long the device still has to stay open; zero once the server has played it all.
Clock::duration SdlSoundOutput::Player::untilPlayedOut()
{
    if (m_sdl.SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED)
        return Clock::duration::zero();
    const Uint32 queued = m_sdl.SDL_GetQueuedAudioSize(m_device);
    const Clock::time_point now = Clock::now();
    if (queued > 0)
        m_allTaken = now + queueLength(queued);
    return std::max(Clock::duration::zero(), m_allTaken + m_tail - now);
}

void SdlSoundOutput::Player::close()
{
    if (m_device != 0) {
        m_sdl.SDL_CloseAudioDevice(m_device);
        m_device = 0;
    }
}

SdlSoundOutput::SdlSoundOutput() : m_player(std::make_unique<Player>())
{
    // The mixer shows the program's icon next to its sounds. PulseAudio's client library
    // reads this when SDL connects; set now, before any thread of ours runs.
    if (!qEnvironmentVariableIsSet("PULSE_PROP_application.icon_name"))
        qputenv("PULSE_PROP_application.icon_name", "shijianbao");
}

SdlSoundOutput::~SdlSoundOutput()
{
    if (!m_player->stop(StopWaitsAtMost)) {
        // Its thread still uses it, until the sound server answers or the process ends. Not
        // freed, but kept in reach, where a leak checker sees it is meant (the game has one).
        static Player *volatile abandoned = nullptr;
        abandoned = m_player.release();
        qCWarning(lcSound) << "the sound server does not answer: the game ends without it";
    }
}

void SdlSoundOutput::StartSound(const QByteArray &wavImage)
{
    m_player->start(wavImage);
}
