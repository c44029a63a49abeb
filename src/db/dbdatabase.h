#pragma once
// A database component: one connection, known by a unique name that queries
// use to find it. It connects through an alias (of the alias configuration or
// an ODBC data source) or directly with the driver name "INFORMIX" and the
// parameter lines SERVER NAME, DATABASE NAME, USER NAME, PASSWORD: a direct
// connection to the embedded server's name goes to the embedded engine, any
// other server to ODBC through the configured Informix ODBC driver.
#include "db/dbdriver.h"

#include <QList>

#include <atomic>
#include <functional>

namespace quodlin {

class DbSession;
class DbQuery;

inline const QString kInformixDriverName = QStringLiteral("INFORMIX");

class DbDatabase {
public:
    explicit DbDatabase(DbSession &session);
    DbDatabase();  // in the default session
    ~DbDatabase();
    DbDatabase(const DbDatabase &) = delete;
    DbDatabase &operator=(const DbDatabase &) = delete;

    // Raises DbError when another component of the session has the name.
    void setDatabaseName(const QString &uniqueName);
    const QString &databaseName() const { return m_name; }
    void setAliasName(const QString &alias) { m_alias = alias; }
    const QString &aliasName() const { return m_alias; }
    void setDriverName(const QString &driver) { m_driver = driver; }
    const QString &driverName() const { return m_driver; }
    void setParams(const QStringList &lines) { m_params = lines; }
    const QStringList &params() const { return m_params; }

    // Raises DbEngineError (the server's or driver's) or DbError.
    void open();
    // Opens over a ready connection (tools and tests bring their own).
    void open(std::unique_ptr<IDbConnection> connection);
    // Opens a further connection with this component's alias or parameters,
    // for reads beside it on another thread (the completion catalog). The
    // alias is resolved now; the returned function connects, on any thread,
    // and raises as open does. Raises DbEngineError when nothing resolves.
    std::function<std::unique_ptr<IDbConnection>()> connector() const;
    // Closes every query running on this component first; harmless when closed.
    void close();
    bool connected() const { return m_connection != nullptr; }
    // Connected, but the server has gone away (see IDbConnection).
    bool connectionLost() const { return m_connection && m_connection->connectionLost(); }
    // Closes (queries included) and opens again with the same alias or
    // parameters. Raises as open does; then it stays closed.
    void reconnect();
    // Stops the running statement (a Stop command); callable from any thread.
    void interrupt();
    // Set while a worker thread runs statements on this component: a
    // connection serves one thread at a time, so grids on the window's thread
    // read no further rows meanwhile. A Stop left from before is forgotten
    // as a run starts and as it ends.
    void setBusy(bool busy);
    bool busy() const { return m_busy; }

    // The SQL communication area after the last statement or failed open.
    DbSqlca sqlca() const;
    int errorOffset() const { return sqlca().errorOffset(); }

    // A connection a tool makes for itself (a comparison's sides) stays out
    // of the session's list of database names, which the login offers.
    void setListed(bool listed) { m_listed = listed; }
    bool listed() const { return m_listed; }

    IDbConnection *connection() const { return m_connection.get(); }
    DbSession &session() const { return *m_session; }

private:
    friend class DbQuery;
    void addQuery(DbQuery *q) { m_queries << q; }
    void removeQuery(DbQuery *q) { m_queries.removeAll(q); }
    // The driver name and parameter lines to connect with.
    std::pair<QString, QStringList> resolve() const;

    DbSession *m_session;
    QString m_name;
    QString m_alias;
    QString m_driver;
    QStringList m_params;
    std::unique_ptr<IDbConnection> m_connection;
    DbSqlca m_failedOpen;
    QList<DbQuery *> m_queries;
    std::atomic<bool> m_busy{false};
    bool m_listed = true;
};

} // namespace quodlin
