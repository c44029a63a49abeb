#include "shell/application.h"

#include "app/failure.h"
#include "app/programinfo.h"

#include <exception>
#include <stdexcept>

namespace quodlin {

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(kProductName);
    setOrganizationName(QStringLiteral("Veltrane"));
    setApplicationVersion(kVersion);
    // Lets the desktop match the windows to the installed entry and icon.
    setDesktopFileName(kAppId);
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &failure) {
        ReportUnhandledFailure(failure);
    } catch (...) {
        ReportUnhandledFailure(std::runtime_error("Unknown failure"));
    }
    return false;
}

} // namespace quodlin
