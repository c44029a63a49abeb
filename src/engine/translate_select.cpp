// SELECT: FROM clauses with Informix OUTER groups rewritten to LEFT JOINs
// (predicates on the subservient side go into ON, never into WHERE), ANSI
// joins (RIGHT JOIN swapped into LEFT JOIN), `*` expansion, labels, GROUP BY
// and ORDER BY by name, label or position, UNION, INTERSECT and MINUS,
// SKIP/FIRST/LIMIT, and the entry point translate() with INTO TEMP.
#include "engine/translate_internal.h"

#include "engine/error.h"

#include <algorithm>
#include <string_view>

namespace quodlin::engine {

using namespace ast;

namespace {

void splitConjuncts(const Expr &e, std::vector<const Expr *> &out)
{
    if (e.kind == ExprKind::And) {
        splitConjuncts(*e.args[0], out);
        splitConjuncts(*e.args[1], out);
        return;
    }
    out.push_back(&e);
}

// Informix OUTER groups: group 0 holds the dominant tables; every OUTER (...)
// opens a group whose parent is the group it was written in.
struct OuterGroup {
    int parent = -1;
    int depth = 0;
    int offset = 0;
    std::vector<std::string> items;
    std::vector<int> children;
    std::vector<std::string> on;
    bool linked = false;
};

void appendJoined(std::string &s, const std::vector<std::string> &parts, std::string_view sep)
{
    std::size_t n = s.size();
    for (const std::string &p : parts) n += p.size() + sep.size();
    s.reserve(n);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) s += sep;
        s += parts[i];
    }
}

std::string joinWith(const std::vector<std::string> &parts, std::string_view sep)
{
    std::string s;
    appendJoined(s, parts, sep);
    return s;
}

// SQLite takes at most 500 SELECTs in one compound.
constexpr std::size_t kMaxCompound = 500;

// Cores [from, to) joined by `op`, in compounds of at most kMaxCompound
// nested as derived tables. Only for one operator: UNION and UNION ALL are
// each associative.
std::string nestedCompound(const std::vector<std::string> &cores, std::size_t from, std::size_t to, const char *op)
{
    const std::size_t n = to - from;
    const std::size_t step = n <= kMaxCompound ? 1 : (n + kMaxCompound - 1) / kMaxCompound;
    std::string out;
    for (std::size_t i = from; i < to; i += step) {
        if (i > from) out += op;
        if (step == 1) {
            out += cores[i];
            continue;
        }
        out += "SELECT * FROM (";
        out += nestedCompound(cores, i, std::min(to, i + step), op);
        out += ')';
    }
    return out;
}

const char *setOperator(SetOp op)
{
    switch (op) {
    case SetOp::Union: return " UNION ";
    case SetOp::UnionAll: return " UNION ALL ";
    case SetOp::Intersect: return " INTERSECT ";
    case SetOp::Except: return " EXCEPT ";
    }
    return " UNION ";
}

// A compound of more cores than SQLite takes, by the same rows. UNIONs
// alone: a UNION removes duplicates from everything before it, so the
// cores up to the last UNION form one UNION and the rest follow as UNION
// ALL. With INTERSECT or MINUS among them: the operators group from the
// left, so each full compound becomes the first block of the next.
std::string regroupedCompound(const std::vector<std::string> &cores, const std::vector<SetOp> &ops)
{
    if (std::any_of(ops.begin(), ops.end(), [](SetOp op) { return op == SetOp::Intersect || op == SetOp::Except; })) {
        std::string out = cores.front();
        std::size_t inCompound = 1;
        for (std::size_t i = 1; i < cores.size(); ++i) {
            if (inCompound == kMaxCompound) {
                out = "SELECT * FROM (" + out + ")";
                inCompound = 1;
            }
            out += setOperator(ops[i - 1]);
            out += cores[i];
            ++inCompound;
        }
        return out;
    }
    std::size_t distinct = 0;  // cores [0, distinct) make the UNION part
    for (std::size_t i = ops.size(); i > 0; --i)
        if (ops[i - 1] == SetOp::Union) {
            distinct = i + 1;
            break;
        }
    if (distinct == 0)
        return nestedCompound(cores, 0, cores.size(), " UNION ALL ");
    std::string out = distinct < cores.size() ? "SELECT * FROM (" : "";
    out += nestedCompound(cores, 0, distinct, " UNION ");
    if (distinct == cores.size())
        return out;
    out += ") UNION ALL SELECT * FROM (";
    out += nestedCompound(cores, distinct, cores.size(), " UNION ALL ");
    return out + ")";
}

bool isSysmaster(const ObjectName &name) { return name.database == "sysmaster" && name.server.empty(); }

} // namespace

ColumnDescription describeType(const TypeDesc &t, const std::string &name)
{
    ColumnDescription d;
    d.name = name;
    if (t.code == TNull) {
        d.coltype = TVarChar;
        d.collength = encodeVarchar(255);
        return d;
    }
    d.coltype = t.code;
    d.collength = t.collength;
    d.extendedId = t.extendedId;
    return d;
}

