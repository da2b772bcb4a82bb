#include "scores/scorefolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

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

// This program's folder in the player's data folder, by the XDG base-directory rules: a
// relative XDG_DATA_HOME is ignored (taken from the working folder, it put a root's table
// under /). Empty when not even the home folder is an absolute path.
QString userDataFolder()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(data)) {
        if (!data.isEmpty())
            qCInfo(lcScores) << "ignoring the relative XDG_DATA_HOME" << data;
        data = QDir::homePath() + QLatin1String("/.local/share");
    }
    return QDir::isAbsolutePath(data)
               ? data + QLatin1Char('/') + QCoreApplication::applicationName()
               : QString();
}

} // namespace

ScoreFile::Place scorePlace(const QString &programDir, const QString &userDataDir,
                            const QString &installedProgramDir)
{
    const QString beside = ScoreFile::pathFor(programDir + QLatin1Char('/'));
    if (userDataDir.isEmpty()) {
        qCInfo(lcScores) << "no per-user folder: the table is" << beside;
        return {beside, beside};
    }
    const QString own = ScoreFile::pathFor(userDataDir + QLatin1Char('/'));
    if (sameFolder(programDir, installedProgramDir)) {
        qCInfo(lcScores) << "installed: the table is the player's own" << own;
        return {own, own, true};
    }
    if (mayWriteIn(programDir) && ScoreFile::mayRewrite(beside)) {
        qCInfo(lcScores) << "the table is beside the program:" << beside;
        return {beside, beside};
    }
    ScoreTable probe;
    const bool ownStarted = QFileInfo(own).exists() || QFileInfo(own).isSymLink();
    if (ownStarted || ScoreFile::readTable(beside, probe) != ScoreFile::ReadStatus::Read) {
        qCInfo(lcScores) << beside << "cannot be written: the table is the player's own" << own;
        return {own, own, true};
    }
    qCInfo(lcScores) << beside << "cannot be written: it is shown, and" << own
                     << "starts as a copy of it";
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
    return scorePlace(programDir, userDataDir.isEmpty() ? userDataFolder() : userDataDir,
                      installed);
}
