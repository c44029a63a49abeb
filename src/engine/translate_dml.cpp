// INSERT, UPDATE and DELETE: values converted for their columns (DBDATE for
// DATE strings, CHAR truncation, range checks), SERIAL values drawn from the
// session's counters, defaults of omitted columns filled in. A simple view
// in place of the table stands for its base table (view_dml.cpp).
#include "engine/translate_internal.h"

#include "engine/error.h"
#include "engine/sqlite_util.h"

#include <algorithm>

namespace quodlin::engine {

using namespace ast;

namespace {

ScopeTable targetScope(const TableInfo &info, const std::string &alias)
{
    ScopeTable t;
    t.info = &info;
    t.tableName = info.name;
    t.owner = info.owner;
    t.alias = alias.empty() ? info.name : alias;
    // An alias is named in the statement too: a subquery reading the same
    // table unaliased would otherwise take "main"."t".col for its own row.
    t.sqlRef = alias.empty() ? info.sqliteName : quoteIdent(alias);
    return t;
}

// The catalog is the engine's own record of what exists: a row changed by
// hand would leave SQLite objects without their description, or the reverse.
void refuseCatalog(const TableInfo &table, int offset)
{
    if (table.tabid < 100 && !table.temp) raise(-312, table.name, offset);
}

// A view with an INSTEAD OF trigger for the event takes the statement as it
// is: the trigger's actions do the work.
bool insteadOf(Catalog &catalog, const TableInfo &view, char event)
{
    if (view.tabtype != 'V')
        return false;
    sql::Stmt q(catalog.db(), "SELECT 1 FROM systriggers WHERE tabid = ?1 AND event = ?2");
    q.bind(1, view.tabid).bind(2, std::string(1, event));
    return q.step();
}

const ColumnInfo &findColumn(const TableInfo &info, const ColumnRef &ref)
{
    const ColumnInfo *c = info.column(ref.name);
    if (!c) raise(-217, ref.name, ref.offset);
    return *c;
}

} // namespace

Translator::InsertColumns Translator::insertColumns(const TableInfo &named, const ViewTarget *view,
                                                     const std::vector<ColumnRef> &columns, int offset)
{
    const TableInfo &info = view ? *view->base : named;
    InsertColumns out;
    std::vector<const ColumnInfo *> &targets = out.targets;
    // Columns are named as the view or table shows them; view columns
    // stand for their base columns.
    auto target = [&](const ColumnInfo &c) {
        return view ? view->baseColumns[std::size_t(&c - named.columns.data())] : &c;
    };
    if (columns.empty()) {
        // A view may show one base column twice; which value wins is not for
        // SQLite to pick silently.
        for (const ColumnInfo &c : named.columns) {
            if (std::find(targets.begin(), targets.end(), target(c)) != targets.end()) raise(-681, {}, offset);
            targets.push_back(target(c));
        }
    } else {
        for (const ColumnRef &r : columns) {
            const ColumnInfo *c = target(findColumn(named, r));
            for (const ColumnInfo *t : targets)
                if (t == c) raise(view ? -681 : -201, {}, r.offset);
            targets.push_back(c);
        }
    }
    // Omitted columns: SERIAL counters and the defaults SQLite cannot compute
    // (USER, TODAY, CURRENT, DBSERVERNAME) are ours; literal defaults are in
    // the SQLite table definition already.
    std::vector<const ColumnInfo *> omitted;
    for (const ColumnInfo &c : info.columns) {
        if (std::find(targets.begin(), targets.end(), &c) != targets.end()) continue;
        const bool computed = c.defaultType == 'U' || c.defaultType == 'T' || c.defaultType == 'C' || c.defaultType == 'S';
        // SQLite numbers a row key left out, default or not: its default or
        // a NULL to refuse is given instead.
        if (isSerial(c.coltype) || computed || c.colno == info.rowKey) omitted.push_back(&c);
    }
    for (const ColumnInfo *c : targets) {
        if (!out.columnList.empty()) out.columnList += ",";
        out.columnList += quoteIdent(c->name);
    }
    out.omitted = omitted;
    for (const ColumnInfo *c : omitted) {
        if (!out.columnList.empty()) out.columnList += ",";
        out.columnList += quoteIdent(c->name);
        out.extra.push_back(isSerial(c->coltype) ? serialValue(info, *c, "0")
                            : keyChecked(info, *c, defaultValue(*c)));
    }
    return out;
}

std::string Translator::serialValue(const TableInfo &table, const ColumnInfo &c, const std::string &value) const
{
    return keyChecked(table, c, "quodlin_serial(" + std::to_string(table.tabid) + "," + std::to_string(c.colno) + "," + value + ")");
}

std::string Translator::keyChecked(const TableInfo &table, const ColumnInfo &c, std::string value) const
{
    if (c.colno != table.rowKey || (!value.empty() && value.find_first_not_of("0123456789") == std::string::npos))
        return value;
    return "ifx_not_null(" + value + "," + sql::literal(table.name + "." + c.name) + ")";
}

Translation Translator::insert(const InsertStatement &s)
{
    const TableInfo &named = lookupTable(s.table);
    refuseCatalog(named, s.table.offset);
    std::optional<ViewTarget> view;
    const bool instead = insteadOf(m_ctx.catalog, named, 'i');
    if (named.tabtype == 'V' && !instead) {
        view = viewTarget(named, s.table.offset, true);
        refuseCatalog(*view->base, s.table.offset);
        // A computed column cannot take a value, and leaving it out would
        // write a row the view cannot show as inserted.
        for (const ColumnRef &r : s.columns) {
            const ColumnInfo &c = findColumn(named, r);
            if (!view->baseColumns[std::size_t(&c - named.columns.data())]) raise(-234, c.name, r.offset);
        }
        for (std::size_t i = 0; i < named.columns.size(); ++i)
            if (!view->baseColumns[i]) raise(-234, named.columns[i].name, s.table.offset);
    } else if (named.tabtype != 'T' && !instead) {
        raise(-999, {}, s.table.offset);
    }
    const TableInfo &info = view ? *view->base : named;
    Translation out;
    out.targetTable = info.name;
    out.targetTabid = info.tabid;
    const InsertColumns ic = insertColumns(named, view ? &*view : nullptr, s.columns, s.table.offset);
    const std::vector<const ColumnInfo *> &targets = ic.targets;
    const std::vector<std::string> &extra = ic.extra;
    std::string sql = "INSERT INTO " + info.sqliteName + " (" + ic.columnList + ") ";

    Scope scope;
    if (!s.select) {
        if (s.values.size() != targets.size()) raise(-236, {}, s.values.empty() ? s.start : s.values.front()->offset);
        const std::size_t head = sql.size();
        sql += "VALUES (";
        std::string plain = sql;
        // A parameter is bound already converted when it is the whole value
        // and appears nowhere else in the statement.
        bool otherParams = false;
        // SQLite computes a row key given in VALUES twice when the table has
        // BEFORE triggers: a SERIAL counter or a sequence would step twice.
        // A SELECT hands it over computed once.
        auto once = [](const std::string &v) { return v.find('(') == std::string::npos; };
        bool keyOnce = true, plainKeyOnce = true;
        for (std::size_t i = 0; i < ic.extra.size(); ++i)
            if (ic.omitted[i]->colno == info.rowKey) keyOnce = plainKeyOnce = false;
        for (std::size_t i = 0; i < targets.size(); ++i) {
            const ColumnInfo &c = *targets[i];
            Typed v = expr(*s.values[i], scope);
            if (v.aggregate) raise(-201, {}, s.values[i]->offset);
            std::string value = isSerial(c.coltype) ? serialValue(info, c, v.sql) : storeValue(v, c, s.values[i]->offset);
            const int code = c.coltype & kTypeMask;
            const bool serialParam = s.values[i]->kind == ExprKind::Param && isSerial(c.coltype);
            const bool fast = serialParam
                || (s.values[i]->kind == ExprKind::Param && !isSerial(c.coltype) && value.rfind("ifx_store(", 0) == 0
                    && (isCharacter(code, c.extendedId) || isNumeric(code) || isBoolean(code, c.extendedId)
                        || code == TDate || code == TDateTime || code == TInterval));
            if (!isSerial(c.coltype)) value = keyChecked(info, c, std::move(value));
            if (c.colno == info.rowKey) {
                keyOnce = once(value);
                plainKeyOnce = fast || keyOnce;
            }
            if (i) sql += ",", plain += ",";
            sql += value;
            if (fast) {
                out.storeTypes.push_back({s.values[i]->paramIndex, c.type(), c.colno == info.rowKey,
                                          serialParam ? info.tabid : 0, serialParam ? c.colno : 0});
                plain += v.sql;
            } else {
                otherParams = otherParams || value.find('?') != std::string::npos;
                plain += value;
            }
        }
        for (const std::string &e : extra) sql += "," + e, plain += "," + e;
        sql += ")";
        plain += ")";
        auto asSelect = [head](std::string &text) {
            text = text.substr(0, head) + "SELECT " + text.substr(head + 8, text.size() - head - 9);
        };
        if (!keyOnce) asSelect(sql);
        if (!plainKeyOnce) asSelect(plain);
        for (std::size_t a = 0; a < out.storeTypes.size() && !otherParams; ++a)
            for (std::size_t b = 0; b < a; ++b)
                otherParams = otherParams || out.storeTypes[a].param == out.storeTypes[b].param;
        if (otherParams)
            out.storeTypes.clear();
        if (!out.storeTypes.empty())
            out.plainSql = std::move(plain);
    } else {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < targets.size(); ++i) names.push_back("quodlin_" + std::to_string(i + 1));
        SelectResult r = select(*s.select, nullptr, &names);
        if (r.columns.size() != targets.size()) raise(-236, {}, s.select->cores.front().offset);
        sql += "SELECT ";
        for (std::size_t i = 0; i < targets.size(); ++i) {
            const ColumnInfo &c = *targets[i];
            Typed v;
            v.sql = "\"quodlin_sub\"." + quoteIdent(names[i]);
            v.type = r.types[i];
            if (i) sql += ",";
            // A conversion error points at the select item that gave the value.
            const SelectCore &core = s.select->cores.front();
            const int itemOffset = s.select->cores.size() == 1 && core.items.size() == targets.size() ? core.items[i].expr->offset : s.start;
            sql += isSerial(c.coltype) ? serialValue(info, c, v.sql)
                                       : keyChecked(info, c, v.type == c.type() ? v.sql : storeValue(v, c, itemOffset));
        }
        for (const std::string &e : extra) sql += "," + e;
        sql += " FROM (" + r.sql + ") AS \"quodlin_sub\"";
    }
    if (view && !view->check.empty()) {
        const std::string clause = checkClause(view->check, s.table.offset);
        sql += clause;
        if (!out.plainSql.empty()) out.plainSql += clause;
    }
    out.sql = std::move(sql);
    return out;
}

