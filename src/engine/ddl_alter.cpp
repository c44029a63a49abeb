// ALTER TABLE: columns added, dropped and modified, constraints added and
// dropped, and the rebuild of the SQLite table that most of them need.
#include "engine/decimal.h"
#include "engine/complex_types.h"
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

void rebuildTable(SessionImpl &s, const TableInfo &before, const TableInfo &afterAsIs)
{
    TableInfo after = afterAsIs;
    after.rowKey = rowKeyOf(s, after);
    const std::string schema = after.temp ? "temp." : "main.";
    const std::string scratch = "quodlin_rebuild";
    sql::exec(s.db(), "DROP TABLE IF EXISTS " + schema + sql::quote(scratch));
    auto checks = checkSql(s, after);
    sql::exec(s.db(), tableSql(schema + sql::quote(scratch), after.columns, checks, s.environment(), after.rowKey));
    // A row key is the rowid itself: its column carries the rows' ids over.
    // SQLite would number a NULL key silently, so one is refused here.
    std::string into = after.rowKey ? "" : "rowid", from = into;
    if (after.rowKey) {
        const ColumnInfo *key = nullptr;
        for (const ColumnInfo &c : after.columns)
            if (c.colno == after.rowKey)
                key = &c;
        const ColumnInfo *old = key ? before.column(key->name) : nullptr;
        bool nullKey = !old;
        if (old) {
            sql::Stmt q(s.db(), "SELECT 1 FROM " + before.sqliteName + " WHERE " + sql::quote(old->name) + " IS NULL LIMIT 1");
            nullKey = q.step();
        }
        if (nullKey && key) {
            sql::Stmt q(s.db(), "SELECT 1 FROM " + before.sqliteName + " LIMIT 1");
            if (q.step())
                raise(-391, after.name + "." + key->name);
        }
    }
    TranslationContext ctx = s.translationContext();
    Translator convert(ctx);
    for (const ColumnInfo &c : after.columns) {
        const ColumnInfo *old = before.column(c.name);
        if (!old)
            continue;
        into += (into.empty() ? "" : ", ") + sql::quote(c.name);
        // A column whose type changed keeps its values converted as an
        // UPDATE would store them; one that does not convert fails the ALTER.
        Typed v;
        v.sql = sql::quote(c.name);
        v.type = old->type();
        v.column = old;
        // A DATE becomes its DBDATE text and a BOOLEAN t or f, not the
        // numbers they are stored as.
        const int oldCode = old->coltype & kTypeMask;
        if (isCharacter(c.coltype & kTypeMask, c.extendedId) && !isCharacter(oldCode, old->extendedId)) {
            if (oldCode == TDate)
                v.sql = "ifx_to_char(" + v.sql + ",-1,NULL)";
            else if (isBoolean(oldCode, old->extendedId))
                v.sql = "CASE WHEN " + v.sql + " IS NULL THEN NULL WHEN " + v.sql + " THEN 't' ELSE 'f' END";
            if (v.sql != sql::quote(c.name)) {
                v.type = TypeDesc{TChar, 10, 0};
                v.column = nullptr;
            }
        }
        from += (from.empty() ? "" : ", ") + (old->type() == c.type() ? v.sql : convert.storeValue(v, c, -1));
    }
    char *err = nullptr;
    std::string copy = "INSERT INTO " + schema + sql::quote(scratch) + " (" + into + ") SELECT " + from + " FROM "
        + before.sqliteName;
    if (sqlite3_exec(s.db(), copy.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "";
        sqlite3_free(err);
        int ext = sqlite3_extended_errcode(s.db());
        // SQLite names the scratch table; the user knows only the table altered.
        const std::string what = msg.substr(msg.find(": ") + 2);
        if (ext == SQLITE_CONSTRAINT_NOTNULL) {
            const auto dot = what.find('.');
            raise(-391, after.name + (dot == std::string::npos ? "." + what : what.substr(dot)));
        }
        if (ext == SQLITE_CONSTRAINT_CHECK) {
            auto c = s.catalog().findConstraint(what);
            raise(-530, c ? c->owner + "." + what : what);
        }
        if (ext == SQLITE_CONSTRAINT_PRIMARYKEY)
            raise(-371);
        sql::fail(s.db(), "rebuild");
    }
    sql::exec(s.db(), "DROP TABLE " + before.sqliteName);
    // Legacy mode: triggers of other tables that name this one stay valid
    // and need no rewriting, the new table takes the same name.
    sql::exec(s.db(), "PRAGMA legacy_alter_table=ON");
    try {
        sql::exec(s.db(), "ALTER TABLE " + schema + sql::quote(scratch) + " RENAME TO " + sql::quote(after.name));
    } catch (...) {
        sql::exec(s.db(), "PRAGMA legacy_alter_table=OFF");
        throw;
    }
    sql::exec(s.db(), "PRAGMA legacy_alter_table=OFF");
    for (const IndexInfo &ix : s.catalog().indexes(after.tabid))
        createSqliteIndex(s, after, ix, -1);
}

// ---------------------------------------------------------------- ALTER TABLE

namespace {

void renumberColumns(SessionImpl &s, int tabid, int from, int delta)
{
    // Shifts colno >= from by delta in every table that stores column numbers.
    // Through negative numbers so the unique (tabid, colno) indexes never see a clash.
    for (const char *tab : {"syscolumns", "sysdefaults", "syscoldepend", "sysblobs", "syscolauth"}) {
        sql::Stmt q(s.db(), std::string("UPDATE ") + tab + " SET colno = -(colno + ?3) WHERE tabid = ?1 AND colno >= ?2");
        q.bind(1, tabid).bind(2, from).bind(3, delta);
        q.run();
        sql::Stmt back(s.db(), std::string("UPDATE ") + tab + " SET colno = -colno WHERE tabid = ?1 AND colno < 0");
        back.bind(1, tabid);
        back.run();
    }
    sql::Stmt serials(s.db(), "UPDATE quodlin_serials SET colno = colno + ?3 WHERE tabid = ?1 AND colno >= ?2");
    serials.bind(1, tabid).bind(2, from).bind(3, delta);
    serials.run();
    for (int p = 1; p <= 16; ++p) {
        std::string col = "part" + std::to_string(p);
        sql::Stmt q(s.db(), "UPDATE sysindexes SET " + col + " = CASE WHEN " + col + " >= ?2 THEN " + col + " + ?3 WHEN "
                                + col + " <= -?2 THEN " + col + " - ?3 ELSE " + col + " END WHERE tabid = ?1");
        q.bind(1, tabid).bind(2, from).bind(3, delta);
        q.run();
    }
}

// MODIFY drops what the column carried unless the clause states it again:
// its NOT NULL, its single-column keys (with the foreign keys of any table
// that reference them), checks and foreign keys on it alone, and the foreign
// keys that reference a key of several columns it belongs to (that key stays).
// A key stated again in the same form stays as it is, with its name and
// referencing keys; its entry in `restated` is then cleared.
void dropUnrestated(SessionImpl &s, int tabid, int colno, std::vector<const ast::Constraint *> &restated,
                    std::vector<int> &touched)
{
    using CK = ast::Constraint::Kind;
    Catalog &cat = s.catalog();
    for (const ConstraintInfo &k : cat.constraints(tabid)) {
        const bool on = std::find(k.columns.begin(), k.columns.end(), colno) != k.columns.end();
        if (!on)
            continue;
        const bool alone = k.columns.size() == 1;
        if ((k.type == 'P' || k.type == 'U') && !alone) {
            for (const ConstraintInfo &r : cat.referencing(tabid))
                if (r.refConstrid == k.constrid)
                    dropConstraint(s, r, touched);
            continue;
        }
        if (!alone || (k.type == 'R' && k.columns.front() != colno))
            continue;
        if (k.type == 'P' || k.type == 'U') {
            const CK kind = k.type == 'P' ? CK::PrimaryKey : CK::Unique;
            auto same = std::find_if(restated.begin(), restated.end(), [&](const ast::Constraint *r) {
                return r && r->kind == kind && (r->name.empty() || r->name == k.name);
            });
            if (same != restated.end()) {
                *same = nullptr;
                continue;
            }
        }
        dropConstraint(s, k, touched);
    }
}

} // namespace

void alterTable(SessionImpl &s, const ast::AlterTableStatement &st, const std::string &text)
{
    Catalog &cat = s.catalog();
    auto found = cat.findTable(st.table.name, st.table.owner, false);
    if (found && found->tabtype == 'V')
        raise(-322, found->name, st.table.offset);
    if (!found || found->tabtype != 'T')
        raise(-206, st.table.name, st.table.offset, -111);
    if (found->temp)
        raise(-999, {}, st.table.offset);
    if (found->tabid < 100)
        raise(-312, found->name, st.table.offset);
    const TableInfo before = *found;
    const int tabid = before.tabid;
    bool rebuild = false;
    std::vector<int> touched;

    for (const ast::AlterAction &a : st.actions) {
        using AK = ast::AlterAction::Kind;
        TableInfo t = *cat.tableById(tabid);
        switch (a.kind) {
        case AK::AddColumns:
            for (const ast::ColumnDef &def : a.columns) {
                t = *cat.tableById(tabid);
                if (t.column(def.name))
                    raise(-328, def.name, def.offset);
                int colno = static_cast<int>(t.columns.size()) + 1;
                if (!def.before.empty()) {
                    const ColumnInfo *b = t.column(def.before);
                    if (!b)
                        raise(-352, def.before, def.offset);
                    colno = b->colno;
                    renumberColumns(s, tabid, colno, 1);
                }
                ColumnInfo c = columnFromDef(s, def, colno);
                if (isSerial(c.coltype) && t.serialColumn())
                    raise(-362, {}, def.offset);
                writeColumn(s, tabid, c);
                t = *cat.tableById(tabid);
                for (const ast::Constraint &k : def.constraints) {
                    if (k.kind == ast::Constraint::Kind::NotNull)
                        continue;
                    std::vector<int> cols{c.colno};
                    addConstraint(s, t, k, cols, text);
                }
                for (const ast::Constraint &k : def.constraints)
                    if (k.kind == ast::Constraint::Kind::NotNull)
                        addConstraint(s, t, k, {c.colno}, text);
            }
            rebuild = true;
            break;
        case AK::DropColumns:
            for (const ast::ColumnRef &r : a.names) {
                t = *cat.tableById(tabid);
                const ColumnInfo *c = t.column(r.name);
                if (!c)
                    raise(-352, r.name, r.offset);
                if (t.columns.size() == 1)
                    raise(-370, {}, r.offset);
                const int colno = c->colno;
                for (const ConstraintInfo &k : cat.constraints(tabid)) {
                    bool uses = false;
                    for (int p : k.columns)
                        uses = uses || std::abs(p) == colno;
                    if (uses)
                        dropConstraint(s, k, touched);
                }
                std::vector<std::string> gone;
                for (const IndexInfo &ix : cat.indexes(tabid))
                    for (int p : ix.parts)
                        if (std::abs(p) == colno)
                            gone.push_back(ix.name);
                for (const std::string &n : gone) {
                    sql::Stmt q(s.db(), "DELETE FROM sysindexes WHERE idxname = ?1 AND tabid = ?2");
                    q.bind(1, n).bind(2, tabid);
                    q.run();
                    dropSqliteIndex(s, false, n);
                }
                for (const char *tab : {"syscolumns", "sysdefaults", "sysblobs", "syscolauth", "quodlin_serials"}) {
                    sql::Stmt q(s.db(), std::string("DELETE FROM ") + tab + " WHERE tabid = ?1 AND colno = ?2");
                    q.bind(1, tabid).bind(2, colno);
                    q.run();
                }
                renumberColumns(s, tabid, colno + 1, -1);
            }
            rebuild = true;
            break;
        case AK::ModifyColumns:
            for (const ast::ColumnDef &def : a.columns) {
                t = *cat.tableById(tabid);
                const ColumnInfo *old = t.column(def.name);
                if (!old)
                    raise(-352, def.name, def.offset);
                ColumnInfo c = columnFromDef(s, def, old->colno);
                std::vector<const ast::Constraint *> restated;
                for (const ast::Constraint &k : def.constraints)
                    restated.push_back(&k);
                dropUnrestated(s, tabid, c.colno, restated, touched);
                if (!c.notNull) {
                    // A column of a key that stays remains NOT NULL.
                    for (const ConstraintInfo &k : cat.constraints(tabid))
                        if (k.type == 'P')
                            for (int p : k.columns)
                                if (p == c.colno)
                                    c.notNull = true;
                }
                for (const char *tab : {"syscolumns", "sysdefaults", "sysblobs"}) {
                    sql::Stmt q(s.db(), std::string("DELETE FROM ") + tab + " WHERE tabid = ?1 AND colno = ?2");
                    q.bind(1, tabid).bind(2, c.colno);
                    q.run();
                }
                writeColumn(s, tabid, c);
                t = *cat.tableById(tabid);
                for (const ast::Constraint *k : restated)
                    if (k)
                        addConstraint(s, t, *k, {c.colno}, text);
                if (isSerial(c.coltype) && def.type.desc.serialStart > 1)
                    s.setSerialCounter(tabid, c.colno, def.type.desc.serialStart - 1);
            }
            rebuild = true;
            break;
        case AK::AddConstraints:
            for (const ast::Constraint &k : a.constraints) {
                t = *cat.tableById(tabid);
                std::vector<int> cols;
                for (const ast::ColumnRef &r : k.columns) {
                    const ColumnInfo *c = t.column(r.name);
                    if (!c)
                        raise(-352, r.name, r.offset);
                    cols.push_back(c->colno);
                }
                if (k.kind == ast::Constraint::Kind::PrimaryKey) {
                    // Key columns become NOT NULL.
                    for (int n : cols) {
                        sql::Stmt q(s.db(), "UPDATE syscolumns SET coltype = coltype | 256 WHERE tabid = ?1 AND colno = ?2");
                        q.bind(1, tabid).bind(2, n);
                        q.run();
                    }
                    rebuild = true;
                }
                addConstraint(s, t, k, cols, text);
                if (k.kind == ast::Constraint::Kind::Check || k.kind == ast::Constraint::Kind::NotNull)
                    rebuild = true;
                if (k.kind == ast::Constraint::Kind::ForeignKey) {
                    touched.push_back(tabid);
                    if (auto p = cat.findTable(k.refTable.name, k.refTable.owner))
                        touched.push_back(p->tabid);
                }
            }
            break;
        case AK::DropConstraints:
            for (const ast::ColumnRef &r : a.names) {
                auto c = cat.findConstraint(r.name);
                if (!c || c->tabid != tabid)
                    raise(-623, r.name, r.offset);
                dropConstraint(s, *c, touched);
                // Without its primary key the row key no longer holds the
                // table's rows unique: back to a separate index, if any.
                if (c->type == 'C' || c->type == 'N' || (c->type == 'P' && t.rowKey))
                    rebuild = true;
            }
            break;
        case AK::ModifyNextSize: {
            sql::Stmt q(s.db(), "UPDATE systables SET nextsize = ?2 WHERE tabid = ?1");
            q.bind(1, tabid).bind(2, a.size);
            q.run();
            break;
        }
        case AK::LockMode: {
            sql::Stmt q(s.db(), "UPDATE systables SET locklevel = ?2 WHERE tabid = ?1");
            q.bind(1, tabid).bind(2, std::string(1, a.lockMode ? a.lockMode : 'P'));
            q.run();
            break;
        }
        default:
            raise(-999, {}, a.offset);
        }
    }
    TableInfo after = *cat.tableById(tabid);
    if (rebuild)
        at(st.table.offset, [&] { rebuildTable(s, before, after); });
    touched.push_back(tabid);
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    for (int id : touched)
        if (auto other = cat.tableById(id)) {
            rebuildTableObjects(s, *other);
            refreshTableCounts(s, id);
        }
    if (rebuild)
        for (const ConstraintInfo &c : cat.referencing(tabid))
            if (auto child = cat.tableById(c.tabid))
                rebuildTableObjects(s, *child);
    refreshTableCounts(s, tabid);
    dropBrokenViews(s, tabid);
    deleteUnusedComplexTypes(s.db());
    sql::Stmt v(s.db(), "UPDATE systables SET version = version + 1 WHERE tabid = ?1");
    v.bind(1, tabid);
    v.run();
}

} // namespace quodlin::engine::ddl
