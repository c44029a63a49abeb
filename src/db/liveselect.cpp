#include "db/liveselect.h"

#include "db/sqlnamereader.h"

#include <QRegularExpression>

namespace quodlin {

namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$')
        || c == QLatin1Char('.') || c == QLatin1Char(':');
}

// Words (qualified names kept whole), punctuation characters, and one
// placeholder token per string literal; comments dropped. Depth counts
// parentheses so only the outer statement's words are judged.
struct Token {
    QString text;
    int depth;
    qsizetype pos;
};

QList<Token> tokenize(const QString &sql)
{
    QList<Token> tokens;
    int depth = 0;
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('-') && sql.mid(i, 2) == QStringLiteral("--")) {
            const qsizetype end = sql.indexOf(QLatin1Char('\n'), i);
            i = end < 0 ? sql.size() : end;
        } else if (c == QLatin1Char('{')) {
            const qsizetype end = sql.indexOf(QLatin1Char('}'), i);
            i = end < 0 ? sql.size() : end + 1;
        } else if (c == QLatin1Char('/') && sql.mid(i, 2) == QStringLiteral("/*")) {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i);
            i = end < 0 ? sql.size() : end + 2;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            qsizetype j = i + 1;
            while (j < sql.size() && !(sql[j] == c && (j + 1 >= sql.size() || sql[j + 1] != c)))
                j += sql[j] == c ? 2 : 1;
            tokens << Token{QStringLiteral("'"), depth, i};
            i = j + 1;
        } else if (isWordChar(c)) {
            qsizetype j = i;
            while (j < sql.size() && isWordChar(sql[j]))
                ++j;
            tokens << Token{sql.mid(i, j - i), depth, i};
            i = j;
        } else {
            if (c == QLatin1Char(')'))
                --depth;
            tokens << Token{QString(c), depth, i};
            if (c == QLatin1Char('('))
                ++depth;
            ++i;
        }
    }
    return tokens;
}

bool is(const Token &t, const char *word) { return t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0; }

bool isName(const QString &text)
{
    static const QRegularExpression name(QStringLiteral("^[A-Za-z_][A-Za-z0-9_$]*$"));
    return name.match(text).hasMatch();
}

bool isComparable(DbFieldType type)
{
    return type != DbFieldType::Float && type != DbFieldType::Memo && type != DbFieldType::Blob
        && type != DbFieldType::Unknown;
}

} // namespace

std::optional<LiveSelect> AnalyzeLiveSelect(const QString &sql)
{
    const QList<Token> tokens = tokenize(sql);
    if (tokens.size() < 4 || !is(tokens[0], "select"))
        return std::nullopt;
    LiveSelect live;
    qsizetype i = 1;
    for (;; ++i) {
        if (i >= tokens.size())
            return std::nullopt;
        const Token &t = tokens[i];
        if (t.text == QStringLiteral("*")) {
            live.allColumns = true;
        } else {
            const QString column = t.text.section(QLatin1Char('.'), -1);
            if (!isName(column) || is(t, "distinct") || is(t, "unique") || is(t, "first")
                || is(t, "skip") || is(t, "all") || is(t, "from"))
                return std::nullopt;
            live.columns << column;
        }
        if (i + 1 >= tokens.size())
            return std::nullopt;
        if (is(tokens[i + 1], "from"))
            break;
        if (tokens[i + 1].text != QStringLiteral(","))
            return std::nullopt;
        ++i;
    }
    if (live.allColumns && !live.columns.isEmpty())
        return std::nullopt;
    live.fromOffset = tokens[i + 1].pos;
    i += 2;  // past FROM
    if (i >= tokens.size() || tokens[i].text == QStringLiteral("("))
        return std::nullopt;
    if (tokens[i].text.contains(QLatin1Char(':')) || tokens[i].text.contains(QLatin1Char('@')))
        return std::nullopt;
    const std::optional<SqlQualifiedName> table = ReadSqlQualifiedName(sql, tokens[i].pos);
    if (!table)
        return std::nullopt;
    live.owner = table->owner;
    live.table = table->name;
    while (i < tokens.size() && tokens[i].pos < table->end)
        ++i;
    if (i < tokens.size() && !is(tokens[i], "where") && !is(tokens[i], "order") && tokens[i].text != QStringLiteral(";"))
        return std::nullopt;
    for (; i < tokens.size(); ++i) {
        const Token &t = tokens[i];
        if (t.depth == 0 && (is(t, "group") || is(t, "having") || is(t, "union") || is(t, "into")
                             || is(t, "intersect") || is(t, "except") || is(t, "minus")))
            return std::nullopt;
    }
    return live;
}