const TableInfo &Translator::dmlTarget(const ObjectName &table, const std::string &alias,
                                       Translation &out, Scope &scope, std::optional<ViewTarget> &view,
                                       bool wantCheck)
{
    const TableInfo &info = lookupTable(table);
    refuseCatalog(info, table.offset);
    const bool instead = insteadOf(m_ctx.catalog, info, wantCheck ? 'u' : 'd');
    if (info.tabtype == 'V' && !instead) {
        view = viewTarget(info, table.offset, wantCheck);
        refuseCatalog(*view->base, table.offset);
        out.targetTable = view->base->name;
        out.targetTabid = view->base->tabid;
        ScopeTable t = targetScope(info, alias);
        t.sqlRef = view->base->sqliteName;
        t.columnSql = view->columns;
        scope.tables.push_back(std::move(t));
        return info;
    }
    if (info.tabtype != 'T' && !instead) raise(-999, {}, table.offset);
    out.targetTable = info.name;
    out.targetTabid = info.tabid;
    scope.tables.push_back(targetScope(info, alias));
    return info;
}

namespace {

// The statement's own condition ANDed with the rows the view shows.
std::string whereClause(const std::string &viewWhere, const std::string &own)
{
    if (viewWhere.empty()) return own.empty() ? std::string() : " WHERE " + own;
    return " WHERE " + viewWhere + (own.empty() ? std::string() : " AND (" + own + ")");
}

} // namespace

