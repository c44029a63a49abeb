#pragma once
// The lexical pieces an SQL editor colours: keywords of the Informix dialect
// and of SPL, string literals, numbers and comments (-- to the line end,
// { } and /* */ across lines). Works line by line with a carried state so a
// highlighter only re-reads the lines that changed.
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace quodlin {

enum class SqlTokenKind { Keyword, String, Number, Comment };

struct SqlToken {
    int start = 0;
    int length = 0;
    SqlTokenKind kind = SqlTokenKind::Keyword;
    bool operator==(const SqlToken &) const = default;
};

// What is still open at a line's end.
enum SqlLineState : int {
    SqlStateNormal = 0,
    SqlStateBraceComment = 1,   // { ... }
    SqlStateBlockComment = 2,   // /* ... */
    SqlStateSingleQuote = 3,
    SqlStateDoubleQuote = 4,
};

// Case-insensitive.
bool IsSqlKeyword(QStringView word);
// The keywords the editor colours, upper case, sorted (completion offers them).
const QStringList &SqlKeywords();

// Appends the line's tokens to `tokens`; returns the state at its end.
int TokenizeSqlLine(QStringView line, int state, QList<SqlToken> &tokens);

} // namespace quodlin
