#include "db/dbsession.h"

#include "db/dbdatabase.h"
#include "db/embeddeddriver.h"
#include "db/odbcdriver.h"

#include <algorithm>

namespace quodlin {

DbSession::DbSession(QString aliasFile)
    : m_aliasFile(std::move(aliasFile))
{
}

DbSession::~DbSession() = default;

DbSession &DbSession::defaultSession()
{
    static DbSession *session = [] {
        auto *s = new DbSession(AliasConfig::defaultPath());
        RegisterStandardDrivers(*s);
        return s;
    }();
    return *session;
}

AliasConfig DbSession::aliasConfig() const
{
    return AliasConfig::load(m_aliasFile);
}

QStringList DbSession::databaseNames() const
{
    QStringList names;
    auto addName = [&names](const QString &name) {
        if (!name.isEmpty() && !names.contains(name, Qt::CaseInsensitive))
            names << name;
    };
    for (const DbAlias &alias : aliasConfig().aliases)
        addName(alias.name);
    for (const auto &driver : m_drivers)
        for (const QString &source : driver->dataSources())
            addName(source);
    for (const DbDatabase *db : m_databases)
        if (db->connected() && db->listed())
            addName(db->databaseName());
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

void DbSession::registerDriver(std::unique_ptr<IDbDriver> driver)
{
    for (auto &d : m_drivers) {
        if (d->name().compare(driver->name(), Qt::CaseInsensitive) == 0) {
            d = std::move(driver);
            return;
        }
    }
    m_drivers.push_back(std::move(driver));
}

IDbDriver *DbSession::driver(const QString &name) const
{
    for (const auto &d : m_drivers)
        if (d->name().compare(name, Qt::CaseInsensitive) == 0)
            return d.get();
    return nullptr;
}

DbDatabase *DbSession::findDatabase(const QString &uniqueName) const
{
    for (DbDatabase *db : m_databases)
        if (!uniqueName.isEmpty() && db->databaseName().compare(uniqueName, Qt::CaseInsensitive) == 0)
            return db;
    return nullptr;
}

void DbSession::remove(DbDatabase *db)
{
    m_databases.erase(std::remove(m_databases.begin(), m_databases.end(), db), m_databases.end());
}

void RegisterStandardDrivers(DbSession &session)
{
    session.registerDriver(std::make_unique<EmbeddedDriver>());
    session.registerDriver(std::make_unique<OdbcDriver>());
}

} // namespace quodlin
