#pragma once

#include "sound/soundoutput.h"

#include <memory>

// Plays WAV images through SDL2's audio subsystem. SDL decodes PCM and Microsoft ADPCM from
// memory; each sound is converted to the device's format and queued, replacing whatever is
// still queued, so a new sound starts at once and cuts the old one off.
//
// Everything SDL does happens on a player thread of its own, which loads SDL when the first
// sound is due: start-up loads no sound library, and opening or closing a device never holds
// up a click. StartSound only hands the image over.
//
// An open device keeps SDL's audio thread and the sound server busy even with nothing to
// play, so the device is opened when a sound starts and closed once the server has played it
// to its last sample.
//
// Without SDL, a sound device, a sound server or the memory for a thread the game simply stays
// silent; opening is tried again now and then, so sound comes back when a server starts later.
class SdlSoundOutput final : public SoundOutput
{
public:
    SdlSoundOutput();
    // Cuts off what is playing and waits for the player thread, but never long on a sound
    // server that does not answer.
    ~SdlSoundOutput() override;
    SdlSoundOutput(const SdlSoundOutput &) = delete;
    SdlSoundOutput &operator=(const SdlSoundOutput &) = delete;

    void StartSound(const QByteArray &wavImage) override;

private:
    class Player;
    std::unique_ptr<Player> m_player;
};