std::string Translator::setList(const std::vector<Assignment> &assignments, bool setStar, const TableInfo &info,
                                const ViewTarget *view, Scope &scope, int start)
{
    const bool starRow = setStar && assignments.size() == 1 && assignments.front().rowSubquery;
    if (setStar && !starRow && assignments.size() != info.columns.size())
        raise(-236, {}, assignments.empty() ? start : assignments.front().value->offset);
    std::string sql;
    std::vector<const ColumnInfo *> assigned;
    // The column the i-th assignment (or the i-th column of SET *) changes,
    // checked for being assignable.
    auto target = [&](std::size_t i, const Assignment &a, int offset) {
        const ColumnInfo *c = setStar ? &info.columns[i] : &findColumn(info, a.column);
        if (view) {
            const ColumnInfo *b = view->baseColumns[std::size_t(c - info.columns.data())];
            if (!b) raise(-234, c->name, offset);
            // Two view columns for one base column: no silent last-one-wins.
            if (std::find(assigned.begin(), assigned.end(), b) != assigned.end()) raise(-681, {}, offset);
            assigned.push_back(b);
            c = b;
        }
        if (isSerial(c->coltype)) raise(-232, c->name, offset);
        return c;
    };
    bool first = true;
    for (std::size_t i = 0; i < assignments.size(); ++i) {
        const Assignment &a = assignments[i];
        if (!first) sql += ", ";
        first = false;
        if (a.rowSubquery) {
            const std::size_t n = starRow ? info.columns.size() : std::size_t(a.rowColumns);
            std::vector<std::string> names;
            for (std::size_t k = 0; k < n; ++k) names.push_back("quodlin_" + std::to_string(k + 1));
            SelectResult r = select(*a.value->select, &scope, &names);
            if (r.columns.size() != n) raise(-236, {}, a.value->offset);
            // One row at most (-284); none sets NULLs, as the aggregate over
            // an empty set gives.
            std::string cols, values;
            for (std::size_t k = 0; k < n; ++k) {
                const Assignment &ak = starRow ? a : assignments[i + k];
                const int offset = starRow ? a.value->offset : ak.column.offset;
                const ColumnInfo *c = target(starRow ? k : i + k, ak, offset);
                Typed v;
                v.sql = "min(" + quoteIdent(names[k]) + ")";
                v.type = r.types[k];
                std::string value = v.type == c->type() ? v.sql : storeValue(v, *c, a.value->offset);
                if (k == 0)
                    value = "CASE WHEN count(*) > 1 THEN ifx_raise(-284" + at(a.value->offset) + ") ELSE " + value + " END";
                cols += (k ? "," : "") + quoteIdent(c->name);
                values += (k ? "," : "") + value;
            }
            sql += "(" + cols + ") = (SELECT " + values + " FROM (SELECT * FROM (" + r.sql + ") LIMIT 2))";
            if (!starRow) i += n - 1;
            continue;
        }
        const int offset = setStar && view ? a.value->offset : a.column.offset;
        const ColumnInfo *c = target(i, a, offset);
        Typed v = expr(*a.value, scope);
        if (v.aggregate) raise(-201, {}, a.value->offset);
        sql += quoteIdent(c->name) + " = " + storeValue(v, *c, a.value->offset);
    }
    return sql;
}

