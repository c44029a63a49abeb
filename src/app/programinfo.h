#pragma once
// The program's fixed names: the title shown in the task bar, the login dialog
// and general error messages, and the main window's caption.
#include "app/version.h"

#include <QString>

namespace quodlin {
inline const QString kProgramTitle = QStringLiteral("Quodlin v2.2c (06/07/97)");
inline const QString kMainCaption = QStringLiteral("Quodlin");
inline const QString kProductName = QStringLiteral("Quodlin");
// The release number set in the build; the title above keeps its historic form.
inline const QString kVersion = QStringLiteral(QUODLIN_VERSION);
inline const QString kAppId = QStringLiteral(QUODLIN_APP_ID);
}