const TableInfo &Translator::lookupTable(const ObjectName &name)
{
    if (isSysmaster(name)) {
        // Only sysdual is there, and it is read only.
        if (name.name == "sysdual") raise(-312, name.name, name.offset);
        raise(-206, "sysmaster:" + name.name, name.offset, -111);
    }
    if (!name.database.empty() || !name.server.empty()) raise(-999, {}, name.offset);
    for (const LookedUp &t : m_tables)
        if (t.name == name.name && t.owner == name.owner) return *t.info;
    std::shared_ptr<const TableInfo> info = m_ctx.catalog.findTableShared(name.name, name.owner);
    if (!info || info->tabtype == 'Q') raise(-206, name.name, name.offset, -111);
    // A synonym still unresolved names a table of another database.
    if (info->tabtype == 'S' || info->tabtype == 'P') raise(-999, {}, name.offset);
    return *m_tables.emplace_back(LookedUp{name.owner, name.name, std::move(info)}).info;
}

void Translator::addTable(const FromItem &item, Scope &scope, int group, bool outer, const SelectResult *derived)
{
    ScopeTable t;
    t.group = group;
    t.outer = outer;
    if (item.kind == FromItem::Kind::Derived) {
        t.alias = item.alias.empty() ? "quodlin_d" + std::to_string(scope.tables.size()) : item.alias;
        t.sqlRef = quoteIdent(t.alias);
        const SelectResult &r = *derived;
        for (std::size_t i = 0; i < r.columns.size(); ++i) {
            ColumnInfo c;
            c.name = r.columns[i].name;
            c.colno = int(i + 1);
            c.coltype = r.types[i].code;
            c.collength = r.types[i].collength;
            c.extendedId = r.types[i].extendedId;
            t.derivedColumns.push_back(std::move(c));
        }
        scope.tables.push_back(std::move(t));
        return;
    }
    const TableInfo &info = lookupTable(item.table);
    if (!m_setTable.empty() && info.sqliteName == m_setTable) raise(-360, {}, item.offset);
    if (!m_whereTable.empty() && info.sqliteName == m_whereTable) m_whereReadsTarget = true;
    t.info = &info;
    t.tableName = info.name;
    t.owner = info.owner;
    t.alias = item.alias.empty() ? item.table.name : item.alias;
    for (const ScopeTable &other : scope.tables)
        if (other.alias == t.alias) raise(-201, {}, item.offset);  // the same name twice needs aliases
    t.sqlRef = quoteIdent(t.alias);
    scope.tables.push_back(std::move(t));
}

const Translator::CommonTableInfo *Translator::commonTable(const ObjectName &name) const
{
    if (!name.owner.empty() || !name.database.empty() || !name.server.empty()) return nullptr;
    for (auto t = m_commonTables.rbegin(); t != m_commonTables.rend(); ++t)
        if (t->name == name.name) return &*t;
    return nullptr;
}

namespace {

// Whether a query reads the table `name` anywhere (FROM lists, derived
// tables, subqueries), a common table of its own of that name aside.
bool reads(const SelectStmt &s, const std::string &name);

bool reads(const Expr &e, const std::string &name)
{
    if (e.select && reads(*e.select, name)) return true;
    for (const ExprPtr &a : e.args)
        if (a && reads(*a, name)) return true;
    return false;
}

bool reads(const FromItem &f, const std::string &name)
{
    if (f.kind == FromItem::Kind::Table) return f.table.owner.empty() && f.table.database.empty() && f.table.name == name;
    if (f.kind == FromItem::Kind::Derived) return reads(*f.derived, name);
    if (f.kind == FromItem::Kind::Join)
        return reads(*f.left, name) || reads(*f.right, name) || (f.on && reads(*f.on, name));
    for (const FromItem &m : f.members)
        if (reads(m, name)) return true;
    return false;
}

bool reads(const SelectCore &c, const std::string &name)
{
    if (c.nested) return reads(*c.nested, name);
    for (const FromItem &f : c.from)
        if (reads(f, name)) return true;
    for (const SelectItem &i : c.items)
        if (reads(*i.expr, name)) return true;
    for (const ExprPtr &g : c.groupBy)
        if (reads(*g, name)) return true;
    return (c.where && reads(*c.where, name)) || (c.having && reads(*c.having, name));
}

bool reads(const SelectStmt &s, const std::string &name)
{
    for (const CommonTable &t : s.with) {
        if (reads(*t.query, name)) return true;
        if (t.name == name) return false;
    }
    for (const SelectCore &c : s.cores)
        if (reads(c, name)) return true;
    return false;
}

} // namespace