Translation Translator::update(const UpdateStatement &s)
{
    Translation out;
    Scope scope;
    std::optional<ViewTarget> view;
    const TableInfo &info = dmlTarget(s.table, s.alias, out, scope, view, true);
    const TableInfo &base = view ? *view->base : info;
    std::string sql = "UPDATE " + base.sqliteName + (view || s.alias.empty() ? "" : " AS " + quoteIdent(s.alias)) + " SET ";
    m_setTable = base.sqliteName;
    sql += setList(s.assignments, s.setStar, info, view ? &*view : nullptr, scope, s.start);
    m_setTable.clear();
    m_whereTable = base.sqliteName;
    std::string own = s.where ? expr(*s.where, scope).sql : std::string();
    m_whereTable.clear();
    // SQLite tests each row's WHERE after changing the rows before it, so a
    // subquery reading the table would see new values: choose the rows first.
    if (m_whereReadsTarget) {
        // Through a view the statement names the base table without the alias.
        const bool aliased = !s.alias.empty() && !view;
        const std::string alias = aliased ? " AS " + quoteIdent(s.alias) : std::string();
        const std::string ref = aliased ? quoteIdent(s.alias) : base.sqliteName;
        own = "rowid IN (SELECT " + ref + ".rowid FROM " + base.sqliteName + alias + " WHERE " + own + ")";
    }
    sql += whereClause(view ? view->where : std::string(), own);
    if (view && !view->check.empty()) sql += checkClause(view->check, s.table.offset);
    out.sql = std::move(sql);
    return out;
}

Translation Translator::remove(const DeleteStatement &s)
{
    Translation out;
    Scope scope;
    std::optional<ViewTarget> view;
    const TableInfo &info = dmlTarget(s.table, s.alias, out, scope, view, false);
    std::string sql = "DELETE FROM " + (view ? view->base->sqliteName : info.sqliteName + (s.alias.empty() ? "" : " AS " + quoteIdent(s.alias)));
    sql += whereClause(view ? view->where : std::string(), s.where ? expr(*s.where, scope).sql : std::string());
    out.sql = std::move(sql);
    return out;
}

} // namespace quodlin::engine
