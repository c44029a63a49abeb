// CREATE / DROP / ALTER INDEX: a sysindexes row (part1..part16, negative for
// DESC keys) and a SQLite index named "ix$<name>" so index and table names
// never collide in SQLite's single name space.
#include "engine/ddl_common.h"

namespace quodlin::engine::ddl {

void createIndex(SessionImpl &s, const ast::CreateIndexStatement &st)
{
    Catalog &cat = s.catalog();
    auto t = cat.findTable(st.table.name, st.table.owner, false);
    if (!t || t->tabtype != 'T')
        raise(-206, st.table.name, st.table.offset, -111);
    if (cat.findIndex(st.index.name)) {
        if (st.ifNotExists)
            return;
        raise(-316, st.index.name, st.index.offset);
    }
    if (st.columns.size() > 16)
        raise(-201, {}, st.columns[16].offset);
    IndexInfo ix;
    ix.name = st.index.name;
    ix.owner = st.index.owner.empty() ? s.user() : st.index.owner;
    ix.tabid = t->tabid;
    ix.idxtype = st.unique ? 'U' : 'D';
    ix.clustered = st.cluster ? 'C' : ' ';
    for (const ast::IndexColumn &c : st.columns) {
        const ColumnInfo *col = t->column(c.name);
        if (!col)
            raise(-217, c.name, c.offset);
        for (int p : ix.parts)
            if (std::abs(p) == col->colno)
                raise(-201, {}, c.offset);
        ix.parts.push_back(c.desc ? -col->colno : col->colno);
    }
    for (const IndexInfo &other : cat.indexes(t->tabid)) {
        if (other.parts == ix.parts)
            raise(-350, {}, st.table.offset);
        if (st.cluster && other.clustered == 'C')
            raise(-500, other.name, st.index.offset);
    }
    writeIndex(s, *t, ix);
    createSqliteIndex(s, *t, ix, st.index.offset);
    refreshTableCounts(s, t->tabid);
}

void dropIndex(SessionImpl &s, const ast::ObjectStatement &st)
{
    Catalog &cat = s.catalog();
    auto ix = cat.findIndex(st.name.name);
    if (!ix) {
        if (st.ifExists)
            return;
        raise(-319, st.name.name, st.name.offset);
    }
    auto t = cat.tableById(ix->tabid);
    if (t && !t->temp) {
        // An index that enforces a constraint goes only with its constraint.
        for (const ConstraintInfo &c : cat.constraints(ix->tabid))
            if (c.idxname == ix->name)
                raise(-623, ix->name, st.name.offset);
    }
    const bool temp = t && t->temp;
    sql::Stmt q(s.db(), std::string("DELETE FROM ") + (temp ? "temp.quodlin_tempindexes" : "sysindexes")
                            + " WHERE idxname = ?1 AND tabid = ?2");
    q.bind(1, ix->name).bind(2, ix->tabid);
    q.run();
    dropSqliteIndex(s, temp, ix->name);
    refreshTableCounts(s, ix->tabid);
}

void alterIndex(SessionImpl &s, const ast::AlterIndexStatement &st)
{
    Catalog &cat = s.catalog();
    auto ix = cat.findIndex(st.index.name);
    if (!ix)
        raise(-319, st.index.name, st.index.offset);
    if (st.cluster)
        for (const IndexInfo &other : cat.indexes(ix->tabid))
            if (other.clustered == 'C' && other.name != ix->name)
                raise(-500, other.name, st.index.offset);
    sql::Stmt q(s.db(), "UPDATE sysindexes SET clustered = ?3 WHERE idxname = ?1 AND tabid = ?2");
    q.bind(1, ix->name).bind(2, ix->tabid).bind(3, st.cluster ? "C" : " ");
    q.run();
}

} // namespace quodlin::engine::ddl
