#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <sys/stat.h>

// Reading and replacing a file in a folder another account may change at the same moment (a
// child's own scripts racing a parent's sudo game). Every step goes through a handle: the
// folder is opened once, without following links that are not the player's (or root's, which
// only root can make), the name is looked up in it once, every check is made on what was
// opened, and the new file is made beside the old with O_EXCL and renamed over it, so a name
// swapped for a link between the check and the write replaces the link, never its target.
namespace SafeFile {

// An open descriptor, closed with its owner.
class Handle
{
public:
    Handle() = default;
    explicit Handle(int fd) : m_fd(fd) {}
    Handle(Handle &&other) noexcept : m_fd(other.release()) {}
    Handle &operator=(Handle &&other) noexcept;
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    ~Handle();
    int fd() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    int release();

private:
    int m_fd = -1;
};

// The folder at an absolute path. A missing folder is made when it lies below `makeBelow`
// (an existing folder; empty: nothing is made), and the folders root makes there belong to
// the owner of `makeBelow`, as the player's own would.
Handle openFolder(const QString &path, const QString &makeBelow = {});

// What stands at a name in a folder, looked up once.
class Entry
{
public:
    enum class State
    {
        Absent,       // nothing: a new file may be made
        File,         // a regular file, open for reading in file()
        DanglingLink, // the player's link to nothing: it is replaced itself
        Refused       // anything else: another user's link, a pipe, a folder, out of reach
    };

    // The player's own link is followed: the entry is then its target, in the target's folder.
    Entry(const Handle &folder, const QByteArray &name);

    State state() const { return m_state; }
    int file() const { return m_file.fd(); }
    // The player may replace the file: the kernel's answer on the open file (read-only mounts,
    // groups, access lists), and a write bit, as root's answer ignores those.
    bool mayRewrite() const;
    // Puts content in the entry's place in one step: a crash or a full disk leaves the old file
    // whole. The new file keeps the old one's owner, group, mode and access list; a new one
    // that root makes in another account's folder is that account's.
    bool replace(const QByteArray &content) const;

private:
    Handle m_folderCopy; // the folder of the target, when the entry is a followed link
    int m_folder = -1;
    QByteArray m_name;
    Handle m_file;
    struct stat m_stat
    {};
    State m_state = State::Refused;
};

// Whether this process may take the folder's advisory lock now. The lock goes with the
// process, so a copy of the game that was killed never keeps another from saving.
enum class LockResult
{
    Locked,
    Busy, // another living copy holds it
    Failed
};
LockResult tryLock(const Handle &folder);

// Removes what a save killed before its rename left behind; under the folder's lock only.
void removeLeftover(const Handle &folder, const QByteArray &name);

// Called at each step of a replacement with the step's name ("checked", "made", "written",
// "renamed"), so a test can change the folder, or end the process, at exactly that moment.
inline std::function<void(const char *step)> testStep;

} // namespace SafeFile
