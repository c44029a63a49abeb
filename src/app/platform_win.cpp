// Windows part of the platform layer.
#include "app/platform.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

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

} // namespace quodlin::platform
#endif
