#include "engine/explain.h"
#include "engine/sqlfunctions.h"
#include "engine/explain_plan.h"

#include "engine/file_access.h"
#include "engine/session.h"
#include "engine/sqlite_util.h"
#include "engine/timeunits.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <set>

namespace quodlin::engine::explain {

namespace {

// The explain file cannot be opened or written. Informix reports this kind
// of failure with an OS error; the engine's table has no SQL number for it,
// so -9620 is the engine's own, with the OS error (negative errno, as
// Informix reports system errors) as the ISAM companion.
constexpr int kExplainFileError = -9620;

constexpr double kMaxEstimate = 1e18;

[[noreturn]] void fileError(const std::string &path, int err, int offset)
{
    ErrorInfo e = makeError(kExplainFileError, path, offset, err ? -err : 0);
    if (err && e.isamMessage.empty())
        e.isamMessage = std::string(std::strerror(err)) + ".";
    throw EngineError(e);
}

void appendTo(const std::string &path, const std::string &data, int offset)
{
    if (path.empty())
        fileError(path, ENOENT, offset);
    errno = 0;
    std::FILE *f = std::fopen(path.c_str(), "ab");
    if (!f)
        fileError(path, errno ? errno : EIO, offset);
    int err = 0;
    if (!data.empty() && (std::fwrite(data.data(), 1, data.size(), f) != data.size() || std::fflush(f) != 0))
        err = errno ? errno : EIO;
    if (std::fclose(f) != 0 && !err)
        err = errno ? errno : EIO;
    if (err)
        fileError(path, err, offset);
}

// ---------------------------------------------------------------- the statement's tables and predicates

struct TableRef {
    std::string alias;   // what the statement and the plan call it
    std::string name;
    std::string owner;
    std::optional<TableInfo> info;
    bool derived = false;
    int core = 0;
    int placed = -1;     // position in plan order, -1 when the plan does not show it
};

struct CoreInfo {
    int parent = -1;
    int container = -1;      // a derived table's query: the block whose FROM holds it
    std::vector<int> tables;
    bool aggregate = false;  // aggregates without GROUP BY: one row
    bool grouped = false;
};

bool isAggregate(const ast::Expr &e)
{
    if (e.kind != ast::ExprKind::Function)
        return false;
    return e.text == "count" || e.text == "sum" || e.text == "avg" || e.text == "min" || e.text == "max";
}

class Model {
public:
    explicit Model(SessionImpl &s) : m_s(s) {}

    std::vector<TableRef> tables;
    std::vector<CoreInfo> cores;
    std::vector<Conjunct> conjuncts;
    int targetTabid = 0;

    void statement(const ast::Statement &stmt)
    {
        using K = ast::StmtKind;
        switch (stmt.kind) {
        case K::Select:
            select(static_cast<const ast::SelectStatement &>(stmt).select, -1);
            break;
        case K::Insert: {
            const auto &st = static_cast<const ast::InsertStatement &>(stmt);
            if (auto t = m_s.catalog().findTable(st.table.name, st.table.owner))
                targetTabid = t->tabid;
            if (st.select)
                select(*st.select, -1);
            break;
        }
        case K::Update: {
            const auto &st = static_cast<const ast::UpdateStatement &>(stmt);
            const int c = newCore(-1);
            addTable(st.table, st.alias, c);
            conditions(st.where.get(), c);
            for (const ast::Assignment &a : st.assignments)
                subqueries(a.value.get(), c);
            break;
        }
        case K::Delete: {
            const auto &st = static_cast<const ast::DeleteStatement &>(stmt);
            const int c = newCore(-1);
            addTable(st.table, st.alias, c);
            conditions(st.where.get(), c);
            break;
        }
        default:
            break;
        }
    }

    // True when every table the statement reads is a system catalog table:
    // the catalog lookups tools make around a user's query are not his.
    bool catalogOnly() const
    {
        bool any = false;
        for (const TableRef &t : tables) {
            if (t.derived)
                continue;
            if (!t.info || t.info->temp || t.info->tabid <= 0 || t.info->tabid >= 100)
                return false;
            any = true;
        }
        if (targetTabid >= 100)
            return false;
        return any;
    }

