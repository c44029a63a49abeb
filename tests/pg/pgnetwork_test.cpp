// What a server over the network adds: Stop crossing the socket, the
// connection lost while running and while idle (server stopped, session
// killed) and made anew, a connect that waits only the login timeout, the
// server's SQLSTATE in error reports, the user's transactions.
#include "pgfixture.h"

#include "app/settingdefs.h"
#include "db/dberror.h"

#include <chrono>
#include <thread>

using namespace quodlin;
using namespace quodlin::test;
using Clock = std::chrono::steady_clock;

namespace {

// The failure of running `sql`, or an empty one.
DbEngineError failureOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const DbEngineError &e) {
        return e;
    }
    return DbEngineError({}, {});
}

struct StopCase {
    const char *name;
    const char *sql;
};

class PgStopTest : public PgTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(PgStopTest, EndsWithinASecondAndTheConnectionGoesOn)
{
    auto q = query(QLatin1String(GetParam().sql));
    Clock::time_point stopped;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        stopped = Clock::now();
        m_db->interrupt();
    });
    const DbEngineError e = failureOf([&] { q->open(); });
    const auto ended = Clock::now();
    stopper.join();
    const auto took = ended - stopped;
    ASSERT_FALSE(e.stack().isEmpty()) << "not interrupted";
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_EQ(e.stack().first().sqlState, QStringLiteral("57014")) << e.message().toStdString();
    EXPECT_TRUE(e.message().contains("cancel", Qt::CaseInsensitive)) << e.message().toStdString();
    EXPECT_FALSE(m_db->connectionLost());
    EXPECT_EQ(value("select 41 + 1"), QStringLiteral("42"));
}

INSTANTIATE_TEST_SUITE_P(
    Statements, PgStopTest,
    ::testing::Values(StopCase{"Sleep", "select pg_sleep(30)"},
                      StopCase{"CrossJoin", "select count(*) from generate_series(1, 200000) a,"
                                            " generate_series(1, 200000) b"}),
    [](const auto &info) { return std::string(info.param.name); });

enum class Loss { KilledWhileRunning, KilledWhileIdle, StoppedWhileRunning, StoppedWhileIdle };

class PgLostTest : public PgTest, public ::testing::WithParamInterface<Loss> {
protected:
    // Ends this test's session from a second connection.
    void killSession(const QString &pid)
    {
        DbDatabase other(*m_session);
        other.setDatabaseName(QStringLiteral("killer"));
        other.setAliasName(QLatin1String(PgServer::kDsn));
        other.setParams(PgServer::params());
        DbQuery q(*m_session);
        q.setDatabaseName(QStringLiteral("killer"));
        q.setSql(QStringLiteral("select pg_terminate_backend(") + pid + QLatin1Char(')'));
        q.open();
    }
};

TEST_P(PgLostTest, SaysSoWithoutHangingAndReconnects)
{
    const Loss loss = GetParam();
    const bool killed = loss == Loss::KilledWhileRunning || loss == Loss::KilledWhileIdle;
    const bool running = loss == Loss::KilledWhileRunning || loss == Loss::StoppedWhileRunning;
    const QString pid = value("select pg_backend_pid()");
    auto cut = [&] {
        if (killed) {
            killSession(pid);
        } else {
            EXPECT_EQ(PgEnvironment::server().stop(), QString());
        }
    };
    std::thread cutter;
    if (running) {
        cutter = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            cut();
        });
    } else {
        cut();
    }
    const auto started = Clock::now();
    const DbEngineError e = failureOf([&] { value("select pg_sleep(20), 1"); });
    const auto took = Clock::now() - started;
    if (cutter.joinable())
        cutter.join();
    if (!killed) {
        ASSERT_EQ(PgEnvironment::server().resume(), QString());
    }

    EXPECT_LT(took, std::chrono::seconds(5));
    ASSERT_GE(e.stack().size(), 2) << e.message().toStdString();
    EXPECT_EQ(e.message(), QStringLiteral("The connection to the database server was lost; reconnect to go on."));
    EXPECT_FALSE(e.stack()[1].sqlState.isEmpty());  // the driver's own record follows
    EXPECT_TRUE(m_db->connectionLost());
    m_db->reconnect();
    EXPECT_FALSE(m_db->connectionLost());
    EXPECT_EQ(value("select 41 + 1"), QStringLiteral("42"));
}

