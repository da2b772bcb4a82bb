#include "catalogue.h"

#include "sound/soundoutput.h"

#include <QFile>

static void initResources()
{
    // The resources live in this static library; make sure the linker keeps them.
    static const bool done = [] {
        Q_INIT_RESOURCE(media);
        return true;
    }();
    Q_UNUSED(done);
}

namespace Media {
QList<int> pictureIds()
{
    QList<int> ids;
    for (int id = 101; id <= 126; ++id)
        ids << id;
    ids << Background << Keyboard << LifeIcon << AnimationFrame1 << AnimationFrame2
        << AnimationFrame3 << StartButton << HelpButton;
    return ids;
}

QList<int> soundIds()
{
    QList<int> ids;
    for (int id = 201; id <= 226; ++id)
        ids << id;
    ids << RoundCompleteSound << CorrectSound << WrongSound << GameOverSound << MadeTheTableSound
        << MissedTheTableSound;
    return ids;
}
} // namespace Media

bool PictureById(int id, QImage &picture)
{
    initResources();
    QImage image(QStringLiteral(":/pictures/%1.bmp").arg(id), "BMP");
    if (image.isNull())
        return false;
    picture = image;
    return true;
}

bool SoundById(int id, QByteArray &buffer)
{
    initResources();
    QFile file(QStringLiteral(":/sounds/%1.wav").arg(id));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    buffer = file.readAll();
    return true;
}

void StartSound(SoundOutput &output, const QByteArray &buffer)
{
    if (!buffer.isEmpty())
        output.StartSound(buffer);
}

bool PlaySoundById(int id, QByteArray &buffer, SoundOutput &output)
{
    if (!SoundById(id, buffer))
        return false;
    StartSound(output, buffer);
    return true;
}

QIcon programIcon()
{
    initResources();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icon/shijianbao-%1.png").arg(size), QSize(size, size));
    return icon;
}
