// CREATE / DROP / ALTER / RENAME / TRUNCATE TABLE and the catalog rows they
// write. Every statement runs inside the session's statement savepoint, so a
// failure half way leaves neither catalog rows nor SQLite objects behind.
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

void collectColumns(const ast::Expr &e, std::vector<std::string> &out)
{
    if (e.kind == ast::ExprKind::Column)
        out.push_back(e.text);
    for (const auto &a : e.args)
        if (a)
            collectColumns(*a, out);
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
                     const std::vector<std::pair<std::string, std::string>> &checks, const Environment &env)
{
    std::string out = "CREATE TABLE " + qualifiedName + " (";
    for (size_t i = 0; i < columns.size(); ++i) {
        const ColumnInfo &c = columns[i];
        out += (i ? ", " : "") + sql::quote(c.name) + " " + sqliteStorage(c.coltype, c.extendedId);
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
    std::string anyNull, sameKey;
    for (int part : ix.parts)
        for (const ColumnInfo &ci : t.columns)
            if (ci.colno == std::abs(part)) {
                const std::string q = sql::quote(ci.name);
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

namespace {

void writeColumn(SessionImpl &s, int tabid, const ColumnInfo &c)
{
    sql::Stmt q(s.db(), "INSERT INTO syscolumns (colname, tabid, colno, coltype, collength, extended_id,"
                        " seclabelid, colattr) VALUES (?1, ?2, ?3, ?4, ?5, ?6, 0, 0)");
    q.bind(1, c.name).bind(2, tabid).bind(3, c.colno).bind(4, c.coltype + (c.notNull ? kNotNullFlag : 0))
        .bind(5, c.collength).bind(6, c.extendedId);
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

// Column facts from a definition; checks DEFAULT rules.
ColumnInfo columnFromDef(SessionImpl &s, const ast::ColumnDef &def, int colno)
{
    ColumnInfo c;
    c.name = def.name;
    c.colno = colno;
    c.coltype = def.type.desc.code;
    c.collength = def.type.desc.collength;
    c.extendedId = def.type.desc.extendedId;
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
        std::string body = k.checkText;
        for (size_t pos = 0, seq = 0; pos < body.size(); pos += 32, ++seq) {
            sql::Stmt q(s.db(), "INSERT INTO syschecks (constrid, type, seqno, checktext) VALUES (?1, 'T', ?2, ?3)");
            q.bind(1, constrid).bind(2, static_cast<int>(seq)).bind(3, body.substr(pos, 32));
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

void rebuildTable(SessionImpl &s, const TableInfo &before, const TableInfo &after)
{
    const std::string schema = after.temp ? "temp." : "main.";
    const std::string scratch = "quodlin_rebuild";
    sql::exec(s.db(), "DROP TABLE IF EXISTS " + schema + sql::quote(scratch));
    auto checks = checkSql(s, after);
    sql::exec(s.db(), tableSql(schema + sql::quote(scratch), after.columns, checks, s.environment()));
    std::string into = "rowid", from = "rowid";
    TranslationContext ctx = s.translationContext();
    Translator convert(ctx);
    for (const ColumnInfo &c : after.columns) {
        const ColumnInfo *old = before.column(c.name);
        if (!old)
            continue;
        into += ", " + sql::quote(c.name);
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
        from += ", " + (old->type() == c.type() ? v.sql : convert.storeValue(v, c, -1));
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
    sql::exec(s.db(), tableSql(t.sqliteName, t.columns, checks, s.environment()));
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
                if (!c.notNull) {
                    // A key column stays NOT NULL.
                    for (const ConstraintInfo &k : cat.constraints(tabid))
                        if (k.type == 'P')
                            for (int p : k.columns)
                                if (p == c.colno)
                                    c.notNull = true;
                }
                for (const ConstraintInfo &k : cat.constraints(tabid))
                    if (k.type == 'N' && !k.columns.empty() && k.columns[0] == c.colno)
                        dropConstraint(s, k, touched);
                for (const char *tab : {"syscolumns", "sysdefaults", "sysblobs"}) {
                    sql::Stmt q(s.db(), std::string("DELETE FROM ") + tab + " WHERE tabid = ?1 AND colno = ?2");
                    q.bind(1, tabid).bind(2, c.colno);
                    q.run();
                }
                writeColumn(s, tabid, c);
                t = *cat.tableById(tabid);
                for (const ast::Constraint &k : def.constraints)
                    addConstraint(s, t, k, {c.colno}, text);
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
                if (c->type == 'C' || c->type == 'N')
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
        if (auto other = cat.tableById(id))
            rebuildTableObjects(s, *other);
    if (rebuild)
        for (const ConstraintInfo &c : cat.referencing(tabid))
            if (auto child = cat.tableById(c.tabid))
                rebuildTableObjects(s, *child);
    refreshTableCounts(s, tabid);
    dropBrokenViews(s, tabid);
    sql::Stmt v(s.db(), "UPDATE systables SET version = version + 1 WHERE tabid = ?1");
    v.bind(1, tabid);
    v.run();
}

// ---------------------------------------------------------------- RENAME, TRUNCATE

namespace {

// Stored view, trigger and check texts follow a renamed table or column, as
// Informix rewrites them. The texts are the user's own, so the rewrite works
// on their tokens: identifiers in table positions (after FROM, JOIN, a comma
// or OUTER in a FROM list, or before ".column") or column positions.

bool named(const Token &t, const std::string &name)
{
    return (t.kind == TokenKind::Identifier || t.kind == TokenKind::DelimIdent) && t.text == name;
}

std::vector<Token> lexQuietly(const std::string &text)
{
    try {
        std::vector<Token> tokens = tokenize(text);
        tokens.push_back(Token{});  // End: lookahead past the last token is safe
        return tokens;
    } catch (const EngineError &) {
        return {};
    }
}

std::string replaceAt(std::string text, std::vector<const Token *> at, const std::string &with)
{
    std::sort(at.begin(), at.end(), [](const Token *a, const Token *b) { return a->offset > b->offset; });
    for (const Token *t : at)
        text.replace(static_cast<std::size_t>(t->offset), static_cast<std::size_t>(t->length), with);
    return text;
}

// Marks the tokens that name a table in a FROM list; `aliases` receives the
// correlation names given to `table`, `others` those given to other tables.
std::vector<bool> tablePositions(const std::vector<Token> &tk, const std::string &table,
                                 std::vector<std::string> &aliases, std::vector<std::string> &others)
{
    enum class Ctx { None, From, On };
    std::vector<Ctx> ctx{Ctx::None};
    std::vector<bool> out(tk.size(), false);
    static const std::set<std::string> notAlias = {"where", "group", "having", "order", "union", "into", "outer",
                                                   "left", "right", "inner", "full", "cross", "join", "on", "as"};
    for (std::size_t i = 0; i + 1 < tk.size(); ++i) {
        const Token &t = tk[i];
        if (t.is(TokenKind::LParen)) {
            ctx.push_back(ctx.back() == Ctx::From ? Ctx::From : Ctx::None);
            continue;
        }
        if (t.is(TokenKind::RParen)) {
            if (ctx.size() > 1)
                ctx.pop_back();
            continue;
        }
        Ctx &c = ctx.back();
        if (t.isWord("from")) {
            c = Ctx::From;
            continue;
        }
        if (t.isWord("where") || t.isWord("group") || t.isWord("having") || t.isWord("order") || t.isWord("union")
            || t.isWord("into")) {
            c = Ctx::None;
            continue;
        }
        if (c == Ctx::On && (t.isWord("join") || t.is(TokenKind::Comma))) {
            c = Ctx::From;
            continue;
        }
        if (c == Ctx::From && t.isWord("on")) {
            c = Ctx::On;
            continue;
        }
        if (c != Ctx::From || i == 0)
            continue;
        const Token &prev = tk[i - 1];
        const bool start = prev.isWord("from") || prev.isWord("join") || prev.isWord("outer")
                           || prev.is(TokenKind::Comma) || prev.is(TokenKind::LParen);
        if (!start || (t.kind != TokenKind::Identifier && t.kind != TokenKind::DelimIdent))
            continue;
        std::size_t name = i;
        if (tk[i + 1].is(TokenKind::Dot) && i + 2 < tk.size())
            name = i + 2;  // owner.table
        out[name] = true;
        std::size_t a = name + 1;
        if (tk[a].isWord("as"))
            ++a;
        if (a < tk.size() && (tk[a].kind == TokenKind::Identifier || tk[a].kind == TokenKind::DelimIdent)
            && !notAlias.count(tk[a].text))
            (named(tk[name], table) ? aliases : others).push_back(tk[a].text);
    }
    return out;
}

// A view text after RENAME TABLE `from` TO `to`.
std::string renameTableIn(const std::string &text, const std::string &from, const std::string &to)
{
    const std::vector<Token> tk = lexQuietly(text);
    if (tk.empty())
        return text;
    std::vector<std::string> aliases, others;
    const std::vector<bool> table = tablePositions(tk, from, aliases, others);
    // A correlation name spelled like the old table hides it in qualifiers.
    const bool hidden = std::find(aliases.begin(), aliases.end(), from) != aliases.end()
                        || std::find(others.begin(), others.end(), from) != others.end();
    std::vector<const Token *> hits;
    for (std::size_t i = 0; i + 1 < tk.size(); ++i) {
        if (!named(tk[i], from))
            continue;
        // table.column, owner.table.column
        const bool qualifier = tk[i + 1].is(TokenKind::Dot);
        if (table[i] || (qualifier && !hidden && !(i > 0 && tk[i - 1].isWord("as"))))
            hits.push_back(&tk[i]);
    }
    return replaceAt(text, hits, to);
}

// The query block (SELECT ... up to its closing parenthesis or the next
// UNION member) of every token, -1 outside any; `parent` links nested blocks.
std::vector<int> queryBlocks(const std::vector<Token> &tk, std::vector<int> &parent)
{
    std::vector<int> out(tk.size(), -1);
    std::vector<std::pair<int, int>> open;  // block, paren depth
    int depth = 0;
    for (std::size_t i = 0; i < tk.size(); ++i) {
        if (tk[i].is(TokenKind::LParen)) {
            ++depth;
        } else if (tk[i].is(TokenKind::RParen)) {
            --depth;
            while (!open.empty() && open.back().second > depth)
                open.pop_back();
        } else if (tk[i].isWord("select")) {
            if (!open.empty() && open.back().second == depth)
                open.pop_back();  // the next member of a UNION
            parent.push_back(open.empty() ? -1 : open.back().first);
            open.emplace_back(static_cast<int>(parent.size()) - 1, depth);
        }
        out[i] = open.empty() ? -1 : open.back().first;
    }
    return out;
}

// A view or check text after RENAME COLUMN table.`from` TO `to`: the column
// qualified by the table or one of its correlation names, or unqualified in
// a query block that reads the table, unless a nearer block reads another
// table with a column of that name (`hasColumn` asks the catalog).
std::string renameColumnIn(const std::string &text, const std::string &table, const std::string &from,
                           const std::string &to,
                           const std::function<bool(const std::string &, const std::string &)> &hasColumn)
{
    const std::vector<Token> tk = lexQuietly(text);
    if (tk.empty())
        return text;
    std::vector<std::string> aliases, others;
    const std::vector<bool> tables = tablePositions(tk, table, aliases, others);
    if (std::find(others.begin(), others.end(), table) == others.end())
        aliases.push_back(table);  // unless another table's correlation name hides it
    std::vector<int> parent;
    const std::vector<int> block = queryBlocks(tk, parent);
    std::vector<std::vector<std::string>> reads(parent.size());
    for (std::size_t i = 0; i < tk.size(); ++i)
        if (tables[i] && block[i] >= 0)
            reads[static_cast<std::size_t>(block[i])].push_back(tk[i].text);
    auto resolvesToTable = [&](int b) {
        if (b < 0)
            return parent.empty();  // a check condition: the table's own columns
        for (; b >= 0; b = parent[static_cast<std::size_t>(b)]) {
            const auto &names = reads[static_cast<std::size_t>(b)];
            if (std::find(names.begin(), names.end(), table) != names.end())
                return true;
            for (const std::string &n : names)
                if (hasColumn(n, from))
                    return false;
        }
        return false;
    };
    std::vector<const Token *> hits;
    for (std::size_t i = 0; i + 1 < tk.size(); ++i) {
        if (!named(tk[i], from) || tables[i])
            continue;
        const Token &next = tk[i + 1];
        if (next.is(TokenKind::Dot) || next.is(TokenKind::LParen))
            continue;  // a qualifier or a function name
        if (i > 0 && tk[i - 1].isWord("as"))
            continue;  // a display label
        if (i > 1 && tk[i - 1].is(TokenKind::Dot)) {
            const Token &q = tk[i - 2];
            if (std::find_if(aliases.begin(), aliases.end(), [&](const std::string &a) { return named(q, a); })
                == aliases.end())
                continue;
        } else if (!resolvesToTable(block[i])) {
            continue;
        }
        hits.push_back(&tk[i]);
    }
    return replaceAt(text, hits, to);
}

// The 'D' header of a trigger: the table after ON.
std::string renameTriggerTable(const std::string &text, const std::string &from, const std::string &to)
{
    const std::vector<Token> tk = lexQuietly(text);
    for (std::size_t i = 0; i + 1 < tk.size(); ++i) {
        if (!tk[i].isWord("on"))
            continue;
        std::size_t n = tk[i + 2].is(TokenKind::Dot) ? i + 3 : i + 1;
        if (n < tk.size() && named(tk[n], from))
            return replaceAt(text, {&tk[n]}, to);
        break;
    }
    return text;
}

// The 'D' header of a trigger: UPDATE OF column list.
std::string renameTriggerColumns(const std::string &text, const std::string &from, const std::string &to)
{
    const std::vector<Token> tk = lexQuietly(text);
    std::vector<const Token *> hits;
    bool inList = false;
    for (std::size_t i = 0; i < tk.size(); ++i) {
        if (tk[i].isWord("on"))
            break;
        if (tk[i].isWord("of") && i > 0 && (tk[i - 1].isWord("update") || tk[i - 1].isWord("select")))
            inList = true;
        else if (inList && named(tk[i], from))
            hits.push_back(&tk[i]);
    }
    return replaceAt(text, hits, to);
}

// The 'A' actions of a trigger: correlation.column.
std::string renameCorrelated(const std::string &text, const std::vector<std::string> &correlations,
                             const std::string &from, const std::string &to)
{
    const std::vector<Token> tk = lexQuietly(text);
    std::vector<const Token *> hits;
    for (std::size_t i = 2; i < tk.size(); ++i)
        if (named(tk[i], from) && tk[i - 1].is(TokenKind::Dot)
            && std::find_if(correlations.begin(), correlations.end(),
                            [&](const std::string &c) { return !c.empty() && named(tk[i - 2], c); })
                   != correlations.end())
            hits.push_back(&tk[i]);
    return replaceAt(text, hits, to);
}

// Reads and rewrites the chunked text of one object (the rows of `keyCol` =
// `key` when a key column is given). Chunks are padded to their width first,
// where the storage dropped the blanks that ended one.
void rewriteChunks(SessionImpl &s, const std::string &table, const std::string &idCol, const std::string &textCol,
                   const std::string &keyCol, char key, int id, std::size_t width,
                   const std::function<std::string(const std::string &)> &change)
{
    const std::string where = " WHERE " + idCol + " = ?1" + (keyCol.empty() ? "" : " AND " + keyCol + " = ?2");
    auto bindKeys = [&](sql::Stmt &q) {
        q.bind(1, id);
        if (!keyCol.empty())
            q.bind(2, std::string(1, key));
    };
    std::vector<std::string> chunks;
    {
        sql::Stmt q(s.db(), "SELECT " + textCol + " FROM " + table + where + " ORDER BY seqno");
        bindKeys(q);
        while (q.step())
            chunks.push_back(q.text(0));
    }
    std::string text;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        if (i + 1 < chunks.size())
            chunks[i].resize(std::max(chunks[i].size(), width), ' ');
        text += chunks[i];
    }
    const std::string changed = change(text);
    if (changed == text)
        return;
    sql::Stmt d(s.db(), "DELETE FROM " + table + where);
    bindKeys(d);
    d.run();
    sql::Stmt w(s.db(), "INSERT INTO " + table + " (" + idCol + ", seqno, " + textCol
                            + (keyCol.empty() ? ") VALUES (?1, ?3, ?4)" : ", " + keyCol + ") VALUES (?1, ?3, ?4, ?2)"));
    int seq = 0;
    for (std::size_t pos = 0; pos < changed.size(); pos += width, ++seq) {
        bindKeys(w);
        w.bind(3, seq).bind(4, changed.substr(pos, width));
        w.run();
        w.reset();
    }
}

std::vector<int> dependentViews(SessionImpl &s, int tabid)
{
    std::vector<int> out;
    sql::Stmt q(s.db(), "SELECT DISTINCT dtabid FROM sysdepend WHERE btabid = ?1 AND dtype = 'V'");
    q.bind(1, tabid);
    while (q.step())
        out.push_back(static_cast<int>(q.integer(0)));
    return out;
}

struct TriggerNames {
    int trigid = 0;
    std::vector<std::string> correlations;
};

std::vector<TriggerNames> triggersOn(SessionImpl &s, int tabid)
{
    std::vector<TriggerNames> out;
    sql::Stmt q(s.db(), "SELECT trigid, coalesce(old, ''), coalesce(new, '') FROM systriggers WHERE tabid = ?1");
    q.bind(1, tabid);
    while (q.step())
        out.push_back({static_cast<int>(q.integer(0)), {q.text(1), q.text(2)}});
    return out;
}

void textsAfterTableRename(SessionImpl &s, int tabid, const std::string &from, const std::string &to)
{
    for (int view : dependentViews(s, tabid))
        rewriteChunks(s, "sysviews", "tabid", "viewtext", "", 0, view, 64,
                      [&](const std::string &t) { return renameTableIn(t, from, to); });
    // The header names the table; triggered actions keep their text.
    for (const TriggerNames &tr : triggersOn(s, tabid))
        rewriteChunks(s, "systrigbody", "trigid", "data", "datakey", 'D', tr.trigid, 256,
                      [&](const std::string &t) { return renameTriggerTable(t, from, to); });
}

void textsAfterColumnRename(SessionImpl &s, const TableInfo &t, const std::string &from, const std::string &to)
{
    auto hasColumn = [&](const std::string &table, const std::string &column) {
        auto other = s.catalog().findTable(table);
        return other && other->tabid != t.tabid && other->column(column);
    };
    for (int view : dependentViews(s, t.tabid))
        rewriteChunks(s, "sysviews", "tabid", "viewtext", "", 0, view, 64,
                      [&](const std::string &text) { return renameColumnIn(text, t.name, from, to, hasColumn); });
    for (const ConstraintInfo &c : s.catalog().constraints(t.tabid))
        if (c.type == 'C')
            rewriteChunks(s, "syschecks", "constrid", "checktext", "type", 'T', c.constrid, 32,
                          [&](const std::string &text) { return renameColumnIn(text, t.name, from, to, hasColumn); });
    for (const TriggerNames &tr : triggersOn(s, t.tabid)) {
        rewriteChunks(s, "systrigbody", "trigid", "data", "datakey", 'D', tr.trigid, 256,
                      [&](const std::string &text) { return renameTriggerColumns(text, from, to); });
        rewriteChunks(s, "systrigbody", "trigid", "data", "datakey", 'A', tr.trigid, 256,
                      [&](const std::string &text) { return renameCorrelated(text, tr.correlations, from, to); });
    }
}

} // namespace

void rename(SessionImpl &s, const ast::RenameStatement &st)
{
    Catalog &cat = s.catalog();
    using W = ast::RenameStatement::What;
    switch (st.what) {
    case W::Table:
    case W::Sequence: {
        if (st.what == W::Table && st.object.owner.empty() && cat.temp(st.object.name))
            raise(-999, {}, st.object.offset);
        auto t = cat.findTable(st.object.name, st.object.owner, false);
        if (t && t->tabtype == 'V' && st.what == W::Table)
            raise(-322, t->name, st.object.offset);
        if (!t || t->tabtype != (st.what == W::Table ? 'T' : 'Q'))
            raise(-206, st.object.name, st.object.offset, -111);
        if (t->tabid < 100)
            raise(-312, t->name, st.object.offset);
        if (cat.findTable(st.newName, {}, false))
            raise(-310, st.newName, st.newNameOffset);
        sql::Stmt q(s.db(), "UPDATE systables SET tabname = ?2 WHERE tabid = ?1");
        q.bind(1, t->tabid).bind(2, st.newName);
        q.run();
        if (st.what == W::Table) {
            sql::exec(s.db(), "ALTER TABLE " + t->sqliteName + " RENAME TO " + sql::quote(st.newName));
            textsAfterTableRename(s, t->tabid, t->name, st.newName);
            dropBrokenViews(s, t->tabid);  // the SQLite views follow the new texts
        }
        return;
    }
    case W::Column: {
        auto t = cat.findTable(st.object.name, st.object.owner, false);
        if (t && t->tabtype == 'V')
            raise(-322, t->name, st.object.offset);
        if (!t || t->tabtype != 'T')
            raise(-206, st.object.name, st.object.offset, -111);
        if (t->temp)
            raise(-999, {}, st.object.offset);
        if (t->tabid < 100)
            raise(-312, t->name, st.object.offset);
        const ColumnInfo *c = t->column(st.column.name);
        if (!c)
            raise(-352, st.column.name, st.column.offset);
        if (t->column(st.newName))
            raise(-328, st.newName, st.newNameOffset);
        sql::Stmt q(s.db(), "UPDATE syscolumns SET colname = ?3 WHERE tabid = ?1 AND colno = ?2");
        q.bind(1, t->tabid).bind(2, c->colno).bind(3, st.newName);
        q.run();
        sql::exec(s.db(), "ALTER TABLE " + t->sqliteName + " RENAME COLUMN " + sql::quote(c->name) + " TO "
                              + sql::quote(st.newName));
        textsAfterColumnRename(s, *t, c->name, st.newName);
        dropBrokenViews(s, t->tabid);
        return;
    }
    case W::Index: {
        auto ix = cat.findIndex(st.object.name);
        if (!ix)
            raise(-319, st.object.name, st.object.offset);
        if (cat.findIndex(st.newName))
            raise(-316, st.newName, st.newNameOffset);
        auto t = cat.tableById(ix->tabid);
        std::string table = t && t->temp ? "temp.quodlin_tempindexes" : "sysindexes";
        sql::Stmt q(s.db(), "UPDATE " + table + " SET idxname = ?2 WHERE idxname = ?1");
        q.bind(1, ix->name).bind(2, st.newName);
        q.run();
        sql::Stmt c(s.db(), "UPDATE sysconstraints SET idxname = ?2 WHERE idxname = ?1 AND tabid = ?3");
        c.bind(1, ix->name).bind(2, st.newName).bind(3, ix->tabid);
        c.run();
        dropSqliteIndex(s, t && t->temp, ix->name);
        IndexInfo renamed = *ix;
        renamed.name = st.newName;
        if (t)
            createSqliteIndex(s, *t, renamed, st.object.offset);
        return;
    }
    default:
        raise(-999, {}, st.start);
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
