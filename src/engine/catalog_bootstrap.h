#pragma once
// The system catalog of a new database: the catalog tables with their fixed
// tabids, their syscolumns/sysindexes rows, the pseudo rows, sysusers and the
// default PUBLIC grants; and the engine's private bookkeeping tables.
#include "engine/types.h"

#include <string>
#include <vector>

struct sqlite3;

namespace quodlin::engine {

struct CatalogColumnDef {
    std::string name;
    TypeDesc type;
    bool notNull = false;
};

struct CatalogIndexDef {
    std::string name;
    char idxtype = 'U';
    std::vector<int> parts;
};

struct CatalogTableDef {
    std::string name;
    int tabid = 0;
    char tabtype = 'T';
    std::vector<CatalogColumnDef> columns;
    std::vector<CatalogIndexDef> indexes;
};

// Every catalog table in tabid order.
const std::vector<CatalogTableDef> &catalogTables();

// Writes the complete catalog into an empty database; `user` becomes DBA.
void createCatalog(sqlite3 *db, const std::string &user);

// Parses a type as the catalog definitions spell it ("varchar(128)", "serial",
// "datetime year to fraction(5)"); throws EngineError -201 for unknown text.
TypeDesc parseCatalogType(const std::string &text);

} // namespace quodlin::engine