    // The table a column reference names, searching the query block and
    // then the blocks around it; -1 when unknown.
    int resolve(const ast::Expr &col, int core) const
    {
        for (int c = core; c >= 0; c = cores[c].parent) {
            const CoreInfo &ci = cores[c];
            if (!col.table.empty()) {
                for (int t : ci.tables)
                    if (tables[t].alias == col.table && (col.owner.empty() || col.owner == tables[t].owner))
                        return t;
                continue;
            }
            for (int t : ci.tables)
                if (tables[t].info && tables[t].info->column(col.text))
                    return t;
            if (col.text == "rowid" && ci.tables.size() == 1)
                return ci.tables[0];
        }
        return -1;
    }

    std::string label(int t) const
    {
        const TableRef &r = tables[t];
        if (r.derived)
            return r.alias.rfind("quodlin_", 0) == 0 ? "(Temp Table For Subquery)" : r.alias;
        return r.owner.empty() ? r.alias : r.owner + "." + r.alias;
    }

private:
    int newCore(int parent)
    {
        cores.push_back({});
        cores.back().parent = parent;
        return static_cast<int>(cores.size()) - 1;
    }

    void select(const ast::SelectStmt &s, int parent)
    {
        for (const ast::SelectCore &core : s.cores) {
            if (core.nested) {
                select(*core.nested, parent);
                continue;
            }
            const int c = newCore(parent);
            cores[c].grouped = !core.groupBy.empty();
            for (const ast::FromItem &f : core.from)
                from(f, c);
            for (const ast::SelectItem &item : core.items) {
                if (item.expr && isAggregate(*item.expr) && core.groupBy.empty())
                    cores[c].aggregate = true;
                subqueries(item.expr.get(), c);
            }
            conditions(core.where.get(), c);
            subqueries(core.having.get(), c);
        }
    }

    void from(const ast::FromItem &f, int c)
    {
        using FK = ast::FromItem::Kind;
        switch (f.kind) {
        case FK::Table:
            addTable(f.table, f.alias, c);
            break;
        case FK::Outer:
            for (const ast::FromItem &m : f.members)
                from(m, c);
            break;
        case FK::Join:
            if (f.left)
                from(*f.left, c);
            if (f.right)
                from(*f.right, c);
            conditions(f.on.get(), c, f.join != ast::JoinType::Inner && f.join != ast::JoinType::Cross);
            break;
        case FK::Derived: {
            TableRef t;
            t.alias = f.alias.empty() ? "quodlin_d" + std::to_string(cores[c].tables.size()) : f.alias;
            t.derived = true;
            t.core = c;
            tables.push_back(std::move(t));
            cores[c].tables.push_back(static_cast<int>(tables.size()) - 1);
            if (f.derived) {
                const size_t first = cores.size();
                select(*f.derived, -1);
                for (size_t i = first; i < cores.size(); ++i)
                    if (cores[i].parent < 0 && cores[i].container < 0)
                        cores[i].container = c;
            }
            break;
        }
        }
    }

    void addTable(const ast::ObjectName &name, const std::string &alias, int c)
    {
        TableRef t;
        t.alias = alias.empty() ? name.name : alias;
        t.core = c;
        t.info = m_s.catalog().findTable(name.name, name.owner);
        // A synonym's DML runs on its base table, which the plan then names.
        t.name = t.info ? t.info->name : name.name;
        t.owner = t.info ? t.info->owner : name.owner;
        tables.push_back(std::move(t));
        cores[c].tables.push_back(static_cast<int>(tables.size()) - 1);
    }

    // WHERE and ON conditions split at their top-level ANDs.
    void conditions(const ast::Expr *e, int c, bool outerOn = false)
    {
        if (!e)
            return;
        if (e->kind == ast::ExprKind::And) {
            for (const ast::ExprPtr &a : e->args)
                conditions(a.get(), c, outerOn);
            return;
        }
        conjuncts.push_back({e, c, outerOn});
        subqueries(e, c);
    }

    void subqueries(const ast::Expr *e, int c)
    {
        if (!e)
            return;
        if (e->select)
            select(*e->select, c);
        for (const ast::ExprPtr &a : e->args)
            subqueries(a.get(), c);
    }

