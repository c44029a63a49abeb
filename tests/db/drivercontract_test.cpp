// What every driver owes the access layer, run against the embedded engine
// and against a real ODBC driver (SQLite's, set up by odbcdriver_test.cpp):
// parameters and types, row counts, statements without rows, server errors,
// live results written back by key, interrupting a running statement, the
// client's LOAD and UNLOAD, and the user's own transaction statements.
#include "db/dbdatabase.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "db/dbrowreader.h"
#include "db/dbsession.h"
#include "db/embeddeddriver.h"
#include "db/odbcdriver.h"
#include "engine/engine.h"
#include "workspace/loadunload.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

using namespace quodlin;

namespace quodlin::test {
bool SqliteOdbcReady();  // the ini files of odbcdriver_test.cpp are in place
}

namespace {

enum class Driver { Embedded, Odbc };

class DriverContract : public ::testing::TestWithParam<Driver> {
protected:
    void SetUp() override
    {
        m_session = std::make_unique<DbSession>(m_dir.filePath("aliases.conf"));
        m_db = std::make_unique<DbDatabase>(*m_session);
        m_db->setDatabaseName("Contract");
        if (odbc()) {
            if (!test::SqliteOdbcReady())
                GTEST_SKIP() << "SQLite ODBC driver (libsqliteodbc) is not installed";
            m_session->registerDriver(std::make_unique<OdbcDriver>());
            m_db->setAliasName("qtest");
            m_db->open();
            run("drop table if exists items");
            run("drop table if exists parts");
        } else {
            auto driver = std::make_unique<EmbeddedDriver>(m_dir.filePath("databases"));
            QDir().mkpath(m_dir.filePath("databases"));
            engine::Session::createDatabase(driver->databasePath("shop").toStdString(), "tester");
            m_session->registerDriver(std::move(driver));
            m_db->setDriverName("INFORMIX");
            m_db->setParams({"SERVER NAME=local", "DATABASE NAME=shop", "USER NAME=tester", "PASSWORD="});
            m_db->open();
        }
        run("create table items (id integer primary key, name varchar(10), code char(6),"
            " born date, price decimal(8,2), ratio float)");
        run("create table parts (item integer, part varchar(10))");
    }
    bool odbc() const { return GetParam() == Driver::Odbc; }
    std::unique_ptr<DbQuery> query(const QString &sql)
    {
        auto q = std::make_unique<DbQuery>(*m_session);
        q->setDatabaseName("Contract");
        q->setSql(sql);
        return q;
    }
    void run(const QString &sql) { query(sql)->execSQL(); }
    QString text(const QString &select)
    {
        auto q = query(select);
        q->open();
        return q->isEmpty() ? QStringLiteral("<none>") : q->field(0).displayText();
    }
    QStringList key(const char *table) { return m_db->connection()->uniqueKey({}, QLatin1String(table)); }