Translator::SelectResult Translator::recursiveCommonTable(const CommonTable &t, const std::string &cte)
{
    // The non-recursive blocks first, joined as written; then the one block
    // that reads the table, after UNION ALL (as Informix demands).
    const SelectStmt &q = *t.query;
    const std::size_t last = q.cores.size() - 1;
    if (q.setOps.back() != SetOp::UnionAll || !q.orderBy.empty() || q.limit)
        raise(-201, {}, q.cores[last].offset);
    for (std::size_t i = 0; i < last; ++i)
        if (reads(q.cores[i], t.name)) raise(-201, {}, q.cores[i].offset);
    SelectResult anchor;
    auto block = [&](const SelectCore &core) {
        if (core.nested) {
            SelectResult r = select(*core.nested, nullptr);
            r.sql = "SELECT * FROM (" + r.sql + ")";
            return r;
        }
        Scope scope;
        std::vector<std::string> labels;
        return selectCore(core, scope, nullptr, labels);
    };
    for (std::size_t i = 0; i < last; ++i) {
        SelectResult r = block(q.cores[i]);
        if (i == 0) {
            anchor = std::move(r);
            continue;
        }
        if (r.columns.size() != anchor.columns.size()) raise(-201, {}, q.cores[i].offset);
        anchor.sql += setOperator(q.setOps[i - 1]);
        anchor.sql += r.sql;
    }
    if (!t.columns.empty() && t.columns.size() != anchor.columns.size()) raise(-201, {}, t.offset);
    // While its recursive block is translated the table is SQLite's own
    // recursive table, read by its name.
    CommonTableInfo self;
    self.name = t.name;
    self.sql = cte;
    self.direct = true;
    for (std::size_t i = 0; i < anchor.columns.size(); ++i) {
        ColumnInfo c;
        c.name = t.columns.empty() ? anchor.columns[i].name : t.columns[i];
        c.colno = int(i + 1);
        c.coltype = anchor.types[i].code;
        c.collength = anchor.types[i].collength;
        c.extendedId = anchor.types[i].extendedId;
        self.columns.push_back(std::move(c));
    }
    m_commonTables.push_back(std::move(self));
    SelectResult step = block(q.cores[last]);
    m_commonTables.pop_back();
    if (step.columns.size() != anchor.columns.size()) raise(-201, {}, q.cores[last].offset);
    // SQLite's compounds group from the left as Informix's do.
    anchor.sql += " UNION ALL " + step.sql;
    return anchor;
}

void Translator::addCommonTables(const SelectStmt &s)
{
    const std::size_t outer = m_commonTables.size();
    for (const CommonTable &t : s.with) {
        for (std::size_t k = outer; k < m_commonTables.size(); ++k)
            if (m_commonTables[k].name == t.name) raise(-201, {}, t.offset);
        // A name of its own, so a common table read inside another's query
        // never meets the outer one's name.
        const std::string cte = quoteIdent("quodlin_cte" + std::to_string(++m_commonTableCount));
        // Recursive when its last block reads it; elsewhere its own name
        // means the database's table of that name.
        const bool recursive = t.query->cores.size() > 1 && reads(t.query->cores.back(), t.name);
        const SelectResult r = recursive ? recursiveCommonTable(t, cte) : select(*t.query, nullptr);
        if (!t.columns.empty() && t.columns.size() != r.columns.size()) raise(-201, {}, t.offset);
        CommonTableInfo info;
        info.name = t.name;
        std::string names;
        for (std::size_t i = 0; i < r.columns.size(); ++i) {
            ColumnInfo c;
            c.name = t.columns.empty() ? r.columns[i].name : t.columns[i];
            c.colno = int(i + 1);
            c.coltype = r.types[i].code;
            c.collength = r.types[i].collength;
            c.extendedId = r.types[i].extendedId;
            for (const ColumnInfo &other : info.columns)
                if (other.name == c.name) raise(-201, {}, t.offset);
            names += (i ? "," : "") + quoteIdent(c.name);
            info.columns.push_back(std::move(c));
        }
        info.sql = std::string(recursive ? "WITH RECURSIVE " : "WITH ") + cte + "(" + names + ") AS (" + r.sql + ") SELECT * FROM " + cte;
        m_commonTables.push_back(std::move(info));
    }
}

