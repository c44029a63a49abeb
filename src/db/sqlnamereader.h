#pragma once
// Reading names back out of SQL text a user wrote (a CREATE statement, a
// LOAD's table, a live SELECT's table), so that what is written again goes
// through SqlName as owner and name rather than as the user's text.
//
// A name is a bare word (letters, digits, '_' and '$'; ASCII capitals folded
// to lower case, as the server folds them), a "delimited" identifier with its
// doubled quotes undone and its case kept, or, as an owner only, a 'quoted'
// one. An owner in a non-ANSI database folds like a name; ANSI databases,
// which fold owners to capitals, are not told apart here.
#include <QString>

#include <optional>

namespace quodlin {

struct SqlQualifiedName {
    QString owner;          // empty when the text names none
    QString name;
    qsizetype start = 0;    // where the name's text starts in the text read
    qsizetype end = 0;      // just past it
};

// Skips blanks and comments (--, {}, /* */) from `at`; the position after them.
qsizetype SkipSqlBlanks(const QString &text, qsizetype at);

// [owner.]name starting exactly at `at` (no blanks skipped before it); blanks
// may stand around the dot. Nothing when the text there is no name, a quote is
// left open, or a 'quoted' part is not followed by a dot and a name.
std::optional<SqlQualifiedName> ReadSqlQualifiedName(const QString &text, qsizetype at);

// The whole text as one [owner.]name, blanks and comments around it allowed.
std::optional<SqlQualifiedName> ParseSqlQualifiedName(const QString &text);

} // namespace quodlin
