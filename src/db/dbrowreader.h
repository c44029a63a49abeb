#pragma once
// Reads the current row of a query that is walked once from first to last
// (catalog reads of tens of thousands of rows) by field name, giving what
// the field's value() would, converted as QVariant::toString() and toInt()
// convert it. Each name is looked up once per statement instead of on every
// row, and a forward-only query's values come straight from its cells
// without a QVariant each: field lookups by name were a quarter of writing
// a 10,000-table schema.
#include <QString>
#include <QVariant>

#include <vector>

namespace quodlin {

class DbField;
class DbQuery;
struct DbCell;
struct DbCellRow;

class DbRowReader {
public:
    // `query` is open; its fields stay as they are while the reader is used.
    explicit DbRowReader(const DbQuery &query) : m_query(query) {}

    // Raise DbError when the query has no such field.
    QString text(const char *field) const;  // NULL: empty
    int integer(const char *field) const;   // NULL or not a number: 0
    QVariant value(const char *field) const;

private:
    struct Found {
        QByteArray name;
        const DbField *field;
    };
    // The field of `name` and, where the query reads cells, the current row and its cell.
    struct Current {
        const DbField *field;
        const DbCellRow *row;
        const DbCell *cell;
    };
    Current current(const char *name) const;
    const DbField &find(const char *name) const;

    const DbQuery &m_query;
    mutable std::vector<Found> m_found;
    mutable size_t m_next = 0;
};

} // namespace quodlin