std::string Translator::joinSql(const FromItem &item, Scope &scope, int group, bool outer)
{
    if (item.kind == FromItem::Kind::Table) {
        if (const CommonTableInfo *cte = commonTable(item.table)) {
            ScopeTable t;
            t.group = group;
            t.outer = outer;
            t.alias = item.alias.empty() ? cte->name : item.alias;
            for (const ScopeTable &other : scope.tables)
                if (other.alias == t.alias) raise(-201, {}, item.offset);
            t.tableName = cte->name;
            t.sqlRef = quoteIdent(t.alias);
            t.derivedColumns = cte->columns;
            scope.tables.push_back(std::move(t));
            if (cte->direct) return cte->sql + " AS " + scope.tables.back().sqlRef;
            return "(" + cte->sql + ") AS " + scope.tables.back().sqlRef;
        }
    }
    if (item.kind == FromItem::Kind::Table && isSysmaster(item.table)) {
        // sysmaster:sysdual, the one-row table of newer servers: its one
        // column `dummy` CHAR(1) holds 'X'. No other sysmaster table exists here.
        const ObjectName &name = item.table;
        if (name.name != "sysdual" || (!name.owner.empty() && name.owner != "informix"))
            raise(-206, "sysmaster:" + (name.owner.empty() ? "" : name.owner + ".") + name.name, name.offset, -111);
        ScopeTable t;
        t.group = group;
        t.outer = outer;
        t.alias = item.alias.empty() ? name.name : item.alias;
        for (const ScopeTable &other : scope.tables)
            if (other.alias == t.alias) raise(-201, {}, item.offset);
        t.tableName = name.name;
        t.owner = "informix";
        t.sqlRef = quoteIdent(t.alias);
        ColumnInfo dummy;
        dummy.name = "dummy";
        dummy.colno = 1;
        dummy.coltype = TChar;
        dummy.collength = 1;
        t.derivedColumns.push_back(std::move(dummy));
        scope.tables.push_back(std::move(t));
        return "(SELECT 'X' AS dummy) AS " + scope.tables.back().sqlRef;
    }
    if (item.kind == FromItem::Kind::Table || item.kind == FromItem::Kind::Derived) {
        SelectResult derived;
        if (item.kind == FromItem::Kind::Derived) derived = select(*item.derived, nullptr);
        addTable(item, scope, group, outer, &derived);
        const ScopeTable &t = scope.tables.back();
        if (item.kind == FromItem::Kind::Derived) return "(" + derived.sql + ") AS " + t.sqlRef;
        std::string sql;
        sql.reserve(t.info->sqliteName.size() + 4 + t.sqlRef.size());
        sql += t.info->sqliteName;
        sql += " AS ";
        sql += t.sqlRef;
        return sql;
    }
    if (item.kind == FromItem::Kind::Outer) raise(-201, {}, item.offset);
    // ANSI join. A join chain stays unparenthesised on the left (joins
    // associate to the left); only a join on the right needs parentheses.
    // Each pair costs SQLite parser stack, which long chains ran out of.
    auto side = [](const FromItem &i, const std::string &sql, bool left) {
        const bool join = i.kind != FromItem::Kind::Table && i.kind != FromItem::Kind::Derived;
        return join && !left ? "(" + sql + ")" : sql;
    };
    const std::string l = joinSql(*item.left, scope, group, outer || item.join == JoinType::Right || item.join == JoinType::Full);
    const std::string r = joinSql(*item.right, scope, group, outer || item.join == JoinType::Left || item.join == JoinType::Full);
    if (item.join == JoinType::Cross) return side(*item.left, l, true) + " CROSS JOIN " + side(*item.right, r, false);
    const std::string on = expr(*item.on, scope).sql;
    switch (item.join) {
    case JoinType::Inner: return side(*item.left, l, true) + " JOIN " + side(*item.right, r, false) + " ON " + on;
    case JoinType::Left: return side(*item.left, l, true) + " LEFT JOIN " + side(*item.right, r, false) + " ON " + on;
    // RIGHT JOIN is a LEFT JOIN with the sides swapped (not every SQLite build has RIGHT JOIN).
    case JoinType::Right: return side(*item.right, r, true) + " LEFT JOIN " + side(*item.left, l, false) + " ON " + on;
    case JoinType::Full: return side(*item.left, l, true) + " FULL JOIN " + side(*item.right, r, false) + " ON " + on;
    default: break;
    }
    raise(-201, {}, item.offset);
}

namespace {

// Where the first aggregate of `e` is (subqueries keep theirs).
int aggregateOffset(const Expr &e)
{
    auto first = [](auto &self, const Expr &x) -> const Expr * {
        if (x.kind == ExprKind::Function && expressionName(x) != "(expression)") return &x;
        for (const ExprPtr &a : x.args)
            if (const Expr *f = a ? self(self, *a) : nullptr) return f;
        return nullptr;
    };
    const Expr *agg = first(first, e);
    return agg ? agg->offset : e.offset;
}

} // namespace

// Aggregates belong to groups, which WHERE comes before (-303); SQLite
// refuses them too, but without an Informix error.
std::string Translator::whereCondition(const Expr &e, Scope &scope)
{
    Typed t = expr(e, scope);
    // A subquery's WHERE may aggregate a column of an enclosing query (in a
    // HAVING subquery); SQLite still refuses the rest.
    if (t.aggregate && !scope.parent) raise(-303, {}, aggregateOffset(e));
    return std::move(t.sql);
}

