#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMetaType>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

inline QByteArray crlfLines(const QList<QByteArray> &lines)
{
    QByteArray out;
    for (const QByteArray &line : lines)
        out += line + "\r\n";
    return out;
}

inline QByteArray repeatedLine(const QByteArray &line, int count)
{
    return crlfLines(QList<QByteArray>(count, line));
}

inline const QByteArray TenZeros = repeatedLine("0,0", 10);
inline const QByteArray Descending = crlfLines({"p0,1000", "p1,900", "p2,800", "p3,700", "p4,600",
                                                "p5,500", "p6,400", "p7,300", "p8,200", "p9,100"});
inline const QByteArray XiaoMing("\xD0\xA1\xC3\xF7"); // 小明 in GBK

// Empty when the file cannot be read, which includes a folder in its place.
inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What lies at the score file's path before the leaderboard looks. The last two cannot be
// written or read even by root, so they need no permission bits.
enum class FileState
{
    Content,
    Missing,
    FolderGone,
    Directory
};
Q_DECLARE_METATYPE(FileState)

inline bool prepare(FileState state, QTemporaryDir &dir, const QString &path,
                    const QByteArray &content = Descending)
{
    QFile file(path);
    switch (state) {
    case FileState::Content:
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    case FileState::Missing:
        return true;
    case FileState::FolderGone:
        return dir.remove();
    case FileState::Directory:
        return QDir().mkdir(path);
    }
    return false;
}

// Ways writing the score file fails on a child's computer. Only a full disk stops root.
enum class Trouble
{
    None,
    DiskFull,
    ReadOnlyFolder
};
Q_DECLARE_METATYPE(Trouble)

inline bool rootIgnores(Trouble t)
{
    return t == Trouble::ReadOnlyFolder && geteuid() == 0;
}

// The trouble, while this object lives. A write past the tiny size limit fails instead of
// ending the program.
class Troubled
{
public:
    Troubled(Trouble t, const QString &path)
        : m_chmod(t == Trouble::ReadOnlyFolder), m_folder(QFileInfo(path).path())
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        const rlimit tiny{8, m_saved.rlim_max};
        if (t == Trouble::DiskFull && std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR)
            setrlimit(RLIMIT_FSIZE, &tiny);
        if (m_chmod)
            QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::ExeOwner);
    }
    ~Troubled()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        if (m_chmod)
            QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private:
    bool m_chmod;
    QString m_folder;
    rlimit m_saved{};
};
