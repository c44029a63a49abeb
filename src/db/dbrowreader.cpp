#include "db/dbrowreader.h"

#include "db/dbquery.h"

#include <cstring>
#include <limits>

namespace quodlin {

DbRowReader::Current DbRowReader::current(const char *name) const
{
    Current c{&find(name), nullptr, nullptr};
    c.row = c.field->isCalculated() ? nullptr : m_query.currentCells();
    if (c.row && c.field->index() < int(c.row->cells.size()))
        c.cell = &c.row->cells[size_t(c.field->index())];
    return c;
}

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
    const Current c = current(name);
    if (!c.cell)
        return c.field->value().toString();
    switch (c.cell->kind) {
    case DbCell::Kind::Null: return {};
    case DbCell::Kind::Text: return QString::fromUtf8(c.row->view(*c.cell));
    case DbCell::Kind::Integer: return QString::number(c.cell->integer);
    default: return c.row->variant(c.field->index()).toString();
    }
}

int DbRowReader::integer(const char *name) const
{
    const Current c = current(name);
    if (!c.cell)
        return c.field->value().toInt();
    const qint64 v = c.cell->integer;
    switch (c.cell->kind) {
    case DbCell::Kind::Null: return 0;
    case DbCell::Kind::Integer:
        if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
            return int(v);
        break;
    default: break;
    }
    return c.row->variant(c.field->index()).toInt();
}

QVariant DbRowReader::value(const char *name) const
{
    const Current c = current(name);
    return c.cell ? c.row->variant(c.field->index()) : c.field->value();
}

} // namespace quodlin
