// The query history store: round trip with the filters, the bound, the
// secret rule, two processes writing at once, and a broken store that the
// recorder shrugs off.
#include "app/settingdefs.h"
#include "app/settings.h"
#include "workspace/queryhistory.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

using namespace quodlin;

namespace {

HistoryEntry entry(const QString &text, const QString &connection = QStringLiteral("demo"),
                   HistoryOutcome outcome = HistoryOutcome::Ok)
{
    HistoryEntry e;
    e.text = text;
    e.connection = connection;
    e.started = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 89), Qt::UTC);
    e.outcome = outcome;
    return e;
}

QStringList texts(const QList<HistoryEntry> &entries)
{
    QStringList list;
    for (const HistoryEntry &e : entries)
        list << e.text;
    return list;
}

class QueryHistoryTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("history.db"));
};

TEST_F(QueryHistoryTest, RoundTripFiltersRemoveAndClear)
{
    HistoryStore store(path);
    HistoryEntry failed = entry(QStringLiteral("select nosuch\nfrom parts"), QStringLiteral("local\\shop"),
                                HistoryOutcome::Error);
    failed.durationMs = 1234;
    failed.rows = 100;
    failed.moreRows = true;
    failed.errorCode = -217;
    failed.errorMessage = QStringLiteral("Column (nosuch) not found in any table in the query (or SLV is undefined).");
    store.add(entry(QStringLiteral("SELECT 100% FROM customer")), 10);
    store.add(failed, 10);
    store.add(entry(QStringLiteral("update parts set a_b = 1"), QStringLiteral("demo"), HistoryOutcome::Stopped), 10);

    const QList<HistoryEntry> all = store.find();
    ASSERT_EQ(all.size(), 3);
    const HistoryEntry &back = all[1];
    EXPECT_EQ(back.text, failed.text);
    EXPECT_EQ(back.connection, failed.connection);
    EXPECT_EQ(back.started, failed.started);
    EXPECT_EQ(back.durationMs, 1234);
    EXPECT_EQ(HistoryRowsText(back), QStringLiteral("100+ rows"));
    EXPECT_EQ(HistoryOutcomeText(back), QStringLiteral("error -217: ") + failed.errorMessage);
    EXPECT_EQ(HistoryRowsText(all[0]), QString());
    EXPECT_EQ(HistoryOutcomeText(all[0]), QStringLiteral("stopped"));

    const auto found = [&](const char *text, const char *connection = "",
                           std::optional<HistoryOutcome> outcome = std::nullopt, int limit = 0) {
        HistoryFilter filter;
        filter.text = QString::fromUtf8(text);
        filter.connection = QString::fromUtf8(connection);
        filter.outcome = outcome;
        filter.limit = limit;
        return texts(store.find(filter));
    };
    EXPECT_EQ(found("FROM"), QStringList({failed.text, QStringLiteral("SELECT 100% FROM customer")}));
    // LIKE's wildcards are plain characters of the text searched for.
    EXPECT_EQ(found("0%"), QStringList({QStringLiteral("SELECT 100% FROM customer")}));
    EXPECT_EQ(found("a_b"), QStringList({QStringLiteral("update parts set a_b = 1")}));
    EXPECT_EQ(found("", "local\\shop"), QStringList({failed.text}));
    EXPECT_EQ(found("", "", HistoryOutcome::Stopped), QStringList({QStringLiteral("update parts set a_b = 1")}));
    EXPECT_EQ(found("", "", std::nullopt, 1), QStringList({QStringLiteral("update parts set a_b = 1")}));
    EXPECT_EQ(store.connections(), QStringList({QStringLiteral("demo"), QStringLiteral("local\\shop")}));

    store.remove({all[0].id, all[2].id});
    EXPECT_EQ(texts(store.find()), QStringList({failed.text}));
    store.clear();
    EXPECT_TRUE(store.find().isEmpty());
    EXPECT_EQ(QFile::permissions(path) & 0x0077, 0) << "readable by its owner only, like the settings";
}

TEST_F(QueryHistoryTest, KeepsTheNewestEntriesOfTheBound)
{
    HistoryStore store(path);
    for (int i = 1; i <= 25; ++i)
        store.add(entry(QStringLiteral("select %1").arg(i)), 10);
    const QStringList kept = texts(store.find());
    ASSERT_EQ(kept.size(), 10);
    EXPECT_EQ(kept.first(), QStringLiteral("select 25"));
    EXPECT_EQ(kept.last(), QStringLiteral("select 16"));
    // A smaller bound takes effect with the next entry.
    store.add(entry(QStringLiteral("select 26")), 3);
    EXPECT_EQ(texts(store.find()), QStringList({QStringLiteral("select 26"), QStringLiteral("select 25"),
                                                QStringLiteral("select 24")}));
}

