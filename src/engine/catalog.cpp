#include "engine/catalog.h"

#include "engine/sqlite_util.h"

namespace quodlin::engine {

const ColumnInfo *TableInfo::column(const std::string &lowerName) const
{
    for (const ColumnInfo &c : columns)
        if (c.name == lowerName)
            return &c;
    return nullptr;
}

int TableInfo::serialColumn() const
{
    for (const ColumnInfo &c : columns)
        if (isSerial(c.coltype))
            return c.colno;
    return 0;
}

Catalog::Catalog(sqlite3 *db) : m_db(db) {}

Catalog::~Catalog()
{
    for (auto &[text, st] : m_statements)
        sqlite3_finalize(st);
}

sqlite3_stmt *Catalog::statement(const std::string &text) const
{
    auto it = m_statements.find(text);
    if (it != m_statements.end())
        return it->second;
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v3(m_db, text.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK)
        sql::fail(m_db, "prepare " + text);
    m_statements.emplace(text, st);
    return st;
}

std::uint64_t Catalog::version() const
{
    // Asked before every execution. Inside a transaction the schema changes
    // only through this connection's DDL (run with caching off, or after
    // forgetSchemaVersion), so the value read once holds: reading it was 830
    // of 5,700 instructions per single-row INSERT.
    const bool inTransaction = sqlite3_get_autocommit(m_db) == 0;
    if (m_caching && inTransaction && m_schemaKnown)
        return (static_cast<std::uint64_t>(m_schema) << 32) ^ m_version;
    if (!m_schemaVersion)
        m_schemaVersion = statement("PRAGMA schema_version");
    sql::Stmt q(m_db, m_schemaVersion);
    std::int64_t schema = q.step() ? q.integer(0) : 0;
    m_schema = schema;
    m_schemaKnown = m_caching && inTransaction;
    return (static_cast<std::uint64_t>(schema) << 32) ^ m_version;
}

namespace {

void loadColumns(const Catalog &cat, sqlite3 *db, TableInfo &t)
{
    sql::Stmt q(db, cat.statement("SELECT c.colname, c.colno, c.coltype, c.collength, c.extended_id, d.type, d.\"default\""
                    " FROM syscolumns c LEFT JOIN sysdefaults d ON d.tabid = c.tabid AND d.colno = c.colno"
                    " WHERE c.tabid = ?1 ORDER BY c.colno"));
    q.bind(1, t.tabid);
    while (q.step()) {
        ColumnInfo c;
        c.name = q.text(0);
        c.colno = static_cast<int>(q.integer(1));
        int coltype = static_cast<int>(q.integer(2));
        c.coltype = coltype & kTypeMask;
        c.notNull = (coltype & kNotNullFlag) != 0;
        c.collength = static_cast<int>(q.integer(3));
        c.extendedId = static_cast<int>(q.integer(4));
        if (!q.isNull(5)) {
            std::string type = q.text(5);
            c.defaultType = type.empty() ? 0 : type[0];
            c.defaultValue = q.text(6);
        }
        t.columns.push_back(std::move(c));
    }
}

IndexInfo readIndex(const sql::Stmt &q)
{
    IndexInfo ix;
    ix.name = q.text(0);
    ix.owner = q.text(1);
    ix.tabid = static_cast<int>(q.integer(2));
    std::string t = q.text(3), c = q.text(4);
    ix.idxtype = t.empty() ? 'D' : t[0];
    ix.clustered = c.empty() ? ' ' : c[0];
    for (int p = 0; p < 16; ++p) {
        int part = static_cast<int>(q.integer(5 + p));
        if (part == 0)
            break;
        ix.parts.push_back(part);
    }
    return ix;
}

const char *kIndexColumns = "idxname, owner, tabid, idxtype, clustered, part1, part2, part3, part4, part5, part6,"
                            " part7, part8, part9, part10, part11, part12, part13, part14, part15, part16";

} // namespace

std::optional<TableInfo> Catalog::findTable(const std::string &name, const std::string &owner,
                                            bool resolveSynonyms) const
{
    if (owner.empty()) {
        if (const TableInfo *t = temp(name))
            return *t;
    }
    if (!m_caching)
        return loadTable(name, owner, resolveSynonyms);
    std::shared_ptr<const TableInfo> t = findTableShared(name, owner, resolveSynonyms);
    if (!t)
        return std::nullopt;
    return *t;
}

std::shared_ptr<const TableInfo> Catalog::findTableShared(const std::string &name, const std::string &owner,
                                                          bool resolveSynonyms) const
{
    if (owner.empty()) {
        if (const TableInfo *t = temp(name))
            return std::make_shared<const TableInfo>(*t);
    }
    if (!m_caching) {
        std::optional<TableInfo> t = loadTable(name, owner, resolveSynonyms);
        return t ? std::make_shared<const TableInfo>(std::move(*t)) : nullptr;
    }
    const std::uint64_t v = version();
    if (v != m_tablesVersion) {
        m_tables.clear();
        m_tablesVersion = v;
    }
    std::string key;
    key.reserve(name.size() + owner.size() + 3);
    key += name;
    key += '\x1f';
    key += owner;
    key += '\x1f';
    key += resolveSynonyms ? '1' : '0';
    auto it = m_tables.find(key);
    if (it != m_tables.end())
        return it->second;
    std::optional<TableInfo> t = loadTable(name, owner, resolveSynonyms);
    if (!t)
        return nullptr;
    auto shared = std::make_shared<const TableInfo>(std::move(*t));
    m_tables.emplace(std::move(key), shared);
    return shared;
}

std::optional<TableInfo> Catalog::loadTable(const std::string &name, const std::string &owner,
                                            bool resolveSynonyms) const
{
    std::string text = "SELECT tabid, tabname, owner, tabtype FROM systables WHERE tabname = ?1"
                       " AND tabtype IN ('T', 'V', 'S', 'P', 'Q')";
    if (!owner.empty())
        text += " AND owner = ?2";
    sql::Stmt q(m_db, statement(text + " ORDER BY tabid LIMIT 1"));
    q.bind(1, name);
    if (!owner.empty())
        q.bind(2, owner);
    if (!q.step())
        return std::nullopt;
    TableInfo t;
    t.tabid = static_cast<int>(q.integer(0));
    t.name = q.text(1);
    t.owner = q.text(2);
    std::string type = q.text(3);
    t.tabtype = type.empty() ? ' ' : type[0];
    if (t.tabtype == 'S' || t.tabtype == 'P') {
        sql::Stmt s(m_db, statement("SELECT btabid FROM syssyntable WHERE tabid = ?1"));
        s.bind(1, t.tabid);
        if (s.step() && !s.isNull(0))
            t.btabid = static_cast<int>(s.integer(0));
        if (resolveSynonyms && t.btabid != 0)
            return tableById(t.btabid);
        return t;
    }
    t.sqliteName = "main." + sql::quote(t.name);
    loadColumns(*this, m_db, t);
    if (t.tabtype == 'T' && t.tabid >= 100) {
        // The layout SQLite really has, not what the constraints would give:
        // older files keep the key in a separate index.
        sql::Stmt k(m_db, statement("SELECT name FROM pragma_table_info(?1, 'main') WHERE pk = 1"));
        k.bind(1, t.name);
        if (k.step())
            if (const ColumnInfo *c = t.column(k.text(0)))
                t.rowKey = c->colno;
    }
    return t;
}

std::optional<TableInfo> Catalog::tableById(int tabid) const
{
    if (const TableInfo *t = tempById(tabid))
        return *t;
    sql::Stmt q(m_db, statement("SELECT tabname, owner FROM systables WHERE tabid = ?1"));
    q.bind(1, tabid);
    if (!q.step())
        return std::nullopt;
    return findTable(q.text(0), q.text(1));
}

std::vector<IndexInfo> Catalog::indexes(int tabid) const
{
    std::vector<IndexInfo> out;
    if (const TableInfo *t = tempById(tabid)) {
        (void)t;
        sql::Stmt q(m_db, std::string("SELECT ") + kIndexColumns + " FROM temp.quodlin_tempindexes WHERE tabid = ?1");
        q.bind(1, tabid);
        while (q.step())
            out.push_back(readIndex(q));
        return out;
    }
    sql::Stmt q(m_db, std::string("SELECT ") + kIndexColumns + " FROM sysindexes WHERE tabid = ?1 ORDER BY rowid");
    q.bind(1, tabid);
    while (q.step())
        out.push_back(readIndex(q));
    return out;
}

std::optional<IndexInfo> Catalog::findIndex(const std::string &name) const
{
    for (const char *table : {"temp.quodlin_tempindexes", "sysindexes"}) {
        sql::Stmt q(m_db, std::string("SELECT ") + kIndexColumns + " FROM " + table + " WHERE idxname = ?1");
        q.bind(1, name);
        if (q.step())
            return readIndex(q);
    }
    return std::nullopt;
}

namespace {

ConstraintInfo readConstraint(sqlite3 *db, const sql::Stmt &q)
{
    ConstraintInfo c;
    c.constrid = static_cast<int>(q.integer(0));
    c.name = q.text(1);
    c.owner = q.text(2);
    c.tabid = static_cast<int>(q.integer(3));
    std::string t = q.text(4);
    c.type = t.empty() ? 'U' : t[0];
    c.idxname = q.text(5);
    if (!c.idxname.empty()) {
        sql::Stmt ix(db, "SELECT part1, part2, part3, part4, part5, part6, part7, part8, part9, part10, part11,"
                         " part12, part13, part14, part15, part16 FROM sysindexes WHERE idxname = ?1 AND tabid = ?2");
        ix.bind(1, c.idxname).bind(2, c.tabid);
        if (ix.step())
            for (int p = 0; p < 16 && ix.integer(p) != 0; ++p)
                c.columns.push_back(static_cast<int>(ix.integer(p)));
    } else {
        sql::Stmt d(db, "SELECT colno FROM syscoldepend WHERE constrid = ?1 ORDER BY rowid");
        d.bind(1, c.constrid);
        while (d.step())
            c.columns.push_back(static_cast<int>(d.integer(0)));
    }
    if (c.type == 'R') {
        sql::Stmt r(db, "SELECT \"primary\", ptabid, delrule FROM sysreferences WHERE constrid = ?1");
        r.bind(1, c.constrid);
        if (r.step()) {
            c.refConstrid = static_cast<int>(r.integer(0));
            c.refTabid = static_cast<int>(r.integer(1));
            std::string rule = r.text(2);
            c.delrule = rule.empty() ? 'R' : rule[0];
        }
    }
    return c;
}

const char *kConstraintColumns = "constrid, constrname, owner, tabid, constrtype, idxname";

} // namespace

std::vector<ConstraintInfo> Catalog::constraints(int tabid) const
{
    std::vector<ConstraintInfo> out;
    sql::Stmt q(m_db, std::string("SELECT ") + kConstraintColumns + " FROM sysconstraints WHERE tabid = ?1 ORDER BY constrid");
    q.bind(1, tabid);
    while (q.step())
        out.push_back(readConstraint(m_db, q));
    return out;
}

std::vector<ConstraintInfo> Catalog::referencing(int tabid) const
{
    std::vector<ConstraintInfo> out;
    sql::Stmt q(m_db, std::string("SELECT ") + kConstraintColumns + " FROM sysconstraints WHERE constrid IN"
                      " (SELECT constrid FROM sysreferences WHERE ptabid = ?1) ORDER BY constrid");
    q.bind(1, tabid);
    while (q.step())
        out.push_back(readConstraint(m_db, q));
    return out;
}

std::optional<ConstraintInfo> Catalog::findConstraint(const std::string &name) const
{
    sql::Stmt q(m_db, std::string("SELECT ") + kConstraintColumns + " FROM sysconstraints WHERE constrname = ?1");
    q.bind(1, name);
    if (!q.step())
        return std::nullopt;
    return readConstraint(m_db, q);
}

std::optional<SequenceInfo> Catalog::findSequence(const std::string &name, const std::string &owner) const
{
    sql::Stmt q(m_db, "SELECT t.tabid, t.tabname, t.owner, s.start_val, s.inc_val, s.min_val, s.max_val, s.cycle"
                      " FROM systables t JOIN syssequences s ON s.tabid = t.tabid"
                      " WHERE t.tabname = ?1 AND t.tabtype = 'Q' AND (?2 = '' OR t.owner = ?2)");
    q.bind(1, name).bind(2, owner);
    if (!q.step())
        return std::nullopt;
    SequenceInfo s;
    s.tabid = static_cast<int>(q.integer(0));
    s.name = q.text(1);
    s.owner = q.text(2);
    s.start = q.integer(3);
    s.increment = q.integer(4);
    s.minValue = q.integer(5);
    s.maxValue = q.integer(6);
    s.cycle = q.text(7) == "1";
    return s;
}

void Catalog::addTemp(TableInfo table)
{
    std::string key = table.name;
    m_temps[key] = std::move(table);
    bumpVersion();
}

void Catalog::dropTemp(const std::string &name)
{
    m_temps.erase(name);
    bumpVersion();
}

const TableInfo *Catalog::temp(const std::string &name) const
{
    auto it = m_temps.find(name);
    return it == m_temps.end() ? nullptr : &it->second;
}

const TableInfo *Catalog::tempById(int tabid) const
{
    for (const auto &[name, t] : m_temps)
        if (t.tabid == tabid)
            return &t;
    return nullptr;
}

std::vector<std::string> Catalog::tempNames() const
{
    std::vector<std::string> out;
    for (const auto &[name, t] : m_temps)
        out.push_back(name);
    return out;
}

} // namespace quodlin::engine