void Translator::fromClause(const SelectCore &c, Scope &scope, std::string &from, std::string &where)
{
    std::vector<OuterGroup> groups(1);
    groups.reserve(c.from.size() + 1);
    auto walk = [&](auto &self, const std::vector<FromItem> &items, int g) -> void {
        for (const FromItem &item : items) {
            if (item.kind == FromItem::Kind::Outer) {
                OuterGroup child;
                child.parent = g;
                child.depth = groups[std::size_t(g)].depth + 1;
                child.offset = item.offset;
                groups.push_back(std::move(child));
                const int id = int(groups.size() - 1);
                groups[std::size_t(g)].children.push_back(id);
                self(self, item.members, id);
                continue;
            }
            std::string sql = joinSql(item, scope, g, g != 0);
            // An OUTER group is joined on the right: a join chain in it needs parentheses.
            if (g != 0 && item.kind != FromItem::Kind::Table && item.kind != FromItem::Kind::Derived) sql = "(" + sql + ")";
            groups[std::size_t(g)].items.push_back(std::move(sql));
        }
    };
    walk(walk, c.from, 0);

    if (groups.size() == 1) {
        from = joinWith(groups[0].items, ", ");
        if (c.where) where = whereCondition(*c.where, scope);
        return;
    }
    // Place each WHERE conjunct by the OUTER groups of the tables it touches.
    std::vector<const Expr *> conjuncts;
    if (c.where) splitConjuncts(*c.where, conjuncts);
    std::vector<std::string> whereParts;
    whereParts.reserve(conjuncts.size());
    std::vector<int> refs, touched;
    auto isAncestor = [&](int a, int d) {
        for (int g = d; g >= 0; g = groups[std::size_t(g)].parent)
            if (g == a) return true;
        return false;
    };
    for (const Expr *conj : conjuncts) {
        refs.clear();
        touched.clear();
        scope.refs = &refs;
        std::string sql = whereCondition(*conj, scope);
        scope.refs = nullptr;
        for (int t : refs) {
            const int g = scope.tables[std::size_t(t)].group;
            if (std::find(touched.begin(), touched.end(), g) == touched.end()) touched.push_back(g);
        }
        int deepest = 0;
        for (int g : touched)
            if (groups[std::size_t(g)].depth > groups[std::size_t(deepest)].depth) deepest = g;
        if (deepest == 0) {
            whereParts.push_back(std::move(sql));
            continue;
        }
        for (int g : touched)
            if (!isAncestor(g, deepest)) raise(-393, {}, conj->offset);
        OuterGroup &d = groups[std::size_t(deepest)];
        for (int g : touched) {
            if (g == deepest) continue;
            if (g != d.parent) raise(-396, {}, conj->offset);
            d.linked = true;
        }
        d.on.push_back(std::move(sql));
    }
    for (std::size_t g = 1; g < groups.size(); ++g)
        if (!groups[g].linked) raise(-395, {}, groups[g].offset);

    auto groupSql = [&](auto &self, int g) -> std::string {
        const OuterGroup &grp = groups[std::size_t(g)];
        const bool parens = g != 0 && (grp.items.size() > 1 || !grp.children.empty());
        std::string s;
        if (parens) s += '(';
        appendJoined(s, grp.items, g == 0 ? ", " : " JOIN ");
        for (int child : grp.children) {
            s += " LEFT JOIN ";
            s += self(self, child);
            s += " ON ";
            s += groupedChain(groups[std::size_t(child)].on, " AND ");
        }
        if (parens) s += ')';
        return s;
    };
    from = groupSql(groupSql, 0);
    where = groupedChain(std::move(whereParts), " AND ");
}

namespace {

// Column references of an expression outside aggregates and subqueries.
void plainColumns(const Expr &e, std::vector<const Expr *> &out)
{
    if (e.kind == ExprKind::Column) { out.push_back(&e); return; }
    if (e.kind == ExprKind::Function) {
        const std::string &f = e.text;
        if (f == "count" || f == "sum" || f == "avg" || f == "min" || f == "max" || f == "stdev"
            || f == "variance" || f == "range")
            return;
    }
    for (const ExprPtr &a : e.args) plainColumns(*a, out);
}

} // namespace

// Informix refuses a column outside the GROUP BY list next to aggregates (-294)
// where SQLite would quietly pick a value from some row.
void Translator::checkGrouping(const SelectCore &c, Scope &scope, const std::vector<std::string> &itemSql,
                               const std::vector<bool> &itemAggregate, const std::vector<OuterRefs> &itemOuterRefs,
                               std::vector<std::string> &grouped)
{
    bool anyAggregate = c.having != nullptr;
    for (bool a : itemAggregate) anyAggregate = anyAggregate || a;
    if (c.groupBy.empty() && !anyAggregate) return;
    std::vector<bool> itemGrouped(c.items.size(), false);
    for (const ExprPtr &g : c.groupBy) {
        if (g->kind == ExprKind::Integer) {
            const std::size_t n = std::size_t(smallNumber(g->text));
            if (n >= 1 && n <= itemGrouped.size()) itemGrouped[n - 1] = true;
            continue;
        }
        try {
            grouped.push_back(expr(*g, scope).sql);
        } catch (const EngineError &) {
            // A label: the item it names is grouped.
            for (std::size_t i = 0; i < c.items.size(); ++i)
                if (g->kind == ExprKind::Column && c.items[i].alias == g->text) itemGrouped[i] = true;
        }
    }
    for (std::size_t i = 0; i < c.items.size(); ++i)
        if (itemGrouped[i] && !itemSql[i].empty()) grouped.push_back(itemSql[i]);
    auto isGrouped = [&](const std::string &sql) { return std::find(grouped.begin(), grouped.end(), sql) != grouped.end(); };
    for (std::size_t i = 0; i < c.items.size(); ++i) {
        const Expr &e = *c.items[i].expr;
        if (e.kind == ExprKind::Star) raise(-294, "*", e.offset);
        if (itemGrouped[i] || isGrouped(itemSql[i])) continue;
        checkGroupedOrder(e, scope, grouped);
        // A subquery's reference to this block's row has one value per group
        // only when grouped (also as part of a grouped expression).
        for (const auto &[sql, ref] : itemOuterRefs[i]) {
            bool inGrouped = false;
            for (const std::string &g : grouped) inGrouped = inGrouped || g.find(sql) != std::string::npos;
            if (!inGrouped) raise(-294, ref->text, ref->offset);
        }
    }
    // HAVING and ORDER BY see groups too: SQLite would take some row's value.
    if (c.having) checkGroupedOrder(*c.having, scope, grouped);
    // Marks the query grouped even when nothing is (aggregates only).
    if (grouped.empty()) grouped.push_back({});
}