    SessionImpl &m_s;
};

// ---------------------------------------------------------------- predicate text

std::string qualifierText(const ast::DtQualifier &q)
{
    if (!q.valid())
        return {};
    std::string s = std::string(" ") + timeUnitName(q.start, false);
    if (q.leading >= 0)
        s += "(" + std::to_string(q.leading) + ")";
    // A single unit stands alone, but FRACTION always names its end's digits.
    if (q.end >= 0 && (q.end != q.start || q.start == ast::UnitFraction))
        s += std::string(" TO ") + timeUnitName(q.end, true);
    return s;
}

const char *opText(TokenKind op)
{
    switch (op) {
    case TokenKind::Plus: return "+";
    case TokenKind::Minus: return "-";
    case TokenKind::Star: return "*";
    case TokenKind::Slash: return "/";
    case TokenKind::Concat: return "||";
    case TokenKind::Eq: return "=";
    case TokenKind::Ne: return "!=";
    case TokenKind::Lt: return "<";
    case TokenKind::Le: return "<=";
    case TokenKind::Gt: return ">";
    case TokenKind::Ge: return ">=";
    default: return "?";
    }
}

std::string quoted(const std::string &s)
{
    std::string out = "'";
    for (char ch : s) {
        out += ch;
        if (ch == '\'')
            out += '\'';
    }
    return out + "'";
}

// Rebuilds a predicate with its columns qualified as owner.alias.column.
class Printer {
public:
    Printer(const Model &m, int core) : m_m(m), m_core(core) {}

    std::string operator()(const ast::Expr &e) const { return text(e); }

private:
    std::string sub(const ast::Expr &e, bool wrap) const
    {
        const bool logical = e.kind == ast::ExprKind::And || e.kind == ast::ExprKind::Or;
        const bool arithmetic = e.kind == ast::ExprKind::Binary;
        return (wrap && (logical || arithmetic)) ? "(" + text(e) + ")" : text(e);
    }

    std::string list(const std::vector<ast::ExprPtr> &args, size_t from) const
    {
        std::string s;
        for (size_t i = from; i < args.size(); ++i)
            s += (i > from ? ", " : "") + text(*args[i]);
        return s;
    }

    std::string text(const ast::Expr &e) const
    {
        using EK = ast::ExprKind;
        const auto arg = [&](size_t i) -> const ast::Expr & { return *e.args.at(i); };
        const std::string no = e.negated ? "NOT " : "";
        switch (e.kind) {
        case EK::Null: return "NULL";
        case EK::Integer:
        case EK::Number: return e.text;
        case EK::String: return quoted(e.text);
        case EK::Column: {
            const int t = m_m.resolve(e, m_core);
            if (t < 0)
                return (e.table.empty() ? "" : e.table + ".") + e.text;
            return m_m.label(t) + "." + e.text;
        }
        case EK::Star: return e.table.empty() ? "*" : e.table + ".*";
        case EK::Param: return e.text.empty() ? "?" : ":" + e.text;
        case EK::Unary: return std::string(opText(e.op)) + sub(arg(0), true);
        case EK::Binary: return sub(arg(0), true) + " " + opText(e.op) + " " + sub(arg(1), true);
        case EK::Compare: return sub(arg(0), true) + " " + opText(e.op) + " " + sub(arg(1), true);
        case EK::And: return sub(arg(0), arg(0).kind == EK::Or) + " AND " + sub(arg(1), arg(1).kind == EK::Or);
        case EK::Or: return sub(arg(0), arg(0).kind == EK::And) + " OR " + sub(arg(1), arg(1).kind == EK::And);
        case EK::Not: return "NOT " + sub(arg(0), true);
        case EK::IsNull: return sub(arg(0), true) + (e.negated ? " IS NOT NULL" : " IS NULL");
        case EK::Between:
            return sub(arg(0), true) + " " + no + "BETWEEN " + sub(arg(1), true) + " AND " + sub(arg(2), true);
        case EK::InList: return sub(arg(0), true) + " " + no + "IN (" + list(e.args, 1) + ")";
        case EK::InSelect: return sub(arg(0), true) + " " + no + "IN <subquery>";
        case EK::Exists: return no + "EXISTS <subquery>";
        case EK::Subquery: return "<subquery>";
        case EK::Quantified:
            return sub(arg(0), true) + " " + opText(e.op) + (e.all ? " ALL" : " ANY") + " <subquery>";
        case EK::Like:
        case EK::Matches: {
            std::string s = sub(arg(0), true) + " " + no + (e.kind == EK::Like ? "LIKE " : "MATCHES ") + sub(arg(1), true);
            if (e.args.size() > 2)
                s += " ESCAPE " + text(arg(2));
            return s;
        }
        case EK::Function:
            if (e.star)
                return e.text + "(*)";
            return e.text + "(" + (e.distinct ? "DISTINCT " : "") + list(e.args, 0) + ")";
        case EK::Case: {
            std::string s = "CASE";
            size_t i = 0;
            if (e.hasOperand)
                s += " " + text(arg(i++));
            const size_t pairsEnd = e.args.size() - (e.hasElse ? 1 : 0);
            for (; i + 2 <= pairsEnd; i += 2)
                s += " WHEN " + text(arg(i)) + " THEN " + text(arg(i + 1));
            if (e.hasElse)
                s += " ELSE " + text(*e.args.back());
            return s + " END";
        }
        case EK::Cast:
            return "CAST(" + text(arg(0)) + " AS " + (e.castType ? e.castType->spelling : std::string("?")) + ")";
        case EK::Substring:
            return sub(arg(0), true) + "[" + text(arg(1)) + (e.args.size() > 2 ? "," + text(arg(2)) : "") + "]";
        case EK::Constant: {
            std::string s;
            for (char ch : e.text)
                s += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            return s + qualifierText(e.qualifier);
        }
        case EK::Datetime: return "DATETIME (" + e.text + ")" + qualifierText(e.qualifier);
        case EK::Interval: return "INTERVAL (" + e.text + ")" + qualifierText(e.qualifier);
        case EK::Units: return sub(arg(0), true) + " UNITS " + timeUnitName(e.qualifier.start, false);
        case EK::Sequence: return e.table + "." + e.text;
        case EK::Prior: return "PRIOR " + text(arg(0));
        case EK::ConnectByRoot: return "CONNECT_BY_ROOT " + text(arg(0));
        case EK::Collection: {
            std::string word = e.text;
            for (char &c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            return word + "{" + list(e.args, 0) + "}";
        }
        case EK::RowValue: return "ROW(" + list(e.args, 0) + ")";
        case EK::Trim: {
            std::string s = "TRIM(" + e.text + " ";
            if (e.args.size() > 1)
                s += text(arg(1)) + " ";
            return s + "FROM " + text(arg(0)) + ")";
        }
        }
        return "?";
    }

    const Model &m_m;
    int m_core;
};

// ---------------------------------------------------------------- the entry

class Builder {
public:
    Builder(SessionImpl &s, Model &m) : m_s(s), m_m(m) {}

