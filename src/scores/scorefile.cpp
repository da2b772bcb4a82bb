#include "scores/scorefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Off unless asked for: a normal run prints nothing.
Q_LOGGING_CATEGORY(lcScores, "shijianbao.scores", QtCriticalMsg)

namespace ScoreFile {

namespace {

// GB18030 reads and writes every GBK character as the same bytes, and covers the rest of
// Unicode too, so any name a child can type is stored without loss.
constexpr const char *NameEncoding = "GB18030";

// An optional sign and decimal digits, within the 32-bit range. Qt's reading skips blanks at
// either end; they make the text invalid here, as trailing letters do: a score read back must
// be the score that was written.
bool parseScore(QByteArrayView text, qint32 &score)
{
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    if (text.isEmpty() || blank(text.front()) || blank(text.back()))
        return false;
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (ok)
        score = value;
    return ok;
}

QByteArray lineOf(const QByteArray &rawName, qint32 score)
{
    return rawName + ',' + QByteArray::number(score) + "\r\n";
}

// The new table is a new file that takes the old one's place, so it would belong to whoever
// wrote it, with the default mode: a parent's sudo game would take a child's table away, and a
// table made read-only would become writable. It gets the old file's owner, group and mode
// instead. Only root may give a file to someone else; anyone else keeps the group (theirs, if
// they could write through it) and the mode, so everyone who could write the table still can.
// A new table that root makes in someone else's folder (a parent playing the child's copy) is
// the folder owner's, for them to write next time.
void keepOwnership(const QString &path, int fd)
{
    struct stat old
    {};
    if (::stat(QFile::encodeName(path).constData(), &old) == 0) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            const bool groupKept = ::fchown(fd, uid_t(-1), old.st_gid) == 0;
            qCInfo(lcScores) << "rewritten as ours, as only root may give a file away:" << path
                             << (groupKept ? "(group kept)" : "(group not kept)");
        }
        if (::fchmod(fd, old.st_mode & 0777) != 0)
            qCWarning(lcScores) << "cannot keep the mode of" << path << ':' << qt_error_string();
    } else if (::geteuid() == 0 &&
               ::stat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &old) == 0 &&
               ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        qCWarning(lcScores) << "cannot give" << path
                            << "to its folder's owner:" << qt_error_string();
    }
}

WriteStatus replaceFile(const QString &path, const QByteArray &content)
{
    // No direct-write fallback: if the new table cannot be put in place whole, the old one
    // stays. Unbuffered, because a disk that fills up part-way through a buffered flush
    // reports the short write to nobody and commit() would then install a cut-off table.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        keepOwnership(path, file.handle());
        if (file.write(content) == content.size() && file.size() == content.size() && file.commit())
            return WriteStatus::Written;
    } // an unfinished copy is thrown away with `file`
    qCWarning(lcScores) << "cannot write" << path << ':' << file.errorString();
    return WriteStatus::Failed;
}

// What stands at the path itself, as far as links go; what kind of file lies behind is
// checked on the file once opened.
enum class PathKind
{
    Absent,
    NoLink,
    OwnLink,      // the player's link to something that exists
    DanglingLink, // the player's link to nothing
    Forbidden     // another user's link, or nothing can be known
};

PathKind kindOf(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st
    {};
    if (::lstat(name.constData(), &st) != 0)
        return errno == ENOENT ? PathKind::Absent : PathKind::Forbidden;
    if (!S_ISLNK(st.st_mode))
        return PathKind::NoLink;
    if (st.st_uid != ::geteuid())
        return PathKind::Forbidden;
    if (::stat(name.constData(), &st) == 0)
        return PathKind::OwnLink;
    return errno == ENOENT ? PathKind::DanglingLink : PathKind::Forbidden;
}

