// The ODBC driver and the layer over it, against a real driver: SQLite's ODBC
// driver, registered in ini files of the test's own.
#include "db/dbdatabase.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "db/dbsession.h"
#include "db/odbcdriver.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>


using namespace quodlin;

namespace {

QString sqliteOdbcLibrary()
{
    for (const char *path : {"/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so",
                             "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so",
                             "/usr/lib/odbc/libsqlite3odbc.so", "/usr/local/lib/libsqlite3odbc.so"})
        if (QFile::exists(path))
            return path;
    return {};
}

void writeFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

// Points the driver manager at our ini files before any ODBC call.
class OdbcIniEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const QString lib = sqliteOdbcLibrary();
        if (lib.isEmpty())
            return;
        const QString dir = m_dir.path();
        // DontDLClose keeps the driver module loaded once the last connection
        // closes: the leak checker of the sanitizer build then still sees the
        // driver's own globals instead of reporting what they hold as lost.
        writeFile(dir + "/odbcinst.ini",
                  "[SQLite3]\nDescription=SQLite3\nDriver=" + lib.toUtf8() + "\nDontDLClose=1\n");
        writeFile(dir + "/odbc.ini", "");
        writeFile(dir + "/user.ini",
                  "[qtest]\nDriver=SQLite3\nDatabase=" + dir.toUtf8() + "/qtest.db\n"
                  "[qbroken]\nDriver=SQLite3\nDatabase=" + dir.toUtf8() + "/missing/dir/x.db\n");
        qputenv("ODBCSYSINI", dir.toUtf8());
        qputenv("ODBCINI", (dir + "/user.ini").toUtf8());
        s_ready = true;
    }
    static bool s_ready;

private:
    QTemporaryDir m_dir;
};
bool OdbcIniEnvironment::s_ready = false;
const auto *const odbcEnvironment = ::testing::AddGlobalTestEnvironment(new OdbcIniEnvironment);

} // namespace

namespace quodlin::test {
bool SqliteOdbcReady() { return OdbcIniEnvironment::s_ready; }
} // namespace quodlin::test

namespace {

class OdbcTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!OdbcIniEnvironment::s_ready)
            GTEST_SKIP() << "SQLite ODBC driver (libsqliteodbc) is not installed";
        m_session = std::make_unique<DbSession>(m_dir.filePath("aliases.conf"));
        m_session->registerDriver(std::make_unique<OdbcDriver>());
        m_db = std::make_unique<DbDatabase>(*m_session);
        m_db->setDatabaseName("Quodlin7F3A");
        m_db->setAliasName("qtest");
        m_db->open();
        run("drop table if exists items");
        run("drop table if exists parts");
        run("create table items (id integer primary key, name varchar(10), code char(6),"
            " born date, price decimal(8,2), ratio double)");
        run("create table parts (item integer, part varchar(10))");
    }
    void run(const QString &sql)
    {
        DbQuery q(*m_session);
        q.setDatabaseName("Quodlin7F3A");
        q.setSql(sql);
        q.execSQL();
    }
    std::unique_ptr<DbQuery> query(const QString &sql)
    {
        auto q = std::make_unique<DbQuery>(*m_session);
        q->setDatabaseName("Quodlin7F3A");
        q->setSql(sql);
        return q;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<DbSession> m_session;
    std::unique_ptr<DbDatabase> m_db;
};

TEST_F(OdbcTest, DataSourcesJoinTheSortedDatabaseNames)
{
    AliasConfig config = AliasConfig::defaults();
    config.aliases << DbAlias{"Zeta", "ODBC", {"DSN=qtest"}};
    config.save(m_session->aliasFile());
    EXPECT_EQ(m_session->databaseNames(), QStringList({"demo", "qbroken", "qtest", "Quodlin7F3A", "Zeta"}));
    m_db->close();
    EXPECT_FALSE(m_session->databaseNames().contains("Quodlin7F3A"));
}

TEST_F(OdbcTest, ConnectFailureCarriesTheDriversStack)
{
    DbDatabase other(*m_session);
    other.setDatabaseName("other");
    other.setAliasName("qbroken");
    try {
        other.open();
        FAIL() << "connected";
    } catch (const DbEngineError &e) {
        ASSERT_FALSE(e.stack().isEmpty());
        EXPECT_FALSE(e.message().isEmpty());
        const QString report = DbErrorReport(e, "TfrmDbObjects.Connect");
        EXPECT_TRUE(report.startsWith("Database Error in [TfrmDbObjects.Connect]:\r\n  Error Code: "));
    }
    EXPECT_FALSE(other.connected());
}

TEST_F(OdbcTest, UnknownAliasIsReported)
{
    DbDatabase other(*m_session);
    other.setAliasName("nowhere");
    EXPECT_THROW(other.open(), DbEngineError);
}

