#include "db/dbquerymodel.h"

#include "db/dbdatabase.h"
#include "db/dberror.h"
#include "db/dbquery.h"

#include <QScopedValueRollback>

namespace quodlin {

DbQueryModel::DbQueryModel(DbQuery *query, QObject *parent)
    : QAbstractTableModel(parent), m_query(query)
{
    collectFields();
}

void DbQueryModel::setQuery(DbQuery *query)
{
    m_query = query;
    reset();
}

void DbQueryModel::reset()
{
    const QScopedValueRollback<bool> guard(m_changing, true);
    beginResetModel();
    collectFields();
    endResetModel();
}

void DbQueryModel::collectFields()
{
    m_fields.clear();
    m_rows = 0;
    if (!m_query || !m_query->isOpen())
        return;
    for (int i = 0; i < m_query->fieldCount(); ++i)
        if (m_query->field(i).visible())
            m_fields << i;
    m_rows = m_query->fetchedRowCount();
}

int DbQueryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DbQueryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant DbQueryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_fields.size())
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    try {
        const DbField &f = m_query->field(m_fields[index.column()]);
        return role == Qt::DisplayRole ? f.displayTextAt(index.row()) : f.editTextAt(index.row());
    } catch (const DbError &) {
        return {};  // the query closed under the view; a reset follows
    }
}

QVariant DbQueryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= m_fields.size())
        return {};
    try {
        return m_query->field(m_fields[section]).label();
    } catch (const DbError &) {
        return {};
    }
}

Qt::ItemFlags DbQueryModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && m_query && m_query->isOpen() && m_query->canModify()
        && !m_query->field(m_fields[index.column()]).isCalculated())
        f |= Qt::ItemIsEditable;
    return f;
}

bool DbQueryModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable) || index.row() >= m_rows)
        return false;
    m_lastError.clear();
    try {
        if (m_query->recNo() != index.row())
            m_query->gotoBookmark(index.row());
        m_query->field(m_fields[index.column()]).setEditText(value.toString());
    } catch (const DbError &e) {
        m_lastError = e.message();
        return false;
    }
    emit dataChanged(index.siblingAtColumn(0), index.siblingAtColumn(int(m_fields.size()) - 1));
    return true;
}

bool DbQueryModel::canFetchMore(const QModelIndex &parent) const
{
    if (m_changing || parent.isValid() || !m_query || !m_query->isOpen())
        return false;
    if (m_rows < m_query->fetchedRowCount())
        return true;
    // Reading more would use the connection a running statement holds.
    return !m_query->allFetched() && !(m_query->database() && m_query->database()->busy());
}

void DbQueryModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    try {
        if (m_rows >= m_query->fetchedRowCount())
            m_query->fetchMore(kFetchChunk);
    } catch (const DbError &) {
        // A failing fetch ends the rows the grid shows; the rows read stay.
    }
    const int available = m_query->fetchedRowCount();
    if (available <= m_rows)
        return;
    const QScopedValueRollback<bool> guard(m_changing, true);
    beginInsertRows({}, m_rows, available - 1);
    m_rows = available;
    endInsertRows();
}

} // namespace quodlin
