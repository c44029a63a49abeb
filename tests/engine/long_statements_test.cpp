// Generated statements far longer than people type (OR lists, sums and
// UNIONs of thousands of terms) run and give the right answer, checked
// against a reference computed here; the limits that remain fail with an
// error that names them, never -999.
#include "engine/engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <set>

#include <pthread.h>

using namespace quodlin::engine;
namespace fs = std::filesystem;

namespace {

class LongStatements : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const char *home = std::getenv("QUODLIN_HOME");
        s_path = (fs::path(home ? home : fs::temp_directory_path().string()) / "long_statements.db").string();
        fs::remove(s_path);
        Session::createDatabase(s_path, "tester");
        s_session = Session::open(s_path, "tester").release();
        s_session->execute("create table n (v integer, w integer)");
        auto insert = s_session->prepare("insert into n values (?, ?)");
        for (int i = 0; i < 100; ++i) {
            insert->bind(0, Value::fromInt(i));
            insert->bind(1, Value::fromInt(i % 7));
            insert->execute();
        }
    }
    static void TearDownTestSuite()
    {
        delete s_session;
        fs::remove(s_path);
    }

    // The first column of the rows as text, one row per line.
    static std::string rows(const std::string &sql)
    {
        auto q = s_session->prepare(sql);
        q->execute();
        std::string out;
        while (q->next())
            out += displayText(q->value(0), q->columns()[0], s_session->environment()) + "\n";
        return out;
    }

    static int errorOf(const std::string &sql)
    {
        try {
            rows(sql);
        } catch (const EngineError &e) {
            return e.sqlCode();
        }
        return 0;
    }

    static std::string s_path;
    static Session *s_session;
};

std::string LongStatements::s_path;
Session *LongStatements::s_session = nullptr;

std::string joined(int n, const std::function<std::string(int)> &term, const std::string &op)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += (i ? op : "") + term(i);
    return out;
}

TEST_F(LongStatements, ChainsOfTenThousandTerms)
{
    // Signs at random: the balanced tree must keep a - b + c as written.
    std::mt19937 random(7);
    long long sum = 0;
    std::string sumSql = "select ";
    for (int i = 0; i < 10000; ++i) {
        const int v = int(random() % 1000);
        const bool minus = i > 0 && random() % 2;
        sum += minus ? -v : v;
        sumSql += (i == 0 ? "" : minus ? " - " : " + ") + std::to_string(v);
    }
    EXPECT_EQ(rows(sumSql + " from n where v = 0"), std::to_string(sum) + "\n");

    EXPECT_EQ(rows("select v * " + joined(10000, [](int) { return std::string("1"); }, " * ") + " from n where v = 3"),
              "3\n");

    // AND and OR chains of every shape are the seeded check's (chain_fuzz_test);
    // this one only goes past two levels of regrouping.
    EXPECT_EQ(rows("select count(*) from n where "
                   + joined(10000, [](int i) { return "v = " + std::to_string(i % 50); }, " or ")),
              "50\n");
    EXPECT_EQ(rows("select count(*) from n where v in (" + joined(10000, [](int i) { return std::to_string(i * 2); }, ", ")
                   + ")"),
              "50\n");
    EXPECT_EQ(rows("select length(" + joined(3000, [](int) { return std::string("'ab'"); }, " || ")
                   + ") from n where v = 0"),
              "6000\n");
    // Runs of NOT and of signs, odd and even.
    std::string nots;
    for (int i = 0; i < 10001; ++i)
        nots += "not ";
    EXPECT_EQ(rows("select count(*) from n where " + nots + "v < 10"), "90\n");
    EXPECT_EQ(rows("select count(*) from n where not " + nots + "v < 10"), "10\n");
    std::string signs;
    for (int i = 0; i < 10000; ++i)
        signs += "- ";
    EXPECT_EQ(rows("select " + signs + "v from n where v = 5"), "5\n");
    EXPECT_EQ(rows("select - " + signs + "v from n where v = 5"), "-5\n");
}

TEST_F(LongStatements, OuterJoinsWithManyConditions)
{
    // Conditions of a query with OUTER tables are placed one by one.
    const std::string sql = "select count(*) from n a, outer n b where a.v = b.v and a.v < 10 and "
        + joined(3000, [](int i) { return "a.v <> " + std::to_string(100 + i); }, " and ");
    EXPECT_EQ(rows(sql), "10\n");
}

