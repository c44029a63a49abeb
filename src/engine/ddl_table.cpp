// CREATE / DROP / TRUNCATE TABLE, the catalog rows of columns and the SQLite
// table and index definitions built from the catalog. Every statement runs
// inside the session's statement savepoint, so a failure half way leaves
// neither catalog rows nor SQLite objects behind.
#include "engine/decimal.h"
#include "engine/ddl_common.h"

#include "engine/complex_types.h"
#include "engine/ddl_objects.h"

#include "engine/lexer.h"
#include "engine/parser.h"
#include "engine/translate_internal.h"
#include "engine/values.h"

#include <algorithm>
#include <functional>
#include <set>


namespace quodlin::engine::ddl {

std::string lower(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

namespace {

char defaultKindLetter(ast::DefaultValue::Kind k)
{
    using DK = ast::DefaultValue::Kind;
    switch (k) {
    case DK::Literal: return 'L';
    case DK::Null: return 'N';
    case DK::User: return 'U';
    case DK::Today: return 'T';
    case DK::Current: return 'C';
    case DK::Server:
    case DK::Site: return 'S';
    default: return 0;
    }
}

std::string rtrim(std::string s)
{
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}


} // namespace

std::string defaultLiteral(const ColumnInfo &c, const Environment &env)
{
    if (c.defaultType == 'N')
        return "NULL";
    if (c.defaultType != 'L')
        return {};
    const std::string &v = c.defaultValue;
    int code = c.coltype;
    if (code == TDecimal || code == TMoney)
        return sql::literal(storedText(v, c.collength));
    if (isNumeric(code)) {
        double d = parseNumber(v);
        if (code == TFloat || code == TSmallFloat)
            return formatNumber(d);
        return std::to_string(checkIntegerRange(d, code));
    }
    if (code == TDate)
        return std::to_string(parseDate(v, env));
    if (isBoolean(code, c.extendedId))
        return parseBoolean(v) ? "1" : "0";
    if (code == TDateTime)
        return sql::literal(parseDatetime(v, c.collength));
    if (code == TInterval)
        return sql::literal(formatInterval(parseInterval(v, c.collength), c.collength));
    if (code == TChar || code == TNChar) {
        std::string s = rtrim(v);
        if (static_cast<int>(s.size()) > c.collength)
            s.resize(c.collength);
        return sql::literal(s);
    }
    return sql::literal(v);
}

std::string tableSql(const std::string &qualifiedName, const std::vector<ColumnInfo> &columns,
                     const std::vector<std::pair<std::string, std::string>> &checks, const Environment &env,
                     int rowKey)
{
    std::string out = "CREATE TABLE " + qualifiedName + " (";
    for (size_t i = 0; i < columns.size(); ++i) {
        const ColumnInfo &c = columns[i];
        out += (i ? ", " : "") + sql::quote(c.name) + " " + sqliteStorage(c.coltype, c.extendedId);
        // The key is then the b-tree's own key: no second index to keep and
        // descend. SQLite would fill in a NULL here instead of refusing it,
        // so the INSERT translation refuses NULL keys itself.
        if (c.colno == rowKey)
            out += " PRIMARY KEY";
        if (c.notNull)
            out += " NOT NULL";
        std::string d = defaultLiteral(c, env);
        if (!d.empty())
            out += " DEFAULT " + (d[0] == '-' ? "(" + d + ")" : d);
    }
    for (const auto &[name, cond] : checks)
        out += ", CONSTRAINT " + sql::quote(name) + " CHECK (" + cond + ")";
    return out + ")";
}

int rowKeyOf(SessionImpl &s, const TableInfo &t)
{
    if (t.temp)
        return t.rowKey;
    for (const ConstraintInfo &c : s.catalog().constraints(t.tabid)) {
        if (c.type != 'P' || c.columns.size() != 1)
            continue;
        for (const ColumnInfo &col : t.columns)
            if (col.colno == c.columns.front() && isRowKeyType(col.coltype))
                return col.colno;
    }
    return 0;
}

std::vector<std::pair<std::string, std::string>> checkSql(SessionImpl &s, const TableInfo &t)
{
    std::vector<std::pair<std::string, std::string>> out;
    if (t.temp)
        return out;
    for (const ConstraintInfo &c : s.catalog().constraints(t.tabid)) {
        if (c.type != 'C')
            continue;
        sql::Stmt q(s.db(), "SELECT checktext FROM syschecks WHERE constrid = ?1 AND type = 'T' ORDER BY seqno");
        q.bind(1, c.constrid);
        std::string text;
        while (q.step()) {
            std::string chunk = q.text(0);
            chunk.resize(32, ' ');
            text += chunk;
        }
        ParseOptions opts;
        opts.delimident = s.environment().delimident;
        ast::ExprPtr e = parseExpression(rtrim(text), opts);
        TranslationContext ctx = s.translationContext();
        out.emplace_back(c.name, translateExpression(*e, t, ctx));
    }
    return out;
}

std::string sqliteIndexName(const std::string &idxname)
{
    return "ix$" + idxname;
}

void createSqliteIndex(SessionImpl &s, const TableInfo &t, const IndexInfo &ix, int offset)
{
    // The row key is unique and never NULL by itself.
    if (t.rowKey && ix.idxtype == 'U' && ix.parts.size() == 1 && ix.parts.front() == t.rowKey)
        return;
    std::string cols;
    for (int part : ix.parts) {
        const ColumnInfo *c = nullptr;
        for (const ColumnInfo &ci : t.columns)
            if (ci.colno == std::abs(part))
                c = &ci;
        if (!c)
            continue;
        cols += (cols.empty() ? "" : ", ") + sql::quote(c->name) + (part < 0 ? " DESC" : "");
    }
    std::string schema = t.temp ? "temp." : "main.";
    std::string text = std::string("CREATE ") + (ix.idxtype == 'U' ? "UNIQUE " : "") + "INDEX " + schema
        + sql::quote(sqliteIndexName(ix.name)) + " ON " + sql::quote(t.name) + " (" + cols + ")";
    char *err = nullptr;
    if (sqlite3_exec(s.db(), text.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        int ext = sqlite3_extended_errcode(s.db());
        sqlite3_free(err);
        if (ext == SQLITE_CONSTRAINT_UNIQUE)
            raise(-371, {}, offset);
        sql::fail(s.db(), "index");
    }
    if (ix.idxtype != 'U')
        return;
    // Informix treats NULL keys as equal in a unique index; SQLite lets any
    // number of them in, so keys holding a NULL are checked by triggers.
    // Keys of NOT NULL columns only (primary keys) never hold one.
    std::string anyNull, sameKey;
    for (int part : ix.parts)
        for (const ColumnInfo &ci : t.columns)
            if (ci.colno == std::abs(part)) {
                const std::string q = sql::quote(ci.name);
                if (!ci.notNull)
                    anyNull += (anyNull.empty() ? "" : " OR ") + std::string("NEW.") + q + " IS NULL";
                sameKey += " AND x." + q + " IS NEW." + q;
            }
    if (anyNull.empty())
        return;
    std::string label = ix.owner + "." + ix.name;
    bool constraint = false;
    if (!t.temp) {
        sql::Stmt c(s.db(), "SELECT owner, constrname FROM sysconstraints WHERE idxname = ?1 AND tabid = ?2");
        c.bind(1, ix.name).bind(2, t.tabid);
        if (c.step()) {
            constraint = true;
            label = c.text(0) + "." + c.text(1);
        }
    }
    const std::string kind = t.temp ? "CREATE TEMP TRIGGER " : "CREATE TRIGGER main.";
    const std::string when = " WHEN (" + anyNull + ") AND EXISTS (SELECT 1 FROM " + t.sqliteName + " x WHERE x.rowid IS NOT NEW.rowid"
        + sameKey + ")";
    auto body = [&](int code) {
        return " BEGIN SELECT RAISE(ABORT, " + sql::literal("quodlin:" + std::to_string(code) + ":-100:" + label) + "); END";
    };
    sql::exec(s.db(), kind + sql::quote("uq$" + ix.name + "$i") + " BEFORE INSERT ON " + sql::quote(t.name) + when
                          + body(constraint ? -268 : -239));
    sql::exec(s.db(), kind + sql::quote("uq$" + ix.name + "$u") + " AFTER UPDATE ON " + sql::quote(t.name) + when
                          + body(constraint ? -268 : -346));
}

void dropSqliteIndex(SessionImpl &s, bool temp, const std::string &idxname)
{
    const std::string schema = temp ? "temp." : "main.";
    sql::exec(s.db(), "DROP INDEX IF EXISTS " + schema + sql::quote(sqliteIndexName(idxname)));
    sql::exec(s.db(), "DROP TRIGGER IF EXISTS " + schema + sql::quote("uq$" + idxname + "$i"));
    sql::exec(s.db(), "DROP TRIGGER IF EXISTS " + schema + sql::quote("uq$" + idxname + "$u"));
}

void writeIndex(SessionImpl &s, const TableInfo &t, const IndexInfo &ix)
{
    std::string table = t.temp ? "temp.quodlin_tempindexes" : "sysindexes";
    sql::Stmt q(s.db(), "INSERT INTO " + table + " (idxname, owner, tabid, idxtype, clustered, part1, part2, part3,"
                " part4, part5, part6, part7, part8, part9, part10, part11, part12, part13, part14, part15, part16,"
                " levels, leaves, nunique, clust, idxflags) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11,"
                " ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21, 0, 0, 0, 0, 0)");
    q.bind(1, ix.name).bind(2, ix.owner).bind(3, ix.tabid).bind(4, std::string(1, ix.idxtype))
        .bind(5, std::string(1, ix.clustered));
    for (int p = 0; p < 16; ++p)
        q.bind(6 + p, p < static_cast<int>(ix.parts.size()) ? ix.parts[p] : 0);
    q.run();
}

void refreshTableCounts(SessionImpl &s, int tabid)
{
    if (tabid >= kTempTabidBase)
        return;
    auto t = s.catalog().tableById(tabid);
    if (!t)
        return;
    int rowsize = 0;
    for (const ColumnInfo &c : t->columns)
        rowsize += storageSize(c.coltype, c.collength, c.extendedId);
    sql::Stmt q(s.db(), "UPDATE systables SET ncols = ?2, rowsize = ?3,"
                        " nindexes = (SELECT count(*) FROM sysindexes WHERE tabid = ?1) WHERE tabid = ?1");
    q.bind(1, tabid).bind(2, static_cast<int>(t->columns.size())).bind(3, rowsize);
    q.run();
}

void writeColumn(SessionImpl &s, int tabid, const ColumnInfo &c)
{
    sql::Stmt q(s.db(), "INSERT INTO syscolumns (colname, tabid, colno, coltype, collength, extended_id,"
                        " seclabelid, colattr) VALUES (?1, ?2, ?3, ?4, ?5, ?6, 0, 0)");
    int coltype = c.coltype + (c.notNull ? kNotNullFlag : 0);
    if (c.coltype == TRow)
        if (std::optional<ComplexType> ct = loadComplexType(s.db(), c.extendedId); ct && !ct->name.empty())
            coltype += kNamedRowFlag;
    q.bind(1, c.name).bind(2, tabid).bind(3, c.colno).bind(4, coltype).bind(5, c.collength).bind(6, c.extendedId);
    q.run();
    if (c.defaultType) {
        sql::Stmt d(s.db(), "INSERT INTO sysdefaults (tabid, colno, type, \"default\", class) VALUES (?1, ?2, ?3, ?4, 'T')");
        d.bind(1, tabid).bind(2, c.colno).bind(3, std::string(1, c.defaultType));
        if (c.defaultType == 'L')
            d.bind(4, c.defaultValue);
        else
            d.bindNull(4);
        d.run();
    }
    if (c.coltype == TByte || c.coltype == TText) {
        sql::Stmt b(s.db(), "INSERT INTO sysblobs (spacename, type, tabid, colno) VALUES ('', 'M', ?1, ?2)");
        b.bind(1, tabid).bind(2, c.colno);
        b.run();
    }
}


ColumnInfo columnFromDef(SessionImpl &s, const ast::ColumnDef &def, int colno)
{
    ColumnInfo c;
    c.name = def.name;
    c.colno = colno;
    c.coltype = def.type.desc.code;
    c.collength = def.type.desc.collength;
    c.extendedId = def.type.desc.extendedId;
    if (isComplex(c.coltype)) {
        // A named ROW type is shared; a collection or unnamed ROW gets its own rows.
        const ComplexType ct = complexTypeOf(s.db(), def.type);
        c.collength = complexCollength(ct);
        c.extendedId = ct.name.empty() ? registerComplexType(s.db(), ct) : ct.extendedId;
    }
    c.notNull = isSerial(c.coltype);
    for (const ast::Constraint &k : def.constraints)
        if (k.kind == ast::Constraint::Kind::NotNull || k.kind == ast::Constraint::Kind::PrimaryKey)
            c.notNull = true;
    c.defaultType = defaultKindLetter(def.defaultValue.kind);
    if (c.defaultType) {
        if (isSerial(c.coltype))
            raise(-593, c.name, def.defaultValue.offset);
        if (c.defaultType == 'N' && c.notNull)
            raise(-592, c.name, def.defaultValue.offset);
        if (c.defaultType == 'L') {
            c.defaultValue = def.defaultValue.text;
            at(def.defaultValue.offset, [&] { return defaultLiteral(c, s.environment()); });
        }
    }
    return c;
}


// ---------------------------------------------------------------- CREATE TABLE

void createTable(SessionImpl &s, const ast::CreateTableStatement &st, const std::string &text)
{
    Catalog &cat = s.catalog();
    const std::string &name = st.table.name;
    if (st.temp) {
        if (cat.temp(name)) {
            if (st.ifNotExists)
                return;
            raise(-958, name, st.table.offset);
        }
    } else if (cat.findTable(name, {}, false) && !cat.temp(name)) {
        if (st.ifNotExists)
            return;
        raise(-310, name, st.table.offset);
    } else if (cat.temp(name)) {
        // A permanent table may not take the name of a session temp table.
        sql::Stmt q(s.db(), "SELECT 1 FROM systables WHERE tabname = ?1");
        q.bind(1, name);
        if (q.step())
            raise(-310, name, st.table.offset);
    }

    TableInfo t;
    t.name = name;
    t.owner = st.table.owner.empty() ? s.user() : st.table.owner;
    t.temp = st.temp;
    t.tabtype = 'T';
    t.tabid = st.temp ? s.nextTempTabid() : static_cast<int>(s.nextCounter("tabid"));
    t.sqliteName = (st.temp ? "temp." : "main.") + sql::quote(name);
    int serials = 0, serial8s = 0;
    for (size_t i = 0; i < st.columns.size(); ++i) {
        const ast::ColumnDef &def = st.columns[i];
        if (t.column(def.name))
            raise(-328, def.name, def.offset);
        // Temp tables keep no catalog rows, where these types live.
        if (st.temp && isComplex(def.type.desc.code))
            raise(-9625, "collection and ROW columns in temporary tables", def.type.offset);
        ColumnInfo c = columnFromDef(s, def, static_cast<int>(i + 1));
        if (c.coltype == TSerial && ++serials > 1)
            raise(-362, {}, def.offset);
        if ((c.coltype == TSerial8 || c.coltype == TBigSerial) && ++serial8s > 1)
            raise(-362, {}, def.offset);
        t.columns.push_back(c);
    }
    if (t.columns.empty())
        raise(-201, {}, st.start);
    // Table-level PRIMARY KEY columns are NOT NULL as well.
    for (const ast::Constraint &k : st.constraints) {
        if (k.kind != ast::Constraint::Kind::PrimaryKey)
            continue;
        for (const ast::ColumnRef &r : k.columns)
            for (ColumnInfo &c : t.columns)
                if (c.name == r.name)
                    c.notNull = true;
    }

    // A single-column integer primary key becomes the row key.
    auto keyColumn = [&](const ast::Constraint &k, const ast::ColumnDef *def) -> const ColumnInfo * {
        if (k.kind != ast::Constraint::Kind::PrimaryKey)
            return nullptr;
        if (def)
            return k.columns.empty() ? t.column(def->name) : nullptr;
        return k.columns.size() == 1 ? t.column(k.columns.front().name) : nullptr;
    };
    for (const ast::ColumnDef &def : st.columns)
        for (const ast::Constraint &k : def.constraints)
            if (const ColumnInfo *c = keyColumn(k, &def); c && isRowKeyType(c->coltype))
                t.rowKey = c->colno;
    for (const ast::Constraint &k : st.constraints)
        if (const ColumnInfo *c = keyColumn(k, nullptr); c && isRowKeyType(c->coltype))
            t.rowKey = c->colno;

    int rowsize = 0;
    for (const ColumnInfo &c : t.columns)
        rowsize += storageSize(c.coltype, c.collength, c.extendedId);

    if (!t.temp) {
        sql::Stmt q(s.db(), "INSERT INTO systables (tabname, owner, partnum, tabid, rowsize, ncols, nindexes, nrows,"
                            " created, version, tabtype, locklevel, npused, fextsize, nextsize, flags, site, dbname,"
                            " type_xid, am_id, pagesize, secpolicyid, statchange)"
                            " VALUES (?1, ?2, ?3, ?4, ?5, ?6, 0, 0, ?7, ?8, 'T', ?9, 0, ?10, ?11, 0, '', '', 0, 0,"
                            " 2048, 0, 0)");
        q.bind(1, t.name).bind(2, t.owner).bind(3, 0x100000 + t.tabid).bind(4, t.tabid).bind(5, rowsize)
            .bind(6, static_cast<int>(t.columns.size())).bind(7, todayDayNumber()).bind(8, t.tabid * 65536)
            .bind(9, std::string(1, st.lockMode ? st.lockMode : 'P'))
            .bind(10, st.extentSize > 0 ? st.extentSize : 16).bind(11, st.nextSize > 0 ? st.nextSize : 16);
        q.run();
        for (const ColumnInfo &c : t.columns)
            writeColumn(s, t.tabid, c);
        sql::Stmt a(s.db(), "INSERT INTO systabauth (grantor, grantee, tabid, tabauth) VALUES (?1, 'public', ?2, 'su-idx---')");
        a.bind(1, t.owner).bind(2, t.tabid);
        a.run();
    }

    for (size_t i = 0; i < st.columns.size(); ++i)
        if (isSerial(t.columns[i].coltype) && st.columns[i].type.desc.serialStart > 1)
            s.setSerialCounter(t.tabid, t.columns[i].colno, st.columns[i].type.desc.serialStart - 1);

    // The SQLite table carries NOT NULL, literal defaults and CHECK conditions.
    // Temp tables keep no catalog rows, so their CHECK conditions go straight
    // into the SQLite table; permanent ones are rebuilt from syschecks below.
    std::vector<std::pair<std::string, std::string>> checks;
    if (t.temp) {
        TranslationContext ctx = s.translationContext();
        auto addCheck = [&](const ast::Constraint &k) {
            if (k.kind != ast::Constraint::Kind::Check || !k.check)
                return;
            std::string name = k.name.empty() ? "c" + std::to_string(t.tabid) + "_" + std::to_string(checks.size() + 1) : k.name;
            checks.emplace_back(name, translateExpression(*k.check, t, ctx));
        };
        for (const ast::ColumnDef &def : st.columns)
            for (const ast::Constraint &k : def.constraints)
                addCheck(k);
        for (const ast::Constraint &k : st.constraints)
            addCheck(k);
    }
    sql::exec(s.db(), tableSql(t.sqliteName, t.columns, checks, s.environment(), t.rowKey));
    if (t.temp)
        cat.addTemp(t);

    auto colnosOf = [&](const std::vector<ast::ColumnRef> &refs, const ast::ColumnDef *def) {
        std::vector<int> out;
        if (refs.empty() && def) {
            out.push_back(t.column(def->name)->colno);
            return out;
        }
        for (const ast::ColumnRef &r : refs) {
            const ColumnInfo *c = t.column(r.name);
            if (!c)
                raise(-217, r.name, r.offset);
            out.push_back(c->colno);
        }
        return out;
    };

    // Constraints in the order written; foreign keys last so a key of this
    // same table can be referenced.
    std::vector<std::pair<const ast::Constraint *, std::vector<int>>> pending;
    for (const ast::ColumnDef &def : st.columns)
        for (const ast::Constraint &k : def.constraints)
            pending.emplace_back(&k, colnosOf({}, &def));
    for (const ast::Constraint &k : st.constraints)
        pending.emplace_back(&k, colnosOf(k.columns, nullptr));
    bool hasChecks = false, hasRefs = false;
    for (auto &[k, cols] : pending) {
        if (k->kind == ast::Constraint::Kind::ForeignKey) {
            hasRefs = true;
            continue;
        }
        addConstraint(s, t, *k, cols, text);
        if (k->kind == ast::Constraint::Kind::Check)
            hasChecks = true;
    }
    for (auto &[k, cols] : pending)
        if (k->kind == ast::Constraint::Kind::ForeignKey) {
            if (t.temp)
                raise(-999, {}, k->offset);
            addConstraint(s, t, *k, cols, text);
        }
    if (hasChecks && !t.temp) {
        // CHECK conditions live in the SQLite table definition.
        rebuildTable(s, t, t);
    }
    if (hasRefs) {
        rebuildTableObjects(s, t);
        for (const ConstraintInfo &c : cat.constraints(t.tabid))
            if (c.type == 'R' && c.refTabid != t.tabid)
                if (auto p = cat.tableById(c.refTabid))
                    rebuildTableObjects(s, *p);
    }
    refreshTableCounts(s, t.tabid);
}

// ---------------------------------------------------------------- DROP TABLE

void dropTable(SessionImpl &s, const ast::ObjectStatement &st)
{
    Catalog &cat = s.catalog();
    const std::string &name = st.name.name;
    if (st.name.owner.empty()) {
        if (const TableInfo *t = cat.temp(name)) {
            TableInfo copy = *t;
            sql::exec(s.db(), "DROP TABLE " + copy.sqliteName);
            sql::Stmt q(s.db(), "DELETE FROM temp.quodlin_tempindexes WHERE tabid = ?1");
            q.bind(1, copy.tabid);
            q.run();
            cat.dropTemp(name);
            return;
        }
    }
    auto t = cat.findTable(name, st.name.owner, false);
    if (!t || t->tabtype != 'T') {
        if (st.ifExists)
            return;
        raise(-206, name, st.name.offset, -111);
    }
    if (t->tabid < 100)
        raise(-312, name, st.name.offset);
    std::vector<ConstraintInfo> refs;
    for (const ConstraintInfo &c : cat.referencing(t->tabid))
        if (c.tabid != t->tabid)
            refs.push_back(c);
    if (st.mode == ast::DropMode::Restrict) {
        sql::Stmt q(s.db(), "SELECT 1 FROM sysdepend WHERE btabid = ?1");
        q.bind(1, t->tabid);
        if (!refs.empty() || q.step())
            raise(-886, name, st.name.offset);
    }
    std::vector<int> touched;
    for (const ConstraintInfo &c : refs)
        dropConstraint(s, c, touched);
    std::vector<int> parents;
    for (const ConstraintInfo &c : cat.constraints(t->tabid))
        if (c.type == 'R' && c.refTabid != t->tabid)
            parents.push_back(c.refTabid);

    const int tabid = t->tabid;
    dropDependentViews(s, tabid);
    auto del = [&](const std::string &where) {
        sql::Stmt q(s.db(), where);
        q.bind(1, tabid);
        q.run();
    };
    for (const char *tab : {"sysreferences", "syschecks", "syscoldepend"})
        del(std::string("DELETE FROM ") + tab + " WHERE constrid IN (SELECT constrid FROM sysconstraints WHERE tabid = ?1)");
    for (const char *tab : {"sysconstraints", "sysindexes", "syscolumns", "sysdefaults", "systabauth", "syscolauth",
                            "sysblobs", "sysdistrib", "quodlin_serials", "sysfragments"})
        del(std::string("DELETE FROM ") + tab + " WHERE tabid = ?1");
    del("DELETE FROM systrigbody WHERE trigid IN (SELECT trigid FROM systriggers WHERE tabid = ?1)");
    del("DELETE FROM systriggers WHERE tabid = ?1");
    dropSynonymsOf(s, tabid);
    del("DELETE FROM sysdepend WHERE btabid = ?1");
    del("DELETE FROM systables WHERE tabid = ?1");
    deleteUnusedComplexTypes(s.db());
    sql::exec(s.db(), "DROP TABLE " + t->sqliteName);
    touched.insert(touched.end(), parents.begin(), parents.end());
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    for (int id : touched) {
        if (id == tabid)
            continue;
        if (auto other = cat.tableById(id))
            rebuildTableObjects(s, *other);
    }
}

void truncate(SessionImpl &s, const ast::ObjectStatement &st)
{
    auto t = s.catalog().findTable(st.name.name, st.name.owner, false);
    if (!t || t->tabtype != 'T')
        raise(-206, st.name.name, st.name.offset, -111);
    if (t->tabid < 100 && !t->temp)
        raise(-312, t->name, st.name.offset);
    sql::exec(s.db(), "DELETE FROM " + t->sqliteName);
}

void registerTempTable(SessionImpl &s, const std::string &name, std::vector<ColumnInfo> columns, int offset)
{
    TableInfo t;
    t.name = name;
    t.owner = s.user();
    t.temp = true;
    t.tabid = s.nextTempTabid();
    t.sqliteName = "temp." + sql::quote(name);
    int colno = 0;
    for (ColumnInfo &c : columns)
        c.colno = ++colno;
    t.columns = std::move(columns);
    s.catalog().addTemp(std::move(t));
}

} // namespace quodlin::engine::ddl