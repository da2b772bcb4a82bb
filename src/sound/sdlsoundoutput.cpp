#include "sound/sdlsoundoutput.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <SDL.h>

namespace {

// After a failed open, wait this long before trying again, so that a machine without sound
// does not pay for the attempt on every click.
constexpr std::int64_t RetryAfterMs = 3000;
// Silence this long closes the device; the gaps of a running game are much shorter.
constexpr int IdleCloseMs = 15000;

std::int64_t monotonicMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

// Unless the user picked a driver, try the sound servers first and ALSA only when the
// machine has a sound card: ALSA without one writes a screenful of errors to the terminal.
void chooseDrivers()
{
    if (qEnvironmentVariableIsSet("SDL_AUDIODRIVER"))
        return;
    QFile cards(QStringLiteral("/proc/asound/cards"));
    const bool haveCard =
        cards.open(QIODevice::ReadOnly) && !cards.readAll().contains("no soundcards");
    QStringList drivers;
    for (int i = 0; i < SDL_GetNumAudioDrivers(); ++i) {
        const QString name = QString::fromLatin1(SDL_GetAudioDriver(i));
        if (name == QLatin1String("disk") || name == QLatin1String("dummy") ||
            (name == QLatin1String("alsa") && !haveCard))
            continue;
        drivers << name;
    }
    SDL_SetHint(SDL_HINT_AUDIODRIVER, drivers.join(QLatin1Char(',')).toLatin1().constData());
}

} // namespace

SdlSoundOutput::SdlSoundOutput()
{
    m_idleClose.setSingleShot(true);
    m_idleClose.setInterval(IdleCloseMs);
    QObject::connect(&m_idleClose, &QTimer::timeout, &m_idleClose, [this] {
        if (m_device != 0 && SDL_GetQueuedAudioSize(m_device) > 0)
            m_idleClose.start(); // still playing
        else
            close();
    });
}

SdlSoundOutput::~SdlSoundOutput()
{
    close();
    if (m_subsystemUp)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlSoundOutput::open()
{
    if (m_device != 0) {
        if (SDL_GetAudioDeviceStatus(m_device) != SDL_AUDIO_STOPPED)
            return true;
        close(); // the device went away (server restarted, headset unplugged)
    }
    // Only a failed attempt holds the next one back; a device closed for being idle opens
    // again at once.
    const std::int64_t now = monotonicMs();
    if (m_lastFailureMs >= 0 && now - m_lastFailureMs < RetryAfterMs)
        return false;
    m_lastFailureMs = now;

    if (!m_subsystemUp) {
        chooseDrivers();
        // SDL would catch SIGINT and SIGTERM and turn them into quit events that nobody
        // here reads: the game would then outlive a logout or a plain `kill`.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return false;
        m_subsystemUp = true;
    }

    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    // A small buffer keeps the delay between a click and its sound short.
    want.samples = 512;
    SDL_AudioSpec have{};
    m_device =
        SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                            SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (m_device == 0) {
        // Let a later attempt start from scratch: a sound server may come up meanwhile.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemUp = false;
        return false;
    }
    m_deviceFreq = have.freq;
    m_deviceFormat = have.format;
    m_deviceChannels = have.channels;
    m_lastFailureMs = -1;
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

void SdlSoundOutput::close()
{
    m_idleClose.stop();
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device);
        m_device = 0;
    }
}

void SdlSoundOutput::StartSound(const QByteArray &wavImage)
{
    if (wavImage.isEmpty() || !open())
        return;

    SDL_AudioSpec spec{};
    Uint8 *samples = nullptr;
    Uint32 length = 0;
    SDL_RWops *rw = SDL_RWFromConstMem(wavImage.constData(), int(wavImage.size()));
    if (!rw || !SDL_LoadWAV_RW(rw, 1, &spec, &samples, &length))
        return; // not a sound SDL can read: play nothing

    QByteArray converted;
    SDL_AudioStream *stream = SDL_NewAudioStream(spec.format, spec.channels, spec.freq,
                                                 m_deviceFormat, m_deviceChannels, m_deviceFreq);
    if (stream) {
        if (SDL_AudioStreamPut(stream, samples, int(length)) == 0 &&
            SDL_AudioStreamFlush(stream) == 0) {
            converted.resize(SDL_AudioStreamAvailable(stream));
            const int got = SDL_AudioStreamGet(stream, converted.data(), int(converted.size()));
            converted.resize(qMax(0, got));
        }
        SDL_FreeAudioStream(stream);
    }
    SDL_FreeWAV(samples);

    // Only one sound plays at a time: the new one replaces whatever is still queued.
    SDL_LockAudioDevice(m_device);
    SDL_ClearQueuedAudio(m_device);
    if (!converted.isEmpty())
        SDL_QueueAudio(m_device, converted.constData(), Uint32(converted.size()));
    SDL_UnlockAudioDevice(m_device);
    m_idleClose.start();
}
