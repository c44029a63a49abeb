#include "db/dbdatabase.h"

#include "db/dberror.h"
#include "db/dbquery.h"
#include "db/dbsession.h"

namespace quodlin {

namespace {

const QString kUserName = QStringLiteral("USER NAME");
const QString kPassword = QStringLiteral("PASSWORD");

[[noreturn]] void connectFailure(const QString &message)
{
    throw DbEngineError(message, {{kDbErrConnect, 0, message}});
}

} // namespace

DbDatabase::DbDatabase(DbSession &session)
    : m_session(&session)
{
    m_session->add(this);
}

DbDatabase::DbDatabase()
    : DbDatabase(DbSession::defaultSession())
{
}

DbDatabase::~DbDatabase()
{
    close();
    m_session->remove(this);
}

void DbDatabase::setDatabaseName(const QString &uniqueName)
{
    const DbDatabase *other = m_session->findDatabase(uniqueName);
    if (other && other != this)
        throw DbError(QStringLiteral("Duplicate database name '%1'").arg(uniqueName));
    m_name = uniqueName;
}

std::pair<QString, QStringList> DbDatabase::resolve() const
{
    const QString alias = m_alias.trimmed();
    if (!alias.isEmpty()) {
        const AliasConfig config = m_session->aliasConfig();
        QStringList lines;
        QString driver;
        if (const DbAlias *a = config.find(alias)) {
            driver = a->driver;
            lines = a->params;
        } else if (IDbDriver *odbc = m_session->driver(QStringLiteral("ODBC"));
                   odbc && odbc->dataSources().contains(alias, Qt::CaseInsensitive)) {
            driver = QStringLiteral("ODBC");
            lines << QStringLiteral("DSN=") + alias;
        } else {
            connectFailure(QStringLiteral("Unknown database alias: %1").arg(alias));
        }
        for (const QString &name : {kUserName, kPassword}) {
            const QString value = DbParamValue(m_params, name, QStringLiteral("\x01"));
            if (value != QStringLiteral("\x01"))
                SetDbParamValue(lines, name, value);
        }
        return {driver, lines};
    }
    if (!m_driver.isEmpty() && m_driver.compare(kInformixDriverName, Qt::CaseInsensitive) != 0)
        return {m_driver.toUpper(), m_params};
    const QString server = DbParamValue(m_params, QStringLiteral("SERVER NAME")).trimmed();
    if (server.isEmpty())
        connectFailure(QStringLiteral("No server name given"));
    const AliasConfig config = m_session->aliasConfig();
    QStringList lines = m_params;
    if (server.compare(config.embeddedServerName, Qt::CaseInsensitive) == 0)
        return {QStringLiteral("EMBEDDED"), lines};
    SetDbParamValue(lines, QStringLiteral("ODBC DRIVER"), config.informixOdbcDriver);
    return {QStringLiteral("ODBC"), lines};
}

void DbDatabase::open()
{
    if (connected())
        return;
    m_failedOpen = DbSqlca{};
    try {
        const auto [driverName, lines] = resolve();
        IDbDriver *driver = m_session->driver(driverName);
        if (!driver)
            connectFailure(QStringLiteral("The %1 driver is not available").arg(driverName));
        m_connection = driver->connect(lines);
    } catch (const DbEngineError &e) {
        m_failedOpen.sqlcode = e.nativeCode();
        m_failedOpen.sqlerrm = e.message();
        throw;
    }
}

std::function<std::unique_ptr<IDbConnection>()> DbDatabase::connector() const
{
    const auto [driverName, lines] = resolve();
    IDbDriver *driver = m_session->driver(driverName);
    if (!driver)
        connectFailure(QStringLiteral("The %1 driver is not available").arg(driverName));
    // The session's drivers live as long as the session, which outlives its components' work.
    return [driver, lines = lines] { return driver->connect(lines); };
}

void DbDatabase::open(std::unique_ptr<IDbConnection> connection)
{
    close();
    m_connection = std::move(connection);
}

void DbDatabase::close()
{
    const QList<DbQuery *> queries = m_queries;
    for (DbQuery *q : queries)
        q->close();
    m_queries.clear();
    m_connection.reset();
}

void DbDatabase::reconnect()
{
    close();
    open();
}

void DbDatabase::interrupt()
{
    if (IDbConnection *c = m_connection.get())
        c->interrupt();
}

void DbDatabase::setBusy(bool busy)
{
    if (IDbConnection *c = m_connection.get())
        c->clearInterrupt();
    m_busy = busy;
}

DbSqlca DbDatabase::sqlca() const
{
    return m_connection ? m_connection->sqlca() : m_failedOpen;
}

} // namespace quodlin