bool isRegular(const QString &path)
{
    struct stat st
    {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// Opens a regular file for reading without ever waiting: a pipe would block an ordinary open
// until someone writes to it. The type is checked on what was opened, not on the name, so
// nothing swapped in between a look and the open gets read. A link is followed only when it
// is the player's own; O_NOFOLLOW turns away one that appears after the look.
enum class Opened
{
    File,
    Missing,
    Refused
};

Opened openForReading(const QString &path, QFile &file)
{
    const PathKind kind = kindOf(path);
    if (kind == PathKind::Absent || kind == PathKind::DanglingLink)
        return Opened::Missing;
    if (kind == PathKind::Forbidden) {
        qCWarning(lcScores) << "not reading" << path << ": another user's link, or out of reach";
        return Opened::Refused;
    }
    const int flags =
        O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (kind == PathKind::NoLink ? O_NOFOLLOW : 0);
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0) {
        if (errno == ENOENT)
            return Opened::Missing;
        qCWarning(lcScores) << "cannot read" << path << ':' << qt_error_string();
        return Opened::Refused;
    }
    struct stat st
    {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        qCWarning(lcScores) << "not reading" << path << ": not a plain file";
        ::close(fd);
        return Opened::Refused;
    }
    return Opened::File;
}

// Puts content at path the safe way for what stands there: a regular file or nothing is
// replaced, the player's own link has its target replaced, the player's link to nothing is
// itself replaced (its target never appears), and nothing else is touched.
WriteStatus putFile(const QString &path, const QByteArray &content)
{
    switch (kindOf(path)) {
    case PathKind::Forbidden:
        qCWarning(lcScores) << "not writing" << path << ": another user's link, or out of reach";
        return WriteStatus::Failed;
    case PathKind::DanglingLink:
        if (!QFile::remove(path)) {
            qCWarning(lcScores) << "cannot replace the link" << path;
            return WriteStatus::Failed;
        }
        break;
    case PathKind::NoLink:
    case PathKind::OwnLink:
        if (!isRegular(path) || !mayRewrite(path)) {
            qCWarning(lcScores) << "not writing" << path << ": not a plain file we may write";
            return WriteStatus::Failed;
        }
        break;
    case PathKind::Absent:
        break;
    }
    return replaceFile(path, content);
}

// Makes the per-user folder, when the place has one, before its first file. The folders root
// makes go to whoever owns the folder they are made in, as a new table does: a parent's
// `sudo -E` keeps the child's HOME, and a root-owned folder there would shut the child out of
// their own table. lchown: a folder swapped for a link meanwhile gives nothing else away.
bool makeFolderFor(const Place &place)
{
    if (!place.makeFolder)
        return true;
    const QString folder = QFileInfo(place.writePath).absolutePath();
    QStringList made;
    QString existing = folder;
    for (; !QFileInfo::exists(existing) && !QDir(existing).isRoot();
         existing = QFileInfo(existing).absolutePath())
        made.prepend(existing);
    if (!QDir().mkpath(folder)) {
        qCWarning(lcScores) << "cannot make the folder" << folder;
        return false;
    }
    struct stat owner
    {};
    if (::geteuid() == 0 && ::stat(QFile::encodeName(existing).constData(), &owner) == 0) {
        for (const QString &path : made) {
            if (::lchown(QFile::encodeName(path).constData(), owner.st_uid, owner.st_gid) != 0)
                qCWarning(lcScores) << "cannot give" << path << "to" << owner.st_uid;
        }
    }
    return true;
}

bool sameEntries(const ScoreTable &a, const ScoreTable &b)
{
    for (int i = 0; i < ScoreSlots; ++i) {
        if (a[i].rawName != b[i].rawName || a[i].score != b[i].score)
            return false;
    }
    return true;
}

bool isLineBreakOrControl(char32_t c)
{
    return QChar::category(c) == QChar::Other_Control || c == 0x2028 || c == 0x2029;
}

} // namespace

QString pathFor(const QString &sPath)
{
    return sPath + QStringLiteral("tavik") + QStringLiteral(".tmp");
}

ReadStatus readTable(const QString &path, ScoreTable &table)
{
    QFile file;
    switch (openForReading(path, file)) {
    case Opened::Missing:
        return ReadStatus::Missing;
    case Opened::Refused:
        return ReadStatus::Unreadable;
    case Opened::File:
        break;
    }

    ScoreTable read = table;
    // Lines past the tenth never reach the table, so they are not read at all.
    for (int k = 0; k < ScoreSlots && !file.atEnd(); ++k) {
        QByteArray line = file.readLine();
        if (file.error() != QFileDevice::NoError)
            break;
        if (line.endsWith('\n'))
            line.chop(1);
        while (line.endsWith('\r'))
            line.chop(1);

        ScoreEntry &entry = read[k];
        const qsizetype comma = line.indexOf(',');
        QByteArrayView scoreText(line);
        if (comma >= 0) {
            // In GBK and GB18030 no byte of a multi-byte character is a comma, so splitting the
            // bytes splits the text.
            entry.rawName = line.left(comma);
            entry.name = decodeName(entry.rawName);
            scoreText = scoreText.sliced(comma + 1);
        }
        parseScore(scoreText, entry.score);
    }
    if (file.error() != QFileDevice::NoError) {
        qCWarning(lcScores) << "cannot read" << path << ':' << file.errorString();
        return ReadStatus::Unreadable;
    }
    table = read;
    return ReadStatus::Read;
}

void setDefaultTable(ScoreTable &table)
{
    for (ScoreEntry &entry : table)
        entry = {QByteArrayLiteral("0"), QStringLiteral("0"), 0};
}

WriteStatus createDefaultFile(const QString &path)
{
    QByteArray content;
    for (int i = 0; i < ScoreSlots; ++i)
        content += lineOf(QByteArrayLiteral("0"), 0);
    return putFile(path, content);
}

