#include "programdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

const QString ScoreFileName = QStringLiteral("tavik.tmp");

// Permission bits say nothing for root or on a read-only mount, so ask by doing: the table is
// replaced through a new file beside it, and an existing table must take writes itself.
bool mayKeepScoresIn(const QString &folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.shijianbao-XXXXXX"));
    if (!probe.open())
        return false;
    QFile existing(folder + QLatin1Char('/') + ScoreFileName);
    if (!existing.exists())
        return true;
    // Appending nothing leaves the content and the modification time as they are.
    return existing.open(QIODevice::WriteOnly | QIODevice::Append);
}

} // namespace

QString withSeparator(const QString &directory)
{
    return directory + QLatin1Char('/');
}

QString programDirectoryWithSeparator()
{
    return withSeparator(QCoreApplication::applicationDirPath());
}

QString scoreFolder(const QString &programDir, const QString &userDataDir)
{
    if (mayKeepScoresIn(programDir))
        return programDir;
    if (userDataDir.isEmpty() || !QDir().mkpath(userDataDir))
        return programDir;
    return userDataDir;
}

QString scoreFolder()
{
    return scoreFolder(QCoreApplication::applicationDirPath(),
                       QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}
