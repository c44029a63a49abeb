// SPL interpreter and trigger costs:
//  - SplLoop/0 and /1: 1,000,000 iterations of LET arithmetic and an IF
//    comparison on INTEGER (0) and DECIMAL (1) variables; the counter
//    "stmts/s" counts SPL statements run (FOR step, LET, IF, LET = 3 a turn).
//  - SplForeach vs ClientSelect: 100,000 rows read by a FOREACH that adds a
//    column up, against the same SELECT read through a client cursor.
//  - TriggerInsert vs HandInsert: 100,000 single-row INSERTs in one
//    transaction into a table whose FOR EACH ROW trigger writes an audit
//    row, against the same INSERT plus the audit INSERT issued by hand.
//    (TriggerInsert - HandInsert) / rows is the trigger's own overhead.
//  - SplCompile/N: the first call of a routine of N LET statements in a new
//    session, which compiles it (running N native LETs costs microseconds).
//    peak_rss_mb is the resident peak during the case alone (Linux: reset
//    through /proc/self/clear_refs); time and memory should both grow
//    linearly in N (goal: 50,000 statements in under a second).
// --benchmark_filter=SplCompile skips the 100,000-row fixture.
#include "peakrss.h"
#include "engine/engine.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace quodlin::engine;
namespace fs = std::filesystem;

namespace {

constexpr int kLoopTurns = 1000000;
constexpr int kRows = 100000;

struct Fixture {
    fs::path dir;
    std::string path;
    std::unique_ptr<Session> s;
    Fixture()
    {
        dir = fs::temp_directory_path() / ("quodlin_spl_bench_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        path = (dir / "bench.db").string();
        Session::createDatabase(path, "bench");
        s = Session::open(path, "bench");
        s->execute("create table rows100k (id integer, price decimal(10,2))");
        s->execute("create table trg (id integer, name char(10))");
        s->execute("create table hand (id integer, name char(10))");
        s->execute("create table audit (id integer, name char(10))");
        s->execute("create trigger trg_audit insert on trg referencing new as n"
                   " for each row (insert into audit values (n.id, n.name))");
        s->execute("create procedure loop_int(n integer) returning integer;"
                   " define i, c integer; define a int8; let a = 0; let c = 0;"
                   " for i = 1 to n let a = a + i * 2 - 1; if a > i then let c = c + 1; end if; end for;"
                   " return c; end procedure");
        s->execute("create procedure loop_dec(n integer) returning integer;"
                   " define i, c integer; define a decimal(16,2); let a = 0; let c = 0;"
                   " for i = 1 to n let a = a + 1.25; if a > i then let c = c + 1; end if; end for;"
                   " return c; end procedure");
        s->execute("create procedure sum_rows() returning decimal(16,2);"
                   " define p, total decimal(16,2); let total = 0;"
                   " foreach select price into p from rows100k let total = total + p; end foreach;"
                   " return total; end procedure");
        s->execute("begin work");
        auto ins = s->prepare("insert into rows100k values (?, ?)");
        for (int i = 0; i < kRows; ++i) {
            ins->bind(0, Value::fromInt(i));
            ins->bind(1, Value::fromText(std::to_string(i % 1000) + ".25"));
            ins->execute();
        }
        s->execute("commit work");
    }
    ~Fixture()
    {
        s.reset();
        fs::remove_all(dir);
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void SplLoop(benchmark::State &state)
{
    Session &s = *fixture().s;
    auto q = s.prepare(state.range(0) ? "execute procedure loop_dec(?)" : "execute procedure loop_int(?)");
    for (auto _ : state) {
        q->bind(0, Value::fromInt(kLoopTurns));
        q->execute();
        q->next();
        benchmark::DoNotOptimize(q->value(0).integer);
        q->close();
    }
    state.counters["stmts/s"] = benchmark::Counter(3.0 * kLoopTurns, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(SplLoop)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void SplForeach(benchmark::State &state)
{
    Session &s = *fixture().s;
    auto q = s.prepare("execute procedure sum_rows()");
    for (auto _ : state) {
        q->execute();
        q->next();
        benchmark::DoNotOptimize(q->value(0).text);
        q->close();
    }
}
BENCHMARK(SplForeach)->Unit(benchmark::kMillisecond);

void ClientSelect(benchmark::State &state)
{
    Session &s = *fixture().s;
    auto q = s.prepare("select price from rows100k");
    for (auto _ : state) {
        q->execute();
        std::size_t n = 0;
        while (q->next())
            n += q->value(0).text.size();
        benchmark::DoNotOptimize(n);
        q->close();
    }
}
BENCHMARK(ClientSelect)->Unit(benchmark::kMillisecond);

void insertRows(benchmark::State &state, bool byHand)
{
    Session &s = *fixture().s;
    auto ins = s.prepare(byHand ? "insert into hand values (?, ?)" : "insert into trg values (?, ?)");
    auto audit = s.prepare("insert into audit values (?, ?)");
    for (auto _ : state) {
        s.execute("begin work");
        for (int i = 0; i < kRows; ++i) {
            const Value id = Value::fromInt(i), name = Value::fromText("row");
            ins->bind(0, id);
            ins->bind(1, name);
            ins->execute();
            if (byHand) {
                audit->bind(0, id);
                audit->bind(1, name);
                audit->execute();
            }
        }
        s.execute("rollback work");
    }
    state.counters["us/row"] = benchmark::Counter(double(kRows) / 1e6, benchmark::Counter::kIsIterationInvariantRate
                                                                        | benchmark::Counter::kInvert);
}

void TriggerInsert(benchmark::State &state) { insertRows(state, false); }
void HandInsert(benchmark::State &state) { insertRows(state, true); }
BENCHMARK(TriggerInsert)->Unit(benchmark::kMillisecond);
BENCHMARK(HandInsert)->Unit(benchmark::kMillisecond);

using quodlin::bench::peakRssMb;
using quodlin::bench::resetPeakRss;

void SplCompile(benchmark::State &state)
{
    const int statements = static_cast<int>(state.range(0));
    const fs::path dir = fs::temp_directory_path() / ("quodlin_spl_compile_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "compile.db").string();
    fs::remove(path);
    Session::createDatabase(path, "bench");
    std::string text = "create procedure long_one() returning integer; define a integer; let a = 0;";
    for (int i = 0; i < statements; ++i)
        text += " let a = a + " + std::to_string(i % 7) + ";";
    text += " return a; end procedure";
    Session::open(path, "bench")->execute(text);
    resetPeakRss();
    for (auto _ : state) {
        state.PauseTiming();
        auto s = Session::open(path, "bench");
        state.ResumeTiming();
        auto q = s->prepare("execute procedure long_one()");
        q->execute();
        q->next();
        benchmark::DoNotOptimize(q->value(0).integer);
        q.reset();
        state.PauseTiming();
        s.reset();
        state.ResumeTiming();
    }
    state.counters["peak_rss_mb"] = peakRssMb();
    fs::remove_all(dir);
}
BENCHMARK(SplCompile)->Arg(8000)->Arg(16000)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
