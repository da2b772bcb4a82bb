#include "leaderboard/scorefolder.h"

#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

namespace {

bool sameFolder(const QString &a, const QString &b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

// Asks the kernel instead of making a file to see: it knows the mount is read-only, and that
// root writes where the permission bits say no.
bool mayWriteIn(const QString &folder)
{
    return ::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK | X_OK, AT_EACCESS) ==
           0;
}

} // namespace

ScoreFile::Place scorePlace(const QString &programDir, const QString &userDataDir,
                            const QString &installedProgramDir)
{
    const QString beside = ScoreFile::pathFor(programDir + QLatin1Char('/'));
    if (userDataDir.isEmpty())
        return {beside, beside};
    const QString own = ScoreFile::pathFor(userDataDir + QLatin1Char('/'));
    if (sameFolder(programDir, installedProgramDir))
        return {own, own, true};
    if (mayWriteIn(programDir))
        return {beside, beside};
    ScoreTable probe;
    const bool ownStarted = QFileInfo(own).exists() || QFileInfo(own).isSymLink();
    if (ownStarted || ScoreFile::readTable(beside, probe) != ScoreFile::ReadStatus::Read)
        return {own, own, true};
    return {beside, own, true};
}

ScoreFile::Place scorePlace(const QString &programDir, const QString &userDataDir)
{
    // The install rules put the program under the build's prefix (cmake --install) or under
    // the Debian package's (/usr): either is an installed copy.
    QString installed;
    for (const QString &dir : QStringLiteral(SJB_INSTALLED_PROGRAMDIRS).split(QLatin1Char(':')))
        if (sameFolder(programDir, dir))
            installed = dir;
    return scorePlace(programDir,
                      userDataDir.isEmpty()
                          ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                          : userDataDir,
                      installed);
}
