#pragma once
// Helpers shared by the DDL units: catalog row writers, the SQLite table
// definition generated from the catalog, and constraint creation.
#include "engine/session.h"
#include "engine/sqlite_util.h"

#include <string>
#include <vector>

namespace quodlin::engine::ddl {

// Re-raises a value conversion failure at `offset`.
template <typename F>
auto at(int offset, F &&f) -> decltype(f())
{
    try {
        return f();
    } catch (const EngineError &e) {
        if (e.offset() >= 0)
            throw;
        ErrorInfo info = e.info();
        info.offset = offset;
        throw EngineError(info);
    }
}

// Catalog texts (view, routine, trigger, check) are kept in CHAR rows of
// `width` bytes, which readers get back without their trailing blanks. A row
// ends at a character boundary; where the next letter is beyond ASCII and
// would not fit, the row ends short, before any blanks that precede that
// letter. So a reader pads a row to the width unless the next row's leading
// blanks and first letter beyond ASCII would not have fitted after it. Texts
// of ASCII are cut as before. (A run of nearly a row of blanks before such a
// letter at a cut is the one case left ambiguous.)
std::vector<std::string> textChunks(const std::string &text, std::size_t width);
// The rows glued back by that rule.
std::string joinChunks(const std::vector<std::string> &rows, std::size_t width);

// The SQLite literal a DEFAULT of the column stores; empty when the default is
// not a constant (USER, TODAY, CURRENT ... are filled by the INSERT translation).
std::string defaultLiteral(const ColumnInfo &c, const Environment &env);

// CREATE TABLE text for SQLite from catalog facts; column `rowKey` (a colno,
// 0 for none) becomes the table's INTEGER PRIMARY KEY.
std::string tableSql(const std::string &qualifiedName, const std::vector<ColumnInfo> &columns,
                     const std::vector<std::pair<std::string, std::string>> &checks, const Environment &env,
                     int rowKey = 0);
// The column a table's constraints make its row key: the column of a
// single-column primary key of an integer type, else 0.
int rowKeyOf(SessionImpl &s, const TableInfo &t);

// Check constraints of a table as (name, SQLite condition), from syschecks.
std::vector<std::pair<std::string, std::string>> checkSql(SessionImpl &s, const TableInfo &t);

// Writes the sysindexes (or temp index) row and creates the SQLite index.
void writeIndex(SessionImpl &s, const TableInfo &t, const IndexInfo &ix);
void createSqliteIndex(SessionImpl &s, const TableInfo &t, const IndexInfo &ix, int offset);
std::string sqliteIndexName(const std::string &idxname);
// Drops the SQLite index of an Informix index and its NULL-key triggers.
void dropSqliteIndex(SessionImpl &s, bool temp, const std::string &idxname);

// Deletes a constraint's catalog rows and its index (when the index exists
// only for it); referencing foreign keys of a dropped PK/UNIQUE go too.
void dropConstraint(SessionImpl &s, const ConstraintInfo &c, std::vector<int> &touchedTabids);

// Catalog counts kept in systables.
void refreshTableCounts(SessionImpl &s, int tabid);

// Adds a table constraint (PRIMARY KEY, UNIQUE, CHECK, FOREIGN KEY, NOT NULL
// of a column) to the catalog of table `t`; returns its constrid.
int addConstraint(SessionImpl &s, TableInfo &t, const ast::Constraint &c, const std::vector<int> &colnos,
                  const std::string &text);

// Rewrites the SQLite table of `t` from the catalog keeping rowids, in the
// layout its constraints give now (the row key may come or go).
void rebuildTable(SessionImpl &s, const TableInfo &before, const TableInfo &after);

std::string lower(std::string s);

// A column's syscolumns row with its sysdefaults and sysblobs rows.
void writeColumn(SessionImpl &s, int tabid, const ColumnInfo &c);
// Column facts from a definition; checks DEFAULT rules (-592, -593).
ColumnInfo columnFromDef(SessionImpl &s, const ast::ColumnDef &def, int colno);

} // namespace quodlin::engine::ddl