void Translator::checkGroupedOrder(const Expr &e, Scope &scope, const std::vector<std::string> &grouped)
{
    std::vector<const Expr *> cols;
    plainColumns(e, cols);
    for (const Expr *col : cols) {
        std::vector<int> *saved = scope.refs;
        scope.refs = nullptr;
        const std::string sql = column(*col, scope).sql;
        scope.refs = saved;
        if (std::find(grouped.begin(), grouped.end(), sql) == grouped.end()) raise(-294, col->text, col->offset);
    }
}

Translator::SelectResult Translator::selectCore(const SelectCore &c, Scope &scope,
                                                const std::vector<std::string> *forcedNames,
                                                std::vector<std::string> &labels)
{
    SelectResult r;
    std::string from, where;
    // Tables are added one by one; each move of a ScopeTable costs its strings.
    scope.tables.reserve(scope.tables.size() + c.from.size() + 8);
    if (c.connectBy) hierarchyFrom(c, scope, from, where);
    else if (!c.from.empty()) fromClause(c, scope, from, where);
    std::string list;
    auto emit = [&](const std::string &sql, const TypeDesc &type, std::string name, bool nullable,
                    const std::string &table, const std::string &label) {
        const std::size_t i = r.columns.size();
        r.itemSql.push_back(sql);
        if (!list.empty()) list += ", ";
        list += sql;
        list += " AS ";
        list += quoteIdent(forcedNames && i < forcedNames->size() ? (*forcedNames)[i] : name);
        ColumnDescription d = describeType(type, name);
        d.nullable = nullable;
        d.tableName = table;
        r.columns.push_back(std::move(d));
        r.types.push_back(type);
        labels.push_back(label);
    };
    std::vector<std::string> itemSql;  // per select item, empty for `*`
    itemSql.reserve(c.items.size());
    r.columns.reserve(c.items.size());
    r.types.reserve(c.items.size());
    r.itemSql.reserve(c.items.size());
    labels.reserve(c.items.size());
    std::vector<bool> itemAggregate;
    std::vector<OuterRefs> itemOuterRefs(c.items.size());
    for (const SelectItem &item : c.items) {
        const Expr &e = *item.expr;
        if (e.kind == ExprKind::Star) {
            itemSql.emplace_back();
            itemAggregate.push_back(false);
            bool any = false;
            for (const ScopeTable &t : scope.tables) {
                if (!e.table.empty() && t.alias != e.table && !(t.info && t.tableName == e.table)) continue;
                any = true;
                for (const ColumnInfo &col : t.columns())
                    emit(t.sqlRef + "." + quoteIdent(col.name), col.type(), col.name, !col.notNull || t.outer,
                         t.tableName, col.name);
            }
            if (!any) raise(e.table.empty() ? -201 : -217, e.table.empty() ? std::string() : e.table + ".*", e.offset);
            continue;
        }
        scope.outerRefs = &itemOuterRefs[itemSql.size()];
        Typed t = expr(e, scope);
        scope.outerRefs = nullptr;
        itemSql.push_back(std::move(t.sql));
        itemAggregate.push_back(t.aggregate);
        std::string name = !item.alias.empty() ? item.alias : expressionName(e);
        std::string label = !item.alias.empty() ? item.alias : e.kind == ExprKind::Column ? e.text : std::string();
        emit(itemSql.back(), t.type, std::move(name), t.nullable, t.column ? t.baseTable : std::string(), label);
    }
    checkGrouping(c, scope, itemSql, itemAggregate, itemOuterRefs, r.grouped);
    std::string sql;
    sql.reserve(list.size() + from.size() + where.size() + 32);
    sql += "SELECT ";
    if (c.distinct) sql += "DISTINCT ";
    sql += list;
    if (!from.empty()) { sql += " FROM "; sql += from; }
    if (!where.empty()) { sql += " WHERE "; sql += where; }
    if (!c.groupBy.empty()) {
        sql += " GROUP BY ";
        for (std::size_t i = 0; i < c.groupBy.size(); ++i) {
            const Expr &g = *c.groupBy[i];
            if (i) sql += ", ";
            if (g.kind == ExprKind::Integer) {
                const long n = smallNumber(g.text);
                if (n < 1 || n > long(r.columns.size())) raise(-201, {}, g.offset);
                sql += g.text;
                continue;
            }
            if (g.kind == ExprKind::Column && g.table.empty()) {
                try {
                    sql += expr(g, scope).sql;
                } catch (const EngineError &err) {
                    if (err.sqlCode() != -217) throw;
                    auto it = std::find(labels.begin(), labels.end(), g.text);
                    if (it == labels.end()) throw;
                    sql += std::to_string(it - labels.begin() + 1);
                }
                continue;
            }
            sql += expr(g, scope).sql;
        }
    }
    if (c.having) sql += " HAVING " + expr(*c.having, scope).sql;
    r.sql = std::move(sql);
    return r;
}

NestingGuard::NestingGuard(int &depth, int limit, const char *what, int offset) : m_depth(depth)
{
    if (depth >= limit)
        raise(-9622, "at most " + std::to_string(limit) + " levels of " + what, offset);
    ++depth;
}

