// INSERT, UPDATE and DELETE through views. A simple view (one table or simple
// view, no join, DISTINCT/UNIQUE, GROUP BY/HAVING, aggregate or UNION) is
// resolved down to its base table: each view column becomes an expression
// over the base, the WHERE conditions of every layer limit the rows changed,
// and WITH CHECK OPTION becomes a RETURNING clause that fails the statement
// (undoing all of it) when a row written would not be visible through the
// view. The option is cascaded: a view with it checks the conditions of the
// views it is built on as well, since they are part of its definition.
#include "engine/translate_internal.h"

#include "engine/error.h"
#include "engine/parser.h"
#include "engine/sqlite_util.h"

#include <algorithm>

namespace quodlin::engine {

using namespace ast;

namespace {

// Deep enough for any chain a person writes; a longer one is refused rather
// than followed without end.
constexpr int kMaxViewDepth = 32;

void tablesInSelect(const SelectStmt &s, std::vector<const ObjectName *> &out);

void tablesInExpr(const Expr *e, std::vector<const ObjectName *> &out)
{
    if (!e)
        return;
    for (const ExprPtr &a : e->args)
        tablesInExpr(a.get(), out);
    if (e->select)
        tablesInSelect(*e->select, out);
}

void tablesInFrom(const FromItem &f, std::vector<const ObjectName *> &out)
{
    if (f.kind == FromItem::Kind::Table)
        out.push_back(&f.table);
    for (const FromItem &m : f.members)
        tablesInFrom(m, out);
    if (f.left)
        tablesInFrom(*f.left, out);
    if (f.right)
        tablesInFrom(*f.right, out);
    tablesInExpr(f.on.get(), out);
    if (f.derived)
        tablesInSelect(*f.derived, out);
}

void tablesInSelect(const SelectStmt &s, std::vector<const ObjectName *> &out)
{
    for (const SelectCore &c : s.cores) {
        for (const SelectItem &i : c.items)
            tablesInExpr(i.expr.get(), out);
        for (const FromItem &f : c.from)
            tablesInFrom(f, out);
        tablesInExpr(c.where.get(), out);
        for (const ExprPtr &g : c.groupBy)
            tablesInExpr(g.get(), out);
        tablesInExpr(c.having.get(), out);
    }
}

std::string joinConditions(const std::vector<std::string> &conditions)
{
    std::string out;
    for (const std::string &c : conditions)
        out += (out.empty() ? "(" : " AND (") + c + ")";
    return out;
}

} // namespace

Translator::ViewTarget Translator::resolveView(const TableInfo &object, int offset, bool returningRef, int depth,
                                               std::vector<std::string> &where, std::vector<std::string> &check,
                                               std::vector<int> &chain)
{
    if (object.tabtype != 'V') {
        if (object.tabtype != 'T')
            raise(-999, {}, offset);
        ViewTarget t;
        t.base = &object;
        const std::string ref = returningRef ? quoteIdent(object.name) : object.sqliteName;
        for (const ColumnInfo &c : object.columns) {
            Typed v;
            v.sql = ref + "." + quoteIdent(c.name);
            v.type = c.type();
            v.column = &c;
            v.baseTable = object.name;
            v.nullable = !c.notNull;
            t.columns.push_back(std::move(v));
            t.baseColumns.push_back(&c);
        }
        return t;
    }
    if (depth > kMaxViewDepth)
        raise(-384, {}, offset);
    chain.push_back(object.tabid);

    std::string text;
    {
        sql::Stmt q(m_ctx.catalog.db(), "SELECT viewtext FROM sysviews WHERE tabid = ?1 ORDER BY seqno");
        q.bind(1, object.tabid);
        while (q.step())
            text += q.text(0);
    }
    // The text keeps the creator's quoting; which DELIMIDENT that was is not
    // recorded, so the other reading is tried when the session's fails.
    Script script;
    for (bool delimident : {m_ctx.env.delimident, !m_ctx.env.delimident}) {
        try {
            ParseOptions opts;
            opts.delimident = delimident;
            script = parseScript(text, opts);
            break;
        } catch (const EngineError &) {
            script.clear();
        }
    }
    if (script.size() != 1 || script.front()->kind != StmtKind::CreateView)
        raise(-384, {}, offset);
    const auto &cv = static_cast<const CreateViewStatement &>(*script.front());
    const SelectStmt &sel = *cv.select;
    if (sel.cores.size() != 1 || sel.limit)
        raise(-384, {}, offset);
    const SelectCore &core = sel.cores.front();
    if (core.distinct || !core.groupBy.empty() || core.having || core.first || core.skip || core.from.size() != 1
        || core.from.front().kind != FromItem::Kind::Table)
        raise(-384, {}, offset);
    const FromItem &from = core.from.front();
    const TableInfo &lower = lookupTable(from.table);
    // A session temp table hiding the view's table by name: the view reads
    // the permanent one, so changing the temp table would be the wrong one.
    if (lower.temp)
        raise(-384, {}, offset);
    const ViewTarget below = resolveView(lower, offset, returningRef, depth + 1, where, check, chain);

    ScopeTable st;
    st.info = &lower;
    st.tableName = lower.name;
    st.owner = lower.owner;
    st.alias = from.alias.empty() ? lower.name : from.alias;
    st.sqlRef = returningRef ? quoteIdent(below.base->name) : below.base->sqliteName;
    st.columnSql = below.columns;
    Scope scope;
    scope.tables.push_back(std::move(st));

    ViewTarget out;
    out.base = below.base;
    for (const SelectItem &item : core.items) {
        if (item.expr->kind == ExprKind::Star) {
            out.columns.insert(out.columns.end(), below.columns.begin(), below.columns.end());
            out.baseColumns.insert(out.baseColumns.end(), below.baseColumns.begin(), below.baseColumns.end());
            continue;
        }
        Typed v = expr(*item.expr, scope);
        if (v.aggregate)
            raise(-384, {}, offset);
        out.baseColumns.push_back(item.expr->kind == ExprKind::Column ? v.column : nullptr);
        out.columns.push_back(std::move(v));
    }
    // A view whose columns no longer match its text (never re-translated
    // since its base changed) cannot be mapped safely.
    if (out.columns.size() != object.columns.size())
        raise(-384, {}, offset);
    if (core.where) {
        // Its subqueries would name the changed table under the same name as
        // the statement, and SQLite would read theirs.
        std::vector<const ObjectName *> names;
        tablesInExpr(core.where.get(), names);
        for (const ObjectName *n : names) {
            auto t = m_ctx.catalog.findTable(n->name, n->owner);
            if (t && (t->tabid == out.base->tabid
                      || std::find(chain.begin(), chain.end(), t->tabid) != chain.end()))
                raise(-360, {}, offset);
        }
        Typed w = expr(*core.where, scope);
        if (w.aggregate)
            raise(-384, {}, offset);
        where.push_back(w.sql);
    }
    if (cv.withCheckOption)
        check = where;
    return out;
}

Translator::ViewTarget Translator::viewTarget(const TableInfo &view, int offset, bool wantCheck)
{
    // Offsets in the view's text mean nothing in the statement's.
    struct Restore {
        bool &flag;
        bool saved;
        ~Restore() { flag = saved; }
    } restore{m_ctx.errorOffsets, m_ctx.errorOffsets};
    m_ctx.errorOffsets = false;
    std::vector<std::string> where, check;
    std::vector<int> chain;
    ViewTarget t = resolveView(view, offset, false, 0, where, check, chain);
    t.where = joinConditions(where);
    if (wantCheck && !check.empty()) {
        // Again with the base named as RETURNING sees it.
        std::vector<std::string> where2, check2;
        chain.clear();
        resolveView(view, offset, true, 0, where2, check2, chain);
        t.check = joinConditions(check2);
    }
    return t;
}

std::string Translator::checkClause(const std::string &check, int offset) const
{
    // Only a condition that is true keeps the row visible: NULL fails too.
    return " RETURNING CASE WHEN " + check + " THEN 0 ELSE ifx_raise(-385" + at(offset) + ") END";
}

} // namespace quodlin::engine
