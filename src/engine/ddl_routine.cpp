// CREATE / DROP PROCEDURE and FUNCTION: a sysprocedures row, the creation text
// and DOCUMENT texts in 256-character sysprocbody rows, sysproccolumns rows
// for parameters and RETURNING values, public EXECUTE.
#include "engine/ddl_routine.h"
#include "engine/ddl_common.h"

#include "engine/types.h"

#include <optional>

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

struct Routine {
    int procid = 0;
    std::string owner;
    std::string types;  // parameter type list
    bool isProc = true;
};

// Routines called `name` (their specific name when `specific`), of `owner`
// when one is written: owners qualify names but do not separate them.
std::vector<Routine> routines(SessionImpl &s, const std::string &name, const std::string &owner = {},
                              bool specific = false)
{
    std::vector<Routine> out;
    sql::Stmt q(s.db(), std::string("SELECT procid, owner, coalesce(paramtypes, ''), isproc FROM sysprocedures WHERE ")
                            + (specific ? "specificname" : "procname") + " = ?1 AND (?2 = '' OR owner = ?2)");
    q.bind(1, name).bind(2, owner);
    while (q.step())
        out.push_back({static_cast<int>(q.integer(0)), q.text(1), q.text(2), q.text(3) != "f"});
    return out;
}

} // namespace

namespace {

// The UTF-8 length of the character `lead` begins; 1 for a stray byte.
std::size_t utf8Size(unsigned char lead)
{
    return lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

} // namespace

// Where the blanks that follow `pos` end, and the size of the character
// there (0 at the end of the text).
std::pair<std::size_t, std::size_t> blanksThenCharacter(const std::string &text, std::size_t pos)
{
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    return {pos, pos < text.size() ? utf8Size(static_cast<unsigned char>(text[pos])) : 0};
}

std::vector<std::string> textChunks(const std::string &text, std::size_t width)
{
    std::vector<std::string> rows;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = std::min(pos + width, text.size());
        if (end < text.size()) {
            // Back to the start of a character cut in two (continuation bytes are 10xxxxxx).
            std::size_t lead = end;
            while (lead > pos && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0x80)
                --lead;
            if (lead > pos && lead + utf8Size(static_cast<unsigned char>(text[lead])) > end)
                end = lead;
            // Blanks ending a row are dropped by the CHAR column; before a
            // letter beyond ASCII that would not fit after them, a reader
            // could not tell how many there were. They begin the next row.
            std::size_t kept = end;
            while (kept > pos && text[kept - 1] == ' ')
                --kept;
            const auto [letter, size] = blanksThenCharacter(text, end);
            if (kept > pos && kept < end && size > 1 && letter + size > pos + width && letter + size - kept <= width)
                end = kept;
        }
        rows.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return rows;
}

std::string joinChunks(const std::vector<std::string> &rows, std::size_t width)
{
    std::string text;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        text += rows[i];
        if (i + 1 == rows.size() || rows[i].size() >= width)
            continue;
        const auto [letter, size] = blanksThenCharacter(rows[i + 1], 0);
        if (size < 2 || rows[i].size() + letter + size <= width)
            text.append(width - rows[i].size(), ' ');
    }
    return text;
}

void writeChunks(SessionImpl &s, const char *table, const char *idColumn, int id, char key,
                 const std::string &text, int firstSeqno)
{
    sql::Stmt q(s.db(), std::string("INSERT INTO ") + table + " (" + idColumn
                            + ", datakey, seqno, data) VALUES (?1, ?2, ?3, ?4)");
    int seq = firstSeqno;
    for (const std::string &row : textChunks(text, kBodyChunk)) {
        q.bind(1, id).bind(2, std::string(1, key)).bind(3, seq++).bind(4, row);
        q.run();
        q.reset();
    }
}

