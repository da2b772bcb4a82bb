#include "recordingsound.h"

#include "media/catalogue.h"

void RecordingSound::StartSound(const QByteArray &wavImage)
{
    played.append({soundIdOf(wavImage), m_clock ? m_clock->now() : -1});
}

QList<int> RecordingSound::ids() const
{
    QList<int> result;
    for (const Played &p : played)
        result << p.id;
    return result;
}

int soundIdOf(const QByteArray &wavImage)
{
    const QList<int> ids = Media::soundIds();
    for (int id : ids) {
        QByteArray image;
        if (SoundById(id, image) && image == wavImage)
            return id;
    }
    return -1;
}