std::string lossName(const ::testing::TestParamInfo<Loss> &info)
{
    static const char *const names[] = {"KilledWhileRunning", "KilledWhileIdle", "StoppedWhileRunning",
                                        "StoppedWhileIdle"};
    return names[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Ways, PgLostTest,
                         ::testing::Values(Loss::KilledWhileRunning, Loss::KilledWhileIdle, Loss::StoppedWhileRunning,
                                           Loss::StoppedWhileIdle),
                         lossName);

// A port that takes connections and never answers: the login timeout ends
// the wait. A port nobody listens on is refused at once.
TEST_F(PgTest, ConnectWaitsNoLongerThanTheLoginTimeout)
{
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(silent, 4), 0);
    getsockname(silent, reinterpret_cast<sockaddr *>(&addr), &length);
    auto connectTo = [&](int port) {
        DbDatabase db(*m_session);
        db.setDatabaseName(QStringLiteral("elsewhere"));
        db.setParams({QStringLiteral("CONNECTION STRING=DRIVER={PostgreSQL};Servername=127.0.0.1;Port=%1;"
                                     "Database=postgres").arg(port),
                      QStringLiteral("USER NAME=") + QLatin1String(PgServer::kUser),
                      QStringLiteral("PASSWORD=") + QLatin1String(PgServer::kPassword)});
        db.setDriverName(QStringLiteral("ODBC"));
        return failureOf([&] { db.open(); });
    };
    Settings::write(Settings::LoginTimeout, 2);
    auto started = Clock::now();
    DbEngineError e = connectTo(ntohs(addr.sin_port));
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(4));
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(1500));
    ASSERT_FALSE(e.stack().isEmpty());
    EXPECT_TRUE(e.message().contains("timeout", Qt::CaseInsensitive)) << e.message().toStdString();
    close(silent);

    started = Clock::now();
    e = connectTo(PgServer::freePort());
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(2));
    EXPECT_TRUE(e.message().contains("refused", Qt::CaseInsensitive)) << e.message().toStdString();
    Settings::write(Settings::LoginTimeout, Settings::LoginTimeout.def);
}

TEST_F(PgTest, ErrorReportsCarryTheServersStateAndMessage)
{
    const DbEngineError e = failureOf([&] { run("select * from nosuchtable"); });
    ASSERT_FALSE(e.stack().isEmpty());
    EXPECT_EQ(e.stack().first().sqlState, QStringLiteral("42P01"));
    EXPECT_TRUE(e.message().contains("relation \"nosuchtable\" does not exist")) << e.message().toStdString();
    const QString report = DbErrorReport(e, QStringLiteral("TfrmQuery.ExecSQL"));
    EXPECT_TRUE(report.contains(QStringLiteral("\r\n  SQLSTATE: 42P01\r\n  Error: ") + e.message()))
        << report.toStdString();
    EXPECT_EQ(m_db->sqlca().sqlerrm, e.message());
}

TEST_F(PgTest, UserTransactionsGoThroughTheDriverManager)
{
    run("drop table if exists moves");
    run("create table moves (id integer)");
    DbDatabase other(*m_session);
    other.setDatabaseName(QStringLiteral("other"));
    other.setAliasName(QLatin1String(PgServer::kDsn));
    other.setParams(PgServer::params());
    auto countElsewhere = [&] {
        DbQuery q(*m_session);
        q.setDatabaseName(QStringLiteral("other"));
        q.setSql(QStringLiteral("select count(*) from moves"));
        q.open();
        return q.field(0).value().toInt();
    };
    run("begin work");
    run("insert into moves values (1)");
    EXPECT_EQ(countElsewhere(), 0);
    run("rollback work");
    EXPECT_EQ(value("select count(*) from moves"), QStringLiteral("0"));
    run("BEGIN");
    EXPECT_EQ(failureOf([&] { run("begin"); }).nativeCode(), -535);
    run("insert into moves values (2)");
    run("commit");
    EXPECT_EQ(countElsewhere(), 1);
    EXPECT_EQ(failureOf([&] { run("commit"); }).nativeCode(), -255);
}

} // namespace
