// Roles and privileges, recorded as Informix records them and not enforced
// (the database is a local file): roles are sysusers rows of usertype 'G',
// role grants sysroleauth rows, database levels sysusers C/R/D, table
// privileges systabauth strings (s u * i d x a r n, uppercase = grantable)
// and column privileges syscolauth strings (s u r).
#include "engine/ddl_common.h"
#include "engine/ddl_objects.h"
#include "engine/ddl_routine.h"

#include <cctype>

namespace quodlin::engine::ddl {

namespace {

constexpr const char *kTabLetters = "su*idxarn";
constexpr const char *kColLetters = "sur";

bool isRole(SessionImpl &s, const std::string &name)
{
    sql::Stmt q(s.db(), "SELECT 1 FROM sysusers WHERE username = ?1 AND usertype = 'G'");
    q.bind(1, name);
    return q.step();
}

std::optional<std::string> userType(SessionImpl &s, const std::string &name)
{
    sql::Stmt q(s.db(), "SELECT usertype FROM sysusers WHERE username = ?1");
    q.bind(1, name);
    if (!q.step())
        return std::nullopt;
    return q.text(0);
}

int levelRank(const std::string &t)
{
    if (t == "D")
        return 3;
    if (t == "R")
        return 2;
    if (t == "C")
        return 1;
    return 0;  // 'U': only a default role
}

// Combines a privilege string with the letters of `add` (grant) or removes them.
std::string merge(std::string have, const std::string &change, bool grant)
{
    for (std::size_t i = 0; i < have.size() && i < change.size(); ++i) {
        if (change[i] == '-')
            continue;
        if (!grant)
            have[i] = '-';
        else if (have[i] == '-' || std::isupper(static_cast<unsigned char>(change[i])))
            have[i] = change[i];
    }
    return have;
}

bool empty(const std::string &auth)
{
    return auth.find_first_not_of('-') == std::string::npos;
}

void databaseLevel(SessionImpl &s, const ast::PrivilegeStatement &st, bool grant)
{
    std::string level = "C";
    for (const auto &p : st.privileges) {
        std::string l = p.name == "dba" ? "D" : p.name == "resource" ? "R" : p.name == "connect" ? "C" : "";
        if (l.empty())
            raise(-201, {}, st.start);
        if (levelRank(l) > levelRank(level))
            level = l;
    }
    for (std::size_t i = 0; i < st.grantees.size(); ++i) {
        const std::string &g = st.grantees[i];
        auto have = userType(s, g);
        // Only users and PUBLIC hold database levels; a role cannot, so the
        // grantee is refused rather than silently skipped.
        if (have && *have == "G")
            raise(-201, {}, i < st.granteeOffsets.size() ? st.granteeOffsets[i] : st.start);
    }
    for (const std::string &g : st.grantees) {
        auto have = userType(s, g);
        if (grant) {
            if (!have) {
                sql::Stmt q(s.db(), "INSERT INTO sysusers (username, usertype, priority) VALUES (?1, ?2, 5)");
                q.bind(1, g).bind(2, level);
                q.run();
            } else if (levelRank(level) > levelRank(*have)) {
                sql::Stmt q(s.db(), "UPDATE sysusers SET usertype = ?2 WHERE username = ?1");
                q.bind(1, g).bind(2, level);
                q.run();
            }
            continue;
        }
        if (!have || levelRank(*have) < levelRank(level))
            continue;
        if (level == "C") {
            // Without CONNECT only a default role keeps the row.
            sql::Stmt q(s.db(), "UPDATE sysusers SET usertype = 'U' WHERE username = ?1 AND defrole IS NOT NULL");
            q.bind(1, g);
            q.run();
            sql::Stmt d(s.db(), "DELETE FROM sysusers WHERE username = ?1 AND usertype <> 'U'");
            d.bind(1, g);
            d.run();
        } else {
            sql::Stmt q(s.db(), "UPDATE sysusers SET usertype = 'C' WHERE username = ?1");
            q.bind(1, g);
            q.run();
        }
    }
}

void roleLevel(SessionImpl &s, const ast::PrivilegeStatement &st, bool grant)
{
    for (const auto &p : st.privileges)
        if (!isRole(s, p.name))
            raise(-634, p.name, st.start);
    for (const auto &p : st.privileges) {
        for (const std::string &g : st.grantees) {
            sql::Stmt d(s.db(), "DELETE FROM sysroleauth WHERE rolename = ?1 AND grantee = ?2");
            d.bind(1, p.name).bind(2, g);
            d.run();
            if (!grant)
                continue;
            sql::Stmt q(s.db(), "INSERT INTO sysroleauth (rolename, grantee, is_grantable) VALUES (?1, ?2, ?3)");
            q.bind(1, p.name).bind(2, g).bind(3, st.withGrantOption ? "Y" : "N");
            q.run();
        }
    }
}

void defaultRole(SessionImpl &s, const ast::PrivilegeStatement &st, bool grant)
{
    if (grant && !isRole(s, st.privileges.front().name))
        raise(-634, st.privileges.front().name, st.start);
    for (const std::string &g : st.grantees) {
        if (grant) {
            if (userType(s, g)) {
                sql::Stmt q(s.db(), "UPDATE sysusers SET defrole = ?2 WHERE username = ?1");
                q.bind(1, g).bind(2, st.privileges.front().name);
                q.run();
            } else {
                sql::Stmt q(s.db(), "INSERT INTO sysusers (username, usertype, priority, defrole) VALUES (?1, 'U', 5, ?2)");
                q.bind(1, g).bind(2, st.privileges.front().name);
                q.run();
            }
        } else {
            sql::Stmt q(s.db(), "UPDATE sysusers SET defrole = NULL WHERE username = ?1");
            q.bind(1, g);
            q.run();
            sql::Stmt d(s.db(), "DELETE FROM sysusers WHERE username = ?1 AND usertype = 'U'");
            d.bind(1, g);
            d.run();
        }
    }
}

void storeTabAuth(SessionImpl &s, const std::string &grantor, const std::string &grantee, int tabid,
                  const std::string &change, bool grant)
{
    std::string have(9, '-');
    bool exists = false;
    {
        sql::Stmt q(s.db(), "SELECT tabauth FROM systabauth WHERE tabid = ?1 AND grantor = ?2 AND grantee = ?3");
        q.bind(1, tabid).bind(2, grantor).bind(3, grantee);
        if (q.step()) {
            exists = true;
            have = q.text(0);
            have.resize(9, '-');
        }
    }
    const std::string next = merge(have, change, grant);
    if (exists && empty(next)) {
        sql::Stmt d(s.db(), "DELETE FROM systabauth WHERE tabid = ?1 AND grantor = ?2 AND grantee = ?3");
        d.bind(1, tabid).bind(2, grantor).bind(3, grantee);
        d.run();
    } else if (exists) {
        sql::Stmt u(s.db(), "UPDATE systabauth SET tabauth = ?4 WHERE tabid = ?1 AND grantor = ?2 AND grantee = ?3");
        u.bind(1, tabid).bind(2, grantor).bind(3, grantee).bind(4, next);
        u.run();
    } else if (!empty(next)) {
        sql::Stmt i(s.db(), "INSERT INTO systabauth (grantor, grantee, tabid, tabauth) VALUES (?1, ?2, ?3, ?4)");
        i.bind(1, grantor).bind(2, grantee).bind(3, tabid).bind(4, next);
        i.run();
    }
}

void storeColAuth(SessionImpl &s, const std::string &grantor, const std::string &grantee, int tabid, int colno,
                  const std::string &change, bool grant)
{
    std::string have(3, '-');
    bool exists = false;
    {
        sql::Stmt q(s.db(), "SELECT colauth FROM syscolauth WHERE tabid = ?1 AND grantor = ?2 AND grantee = ?3"
                            " AND colno = ?4");
        q.bind(1, tabid).bind(2, grantor).bind(3, grantee).bind(4, colno);
        if (q.step()) {
            exists = true;
            have = q.text(0);
            have.resize(3, '-');
        }
    }
    const std::string next = merge(have, change, grant);
    sql::Stmt d(s.db(), "DELETE FROM syscolauth WHERE tabid = ?1 AND grantor = ?2 AND grantee = ?3 AND colno = ?4");
    d.bind(1, tabid).bind(2, grantor).bind(3, grantee).bind(4, colno);
    if (exists)
        d.run();
    if (!empty(next)) {
        sql::Stmt i(s.db(), "INSERT INTO syscolauth (grantor, grantee, tabid, colno, colauth) VALUES (?1, ?2, ?3, ?4, ?5)");
        i.bind(1, grantor).bind(2, grantee).bind(3, tabid).bind(4, colno).bind(5, next);
        i.run();
    }
}

// The '*' of a systabauth row tells whether column privileges exist.
void markColumnPrivileges(SessionImpl &s, const std::string &grantor, const std::string &grantee, int tabid)
{
    sql::Stmt q(s.db(), "SELECT 1 FROM syscolauth WHERE tabid = ?1 AND grantor = ?2 AND grantee = ?3");
    q.bind(1, tabid).bind(2, grantor).bind(3, grantee);
    const bool any = q.step();
    storeTabAuth(s, grantor, grantee, tabid, "--*------", any);
}

void tableLevel(SessionImpl &s, const ast::PrivilegeStatement &st, bool grant)
{
    auto t = s.catalog().findTable(st.object.name, st.object.owner);
    if (!t || t->temp)
        raise(-206, st.object.name, st.object.offset, -111);
    if (t->tabtype == 'S' || t->tabtype == 'P')
        raise(-999, {}, st.object.offset);  // a synonym of a remote table
    std::string tab(9, '-');
    std::vector<std::pair<int, std::string>> cols;  // colno, colauth change
    auto letter = [&](char c) {
        return st.withGrantOption ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
    };
    for (const auto &p : st.privileges) {
        const std::string &n = p.name;
        if (n == "all") {
            for (char c : std::string("suidxar"))
                tab[std::string(kTabLetters).find(c)] = letter(c);
            continue;
        }
        char c = n == "select" ? 's' : n == "update" ? 'u' : n == "insert" ? 'i' : n == "delete" ? 'd'
            : n == "index" ? 'x' : n == "alter" ? 'a' : n == "references" ? 'r' : n == "under" ? 'n' : 0;
        if (!c)
            raise(-201, {}, st.start);
        if (p.columns.empty() || !grant) {
            tab[std::string(kTabLetters).find(c)] = letter(c);
            if (!grant && std::string(kColLetters).find(c) != std::string::npos) {
                // REVOKE of a privilege takes its column grants too.
                for (const ColumnInfo &col : t->columns) {
                    std::string change(3, '-');
                    change[std::string(kColLetters).find(c)] = c;
                    cols.emplace_back(col.colno, change);
                }
            }
            continue;
        }
        if (std::string(kColLetters).find(c) == std::string::npos)
            raise(-201, {}, p.columns.front().offset);
        for (const ast::ColumnRef &r : p.columns) {
            const ColumnInfo *col = t->column(r.name);
            if (!col)
                raise(-217, r.name, r.offset);
            std::string change(3, '-');
            change[std::string(kColLetters).find(c)] = letter(c);
            cols.emplace_back(col->colno, change);
        }
    }
    const std::string grantor = st.asGrantor.empty() ? s.user() : st.asGrantor;
    for (const std::string &g : st.grantees) {
        storeTabAuth(s, grantor, g, t->tabid, tab, grant);
        for (const auto &[colno, change] : cols)
            storeColAuth(s, grantor, g, t->tabid, colno, change, grant);
        if (!cols.empty())
            markColumnPrivileges(s, grantor, g, t->tabid);
    }
}

} // namespace

void createRole(SessionImpl &s, const ast::ObjectStatement &st)
{
    const std::string &name = st.name.name;
    if (name == "public" || name == "none" || name == "null")
        raise(-201, {}, st.name.offset);
    if (userType(s, name)) {
        if (st.ifExists)  // CREATE ROLE IF NOT EXISTS
            return;
        raise(-743, name, st.name.offset);
    }
    sql::Stmt q(s.db(), "INSERT INTO sysusers (username, usertype, priority) VALUES (?1, 'G', 5)");
    q.bind(1, name);
    q.run();
}

void dropRole(SessionImpl &s, const ast::ObjectStatement &st)
{
    const std::string &name = st.name.name;
    if (!isRole(s, name)) {
        if (st.ifExists)
            return;
        raise(-634, name, st.name.offset);
    }
    auto run = [&](const char *text) {
        sql::Stmt q(s.db(), text);
        q.bind(1, name);
        q.run();
    };
    run("DELETE FROM sysroleauth WHERE rolename = ?1 OR grantee = ?1");
    run("DELETE FROM systabauth WHERE grantee = ?1");
    run("DELETE FROM syscolauth WHERE grantee = ?1");
    run("DELETE FROM sysprocauth WHERE grantee = ?1");
    run("UPDATE sysusers SET defrole = NULL WHERE defrole = ?1");
    run("DELETE FROM sysusers WHERE usertype = 'U' AND defrole IS NULL");
    run("DELETE FROM sysusers WHERE username = ?1");
}

void setRole(SessionImpl &s, const ast::SetOtherStatement &st)
{
    const std::string &name = st.value;
    if (name == "none" || name == "default" || name == "null")
        return;
    if (!isRole(s, name))
        raise(-634, name, st.start);
}

void grantRevoke(SessionImpl &s, const ast::PrivilegeStatement &st)
{
    using Level = ast::PrivilegeStatement::Level;
    const bool grant = st.kind == ast::StmtKind::Grant;
    if (grant && st.withGrantOption && (st.level == Level::Table || st.level == Level::Routine))
        for (std::size_t i = 0; i < st.grantees.size(); ++i)
            if (st.grantees[i] == "public")
                raise(-298, {}, i < st.granteeOffsets.size() ? st.granteeOffsets[i] : st.start);
    switch (st.level) {
    case Level::Database:
        databaseLevel(s, st, grant);
        return;
    case Level::Role:
        roleLevel(s, st, grant);
        return;
    case Level::DefaultRole:
        defaultRole(s, st, grant);
        return;
    case Level::Table:
        tableLevel(s, st, grant);
        return;
    case Level::Routine:
        grantRevokeExecute(s, st);
        return;
    }
}

} // namespace quodlin::engine::ddl
