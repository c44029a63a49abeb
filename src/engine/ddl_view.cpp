// CREATE / DROP VIEW: a SQLite view over the translated SELECT, a systables
// row of tabtype 'V', syscolumns from the result description, the text as
// written in 64-character sysviews rows and one sysdepend row per object the
// SELECT reads. WITH CHECK OPTION is kept in the text only: changes through
// the view read it back from there (view_dml.cpp).
#include "engine/ddl_common.h"
#include "engine/ddl_objects.h"
#include "engine/ddl_routine.h"

#include "engine/parser.h"
#include "engine/types.h"
#include "engine/values.h"

#include <sqlite3.h>

#include <algorithm>
#include <set>

namespace quodlin::engine::ddl {

namespace {

constexpr std::size_t kViewChunk = 64;

void collectSelect(const ast::SelectStmt &sel, std::vector<const ast::ObjectName *> &out);

void collectExpr(const ast::Expr *e, std::vector<const ast::ObjectName *> &out)
{
    if (!e)
        return;
    for (const ast::ExprPtr &a : e->args)
        collectExpr(a.get(), out);
    if (e->select)
        collectSelect(*e->select, out);
}

void collectFrom(const ast::FromItem &f, std::vector<const ast::ObjectName *> &out)
{
    switch (f.kind) {
    case ast::FromItem::Kind::Table:
        out.push_back(&f.table);
        break;
    case ast::FromItem::Kind::Outer:
        for (const ast::FromItem &m : f.members)
            collectFrom(m, out);
        break;
    case ast::FromItem::Kind::Join:
        if (f.left)
            collectFrom(*f.left, out);
        if (f.right)
            collectFrom(*f.right, out);
        collectExpr(f.on.get(), out);
        break;
    case ast::FromItem::Kind::Derived:
        if (f.derived)
            collectSelect(*f.derived, out);
        break;
    }
}

// Every table name the SELECT reads, subqueries included.
void collectSelect(const ast::SelectStmt &sel, std::vector<const ast::ObjectName *> &out)
{
    for (const ast::SelectCore &c : sel.cores) {
        for (const ast::SelectItem &i : c.items)
            collectExpr(i.expr.get(), out);
        for (const ast::FromItem &f : c.from)
            collectFrom(f, out);
        collectExpr(c.where.get(), out);
        for (const ast::ExprPtr &g : c.groupBy)
            collectExpr(g.get(), out);
        collectExpr(c.having.get(), out);
    }
    for (const ast::OrderItem &o : sel.orderBy)
        collectExpr(o.expr.get(), out);
}

// The views built directly on `tabid`: (tabid, name).
std::vector<std::pair<int, std::string>> viewsOn(SessionImpl &s, int tabid)
{
    std::vector<std::pair<int, std::string>> views;
    sql::Stmt q(s.db(), "SELECT d.dtabid, t.tabname FROM sysdepend d JOIN systables t ON t.tabid = d.dtabid"
                        " WHERE d.btabid = ?1 AND d.dtype = 'V'");
    q.bind(1, tabid);
    while (q.step())
        views.emplace_back(static_cast<int>(q.integer(0)), q.text(1));
    return views;
}

void deleteView(SessionImpl &s, int tabid, const std::string &name)
{
    sql::exec(s.db(), "DROP VIEW IF EXISTS main." + sql::quote(name));
    dropTriggersOn(s, tabid);  // INSTEAD OF triggers go with their view
    auto del = [&](const char *text) {
        sql::Stmt q(s.db(), text);
        q.bind(1, tabid);
        q.run();
    };
    dropSynonymsOf(s, tabid);
    for (const char *tab : {"syscolumns", "sysviews", "systabauth", "syscolauth"})
        del((std::string("DELETE FROM ") + tab + " WHERE tabid = ?1").c_str());
    del("DELETE FROM sysdepend WHERE dtabid = ?1 OR btabid = ?1");
    del("DELETE FROM systables WHERE tabid = ?1");
}

} // namespace

void createView(SessionImpl &s, const ast::CreateViewStatement &st, const std::string &text)
{
    Catalog &cat = s.catalog();
    if (cat.findTable(st.name.name, {}, false)) {
        if (st.ifNotExists)
            return;
        raise(-310, st.name.name, st.name.offset);
    }
    if (!st.select->intoTemp.empty())
        raise(-201, {}, st.select->intoTempOffset);
    // A UNION view takes no WITH CHECK OPTION: there is no single table whose
    // rows it could check. No dedicated number is documented; a union view is
    // not simple, hence -384, at the second SELECT.
    if (st.withCheckOption && st.select->cores.size() > 1)
        raise(-384, {}, st.select->cores[1].offset);

    // The translator takes a whole statement: lend it the parsed SELECT.
    auto &lent = const_cast<ast::CreateViewStatement &>(st);
    ast::SelectStatement query;
    query.start = st.select->cores.empty() ? st.start : st.select->cores.front().offset;
    query.end = st.end;
    query.select = std::move(*lent.select);
    struct GiveBack {
        ast::CreateViewStatement &owner;
        ast::SelectStatement &query;
        ~GiveBack() { *owner.select = std::move(query.select); }
    } giveBack{lent, query};
    TranslationContext ctx = s.translationContext();
    const Translation tr = translate(query, ctx);
    if (tr.parameterCount > 0)
        raise(-201, {}, st.params.empty() ? st.start : st.params.front().offset);

    // Columns: the written list or the names of the result columns.
    std::vector<ColumnInfo> columns;
    if (!st.columns.empty() && st.columns.size() != tr.columns.size())
        raise(-382, {}, st.columns.front().offset);
    for (std::size_t i = 0; i < tr.columns.size(); ++i) {
        const ColumnDescription &d = tr.columns[i];
        ColumnInfo c;
        c.name = st.columns.empty() ? d.name : st.columns[i].name;
        int offset = query.start;
        if (!st.columns.empty())
            offset = st.columns[i].offset;
        else if (query.select.cores.size() == 1 && query.select.cores.front().items.size() == tr.columns.size())
            offset = query.select.cores.front().items[i].offset;
        if (c.name.empty() || c.name.front() == '(')
            raise(-382, {}, offset);  // an expression needs a name from the column list
        for (const ColumnInfo &other : columns)
            if (other.name == c.name)
                raise(-328, c.name, offset);
        c.colno = static_cast<int>(i + 1);
        c.coltype = d.coltype;
        c.collength = d.collength;
        c.extendedId = d.extendedId;
        c.notNull = !d.nullable;
        columns.push_back(std::move(c));
    }

    // The objects it reads (synonyms stand for their base).
    std::vector<const ast::ObjectName *> names;
    collectSelect(query.select, names);
    std::set<std::pair<int, char>> depends;
    for (const ast::ObjectName *n : names) {
        auto t = cat.findTable(n->name, n->owner);
        if (!t)
            continue;  // a derived table's alias
        if (t->temp)
            raise(-206, n->name, n->offset, -111);  // a view outlives the session's temp tables
        depends.insert({t->tabid, t->tabtype == 'V' ? 'V' : 'T'});
    }

    std::string colSql;
    for (const ColumnInfo &c : columns)
        colSql += (colSql.empty() ? "" : ", ") + sql::quote(c.name);
    // SQLite checks a view's query only when something reads the view.
    sqlite3_stmt *check = nullptr;
    const int rc = sqlite3_prepare_v2(s.db(), tr.sql.c_str(), -1, &check, nullptr);
    sqlite3_finalize(check);
    if (rc != SQLITE_OK && (rc & 0xFF) == SQLITE_ERROR)
        sql::raiseRefused(sqlite3_errmsg(s.db()), std::string_view(text).substr(std::size_t(st.start), std::size_t(st.end - st.start)), st.start);
    sql::exec(s.db(), "CREATE VIEW main." + sql::quote(st.name.name) + " (" + colSql + ") AS " + tr.sql);

    const int tabid = static_cast<int>(s.nextCounter("tabid"));
    const std::string owner = st.name.owner.empty() ? s.user() : st.name.owner;
    int rowsize = 0;
    for (const ColumnInfo &c : columns)
        rowsize += storageSize(c.coltype, c.collength, c.extendedId);
    sql::Stmt q(s.db(), "INSERT INTO systables (tabname, owner, partnum, tabid, rowsize, ncols, nindexes, nrows,"
                        " created, version, tabtype, locklevel, npused, fextsize, nextsize, flags, site, dbname,"
                        " type_xid, am_id, pagesize) VALUES (?1, ?2, 0, ?3, ?4, ?5, 0, 0, ?6, ?7, 'V', 'B', 0, 0, 0,"
                        " 0, '', '', 0, 0, 0)");
    q.bind(1, st.name.name).bind(2, owner).bind(3, tabid).bind(4, rowsize)
        .bind(5, static_cast<int>(columns.size())).bind(6, todayDayNumber()).bind(7, tabid * 65536);
    q.run();
    sql::Stmt col(s.db(), "INSERT INTO syscolumns (colname, tabid, colno, coltype, collength, extended_id,"
                          " seclabelid, colattr) VALUES (?1, ?2, ?3, ?4, ?5, ?6, 0, 0)");
    for (const ColumnInfo &c : columns) {
        col.bind(1, c.name).bind(2, tabid).bind(3, c.colno).bind(4, c.coltype + (c.notNull ? kNotNullFlag : 0))
            .bind(5, c.collength).bind(6, c.extendedId);
        col.run();
        col.reset();
    }
    // The text as written, without the terminating semicolon; chunks keep
    // their blanks so the rows concatenate back to the text.
    const std::string body = text.substr(static_cast<std::size_t>(st.start),
                                         static_cast<std::size_t>(st.end - st.start));
    sql::Stmt v(s.db(), "INSERT INTO sysviews (tabid, seqno, viewtext) VALUES (?1, ?2, ?3)");
    int seq = 0;
    for (const std::string &row : textChunks(body, kViewChunk)) {
        v.bind(1, tabid).bind(2, seq++).bind(3, row);
        v.run();
        v.reset();
    }
    sql::Stmt d(s.db(), "INSERT INTO sysdepend (btabid, btype, dtabid, dtype) VALUES (?1, ?2, ?3, 'V')");
    for (const auto &[btabid, btype] : depends) {
        d.bind(1, btabid).bind(2, std::string(1, btype)).bind(3, tabid);
        d.run();
        d.reset();
    }
    sql::Stmt a(s.db(), "INSERT INTO systabauth (grantor, grantee, tabid, tabauth) VALUES (?1, 'public', ?2, 's--------')");
    a.bind(1, owner).bind(2, tabid);
    a.run();
}

void dropDependentViews(SessionImpl &s, int tabid)
{
    const std::vector<std::pair<int, std::string>> views = viewsOn(s, tabid);
    for (const auto &[id, name] : views) {
        dropDependentViews(s, id);
        deleteView(s, id, name);
    }
}

namespace {

// Re-translates a view from its stored text after its base changed: the
// column types follow the base and the SQLite view gets the new translation.
// A text that no longer translates (a base renamed since) keeps the old rows.
void refreshView(SessionImpl &s, int tabid, const std::string &name)
{
    std::string text;
    {
        sql::Stmt q(s.db(), "SELECT viewtext FROM sysviews WHERE tabid = ?1 ORDER BY seqno");
        q.bind(1, tabid);
        while (q.step())
            text += q.text(0);
    }
    // Double quotes read as identifiers or strings depending on the DELIMIDENT
    // of the session that wrote the text, which is not recorded.
    if (text.find('"') != std::string::npos)
        return;
    std::vector<std::string> names;
    {
        sql::Stmt q(s.db(), "SELECT colname FROM syscolumns WHERE tabid = ?1 ORDER BY colno");
        q.bind(1, tabid);
        while (q.step())
            names.push_back(q.text(0));
    }
    Translation tr;
    try {
        ParseOptions opts;
        opts.delimident = s.environment().delimident;
        ast::Script script = parseScript(text, opts);
        if (script.size() != 1 || script.front()->kind != ast::StmtKind::CreateView)
            return;
        auto &cv = static_cast<ast::CreateViewStatement &>(*script.front());
        ast::SelectStatement query;
        query.select = std::move(*cv.select);
        TranslationContext ctx = s.translationContext();
        tr = translate(query, ctx);
    } catch (const EngineError &) {
        return;
    }
    if (tr.columns.size() != names.size() || tr.parameterCount > 0)
        return;
    std::string colSql;
    for (const std::string &n : names)
        colSql += (colSql.empty() ? "" : ", ") + sql::quote(n);
    sql::exec(s.db(), "DROP VIEW main." + sql::quote(name));
    sql::exec(s.db(), "CREATE VIEW main." + sql::quote(name) + " (" + colSql + ") AS " + tr.sql);
    sql::Stmt u(s.db(), "UPDATE syscolumns SET coltype = ?3, collength = ?4, extended_id = ?5"
                        " WHERE tabid = ?1 AND colno = ?2");
    int rowsize = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const ColumnDescription &d = tr.columns[i];
        u.bind(1, tabid).bind(2, static_cast<int>(i + 1)).bind(3, d.coltype + (d.nullable ? 0 : kNotNullFlag))
            .bind(4, d.collength).bind(5, d.extendedId);
        u.run();
        u.reset();
        rowsize += storageSize(d.coltype, d.collength, d.extendedId);
    }
    sql::Stmt r(s.db(), "UPDATE systables SET rowsize = ?2 WHERE tabid = ?1");
    r.bind(1, tabid).bind(2, rowsize);
    r.run();
}

} // namespace

