#include "workspace/sqlsyntax.h"

#include <QSet>

namespace quodlin {

namespace {

const QSet<QString> &keywords()
{
    static const QSet<QString> set = [] {
        const char *const words[] = {
            // statements and clauses
            "ADD", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "AVOID_EXECUTE", "BETWEEN", "BY", "CASCADE",
            "CASE", "CHECK", "CLOSE", "COLUMN", "COMMIT", "CONNECT", "CONSTRAINT", "CREATE", "CROSS",
            "CURRENT", "CURSOR", "DATABASE", "DBA", "DECLARE", "DEFAULT", "DELETE", "DESC", "DISTINCT",
            "DROP", "EACH", "ELSE", "END", "ESCAPE", "EXECUTE", "EXISTS", "EXPLAIN", "EXTEND", "FETCH",
            "FIRST", "FOR", "FOREIGN", "FRAGMENT", "FROM", "FULL", "FUNCTION", "GRANT", "GROUP", "HAVING",
            "IF", "IN", "INDEX", "INNER", "INSERT", "INSTEAD", "INTO", "IS", "JOIN", "KEY", "LEFT", "LIKE",
            "LIMIT", "LOCK", "MATCHES", "MODE", "MODIFY", "NEW", "NEXT", "NOT", "NULL", "OF", "OFF", "OLD",
            "ON", "OPEN", "OPTION", "OR", "ORDER", "OUTER", "PRIMARY", "PRIVILEGES", "PROCEDURE", "PUBLIC",
            "REFERENCES", "REFERENCING", "RENAME", "RESOURCE", "REVOKE", "RIGHT", "ROLE", "ROLLBACK", "ROW",
            "SCHEMA", "SELECT", "SEQUENCE", "SET", "SKIP", "STATISTICS", "SYNONYM", "TABLE", "TEMP", "THEN",
            "TO", "TODAY", "TRIGGER", "UNION", "UNIQUE", "UPDATE", "USER", "USING", "VALUES", "VIEW", "WAIT",
            "WHEN", "WHERE", "WITH", "WORK", "BEGIN", "TRANSACTION", "STATEMENT", "BEFORE", "AFTER",
            "DORMANT", "ENABLED", "DISABLED", "FILE", "APPEND", "LISTING", "SPECIFIC", "ROUTINE", "HIGH",
            "MEDIUM", "LOW", "ISOLATION", "READ", "DIRTY", "COMMITTED", "REPEATABLE", "SERIALIZABLE",
            // SPL
            "CALL", "CONTINUE", "DEFINE", "EXCEPTION", "EXIT", "FOREACH", "GLOBAL", "LET", "LOOP", "ON",
            "RAISE", "RETURN", "RETURNING", "RETURNS", "RESUME", "SYSTEM", "TRACE", "WHILE", "ELIF", "LIKE",
            "DEBUG", "REFERENCES", "DOCUMENT",
            // types
            "BIGINT", "BIGSERIAL", "BLOB", "BOOLEAN", "BYTE", "CHAR", "CHARACTER", "CLOB", "DATE",
            "DATETIME", "DAY", "DEC", "DECIMAL", "DOUBLE", "FLOAT", "FRACTION", "HOUR", "INT", "INT8",
            "INTEGER", "INTERVAL", "LVARCHAR", "MINUTE", "MONEY", "MONTH", "NCHAR", "NUMERIC", "NVARCHAR",
            "PRECISION", "REAL", "SECOND", "SERIAL", "SERIAL8", "SMALLFLOAT", "SMALLINT", "TEXT", "VARCHAR",
            "YEAR",
        };
        QSet<QString> s;
        for (const char *w : words)
            s.insert(QString::fromLatin1(w));
        return s;
    }();
    return set;
}

bool isWordStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); }

