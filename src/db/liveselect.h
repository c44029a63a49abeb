#pragma once
// Editable ("live") results: whether a SELECT reads one table plainly enough
// to write changes back, and the statements that do it.
//
// A row is found by the table's key when every key column was selected,
// else by all its values; in both cases every comparable original value
// (not floats, TEXT or BYTE) is part of the condition, so a row someone else
// changed since it was read matches nothing and the change is refused.
#include "db/dbtypes.h"
#include "db/sqlname.h"

#include <optional>

namespace quodlin {

// The statements write the table's and the columns' names through SqlName in
// the connection's style and raise its DbError when one cannot be written.
struct LiveSelect {
    QString owner;             // as the statement names it; empty when it names none
    QString table;             // the table's name (quotes undone, bare names folded)
    bool allColumns = false;   // "select *"
    QStringList columns;       // the plain column names otherwise
    qsizetype fromOffset = -1; // where the outer FROM starts in the text
};

// Only "select <columns or *> from <one table> [where ...] [order by ...]";
// anything else (joins, aliases, expressions, grouping, unions, DISTINCT,
// FIRST, INTO, a table of another database) gives nothing.
std::optional<LiveSelect> AnalyzeLiveSelect(const QString &sql);

// The same statement reading the row id as one more, last column, for tables
// without a selected key.
QString LiveSelectWithRowid(const QString &sql, const LiveSelect &live);

// A statement with :named parameters.
struct LiveStatement {
    QString sql;
    QList<DbParam> params;
};

// The condition that finds one read row: key columns (when given) and every
// comparable column, "c IS NULL" for a NULL original value.
LiveStatement LiveRowCondition(const QList<DbColumn> &columns, const QVariantList &original,
                               const QStringList &keyColumns, SqlNameStyle style);
// The row id narrows the condition to one row even among equal rows; the
// original values stay so that a row changed since it was read is refused.
LiveStatement LiveRowidCondition(const QVariant &rowid, const LiveStatement &values);
LiveStatement LiveCount(const LiveSelect &live, const LiveStatement &condition, SqlNameStyle style);
// Sets only the columns whose value changed; empty sql when none did.
LiveStatement LiveUpdate(const LiveSelect &live, const QList<DbColumn> &columns, const QVariantList &original,
                         const QVariantList &changed, const LiveStatement &condition, SqlNameStyle style);
// Inserts the columns that are not NULL, so defaults and serials apply to the
// rest; empty sql when every value is NULL.
LiveStatement LiveInsert(const LiveSelect &live, const QList<DbColumn> &columns, const QVariantList &values,
                         SqlNameStyle style);
LiveStatement LiveDelete(const LiveSelect &live, const LiveStatement &condition, SqlNameStyle style);

} // namespace quodlin
