#pragma once
#include <cstdint>
// The translator's shared state, split over translate_*.cpp: name scopes,
// the expression translator with its type inference, and the SELECT/DML
// builders. Internal to the front end; callers use translator.h.
#include "engine/ast.h"
#include "engine/translator.h"

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quodlin::engine {

// An SQL fragment with the Informix type it has.
struct Typed {
    std::string sql;
    TypeDesc type{TNull, 0, 0};
    bool aggregate = false;
    bool nullable = true;
    const ColumnInfo *column = nullptr;   // a plain column reference
    std::string baseTable;                // its table
    bool literal = false;                 // a literal string/number (converted at translation time)
    std::string literalText;
    // An overflow check or collation around `sql` that only the outermost
    // arithmetic needs: nested operators strip it (SQLite's parser stack
    // limits the nesting of long sums).
    std::uint16_t wrapPrefix = 0, wrapSuffix = 0;
};

struct Hierarchy;
struct ComplexType;

// One table (or derived table) visible in a query block.
struct ScopeTable {
    std::string alias;        // what qualifiers match: the alias, else the table name
    std::string tableName;    // base name (for ColumnDescription.tableName)
    std::string owner;
    std::string sqlRef;       // the quoted name used in generated SQL
    const TableInfo *info = nullptr;
    std::vector<ColumnInfo> derivedColumns;  // derived tables
    int group = 0;            // OUTER group the table belongs to (0: dominant)
    bool outer = false;       // inside an OUTER group or on the optional side of an ANSI join
    std::vector<Typed> columnSql;  // per column, its SQL when not sqlRef.column (a view being changed)

    const std::vector<ColumnInfo> &columns() const { return info ? info->columns : derivedColumns; }
};

struct Scope {
    Scope *parent = nullptr;
    std::vector<ScopeTable> tables;
    std::vector<int> *refs = nullptr;        // collects indexes of tables referenced (OUTER analysis)
    const std::vector<std::string> *labels = nullptr;  // select-list labels (ORDER/GROUP BY)
    // Collects this block's columns that a subquery reads outside aggregates
    // (SQL and reference), for the grouping check of select items.
    std::vector<std::pair<std::string, const ast::Expr *>> *outerRefs = nullptr;
    const Hierarchy *hierarchy = nullptr;    // a hierarchical query's block: its pseudo columns
};

// What the pseudo columns and operators of a hierarchical query stand for
// where they are translated (translate_hierarchy.cpp); an empty text is
// not available there (-201).
struct Hierarchy {
    std::string level, isLeaf, isCycle;
    std::map<const ast::Expr *, Typed> computed;  // CONNECT_BY_ROOT and SYS_CONNECT_BY_PATH nodes
    Scope *prior = nullptr;                       // the parent row, inside CONNECT BY
};

// Counts a recursion's depth (per thread, so translations started inside a
// translation count too) while it lives; past `limit` levels it fails with
// -9622 naming the limit, before the recursion can exhaust a small stack (a
// worker thread's, a sanitizer build's larger frames).
class NestingGuard {
public:
    NestingGuard(int &depth, int limit, const char *what, int offset);
    ~NestingGuard() { --m_depth; }
    NestingGuard(const NestingGuard &) = delete;
    NestingGuard &operator=(const NestingGuard &) = delete;

private:
    int &m_depth;
};

class Translator {
public:
    explicit Translator(TranslationContext &ctx) : m_ctx(ctx) {}

    // translate_select.cpp
    struct SelectResult {
        std::string sql;
        std::vector<ColumnDescription> columns;
        std::vector<TypeDesc> types;
        std::vector<std::string> itemSql;   // per column, its SQL
        std::vector<std::string> grouped;   // SQL of the grouped expressions of a grouped query
    };
    SelectResult select(const ast::SelectStmt &s, Scope *parent, const std::vector<std::string> *forcedNames = nullptr);
    SelectResult selectCore(const ast::SelectCore &c, Scope &scope, const std::vector<std::string> *forcedNames,
                            std::vector<std::string> &labels);
    // Raises -294 for a column neither grouped nor aggregated (select list,
    // HAVING); `grouped` gets the SQL of what is grouped, empty when the
    // query is not grouped.
    using OuterRefs = std::vector<std::pair<std::string, const ast::Expr *>>;
    void checkGrouping(const ast::SelectCore &c, Scope &scope, const std::vector<std::string> &itemSql,
                       const std::vector<bool> &itemAggregate, const std::vector<OuterRefs> &itemOuterRefs,
                       std::vector<std::string> &grouped);
    // -294 for an ORDER BY of a grouped query that reads a column not grouped.
    void checkGroupedOrder(const ast::Expr &e, Scope &scope, const std::vector<std::string> &grouped);
    void fromClause(const ast::SelectCore &c, Scope &scope, std::string &from, std::string &where);
    std::string whereCondition(const ast::Expr &e, Scope &scope);
    void addTable(const ast::FromItem &item, Scope &scope, int group, bool outer, const SelectResult *derived);
    std::string joinSql(const ast::FromItem &item, Scope &scope, int group, bool outer);
    const TableInfo &lookupTable(const ast::ObjectName &name);

    // translate_expr.cpp
    Typed expr(const ast::Expr &e, Scope &scope);
    Typed column(const ast::Expr &e, Scope &scope);
    Typed function(const ast::Expr &e, Scope &scope);
    // translate_window.cpp: an OLAP function with its OVER clause.
    Typed window(const ast::Expr &e, Scope &scope);
    Typed binary(const ast::Expr &e, Scope &scope);
    Typed compare(const ast::Expr &e, Scope &scope);
    std::string subquery(const ast::SelectStmt &s, Scope &scope, std::vector<TypeDesc> *types = nullptr);
    // A character value converted to a number for a comparison (-1213 when it is none).
    std::string asNumber(const std::string &sql, int offset);
    // `value` converted for a place of `type` (a column, or the other side of a comparison).
    std::string convertTo(const Typed &value, const TypeDesc &type, int offset);
    // A value for a collection or ROW type `type` (of `column`, when stored).
    std::string complexValue(const Typed &value, const TypeDesc &type, const std::string &column, int offset,
                             const ComplexType *given = nullptr);
    std::string storeValue(const Typed &value, const ColumnInfo &col, int offset);
    // `value` as exact decimal text (decimal.h): literals converted now,
    // other numbers and numeric text by ifx_dec (-1213 at `offset`).
    std::string decimalSql(const Typed &value, int offset);
    // One branch of CASE/NVL/DECODE in the type of the whole: decimal text
    // for a decimal result, a REAL for a FLOAT one.
    std::string branchSql(const Typed &value, const TypeDesc &result, int offset);
    // Both sides of a comparison with a DECIMAL side compared as decimals:
    // numbers made decimal text, ordered by the ifx_decimal collation. A
    // plain numeric column stays as it is (its affinity converts the other
    // side, and its index still serves).
    void decimalOperands(Typed &left, std::vector<Typed *> others, const std::vector<int> &offsets);
    std::string defaultValue(const ColumnInfo &col);

    // view_dml.cpp: INSERT, UPDATE and DELETE through a simple view (one
    // table or simple view read without join, DISTINCT, GROUP BY, aggregate
    // or UNION) become statements on the base table.
    struct ViewTarget {
        const TableInfo *base = nullptr;               // the table the statement changes
        std::vector<Typed> columns;                    // per view column, its value over the base
        std::vector<const ColumnInfo *> baseColumns;   // per view column, the base column (nullptr: computed)
        std::string where;                             // the rows the view shows (empty: all)
        std::string check;                             // what WITH CHECK OPTION demands of a row written (empty: nothing)
    };
    // Raises -384 for a view that is not simple and -360 when its conditions
    // read the table it changes; errors point at `offset`.
    ViewTarget viewTarget(const TableInfo &view, int offset, bool wantCheck);
    // One layer of the view chain; `returningRef` names the base as a
    // RETURNING clause can (unqualified by schema).
    ViewTarget resolveView(const TableInfo &object, int offset, bool returningRef, int depth,
                           std::vector<std::string> &where, std::vector<std::string> &check,
                           std::vector<int> &chain);
    // The RETURNING clause that fails the statement with -385 (at `offset`,
    // the view's name) when a row written does not satisfy `check`.
    std::string checkClause(const std::string &check, int offset) const;

    // translate_dml.cpp
    Translation insert(const ast::InsertStatement &s);
    Translation update(const ast::UpdateStatement &s);
    Translation remove(const ast::DeleteStatement &s);
    // The columns an INSERT (or MERGE's) names, with the omitted SERIAL and
    // computed-default columns the engine fills (`extra`, their values).
    struct InsertColumns {
        std::vector<const ColumnInfo *> targets;
        std::string columnList;   // targets, then the omitted columns
        std::vector<std::string> extra;
        std::vector<const ColumnInfo *> omitted;  // the columns `extra` fills
    };
    InsertColumns insertColumns(const TableInfo &named, const ViewTarget *view,
                                const std::vector<ast::ColumnRef> &columns, int offset);
    // `value` for a SERIAL column: the next counter value when it is 0.
    std::string serialValue(const TableInfo &table, const ColumnInfo &c, const std::string &value) const;
    // `value` stored into column `c`, refused when NULL if `c` is the table's
    // row key (SQLite would number the row instead).
    std::string keyChecked(const TableInfo &table, const ColumnInfo &c, std::string value) const;
    // The SET list of UPDATE and of MERGE's UPDATE (without the SET).
    std::string setList(const std::vector<ast::Assignment> &assignments, bool setStar, const TableInfo &info,
                        const ViewTarget *view, Scope &scope, int start);
    // translate_hierarchy.cpp: the FROM of a block with CONNECT BY, and the
    // pseudo columns (LEVEL, CONNECT_BY_ISLEAF, CONNECT_BY_ISCYCLE; false
    // when `e` is none or outside a hierarchical query) and operators.
    void hierarchyFrom(const ast::SelectCore &c, Scope &scope, std::string &from, std::string &where);
    bool hierarchyColumn(const ast::Expr &e, Scope &scope, Typed &out);
    Typed hierarchyValue(const ast::Expr &e, Scope &scope);
    std::deque<Hierarchy> m_hierarchies;
    int m_hierarchyCount = 0;
    // ORDER SIBLINGS BY of the statement whose first block is being translated.
    const std::vector<ast::OrderItem> *m_siblingOrder = nullptr;
    // translate_merge.cpp
    Translation merge(const ast::MergeStatement &s);
    // The table an UPDATE or DELETE changes: looked up, recorded in `out`
    // and put in `scope` under its alias.
    // A view in its place is resolved to its base table (`view`), and the
    // scope shows the view's columns as expressions over that base.
    const TableInfo &dmlTarget(const ast::ObjectName &table, const std::string &alias,
                               Translation &out, Scope &scope, std::optional<ViewTarget> &view, bool wantCheck);


    // ",<offset>" for the SQLite functions that report their errors there;
    // empty where the SQL outlives the statement text (views, constraints).
    std::string at(int offset) const
    {
        return m_ctx.errorOffsets && offset >= 0 ? "," + std::to_string(offset) : std::string();
    }

    // The common tables (WITH) visible where a query is translated, the
    // innermost last. Each is read as a derived table of its own SQL.
    struct CommonTableInfo {
        std::string name;
        std::string sql;
        std::vector<ColumnInfo> columns;
        bool direct = false;  // `sql` is the name of the table being defined (recursion)
    };
    // A common table that reads itself: its query as SQLite's recursive one
    // over the table named `cte`.
    SelectResult recursiveCommonTable(const ast::CommonTable &t, const std::string &cte);
    const CommonTableInfo *commonTable(const ast::ObjectName &name) const;
    void addCommonTables(const ast::SelectStmt &s);

    TranslationContext &m_ctx;
    std::vector<CommonTableInfo> m_commonTables;
    int m_commonTableCount = 0;
    // Lookups of this translation (a handful: searched in order; a deque
    // keeps the references handed out valid).
    struct LookedUp {
        std::string owner, name;
        std::shared_ptr<const TableInfo> info;  // the catalog's cached description
    };
    std::deque<LookedUp> m_tables;
    int m_params = 0;
    int m_aggregateDepth = 0;   // inside an aggregate's argument
    // While UPDATE's SET values are translated: the table it changes, which
    // no subquery there may read (-360). SQLite would let later rows see the
    // values written to earlier ones.
    std::string m_setTable;
    // While UPDATE's WHERE clause is translated: the table it changes, and
    // whether a subquery there reads it.
    std::string m_whereTable;
    bool m_whereReadsTarget = false;
};

std::string quoteIdent(const std::string &name);
std::string quoteString(const std::string &text);
bool isDateLike(int code);
long smallNumber(const std::string &digits);  // an unsigned literal, saturating
int qualifierOf(const TypeDesc &t);
std::string expressionName(const ast::Expr &e);
// Conditions joined by `op` (" AND ", " OR "), up to 64 in one pair of
// parentheses and the groups grouped again: SQLite's parser stack holds
// about 100 open parentheses, and its expression depth (at most 1000) counts
// every operand of a flat run. Empty for no parts.
std::string groupedChain(std::vector<std::string> parts, const char *op);
// LIKE / MATCHES of `value` against `pattern` (escape: the ESCAPE operand, or
// null), with a range on the pattern's literal prefix where an index on a
// character column can serve it.
std::string patternSql(const Typed &value, const Typed &pattern, const Typed *escape, const ast::Expr *escapeExpr,
                       bool matches, bool negated);

} // namespace quodlin::engine