    void place(Block &b)
    {
        for (Access &a : b.accesses) {
            a.table = claim(a.name);
            a.pos = m_order++;
            if (a.table >= 0)
                m_m.tables[a.table].placed = a.pos;
            else
                a.table = again(a.name);  // a table read twice, as a FULL JOIN's right side is
            keyAccess(a);
            m_accesses.push_back(&a);
        }
        for (Block &c : b.children)
            place(c);
    }

    // A table's row key read by its rowid is the primary key's index to the
    // user, as it was when the key had an index of its own.
    void keyAccess(Access &a) const
    {
        if (a.kind != Access::Kind::Rowid || a.table < 0 || a.uses.size() != 1 || !m_m.tables[a.table].info)
            return;
        const TableInfo &t = *m_m.tables[a.table].info;
        const ColumnInfo *key = nullptr;
        for (const ColumnInfo &c : t.columns)
            if (c.colno == t.rowKey)
                key = &c;
        if (!key)
            return;
        for (const IndexInfo &ix : m_s.catalog().indexes(t.tabid))
            if (ix.idxtype == 'U' && ix.parts == std::vector<int>{t.rowKey}) {
                a.kind = Access::Kind::Index;
                IndexUse &u = a.uses.front();
                u.sqliteName = "ix$" + ix.name;
                for (std::string &c : u.columns)
                    if (c == "rowid")
                        c = key->name;
                return;
            }
    }

    // A view's base table appears in the plan under its own name; the
    // view's predicates then filter that table's rows.
    void placeViews()
    {
        for (Access *a : m_accesses) {
            if (a->table >= 0)
                continue;
            for (size_t i = 0; i < m_m.tables.size(); ++i) {
                TableRef &t = m_m.tables[i];
                if (t.placed < 0 && t.info && t.info->tabtype == 'V') {
                    t.placed = a->pos;
                    a->table = static_cast<int>(i);
                    a->viaView = true;
                    break;
                }
            }
        }
    }

