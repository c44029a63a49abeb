// CREATE / DROP SYNONYM: a systables row of tabtype 'S' (public, the default)
// or 'P' (private) sharing the tabid counter, and a syssyntable row that names
// the local base object by btabid or a remote one by server, database, owner
// and name. Queries resolve local synonyms through the catalog.
#include "engine/ddl_common.h"
#include "engine/ddl_objects.h"

#include "engine/values.h"

namespace quodlin::engine::ddl {

namespace {

// Synonyms live only in catalog rows; a SQLite schema change tells every
// session that its cached lookups and translations are stale.
void touchSchema(SessionImpl &s)
{
    sql::exec(s.db(), "CREATE VIEW main.quodlin_schema_touch AS SELECT 1");
    sql::exec(s.db(), "DROP VIEW main.quodlin_schema_touch");
}

} // namespace

void createSynonym(SessionImpl &s, const ast::CreateSynonymStatement &st)
{
    Catalog &cat = s.catalog();
    if (cat.findTable(st.name.name, {}, false)) {
        if (st.ifNotExists)
            return;
        raise(-310, st.name.name, st.name.offset);
    }
    // A target qualified with this database (and server) is local.
    const bool otherServer = !st.target.server.empty() && st.target.server != s.environment().informixServer;
    const bool otherDatabase = !st.target.database.empty() && st.target.database != s.databaseName();
    const bool remote = otherServer || otherDatabase;
    int btabid = 0;
    if (!remote) {
        auto t = cat.findTable(st.target.name, st.target.owner, false);
        if (!t || t->temp)
            raise(-206, st.target.name, st.target.offset, -111);
        if (t->tabtype == 'S' || t->tabtype == 'P')
            raise(-559, {}, st.target.offset);
        btabid = t->tabid;
    }
    const int tabid = static_cast<int>(s.nextCounter("tabid"));
    const std::string owner = st.name.owner.empty() ? s.user() : st.name.owner;
    sql::Stmt q(s.db(), "INSERT INTO systables (tabname, owner, partnum, tabid, rowsize, ncols, nindexes, nrows,"
                        " created, version, tabtype, locklevel, npused, fextsize, nextsize, flags, site, dbname,"
                        " type_xid, am_id, pagesize) VALUES (?1, ?2, 0, ?3, 0, 0, 0, 0, ?4, ?5, ?6, 'B', 0, 0, 0,"
                        " 0, '', '', 0, 0, 0)");
    q.bind(1, st.name.name).bind(2, owner).bind(3, tabid).bind(4, todayDayNumber()).bind(5, tabid * 65536)
        .bind(6, st.isPublic ? "S" : "P");
    q.run();
    sql::Stmt r(s.db(), "INSERT INTO syssyntable (tabid, servername, dbname, owner, tabname, btabid)"
                        " VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    r.bind(1, tabid);
    if (remote) {
        auto orNull = [&](int i, const std::string &v) {
            if (v.empty())
                r.bindNull(i);
            else
                r.bind(i, v);
        };
        orNull(2, st.target.server);
        orNull(3, st.target.database);
        orNull(4, st.target.owner);
        r.bind(5, st.target.name).bindNull(6);
    } else {
        r.bindNull(2).bindNull(3).bindNull(4).bindNull(5).bind(6, btabid);
    }
    r.run();
    touchSchema(s);
}

void dropSynonymsOf(SessionImpl &s, int btabid)
{
    sql::Stmt names(s.db(), "DELETE FROM systables WHERE tabid IN (SELECT tabid FROM syssyntable WHERE btabid = ?1)");
    names.bind(1, btabid);
    names.run();
    const bool any = sqlite3_changes(s.db()) > 0;
    sql::Stmt rows(s.db(), "DELETE FROM syssyntable WHERE btabid = ?1");
    rows.bind(1, btabid);
    rows.run();
    if (any)
        touchSchema(s);
}

void dropSynonym(SessionImpl &s, const ast::ObjectStatement &st)
{
    auto t = s.catalog().findTable(st.name.name, st.name.owner, false);
    if (!t || (t->tabtype != 'S' && t->tabtype != 'P') || t->temp) {
        if (st.ifExists)
            return;
        raise(-218, st.name.name, st.name.offset);
    }
    for (const char *tab : {"syssyntable", "systables"}) {
        sql::Stmt q(s.db(), std::string("DELETE FROM ") + tab + " WHERE tabid = ?1");
        q.bind(1, t->tabid);
        q.run();
    }
    touchSchema(s);
}

} // namespace quodlin::engine::ddl
