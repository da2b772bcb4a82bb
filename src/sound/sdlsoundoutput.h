#pragma once

#include "sound/soundoutput.h"

#include <QTimer>

#include <cstdint>

// Plays WAV images through SDL2's audio subsystem. SDL decodes PCM and Microsoft ADPCM from
// memory; each sound is converted to the device's format and queued, replacing whatever is
// still queued, so a new sound starts at once and cuts the old one off.
//
// Without a sound device or sound server the game simply stays silent; opening is tried
// again now and then, so sound comes back when a server starts later.
//
// An open device keeps SDL's audio thread feeding it silence, so the device is opened only
// when a sound is started and closed again after a while without sound: an idle game costs
// no processor time.
class SdlSoundOutput final : public SoundOutput
{
public:
    SdlSoundOutput();
    ~SdlSoundOutput() override;
    SdlSoundOutput(const SdlSoundOutput &) = delete;
    SdlSoundOutput &operator=(const SdlSoundOutput &) = delete;

    // Opens the device if it is not open yet; returns whether a device is open.
    bool open();
    bool isOpen() const { return m_device != 0; }

    void StartSound(const QByteArray &wavImage) override;

private:
    void close();

    std::uint32_t m_device = 0;
    bool m_subsystemUp = false;
    std::int64_t m_lastFailureMs = -1;
    int m_deviceFreq = 0;
    std::uint16_t m_deviceFormat = 0;
    std::uint8_t m_deviceChannels = 0;
    QTimer m_idleClose;
};
