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

// This program's folder in the player's data folder, by the XDG base-directory rules, and the
// folder below which missing ones may be made (the home, or the data folder given). A
// relative XDG_DATA_HOME is ignored (taken from the working folder, it put a root's table
// under /). Empty when not even the home folder is an absolute path: with HOME unset nothing
// is written anywhere.
QString userDataFolder(QString &makeBelow)
{
    const QString home = qEnvironmentVariable("HOME");
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(data)) {
        if (!data.isEmpty())
            qCInfo(lcScores) << "ignoring the relative XDG_DATA_HOME" << data;
        data = QDir::isAbsolutePath(home) ? home + QLatin1String("/.local/share") : QString();
    }
    if (data.isEmpty())
        return {};
    makeBelow =
        QDir::isAbsolutePath(home) && data.startsWith(home + QLatin1Char('/')) ? home : data;
    return data + QLatin1Char('/') + QCoreApplication::applicationName();
}

} // namespace

ScoreFile::Place scorePlace(const QString &programDir, const QString &userDataDir,
                            const QString &installedProgramDir, const QString &makeBelow)
{
    const QString beside = ScoreFile::pathFor(programDir + QLatin1Char('/'));
    const bool installed = sameFolder(programDir, installedProgramDir);
    if (userDataDir.isEmpty()) {
        qCInfo(lcScores) << "no per-user folder: the table is" << (installed ? "nowhere" : beside);
        return installed ? ScoreFile::Place{} : ScoreFile::Place{beside, beside, {}};
    }
    const QString own = ScoreFile::pathFor(userDataDir + QLatin1Char('/'));
    const QString below = makeBelow.isEmpty() ? QFileInfo(userDataDir).absolutePath() : makeBelow;
    if (installed) {
        qCInfo(lcScores) << "installed: the table is the player's own" << own;
        return {own, own, below};
    }
    if (mayWriteIn(programDir) && ScoreFile::mayRewrite(beside)) {
        qCInfo(lcScores) << "the table is beside the program:" << beside;
        return {beside, beside, {}};
    }
    ScoreTable probe;
    const bool ownStarted = QFileInfo(own).exists() || QFileInfo(own).isSymLink();
    if (ownStarted || ScoreFile::readTable(beside, probe) != ScoreFile::ReadStatus::Read) {
        qCInfo(lcScores) << beside << "cannot be written: the table is the player's own" << own;
        return {own, own, below};
    }
    qCInfo(lcScores) << beside << "cannot be written: it is shown, and" << own
                     << "starts as a copy of it";
    return {beside, own, below};
}

ScoreFile::Place scorePlace(const QString &programDir, const QString &userDataDir)
{
    // The install rules put the program under the build's prefix (cmake --install) or under
    // the Debian package's (/usr): either is an installed copy.
    QString installed;
    for (const QString &dir : QStringLiteral(SJB_INSTALLED_PROGRAMDIRS).split(QLatin1Char(':')))
        if (sameFolder(programDir, dir))
            installed = dir;
    QString makeBelow;
    const QString data = userDataDir.isEmpty() ? userDataFolder(makeBelow) : userDataDir;
    return scorePlace(programDir, data, installed, makeBelow);
}
