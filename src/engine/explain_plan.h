#pragma once
// SET EXPLAIN's reading of SQLite's plan: EXPLAIN QUERY PLAN of a statement's
// translation as blocks (the statement, its subqueries, the parts of a
// compound) of table accesses with the indexes they use. Internal to
// explain.cpp, which places the statement's predicates on them.
#include "engine/ast.h"

#include <string>
#include <vector>

struct sqlite3;

namespace quodlin::engine::explain {

// A condition of the statement (one conjunct of a WHERE or ON) and the
// query block it belongs to.
struct Conjunct {
    const ast::Expr *expr = nullptr;
    int core = 0;
    bool outerOn = false;  // from the ON clause of an outer join
};

struct PlanRow {
    int id = 0;
    int parent = 0;
    std::string detail;
};

struct IndexUse {
    std::string sqliteName;            // empty for an automatic index
    bool covering = false;
    std::vector<std::string> columns;  // constrained key columns, in order
    size_t equalities = 0;             // leading columns matched with =
};

struct Access {
    enum class Kind { Sequential, Index, AutoIndex, Rowid };
    Kind kind = Kind::Sequential;
    std::string name;       // table or alias as SQLite names it
    std::vector<IndexUse> uses;
    int table = -1;         // Model::tables
    bool viaView = false;   // a base table read for the view `table`
    int pos = 0;            // plan order over all blocks
    // filled when the predicates are placed
    std::vector<const Conjunct *> filters;
    std::vector<std::string> lower, upper;
    std::vector<const Conjunct *> indexed;
};

struct Block {
    enum class Kind { Main, Subquery, Union };
    Kind kind = Kind::Main;
    std::vector<Access> accesses;
    bool orderBy = false, groupBy = false;
    std::vector<Block> children;
    double cost = 0, rows = 0;
};

// The plan of `sql` as SQLite would run it; an empty block when SQLite
// cannot prepare it (an entry without table lines beats failing the
// user's statement).
Block readPlan(sqlite3 *db, const std::string &sql);

// Cost, rows and sorts of a query block, then a blank line.
std::string summary(const Block &b, const std::string &in);

} // namespace quodlin::engine::explain
