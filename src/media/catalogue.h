#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QList>

#include "media/mediaids.h"

class SoundOutput;

namespace Media {
// The ids of what was embedded, ascending; the list itself is assets/catalogue.txt.
QList<PictureId> pictureIds();
QList<SoundId> soundIds();
} // namespace Media

// Fetched anew at every use. A missing id fails and leaves the target as it was.
// On a screen scaled above 1 the picture comes at twice the pixels, with a device pixel
// ratio of 2, so it covers the same logical size as the plain one but stays sharp.
bool PictureById(PictureId id, QImage &picture, qreal devicePixelRatio = 1.0);
bool SoundById(SoundId id, QByteArray &buffer);

// Hands the image in buffer to the player; an empty buffer plays nothing.
void StartSound(SoundOutput &output, const QByteArray &buffer);

// The usual way a window plays a sound: the window's own buffer takes the image of the
// sound, then it is started. An unknown id leaves the buffer and the player untouched.
bool PlaySoundById(SoundId id, QByteArray &buffer, SoundOutput &output);

QIcon programIcon();