LiveStatement LiveRowCondition(const QList<DbColumn> &columns, const QVariantList &original,
                               const QStringList &keyColumns, SqlNameStyle style)
{
    LiveStatement cond;
    QStringList terms;
    for (int i = 0; i < columns.size() && i < original.size(); ++i) {
        const bool key = keyColumns.contains(columns[i].name, Qt::CaseInsensitive);
        if (!key && !isComparable(columns[i].type))
            continue;
        if (!original[i].isValid()) {
            terms << SqlName(columns[i].name, style) + QStringLiteral(" IS NULL");
            continue;
        }
        const QString param = QStringLiteral("w%1").arg(i);
        terms << QStringLiteral("%1 = :%2").arg(SqlName(columns[i].name, style), param);
        cond.params << DbParam{param, original[i]};
    }
    cond.sql = terms.join(QStringLiteral(" AND "));
    return cond;
}

QString LiveSelectWithRowid(const QString &sql, const LiveSelect &live)
{
    if (live.fromOffset < 0)
        return sql;
    QString text = sql;
    text.insert(live.fromOffset, QStringLiteral(", rowid "));
    return text;
}

LiveStatement LiveRowidCondition(const QVariant &rowid, const LiveStatement &values)
{
    LiveStatement cond;
    cond.sql = QStringLiteral("rowid = :rid");
    cond.params << DbParam{QStringLiteral("rid"), rowid};
    if (!values.sql.isEmpty()) {
        cond.sql += QStringLiteral(" AND ") + values.sql;
        cond.params += values.params;
    }
    return cond;
}

LiveStatement LiveCount(const LiveSelect &live, const LiveStatement &condition, SqlNameStyle style)
{
    return {QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(SqlName(live.owner, live.table, style), condition.sql),
            condition.params};
}

LiveStatement LiveUpdate(const LiveSelect &live, const QList<DbColumn> &columns, const QVariantList &original,
                         const QVariantList &changed, const LiveStatement &condition, SqlNameStyle style)
{
    LiveStatement st;
    QStringList sets;
    for (int i = 0; i < columns.size() && i < changed.size(); ++i) {
        const QVariant before = i < original.size() ? original[i] : QVariant();
        if (before.isValid() == changed[i].isValid() && before == changed[i])
            continue;
        const QString param = QStringLiteral("s%1").arg(i);
        sets << QStringLiteral("%1 = :%2").arg(SqlName(columns[i].name, style), param);
        st.params << DbParam{param, changed[i]};
    }
    if (sets.isEmpty())
        return {};
    st.sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                 .arg(SqlName(live.owner, live.table, style), sets.join(QStringLiteral(", ")), condition.sql);
    st.params += condition.params;
    return st;
}

LiveStatement LiveInsert(const LiveSelect &live, const QList<DbColumn> &columns, const QVariantList &values,
                         SqlNameStyle style)
{
    LiveStatement st;
    QStringList names, markers;
    for (int i = 0; i < columns.size() && i < values.size(); ++i) {
        if (!values[i].isValid())
            continue;
        const QString param = QStringLiteral("s%1").arg(i);
        names << SqlName(columns[i].name, style);
        markers << QLatin1Char(':') + param;
        st.params << DbParam{param, values[i]};
    }
    if (!names.isEmpty())
        st.sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                     .arg(SqlName(live.owner, live.table, style), names.join(QStringLiteral(", ")),
                          markers.join(QStringLiteral(", ")));
    return st;
}

LiveStatement LiveDelete(const LiveSelect &live, const LiveStatement &condition, SqlNameStyle style)
{
    return {QStringLiteral("DELETE FROM %1 WHERE %2").arg(SqlName(live.owner, live.table, style), condition.sql),
            condition.params};
}

} // namespace quodlin
