#include "app/failure.h"

#include "app/dialogs.h"
#include "app/programinfo.h"

namespace quodlin {

QString FailureMessageText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ReportUnhandledFailure(const std::exception &failure)
{
    if (dynamic_cast<const SilentAbort *>(&failure))
        return;
    Dialogs().message(kProgramTitle, FailureMessageText(QString::fromUtf8(failure.what())),
                      MessageIcon::Stop);
}

} // namespace quodlin
