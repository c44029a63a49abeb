#pragma once
// The last resort for a failure that no command handler caught: a message box
// captioned with the program's title, with the stop icon, after which the
// program goes on with the next event. A SilentAbort ends the work quietly.
#include <QString>

#include <exception>

namespace quodlin {

// Raised to abandon the current work without telling the user anything.
class SilentAbort : public std::exception {
public:
    const char *what() const noexcept override { return "silent abort"; }
};

// The failure's message, with a full stop appended when the code of its last
// character is greater than that of the full stop.
QString FailureMessageText(const QString &message);

// Shows an uncaught failure through the dialog interface (nothing for a SilentAbort).
void ReportUnhandledFailure(const std::exception &failure);

} // namespace quodlin