// Scans to the end of a comment or string; returns the index after it, or -1
// when the line ends first.
qsizetype closeOf(QStringView line, qsizetype from, int state)
{
    switch (state) {
    case SqlStateBraceComment: {
        const qsizetype at = line.indexOf(QLatin1Char('}'), from);
        return at < 0 ? -1 : at + 1;
    }
    case SqlStateBlockComment: {
        const qsizetype at = line.indexOf(QLatin1String("*/"), from);
        return at < 0 ? -1 : at + 2;
    }
    default: {
        const QChar quote = state == SqlStateSingleQuote ? QLatin1Char('\'') : QLatin1Char('"');
        for (qsizetype i = from; i < line.size(); ++i) {
            if (line[i] != quote)
                continue;
            // A doubled quote stays inside the literal.
            if (i + 1 < line.size() && line[i + 1] == quote) {
                ++i;
                continue;
            }
            return i + 1;
        }
        return -1;
    }
    }
}

SqlTokenKind kindOf(int state)
{
    return state == SqlStateSingleQuote || state == SqlStateDoubleQuote ? SqlTokenKind::String
                                                                        : SqlTokenKind::Comment;
}

} // namespace

const QStringList &SqlKeywords()
{
    static const QStringList sorted = [] {
        QStringList list = keywords().values();
        list.sort();
        return list;
    }();
    return sorted;
}

bool IsSqlKeyword(QStringView word)
{
    if (word.size() > 16)
        return false;
    return keywords().contains(word.toString().toUpper());
}

int TokenizeSqlLine(QStringView line, int state, QList<SqlToken> &tokens)
{
    const qsizetype n = line.size();
    qsizetype i = 0;
    auto add = [&](qsizetype start, qsizetype end, SqlTokenKind kind) {
        tokens.append(SqlToken{int(start), int(end - start), kind});
    };
    if (state != SqlStateNormal) {
        const qsizetype end = closeOf(line, 0, state);
        if (end < 0) {
            add(0, n, kindOf(state));
            return state;
        }
        add(0, end, kindOf(state));
        i = end;
    }
    while (i < n) {
        const QChar c = line[i];
        int opened = SqlStateNormal;
        qsizetype bodyFrom = i + 1;
        if (c == QLatin1Char('-') && i + 1 < n && line[i + 1] == QLatin1Char('-')) {
            add(i, n, SqlTokenKind::Comment);
            return SqlStateNormal;
        }
        if (c == QLatin1Char('{'))
            opened = SqlStateBraceComment;
        else if (c == QLatin1Char('/') && i + 1 < n && line[i + 1] == QLatin1Char('*')) {
            opened = SqlStateBlockComment;
            bodyFrom = i + 2;
        } else if (c == QLatin1Char('\''))
            opened = SqlStateSingleQuote;
        else if (c == QLatin1Char('"'))
            opened = SqlStateDoubleQuote;
        if (opened != SqlStateNormal) {
            const qsizetype end = closeOf(line, bodyFrom, opened);
            if (end < 0) {
                add(i, n, kindOf(opened));
                return opened;
            }
            add(i, end, kindOf(opened));
            i = end;
            continue;
        }
        if (isWordStart(c)) {
            qsizetype end = i + 1;
            while (end < n && isWordChar(line[end]))
                ++end;
            if (IsSqlKeyword(line.mid(i, end - i)))
                add(i, end, SqlTokenKind::Keyword);
            i = end;
            continue;
        }
        if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && line[i + 1].isDigit())) {
            qsizetype end = i + 1;
            while (end < n && (line[end].isDigit() || line[end] == QLatin1Char('.')))
                ++end;
            if (end < n && (line[end] == QLatin1Char('e') || line[end] == QLatin1Char('E'))) {
                qsizetype exp = end + 1;
                if (exp < n && (line[exp] == QLatin1Char('+') || line[exp] == QLatin1Char('-')))
                    ++exp;
                if (exp < n && line[exp].isDigit()) {
                    end = exp;
                    while (end < n && line[end].isDigit())
                        ++end;
                }
            }
            // Digits that run into a word are part of a name (t1x), not a number.
            if (end < n && isWordChar(line[end])) {
                while (end < n && isWordChar(line[end]))
                    ++end;
            } else {
                add(i, end, SqlTokenKind::Number);
            }
            i = end;
            continue;
        }
        ++i;
    }
    return SqlStateNormal;
}

} // namespace quodlin