void dropBrokenViews(SessionImpl &s, int tabid)
{
    const std::vector<std::pair<int, std::string>> views = viewsOn(s, tabid);
    for (const auto &[id, name] : views) {
        sqlite3_stmt *probe = nullptr;
        const std::string text = "SELECT * FROM main." + sql::quote(name);
        const int rc = sqlite3_prepare_v2(s.db(), text.c_str(), -1, &probe, nullptr);
        sqlite3_finalize(probe);
        if (rc == SQLITE_OK) {
            refreshView(s, id, name);
            dropBrokenViews(s, id);  // views on this view follow its new types
            continue;
        }
        dropDependentViews(s, id);
        deleteView(s, id, name);
    }
}

void dropView(SessionImpl &s, const ast::ObjectStatement &st)
{
    auto t = s.catalog().findTable(st.name.name, st.name.owner, false);
    if (!t || t->tabtype != 'V' || t->temp) {
        if (st.ifExists)
            return;
        raise(-206, st.name.name, st.name.offset, -111);
    }
    if (t->tabid < 100)
        raise(-312, st.name.name, st.name.offset);
    if (st.mode == ast::DropMode::Restrict) {
        sql::Stmt q(s.db(), "SELECT 1 FROM sysdepend WHERE btabid = ?1");
        q.bind(1, t->tabid);
        if (q.step())
            raise(-886, st.name.name, st.name.offset);
    }
    dropDependentViews(s, t->tabid);
    deleteView(s, t->tabid, t->name);
}

} // namespace quodlin::engine::ddl
