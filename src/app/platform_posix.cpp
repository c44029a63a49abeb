// POSIX part of the platform layer (Linux, macOS).
#include "app/platform.h"

#ifndef _WIN32
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace quodlin::platform {

namespace {

QString systemText(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

QByteArray encoded(const QString &path) { return QFile::encodeName(path); }

} // namespace

QString loginUserName()
{
    // The effective user's entry first: getlogin() fails without a controlling terminal.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry{};
    passwd *result = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result
        && result->pw_name)
        return QString::fromLocal8Bit(result->pw_name);
    if (const char *name = getlogin())
        return QString::fromLocal8Bit(name);
    return {};
}

int shellExecuteOpen(const QString &, const QString &, const QString &, int) { return -1; }

PathKind pathKind(const QString &path)
{
    struct stat st {};
    if (::stat(encoded(path).constData(), &st) != 0)
        return PathKind::Missing;
    if (S_ISREG(st.st_mode))
        return PathKind::Regular;
    return S_ISDIR(st.st_mode) ? PathKind::Directory : PathKind::Other;
}

WriteHandle::~WriteHandle()
{
    if (isOpen())
        ::close(int(m_handle));
}

bool WriteHandle::fail()
{
    m_error = systemText(errno);
    return false;
}

bool WriteHandle::createNew(const QString &path, bool ownerOnly)
{
    const int fd = ::open(encoded(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          ownerOnly ? 0600 : 0666);
    if (fd < 0)
        return fail();
    m_handle = fd;
    return true;
}

bool WriteHandle::openExisting(const QString &path)
{
    // O_TRUNC means nothing to a FIFO or a device and empties a regular file.
    const int fd = ::open(encoded(path).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return fail();
    m_handle = fd;
    return true;
}

bool WriteHandle::write(const char *data, int64_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(int(m_handle), data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail();
        }
        data += n;
        size -= n;
    }
    return true;
}

bool WriteHandle::sync()
{
    if (::fsync(int(m_handle)) == 0 || errno == EINVAL || errno == EROFS || errno == ENOTSUP)
        return true;
    return fail();
}

bool WriteHandle::copyAccessOf(const QString &model)
{
    struct stat from {};
    struct stat self {};
    if (::stat(encoded(model).constData(), &from) != 0 || ::fstat(int(m_handle), &self) != 0)
        return fail();
    // The owner only root may give; the group any member of it. A group the
    // user is not in stays the user's own, as when the user copies a file.
    if (from.st_uid != self.st_uid || from.st_gid != self.st_gid) {
        const bool given = ::fchown(int(m_handle), from.st_uid, from.st_gid) == 0
            || ::fchown(int(m_handle), uid_t(-1), from.st_gid) == 0;
        Q_UNUSED(given)
    }
    // After the owner: a change of owner clears the set-id bits.
    if (::fchmod(int(m_handle), from.st_mode & 07777) != 0)
        return fail();
    return true;
}

bool WriteHandle::close()
{
    const int fd = int(m_handle);
    m_handle = -1;
    // Linux closes the descriptor even when close() reports an error (NFS
    // reports a failed write here); it must not be closed again.
    if (::close(fd) != 0 && errno != EINTR)
        return fail();
    return true;
}

bool replaceFile(const QString &from, const QString &to, QString *error)
{
    if (::rename(encoded(from).constData(), encoded(to).constData()) != 0) {
        if (error)
            *error = systemText(errno);
        return false;
    }
    // The new directory entry itself onto the disk; a folder that cannot be
    // opened or synced leaves the rename done all the same.
    const int dir = ::open(encoded(QFileInfo(to).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace quodlin::platform
#endif