struct SecretCase {
    const char *name;
    const char *sql;
    const char *kept;  // nullptr: kept as it is
};

class SecretRule : public ::testing::TestWithParam<SecretCase> {};

TEST_P(SecretRule, LiteralsOfSecretStatementsAreReplaced)
{
    const SecretCase &c = GetParam();
    const QString sql = QString::fromUtf8(c.sql);
    EXPECT_EQ(RedactSecrets(sql), c.kept ? QString::fromUtf8(c.kept) : sql);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, SecretRule,
    ::testing::Values(
        SecretCase{"Ordinary", "select * from users where name = 'ann' and id = 4", nullptr},
        SecretCase{"PasswordWordInAComment", "select 'x' from t -- password reset\n", nullptr},
        SecretCase{"PasswordWordInABraceComment", "select { PASSWORD } 'x' from t", nullptr},
        SecretCase{"PasswordInsideAString", "insert into notes values ('my password is 42')", nullptr},
        SecretCase{"PartOfAName", "select user_password, 'x' from t", nullptr},
        SecretCase{"CreateUserWithPassword", "CREATE USER bob WITH PASSWORD 'S3cr#t'",
                   "CREATE USER bob WITH PASSWORD ?"},
        SecretCase{"LowerCaseAndNumbers", "alter user bob modify password 'x''y' properties uid 1001",
                   "alter user bob modify password ? properties uid ?"},
        SecretCase{"IdentifiedBy", "create user u identified\n  by \"pw\"; select 1.5e3 from t",
                   "create user u identified\n  by ?; select ? from t"},
        SecretCase{"StringOverSeveralLines", "connect to 'db' user 'u' password 'line1\nline2' -- '7'",
                   "connect to ? user ? password ? -- '7'"},
        SecretCase{"ColumnCalledPassword", "update users set password = 'hunter2' where id = 7",
                   "update users set password = ? where id = ?"}),
    [](const auto &info) { return std::string(info.param.name); });

// Two programs recording at the same moment: neither loses an entry.
TEST_F(QueryHistoryTest, TwoProcessesWriteAtOnceWithoutLosingEntries)
{
    constexpr int kEach = 150;
    HistoryStore(path).add(entry(QStringLiteral("first")), 10000);
    const auto write = [&](const char *who) {
        HistoryStore store(path);
        for (int i = 0; i < kEach; ++i)
            store.add(entry(QStringLiteral("%1 %2").arg(QLatin1String(who)).arg(i)), 10000);
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int status = 0;
        try {
            write("child");
        } catch (...) {
            status = 1;
        }
        _exit(status);
    }
    write("parent");
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const QStringList all = texts(HistoryStore(path).find());
    EXPECT_EQ(all.size(), 2 * kEach + 1);
    for (int i = 0; i < kEach; ++i) {
        EXPECT_TRUE(all.contains(QStringLiteral("child %1").arg(i))) << i;
        EXPECT_TRUE(all.contains(QStringLiteral("parent %1").arg(i))) << i;
    }
}

// A store that cannot be written (a folder in its place) is the run's
// business of nobody: recording returns at once and raises nothing; reading
// it names the reason.
TEST_F(QueryHistoryTest, ABrokenStoreNeitherFailsNorHoldsTheRecorder)
{
    WaitForHistory();
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(HistoryStorePath() + QLatin1String(suffix));
    ASSERT_TRUE(QDir().mkpath(HistoryStorePath()));
    EXPECT_NO_THROW(RecordHistory(entry(QStringLiteral("select 1"))));
    WaitForHistory();
    EXPECT_THROW(HistoryStore().find(), HistoryError);
    QDir(HistoryStorePath()).removeRecursively();

    // History Size 0 keeps nothing.
    Settings::write(Settings::HistorySize, 0);
    RecordHistory(entry(QStringLiteral("select 2")));
    WaitForHistory();
    EXPECT_TRUE(HistoryStore().find().isEmpty());
    Settings::write(Settings::HistorySize, Settings::HistorySize.def);
}

} // namespace
