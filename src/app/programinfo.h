#pragma once
// The program's fixed names: the title shown in the task bar, the login dialog
// and general error messages, and the main window's caption.
#include <QString>

namespace quodlin {
inline const QString kProgramTitle = QStringLiteral("Quodlin v2.2c (06/07/97)");
inline const QString kMainCaption = QStringLiteral("Quodlin");
inline const QString kProductName = QStringLiteral("Quodlin");
// The release number set in the top CMakeLists.txt (the title above keeps
// its historic form) and the desktop entry's id; written by the build.
extern const QString kVersion;
extern const QString kAppId;
}
