#pragma once

#include "scheduler.h"
#include "sound/soundoutput.h"

#include <QList>

// Records every sound started, with the catalogue id it came from and the moment on the
// test's clock.
class RecordingSound final : public SoundOutput
{
public:
    struct Played
    {
        int id;      // catalogue id whose image this is; -1 when it matches none
        qint64 atMs; // the manual clock's time, or -1 without a clock
    };

    explicit RecordingSound(const ManualScheduler *clock = nullptr) : m_clock(clock) {}

    void StartSound(const QByteArray &wavImage) override;

    QList<Played> played;
    QList<int> ids() const;
    void clear() { played.clear(); }

private:
    const ManualScheduler *m_clock;
};

// Which catalogue sound has exactly these bytes (-1 for none).
int soundIdOf(const QByteArray &wavImage);
