#include "media/catalogue.h"

#include "sound/soundoutput.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPixmap>

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

// The numbers N of the embedded files "<folder>/<prefix>N<suffix>", ascending. Names are
// matched by hand: a name filter would compile a regular expression, and start-up asks this
// for the icon.
static QList<int> embeddedNumbers(const QString &folder, const QString &prefix,
                                  const QString &suffix)
{
    initResources();
    QList<int> numbers;
    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
        if (!name.startsWith(prefix) || !name.endsWith(suffix))
            continue;
        bool ok = false;
        const int n = QStringView(name).sliced(prefix.size()).chopped(suffix.size()).toInt(&ok);
        if (ok)
            numbers << n;
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

// An embedded picture in the format it is known to be in. QImage would first ask every image
// plug-in whether it reads that format, loading them all on the way to the built-in reader.
static QImage decoded(const QString &path, const char *format)
{
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

template <typename Id> static QList<Id> embeddedIds(const QString &folder, const QString &suffix)
{
    QList<Id> ids;
    for (int n : embeddedNumbers(folder, {}, suffix))
        ids << Id(n);
    return ids;
}

namespace Media {
QList<PictureId> pictureIds()
{
    // "101@2x.bmp" is no number followed by ".bmp", so the twins are not listed.
    return embeddedIds<PictureId>(QStringLiteral(":/pictures"), QStringLiteral(".bmp"));
}

QList<SoundId> soundIds()
{
    return embeddedIds<SoundId>(QStringLiteral(":/sounds"), QStringLiteral(".wav"));
}
} // namespace Media

bool PictureById(PictureId id, QImage &picture, qreal devicePixelRatio)
{
    initResources();
    // Any scale above 1 takes the 2x picture: downscaling it to 1.25 or 1.5 is sharper than
    // blowing up the plain one.
    const bool twice = devicePixelRatio > 1.0;
    QImage image =
        decoded(QStringLiteral(":/pictures/%1%2.bmp").arg(int(id)).arg(twice ? "@2x" : ""), "bmp");
    if (image.isNull())
        return false;
    if (twice)
        image.setDevicePixelRatio(2.0);
    picture = image;
    return true;
}
bool SoundById(SoundId id, QByteArray &buffer)
{
    initResources();
    QFile file(QStringLiteral(":/sounds/%1.wav").arg(int(id)));
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

bool PlaySoundById(SoundId id, QByteArray &buffer, SoundOutput &output)
{
    if (!SoundById(id, buffer))
        return false;
    StartSound(output, buffer);
    return true;
}

QIcon programIcon()
{
    QIcon icon;
    // The window manager is sent every size the icon has, before the window maps; taskbars and
    // window lists draw at most 64 px, and the desktop entry's icon serves larger views.
    const QString folder = QStringLiteral(":/icon/"), prefix = QStringLiteral("shijianbao-"),
                  suffix = QStringLiteral(".png");
    for (int size : embeddedNumbers(folder, prefix, suffix)) {
        if (size > 64)
            continue;
        const QImage image = decoded(folder + prefix + QString::number(size) + suffix, "png");
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
