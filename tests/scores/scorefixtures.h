#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMetaType>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

inline QByteArray crlfLines(const QByteArrayList &lines)
{
    return lines.join("\r\n") + "\r\n";
}

inline const QByteArray TenZeros = crlfLines(QByteArrayList(10, "0,0"));
inline const QByteArray Descending = crlfLines({"p0,1000", "p1,900", "p2,800", "p3,700", "p4,600",
                                                "p5,500", "p6,400", "p7,300", "p8,200", "p9,100"});
// Descending without its last line: what follows a new first place.
inline const QByteArray FirstNine = Descending.first(Descending.lastIndexOf("p9"));
inline const QByteArray XiaoMing("\xD0\xA1\xC3\xF7"); // 小明 in GBK

// Empty when the file cannot be read, which includes a folder in its place.
inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What lies at the score file's path before the leaderboard looks. A read-only table has no
// write bit; "another user's" folder, table (mode 464: the group may write, the owner not)
// and link belong to nobody, which only root can arrange. Links point at "victim.txt" beside
// it, which holds `content`.
enum class FileState
{
    Content,
    ReadOnly,
    OthersTable,
    OthersFolder,
    Missing,
    FolderGone,
    Pipe,
    OwnLink,
    ForeignLink,
    DanglingLink
};
Q_DECLARE_METATYPE(FileState)

inline bool prepare(FileState state, QTemporaryDir &dir, const QString &path,
                    const QByteArray &content = Descending)
{
    const bool toVictim = state == FileState::OwnLink || state == FileState::ForeignLink;
    QFile file(toVictim ? QFileInfo(path).dir().filePath("victim.txt") : path);
    if ((toVictim || state <= FileState::OthersTable) &&
        !(file.open(QIODevice::WriteOnly) && file.write(content) == content.size()))
        return false;
    const QByteArray at = QFile::encodeName(path), folder = QFile::encodeName(dir.path());
    const auto toNobody = [](const QByteArray &p) { return ::lchown(p, 65534, 65534) == 0; };
    return state == FileState::ReadOnly ? ::chmod(at, 0444) == 0
           : state == FileState::OthersTable
               ? ::chmod(at, 0464) == 0 && toNobody(at) && toNobody(folder)
           : state == FileState::OthersFolder ? toNobody(folder)
           : state == FileState::FolderGone   ? dir.remove()
           : state == FileState::Pipe         ? ::mkfifo(at, 0666) == 0
           : state == FileState::DanglingLink
               ? ::symlink("nowhere.txt", at) == 0
               : !toVictim || (::symlink("victim.txt", at) == 0 &&
                               (state == FileState::OwnLink || toNobody(at)));
}

// Every entry of the folder with what it is: "name:bytes" for a file, "name->target" for a
// link, "name|" for a pipe.
inline QByteArray everything(const QString &folder)
{
    QByteArray out;
    for (const QFileInfo &fi : QDir(folder).entryInfoList(
             QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
        out += QFile::encodeName(fi.fileName()) +
               (fi.isSymLink() ? "->" + QFile::encodeName(fi.symLinkTarget().section('/', -1))
                : fi.isFile()  ? ':' + readBytes(fi.filePath())
                               : "|") +
               '\n';
    return out;
}

// Ways writing the score file fails that stop root too: a full disk, and another copy of the
// game holding the lock.
enum class Trouble
{
    None,
    DiskFull,
    Locked
};
Q_DECLARE_METATYPE(Trouble)

// The trouble, while this object lives. A write past the tiny size limit fails instead of
// ending the program.
struct Troubled
{
    Troubled(Trouble t, const QString &path)
        : m_lock(::open(QFile::encodeName(QFileInfo(path).absolutePath()), O_RDONLY | O_CLOEXEC))
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        const rlimit tiny{8, m_saved.rlim_max};
        if (t == Trouble::DiskFull && std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR)
            setrlimit(RLIMIT_FSIZE, &tiny);
        if (t == Trouble::Locked)
            ::flock(m_lock, LOCK_EX);
    }
    ~Troubled() { setrlimit(RLIMIT_FSIZE, &m_saved), ::close(m_lock); }
    void unlock() const { ::flock(m_lock, LOCK_UN); }
    rlimit m_saved{};
    int m_lock; // another copy of the game's hold on the folder
};
