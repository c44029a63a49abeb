#pragma once
// Small text helpers shared by the windows and the core.
#include <QString>

namespace quodlin {

// Every occurrence of `from` in `text`, compared without regard to case,
// replaced by `to`. Replaced text is not searched again; an empty `from`
// leaves the text unchanged.
QString ReplaceAllText(const QString &text, const QString &from, const QString &to);

// `text` without its trailing characters of code 32 or less (blanks, tabs, line ends).
QString TrimTrailingControls(QString text);

} // namespace quodlin
