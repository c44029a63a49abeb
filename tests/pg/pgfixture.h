#pragma once
// The private PostgreSQL server, started once for the program (a GoogleTest
// environment), and a fixture with a session whose ODBC connection reaches it.
#include "db/dbdatabase.h"
#include "db/dbquery.h"
#include "db/dbsession.h"
#include "db/odbcdriver.h"
#include "pgserver.h"

#include <gtest/gtest.h>

namespace quodlin::test {

class PgEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        // Never skipped: a machine without the server fails here.
        const QString error = server().start();
        ASSERT_TRUE(error.isEmpty()) << "cannot start PostgreSQL: " << error.toStdString();
    }
    void TearDown() override { server().stop(); }
    static PgServer &server()
    {
        static PgServer s;
        return s;
    }
};

class PgTest : public ::testing::Test {
protected:
    static constexpr const char *kName = "QuodlinPg";
    void SetUp() override
    {
        m_session = std::make_unique<DbSession>(m_dir.filePath(QStringLiteral("aliases.conf")));
        m_session->registerDriver(std::make_unique<OdbcDriver>());
        m_db = std::make_unique<DbDatabase>(*m_session);
        m_db->setDatabaseName(QLatin1String(kName));
        m_db->setAliasName(QLatin1String(PgServer::kDsn));
        m_db->setParams(PgServer::params());
        m_db->open();
    }
    void run(const QString &sql)
    {
        DbQuery q(*m_session);
        q.setDatabaseName(QLatin1String(kName));
        q.setSql(sql);
        q.execSQL();
    }
    std::unique_ptr<DbQuery> query(const QString &sql)
    {
        auto q = std::make_unique<DbQuery>(*m_session);
        q->setDatabaseName(QLatin1String(kName));
        q->setSql(sql);
        return q;
    }
    QString value(const QString &sql)
    {
        auto q = query(sql);
        q->open();
        return q->eof() ? QStringLiteral("<none>") : q->field(0).asString();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<DbSession> m_session;
    std::unique_ptr<DbDatabase> m_db;
};

} // namespace quodlin::test