    // Each predicate goes to the table of its query block that the plan
    // reaches last among those it names (where all its values are known).
    void assign()
    {
        for (const Conjunct &c : m_m.conjuncts) {
            std::vector<int> refs;
            collectRefs(*c.expr, c.core, refs);
            int best = -1;
            for (int t : refs)
                if (m_m.tables[t].placed >= 0 && (best < 0 || m_m.tables[t].placed > m_m.tables[best].placed))
                    best = t;
            if (refs.empty())
                for (int t : m_m.cores[c.core].tables)
                    if (m_m.tables[t].placed >= 0 && (best < 0 || m_m.tables[t].placed < m_m.tables[best].placed))
                        best = t;
            // SQLite may have merged a derived table into this block: its tables take the predicate.
            if (best < 0)
                for (const Access *a : m_accesses)
                    if (a->table >= 0 && within(m_m.tables[a->table].core, c.core)) {
                        best = a->table;
                        break;
                    }
            if (best < 0)
                continue;
            for (Access *a : m_accesses)
                if (a->table == best) {
                    sortPredicate(*a, c);
                    break;
                }
        }
    }

    void estimate(Block &b, int coreHint)
    {
        double outer = 1, cost = 0;
        int core = coreHint;
        for (Access &a : b.accesses) {
            if (a.table >= 0 && core < 0)
                core = m_m.tables[a.table].core;
            const double n = rowsOf(a);
            double selIndexed = 1, selRest = 1;
            for (const Conjunct *c : a.indexed)
                selIndexed *= selectivity(*c->expr);
            for (const Conjunct *c : a.filters)
                selRest *= selectivity(*c->expr);
            double scanned = n, out = n * selIndexed * selRest;
            if (a.kind == Access::Kind::Rowid) {
                scanned = 1;
                out = std::min(n, 1.0);
            } else if (!a.indexed.empty()) {
                double matched = n * selIndexed;
                if (uniqueLookup(a))
                    matched = std::min(matched, 1.0);
                scanned = matched + 1;
                out = matched * selRest;
            }
            cost += outer * scanned;
            outer *= out;
        }
        double rows = b.accesses.empty() ? 1 : outer;
        for (Block &c : b.children) {
            estimate(c, -1);
            cost += c.cost;
            if (c.kind == Block::Kind::Union)
                rows += c.rows;
        }
        if (core >= 0 && m_m.cores[core].aggregate)
            rows = 1;
        else if (core >= 0 && m_m.cores[core].grouped && rows > 1)
            rows = std::max(1.0, rows / 10);
        if (b.orderBy || b.groupBy)
            cost += rows;
        // Kept within what prints as a 64-bit integer (cartesian products grow fast).
        b.cost = std::min(kMaxEstimate, std::max(1.0, std::ceil(cost)));
        b.rows = std::min(kMaxEstimate, std::ceil(rows));
    }

    void render(const Block &b, const std::string &in, std::string &out) const
    {
        int n = 0;
        for (const Access &a : b.accesses) {
            ++n;
            out += in + "  " + std::to_string(n) + ") " + tableLabel(a) + ": " + pathName(a) + "\n\n";
            const size_t body = out.size();
            std::vector<const Conjunct *> plain, on;
            for (const Conjunct *c : a.filters)
                (c->outerOn ? on : plain).push_back(c);
            if (!plain.empty())
                out += in + "        Filters: " + joined(plain) + "\n";
            if (!on.empty())
                out += in + "        ON-Filters: " + joined(on) + "\n";
            if (!a.filters.empty() && (a.kind == Access::Kind::Index || a.kind == Access::Kind::AutoIndex))
                out += "\n";
            if (a.kind == Access::Kind::Index || a.kind == Access::Kind::AutoIndex) {
                int k = 0;
                for (const IndexUse &u : a.uses) {
                    ++k;
                    const std::string keys = "Index Keys: " + indexKeys(a, u) + (u.covering ? "   (Key-Only)" : "");
                    if (a.kind == Access::Kind::AutoIndex) {
                        out += in + "    (" + std::to_string(k) + ") " + keys + "\n";
                    } else {
                        out += in + "    (" + std::to_string(k) + ") Index Name: " + indexName(u) + "\n";
                        out += in + "        " + keys + "\n";
                    }
                    if (k == 1 && !a.lower.empty())
                        out += in + "        Lower Index Filter: " + andList(a.lower) + "\n";
                    if (k == 1 && !a.upper.empty())
                        out += in + "        Upper Index Filter: " + andList(a.upper) + "\n";
                }
            }
            if (n >= 2)
                out += in + "NESTED LOOP JOIN\n";
            if (out.size() > body)
                out += "\n";
        }
        for (const Block &c : b.children) {
            const std::string inner = in + "    ";
            if (c.kind == Block::Kind::Union) {
                out += inner + "Union Query:\n" + inner + "------------\n\n";
            } else {
                out += inner + "Subquery:\n" + inner + "---------\n" + summary(c, inner);
            }
            render(c, inner, out);
        }
    }

private:
    bool within(int core, int outer) const
    {
        for (int c = core; c >= 0; c = m_m.cores[c].container)
            if (c == outer)
                return true;
        return false;
    }

