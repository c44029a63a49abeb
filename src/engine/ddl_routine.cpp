// CREATE / DROP PROCEDURE and FUNCTION: a sysprocedures row, the creation text
// and DOCUMENT texts in 256-character sysprocbody rows, sysproccolumns rows
// for parameters and RETURNING values, public EXECUTE.
#include "engine/ddl_routine.h"
#include "engine/ddl_common.h"

#include "engine/types.h"

namespace quodlin::engine::ddl {

namespace {

constexpr std::size_t kBodyChunk = 256;

std::string paramTypes(const std::vector<ast::TypeName> &types)
{
    std::string out;
    for (const ast::TypeName &t : types)
        out += (out.empty() ? "" : ",") + lower(typeText(t.desc));
    return out;
}

// Routines named `name`, with their procid and parameter type list.
std::vector<std::pair<int, std::string>> routines(SessionImpl &s, const std::string &name)
{
    std::vector<std::pair<int, std::string>> out;
    sql::Stmt q(s.db(), "SELECT procid, coalesce(paramtypes, '') FROM sysprocedures WHERE procname = ?1");
    q.bind(1, name);
    while (q.step())
        out.emplace_back(static_cast<int>(q.integer(0)), q.text(1));
    return out;
}

} // namespace

void writeChunks(SessionImpl &s, const char *table, const char *idColumn, int id, char key,
                 const std::string &text, int firstSeqno)
{
    sql::Stmt q(s.db(), std::string("INSERT INTO ") + table + " (" + idColumn
                            + ", datakey, seqno, data) VALUES (?1, ?2, ?3, ?4)");
    int seq = firstSeqno;
    for (std::size_t pos = 0; pos < text.size(); pos += kBodyChunk, ++seq) {
        q.bind(1, id).bind(2, std::string(1, key)).bind(3, seq).bind(4, text.substr(pos, kBodyChunk));
        q.run();
        q.reset();
    }
}

void createRoutine(SessionImpl &s, const ast::RoutineStatement &st, const std::string &text)
{
    const std::string types = paramTypes(st.signature);
    for (const auto &[id, have] : routines(s, st.name.name))
        if (have == types) {
            if (st.ifNotExists)
                return;
            raise(-673, st.name.name, st.name.offset);
        }
    const int procid = static_cast<int>(s.nextCounter("procid"));
    const std::string owner = st.name.owner.empty() ? s.user() : st.name.owner;
    const std::string body = text.substr(static_cast<std::size_t>(st.start),
                                         static_cast<std::size_t>(st.end - st.start));
    sql::Stmt q(s.db(), "INSERT INTO sysprocedures (procname, owner, procid, mode, retsize, symsize, datasize,"
                        " codesize, numargs, isproc, specificname, externalname, paramstyle, langid, paramtypes,"
                        " variant, client, handlesnulls, iterator, percallcost, commutator, negator, selfunc,"
                        " internal, class, stack, parallelizable, costfunc, selconst, collation, procflags)"
                        " VALUES (?1, ?2, ?3, ?4, ?5, 0, 0, ?6, ?7, ?8, NULL, NULL, 'I', 2, ?9, 't', 'f', 'f',"
                        " 'f', 0, NULL, NULL, NULL, 'f', NULL, 0, 'f', NULL, 0, 'en_US.819', 0)");
    q.bind(1, st.name.name).bind(2, owner).bind(3, procid).bind(4, std::string(st.dba ? "D" : "O"))
        .bind(5, static_cast<int>(st.returning.size()) * 8).bind(6, static_cast<int>(body.size()))
        .bind(7, static_cast<int>(st.paramNames.size())).bind(8, std::string(st.isFunction ? "f" : "t"))
        .bind(9, types);
    q.run();
    writeChunks(s, "sysprocbody", "procid", procid, 'T', body, 0);
    int seq = 0;
    for (const std::string &d : st.documents) {
        writeChunks(s, "sysprocbody", "procid", procid, 'D', d, seq);
        seq += static_cast<int>((d.size() + kBodyChunk - 1) / kBodyChunk);
    }
    // Parameters (IN), then RETURNING values (3 when several, 5 when one), paramid from 1.
    if (st.headerParsed && st.signature.size() == st.paramNames.size()) {
        sql::Stmt c(s.db(), "INSERT INTO sysproccolumns (procid, paramid, paramname, paramtype, paramlen,"
                            " paramxid, paramattr) VALUES (?1, ?2, nullif(?3, ''), ?4, ?5, ?6, ?7)");
        int paramid = 1;
        auto add = [&](const ast::TypeName &t, const std::string &name, int attr) {
            c.bind(1, procid).bind(2, paramid++).bind(3, name).bind(4, t.desc.code)
                .bind(5, t.desc.collength).bind(6, t.desc.extendedId).bind(7, attr);
            c.run();
            c.reset();
        };
        for (std::size_t i = 0; i < st.signature.size(); ++i)
            add(st.signature[i], st.paramNames[i], 1);
        for (const ast::TypeName &t : st.returning)
            add(t, std::string(), st.returning.size() > 1 ? 3 : 5);
    }
    sql::Stmt a(s.db(), "INSERT INTO sysprocauth (grantor, grantee, procid, procauth) VALUES (?1, ?2, ?3, 'e')");
    for (const std::string &grantee : {owner, std::string("public")}) {
        a.bind(1, owner).bind(2, grantee).bind(3, procid);
        a.run();
        a.reset();
    }
}

void dropRoutine(SessionImpl &s, const ast::RoutineStatement &st)
{
    const std::string types = paramTypes(st.signature);
    std::vector<int> ids;
    for (const auto &[id, have] : routines(s, st.name.name))
        if (st.signature.empty() || have == types)
            ids.push_back(id);
    // Without a signature an overloaded name does not say which routine goes.
    if (ids.size() != 1)
        raise(-674, st.name.name, st.name.offset);
    for (const char *table : {"sysprocbody", "sysprocauth", "sysproccolumns", "sysprocplan", "sysprocedures"}) {
        sql::Stmt q(s.db(), std::string("DELETE FROM ") + table + " WHERE procid = ?1");
        q.bind(1, ids.front());
        q.run();
    }
}

} // namespace quodlin::engine::ddl