Translator::SelectResult Translator::select(const SelectStmt &s, Scope *parent,
                                            const std::vector<std::string> *forcedNames)
{
    // A query block's frames are larger still; SQLite takes about 12.
    static thread_local int nesting = 0;
    const NestingGuard guard(nesting, 32, "nested queries", s.cores.empty() ? -1 : s.cores.front().offset);
    // The statement's common tables are visible to its query blocks and
    // their subqueries, and gone after it.
    struct Restore {
        std::vector<CommonTableInfo> &tables;
        std::size_t size;
        ~Restore() { tables.resize(size); }
    } restore{m_commonTables, m_commonTables.size()};
    addCommonTables(s);
    SelectResult result;
    std::vector<std::string> labels;
    std::vector<std::string> items, grouped;
    Scope first;
    first.parent = parent;
    std::vector<std::string> coreSql;  // of every core after the first, when more than SQLite takes in one compound
    const bool regroup = s.cores.size() > kMaxCompound;
    // A parenthesised combined query stands as a derived table.
    auto block = [&](const SelectCore &core, Scope &scope, std::vector<std::string> &coreLabels) {
        if (!core.nested) return selectCore(core, scope, forcedNames, coreLabels);
        SelectResult r = select(*core.nested, parent, forcedNames);
        r.sql = "SELECT * FROM (" + r.sql + ")";
        r.itemSql.clear();
        r.grouped.clear();
        return r;
    };
    // ORDER SIBLINGS BY orders a lone hierarchical block's rows as it builds them.
    if (s.orderSiblings) {
        if (s.cores.size() != 1 || !s.cores.front().connectBy) raise(-201, {}, s.orderBy.front().expr->offset);
        m_siblingOrder = &s.orderBy;
    }
    for (std::size_t i = 0; i < s.cores.size(); ++i) {
        const SelectCore &core = s.cores[i];
        if (i > 0 && (core.skip || core.first)) raise(-944, {}, core.offset);
        std::vector<std::string> coreLabels;
        if (i == 0) {
            SelectResult r = block(core, first, coreLabels);
            result.sql = std::move(r.sql);
            result.columns = std::move(r.columns);
            result.types = std::move(r.types);
            items = std::move(r.itemSql);
            grouped = std::move(r.grouped);
            labels = std::move(coreLabels);
            continue;
        }
        Scope scope;
        scope.parent = parent;
        SelectResult r = block(core, scope, coreLabels);
        if (r.columns.size() != result.columns.size()) raise(-201, {}, core.offset);
        if (regroup) {
            coreSql.push_back(std::move(r.sql));
            continue;
        }
        result.sql += setOperator(s.setOps[i - 1]);
        result.sql += r.sql;
    }
    if (regroup) {
        coreSql.insert(coreSql.begin(), std::move(result.sql));
        result.sql = regroupedCompound(coreSql, s.setOps);
    }
    if (!s.orderBy.empty() && !s.orderSiblings) {
        result.sql += " ORDER BY ";
        for (std::size_t i = 0; i < s.orderBy.size(); ++i) {
            const OrderItem &o = s.orderBy[i];
            const Expr &e = *o.expr;
            if (i) result.sql += ", ";
            // A decimal result column sorts by number also where SQLite
            // loses its collation (scalar subqueries, UNION).
            auto position = [&](long n) {
                result.sql += std::to_string(n);
                const TypeDesc &t = result.types[std::size_t(n - 1)];
                if (t.code == TDecimal || t.code == TMoney) result.sql += " COLLATE ifx_decimal";
            };
            if (e.kind == ExprKind::Integer) {
                const long n = smallNumber(e.text);
                if (n < 1 || n > long(result.columns.size())) raise(-201, {}, e.offset);
                position(n);
            } else if (e.kind == ExprKind::Column && e.table.empty()
                       && std::find(labels.begin(), labels.end(), e.text) != labels.end()) {
                position(std::find(labels.begin(), labels.end(), e.text) - labels.begin() + 1);
            } else if (s.cores.size() > 1 || s.cores.front().nested) {
                // A combined query sorts by its result columns only.
                int pos = 0;
                if (e.kind == ExprKind::Column)
                    for (std::size_t k = 0; k < result.columns.size() && !pos; ++k)
                        if (result.columns[k].name == e.text) pos = int(k + 1);
                if (!pos) raise(-201, {}, e.offset);
                position(pos);
            } else {
                // Rows made distinct (or kept in a table) carry only their columns:
                // SQLite would sort by a value of some row of each group.
                const Typed v = expr(e, first);
                const std::string &sql = v.sql;
                if (!grouped.empty() && std::find(grouped.begin(), grouped.end(), sql) == grouped.end())
                    checkGroupedOrder(e, first, grouped);
                if ((s.cores.front().distinct || !s.intoTemp.empty())
                    && std::find(items.begin(), items.end(), sql) == items.end())
                    raise(-309, e.kind == ExprKind::Column ? e.text : expressionName(e), e.offset);
                result.sql += sql;
                if (v.type.code == TDecimal || v.type.code == TMoney) result.sql += " COLLATE ifx_decimal";
            }
            if (o.desc) result.sql += " DESC";
            if (o.nulls == 1) result.sql += " NULLS FIRST";
            if (o.nulls == 2) result.sql += " NULLS LAST";
        }
    }
    const SelectCore &head = s.cores.front();
    const Expr *limit = head.first ? head.first.get() : s.limit.get();
    if (limit || head.skip) {
        auto value = [&](const Expr &e) {
            if (e.kind == ExprKind::Param) {
                m_params = std::max(m_params, e.paramIndex);
                return "?" + std::to_string(e.paramIndex);
            }
            if (e.kind != ExprKind::Integer) raise(-201, {}, e.offset);
            return e.text;
        };
        result.sql += " LIMIT " + (limit ? value(*limit) : std::string("-1"));
        if (head.skip) result.sql += " OFFSET " + value(*head.skip);
    }
    return result;
}

