// Hierarchical queries (START WITH / CONNECT BY): the block reads a
// recursive common table of its table's rows, each with its LEVEL, the
// path of row ids from its root (the loop test: a row already on the path
// is a loop, -26079 without NOCYCLE) and the values CONNECT_BY_ROOT and
// SYS_CONNECT_BY_PATH need. The common table takes its rows deepest level
// first (SQLite's queue ordered by level descending, then by the ORDER
// SIBLINGS BY keys), which hands them out depth first, each row followed
// by its descendants, as Informix returns them.
#include "engine/translate_typing.h"

#include "engine/error.h"

namespace quodlin::engine {

using namespace ast;
using namespace typing;

namespace {

bool isPseudoColumn(const std::string &name)
{
    return name == "level" || name == "connect_by_isleaf" || name == "connect_by_iscycle";
}

bool isHierarchyFunction(const Expr &e)
{
    return e.kind == ExprKind::ConnectByRoot || (e.kind == ExprKind::Function && e.text == "sys_connect_by_path");
}

// The CONNECT_BY_ROOT and SYS_CONNECT_BY_PATH nodes of `e` (not inside subqueries).
void collect(const Expr &e, std::vector<const Expr *> &out)
{
    if (isHierarchyFunction(e)) {
        out.push_back(&e);
        return;
    }
    for (const ExprPtr &a : e.args)
        if (a) collect(*a, out);
}

const Hierarchy *hierarchyOf(Scope &scope)
{
    for (Scope *s = &scope; s; s = s->parent)
        if (s->hierarchy) return s->hierarchy;
    return nullptr;
}

} // namespace

bool Translator::hierarchyColumn(const Expr &e, Scope &scope, Typed &out)
{
    if (!e.table.empty() || !isPseudoColumn(e.text)) return false;
    const Hierarchy *h = hierarchyOf(scope);
    if (!h) return false;
    const std::string &sql = e.text == "level" ? h->level : e.text == "connect_by_isleaf" ? h->isLeaf : h->isCycle;
    // Leaf and loop flags say what the finished hierarchy holds: not in its own conditions.
    if (sql.empty()) raise(-201, {}, e.offset);
    out.sql = sql;
    out.type = kInteger;
    out.nullable = false;
    return true;
}

Typed Translator::hierarchyValue(const Expr &e, Scope &scope)
{
    const Hierarchy *h = hierarchyOf(scope);
    if (!h) raise(-201, {}, e.offset);
    if (e.kind == ExprKind::Prior) {
        if (!h->prior) raise(-201, {}, e.offset);
        return expr(*e.args[0], *h->prior);
    }
    auto it = h->computed.find(&e);
    if (it == h->computed.end()) raise(-201, {}, e.offset);
    return it->second;
}

void Translator::hierarchyFrom(const SelectCore &c, Scope &scope, std::string &from, std::string &where)
{
    if (c.from.size() != 1 || (c.from.front().kind != FromItem::Kind::Table && c.from.front().kind != FromItem::Kind::Derived))
        raise(-9625, "CONNECT BY over more than one table", c.connectOffset);
    const std::string n = std::to_string(++m_hierarchyCount);
    const std::string cte = quoteIdent("quodlin_h" + n);
    const std::string child = quoteIdent("quodlin_c");
    const std::string parent = quoteIdent("quodlin_p");
    const std::string outer = quoteIdent("quodlin_hq" + n);

    // The rows: a table by its rowid; anything else numbered once.
    Scope source;
    source.parent = scope.parent;
    const std::string sourceSql = joinSql(c.from.front(), source, 0, false);
    ScopeTable table = source.tables.back();
    const bool base = table.info && table.info->tabtype == 'T';
    std::string rows, id, with = "WITH RECURSIVE ";
    if (base) {
        rows = table.info->sqliteName;
        id = "rowid";
    } else {
        rows = quoteIdent("quodlin_s" + n);
        id = "quodlin_rid";
        with += rows + " AS MATERIALIZED (SELECT *, row_number() OVER () AS quodlin_rid FROM " + sourceSql + "), ";
    }
    std::vector<ColumnInfo> columns = table.columns();
    table.info = nullptr;
    table.derivedColumns = columns;
    table.columnSql.clear();
    ScopeTable childTable = table, parentTable = table;
    childTable.sqlRef = child;
    parentTable.sqlRef = parent;

    // Conditions over one row (START WITH) or a row and its parent (CONNECT BY).
    Hierarchy &building = m_hierarchies.emplace_back();
    Scope childScope, parentScope;
    childScope.parent = parentScope.parent = scope.parent;
    childScope.tables.push_back(childTable);
    childScope.hierarchy = &building;
    parentScope.tables.push_back(parentTable);
    building.level = "1";
    const std::string start = c.startWith ? whereCondition(*c.startWith, childScope) : std::string();
    building.level = "(" + parent + ".quodlin_level + 1)";
    building.prior = &parentScope;
    const std::string connect = whereCondition(*c.connectBy, childScope);

    // The values the block reads at the root or along the path.
    std::vector<const Expr *> computed;
    for (const SelectItem &item : c.items) collect(*item.expr, computed);
    if (c.where) collect(*c.where, computed);
    if (m_siblingOrder)
        for (const OrderItem &o : *m_siblingOrder) collect(*o.expr, computed);
    building.prior = nullptr;
    building.level.clear();
    std::string anchorCols, stepCols, names;
    // The anchor's columns carry the names the queue's ORDER BY reads.
    for (const ColumnInfo &col : columns) {
        names += quoteIdent(col.name) + ",";
        anchorCols += child + "." + quoteIdent(col.name) + " AS " + quoteIdent(col.name) + ",";
        stepCols += child + "." + quoteIdent(col.name) + ",";
    }
    names += "quodlin_level,quodlin_id,quodlin_path";
    anchorCols += "1 AS quodlin_level," + child + "." + id + ",'/' || " + child + "." + id + " || '/'";
    stepCols += parent + ".quodlin_level + 1," + child + "." + id + "," + parent + ".quodlin_path || " + child + "." + id + " || '/'";
    Hierarchy &h = m_hierarchies.emplace_back();
    for (std::size_t i = 0; i < computed.size(); ++i) {
        const Expr &e = *computed[i];
        const std::string col = "quodlin_x" + std::to_string(i + 1);
        names += "," + col;
        Typed value;
        value.sql = quoteIdent("quodlin_hq" + n) + "." + col;
        if (e.kind == ExprKind::ConnectByRoot) {
            const Typed v = expr(*e.args[0], childScope);
            anchorCols += "," + v.sql;
            stepCols += "," + parent + "." + col;
            value.type = v.type;
        } else {
            if (e.args.size() != 2) raise(-201, {}, e.offset);
            const Typed v = expr(*e.args[0], childScope);
            const Typed sep = expr(*e.args[1], childScope);
            const std::string piece = "coalesce(" + displayTextSql(sep) + ",'') || coalesce(" + displayTextSql(v) + ",'')";
            anchorCols += "," + piece;
            stepCols += "," + parent + "." + col + " || " + piece;
            value.type = type(TUdtVar, 4000, kXidLVarChar);
        }
        h.computed[&e] = value;
    }
    // ORDER SIBLINGS BY: the queue's order after the level.
    std::string queue = "quodlin_level DESC";
    if (m_siblingOrder) {
        for (std::size_t i = 0; i < m_siblingOrder->size(); ++i) {
            const OrderItem &o = (*m_siblingOrder)[i];
            const std::string col = "quodlin_o" + std::to_string(i + 1);
            const Typed v = expr(*o.expr, childScope);
            names += "," + col;
            anchorCols += "," + v.sql + " AS " + col;
            stepCols += "," + v.sql;
            queue += ", " + col + (isDecimal(v.type) ? " COLLATE ifx_decimal" : "") + (o.desc ? " DESC" : "");
        }
        m_siblingOrder = nullptr;
    }
    const std::string loop = "instr(" + parent + ".quodlin_path, '/' || " + child + "." + id + " || '/') = 0";
    const std::string guard = c.noCycle ? loop : "(" + loop + " OR ifx_raise(-26079" + at(c.connectOffset) + "))";
    from = "(" + with + cte + " (" + names + ") AS (SELECT " + anchorCols + " FROM " + rows + " AS " + child
        + (start.empty() ? std::string() : " WHERE " + start) + " UNION ALL SELECT " + stepCols + " FROM " + cte + " AS "
        + parent + " JOIN " + rows + " AS " + child + " ON " + connect + " WHERE " + guard + " ORDER BY " + queue
        + ") SELECT * FROM " + cte + ") AS " + outer;

    // The block reads the hierarchy's rows under the table's name. A row is a
    // leaf when no row (no row off its path, under NOCYCLE) continues it, and
    // a loop's end when a row that would continue it is on its path.
    ScopeTable result = table;
    result.sqlRef = outer;
    scope.tables.push_back(result);
    Scope rowScope;
    rowScope.parent = scope.parent;
    ScopeTable rowTable = table;
    rowTable.sqlRef = outer;
    rowScope.tables.push_back(rowTable);
    Hierarchy &next = m_hierarchies.emplace_back();
    next.level = "(" + outer + ".quodlin_level + 1)";
    next.prior = &rowScope;
    childScope.hierarchy = &next;
    const std::string continues = whereCondition(*c.connectBy, childScope);
    const std::string onPath = "instr(" + outer + ".quodlin_path, '/' || " + child + "." + id + " || '/')";
    const std::string children = "FROM " + rows + " AS " + child + " WHERE " + continues;
    h.level = outer + ".quodlin_level";
    h.isLeaf = "(NOT EXISTS (SELECT 1 " + children + (c.noCycle ? " AND " + onPath + " = 0" : std::string()) + "))";
    h.isCycle = "(EXISTS (SELECT 1 " + children + " AND " + onPath + " > 0))";
    scope.hierarchy = &h;
    if (c.where) where = whereCondition(*c.where, scope);
}

} // namespace quodlin::engine
