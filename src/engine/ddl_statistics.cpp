// UPDATE STATISTICS: systables.nrows from a row count and sysindexes
// nunique / levels / leaves from SQLite's ANALYZE (sqlite_stat1). SQLite keeps
// no page-level figures, so levels is 1 and leaves about one per 100 rows.
#include "engine/ddl_objects.h"
#include "engine/ddl_common.h"

#include <sstream>

namespace quodlin::engine::ddl {

namespace {

void tableStatistics(SessionImpl &s, const TableInfo &t)
{
    sql::Stmt count(s.db(), "SELECT count(*) FROM " + t.sqliteName);
    count.step();
    const long long rows = count.integer(0);
    sql::Stmt nrows(s.db(), "UPDATE systables SET nrows = ?1 WHERE tabid = ?2");
    nrows.bind(1, static_cast<double>(rows)).bind(2, t.tabid);
    nrows.run();

    const auto indexes = s.catalog().indexes(t.tabid);
    if (indexes.empty())
        return;
    sql::exec(s.db(), "ANALYZE " + t.sqliteName);
    sql::Stmt idx(s.db(), "UPDATE sysindexes SET nunique = ?1, levels = 1, leaves = ?2"
                          " WHERE tabid = ?3 AND idxname = ?4");
    for (const IndexInfo &ix : indexes) {
        // A row key has no index of its own to analyse; every row is a key.
        long long nunique = ix.parts == std::vector<int>{t.rowKey} ? rows : 0;
        sql::Stmt stat(s.db(), "SELECT stat FROM main.sqlite_stat1 WHERE tbl = ?1 AND idx = ?2");
        stat.bind(1, t.name).bind(2, sqliteIndexName(ix.name));
        if (stat.step()) {
            // "nrow avg ..." where avg is the rows per distinct first-column value.
            std::istringstream in(stat.text(0));
            long long total = 0, perKey = 0;
            if (in >> total >> perKey && perKey > 0)
                nunique = (total + perKey / 2) / perKey;
        }
        idx.bind(1, static_cast<std::int64_t>(nunique)).bind(2, static_cast<std::int64_t>(rows / 100 + 1))
            .bind(3, t.tabid).bind(4, ix.name);
        idx.run();
        idx.reset();
    }
}

} // namespace

void updateStatistics(SessionImpl &s, const ast::UpdateStatisticsStatement &st)
{
    if (st.forProcedure)
        return;
    if (!st.table.name.empty()) {
        const auto t = s.catalog().findTable(st.table.name, st.table.owner);
        if (!t)
            raise(-206, st.table.name, st.table.offset, -111);
        if (t->tabtype == 'T' && !t->temp)
            tableStatistics(s, *t);
        return;
    }
    std::vector<int> tabids;
    sql::Stmt q(s.db(), "SELECT tabid FROM systables WHERE tabtype = 'T' AND tabid >= 100 ORDER BY tabid");
    while (q.step())
        tabids.push_back(static_cast<int>(q.integer(0)));
    for (int tabid : tabids)
        if (const auto t = s.catalog().tableById(tabid))
            tableStatistics(s, *t);
}

} // namespace quodlin::engine::ddl
