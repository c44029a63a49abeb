// The embedded driver through the access layer, on real engine databases in a
// temporary data folder.
#include "db/dbdatabase.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "db/dbsession.h"
#include "db/embeddeddriver.h"
#include "engine/engine.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>


using namespace quodlin;

namespace {

class EmbeddedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_session = std::make_unique<DbSession>(m_dir.filePath("aliases.conf"));
        auto driver = std::make_unique<EmbeddedDriver>(m_dir.filePath("databases"));
        m_driver = driver.get();
        m_session->registerDriver(std::move(driver));
    }
    void createDatabase(const QString &name)
    {
        QDir().mkpath(m_dir.filePath("databases"));
        engine::Session::createDatabase(m_driver->databasePath(name).toStdString(), "tester");
    }
    std::unique_ptr<DbDatabase> direct(const QString &database, const QString &name = "Quodlin1")
    {
        auto db = std::make_unique<DbDatabase>(*m_session);
        db->setDatabaseName(name);
        db->setDriverName("INFORMIX");
        db->setParams({"SERVER NAME=local", "DATABASE NAME=" + database, "USER NAME=tester", "PASSWORD="});
        return db;
    }
    std::unique_ptr<DbQuery> query(const QString &sql, const QString &db = "Quodlin1")
    {
        auto q = std::make_unique<DbQuery>(*m_session);
        q->setDatabaseName(db);
        q->setSql(sql);
        return q;
    }
    void run(const QString &sql) { query(sql)->execSQL(); }

    QTemporaryDir m_dir;
    std::unique_ptr<DbSession> m_session;
    EmbeddedDriver *m_driver = nullptr;
};

TEST_F(EmbeddedTest, DemoAliasCreatesItsDatabaseOnce)
{
    DbDatabase db(*m_session);
    db.setDatabaseName("Quodlin1");
    db.setAliasName("demo");
    db.open();
    EXPECT_TRUE(QFile::exists(m_driver->databasePath("demo")));
    auto q = query("select count(*) from systables where tabid >= 100");
    q->open();
    EXPECT_GT(q->field(0).value().toInt(), 0);
    q->close();
    run("create table mine (a integer)");
    db.close();
    db.open();  // the existing demo database is kept, with the user's table
    auto again = query("select count(*) from systables where tabname = 'mine'");
    again->open();
    EXPECT_EQ(again->field(0).value().toInt(), 1);
}

// A database appears whole or not at all; what a killed run left is cleared.
TEST_F(EmbeddedTest, CreateDatabaseIsWholeOrNothing)
{
    const QDir folder(m_dir.filePath("databases"));
    const auto files = [&] { return folder.entryList(QDir::Files | QDir::Hidden); };
    QDir().mkpath(folder.path());
    for (const char *leftover : {"shop.db.0badf00d.building", "shop.db.0badf00d.building-wal", "shop.db.building"})
        QFile(folder.filePath(leftover)).open(QIODevice::WriteOnly);
    const auto table = [](IDbConnection &c) { c.execute("create table t (a integer)", {}); };
    const auto failing = [&](IDbConnection &c) {
        table(c);
        EXPECT_FALSE(files().contains("shop.db"));
        EXPECT_FALSE(files().contains("shop.db.0badf00d.building"));
        c.execute("insert into nosuch values (1)", {});
    };
    EXPECT_THROW(m_driver->createDatabase("shop", "tester", failing), DbEngineError);
    EXPECT_EQ(files(), QStringList());

    m_driver->createDatabase("shop", "tester", table);
    EXPECT_EQ(files(), QStringList{"shop.db"});
    try {
        m_driver->createDatabase("shop", "tester");
        ADD_FAILURE() << "an existing database was created again";
    } catch (const DbEngineError &e) {
        EXPECT_EQ(e.nativeCode(), -330);
    }
    auto db = direct("shop");
    db->open();
    run("insert into t values (1)");
}

TEST_F(EmbeddedTest, MissingDatabaseAndBadNamesAreRefused)
{
    try {
        direct("nosuch")->open();
        FAIL() << "opened";
    } catch (const DbEngineError &e) {
        EXPECT_EQ(e.nativeCode(), -329);
    }
    for (const QString name : {"../x", "a/b", "", "1abc"}) {
        try {
            direct(name, "other")->open();
            FAIL() << "opened " << name.toStdString();
        } catch (const DbEngineError &e) {
            EXPECT_TRUE(e.message().startsWith("Invalid database name")) << e.message().toStdString();
        }
    }
}

