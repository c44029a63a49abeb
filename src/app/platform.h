#pragma once
// The few operating-system calls Qt does not offer. Only platform_posix.cpp
// and platform_win.cpp use system headers; each builds empty on the other
// systems.
#include <QString>

namespace quodlin::platform {

// The logged-on user's name, empty when the system cannot tell.
QString loginUserName();

// Windows only: ShellExecute with the verb "open"; 0 on success, else the
// shell's code (32 or less). Elsewhere returns -1 (not available).
int shellExecuteOpen(const QString &file, const QString &parameters, const QString &folder,
                     int showCommand);

} // namespace quodlin::platform
