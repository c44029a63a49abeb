#pragma once
// Splits a text of several SQL statements at the semicolons that end them.
// Semicolons inside strings ('...', "..."), comments (-- to the line end,
// {...}, /*...*/) and parentheses (a trigger's action lists) do not split,
// and neither do those inside a stored procedure or function body: a
// CREATE PROCEDURE/FUNCTION statement runs to its END PROCEDURE/FUNCTION.
// Text after the last semicolon is a statement of its own; pieces holding
// nothing but blanks and comments are dropped.
#include <QList>
#include <QString>

namespace quodlin {

struct SqlStatementSpan {
    QString text;   // the statement without its semicolon, trimmed
    int offset = 0; // character offset of text's first character in the whole text
};

QList<SqlStatementSpan> SplitSqlStatements(const QString &text);

} // namespace quodlin