// The Informix types SQLite's ODBC driver lacks (the rest: drivercontract_test.cpp).
TEST_F(EmbeddedTest, MoneyDatetimeAndCharWidths)
{
    createDatabase("shop");
    auto db = direct("shop");
    db->open();
    run("create table items (name char(10), cost money(8,2), at datetime year to second)");
    run("insert into items values ('bolt', 3, '2024-01-02 03:04:05')");
    auto q = query("select * from items");
    q->open();
    EXPECT_EQ(q->fieldByName("name").displayWidth(), 10);
    EXPECT_EQ(q->fieldByName("cost").displayText(), QStringLiteral("$3.00"));
    EXPECT_EQ(q->fieldByName("cost").editText(), QStringLiteral("3.00"));
    EXPECT_EQ(q->fieldByName("at").type(), DbFieldType::DateTime);
    EXPECT_EQ(q->fieldByName("at").displayText(), QStringLiteral("2024-01-02 03:04:05"));
    EXPECT_EQ(q->fieldByName("at").displayWidth(), 19);
}

TEST_F(EmbeddedTest, ErrorsCarryNumberAndCharacterOffset)
{
    createDatabase("shop");
    auto db = direct("shop");
    db->open();
    const QString sql = QStringLiteral("select 'äö', tabname fron systables");
    try {
        query(sql)->open();
        FAIL() << "opened";
    } catch (const DbEngineError &e) {
        EXPECT_EQ(e.nativeCode(), -201);
        EXPECT_EQ(e.stack()[0].errorCode, kDbErrServer);
        EXPECT_EQ(e.errorOffset(), sql.indexOf("fron") + 5) << "offset " << e.errorOffset();
        EXPECT_EQ(db->errorOffset(), e.errorOffset());
    }
}

TEST_F(EmbeddedTest, LiveResultsWithoutKeyFindRowsByRowid)
{
    createDatabase("shop");
    auto db = direct("shop");
    db->open();
    run("create table bins (shelf char(3), qty integer)");
    run("insert into bins values ('A1', 5)");
    run("insert into bins values ('A1', 5)");
    run("insert into bins values ('B2', 7)");
    auto count = [&](const QString &where) {
        auto q = query("select count(*) from bins where " + where);
        q->open();
        return q->field(0).value().toInt();
    };

    // Two equal rows: each can be changed and deleted on its own.
    auto live = query("select shelf, qty from bins order by shelf");
    live->setLive(true);
    live->open();
    EXPECT_EQ(live->fieldCount(), 2);  // the ROWID stays hidden
    live->setFieldValue("qty", 6);
    live->post();
    EXPECT_EQ(count("qty = 6"), 1);
    EXPECT_EQ(count("qty = 5"), 1);
    live->next();
    live->deleteRecord();
    EXPECT_EQ(count("shelf = 'A1'"), 1);

    // A new row is found by its ROWID too, even beside an equal one.
    live->append();
    live->setFieldValue("shelf", "C3");
    live->setFieldValue("qty", 1);
    live->post();
    run("insert into bins values ('C3', 1)");
    live->setFieldValue("qty", 2);
    live->post();
    EXPECT_EQ(count("shelf = 'C3' and qty = 1"), 1);
    EXPECT_EQ(count("shelf = 'C3' and qty = 2"), 1);

    // Someone else's change is still refused.
    live->first();
    run("update bins set qty = 9 where shelf = 'A1'");
    live->setFieldValue("qty", 3);
    EXPECT_THROW(live->post(), DbError);
    live->cancel();
    EXPECT_EQ(count("qty = 9"), 1);

    // Views have no ROWID: rows are found by their values.
    run("create view bigbins as select shelf, qty from bins where qty > 1");
    auto view = query("select * from bigbins order by shelf");
    view->setLive(true);
    view->open();
    EXPECT_EQ(view->fieldCount(), 2);
}

TEST_F(EmbeddedTest, ExplainBracketWritesThePlanToTheUsersDefaultFile)
{
    createDatabase("shop");
    auto db = direct("shop");
    db->open();
    run("create table parts (id integer primary key, name char(20))");
    const QString file = m_dir.filePath("databases/explain/tester.out");

    // What a query window does around one explained run, each on its own query object.
    run("set explain off");
    QFile::remove(file);
    run("set explain on");
    auto q = query("select name from parts where id = 7");
    q->open();
    run("set explain off");
    run("select count(*) from parts");  // not explained any more

    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly)) << file.toStdString();
    const QString plan = QString::fromUtf8(out.readAll());
    EXPECT_EQ(plan.count(QStringLiteral("QUERY:")), 1) << plan.toStdString();
    EXPECT_TRUE(plan.contains(QStringLiteral("select name from parts where id = 7")));
    EXPECT_TRUE(plan.contains(QStringLiteral("INDEX PATH"))) << plan.toStdString();
    EXPECT_FALSE(plan.contains(QStringLiteral("count(*)")));
}

} // namespace
