#pragma once
// The database's schema as re-runnable DDL, read from the catalog through the
// connection (embedded or ODBC): tables with their columns, defaults and
// constraints, indexes, sequences, views and synonyms in creation order,
// routines, triggers, roles and privileges. Every statement ends in a
// semicolon on its own line end and statements are separated by a blank line,
// so both the statement splitter and the server's command-line tool run it.
#include <QString>

#include <utility>
#include <vector>

namespace quodlin {

class TdmDbObjects;

struct SchemaOptions {
    QString table;   // only this table with its indexes, constraints, triggers and grants
    QString owner;   // only objects of this owner
    bool grants = true;
    bool owners = true;  // names written with their owners
    bool absentTableIsEmpty = false;  // `table` absent reads as no items instead of failing
};

// One object of the schema as a comparison reads it, with the DDL the
// writer writes for it. Columns, constraints, indexes and table privileges
// belong to a table; a trigger to the table it fires on.
struct SchemaItem {
    // In the order a script creates them.
    enum Kind {
        Role, DatabaseGrant, RoleGrant, Sequence, Table, Column, Constraint, Index, ForeignKey,
        Synonym, View, Routine, Trigger, Grant, KindCount
    };
    Kind kind = Table;
    QString owner;
    QString name;        // a routine's with its parameter types; a privilege's "right on object to grantee"
    QString tableOwner;  // the table (view, sequence, routine) it belongs to, if any
    QString tableName;
    // A privilege as reports show it beside its object ("update to alice"),
    // and its kind ("table privilege", "column privilege", "routine privilege").
    QString label;
    QString kindName;
    // What is compared, in order: (property, value).
    std::vector<std::pair<QString, QString>> properties;
    QString create;      // the statement that makes it, without the semicolon
    QString drop;        // the statement that removes it
    QString modify;      // a column's ALTER TABLE MODIFY
    bool inTable = false;  // created by its table's CREATE TABLE (columns, keys other than foreign keys)
    int order = 0;       // creation order in its database
};

// Every object of the database (or of `options.owner`) as comparison items;
// `options.table` limits them to one table with its indexes, constraints,
// triggers and privileges (none when it is absent and `absentTableIsEmpty`).
// Raises the layer's failures.
std::vector<SchemaItem> ReadSchemaItems(TdmDbObjects &module, const SchemaOptions &options = {});

// Raises the layer's failures; raises std::runtime_error when `table` names no table.
QString WriteSchema(TdmDbObjects &module, const SchemaOptions &options = {});

// A column's type as DDL writes it: the browser's type text with a floating
// DECIMAL's precision alone, NCHAR's length and INTERVAL's leading precision.
QString DdlColumnTypeText(int coltype, int collength, int extendedId = 0);

} // namespace quodlin
