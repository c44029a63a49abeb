// POSIX part of the platform layer (Linux, macOS).
#include "app/platform.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace quodlin::platform {

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

} // namespace quodlin::platform
#endif
