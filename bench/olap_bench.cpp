// OLAP window functions in the embedded engine against the same window
// query run directly on SQLite: a SUM over partitions and a running SUM
// over 1,000,000 rows. The engine's sums are exact DECIMAL(12,2); SQLite's
// sum() adds the REAL copy of the same amounts. Run both in one program,
// alternated (--benchmark_repetitions=3 --benchmark_enable_random_interleaving),
// so a loaded machine weighs on both alike.
#include "benchscale.h"
#include "engine/engine.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace quodlin::engine;
namespace fs = std::filesystem;

namespace {

using quodlin::bench::benchScale;
const int kRows = 1000000 / benchScale();

struct Fixture {
    std::string path;
    Fixture()
    {
        fs::path dir = fs::temp_directory_path() / ("quodlin_olap_bench_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        path = (dir / "bench.db").string();
        Session::createDatabase(path, "bench");
        Session::open(path, "bench")->execute("create table w (id integer, g integer, amt decimal(12,2), f float)");
        sqlite3 *db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO w VALUES (?1, ?2, ?3, ?4)", -1, &st, nullptr);
        char amount[32];
        for (int i = 0; i < kRows; ++i) {
            const int cents = (i * 7919) % 100000;
            std::snprintf(amount, sizeof amount, "%d.%02d", cents / 100, cents % 100);
            sqlite3_bind_int(st, 1, i);
            sqlite3_bind_int(st, 2, i % 100);
            sqlite3_bind_text(st, 3, amount, -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(st, 4, cents / 100.0);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    ~Fixture() { fs::remove_all(fs::path(path).parent_path()); }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

// range(0): 0 a SUM over each partition, 1 a running SUM in id order.
const char *const kRaw[] = {"SELECT id, sum(f) OVER (PARTITION BY g) FROM w",
                            "SELECT id, sum(f) OVER (ORDER BY id) FROM w"};
const char *const kEngine[] = {"select id, sum(amt) over (partition by g) from w",
                               "select id, sum(amt) over (order by id) from w"};

void RawSqliteWindow(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    sqlite3_open(fixture().path.c_str(), &db);
    for (auto _ : state) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, kRaw[state.range(0)], -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
            benchmark::DoNotOptimize(sqlite3_column_text(st, 1));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * kRows);
}

void EngineWindow(benchmark::State &state)
{
    auto s = Session::open(fixture().path, "bench");
    for (auto _ : state) {
        auto st = s->prepare(kEngine[state.range(0)]);
        st->execute();
        while (st->next())
            benchmark::DoNotOptimize(st->value(1).text.data());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

} // namespace

BENCHMARK(RawSqliteWindow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(EngineWindow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
