#pragma once
// Small text helpers shared by the windows and the core.
#include <QString>

namespace quodlin {

// Every occurrence of `from` in `text`, compared without regard to case,
// replaced by `to`. When `to` holds `from` the search goes on after the
// inserted text; otherwise it starts again from the beginning, so matches
// that a replacement forms with its neighbours are replaced too. An empty
// text or `from` leaves the text unchanged.
QString ReplaceAllText(const QString &text, const QString &from, const QString &to);
// The first occurrence of `search`, or every one as ReplaceAllText does,
// replaced, compared exactly or without regard to case.
QString ReplaceInText(const QString &text, const QString &search, const QString &replacement, bool matchCase,
                      bool all);

// `text` without its trailing characters of code 32 or less (blanks, tabs, line ends).
QString TrimTrailingControls(QString text);

// `text` for a terminal line, each character shown as itself except: a
// backslash doubled, LF, CR and TAB as \n, \r and \t, other control
// characters (C0, DEL, C1) as \xHH, and the line and paragraph separators
// and the bidirectional overrides (U+2028..U+202E, U+2066..U+2069) as
// \uHHHH. So a name cannot split a line, move the cursor or reorder what
// follows it, and reads back unambiguously.
QString EscapeControls(const QString &text);

} // namespace quodlin
