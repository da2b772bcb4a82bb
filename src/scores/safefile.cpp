#include "scores/safefile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace SafeFile {

Handle &Handle::operator=(Handle &&other) noexcept
{
    if (this != &other) {
        Handle old(m_fd);
        m_fd = other.release();
    }
    return *this;
}

Handle::~Handle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int Handle::release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

namespace {

// As many links as the kernel follows in one path.
constexpr int MaxLinks = 40;
constexpr const char *AclAttribute = "system.posix_acl_access";

void step(const char *name)
{
    if (testStep)
        testStep(name);
}

// A link's own handle and target, read from the link itself, so the link that was checked is
// the one followed. Empty when it is not a link, or not one the given rule allows.
QByteArray ownTarget(int folder, const QByteArray &name, bool rootsToo)
{
    const Handle link(::openat(folder, name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat st
    {};
    if (!link.isValid() || ::fstat(link.fd(), &st) != 0 || !S_ISLNK(st.st_mode) ||
        !(st.st_uid == ::geteuid() || (rootsToo && st.st_uid == 0)))
        return {};
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    const ssize_t size = ::readlinkat(link.fd(), "", target.data(), size_t(target.size()));
    return size > 0 && size < target.size() ? target.first(size) : QByteArray();
}

struct Making
{
    bool on = false;
    uid_t uid = uid_t(-1);
    gid_t gid = gid_t(-1);
};

// Opens `path` from `start` one name at a time, never following a link that another account
// made (root's links are the system's own layout, which only root can change).
Handle walk(int start, const QByteArray &path, const Making &making, int &links)
{
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    Handle here(path.startsWith('/') ? ::open("/", flags)
                : start == AT_FDCWD  ? ::open(".", flags)
                                     : ::fcntl(start, F_DUPFD_CLOEXEC, 0));
    for (const QByteArray &name : path.split('/')) {
        if (!here.isValid())
            break;
        if (name.isEmpty() || name == ".")
            continue;
        const auto openIn = [&] {
            const int flags = O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
            const int fd = ::openat(here.fd(), name.constData(), O_RDONLY | flags);
            return fd >= 0 || errno != EACCES
                       ? fd
                       : ::openat(here.fd(), name.constData(), O_PATH | flags);
        };
        Handle next(openIn());
        if (!next.isValid() && errno == ENOENT && making.on &&
            ::mkdirat(here.fd(), name.constData(), 0777) == 0) {
            next = Handle(openIn());
            if (next.isValid() && ::geteuid() == 0 &&
                ::fchown(next.fd(), making.uid, making.gid) != 0)
                next = Handle(); // a folder of root's in the player's home would shut them out
        }
        if (!next.isValid() && (errno == ELOOP || errno == ENOTDIR) && ++links <= MaxLinks) {
            const QByteArray target = ownTarget(here.fd(), name, true);
            if (target.isEmpty())
                errno = EACCES;
            else
                next = walk(here.fd(), target, {}, links);
        }
        here = std::move(next);
    }
    return here;
}

} // namespace

Handle openFolder(const QString &path, const QString &makeBelow)
{
    int links = 0;
    const QByteArray full = QFile::encodeName(path);
    const QByteArray base = QFile::encodeName(makeBelow);
    if (base.isEmpty() || !full.startsWith(base + '/'))
        return walk(AT_FDCWD, full, {}, links);
    Handle below = walk(AT_FDCWD, base, {}, links);
    struct stat owner
    {};
    if (!below.isValid() || ::fstat(below.fd(), &owner) != 0)
        return {};
    return walk(below.fd(), full.sliced(base.size()).sliced(1), {true, owner.st_uid, owner.st_gid},
                links);
}

Entry::Entry(const Handle &folder, const QByteArray &name) : m_folder(folder.fd()), m_name(name)
{
    for (int links = 0; links <= MaxLinks; ++links) {
        Handle file(::openat(m_folder, m_name.constData(),
                             O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
        if (file.isValid()) {
            // The type is checked on what was opened: a pipe, a device or a folder is not read.
            if (::fstat(file.fd(), &m_stat) == 0 && S_ISREG(m_stat.st_mode)) {
                m_file = std::move(file);
                m_state = State::File;
            }
            return;
        }
        if (errno == ENOENT) {
            m_state = links == 0 ? State::Absent : State::DanglingLink;
            break;
        }
        const QByteArray target = errno == ELOOP ? ownTarget(m_folder, m_name, false) : "";
        if (target.isEmpty())
            return; // refused: another user's link, or out of reach
        const qsizetype slash = target.lastIndexOf('/');
        if (slash >= 0) {
            int walked = links;
            m_folderCopy = walk(m_folder, slash == 0 ? "/" : target.first(slash), {}, walked);
            if (!m_folderCopy.isValid()) {
                m_state = errno == ENOENT ? State::DanglingLink : State::Refused;
                break;
            }
            m_folder = m_folderCopy.fd();
        }
        m_name = target.sliced(slash + 1);
    }
    if (m_state == State::DanglingLink) { // the player's link itself is what gets replaced
        m_folderCopy = Handle();
        m_folder = folder.fd();
        m_name = name;
    }
}

bool Entry::mayRewrite() const
{
    if (m_state != State::File)
        return m_state != State::Refused;
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_file.fd());
    const bool kernelSays = ::access(self.constData(), F_OK) == 0
                                ? ::faccessat(AT_FDCWD, self.constData(), W_OK, AT_EACCESS) == 0
                                : ::faccessat(m_folder, m_name.constData(), W_OK, AT_EACCESS) == 0;
    return kernelSays && (m_stat.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

bool Entry::replace(const QByteArray &content) const
{
    if (m_state == State::Refused || !mayRewrite())
        return false;
    step("checked");
    const QByteArray temporary = m_name + ".new";
    ::unlinkat(m_folder, temporary.constData(), 0); // a killed save's, under the lock
    const Handle out(::openat(m_folder, temporary.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!out.isValid())
        return false;
    step("made");
    struct stat owner = m_stat;
    if (m_state != State::File && (::geteuid() != 0 || ::fstat(m_folder, &owner) != 0))
        owner.st_uid = uid_t(-1), owner.st_gid = gid_t(-1);
    // Only root may give a file away; anyone else keeps the group, so that everyone who could
    // write the table through it still can.
    const bool owned = ::fchown(out.fd(), owner.st_uid, owner.st_gid) == 0 ||
                       ::fchown(out.fd(), uid_t(-1), owner.st_gid) == 0 || ::geteuid() != 0;
    bool ok = owned && (m_state != State::File || ::fchmod(out.fd(), m_stat.st_mode & 07777) == 0);
    if (ok && m_state == State::File) {
        char acl[4096];
        const ssize_t size = ::fgetxattr(m_file.fd(), AclAttribute, acl, sizeof acl);
        ok = size < 0 ? errno == ENODATA || errno == ENOTSUP
                      : ::fsetxattr(out.fd(), AclAttribute, acl, size_t(size), 0) == 0;
    }
    for (qsizetype done = 0; ok && done < content.size();) {
        const ssize_t n =
            ::write(out.fd(), content.constData() + done, size_t(content.size() - done));
        ok = n > 0 || (n < 0 && errno == EINTR);
        done += n > 0 ? n : 0;
    }
    ok = ok && ::fsync(out.fd()) == 0;
    if (ok)
        step("written");
    if (!ok || ::renameat(m_folder, temporary.constData(), m_folder, m_name.constData()) != 0) {
        ::unlinkat(m_folder, temporary.constData(), 0);
        return false;
    }
    step("renamed");
    return true;
}

LockResult tryLock(const Handle &folder)
{
    if (::flock(folder.fd(), LOCK_EX | LOCK_NB) == 0)
        return LockResult::Locked;
    return errno == EWOULDBLOCK ? LockResult::Busy : LockResult::Failed;
}

void removeLeftover(const Handle &folder, const QByteArray &name)
{
    ::unlinkat(folder.fd(), (name + ".new").constData(), 0);
}

} // namespace SafeFile
