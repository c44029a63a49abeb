#include "engine/catalog_bootstrap.h"

#include "engine/error.h"
#include "engine/sqlite_util.h"
#include "engine/values.h"
#include "engine/version.h"

#include <sstream>

namespace quodlin::engine {

namespace {

// name, tabtype, "col type, col type ...", indexes "name:U:1,2;name:D:3"
struct RawTable {
    const char *name;
    char tabtype;
    const char *columns;
    const char *indexes;
};

// Tabids 1..29 in the fixed order, then the later catalog tables from 30 on.
const RawTable kRawTables[] = {
    {"systables", 'T', "tabname varchar(128), owner char(32), partnum integer, tabid serial, rowsize smallint, "
     "ncols smallint, nindexes smallint, nrows float, created date, version integer, tabtype char(1), "
     "locklevel char(1), npused float, fextsize integer, nextsize integer, flags smallint, site varchar(128), "
     "dbname varchar(128), type_xid integer, am_id integer, pagesize integer, "
     "ustlowts datetime year to fraction(5), secpolicyid integer, protgranularity char(1), "
     "statchange smallint, statlevel char(1)", "tabname:U:1,2;tabid:U:4"},
    {"syscolumns", 'T', "colname varchar(128), tabid integer, colno smallint, coltype smallint, "
     "collength smallint, colmin integer, colmax integer, extended_id integer, seclabelid integer, "
     "colattr smallint", "column:U:2,3"},
    {"sysindexes", 'T', "idxname varchar(128), owner varchar(32), tabid integer, idxtype char(1), "
     "clustered char(1), part1 smallint, part2 smallint, part3 smallint, part4 smallint, part5 smallint, "
     "part6 smallint, part7 smallint, part8 smallint, part9 smallint, part10 smallint, part11 smallint, "
     "part12 smallint, part13 smallint, part14 smallint, part15 smallint, part16 smallint, levels smallint, "
     "leaves integer, nunique integer, clust integer, idxflags integer", "idxtab:D:3;idxname:U:1,3"},
    {"systabauth", 'T', "grantor varchar(32), grantee varchar(32), tabid integer, tabauth char(9)",
     "tabgtor:U:3,1,2;tabgtee:D:2"},
    {"syscolauth", 'T', "grantor varchar(32), grantee varchar(32), tabid integer, colno smallint, colauth char(3)",
     "colgtor:U:3,1,2,4"},
    {"sysviews", 'T', "tabid integer, seqno smallint, viewtext char(64)", "view:U:1,2"},
    {"sysusers", 'T', "username varchar(32), usertype char(1), priority smallint, password char(16), "
     "defrole varchar(32)", "users:U:1"},
    {"sysdepend", 'T', "btabid integer, btype char(1), dtabid integer, dtype char(1)", "btabid:D:1,2;dtabid:D:3,4"},
    {"syssynonyms", 'T', "owner varchar(32), synname varchar(128), created date, tabid integer", ""},
    {"syssyntable", 'T', "tabid integer, servername varchar(128), dbname varchar(128), owner varchar(32), "
     "tabname varchar(128), btabid integer", "syntabid:U:1"},
    {"sysconstraints", 'T', "constrid serial, constrname varchar(128), owner varchar(32), tabid integer, "
     "constrtype char(1), idxname varchar(128), collation char(32)", "constrid:U:1;constrname:U:2,3;cons_tabid:D:4"},
    {"sysreferences", 'T', "constrid integer, primary integer, ptabid integer, updrule char(1), delrule char(1), "
     "matchtype char(1), pendant char(1)", "reference:U:1;ptabid:D:3"},
    {"syschecks", 'T', "constrid integer, type char(1), seqno smallint, checktext char(32)", "chconstr:U:1,2,3"},
    {"sysdefaults", 'T', "tabid integer, colno smallint, type char(1), default char(256), class char(1)",
     "defidx:U:1,2,5"},
    {"syscoldepend", 'T', "constrid integer, tabid integer, colno smallint", "coldep:D:1"},
    {"sysprocedures", 'T', "procname varchar(128), owner varchar(32), procid serial, mode char(1), "
     "retsize integer, symsize integer, datasize integer, codesize integer, numargs integer, isproc char(1), "
     "specificname varchar(128), externalname varchar(255), paramstyle char(1), langid integer, "
     "paramtypes lvarchar(2048), variant boolean, client boolean, handlesnulls boolean, iterator boolean, "
     "percallcost integer, commutator varchar(128), negator varchar(128), selfunc varchar(128), "
     "internal boolean, class char(18), stack integer, parallelizable boolean, costfunc varchar(128), "
     "selconst smallfloat, collation char(32), procflags integer", "procidx:U:3;procname:D:1,2"},
    {"sysprocbody", 'T', "procid integer, datakey char(1), seqno integer, data char(256)", "procbody:U:1,2,3"},
    {"sysprocplan", 'T', "procid integer, planid integer, datakey char(1), seqno integer, created date, "
     "datasize integer, data char(256), collation char(32)", "procplan:U:1,2,3,4"},
    {"sysprocauth", 'T', "grantor varchar(32), grantee varchar(32), procid integer, procauth char(1)",
     "procauth:U:3,1,2"},
    {"sysblobs", 'T', "spacename varchar(128), type char(1), tabid integer, colno smallint", "blobs:D:3,4"},
    {"sysopclstr", 'T', "owner varchar(32), clstrname varchar(128), clstrsize integer, tabid integer, "
     "blobcol1 smallint, blobcol2 smallint, blobcol3 smallint, blobcol4 smallint, clstrkey1 smallint, "
     "clstrkey2 smallint, clstrkey3 smallint, clstrkey4 smallint, clstrkey5 smallint, clstrkey6 smallint, "
     "clstrkey7 smallint, clstrkey8 smallint", ""},
    {"systriggers", 'T', "trigid serial, trigname varchar(128), owner varchar(32), tabid integer, event char(1), "
     "old varchar(128), new varchar(128), mode char(1), collation char(32)",
     "trigid:U:1;trigname:U:2,3;trigtabid:D:4,5"},
    {"systrigbody", 'T', "trigid integer, datakey char(1), seqno integer, data char(256)", "trigdata:U:1,2,3"},
    {"sysdistrib", 'T', "tabid integer, colno smallint, seqno integer, constructed date, mode char(1), "
     "resolution float, confidence float, encdat lvarchar(2048), type char(1), smplsize float, "
     "rowssmpld float, rowsnulls float, ustnrows float", "distrib:U:1,2,3"},
    {"sysfragments", 'T', "fragtype char(1), tabid integer, indexname varchar(128), colno integer, "
     "partn integer, strategy char(1), location char(1), servername varchar(128), evalpos integer, "
     "exprtext text, exprbin byte, exprarr byte, flags integer, dbspace varchar(128), levels smallint, "
     "npused float, nrows float, clust integer, partition varchar(128)", "fragments:D:2,1"},
    {"sysobjstate", 'T', "objtype char(1), owner varchar(32), name varchar(128), tabid integer, state char(1)",
     "objstate:U:4,3,2,1"},
    {"sysviolations", 'T', "targettid integer, viotid integer, diatid integer, maxrows integer", "viol:U:1"},
    {"sysfragauth", 'T', "grantor varchar(32), grantee varchar(32), tabid integer, fragment varchar(128), "
     "fragauth char(6)", "fragauth:U:3,4,1,2"},
    {"sysroleauth", 'T', "rolename varchar(32), grantee varchar(32), is_grantable char(1)", "roleauth:U:1,2"},
    // From 30 on.
    {"sysxtdtypes", 'T', "extended_id serial, domain char(1), mode char(1), owner varchar(32), "
     "name varchar(128), type smallint, source integer, maxlen integer, length integer, byvalue char(1), "
     "cannothash char(1), align smallint, locator integer", "xtdtypeid:U:1"},
    {"sysattrtypes", 'T', "extended_id integer, seqno smallint, levelno smallint, parent_no smallint, "
     "fieldname varchar(128), fieldno smallint, type smallint, length smallint, xtd_type_id integer", ""},
    {"sysxtddesc", 'T', "extended_id integer, seqno smallint, description char(256)", ""},
    {"sysinherits", 'T', "child integer, parent integer, class char(1)", ""},
    {"syscolattribs", 'T', "tabid integer, colno smallint, extentsize integer, flags integer, flags1 integer, "
     "sbspace varchar(128)", ""},
    {"syslogmap", 'T', "tabloc integer, tablocrid integer, tabid integer, rowid integer", ""},
    {"syscasts", 'T', "owner varchar(32), argument_type smallint, argument_xid integer, result_type smallint, "
     "result_xid integer, routine_name varchar(128), routine_owner varchar(32), class char(1)", ""},
    {"sysxtdtypeauth", 'T', "grantor varchar(32), grantee varchar(32), type integer, auth char(2)", ""},
    {"sysroutinelangs", 'T', "langid serial, langname char(30), langinitfunc varchar(128), "
     "langpath char(255), langclass char(128)", ""},
    {"syslangauth", 'T', "grantor varchar(32), grantee varchar(32), langid integer, langauth char(1)", ""},
    {"sysams", 'T', "am_name varchar(128), am_owner varchar(32), am_id integer, am_type char(1), "
     "am_sptype char(1), am_defopclass integer, am_keyscan integer, am_unique integer, am_cluster integer, "
     "am_rowids integer, am_readwrite integer, am_parallel integer, am_costfactor smallfloat", ""},
    {"systabamdata", 'T', "tabid integer, am_param lvarchar(2048), am_space varchar(128)", ""},
    {"sysopclasses", 'T', "opclassname varchar(128), owner varchar(32), amid integer, opclassid serial, "
     "ops lvarchar(2048), support lvarchar(2048)", ""},
    {"syserrors", 'T', "sqlstate char(5), locale char(36), level smallint, seqno smallint, message varchar(255)", ""},
    {"systraceclasses", 'T', "name char(18), classid serial", ""},
    {"systracemsgs", 'T', "name char(18), msgid serial, locale char(36), seqno smallint, message varchar(255)", ""},
    {"sysaggregates", 'T', "name varchar(128), owner varchar(32), aggid serial, init_func varchar(128), "
     "iter_func varchar(128), combine_func varchar(128), final_func varchar(128), handlesnulls boolean", ""},
    {"syssequences", 'T', "seqid serial, tabid integer, start_val int8, inc_val int8, max_val int8, "
     "min_val int8, cycle char(1), restart_val int8, cache integer, order char(1)", "seqidx:U:1;seqtab:U:2"},
    {"sysdirectives", 'T', "id serial, query text, directive text, directivecode byte, active smallint, "
     "hashcode integer", ""},
    {"sysxasourcetypes", 'T', "owner varchar(32), id serial, name varchar(128), xa_flags integer, "
     "xa_version integer", ""},
    {"sysxadatasources", 'T', "owner varchar(32), xa_datasrc_id serial, xa_source_typeid integer, "
     "xa_datasrc_name varchar(128)", ""},
    {"sysseclabelcomponents", 'T', "compname varchar(128), compid serial, comptype char(1), numelements smallint", ""},
    {"sysseclabelcomponentelements", 'T', "compid integer, element varchar(32), encoding char(4), "
     "parentelements lvarchar(2048)", ""},
    {"syssecpolicies", 'T', "secpolicyname varchar(128), secpolicyid serial, numsecpolicycomponents smallint, "
     "overrides char(1)", ""},
    {"syssecpolicycomponents", 'T', "secpolicyid integer, compid integer, compno smallint", ""},
    {"syssecpolicyexemptions", 'T', "grantee varchar(32), secpolicyid integer, grantor varchar(32), "
     "exemption char(6)", ""},
    {"sysseclabels", 'T', "secpolicyid integer, seclabelid integer, encodedlabel lvarchar(2048)", ""},
    {"sysseclabelnames", 'T', "secpolicyid integer, seclabelid integer, seclabelname varchar(128)", ""},
    {"sysseclabelauth", 'T', "grantee varchar(32), secpolicyid integer, readseclabelid integer, "
     "writeseclabelid integer, grantor varchar(32)", ""},
    {"syssurrogateauth", 'T', "surrogate varchar(32), trustedusers varchar(255)", ""},
    {"sysproccolumns", 'T', "procid integer, paramid integer, paramname varchar(128), paramtype smallint, "
     "paramlen smallint, paramxid integer, paramattr smallint", "proccol:U:1,2"},
    {"sysexternal", 'T', "tabid integer, fmttype char(1), codeset varchar(18), recdelim varchar(4), "
     "flddelim varchar(4), datefmt varchar(18), moneyfmt varchar(18), maxerrors integer, "
     "rejectfile varchar(255), flags integer, ndfiles integer", ""},
    {"sysextdfiles", 'T', "tabid integer, dfentry varchar(152)", ""},
    {"sysextcols", 'T', "tabid integer, colno smallint, exttype smallint, extstart smallint, "
     "extlength smallint, nullstr varchar(255), picture varchar(255), decimal smallint, extstype varchar(18)", ""},
    {"sysautolocate", 'T', "dbsnum integer, dbsname varchar(128)", ""},
    {"sysfragdist", 'T', "tabid integer, colno smallint, partn integer, seqno integer, mode char(1), "
     "encdist lvarchar(2048)", ""},
    {"sysdomains", 'T', "id serial, owner varchar(32), name varchar(128), type smallint", ""},
    // The 9.x name of the index table, kept as a view over sysindexes.
    {"sysindices", 'V', "idxname varchar(128), owner varchar(32), tabid integer, idxtype char(1), "
     "clustered char(1), levels smallint, leaves integer, nunique integer, clust integer, nrows float", ""},
};

std::string trim(const std::string &s)
{
    size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::vector<std::string> split(const std::string &s, char sep)
{
    std::vector<std::string> out;
    std::string cur;
    int depth = 0;
    for (char c : s) {
        if (c == '(')
            ++depth;
        if (c == ')')
            --depth;
        if (c == sep && depth == 0) {
            out.push_back(trim(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!trim(cur).empty())
        out.push_back(trim(cur));
    return out;
}

int unitCode(const std::string &w)
{
    if (w == "year") return UYear;
    if (w == "month") return UMonth;
    if (w == "day") return UDay;
    if (w == "hour") return UHour;
    if (w == "minute") return UMinute;
    if (w == "second") return USecond;
    if (w.rfind("fraction", 0) == 0) {
        auto p = w.find('(');
        return p == std::string::npos ? 13 : 10 + std::stoi(w.substr(p + 1));
    }
    raise(-201);
}

} // namespace

TypeDesc parseCatalogType(const std::string &textIn)
{
    std::string text = trim(textIn);
    std::string base = text, arg;
    auto p = text.find('(');
    if (p != std::string::npos && text.rfind("datetime", 0) != 0 && text.rfind("interval", 0) != 0) {
        base = text.substr(0, p);
        arg = text.substr(p + 1, text.find(')') - p - 1);
    }
    auto num = [&](int def) { return arg.empty() ? def : std::stoi(arg); };
    if (base == "char") return {TChar, num(1)};
    if (base == "varchar") return {TVarChar, encodeVarchar(num(1))};
    if (base == "lvarchar") return {TUdtVar, num(2048), kXidLVarChar};
    if (base == "smallint") return {TSmallInt, 2};
    if (base == "integer") return {TInteger, 4};
    if (base == "serial") return {TSerial, 4};
    if (base == "int8") return {TInt8, 10};
    if (base == "float") return {TFloat, 8};
    if (base == "smallfloat") return {TSmallFloat, 4};
    if (base == "date") return {TDate, 4};
    if (base == "text") return {TText, 56};
    if (base == "byte") return {TByte, 56};
    if (base == "blob") return {TUdtFixed, 72, kXidBlob};
    if (base == "clob") return {TUdtFixed, 72, kXidClob};
    if (base == "boolean") return {TUdtFixed, 1, kXidBoolean};
    if (text.rfind("datetime ", 0) == 0 || text.rfind("interval ", 0) == 0) {
        bool interval = text[0] == 'i';
        std::istringstream in(text.substr(9));
        std::string a, to, b;
        in >> a >> to >> b;
        int start = unitCode(a), end = unitCode(b);
        return {interval ? TInterval : TDateTime, interval ? encodeInterval(start, end) : encodeDatetime(start, end)};
    }
    raise(-201, text);
}

const std::vector<CatalogTableDef> &catalogTables()
{
    static const std::vector<CatalogTableDef> tables = [] {
        std::vector<CatalogTableDef> out;
        int tabid = 1;
        for (const RawTable &raw : kRawTables) {
            CatalogTableDef t;
            t.name = raw.name;
            t.tabid = tabid++;
            t.tabtype = raw.tabtype;
            for (const std::string &col : split(raw.columns, ',')) {
                auto sp = col.find(' ');
                CatalogColumnDef c;
                c.name = col.substr(0, sp);
                c.type = parseCatalogType(col.substr(sp + 1));
                c.notNull = isSerial(c.type.code);
                t.columns.push_back(c);
            }
            for (const std::string &ix : split(raw.indexes, ';')) {
                auto parts = split(ix, ':');
                CatalogIndexDef d;
                d.name = parts[0];
                d.idxtype = parts[1][0];
                for (const std::string &n : split(parts[2], ','))
                    d.parts.push_back(std::stoi(n));
                t.indexes.push_back(d);
            }
            out.push_back(std::move(t));
        }
        return out;
    }();
    return tables;
}

void createCatalog(sqlite3 *db, const std::string &user)
{
    using sql::quote;
    const std::int64_t today = todayDayNumber();
    sql::exec(db, "CREATE TABLE quodlin_counters (name TEXT PRIMARY KEY, value INTEGER NOT NULL);"
                  "CREATE TABLE quodlin_serials (tabid INTEGER, colno INTEGER, value INTEGER NOT NULL,"
                  " PRIMARY KEY (tabid, colno));"
                  "CREATE TABLE quodlin_sequences (tabid INTEGER PRIMARY KEY, value INTEGER, called INTEGER NOT NULL);"
                  "INSERT INTO quodlin_counters VALUES ('tabid', 99), ('constrid', 0), ('procid', 0),"
                  " ('trigid', 0), ('seqid', 0);");

    for (const CatalogTableDef &t : catalogTables()) {
        if (t.tabtype == 'V')
            continue;
        std::string ddl = "CREATE TABLE " + quote(t.name) + " (";
        for (size_t i = 0; i < t.columns.size(); ++i) {
            const auto &c = t.columns[i];
            ddl += (i ? ", " : "") + quote(c.name) + " " + sqliteStorage(c.type.code, c.type.extendedId);
        }
        sql::exec(db, ddl + ")");
        for (const CatalogIndexDef &ix : t.indexes) {
            std::string cols;
            for (int part : ix.parts)
                cols += (cols.empty() ? "" : ", ") + quote(t.columns[part - 1].name);
            sql::exec(db, std::string("CREATE ") + (ix.idxtype == 'U' ? "UNIQUE " : "") + "INDEX "
                              + quote("ix$" + t.name + "$" + ix.name) + " ON " + quote(t.name) + " (" + cols + ")");
        }
    }
    sql::exec(db, "CREATE VIEW sysindices AS SELECT idxname, owner, tabid, idxtype, clustered, levels, leaves,"
                  " nunique, clust, CAST(NULL AS REAL) AS nrows FROM sysindexes");

    sql::Stmt tab(db, "INSERT INTO systables (tabname, owner, partnum, tabid, rowsize, ncols, nindexes, nrows,"
                      " created, version, tabtype, locklevel, npused, fextsize, nextsize, flags, site, dbname,"
                      " type_xid, am_id, pagesize, secpolicyid, statchange)"
                      " VALUES (?1, 'informix', ?2, ?3, ?4, ?5, ?6, 0, ?7, ?8, ?9, 'R', 0, 16, 16, 0, '', '',"
                      " 0, 0, 2048, 0, 0)");
    sql::Stmt col(db, "INSERT INTO syscolumns (colname, tabid, colno, coltype, collength, extended_id,"
                      " seclabelid, colattr) VALUES (?1, ?2, ?3, ?4, ?5, ?6, 0, 0)");
    sql::Stmt idx(db, "INSERT INTO sysindexes (idxname, owner, tabid, idxtype, clustered, part1, part2, part3,"
                      " part4, part5, part6, part7, part8, part9, part10, part11, part12, part13, part14, part15,"
                      " part16, levels, leaves, nunique, clust, idxflags)"
                      " VALUES (?1, 'informix', ?2, ?3, ' ', ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14,"
                      " ?15, ?16, ?17, ?18, ?19, 0, 0, 0, 0, 0)");
    sql::Stmt auth(db, "INSERT INTO systabauth (grantor, grantee, tabid, tabauth)"
                       " VALUES ('informix', 'public', ?1, 's--------')");
    for (const CatalogTableDef &t : catalogTables()) {
        int rowsize = 0;
        for (size_t i = 0; i < t.columns.size(); ++i) {
            const auto &c = t.columns[i];
            rowsize += storageSize(c.type.code, c.type.collength, c.type.extendedId);
            col.bind(1, c.name).bind(2, t.tabid).bind(3, static_cast<int>(i + 1))
                .bind(4, c.type.code + (c.notNull ? kNotNullFlag : 0)).bind(5, c.type.collength)
                .bind(6, c.type.extendedId);
            col.run();
            col.reset();
        }
        tab.bind(1, t.name).bind(2, t.tabtype == 'V' ? 0 : 0x100000 + t.tabid).bind(3, t.tabid)
            .bind(4, rowsize).bind(5, static_cast<int>(t.columns.size()))
            .bind(6, static_cast<int>(t.indexes.size())).bind(7, today).bind(8, t.tabid * 65536)
            .bind(9, std::string(1, t.tabtype));
        tab.run();
        tab.reset();
        for (const CatalogIndexDef &ix : t.indexes) {
            idx.bind(1, ix.name).bind(2, t.tabid).bind(3, std::string(1, ix.idxtype));
            for (int p = 0; p < 16; ++p)
                idx.bind(4 + p, p < static_cast<int>(ix.parts.size()) ? ix.parts[p] : 0);
            idx.run();
            idx.reset();
        }
        auth.bind(1, t.tabid);
        auth.run();
        auth.reset();
    }

    sql::Stmt pseudo(db, "INSERT INTO systables (tabname, owner, partnum, tabid, rowsize, ncols, nindexes, nrows,"
                         " created, version, tabtype, locklevel, npused, fextsize, nextsize, flags, site, dbname,"
                         " type_xid, am_id, pagesize) VALUES (?1, 'informix', 0, ?2, 0, 0, 0, 0, ?3, 0, ' ', ' ',"
                         " 0, 0, 0, 0, ?4, '', 0, 0, 0)");
    auto addPseudo = [&](const char *name, int tabid, const std::string &site) {
        pseudo.bind(1, name).bind(2, tabid).bind(3, today).bind(4, site);
        pseudo.run();
        pseudo.reset();
    };
    addPseudo(" GL_COLLATE", 90, "en_US.819");
    addPseudo(" GL_CTYPE", 91, "en_US.819");
    addPseudo(" VERSION", 99, kServerVersion);

    sql::Stmt users(db, "INSERT INTO sysusers (username, usertype, priority) VALUES (?1, ?2, ?3)");
    users.bind(1, user).bind(2, "D").bind(3, 9);
    users.run();
    users.reset();
    if (user != "public") {
        users.bind(1, "public").bind(2, "C").bind(3, 5);
        users.run();
    }

    // Built-in extended types the catalog's own columns use.
    sql::exec(db, "INSERT INTO sysxtdtypes (extended_id, domain, mode, owner, name, type, source, maxlen, length,"
                  " byvalue, cannothash, align, locator) VALUES"
                  " (1, 'B', 'B', 'informix', 'lvarchar', 40, 0, 32739, 0, 'F', 'C', 1, 0),"
                  " (5, 'B', 'B', 'informix', 'boolean', 41, 0, 0, 1, 'T', 'C', 1, 0),"
                  " (10, 'B', 'B', 'informix', 'blob', 41, 0, 0, 72, 'F', 'C', 4, 0),"
                  " (11, 'B', 'B', 'informix', 'clob', 41, 0, 0, 72, 'F', 'C', 4, 0)");
}

} // namespace quodlin::engine
