// Sessions on one file on several threads: a statement that writes takes the
// file's write lock before it reads and waits for it as SET LOCK MODE says;
// a statement that gives up leaves nothing behind.
#include "scratch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace quodlin::engine;
using namespace enginetest;
using Clock = std::chrono::steady_clock;

namespace {

class LockWaitTest : public ScratchDatabaseTest {};

struct Outcome {
    int code = 0;
    int isam = 0;
    double seconds = 0;
};

Outcome attempt(Session &s, const std::string &sql)
{
    Outcome o;
    const auto start = Clock::now();
    try {
        s.execute(sql);
    } catch (const EngineError &e) {
        o.code = e.sqlCode();
        o.isam = e.info().isamCode;
    }
    o.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return o;
}

// Runs `work(i)` on `n` threads released together; returns each one's error code.
std::vector<int> together(int n, const std::function<void(int)> &work)
{
    std::atomic<int> ready{0};
    std::vector<int> codes(std::size_t(n), 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < n; ++i)
        threads.emplace_back([&, i] {
            ++ready;
            while (ready < n)
                std::this_thread::yield();
            try {
                work(i);
            } catch (const EngineError &e) {
                codes[std::size_t(i)] = e.sqlCode();
            }
        });
    for (std::thread &t : threads)
        t.join();
    return codes;
}

TEST_F(LockWaitTest, ConcurrentScriptsOfDdlAndDmlAllComplete)
{
    const int kTables = 30;
    auto codes = together(2, [&](int i) {
        auto s = Session::open(m_path, "ann");
        std::string script = "set lock mode to wait 30";
        for (int t = 0; t < kTables; ++t)
            script += "; create table s" + std::to_string(i) + "_" + std::to_string(t) + " (a integer, b char(8))";
        s->execute(script);
    });
    EXPECT_EQ(codes, std::vector<int>({0, 0}));

    // Each INSERT reads the table it writes: run under the lock, no two
    // sessions read the same maximum.
    auto setup = Session::open(m_path, "ann");
    setup->execute("create table seq (n integer unique)");
    codes = together(3, [&](int) {
        auto s = Session::open(m_path, "ann");
        s->execute("set lock mode to wait 30");
        for (int k = 0; k < 40; ++k)
            s->execute("insert into seq select nvl(max(n), 0) + 1 from seq");
    });
    EXPECT_EQ(codes, std::vector<int>({0, 0, 0}));
    EXPECT_EQ(firstInt(*setup, "select count(*) from systables where tabname matches 's[01]_*'"), 2 * kTables);
    EXPECT_EQ(firstInt(*setup, "select count(*) from seq"), 120);
    EXPECT_EQ(firstInt(*setup, "select max(n) from seq"), 120);
}

TEST_F(LockWaitTest, WaitsAsSetLockModeSays)
{
    auto holder = Session::open(m_path, "ann");
    auto other = Session::open(m_path, "ann");
    holder->execute("create table t (a integer)");
    holder->execute("begin work; insert into t values (1)");

    // Refusals while the holder keeps its transaction open.
    struct Refusal {
        const char *mode, *sql;
        int isam;
        double minSeconds, maxSeconds;
    };
    for (const Refusal &r : {Refusal{"not wait", "insert into t select a + 1 from t", -107, 0, 0.5},
                             Refusal{"not wait", "create table u (a integer)", -107, 0, 0.5},
                             Refusal{"not wait", "begin work", -107, 0, 0.5},
                             Refusal{"wait 1", "update t set a = 5", -154, 0.9, 30}}) {
        other->execute(std::string("set lock mode to ") + r.mode);
        const Outcome o = attempt(*other, r.sql);
        EXPECT_EQ(o.code, -244) << r.sql;
        EXPECT_EQ(o.isam, r.isam) << r.sql;
        EXPECT_GE(o.seconds, r.minSeconds) << r.sql;
        EXPECT_LT(o.seconds, r.maxSeconds) << r.sql;
    }
    EXPECT_FALSE(other->inTransaction());
    // The session's own temp tables need no lock of the file.
    EXPECT_EQ(attempt(*other, "create temp table scratch (a integer); insert into scratch select a from t; "
                              "update scratch set a = 2; delete from scratch; drop table scratch").code,
              0);

    // Without a limit the statement waits until Stop, or until the lock is
    // released.
    other->execute("set lock mode to wait");
    for (const bool stop : {true, false}) {
        std::thread later([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            if (stop)
                other->interrupt();
            else
                holder->execute("commit work");
        });
        const Outcome waited = attempt(*other, "insert into t values (4)");
        later.join();
        EXPECT_EQ(waited.code, stop ? -213 : 0);
        EXPECT_GE(waited.seconds, 0.2);
    }

    EXPECT_EQ(firstInt(*other, "select count(*) from t"), 2);
    EXPECT_EQ(firstInt(*other, "select count(*) from systables where tabname = 'u'"), 0);
}

} // namespace
