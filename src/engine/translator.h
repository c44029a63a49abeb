#pragma once
// Translation of parsed queries and DML into SQLite SQL. Resolves names
// against the catalog (-206, -217, -324), rewrites Informix OUTER joins into
// LEFT JOINs with the subservient predicates in the ON clause, expands `*`,
// maps the dialect's operators and functions onto the SQLite functions of
// sqlfunctions.h, converts DATE strings with DBDATE, and describes the result
// columns as Informix would. The result depends only on the statement, the
// catalog version and the environment, so the session may cache it by text.
#include "engine/ast.h"
#include "engine/catalog.h"
#include "engine/engine.h"

#include <string>
#include <vector>

struct sqlite3;

namespace quodlin::engine {

struct TranslationContext {
    Catalog &catalog;
    const Environment &env;
    std::string user;
    // Runtime errors of the SQL point at the expression that raised them;
    // only for SQL run once for the text translated (not a view's or a
    // constraint's stored SQL).
    bool errorOffsets = false;
};

struct Translation {
    std::string sql;                         // one SQLite statement; parameters as ?N (N = Informix order, 1-based)
    int parameterCount = 0;
    bool returnsRows = false;
    std::vector<ColumnDescription> columns;  // SELECT result description
    // SELECT ... INTO TEMP: `sql` creates the table in the temp schema; the
    // session registers it under this name with `tempColumns`.
    std::string intoTemp;
    std::vector<ColumnInfo> tempColumns;
    // When set, `sql` only declares the table (column collations, which
    // CREATE TABLE AS drops) and this SELECT then fills it.
    std::string tempSelect;
    // INSERT/UPDATE/DELETE: the target table.
    std::string targetTable;
    int targetTabid = 0;
    // INSERT ... VALUES whose values include bare parameters: `plainSql` has
    // those parameters without their ifx_store() wrapper, and the statement
    // converts them to `storeTypes` when binding. Saves one SQLite function
    // call per value (100k three-column INSERTs: 112 -> 70 ms); a value that
    // would fail to convert runs `sql` instead, so errors stay as they were.
    std::string plainSql;
    struct StoredParam {
        int param = 0;  // N of ?N
        TypeDesc type;
        bool rowKey = false;  // a NULL goes through `sql`, which refuses it
        // A SERIAL column's value: the counter steps as quodlin_serial would.
        int serialTabid = 0, serialColno = 0;
    };
    std::vector<StoredParam> storeTypes;
    // MERGE: its SQLite statements, run in order as one statement (`sql`
    // stays empty). The rowids a step returns (its INSERT's) are the rows
    // the later steps leave alone.
    std::vector<std::string> steps;
};

// Translates SELECT, INSERT, UPDATE, DELETE and MERGE; other statement kinds are
// the session's (raises -201 when handed one).
Translation translate(const ast::Statement &statement, TranslationContext &ctx);

// A SELECT without FROM of `exprs` (SPL expressions); an expression with a
// `storeAs` type other than TNull is converted as storing it in a column of
// that type converts it.
Translation translateValues(const std::vector<const ast::Expr *> &exprs, const std::vector<TypeDesc> &storeAs,
                            TranslationContext &ctx);

// An expression over the columns of one table (CHECK constraints, DEFAULT
// literals) as SQLite SQL; column names stay unqualified.
std::string translateExpression(const ast::Expr &expr, const TableInfo &table, TranslationContext &ctx);

// Result description of a SQLite-typed value for expressions: the Informix
// type an expression has (used for CAST and INTO TEMP columns too).
ColumnDescription describeType(const TypeDesc &type, const std::string &name);

} // namespace quodlin::engine