    QTemporaryDir m_dir;
    std::unique_ptr<DbSession> m_session;
    std::unique_ptr<DbDatabase> m_db;
};

TEST_P(DriverContract, ParametersTypesNullsAndBlanks)
{
    auto ins = query("insert into items values (:id, :name, :code, :born, :price, :ratio)");
    ins->setParam("id", 1);
    ins->setParam("NAME", QString(""));
    ins->setParam("code", QString("ab   "));
    ins->setParam("born", QDate(2024, 2, 29));
    ins->setParam("price", QString("12.5"));
    ins->setParam("ratio", 0.25);
    ins->execSQL();
    EXPECT_EQ(ins->rowsAffected(), 1);
    ins->setParam("id", 2);
    ins->setParam("name", QVariant());
    ins->execSQL();
    auto update = query("update items set ratio = 0.25 where id < 3");
    update->execSQL();
    EXPECT_EQ(update->rowsAffected(), 2);  // the windows' "2 row(s) updated."

    auto q = query("select id, name, code, born, price, ratio from items where id = :id or id = :id + 1 order by id");
    q->setParam("id", 1);
    q->open();
    ASSERT_EQ(q->fieldCount(), 6);
    EXPECT_EQ(q->field(0).type(), DbFieldType::Integer);
    EXPECT_EQ(q->field(1).type(), DbFieldType::String);
    EXPECT_EQ(q->field(3).type(), DbFieldType::Date);
    // SQLite's driver reports DECIMAL as text, without its scale.
    EXPECT_EQ(q->field(4).displayText(), odbc() ? QStringLiteral("12.5") : QStringLiteral("12.50"));
    EXPECT_EQ(q->fieldByName("born").displayText(), QStringLiteral("02/29/2024"));
    EXPECT_EQ(q->fieldByName("code").displayText(), QStringLiteral("ab"));
    EXPECT_FALSE(q->fieldByName("name").isNull());
    EXPECT_EQ(q->fieldByName("ratio").displayText(), QStringLiteral("0.25"));
    q->next();
    EXPECT_FALSE(q->eof());
    EXPECT_TRUE(q->fieldByName("name").isNull());
    EXPECT_EQ(q->fieldByName("name").displayText(), QString());
    q->next();
    EXPECT_TRUE(q->eof());
    EXPECT_EQ(q->fieldByName("id").value().toInt(), 2);  // stays on the last row
    EXPECT_EQ(q->findField("nothing"), nullptr);
    EXPECT_THROW(q->fieldByName("nothing"), DbError);
    // A parameter without a value, and one the statement does not have.
    auto missing = query("select * from items where id = :id");
    EXPECT_THROW(missing->open(), DbError);
    EXPECT_THROW(missing->setParam("other", 1), DbError);
}

// A row reader gives what the fields' values give, from a forward-only
// walk's cells and from kept rows alike, NULLs and calculated fields included.
TEST_P(DriverContract, RowReaderGivesWhatTheFieldsGive)
{
    auto ins = query("insert into items values (:id, :name, :code, :born, :price, :ratio)");
    for (int id : {1, 2}) {
        ins->setParam("id", id);
        ins->setParam("name", id == 1 ? QVariant(QString::fromUtf8("caf\xc3\xa9")) : QVariant());
        ins->setParam("code", QString("ab   "));
        ins->setParam("born", id == 1 ? QVariant(QDate(2024, 2, 29)) : QVariant());
        ins->setParam("price", QString("-12.5"));
        ins->setParam("ratio", id == 1 ? QVariant(0.25) : QVariant());
        ins->execSQL();
    }
    for (bool forwardOnly : {true, false}) {
        auto q = query("select id, name, code, born, price, ratio from items order by id");
        q->setForwardOnly(forwardOnly);
        q->addCalculatedField("twice", {}, 8, [](const DbRowRef &row) { return QString::number(row.value("id").toInt() * 2); });
        q->open();
        const DbRowReader reader(*q);
        int rows = 0;
        for (q->first(); !q->eof(); q->next(), ++rows)
            for (const char *name : {"id", "name", "code", "born", "price", "ratio", "twice"}) {
                const QVariant value = q->fieldByName(QLatin1String(name)).value();
                EXPECT_EQ(reader.text(name), value.toString()) << name;
                EXPECT_EQ(reader.integer(name), value.toInt()) << name;
                EXPECT_EQ(reader.value(name), value) << name;
            }
        EXPECT_EQ(rows, 2);
        EXPECT_THROW(reader.text("nothing"), DbError);
    }
}

TEST_P(DriverContract, StatementWithoutRowsRunsAndSignals)
{
    auto q = query("insert into parts values (1, 'bolt')");
    try {
        q->open();
        FAIL() << "opened";
    } catch (const DbNoResultSet &e) {
        EXPECT_EQ(e.message(), kNoResultSetMessage);
    }
    EXPECT_FALSE(q->isOpen());
    EXPECT_EQ(text("select count(*) from parts"), QStringLiteral("1"));
}

TEST_P(DriverContract, ServerErrorBecomesTheStack)
{
    auto q = query("select nosuchcolumn from items");
    try {
        q->open();
        FAIL() << "opened";
    } catch (const DbEngineError &e) {
        ASSERT_GE(e.stack().size(), 1);
        EXPECT_TRUE(e.stack()[0].message.contains("nosuchcolumn")) << e.stack()[0].message.toStdString();
        EXPECT_FALSE(m_db->sqlca().sqlerrm.isEmpty());
        EXPECT_TRUE(e.message().contains(m_db->sqlca().sqlerrm)) << m_db->sqlca().sqlerrm.toStdString();
        EXPECT_EQ(m_db->errorOffset(), e.errorOffset());
    }
    EXPECT_THROW(q->field(0), DbError);  // closed
}

TEST_P(DriverContract, LiveResultsFindTheKeyWriteBackAndRefuseChangedRows)
{
    EXPECT_EQ(key("items"), QStringList({"id"}));
    EXPECT_EQ(key("parts"), QStringList());
    run("create unique index parts_u on parts (part, item)");
    EXPECT_EQ(key("parts"), QStringList({"part", "item"}));  // in the index's order

    run("insert into items (id, name, code) values (1, 'one', 'a')");
    run("insert into items (id, name, code) values (2, 'two', 'b')");
    const auto nameOf = [this](int id) { return text(QStringLiteral("select name from items where id = %1").arg(id)); };
    auto live = query("select id, name, code from items order by id");
    live->setLive(true);
    live->open();
    ASSERT_TRUE(live->canModify());
    live->edit();
    live->setFieldValue("name", "uno");
    live->next();  // moving posts
    EXPECT_EQ(nameOf(1), QStringLiteral("uno"));
    live->append();
    live->setFieldValue("id", 3);
    live->setFieldValue("name", "three");
    live->post();
    EXPECT_EQ(nameOf(3), QStringLiteral("three"));
    live->first();
    live->next();
    live->deleteRecord();
    EXPECT_EQ(nameOf(2), QStringLiteral("<none>"));
    EXPECT_EQ(live->fieldByName("id").value().toInt(), 3);
    live->edit();
    live->setFieldValue("name", "x");
    live->cancel();
    EXPECT_EQ(live->fieldByName("name").displayText(), QStringLiteral("three"));

    // Rows someone else changed or deleted meanwhile are refused and kept.
    run("update items set name = 'theirs' where id = 1");
    live->first();
    live->setFieldValue("name", "mine");
    EXPECT_THROW(live->post(), DbError);
    live->cancel();
    EXPECT_EQ(nameOf(1), QStringLiteral("theirs"));
    run("delete from items where id = 3");
    live->last();
    EXPECT_THROW(live->deleteRecord(), DbError);

    // Only a plain read of one table, and only when asked for, is live.
    auto joined = query("select id, name from items where id = 1 union select id, name from items where id = 2");
    joined->setLive(true);
    joined->open();
    EXPECT_FALSE(joined->canModify());
    EXPECT_THROW(joined->edit(), DbError);
    auto plain = query("select * from items");
    plain->open();
    EXPECT_FALSE(plain->canModify());
}

TEST_P(DriverContract, InterruptStopsTheRunningStatementAndTheConnectionStays)
{
    auto q = query(odbc() ? "with recursive n(i) as (select 1 union all select i + 1 from n where i < 200000000)"
                            " select count(*) from n"
                          : "select count(*) from syscolumns a, syscolumns b, syscolumns c");
    std::thread stopper([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        m_db->interrupt();
    });
    const auto started = std::chrono::steady_clock::now();
    try {
        q->open();
        q->field(0).value();
        ADD_FAILURE() << "not interrupted";
    } catch (const DbEngineError &e) {
        if (odbc())
            EXPECT_TRUE(e.message().contains("interrupt", Qt::CaseInsensitive)) << e.message().toStdString();
        else
            EXPECT_EQ(e.nativeCode(), -213);
    }
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(text("select count(*) from items"), QStringLiteral("0"));
}

// UNLOAD and LOAD are run by the client over any driver: every escape, the
// blanks of VARCHAR and bytes that are not UTF-8 come back unchanged, and a
// row the table refuses is named by its line and leaves nothing loaded.
TEST_P(DriverContract, LoadAndUnloadRoundTripAndABadRowLeavesNothing)
{
    const auto client = [this](const QString &statement) {
        return RunClientStatement(*m_session, QStringLiteral("Contract"), *ParseClientStatement(statement));
    };
    const auto write = [](const QString &path, const QByteArray &bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    const QByteArray rows("|two\\\nlines\\\\|\n1|a\\|b|\n2|\\ |\n3||\n4|ab  |\n5|caf\xe9|\n");
    const QString in = m_dir.filePath("in.unl"), out = m_dir.filePath("out.unl");
    ASSERT_TRUE(write(in, rows));
    EXPECT_EQ(client("load from '" + in + "' insert into parts").message, QStringLiteral("6 row(s) loaded."));
    EXPECT_EQ(client("unload to '" + out + "' select * from parts order by item").rows, 6);
    QFile unloaded(out);
    ASSERT_TRUE(unloaded.open(QIODevice::ReadOnly));
    EXPECT_EQ(unloaded.readAll(), rows);

    run("insert into items (id, name) values (1, 'old')");
    ASSERT_TRUE(write(in, "10|new|\n1|taken|\n"));
    try {
        client("load from '" + in + "' insert into items (id, name)");
        ADD_FAILURE() << "loaded";
    } catch (const DbError &e) {
        EXPECT_TRUE(DbErrorReport(e, "test").contains("LOAD stopped at line 2")) << DbErrorReport(e, "test").toStdString();
    }
    EXPECT_EQ(text("select count(*) from items"), QStringLiteral("1"));
}

TEST_P(DriverContract, TheUsersTransactionStatements)
{
    const auto code = [this](const char *sql) {
        try {
            run(QLatin1String(sql));
        } catch (const DbEngineError &e) {
            return e.nativeCode();
        }
        return 0;
    };
    EXPECT_EQ(code("commit work"), -255);
    EXPECT_EQ(code("BEGIN  WORK"), 0);
    EXPECT_EQ(code("begin"), -535);
    run("insert into items (id, name) values (2, 'gone')");
    EXPECT_EQ(code("rollback"), 0);
    EXPECT_EQ(text("select count(*) from items"), QStringLiteral("0"));
}

INSTANTIATE_TEST_SUITE_P(Drivers, DriverContract, ::testing::Values(Driver::Embedded, Driver::Odbc),
                         [](const auto &info) { return std::string(info.param == Driver::Odbc ? "Odbc" : "Embedded"); });

} // namespace
