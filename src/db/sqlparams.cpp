#include "db/sqlparams.h"

namespace quodlin {

namespace {

bool isNameStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); }

// Index just past a quoted run that starts at `i` (doubled quotes escape).
qsizetype skipQuoted(const QString &s, qsizetype i)
{
    const QChar quote = s[i];
    for (++i; i < s.size(); ++i) {
        if (s[i] != quote)
            continue;
        if (i + 1 < s.size() && s[i + 1] == quote)
            ++i;
        else
            return i + 1;
    }
    return s.size();
}

} // namespace

SqlParamScan ScanSqlParams(const QString &sql)
{
    SqlParamScan scan;
    QString &out = scan.positionalSql;
    out.reserve(sql.size());
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        qsizetype end = i + 1;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            end = skipQuoted(sql, i);
        } else if (c == QLatin1Char('-') && sql.mid(i, 2) == QStringLiteral("--")) {
            end = sql.indexOf(QLatin1Char('\n'), i);
            end = end < 0 ? sql.size() : end;
        } else if (c == QLatin1Char('/') && sql.mid(i, 2) == QStringLiteral("/*")) {
            end = sql.indexOf(QStringLiteral("*/"), i + 2);
            end = end < 0 ? sql.size() : end + 2;
        } else if (c == QLatin1Char('{')) {
            end = sql.indexOf(QLatin1Char('}'), i + 1);
            end = end < 0 ? sql.size() : end + 1;
        } else if (c == QLatin1Char('?')) {
            scan.occurrences << QString();
        } else if (c == QLatin1Char(':')) {
            const bool qualifier = i > 0 && (isNameChar(sql[i - 1]) || sql[i - 1] == QLatin1Char(':'));
            const bool named = i + 1 < sql.size() && isNameStart(sql[i + 1]);
            if (!qualifier && named) {
                end = i + 1;
                while (end < sql.size() && isNameChar(sql[end]))
                    ++end;
                scan.occurrences << sql.mid(i + 1, end - i - 1);
                out += QLatin1Char('?');
                i = end;
                continue;
            }
        }
        out += QStringView(sql).mid(i, end - i);
        i = end;
    }
    return scan;
}

QStringList SqlParamNames(const QString &sql)
{
    QStringList names;
    for (const QString &name : ScanSqlParams(sql).occurrences) {
        if (name.isEmpty())
            continue;
        bool seen = false;
        for (const QString &n : names)
            seen = seen || n.compare(name, Qt::CaseInsensitive) == 0;
        if (!seen)
            names << name;
    }
    return names;
}

} // namespace quodlin