Translation translate(const ast::Statement &st, TranslationContext &ctx)
{
    Translator t(ctx);
    Translation out;
    switch (st.kind) {
    case StmtKind::Select: {
        const SelectStmt &sel = static_cast<const SelectStatement &>(st).select;
        if (!sel.intoTemp.empty()) {
            if (ctx.catalog.temp(sel.intoTemp)) raise(-958, sel.intoTemp, sel.intoTempOffset);
            // The new table's columns are named by labels; an expression needs one.
            for (const SelectItem &item : sel.cores.front().items)
                if (item.alias.empty() && item.expr->kind != ExprKind::Column && item.expr->kind != ExprKind::Star)
                    raise(-249, {}, item.offset);
            if (sel.cores.front().first || sel.cores.front().skip || sel.limit) raise(-944, {}, sel.cores.front().offset);
        }
        Translator::SelectResult r = t.select(sel, nullptr);
        out.columns = std::move(r.columns);
        if (sel.intoTemp.empty()) {
            out.sql = std::move(r.sql);
            out.returnsRows = true;
        } else {
            out.intoTemp = sel.intoTemp;
            std::vector<std::string> names;
            for (const ColumnDescription &c : out.columns) names.push_back(c.name);
            std::sort(names.begin(), names.end());
            const bool unique = std::adjacent_find(names.begin(), names.end()) == names.end();
            std::string declared;
            for (std::size_t i = 0; i < out.columns.size(); ++i) {
                ColumnInfo c;
                c.name = out.columns[i].name;
                c.colno = int(i + 1);
                c.coltype = r.types[i].code == TNull ? TVarChar : r.types[i].code;
                c.collength = r.types[i].code == TNull ? encodeVarchar(255) : r.types[i].collength;
                c.extendedId = r.types[i].extendedId;
                if (isSerial(c.coltype)) c.coltype = c.coltype == TSerial ? TInteger : c.coltype == TSerial8 ? TInt8 : TBigInt;
                declared += (i ? ", " : "") + quoteIdent(c.name) + " " + sqliteStorage(c.coltype, c.extendedId);
                out.tempColumns.push_back(std::move(c));
            }
            // Declared columns keep decimal and blank-padded comparisons; with
            // repeated names SQLite's own renaming of CREATE TABLE AS is kept.
            if (unique) {
                out.sql = "CREATE TEMP TABLE " + quoteIdent(sel.intoTemp) + " (" + declared + ")";
                out.tempSelect = std::move(r.sql);
            } else {
                out.sql = "CREATE TEMP TABLE " + quoteIdent(sel.intoTemp) + " AS " + r.sql;
            }
            out.columns.clear();
        }
        break;
    }
    case StmtKind::Insert: out = t.insert(static_cast<const InsertStatement &>(st)); break;
    case StmtKind::Update: out = t.update(static_cast<const UpdateStatement &>(st)); break;
    case StmtKind::Delete: out = t.remove(static_cast<const DeleteStatement &>(st)); break;
    case StmtKind::Merge: out = t.merge(static_cast<const MergeStatement &>(st)); break;
    default: raise(-201, {}, st.start);
    }
    out.parameterCount = int(st.params.size());
    return out;
}

std::string translateExpression(const Expr &e, const TableInfo &table, TranslationContext &ctx)
{
    Translator t(ctx);
    Scope scope;
    ScopeTable st;
    st.info = &table;
    st.alias = table.name;
    st.tableName = table.name;
    st.owner = table.owner;
    scope.tables.push_back(std::move(st));
    // A CHECK condition sees its own row only: no subquery, no window
    // function (-201), no aggregate (-303, as in WHERE).
    auto refuse = [](auto &self, const Expr &x) -> void {
        const bool query = x.kind == ExprKind::InSelect || x.kind == ExprKind::Exists
                           || x.kind == ExprKind::Subquery || x.kind == ExprKind::Quantified;
        if (query && x.select && !x.select->cores.empty()) raise(-201, {}, x.select->cores.front().offset);
        if (query || x.over) raise(-201, {}, x.offset);
        for (const ExprPtr &a : x.args)
            if (a) self(self, *a);
    };
    refuse(refuse, e);
    // CHECK constraints and defaults name columns bare (empty sqlRef).
    Typed typed = t.expr(e, scope);
    if (typed.aggregate) raise(-303, {}, aggregateOffset(e));
    return std::move(typed.sql);
}

} // namespace quodlin::engine
