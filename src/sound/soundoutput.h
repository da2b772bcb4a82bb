#pragma once

#include <QByteArray>

// Where the game's sounds go: the real player, silence, or a recorder in tests.
class SoundOutput
{
public:
    virtual ~SoundOutput() = default;
    // Starts the whole RIFF WAVE image at once, cutting off whatever is still playing.
    // Returns at once; the image is copied, so the caller may reuse its buffer.
    virtual void StartSound(const QByteArray &wavImage) = 0;
};

class SilentSoundOutput final : public SoundOutput
{
public:
    void StartSound(const QByteArray &) override {}
};
