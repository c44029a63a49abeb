#pragma once
// Lookup of catalog objects for the translator and the DDL executor: tables,
// views, synonyms (resolved to their base), columns with their types and
// defaults, indexes, constraints and sequences. Reads the catalog tables of the
// database and the session's temporary tables; writes nothing.
#include "engine/types.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace quodlin::engine {

struct ColumnInfo {
    std::string name;
    int colno = 0;
    int coltype = 0;         // base code, flag bits removed
    int collength = 0;
    int extendedId = 0;
    bool notNull = false;
    char defaultType = 0;    // 0 none, else L U C N T S (sysdefaults.type)
    std::string defaultValue;
    TypeDesc type() const { return {coltype, collength, extendedId}; }
};

struct IndexInfo {
    std::string name;
    std::string owner;
    int tabid = 0;
    char idxtype = 'D';
    char clustered = ' ';
    std::vector<int> parts;  // colno, negative for DESC
};

struct ConstraintInfo {
    int constrid = 0;
    std::string name;
    std::string owner;
    int tabid = 0;
    char type = 'U';         // C N P R U
    std::string idxname;
    std::vector<int> columns;  // key columns (P U R), referenced columns for C
    // Referential constraints
    int refTabid = 0;
    int refConstrid = 0;
    char delrule = 'R';
    std::string checkSql;    // CHECK: the condition translated to SQLite
};

struct TableInfo {
    std::string name;        // as stored in systables (lower case unless delimited)
    std::string owner;
    int tabid = 0;
    char tabtype = 'T';      // T V S P Q, blank for pseudo rows
    bool temp = false;       // session temporary table
    std::string sqliteName;  // "main"."name" or "temp"."name"
    std::vector<ColumnInfo> columns;
    int btabid = 0;          // synonyms: the local base object (0 remote)
    // colno of the column SQLite keeps as the table's row id (its INTEGER
    // PRIMARY KEY: a single-column integer primary key); 0 in files made
    // before keys were laid out so, and for tables without such a key.
    int rowKey = 0;

    const ColumnInfo *column(const std::string &lowerName) const;
    int serialColumn() const;  // colno of the SERIAL/SERIAL8/BIGSERIAL column or 0
};

struct SequenceInfo {
    int tabid = 0;
    std::string name;
    std::string owner;
    std::int64_t start = 1, increment = 1, minValue = 1, maxValue = 0;
    bool cycle = false;
};

class Catalog {
public:
    explicit Catalog(sqlite3 *db);

    // Temp tables first, then systables; synonyms resolve to their base
    // object unless `resolveSynonyms` is false. Empty owner matches any owner.
    std::optional<TableInfo> findTable(const std::string &name, const std::string &owner = {},
                                       bool resolveSynonyms = true) const;
    // The same without copying the description: the cached one is shared
    // (null when there is no such object).
    std::shared_ptr<const TableInfo> findTableShared(const std::string &name, const std::string &owner = {},
                                                     bool resolveSynonyms = true) const;
    std::optional<TableInfo> tableById(int tabid) const;
    std::vector<IndexInfo> indexes(int tabid) const;
    std::optional<IndexInfo> findIndex(const std::string &name) const;
    std::vector<ConstraintInfo> constraints(int tabid) const;
    // Referential constraints of other tables that point at `tabid`.
    std::vector<ConstraintInfo> referencing(int tabid) const;
    std::optional<ConstraintInfo> findConstraint(const std::string &name) const;
    // Empty owner matches any owner.
    std::optional<SequenceInfo> findSequence(const std::string &name, const std::string &owner = {}) const;

    // Session temporary tables (kept by the session, not in systables).
    void addTemp(TableInfo table);
    void dropTemp(const std::string &name);
    const TableInfo *temp(const std::string &name) const;
    const TableInfo *tempById(int tabid) const;
    std::vector<std::string> tempNames() const;

    // Changes with every DDL statement of this session and every schema
    // change of the file by any session; the translation cache key.
    std::uint64_t version() const;
    void bumpVersion() { ++m_version; m_tables.clear(); }
    // Reads the schema cookie again at the next version() (statements that
    // may change the schema or end the transaction).
    void forgetSchemaVersion() { m_schemaKnown = false; }
    // Table lookups are cached between schema changes; off while a DDL
    // statement rewrites the catalog rows it reads back.
    void setCaching(bool on) { m_caching = on; m_tables.clear(); m_schemaKnown = false; }

    sqlite3 *db() const { return m_db; }
    // A prepared statement kept for the connection's lifetime.
    sqlite3_stmt *statement(const std::string &sql) const;

    Catalog(const Catalog &) = delete;
    Catalog &operator=(const Catalog &) = delete;
    ~Catalog();

private:
    std::optional<TableInfo> loadTable(const std::string &name, const std::string &owner, bool resolveSynonyms) const;

    sqlite3 *m_db;
    std::map<std::string, TableInfo> m_temps;
    std::uint64_t m_version = 1;
    bool m_caching = true;
    mutable std::map<std::string, sqlite3_stmt *> m_statements;
    mutable sqlite3_stmt *m_schemaVersion = nullptr;  // owned by m_statements
    mutable std::int64_t m_schema = 0;
    mutable bool m_schemaKnown = false;
    mutable std::map<std::string, std::shared_ptr<const TableInfo>> m_tables;
    mutable std::uint64_t m_tablesVersion = 0;
};

} // namespace quodlin::engine