    int again(const std::string &name) const
    {
        for (int t : m_claimed)
            if (m_m.tables[t].alias == name)
                return t;
        return -1;
    }

    int claim(const std::string &name)
    {
        for (int pass = 0; pass < 2; ++pass)
            for (size_t i = 0; i < m_m.tables.size(); ++i) {
                TableRef &t = m_m.tables[i];
                if (t.placed < 0 && !m_claimed.count(static_cast<int>(i)) && (pass == 0 ? t.alias : t.name) == name) {
                    m_claimed.insert(static_cast<int>(i));
                    return static_cast<int>(i);
                }
            }
        return -1;
    }

    void collectRefs(const ast::Expr &e, int core, std::vector<int> &refs) const
    {
        if (e.kind == ast::ExprKind::Column) {
            const int t = m_m.resolve(e, core);
            if (t >= 0 && m_m.tables[t].core == core)
                refs.push_back(t);
        }
        for (const ast::ExprPtr &a : e.args)
            if (a)
                collectRefs(*a, core, refs);
    }

    // True when `e` does not read `table` (its value is known when the table is probed).
    bool independentOf(const ast::Expr &e, int table, int core) const
    {
        std::vector<int> refs;
        collectRefs(e, core, refs);
        for (int t : refs)
            if (t == table)
                return false;
        return true;
    }

    // A constrained key column of the access's index, written as this table's column.
    bool keyColumn(const Access &a, const ast::Expr &e, int core) const
    {
        if (e.kind != ast::ExprKind::Column || a.uses.empty() || m_m.resolve(e, core) != a.table)
            return false;
        for (const std::string &c : a.uses.front().columns)
            if (c == e.text)
                return true;
        return false;
    }

    void sortPredicate(Access &a, const Conjunct &c)
    {
        using EK = ast::ExprKind;
        const ast::Expr &e = *c.expr;
        const Printer print(m_m, c.core);
        const bool indexPath = a.kind == Access::Kind::Index || a.kind == Access::Kind::AutoIndex;
        if (indexPath && e.kind == EK::Compare && e.op != TokenKind::Ne) {
            TokenKind op = e.op;
            bool hit = false;
            if (keyColumn(a, *e.args[0], c.core) && independentOf(*e.args[1], a.table, c.core)) {
                hit = true;
            } else if (keyColumn(a, *e.args[1], c.core) && independentOf(*e.args[0], a.table, c.core)) {
                hit = true;
                op = op == TokenKind::Lt ? TokenKind::Gt : op == TokenKind::Le ? TokenKind::Ge
                   : op == TokenKind::Gt ? TokenKind::Lt : op == TokenKind::Ge ? TokenKind::Le : op;
            }
            if (hit) {
                (op == TokenKind::Lt || op == TokenKind::Le ? a.upper : a.lower).push_back(print(e));
                a.indexed.push_back(&c);
                return;
            }
        }
        if (indexPath && !e.negated && e.kind == EK::Between && keyColumn(a, *e.args[0], c.core)
            && independentOf(*e.args[1], a.table, c.core) && independentOf(*e.args[2], a.table, c.core)) {
            a.lower.push_back(print(*e.args[0]) + " >= " + print(*e.args[1]));
            a.upper.push_back(print(*e.args[0]) + " <= " + print(*e.args[2]));
            a.indexed.push_back(&c);
            return;
        }
        // A constant pattern's literal prefix is a range of the index (see the translator).
        if (indexPath && !e.negated && (e.kind == EK::Like || e.kind == EK::Matches) && keyColumn(a, *e.args[0], c.core)
            && e.args[1]->kind == EK::String) {
            const ast::Expr *escape = e.args.size() > 2 ? e.args[2].get() : nullptr;
            if (!escape || (escape->kind == EK::String && escape->text.size() <= 1)) {
                const char esc = !escape ? '\\' : escape->text.empty() ? 0 : escape->text[0];
                if (!patternPrefix(e.args[1]->text, e.kind == EK::Matches, esc).empty()) {
                    a.lower.push_back(print(e));
                    a.indexed.push_back(&c);
                    return;
                }
            }
        }
        if (indexPath && !e.negated && (e.kind == EK::InList || e.kind == EK::InSelect)
            && keyColumn(a, *e.args[0], c.core)) {
            a.lower.push_back(print(e));
            a.indexed.push_back(&c);
            return;
        }
        a.filters.push_back(&c);
    }

