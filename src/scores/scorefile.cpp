#include "scores/scorefile.h"

#include "scores/safefile.h"

#include <QFile>
#include <QFileInfo>
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
// either end and stops at a NUL; both make the text invalid here, as trailing letters do: a
// score read back must be the score that was written.
bool parseScore(QByteArrayView text, qint32 &score)
{
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    if (text.isEmpty() || blank(text.front()) || blank(text.back()) || text.contains('\0'))
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

// The folder a path lies in and its name there, both looked up once.
struct Located
{
    SafeFile::Handle folder;
    QByteArray name;
};

Located locate(const QString &path, const QString &makeBelow = {})
{
    const QFileInfo info(path);
    return {SafeFile::openFolder(info.absolutePath(), makeBelow),
            QFile::encodeName(info.fileName())};
}

// Reads the first ten lines of an opened table; a read error leaves the table as it was.
ReadStatus readFrom(const SafeFile::Entry &entry, ScoreTable &table, const QString &path)
{
    if (entry.state() == SafeFile::Entry::State::Absent ||
        entry.state() == SafeFile::Entry::State::DanglingLink)
        return ReadStatus::Missing;
    QFile file;
    if (entry.state() != SafeFile::Entry::State::File ||
        !file.open(entry.file(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        qCWarning(lcScores) << "not reading" << path
                            << ": not a plain file of ours, or out of reach";
        return ReadStatus::Unreadable;
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

        ScoreEntry &slot = read[k];
        const qsizetype comma = line.indexOf(',');
        QByteArrayView scoreText(line);
        if (comma >= 0) {
            // In GBK and GB18030 no byte of a multi-byte character is a comma, so splitting the
            // bytes splits the text.
            slot.rawName = line.left(comma);
            slot.name = decodeName(slot.rawName);
            scoreText = scoreText.sliced(comma + 1);
        }
        parseScore(scoreText, slot.score);
    }
    if (file.error() != QFileDevice::NoError) {
        qCWarning(lcScores) << "cannot read" << path << ':' << file.errorString();
        return ReadStatus::Unreadable;
    }
    table = read;
    return ReadStatus::Read;
}

// The folder's lock, for a whole read-modify-write.
WriteStatus lockFolder(const Located &at, const QString &path)
{
    if (!at.folder.isValid()) {
        qCWarning(lcScores) << "cannot open the folder of" << path << ':' << qt_error_string();
        return WriteStatus::Failed;
    }
    switch (SafeFile::tryLock(at.folder)) {
    case SafeFile::LockResult::Locked:
        return WriteStatus::Written;
    case SafeFile::LockResult::Busy:
        qCInfo(lcScores) << "another copy of the game is saving" << path;
        return WriteStatus::Busy;
    case SafeFile::LockResult::Failed:
        break;
    }
    qCWarning(lcScores) << "cannot lock the folder of" << path << ':' << qt_error_string();
    return WriteStatus::Failed;
}

WriteStatus replaceWith(const SafeFile::Entry &entry, const QByteArray &content,
                        const QString &path)
{
    if (entry.replace(content))
        return WriteStatus::Written;
    qCWarning(lcScores) << "cannot write" << path << ':' << qt_error_string();
    return WriteStatus::Failed;
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
    const Located at = locate(path);
    if (!at.folder.isValid())
        return errno == ENOENT ? ReadStatus::Missing : ReadStatus::Unreadable;
    return readFrom(SafeFile::Entry(at.folder, at.name), table, path);
}

void setDefaultTable(ScoreTable &table)
{
    for (ScoreEntry &entry : table)
        entry = {QByteArrayLiteral("0"), QStringLiteral("0"), 0};
}

WriteStatus createDefaultFile(const QString &path, const QString &makeBelow)
{
    const Located at = locate(path, makeBelow);
    if (const WriteStatus locked = lockFolder(at, path); locked != WriteStatus::Written)
        return locked;
    const SafeFile::Entry entry(at.folder, at.name);
    if (entry.state() != SafeFile::Entry::State::Absent)
        return WriteStatus::Failed; // made meanwhile, or a link to nothing: nothing appears
    QByteArray content;
    for (int i = 0; i < ScoreSlots; ++i)
        content += lineOf(QByteArrayLiteral("0"), 0);
    return replaceWith(entry, content, path);
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
    if (place.writePath.isEmpty()) {
        qCInfo(lcScores) << "no folder of the player's to keep the table in";
        setDefaultTable(table);
        insertion = 0;
        return Outcome::Nowhere;
    }
    // What a save killed part-way left behind goes at the next opening.
    if (const Located at = locate(place.writePath);
        at.folder.isValid() && SafeFile::tryLock(at.folder) == SafeFile::LockResult::Locked)
        SafeFile::removeLeftover(at.folder, at.name);
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
        return createDefaultFile(place.writePath, place.makeBelow) == WriteStatus::Written
                   ? Outcome::Created
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
                      const QString &typedName, qint32 newScore, const QString &makeBelow)
{
    if (insertion < 0 || insertion >= ScoreSlots)
        return WriteStatus::Failed;
    const std::optional<QByteArray> name = encodeName(typedName);
    if (!name) {
        qCWarning(lcScores) << "the name" << typedName << "cannot be stored";
        return WriteStatus::Failed;
    }

    // Another copy of the game may be confirming a name on the same table right now: the
    // folder's lock keeps the two apart, and goes with a copy that dies.
    const Located at = locate(path, makeBelow);
    if (const WriteStatus locked = lockFolder(at, path); locked != WriteStatus::Written)
        return locked;
    const SafeFile::Entry entry(at.folder, at.name);

    // The table as it is now. Unchanged since the window read it, it is that table (slots a
    // short file left alone included), and the place found then stands: a brand-new table
    // gives first place even to a score of 0.
    ScoreTable now = table; // stays so when the file is missing, as for a fresh table
    if (readFrom(entry, now, path) == ReadStatus::Unreadable)
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
    return replaceWith(entry, content, path);
}

WriteStatus writeBack(const Place &place, const ScoreTable &table, qint16 insertion,
                      const QString &typedName, qint32 newScore)
{
    if (place.writePath.isEmpty())
        return WriteStatus::Failed;
    return writeBack(place.writePath, table, insertion, typedName, newScore, place.makeBelow);
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
