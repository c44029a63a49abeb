// MERGE of 100,000 source rows (half of them matching a target row by key,
// half new) against the UPDATE plus INSERT that do the same, both run on
// the embedded engine over the same data; the target is restored before each
// run, outside the timing. Run alternated (--benchmark_repetitions=3
// --benchmark_enable_random_interleaving) and compare CPU time: wall time on
// a loaded machine says little.
#include "benchscale.h"
#include "engine/engine.h"

#include <benchmark/benchmark.h>

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
        fs::path dir = fs::temp_directory_path() / ("quodlin_merge_bench_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        path = (dir / "bench.db").string();
        Session::createDatabase(path, "bench");
        auto s = Session::open(path, "bench");
        s->execute("create table t0 (id integer, v decimal(12,2))");
        s->execute("create table t (id integer, v decimal(12,2))");
        s->execute("create unique index t_id on t (id)");
        s->execute("create table s (k integer, v decimal(12,2))");
        s->execute("create unique index s_k on s (k)");
        s->execute("begin work");
        auto t0 = s->prepare("insert into t0 values (?, ?)");
        auto src = s->prepare("insert into s values (?, ?)");
        for (int i = 0; i < kRows; ++i) {
            t0->bind(0, Value::fromInt(i));
            t0->bind(1, Value::fromText(std::to_string(i % 1000) + ".25"));
            t0->execute();
            src->bind(0, Value::fromInt(i + kRows / 2));
            src->bind(1, Value::fromText(std::to_string(i % 777) + ".50"));
            src->execute();
        }
        s->execute("commit work");
    }
    ~Fixture() { fs::remove_all(fs::path(path).parent_path()); }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void restore(Session &s)
{
    s.execute("delete from t");
    s.execute("insert into t select * from t0");
}

void EngineMerge(benchmark::State &state)
{
    auto s = Session::open(fixture().path, "bench");
    for (auto _ : state) {
        state.PauseTiming();
        restore(*s);
        state.ResumeTiming();
        s->execute("merge into t using s on t.id = s.k when matched then update set v = s.v"
                   " when not matched then insert (id, v) values (s.k, s.v)");
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void EngineUpdateInsert(benchmark::State &state)
{
    auto s = Session::open(fixture().path, "bench");
    for (auto _ : state) {
        state.PauseTiming();
        restore(*s);
        state.ResumeTiming();
        s->execute("update t set v = (select v from s where s.k = t.id) where id in (select k from s)");
        s->execute("insert into t (id, v) select k, v from s where not exists (select 1 from t where t.id = s.k)");
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

} // namespace

BENCHMARK(EngineMerge)->Unit(benchmark::kMillisecond);
BENCHMARK(EngineUpdateInsert)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
