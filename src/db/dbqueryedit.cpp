// Editing of live results: the rows a query read are written back with
// statements that find each row by its key and original values.
#include "db/dbdatabase.h"
#include "db/dberror.h"
#include "db/dbformat.h"
#include "db/dbquery.h"

namespace quodlin {

namespace {

const QString kChangedByOthers = QStringLiteral(
    "The record was changed or deleted by another user since it was read; refresh the data and try again");

} // namespace

void DbQuery::requireModifiable() const
{
    requireOpen();
    if (!m_liveSelect)
        throw DbError(QStringLiteral("Cannot modify a read-only result"));
}

QList<DbColumn> DbQuery::resultColumns() const
{
    return m_columns;
}

LiveStatement DbQuery::rowCondition(const QVariantList &original, const QVariant &rowid) const
{
    LiveStatement condition = LiveRowCondition(resultColumns(), original, m_keyColumns, nameStyle());
    if (rowid.isValid())
        return LiveRowidCondition(rowid, condition);
    if (condition.sql.isEmpty())
        throw DbError(QStringLiteral("The record cannot be identified: it has no comparable values"));
    return condition;
}

SqlNameStyle DbQuery::nameStyle() const
{
    return SqlNameStyleOf(m_database ? m_database->connection() : nullptr);
}

QVariant DbQuery::rowidAt(int row) const
{
    return row >= 0 && row < m_rowids.size() ? m_rowids[row] : QVariant();
}

void DbQuery::runLive(const LiveStatement &statement)
{
    m_database->connection()->execute(statement.sql, statement.params);
}

// Checked before writing, so a condition that matches several rows (a table
// without a key holding equal rows) changes none of them.
void DbQuery::refuseUnlessSingleMatch(const LiveStatement &condition)
{
    const LiveStatement count = LiveCount(*m_liveSelect, condition, nameStyle());
    auto cursor = m_database->connection()->execute(count.sql, count.params);
    QVariantList row;
    const qlonglong matches = cursor && cursor->fetch(row) && !row.isEmpty() ? row[0].toLongLong() : 0;
    if (matches == 0)
        throw DbError(kChangedByOthers);
    if (matches > 1)
        throw DbError(QStringLiteral("The record cannot be identified: %1 records have the same values").arg(matches));
}

void DbQuery::edit()
{
    requireModifiable();
    if (m_state != EditState::Browse)
        return;
    if (m_current < 0)
        throw DbError(QStringLiteral("No current record"));
    m_original = m_rows[m_current];
    m_state = EditState::Edit;
}

void DbQuery::append()
{
    requireModifiable();
    postPending();
    while (ensureRow(int(m_rows.size()))) {
    }
    QVariantList empty;
    for (qsizetype i = 0; i < m_columns.size(); ++i)
        empty << QVariant();
    m_rows << empty;
    if (m_rowidColumn >= 0)
        m_rowids << QVariant();
    m_original.clear();
    m_state = EditState::Insert;
    m_eof = false;
    moveTo(int(m_rows.size()) - 1);
}

void DbQuery::setFieldValue(const QString &field, const QVariant &value)
{
    requireModifiable();
    const DbField &f = fieldByName(field);
    if (f.isCalculated())
        throw DbError(QStringLiteral("Field '%1' cannot be modified").arg(field));
    if (m_state == EditState::Browse)
        edit();
    QVariantList &row = m_rows[m_current];
    while (row.size() <= f.index())
        row << QVariant();
    row[f.index()] = value;
}

void DbField::setEditText(const QString &text)
{
    m_query->requireModifiable();
    m_query->setFieldValue(name(), DbParseEditText(m_column, text, m_query->m_formatting));
}

void DbQuery::post()
{
    requireModifiable();
    if (m_state == EditState::Browse)
        return;
    const QVariantList &values = m_rows[m_current];
    if (m_state == EditState::Insert) {
        const LiveStatement insert = LiveInsert(*m_liveSelect, resultColumns(), values, nameStyle());
        if (insert.sql.isEmpty())
            throw DbError(QStringLiteral("The new record has no values"));
        runLive(insert);
        if (m_rowidColumn >= 0) {
            // The server's ROWID of the new row, when it tells (0: it does not).
            const qint64 rowid = m_database->connection()->sqlca().sqlerrd[5];
            m_rowids[m_current] = rowid > 0 ? QVariant(rowid) : QVariant();
        }
    } else {
        const LiveStatement condition = rowCondition(m_original, rowidAt(m_current));
        const LiveStatement update = LiveUpdate(*m_liveSelect, resultColumns(), m_original, values, condition, nameStyle());
        if (!update.sql.isEmpty()) {
            refuseUnlessSingleMatch(condition);
            runLive(update);
            if (m_database->connection()->rowsAffected() != 1)
                throw DbError(kChangedByOthers);
        }
    }
    m_state = EditState::Browse;
    m_original.clear();
}

void DbQuery::cancel()
{
    if (m_state == EditState::Insert) {
        m_rows.removeAt(m_current);
        if (m_current < m_rowids.size())
            m_rowids.removeAt(m_current);
        m_state = EditState::Browse;
        m_eof = m_rows.isEmpty();
        moveTo(m_rows.isEmpty() ? -1 : qMin(m_current, int(m_rows.size()) - 1));
    } else if (m_state == EditState::Edit) {
        m_rows[m_current] = m_original;
        m_state = EditState::Browse;
    }
    m_original.clear();
}

void DbQuery::deleteRecord()
{
    requireModifiable();
    if (m_state != EditState::Browse)
        cancel();
    if (m_current < 0)
        throw DbError(QStringLiteral("No current record"));
    const LiveStatement condition = rowCondition(m_rows[m_current], rowidAt(m_current));
    refuseUnlessSingleMatch(condition);
    runLive(LiveDelete(*m_liveSelect, condition, nameStyle()));
    if (m_database->connection()->rowsAffected() != 1)
        throw DbError(kChangedByOthers);
    const int at = m_current;
    m_rows.removeAt(at);
    if (at < m_rowids.size())
        m_rowids.removeAt(at);
    m_current = -1;
    const int target = ensureRow(at) ? at : int(m_rows.size()) - 1;
    m_eof = target < 0;
    moveTo(target);
}

void DbQuery::postPending()
{
    if (m_state != EditState::Browse)
        post();
}

} // namespace quodlin