TEST_F(LongStatements, UnionsOfMoreSelectsThanSqliteTakes)
{
    // A UNION removes the duplicates of everything before it; the UNION ALLs
    // after the last UNION keep theirs.
    std::mt19937 random(11);
    std::multiset<int> reference;
    std::string sql;
    const int cores = 1200;
    for (int i = 0; i < cores; ++i) {
        const int w = int(random() % 7);
        const bool all = random() % 3 != 0 && i > 0;
        if (i > 0)
            sql += all ? " union all " : " union ";
        sql += "select v from n where v < 20 and w = " + std::to_string(w);
        for (int v = 0; v < 20; ++v)
            if (v % 7 == w)
                reference.insert(v);
        if (!all && i > 0) {
            std::set<int> distinct(reference.begin(), reference.end());
            reference = std::multiset<int>(distinct.begin(), distinct.end());
        }
    }
    std::string expected;
    for (int v : reference)
        expected += std::to_string(v) + "\n";
    EXPECT_EQ(rows(sql + " order by 1"), expected);

    const std::string allSql = joined(cores, [](int i) { return "select " + std::to_string(i) + " from n where v = 0"; },
                                      " union all ");
    EXPECT_EQ(rows("select count(*) from n where v in (" + allSql + ")"), "100\n");
}

// Runs `work` on a thread whose stack is `bytes` long, as a worker thread's
// may be.
void onStack(std::size_t bytes, const std::function<void()> &work)
{
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, bytes);
    pthread_t thread;
    auto call = [](void *w) -> void * {
        (*static_cast<const std::function<void()> *>(w))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, call, const_cast<std::function<void()> *>(&work)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

std::string nested(int n, const std::string &open, const std::string &inner, const std::string &close)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += open;
    out += inner;
    for (int i = 0; i < n; ++i)
        out += close;
    return out;
}

TEST_F(LongStatements, RemainingLimitsAreNamed)
{
    std::string joins = "select count(*) from n t0";
    for (int i = 1; i < 65; ++i)
        joins += ", n t" + std::to_string(i);
    // Quotients are computed in the order written, so a long run of them
    // nests; so do parentheses, function calls and subqueries. Each is
    // refused on a small stack, not only on the main thread's.
    const std::string quotients = "v" + joined(1000, [](int i) { return std::string(i % 2 ? " * 2" : " / 2"); }, "");
    const std::vector<std::string> refused = {
        joins,
        "select " + joined(2001, [](int) { return std::string("v"); }, ", ") + " from n",
        "create table wide (" + joined(2001, [](int i) { return "c" + std::to_string(i) + " integer"; }, ", ") + ")",
        "select " + quotients + " from n",
        "select count(*) from n where v" + joined(150, [](int) { return std::string(" > v"); }, ""),
        "select " + nested(99, "abs(", "v", ")") + " from n",
        "select " + nested(201, "(", "v", ")") + " from n",
        "select " + nested(40, "(select ", "v", " from n where v = 1)") + " from n where v = 1",
        "select count(*) from n where " + nested(40, "exists (select 1 from n where ", "v = 1", ")"),
        nested(40, "select * from (", "select v from n", ")"),
    };
    // AddressSanitizer's frames are about three times larger.
#if defined(__SANITIZE_ADDRESS__)
    constexpr std::size_t kStack = 2048 * 1024;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    constexpr std::size_t kStack = 2048 * 1024;
#else
    constexpr std::size_t kStack = 512 * 1024;
#endif
#else
    constexpr std::size_t kStack = 512 * 1024;
#endif
    onStack(kStack, [&] {
        for (const std::string &sql : refused)
            EXPECT_EQ(errorOf(sql), -9622) << sql.substr(0, 120);
    });
    EXPECT_EQ(rows("select count(*) from systables where tabname = 'wide'"), "0\n");
    try {
        rows(joins);
    } catch (const EngineError &e) {
        EXPECT_NE(e.info().message.find("64 tables"), std::string::npos) << e.info().message;
    }
}

} // namespace
