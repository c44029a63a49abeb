#include "db/dbrowreader.h"

#include "db/dbquery.h"

#include <cstring>
#include <limits>

namespace quodlin {

namespace {

// The current row's cell of `field`, where the query reads cells; null otherwise.
const DbCell *cellOf(const DbQuery &query, const DbField &field, const DbCellRow **row)
{
    *row = field.isCalculated() ? nullptr : query.currentCells();
    if (!*row || field.index() >= int((*row)->cells.size()))
        return nullptr;
    return &(*row)->cells[size_t(field.index())];
}

} // namespace

const DbField &DbRowReader::find(const char *name) const
{
    // Each row is mostly read in the same order of fields: the search starts
    // after the field found last.
    const size_t count = m_found.size();
    for (size_t i = 0; i < count; ++i) {
        const size_t at = (m_next + i) % count;
        if (std::strcmp(m_found[at].name.constData(), name) == 0) {
            m_next = (at + 1) % count;
            return *m_found[at].field;
        }
    }
    const DbField &field = m_query.fieldByName(QString::fromLatin1(name));
    m_found.push_back({QByteArray(name), &field});
    m_next = 0;
    return field;
}

QString DbRowReader::text(const char *name) const
{
    const DbField &field = find(name);
    const DbCellRow *row = nullptr;
    const DbCell *cell = cellOf(m_query, field, &row);
    if (!cell)
        return field.value().toString();
    switch (cell->kind) {
    case DbCell::Kind::Null: return {};
    case DbCell::Kind::Text: return QString::fromUtf8(row->view(*cell));
    case DbCell::Kind::Integer: return QString::number(cell->integer);
    default: return row->variant(field.index()).toString();
    }
}

int DbRowReader::integer(const char *name) const
{
    const DbField &field = find(name);
    const DbCellRow *row = nullptr;
    const DbCell *cell = cellOf(m_query, field, &row);
    if (!cell)
        return field.value().toInt();
    switch (cell->kind) {
    case DbCell::Kind::Null: return 0;
    case DbCell::Kind::Integer:
        if (cell->integer >= std::numeric_limits<int>::min() && cell->integer <= std::numeric_limits<int>::max())
            return int(cell->integer);
        return QVariant(qlonglong(cell->integer)).toInt();
    default: return row->variant(field.index()).toInt();
    }
}

QVariant DbRowReader::value(const char *name) const
{
    const DbField &field = find(name);
    const DbCellRow *row = nullptr;
    const DbCell *cell = cellOf(m_query, field, &row);
    return cell ? row->variant(field.index()) : field.value();
}

} // namespace quodlin
