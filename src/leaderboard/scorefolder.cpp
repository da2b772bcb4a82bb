#include "leaderboard/scorefolder.h"

#include "leaderboard/scorefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

// Permission bits say nothing for root or on a read-only mount, so ask by doing: the table is
// replaced through a new file beside it, and an existing table must take writes itself.
bool mayKeepScoresIn(const QString &folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.shijianbao-XXXXXX"));
    if (!probe.open())
        return false;
    QFile existing(ScoreFile::pathFor(folder + QLatin1Char('/')));
    if (!existing.exists())
        return true;
    // Appending nothing leaves the content and the modification time as they are.
    return existing.open(QIODevice::WriteOnly | QIODevice::Append);
}

} // namespace

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