TEST_F(OdbcTest, DirectConnectionToARemoteServerUsesTheInformixDriver)
{
    DbDatabase direct(*m_session);
    direct.setDriverName("INFORMIX");
    direct.setParams({"SERVER NAME=ol_remote", "DATABASE NAME=stores", "USER NAME=me", "PASSWORD=pw"});
    try {
        direct.open();
        FAIL() << "connected";
    } catch (const DbEngineError &e) {
        // No Informix driver is registered here: the driver manager says so.
        EXPECT_TRUE(e.message().contains("IBM INFORMIX ODBC DRIVER") || e.message().contains("not found"))
            << e.message().toStdString();
    }
}

TEST(OdbcConnectionString, QuotesValuesThatCouldAddAttributes)
{
    EXPECT_EQ(OdbcDriver::connectionString({"ODBC DRIVER=IBM INFORMIX ODBC DRIVER", "SERVER NAME=srv",
                                            "DATABASE NAME=db", "USER NAME=me", "PASSWORD=a;b}c"}),
              QStringLiteral("DRIVER={IBM INFORMIX ODBC DRIVER};SERVER=srv;DATABASE=db;UID=me;PWD={a;b}}c};"));
    EXPECT_EQ(OdbcDriver::connectionString({"DSN=my dsn", "USER NAME=", "PASSWORD=x"}),
              QStringLiteral("DSN=my dsn;"));
    EXPECT_EQ(OdbcDriver::quoteAttribute(" x"), QStringLiteral("{ x}"));
}

TEST_F(OdbcTest, RowsAreReadLazilyAndKeptForBookmarks)
{
    run("with recursive n(i) as (select 1 union all select i + 1 from n where i < 300)"
        " insert into items (id, name) select i, 'n' || i from n");
    auto q = query("select id, name from items order by id");
    q->open();
    EXPECT_EQ(q->fetchedRowCount(), 1);
    for (int i = 0; i < 49; ++i)
        q->next();
    const DbBookmark mark = q->bookmark();
    EXPECT_EQ(q->fetchedRowCount(), 50);
    q->last();
    EXPECT_EQ(q->fieldByName("id").value().toInt(), 300);
    EXPECT_TRUE(q->allFetched());
    q->gotoBookmark(mark);
    EXPECT_EQ(q->fieldByName("name").displayText(), QStringLiteral("n50"));
    q->first();
    int rows = 0;
    while (!q->eof()) {
        ++rows;
        q->next();
    }
    EXPECT_EQ(rows, 300);
    EXPECT_THROW(q->gotoBookmark(300), DbError);
}

TEST_F(OdbcTest, DetailFollowsItsMaster)
{
    run("insert into items (id, name) values (1, 'one')");
    run("insert into items (id, name) values (2, 'two')");
    run("insert into parts values (1, 'a')");
    run("insert into parts values (1, 'b')");
    run("insert into parts values (2, 'c')");
    auto master = query("select id from items order by id");
    auto detail = query("select part from parts where item = :id order by part");
    detail->setMaster(master.get());
    EXPECT_THROW(master->setMaster(detail.get()), DbError);
    master->open();
    EXPECT_FALSE(detail->isOpen());  // a closed detail stays closed
    detail->open();
    EXPECT_EQ(detail->field(0).displayText(), QStringLiteral("a"));
    master->next();
    EXPECT_EQ(detail->field(0).displayText(), QStringLiteral("c"));
    master->disableControls();
    master->first();
    EXPECT_EQ(detail->field(0).displayText(), QStringLiteral("c"));
    master->enableControls();
    EXPECT_EQ(detail->field(0).displayText(), QStringLiteral("a"));
    run("delete from items");
    master->open();  // empty master: the detail runs with NULL
    EXPECT_TRUE(detail->isOpen());
    EXPECT_TRUE(detail->isEmpty());
    EXPECT_TRUE(detail->field(0).isNull());
    EXPECT_EQ(detail->field(0).displayText(), QString());
}

TEST_F(OdbcTest, ClosingTheDatabaseClosesItsQueries)
{
    auto q = query("select * from items");
    q->open();
    m_db->close();
    EXPECT_FALSE(q->isOpen());
    EXPECT_THROW(q->first(), DbError);
}

// Without a key or a ROWID, equal rows cannot be told apart.
TEST_F(OdbcTest, EqualRowsWithoutKeyAreNeverChanged)
{
    run("insert into parts values (1, 'same')");
    run("insert into parts values (1, 'same')");
    auto q = query("select * from parts");
    q->setLive(true);
    q->open();
    q->setFieldValue("part", "other");
    EXPECT_THROW(q->post(), DbError);
    q->cancel();
    EXPECT_THROW(q->deleteRecord(), DbError);
    auto check = query("select count(*) from parts where part = 'same'");
    check->open();
    EXPECT_EQ(check->field(0).value().toInt(), 2);
}

} // namespace
