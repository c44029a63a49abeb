// A 3-level CONNECT BY over 100,000 rows (100 roots, 9,900 rows below them,
// 90,000 below those) in the embedded engine against the recursive query
// that gives the same rows in the same depth-first order run directly on
// SQLite. The engine also carries each row's path for its loop test. Run
// both alternated (--benchmark_repetitions=3
// --benchmark_enable_random_interleaving) and compare CPU time.
#include "benchscale.h"
#include "engine/engine.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

using namespace quodlin::engine;
namespace fs = std::filesystem;

namespace {

using quodlin::bench::benchScale;
const int kRows = 100000 / benchScale();

struct Fixture {
    std::string path;
    Fixture()
    {
        fs::path dir = fs::temp_directory_path() / ("quodlin_connect_by_bench_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        path = (dir / "bench.db").string();
        Session::createDatabase(path, "bench");
        auto s = Session::open(path, "bench");
        s->execute("create table h (id integer, p integer, name varchar(20))");
        s->execute("create index h_p on h (p)");
        sqlite3 *db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO h VALUES (?1, ?2, ?3)", -1, &st, nullptr);
        const int roots = kRows / 1000, middle = kRows / 10;
        for (int i = 0; i < kRows; ++i) {
            sqlite3_bind_int(st, 1, i);
            if (i < roots) sqlite3_bind_null(st, 2);
            else sqlite3_bind_int(st, 2, i < middle ? i % roots : roots + i % (middle - roots));
            sqlite3_bind_text(st, 3, ("node " + std::to_string(i)).c_str(), -1, SQLITE_TRANSIENT);
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

void RawSqliteRecursive(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    sqlite3_open(fixture().path.c_str(), &db);
    const char *sql = "WITH RECURSIVE r (id, name, lvl) AS (SELECT id, name, 1 FROM h WHERE p IS NULL"
                      " UNION ALL SELECT h.id, h.name, r.lvl + 1 FROM r JOIN h ON h.p = r.id ORDER BY 3 DESC)"
                      " SELECT id, name, lvl FROM r";
    std::int64_t rows = 0;
    for (auto _ : state) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_text(st, 1));
            ++rows;
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    state.SetItemsProcessed(rows);
}

void EngineConnectBy(benchmark::State &state)
{
    auto s = Session::open(fixture().path, "bench");
    std::int64_t rows = 0;
    for (auto _ : state) {
        auto st = s->prepare("select id, name, level from h start with p is null connect by prior id = p");
        st->execute();
        while (st->next()) {
            benchmark::DoNotOptimize(st->value(1).text.data());
            ++rows;
        }
    }
    state.SetItemsProcessed(rows);
}

} // namespace

BENCHMARK(RawSqliteRecursive)->Unit(benchmark::kMillisecond);
BENCHMARK(EngineConnectBy)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