    static double selectivity(const ast::Expr &e)
    {
        using EK = ast::ExprKind;
        switch (e.kind) {
        case EK::Compare:
            return e.op == TokenKind::Eq ? 0.1 : e.op == TokenKind::Ne ? 0.9 : 1.0 / 3;
        case EK::Between: return e.negated ? 0.75 : 0.25;
        case EK::Like:
        case EK::Matches: return e.negated ? 0.8 : 0.2;
        case EK::IsNull: return e.negated ? 0.9 : 0.1;
        case EK::InList: return std::min(1.0, 0.1 * static_cast<double>(e.args.size() - 1));
        default: return 0.5;
        }
    }

    std::optional<IndexInfo> informixIndex(const IndexUse &u) const
    {
        if (!u.sqliteName.starts_with("ix$"))
            return std::nullopt;
        return m_s.catalog().findIndex(u.sqliteName.substr(3));
    }

    bool uniqueLookup(const Access &a) const
    {
        if (a.kind != Access::Kind::Index || a.uses.size() != 1)
            return false;
        auto ix = informixIndex(a.uses.front());
        return ix && ix->idxtype == 'U' && a.uses.front().equalities >= ix->parts.size();
    }

    std::string indexName(const IndexUse &u) const
    {
        if (auto ix = informixIndex(u))
            return ix->owner + "." + ix->name;
        return u.sqliteName;
    }

    std::string indexKeys(const Access &a, const IndexUse &u) const
    {
        auto ix = informixIndex(u);
        if (!ix)
            return andList(u.columns, " ");
        std::optional<TableInfo> t = a.table >= 0 && m_m.tables[a.table].info ? m_m.tables[a.table].info
                                                                                : m_s.catalog().tableById(ix->tabid);
        if (!t)
            t = m_s.catalog().tempById(ix->tabid) ? std::optional<TableInfo>(*m_s.catalog().tempById(ix->tabid))
                                                    : std::nullopt;
        std::string keys;
        for (int part : ix->parts) {
            std::string name = std::to_string(std::abs(part));
            if (t)
                for (const ColumnInfo &c : t->columns)
                    if (c.colno == std::abs(part))
                        name = c.name;
            keys += (keys.empty() ? "" : " ") + name + (part < 0 ? " DESC" : "");
        }
        return keys;
    }

    std::string tableLabel(const Access &a) const
    {
        if (a.table >= 0 && !a.viaView)
            return m_m.label(a.table);
        if (a.name.starts_with("quodlin_") || a.name.starts_with("("))
            return "(Temp Table For Subquery)";
        // A base table inside a view: SQLite names it as the view's text does.
        if (auto t = m_s.catalog().findTable(a.name))
            return t->owner + "." + a.name;
        return a.name;
    }

    static std::string pathName(const Access &a)
    {
        switch (a.kind) {
        case Access::Kind::Index: return "INDEX PATH";
        case Access::Kind::AutoIndex: return "AUTOINDEX PATH";
        default: return "SEQUENTIAL SCAN";
        }
    }

    std::string joined(const std::vector<const Conjunct *> &cs) const
    {
        std::vector<std::string> parts;
        for (const Conjunct *c : cs) {
            const ast::Expr &e = *c->expr;
            std::string t = Printer(m_m, c->core)(e);
            parts.push_back(cs.size() > 1 && e.kind == ast::ExprKind::Or ? "(" + t + ")" : t);
        }
        return andList(parts);
    }

    static std::string andList(const std::vector<std::string> &parts, const char *sep = " AND ")
    {
        std::string s;
        for (const std::string &p : parts)
            s += (s.empty() ? "" : sep) + p;
        return parts.size() > 1 && std::strcmp(sep, " AND ") == 0 ? "(" + s + ")" : s;
    }

