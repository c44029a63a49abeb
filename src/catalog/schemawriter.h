#pragma once
// The database's schema as re-runnable DDL, read from the catalog through the
// connection (embedded or ODBC): tables with their columns, defaults and
// constraints, indexes, sequences, views and synonyms in creation order,
// routines, triggers, roles and privileges. Every statement ends in a
// semicolon on its own line end and statements are separated by a blank line,
// so both the statement splitter and the server's command-line tool run it.
#include <QString>

namespace quodlin {

class TdmDbObjects;

struct SchemaOptions {
    QString table;   // only this table with its indexes, constraints, triggers and grants
    QString owner;   // only objects of this owner
    bool grants = true;
};

// Raises the layer's failures; raises std::runtime_error when `table` names no table.
QString WriteSchema(TdmDbObjects &module, const SchemaOptions &options = {});

// A column's type as DDL writes it: the browser's type text with a floating
// DECIMAL's precision alone, NCHAR's length and INTERVAL's leading precision.
QString DdlColumnTypeText(int coltype, int collength, int extendedId = 0);

} // namespace quodlin
