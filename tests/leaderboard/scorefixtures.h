#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

// Helpers shared by the score-file and leaderboard-window tests.

// Lines joined with CR LF, each one ended, as the game writes them.
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

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Permissions do not stop root, so tests that rely on them skip when run as root.
inline bool runningAsRoot()
{
    return geteuid() == 0;
}

// Makes every write past a few bytes fail, as on a full disk; works for root too.
class DiskFull
{
public:
    DiskFull()
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tiny = m_saved;
        tiny.rlim_cur = 8;
        setrlimit(RLIMIT_FSIZE, &tiny);
    }
    ~DiskFull()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    DiskFull(const DiskFull &) = delete;
    DiskFull &operator=(const DiskFull &) = delete;

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
};
