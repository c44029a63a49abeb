#pragma once
// The access layer's session: the drivers, the alias configuration and the
// database components of the program. Its list of database names is what the
// login offers: configured aliases, ODBC data sources and the unique names of
// open database components (but those a tool keeps to itself), sorted.
#include "db/aliasconfig.h"
#include "db/dbdriver.h"

#include <memory>
#include <vector>

namespace quodlin {

class DbDatabase;

class DbSession {
public:
    // A session without drivers over the given alias file.
    explicit DbSession(QString aliasFile);
    ~DbSession();
    DbSession(const DbSession &) = delete;
    DbSession &operator=(const DbSession &) = delete;

    // The program's session: aliases.conf beside the settings file, the
    // embedded and the ODBC driver.
    static DbSession &defaultSession();

    // Raises DbError when the alias file is malformed.
    QStringList databaseNames() const;
    AliasConfig aliasConfig() const;
    const QString &aliasFile() const { return m_aliasFile; }

    // Replaces a driver of the same name.
    void registerDriver(std::unique_ptr<IDbDriver> driver);
    IDbDriver *driver(const QString &name) const;

    DbDatabase *findDatabase(const QString &uniqueName) const;

private:
    friend class DbDatabase;
    void add(DbDatabase *db) { m_databases.push_back(db); }
    void remove(DbDatabase *db);

    QString m_aliasFile;
    std::vector<std::unique_ptr<IDbDriver>> m_drivers;
    std::vector<DbDatabase *> m_databases;
};

// Registers the ODBC and the embedded driver (what defaultSession() has).
void RegisterStandardDrivers(DbSession &session);

} // namespace quodlin
