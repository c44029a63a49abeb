#pragma once
// The fixed catalog statements of the object browser as plain data: each
// query's name, its data source, its master, the statement text sent to the
// server exactly as written, and its fields in declared order (the column
// order of the detail grids) with labels, sizes, display widths and hidden
// flags. TdmDbObjects builds its query objects from this table; the page-set
// description, the command-line tool and the benchmarks read the same table.
// The window does not read it: it asks the module for its queries.
#include <QList>
#include <QString>

namespace quodlin {

enum class CatalogFieldType { String, Integer, SmallInt, Memo, Calculated };

struct CatalogField {
    QString name;
    CatalogFieldType type = CatalogFieldType::String;
    int size = 0;          // characters of a string, memo or calculated field
    QString label;
    int displayWidth = 0;  // characters where declared, else 0
    bool hidden = false;
};

struct CatalogQuery {
    QString name;          // "qryTable"
    QString dataSource;    // "dsTable"; empty when no data source is declared
    QString master;        // name of the master query; empty when none
    QString sql;           // empty only for qryCompile
    QList<CatalogField> fields;

    const CatalogField *field(const QString &fieldName) const;
    // Labels of the fields that are grid columns, in order.
    QStringList visibleLabels() const;
};

// Every query of the module in declaration order, qryCompile last.
const QList<CatalogQuery> &CatalogQueries();
// Null for an unknown name.
const CatalogQuery *FindCatalogQuery(const QString &name);

} // namespace quodlin
