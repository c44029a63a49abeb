// Windows part of the platform layer.
#include "app/platform.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include <QDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace quodlin::platform {

QString loginUserName()
{
    wchar_t buffer[201];
    DWORD size = 201;
    if (!GetUserNameW(buffer, &size))
        return {};
    return QString::fromWCharArray(buffer);
}

int shellExecuteOpen(const QString &file, const QString &parameters, const QString &folder,
                     int showCommand)
{
    HWND owner = GetActiveWindow();
    if (!owner)
        owner = GetForegroundWindow();
    const std::wstring f = file.toStdWString();
    const std::wstring p = parameters.toStdWString();
    const std::wstring d = folder.trimmed().toStdWString();
    const auto rc = reinterpret_cast<INT_PTR>(ShellExecuteW(owner, L"open", f.c_str(),
                                                            p.empty() ? nullptr : p.c_str(),
                                                            d.empty() ? nullptr : d.c_str(), showCommand));
    return rc <= 32 ? int(rc) : 0;
}

namespace {

std::wstring native(const QString &path) { return QDir::toNativeSeparators(path).toStdWString(); }

QString systemText(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

} // namespace

PathKind pathKind(const QString &path)
{
    struct _stat64 st {};
    if (_wstat64(native(path).c_str(), &st) != 0)
        return PathKind::Missing;
    if (st.st_mode & _S_IFREG)
        return PathKind::Regular;
    return (st.st_mode & _S_IFDIR) ? PathKind::Directory : PathKind::Other;
}

WriteHandle::~WriteHandle()
{
    if (isOpen())
        _close(int(m_handle));
}

bool WriteHandle::fail()
{
    m_error = systemText(errno);
    return false;
}

bool WriteHandle::createNew(const QString &path, bool)
{
    // Windows files carry no permission bits to narrow.
    const int fd = _wopen(native(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                          _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return fail();
    m_handle = fd;
    return true;
}

bool WriteHandle::openExisting(const QString &path)
{
    const int fd = _wopen(native(path).c_str(), _O_WRONLY | _O_TRUNC | _O_BINARY | _O_NOINHERIT);
    if (fd < 0)
        return fail();
    m_handle = fd;
    return true;
}

bool WriteHandle::write(const char *data, int64_t size)
{
    while (size > 0) {
        const unsigned piece = unsigned(size > (1 << 30) ? (1 << 30) : size);
        const int n = _write(int(m_handle), data, piece);
        if (n < 0)
            return fail();
        data += n;
        size -= n;
    }
    return true;
}

bool WriteHandle::sync()
{
    if (_commit(int(m_handle)) == 0 || errno == EBADF)
        return true;
    return fail();
}

bool WriteHandle::copyAccessOf(const QString &) { return true; }

bool WriteHandle::close()
{
    const int fd = int(m_handle);
    m_handle = -1;
    if (_close(fd) != 0)
        return fail();
    return true;
}

bool replaceFile(const QString &from, const QString &to, QString *error)
{
    if (MoveFileExW(native(from).c_str(), native(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (error) {
        wchar_t text[512] = {};
        const DWORD code = GetLastError();
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, 512,
                       nullptr);
        *error = QString::fromWCharArray(text).trimmed();
    }
    return false;
}

} // namespace quodlin::platform
#endif