    double rowsOf(const Access &a)
    {
        std::optional<TableInfo> info;
        if (a.table >= 0 && !a.viaView)
            info = m_m.tables[a.table].info;
        else if (!a.name.starts_with("quodlin_") && !a.name.starts_with("("))
            info = m_s.catalog().findTable(a.name);
        if (!info)
            return 10;  // a derived table: its own block is estimated apart
        auto it = m_rows.find(info->tabid);
        if (it != m_rows.end())
            return it->second;
        double n = -1;
        try {
            if (!info->temp && info->tabtype == 'T') {
                sql::Stmt q(m_s.db(), "SELECT nrows FROM systables WHERE tabid = ?1");
                q.bind(1, info->tabid);
                if (q.step() && !q.isNull(0) && q.real(0) > 0)
                    n = q.real(0);
            }
            if (n < 0) {
                sql::Stmt q(m_s.db(), "SELECT count(*) FROM " + info->sqliteName);
                n = q.step() ? static_cast<double>(q.integer(0)) : 0;
            }
        } catch (const EngineError &) {
            n = 10;
        }
        m_rows[info->tabid] = n;
        return n;
    }

    SessionImpl &m_s;
    Model &m_m;
    int m_order = 0;
    std::set<int> m_claimed;
    std::vector<Access *> m_accesses;
    std::map<int, double> m_rows;
};

std::string timestamp()
{
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%m-%d-%Y %H:%M:%S", &tm);
    return buf;
}

// "QUERY:" and the statement as the user wrote it, without its semicolon.
std::string header(const ast::Statement &stmt, const std::string &text)
{
    const size_t from = std::min(static_cast<size_t>(std::max(stmt.start, 0)), text.size());
    const size_t to = std::min(std::max(static_cast<size_t>(std::max(stmt.end, 0)), from), text.size());
    return "QUERY: (OPTIMIZATION TIMESTAMP: " + timestamp() + ")\n------\n" + text.substr(from, to - from) + "\n\n";
}

} // namespace

std::string targetPath(const ExplainSettings &settings, const Environment &env)
{
    return settings.fileTo.empty() ? defaultExplainFile(env) : sessionFilePath(env, settings.fileTo);
}

void set(SessionImpl &s, const ast::SetExplainStatement &st)
{
    using M = ast::SetExplainStatement::Mode;
    ExplainSettings next = s.explainSettings();
    switch (st.mode) {
    case M::Off:
        next.on = false;
        next.avoidExecute = false;
        s.explainSettings() = next;
        return;
    case M::On:
        next.on = true;
        next.avoidExecute = false;
        break;
    case M::AvoidExecute:
        next.on = true;
        next.avoidExecute = true;
        break;
    case M::File:
        if (st.file.empty())
            fileError(st.file, ENOENT, st.start);
        writableFile(s.environment(), st.file, kExplainFileError, st.start);
        next.fileTo = st.file;
        next.on = true;
        next.avoidExecute = false;
        break;
    }
    // Opened now so a bad file is reported here, not by the statements to come.
    appendTo(targetPath(next, s.environment()), {}, st.start);
    s.explainSettings() = next;
}

std::string entry(SessionImpl &s, const ast::Statement &stmt, const std::string &text, const std::string &sql)
{
    using K = ast::StmtKind;
    if (stmt.kind == K::Insert && !static_cast<const ast::InsertStatement &>(stmt).select)
        return {};
    if (stmt.kind != K::Select && stmt.kind != K::Insert && stmt.kind != K::Update && stmt.kind != K::Delete)
        return {};
    Model model(s);
    model.statement(stmt);
    if (model.catalogOnly())
        return {};
    Block plan = readPlan(s.db(), sql);
    Builder b(s, model);
    b.place(plan);
    b.placeViews();
    b.assign();
    b.estimate(plan, model.cores.empty() ? -1 : 0);

    std::string out = header(stmt, text);
    out += summary(plan, "");
    b.render(plan, "", out);
    return out;
}

bool beforeRun(SessionImpl &s, const ast::Statement &stmt, const std::string &text, const Translation &tr)
{
    const ExplainSettings &x = s.explainSettings();
    if (!x.on)
        return false;
    std::string e;
    try {
        // MERGE runs as several SQLite statements: its entry names it without a plan.
        e = stmt.kind == ast::StmtKind::Merge
            ? header(stmt, text)
            : entry(s, stmt, text, !tr.tempSelect.empty() ? tr.tempSelect : tr.plainSql.empty() ? tr.sql : tr.plainSql);
    } catch (const std::exception &) {
        // A plan that cannot be described must not stop the statement; the
        // entry then names the statement only.
        e = header(stmt, text);
    }
    if (!e.empty())
        appendTo(targetPath(x, s.environment()), e, stmt.start);
    return x.avoidExecute;
}

} // namespace quodlin::engine::explain