qint16 rankScore(const ScoreTable &table, qint32 newScore)
{
    qint16 insertion = -1;
    for (qint16 i = ScoreSlots - 1; i >= 0; --i) {
        if (newScore > table[i].score)
            insertion = i;
    }
    return insertion;
}

bool mayRewrite(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st
    {};
    if (::stat(name.constData(), &st) != 0)
        return errno == ENOENT;
    // The kernel's answer covers read-only mounts, groups and access lists; the write bits
    // are looked at only because root's answer ignores them.
    return ::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) == 0 &&
           (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

Outcome open(const Place &place, qint32 newScore, ScoreTable &table, qint16 &insertion)
{
    switch (readTable(place.readPath, table)) {
    case ReadStatus::Read:
        insertion = rankScore(table, newScore);
        if (insertion < 0)
            return Outcome::MissedTable;
        if (place.readPath == place.writePath && !mayRewrite(place.writePath)) {
            qCInfo(lcScores) << place.writePath << "is read-only: no name can be saved";
            return Outcome::ReadOnly;
        }
        return Outcome::MadeTable;
    case ReadStatus::Missing:
        // A new table: the first score takes first place whatever it is.
        setDefaultTable(table);
        insertion = 0;
        if (kindOf(place.writePath) != PathKind::Absent) {
            qCInfo(lcScores) << "no table made through the link to nothing" << place.writePath;
            return Outcome::Fresh;
        }
        if (!makeFolderFor(place))
            return Outcome::Fresh;
        return createDefaultFile(place.writePath) == WriteStatus::Written ? Outcome::Created
                                                                          : Outcome::Fresh;
    case ReadStatus::Unreadable:
        // Someone's table may still be in there; it is not ours to replace.
        setDefaultTable(table);
        insertion = 0;
        return Outcome::Unreadable;
    }
    return Outcome::Unreadable;
}

WriteStatus writeBack(const QString &path, const ScoreTable &table, qint16 insertion,
                      const QString &typedName, qint32 newScore)
{
    if (insertion < 0 || insertion >= ScoreSlots)
        return WriteStatus::Failed;
    const std::optional<QByteArray> name = encodeName(typedName);
    if (!name) {
        qCWarning(lcScores) << "the name" << typedName << "cannot be stored";
        return WriteStatus::Failed;
    }

    // Another copy of the game may be confirming a name on the same table right now. The lock
    // of a copy that died is taken over at once; a living one gets a moment to finish.
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(LockWaitMs)) {
        qint64 pid = 0;
        QString host, program;
        lock.getLockInfo(&pid, &host, &program);
        qCWarning(lcScores) << "no lock on" << path << "within" << LockWaitMs << "ms; held by"
                            << program << pid << "on" << host << "(QLockFile error" << lock.error()
                            << ')';
        return WriteStatus::Failed;
    }

    // The table as it is now. Unchanged since the window read it, it is that table (slots a
    // short file left alone included), and the place found then stands: a brand-new table
    // gives first place even to a score of 0.
    ScoreTable now = table; // stays so when the file is missing, as for a fresh table
    if (readTable(path, now) == ReadStatus::Unreadable)
        return WriteStatus::Failed;
    if (!sameEntries(now, table))
        insertion = rankScore(now, newScore);
    if (insertion < 0)
        return WriteStatus::Written; // fairly outranked meanwhile: nothing to add

    QByteArray content;
    for (int i = 0; i < insertion; ++i)
        content += lineOf(now[i].rawName, now[i].score);
    content += lineOf(*name, newScore);
    for (int i = insertion; i < ScoreSlots - 1; ++i)
        content += lineOf(now[i].rawName, now[i].score);
    return putFile(path, content);
}

WriteStatus writeBack(const Place &place, const ScoreTable &table, qint16 insertion,
                      const QString &typedName, qint32 newScore)
{
    if (!makeFolderFor(place))
        return WriteStatus::Failed;
    return writeBack(place.writePath, table, insertion, typedName, newScore);
}

std::optional<QByteArray> encodeName(const QString &typedName)
{
    QString clean;
    clean.reserve(typedName.size());
    for (char32_t c : typedName.toUcs4()) {
        if (c == U',')
            clean += QChar(0xFF0C); // "，"
        else if (!isLineBreakOrControl(c))
            clean += QString::fromUcs4(&c, 1);
    }
    QStringEncoder encoder(NameEncoding);
    if (!encoder.isValid())
        return std::nullopt;
    QByteArray bytes = encoder.encode(clean);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

QString decodeName(const QByteArray &rawName)
{
    QStringDecoder decoder(NameEncoding);
    if (!decoder.isValid())
        return QString::fromLatin1(rawName);
    return decoder.decode(rawName);
}

} // namespace ScoreFile