void createRoutine(SessionImpl &s, const ast::RoutineStatement &st, const std::string &text)
{
    const std::string types = paramTypes(st.signature);
    // Signatures and specific names are unique in the database whatever the owner.
    for (const Routine &r : routines(s, st.name.name))
        if (r.types == types) {
            if (st.ifNotExists)
                return;
            raise(-673, st.name.name, st.name.offset);
        }
    if (!st.specificName.empty() && !routines(s, st.specificName, {}, true).empty())
        raise(-743, st.specificName, st.specificOffset);
    const int procid = static_cast<int>(s.nextCounter("procid"));
    const std::string owner = st.name.owner.empty() ? s.user() : st.name.owner;
    const std::string body = text.substr(static_cast<std::size_t>(st.start),
                                         static_cast<std::size_t>(st.end - st.start));
    sql::Stmt q(s.db(), "INSERT INTO sysprocedures (procname, owner, procid, mode, retsize, symsize, datasize,"
                        " codesize, numargs, isproc, specificname, externalname, paramstyle, langid, paramtypes,"
                        " variant, client, handlesnulls, iterator, percallcost, commutator, negator, selfunc,"
                        " internal, class, stack, parallelizable, costfunc, selconst, collation, procflags)"
                        " VALUES (?1, ?2, ?3, ?4, ?5, 0, 0, ?6, ?7, ?8, nullif(?10, ''), NULL, 'I', 2, ?9, 't', 'f', 'f',"
                        " 'f', 0, NULL, NULL, NULL, 'f', NULL, 0, 'f', NULL, 0, 'en_US.819', 0)");
    q.bind(1, st.name.name).bind(2, owner).bind(3, procid).bind(4, std::string(st.dba ? "D" : "O"))
        .bind(5, static_cast<int>(st.returning.size()) * 8).bind(6, static_cast<int>(body.size()))
        .bind(7, static_cast<int>(st.paramNames.size())).bind(8, std::string(st.isFunction ? "f" : "t"))
        .bind(9, types).bind(10, st.specificName);
    q.run();
    writeChunks(s, "sysprocbody", "procid", procid, 'T', body, 0);
    int seq = 0;
    for (const std::string &d : st.documents) {
        writeChunks(s, "sysprocbody", "procid", procid, 'D', d, seq);
        seq += static_cast<int>(textChunks(d, kBodyChunk).size());
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
    // DROP FUNCTION takes functions only: a procedure is no function of that
    // name. DROP PROCEDURE also drops an SPL function, as Informix allows.
    for (const Routine &r : routines(s, st.name.name, st.name.owner, st.specific))
        if ((st.specific || !st.hasSignature || r.types == types) && (st.dropKind != 'F' || !r.isProc))
            ids.push_back(r.procid);
    if (ids.empty() && st.ifExists)
        return;
    // Without a signature an overloaded name does not say which routine goes.
    if (ids.size() != 1)
        raise(-674, st.name.name, st.name.offset);
    for (const char *table : {"sysprocbody", "sysprocauth", "sysproccolumns", "sysprocplan", "sysprocedures"}) {
        sql::Stmt q(s.db(), std::string("DELETE FROM ") + table + " WHERE procid = ?1");
        q.bind(1, ids.front());
        q.run();
    }
}

void grantRevokeExecute(SessionImpl &s, const ast::PrivilegeStatement &st)
{
    for (const auto &p : st.privileges)
        if (p.name != "execute" || !p.columns.empty())
            raise(-201, {}, st.start);
    const std::string types = paramTypes(st.signature);
    std::vector<int> ids;
    for (const Routine &r : routines(s, st.object.name, st.object.owner, st.specific)) {
        if (st.routineKind == 'P' && !r.isProc)
            continue;
        if (st.routineKind == 'F' && r.isProc)
            continue;
        if (st.hasSignature && r.types != types)
            continue;
        ids.push_back(r.procid);
    }
    // An overloaded name needs its parameter types (or the specific name).
    if (ids.size() != 1)
        raise(-674, st.object.name, st.object.offset);
    const int procid = ids.front();
    const bool grant = st.kind == ast::StmtKind::Grant;
    const std::string grantor = st.asGrantor.empty() ? s.user() : st.asGrantor;
    for (const std::string &grantee : st.grantees) {
        std::optional<std::string> have;
        {
            sql::Stmt q(s.db(), "SELECT procauth FROM sysprocauth WHERE procid = ?1 AND grantor = ?2 AND grantee = ?3");
            q.bind(1, procid).bind(2, grantor).bind(3, grantee);
            if (q.step())
                have = q.text(0);
        }
        if (!grant) {
            sql::Stmt d(s.db(), "DELETE FROM sysprocauth WHERE procid = ?1 AND grantor = ?2 AND grantee = ?3");
            d.bind(1, procid).bind(2, grantor).bind(3, grantee);
            d.run();
            continue;
        }
        // 'E' = grantable; a plain grant never takes the grant option away.
        const std::string auth = st.withGrantOption || (have && *have == "E") ? "E" : "e";
        sql::Stmt w(s.db(), have ? "UPDATE sysprocauth SET procauth = ?4 WHERE procid = ?1 AND grantor = ?2 AND grantee = ?3"
                                 : "INSERT INTO sysprocauth (procid, grantor, grantee, procauth) VALUES (?1, ?2, ?3, ?4)");
        w.bind(1, procid).bind(2, grantor).bind(3, grantee).bind(4, auth);
        w.run();
    }
}

} // namespace quodlin::engine::ddl
