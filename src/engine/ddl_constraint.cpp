// Constraints of tables: their catalog rows, the unique indexes and the
// SQLite triggers that enforce foreign keys, and dropping them with what
// depends on them.
#include "engine/decimal.h"
#include "engine/ddl_common.h"
#include "engine/ddl_objects.h"

#include "engine/lexer.h"
#include "engine/parser.h"
#include "engine/translate_internal.h"
#include "engine/values.h"

#include <algorithm>
#include <functional>
#include <set>


namespace quodlin::engine::ddl {

namespace {

void collectColumns(const ast::Expr &e, std::vector<std::string> &out)
{
    if (e.kind == ast::ExprKind::Column)
        out.push_back(e.text);
    for (const auto &a : e.args)
        if (a)
            collectColumns(*a, out);
}
} // namespace

int addConstraint(SessionImpl &s, TableInfo &t, const ast::Constraint &k, const std::vector<int> &colnos,
                  const std::string &text)
{
    using CK = ast::Constraint::Kind;
    Catalog &cat = s.catalog();
    if (t.temp) {
        // Temp tables keep no constraint rows; keys still get their unique index.
        if (k.kind == CK::PrimaryKey || k.kind == CK::Unique) {
            IndexInfo ix{" " + std::to_string(t.tabid) + "_" + std::to_string(s.nextTempTabid()), s.user(),
                         t.tabid, 'U', ' ', colnos};
            writeIndex(s, t, ix);
            createSqliteIndex(s, t, ix, k.offset);
        }
        return 0;
    }
    if (!k.name.empty() && cat.findConstraint(k.name))
        raise(-625, k.name, k.offset);
    int constrid = static_cast<int>(s.nextCounter("constrid"));
    char type = 'U';
    char letter = 'u';
    switch (k.kind) {
    case CK::PrimaryKey: type = 'P'; letter = 'u'; break;
    case CK::Unique: type = 'U'; letter = 'u'; break;
    case CK::Check: type = 'C'; letter = 'c'; break;
    case CK::ForeignKey: type = 'R'; letter = 'r'; break;
    case CK::NotNull: type = 'N'; letter = 'n'; break;
    }
    const std::string suffix = std::to_string(t.tabid) + "_" + std::to_string(constrid);
    const std::string name = k.name.empty() ? std::string(1, letter) + suffix : k.name;
    std::string idxname;

    if (type == 'P' || type == 'U' || type == 'R') {
        if (type == 'P') {
            for (const ConstraintInfo &c : cat.constraints(t.tabid))
                if (c.type == 'P')
                    raise(-(589), t.name, k.offset);
        }
        if (type != 'R') {
            for (const ConstraintInfo &c : cat.constraints(t.tabid))
                if ((c.type == 'P' || c.type == 'U') && c.columns == colnos)
                    raise(-350, {}, k.offset);
        }
        idxname = " " + suffix;
    }
    {
        sql::Stmt q(s.db(), "INSERT INTO sysconstraints (constrid, constrname, owner, tabid, constrtype, idxname)"
                            " VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
        q.bind(1, constrid).bind(2, name).bind(3, k.owner.empty() ? s.user() : k.owner).bind(4, t.tabid).bind(5, std::string(1, type));
        if (idxname.empty())
            q.bindNull(6);
        else
            q.bind(6, idxname);
        q.run();
    }
    if (!idxname.empty()) {
        // After the constraint row, so the index knows whose it is.
        IndexInfo ix{idxname, s.user(), t.tabid, type == 'R' ? 'D' : 'U', ' ', colnos};
        writeIndex(s, t, ix);
        createSqliteIndex(s, t, ix, k.offset);
    }
    if (type == 'N') {
        sql::Stmt d(s.db(), "INSERT INTO syscoldepend (constrid, tabid, colno) VALUES (?1, ?2, ?3)");
        d.bind(1, constrid).bind(2, t.tabid).bind(3, colnos.at(0));
        d.run();
    }
    if (type == 'C') {
        int seq = 0;
        for (const std::string &row : textChunks(k.checkText, 32)) {
            sql::Stmt q(s.db(), "INSERT INTO syschecks (constrid, type, seqno, checktext) VALUES (?1, 'T', ?2, ?3)");
            q.bind(1, constrid).bind(2, seq++).bind(3, row);
            q.run();
        }
        std::vector<std::string> names;
        if (k.check)
            collectColumns(*k.check, names);
        std::set<int> seen;
        for (const std::string &n : names) {
            const ColumnInfo *c = t.column(n);
            if (!c)
                raise(-217, n, k.offset);
            if (!seen.insert(c->colno).second)
                continue;
            sql::Stmt d(s.db(), "INSERT INTO syscoldepend (constrid, tabid, colno) VALUES (?1, ?2, ?3)");
            d.bind(1, constrid).bind(2, t.tabid).bind(3, c->colno);
            d.run();
        }
        // Validates the condition against the table now rather than at the first INSERT.
        TranslationContext ctx = s.translationContext();
        if (k.check)
            translateExpression(*k.check, t, ctx);
    }
    if (type == 'R') {
        std::optional<TableInfo> parent = k.refTable.name == t.name ? std::optional<TableInfo>(t)
                                                                     : cat.findTable(k.refTable.name, k.refTable.owner);
        if (!parent || parent->temp)
            raise(-206, k.refTable.name, k.refTable.offset, -111);
        std::vector<int> refCols;
        for (const ast::ColumnRef &r : k.refColumns) {
            const ColumnInfo *c = parent->column(r.name);
            if (!c)
                raise(-217, r.name, r.offset);
            refCols.push_back(c->colno);
        }
        const ConstraintInfo *key = nullptr;
        std::vector<ConstraintInfo> parentKeys = cat.constraints(parent->tabid);
        for (const ConstraintInfo &c : parentKeys) {
            if (c.type != 'P' && c.type != 'U')
                continue;
            if (refCols.empty() ? c.type == 'P' : c.columns == refCols) {
                key = &c;
                break;
            }
        }
        if (!key)
            raise(-297, parent->name, k.refTable.offset);
        if (key->columns.size() != colnos.size())
            raise(-201, {}, k.offset);
        sql::Stmt q(s.db(), "INSERT INTO sysreferences (constrid, \"primary\", ptabid, updrule, delrule, matchtype,"
                            " pendant) VALUES (?1, ?2, ?3, 'R', ?4, 'N', 'N')");
        q.bind(1, constrid).bind(2, key->constrid).bind(3, parent->tabid).bind(4, k.onDeleteCascade ? "C" : "R");
        q.run();
        // Existing rows must satisfy the new key.
        std::string cond;
        for (size_t i = 0; i < colnos.size(); ++i) {
            const ColumnInfo *cc = nullptr, *pc = nullptr;
            for (const ColumnInfo &c : t.columns)
                if (c.colno == colnos[i])
                    cc = &c;
            for (const ColumnInfo &c : parent->columns)
                if (c.colno == key->columns[i])
                    pc = &c;
            cond += (i ? " AND " : "") + std::string("p.") + sql::quote(pc->name) + " = c." + sql::quote(cc->name);
        }
        sql::Stmt check(s.db(), "SELECT 1 FROM " + t.sqliteName + " c WHERE NOT EXISTS (SELECT 1 FROM "
                                    + parent->sqliteName + " p WHERE " + cond + ") LIMIT 1");
        if (check.step()) {
            // Rows whose key holds a NULL are not checked.
            sql::Stmt again(s.db(), "SELECT 1 FROM " + t.sqliteName + " c WHERE NOT EXISTS (SELECT 1 FROM "
                                        + parent->sqliteName + " p WHERE " + cond + ") AND " + [&] {
                                            std::string nn;
                                            for (size_t i = 0; i < colnos.size(); ++i)
                                                for (const ColumnInfo &c : t.columns)
                                                    if (c.colno == colnos[i])
                                                        nn += (nn.empty() ? "" : " AND ") + std::string("c.")
                                                            + sql::quote(c.name) + " IS NOT NULL";
                                            return nn;
                                        }() + " LIMIT 1");
            if (again.step())
                raise(-691, s.user() + "." + name, k.offset);
        }
    }
    return constrid;
}

namespace {

std::string colList(const TableInfo &t, const std::vector<int> &colnos, const std::string &prefix)
{
    std::string out;
    for (int n : colnos)
        for (const ColumnInfo &c : t.columns)
            if (c.colno == std::abs(n))
                out += (out.empty() ? "" : ", ") + prefix + sql::quote(c.name);
    return out;
}

std::string pairs(const TableInfo &a, const std::vector<int> &ac, const std::string &ap, const TableInfo &b,
                  const std::vector<int> &bc, const std::string &bp, const std::string &op, const std::string &join)
{
    std::string out;
    for (size_t i = 0; i < ac.size() && i < bc.size(); ++i) {
        std::string an, bn;
        for (const ColumnInfo &c : a.columns)
            if (c.colno == ac[i])
                an = c.name;
        for (const ColumnInfo &c : b.columns)
            if (c.colno == bc[i])
                bn = c.name;
        out += (i ? join : "") + ap + sql::quote(an) + op + bp + sql::quote(bn);
    }
    return out;
}

void createReferentialTriggers(SessionImpl &s, const ConstraintInfo &fk, bool childSide, bool parentSide)
{
    Catalog &cat = s.catalog();
    auto child = cat.tableById(fk.tabid);
    auto parent = cat.tableById(fk.refTabid);
    if (!child || !parent)
        return;
    std::vector<int> pcols;
    for (const ConstraintInfo &c : cat.constraints(parent->tabid))
        if (c.constrid == fk.refConstrid)
            pcols = c.columns;
    const std::string label = fk.owner + "." + fk.name;
    const std::string ct = sql::quote(child->name), pt = sql::quote(parent->name);
    std::string notNull;
    for (int n : fk.columns)
        for (const ColumnInfo &c : child->columns)
            if (c.colno == n)
                notNull += (notNull.empty() ? "" : " AND ") + std::string("NEW.") + sql::quote(c.name) + " IS NOT NULL";
    auto trig = [&](const std::string &suffix) { return sql::quote("fk$" + fk.name + "$" + suffix); };
    if (childSide) {
        std::string missing = notNull + " AND NOT EXISTS (SELECT 1 FROM " + pt + " p WHERE "
            + pairs(*parent, pcols, "p.", *child, fk.columns, "NEW.", " = ", " AND ") + ")";
        std::string raiseText = "SELECT RAISE(ABORT, " + sql::literal("quodlin:-691:0:" + label) + ");";
        sql::exec(s.db(), "CREATE TRIGGER main." + trig("ci") + " BEFORE INSERT ON " + ct + " WHEN " + missing
                              + " BEGIN " + raiseText + " END");
        sql::exec(s.db(), "CREATE TRIGGER main." + trig("cu") + " BEFORE UPDATE OF " + colList(*child, fk.columns, "")
                              + " ON " + ct + " WHEN " + missing + " BEGIN " + raiseText + " END");
    }
    if (parentSide) {
        std::string match = pairs(*child, fk.columns, "c.", *parent, pcols, "OLD.", " = ", " AND ");
        std::string raiseText = "SELECT RAISE(ABORT, " + sql::literal("quodlin:-692:0:" + label) + ");";
        if (fk.delrule == 'C') {
            // Trigger bodies take no table aliases in DELETE.
            std::string direct = pairs(*child, fk.columns, ct + ".", *parent, pcols, "OLD.", " = ", " AND ");
            sql::exec(s.db(), "CREATE TRIGGER main." + trig("pd") + " BEFORE DELETE ON " + pt + " BEGIN DELETE FROM "
                                  + ct + " WHERE " + direct + "; END");
        } else {
            sql::exec(s.db(), "CREATE TRIGGER main." + trig("pd") + " BEFORE DELETE ON " + pt + " WHEN EXISTS (SELECT 1 FROM "
                                  + ct + " c WHERE " + match + ") BEGIN " + raiseText + " END");
        }
        std::string changed = pairs(*parent, pcols, "OLD.", *parent, pcols, "NEW.", " IS NOT ", " OR ");
        sql::exec(s.db(), "CREATE TRIGGER main." + trig("pu") + " BEFORE UPDATE OF " + colList(*parent, pcols, "")
                              + " ON " + pt + " WHEN (" + changed + ") AND EXISTS (SELECT 1 FROM " + ct + " c WHERE "
                              + match + ") BEGIN " + raiseText + " END");
    }
}

} // namespace

void rebuildTableObjects(SessionImpl &s, const TableInfo &t)
{
    if (t.temp)
        return;
    std::vector<std::string> drop;
    {
        sql::Stmt q(s.db(), "SELECT name FROM sqlite_master WHERE type = 'trigger' AND tbl_name = ?1 AND name LIKE 'fk$%'");
        q.bind(1, t.name);
        while (q.step())
            drop.push_back(q.text(0));
    }
    for (const std::string &n : drop)
        sql::exec(s.db(), "DROP TRIGGER main." + sql::quote(n));
    for (const ConstraintInfo &c : s.catalog().constraints(t.tabid))
        if (c.type == 'R')
            createReferentialTriggers(s, c, true, false);
    for (const ConstraintInfo &c : s.catalog().referencing(t.tabid))
        createReferentialTriggers(s, c, false, true);
}

void dropConstraint(SessionImpl &s, const ConstraintInfo &c, std::vector<int> &touched)
{
    if (c.type == 'P' || c.type == 'U') {
        for (const ConstraintInfo &r : s.catalog().referencing(c.tabid))
            if (r.refConstrid == c.constrid)
                dropConstraint(s, r, touched);
    }
    for (const char *table : {"sysreferences", "syschecks", "syscoldepend", "sysconstraints"}) {
        sql::Stmt q(s.db(), std::string("DELETE FROM ") + table + " WHERE constrid = ?1");
        q.bind(1, c.constrid);
        q.run();
    }
    if (!c.idxname.empty()) {
        sql::Stmt q(s.db(), "DELETE FROM sysindexes WHERE idxname = ?1 AND tabid = ?2");
        q.bind(1, c.idxname).bind(2, c.tabid);
        q.run();
        dropSqliteIndex(s, false, c.idxname);
    }
    touched.push_back(c.tabid);
    if (c.type == 'R')
        touched.push_back(c.refTabid);
}

} // namespace quodlin::engine::ddl
