#include "media/catalogue.h"

#include "sound/soundoutput.h"

#include <QDir>
#include <QFile>

#include <algorithm>

static void initResources()
{
    // The resources live in this static library; make sure the linker keeps them.
    static const bool done = [] {
        Q_INIT_RESOURCE(media);
        return true;
    }();
    Q_UNUSED(done);
}

// The numbers N of the embedded files "<folder>/<prefix>N<suffix>", ascending.
static QList<int> embeddedNumbers(const QString &folder, const QString &prefix,
                                  const QString &suffix)
{
    initResources();
    QList<int> numbers;
    const QStringList names = QDir(folder).entryList({prefix + '*' + suffix}, QDir::Files);
    for (const QString &name : names) {
        bool ok = false;
        const int n = QStringView(name).sliced(prefix.size()).chopped(suffix.size()).toInt(&ok);
        if (ok)
            numbers << n;
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

namespace Media {
QList<int> pictureIds()
{
    // "101@2x.bmp" is no number followed by ".bmp", so the twins are not listed.
    return embeddedNumbers(QStringLiteral(":/pictures"), {}, QStringLiteral(".bmp"));
}

QList<int> soundIds()
{
    return embeddedNumbers(QStringLiteral(":/sounds"), {}, QStringLiteral(".wav"));
}
} // namespace Media

bool PictureById(int id, QImage &picture, qreal devicePixelRatio)
{
    initResources();
    // Any scale above 1 takes the 2x picture: downscaling it to 1.25 or 1.5 is sharper than
    // blowing up the plain one.
    const bool twice = devicePixelRatio > 1.0;
    QImage image(QStringLiteral(":/pictures/%1%2.bmp").arg(id).arg(twice ? "@2x" : ""), "BMP");
    if (image.isNull())
        return false;
    if (twice)
        image.setDevicePixelRatio(2.0);
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
    QIcon icon;
    const QString prefix = QStringLiteral("shijianbao-");
    // The window manager is sent every size the icon has, before the window maps; taskbars and
    // window lists draw at most 64 px, and the desktop entry's icon serves larger views.
    for (int size : embeddedNumbers(QStringLiteral(":/icon"), prefix, QStringLiteral(".png")))
        if (size <= 64)
            icon.addFile(QStringLiteral(":/icon/shijianbao-%1.png").arg(size), QSize(size, size));
    return icon;
}
