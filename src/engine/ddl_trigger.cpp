// CREATE / DROP TRIGGER: a systriggers row and the text split into the header
// ('D' rows) and the action part ('A' rows) of systrigbody.
#include "engine/ddl_routine.h"
#include "engine/ddl_common.h"

namespace quodlin::engine::ddl {

namespace {

void deleteTrigger(SessionImpl &s, int trigid)
{
    for (const char *table : {"systrigbody", "systriggers"}) {
        sql::Stmt q(s.db(), std::string("DELETE FROM ") + table + " WHERE trigid = ?1");
        q.bind(1, trigid);
        q.run();
    }
}

int findTrigger(SessionImpl &s, const std::string &name)
{
    sql::Stmt q(s.db(), "SELECT trigid FROM systriggers WHERE trigname = ?1");
    q.bind(1, name);
    return q.step() ? static_cast<int>(q.integer(0)) : 0;
}

} // namespace

void createTrigger(SessionImpl &s, const ast::RoutineStatement &st, const std::string &text)
{
    if (findTrigger(s, st.name.name)) {
        if (st.ifNotExists)
            return;
        raise(-743, st.name.name, st.name.offset);
    }
    auto t = s.catalog().findTable(st.table.name, st.table.owner);
    if (!t || t->temp)
        raise(-206, st.table.name, st.table.offset, -111);
    if (t->tabid < 100 || t->tabtype != 'T')
        raise(-312, st.table.name, st.table.offset);  // no triggers on the catalog or on views
    const int trigid = static_cast<int>(s.nextCounter("trigid"));
    const std::string owner = st.name.owner.empty() ? s.user() : st.name.owner;
    sql::Stmt q(s.db(), "INSERT INTO systriggers (trigid, trigname, owner, tabid, event, old, new, mode, collation)"
                        " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, 'O', 'en_US.819')");
    q.bind(1, trigid).bind(2, st.name.name).bind(3, owner).bind(4, t->tabid).bind(5, std::string(1, st.event));
    if (st.oldName.empty()) q.bindNull(6); else q.bind(6, st.oldName);
    if (st.newName.empty()) q.bindNull(7); else q.bind(7, st.newName);
    q.run();
    const auto start = static_cast<std::size_t>(st.start);
    const auto split = static_cast<std::size_t>(st.headerEnd);
    writeChunks(s, "systrigbody", "trigid", trigid, 'D', text.substr(start, split - start), 0);
    writeChunks(s, "systrigbody", "trigid", trigid, 'A',
                text.substr(split, static_cast<std::size_t>(st.end) - split), 0);
}

void dropTrigger(SessionImpl &s, const ast::ObjectStatement &st)
{
    const int trigid = findTrigger(s, st.name.name);
    if (!trigid) {
        if (st.ifExists)
            return;
        raise(-634, st.name.name, st.name.offset);
    }
    deleteTrigger(s, trigid);
}

} // namespace quodlin::engine::ddl
