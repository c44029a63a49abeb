// Completion on the browser benchmarks' generated catalog (10,000 tables,
// 2,000 procedures, views and synonyms): what the editors' popup waits for.
//   ReadSnapshot      - the background read: every list, column and parameter
//   TablesAfterFrom   - "select * from |": every table, view and synonym
//   TablesByPrefix    - "select * from t001|"
//   ColumnsOfAlias    - "select b.| from t00001 a join t00099 b on ..."
//   EverywhereElse    - "select | from ...": the statement's columns, the
//                       routines and the keywords
// The popup's budget is 30 ms for each of the last four.
// QUODLIN_BENCH_SCALE=N divides the sizes.
#include "catalog/catalogsnapshot.h"
#include "db/embeddeddriver.h"
#include "engine/engine.h"
#include "workspace/completion.h"

#include <benchmark/benchmark.h>
#include "browser_catalog_fixture.h"

#include <QCoreApplication>

#include <filesystem>

using namespace quodlin;
namespace fs = std::filesystem;

namespace {

struct Fixture {
    fs::path dir;
    std::unique_ptr<EmbeddedDriver> driver;
    CatalogSnapshot snapshot;

    Fixture()
    {
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        dir = base / ("quodlin_completion_bench_" + std::to_string(QCoreApplication::applicationPid()));
        fs::create_directories(dir);
        const std::string path = (dir / "big.db").string();
        engine::Session::createDatabase(path, "bench");
        engine::Session::open(path, "bench")->execute(catalogScript());
        driver = std::make_unique<EmbeddedDriver>(QString::fromStdString(dir.string()));
        snapshot = read();
    }
    ~Fixture() { fs::remove_all(dir); }

    CatalogSnapshot read()
    {
        auto connection = driver->connect({QStringLiteral("DATABASE NAME=big"), QStringLiteral("USER NAME=bench")});
        return ReadCatalogSnapshot(*connection);
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void ReadSnapshot(benchmark::State &state)
{
    Fixture &built = fixture();  // the database is made before the clock starts
    std::size_t relations = 0;
    for (auto _ : state)
        relations = built.read().relations.size();
    state.counters["relations"] = double(relations);
}
BENCHMARK(ReadSnapshot)->Unit(benchmark::kMillisecond)->Iterations(3);

void complete(benchmark::State &state, const char *marked)
{
    QString text = QString::fromLatin1(marked);
    const int caret = int(text.indexOf(QLatin1Char('|')));
    text.remove(caret, 1);
    const CatalogSnapshot &snapshot = fixture().snapshot;
    qsizetype entries = 0;
    for (auto _ : state) {
        entries = CompleteSql(text, caret, &snapshot).entries.size();
        benchmark::DoNotOptimize(entries);
    }
    state.counters["entries"] = double(entries);
}

void TablesAfterFrom(benchmark::State &state) { complete(state, "select * from |"); }
void TablesByPrefix(benchmark::State &state) { complete(state, "select * from t001|"); }
void ColumnsOfAlias(benchmark::State &state)
{
    complete(state, "select a.id, b.| from t00001 a join t00099 b on a.id = b.id where a.name > 'x'");
}
void EverywhereElse(benchmark::State &state)
{
    complete(state, "select | from t00001 a, t00002 b, outer t00003 c where a.id = b.id and b.id = c.id");
}
BENCHMARK(TablesAfterFrom)->Unit(benchmark::kMillisecond);
BENCHMARK(TablesByPrefix)->Unit(benchmark::kMillisecond);
BENCHMARK(ColumnsOfAlias)->Unit(benchmark::kMillisecond);
BENCHMARK(EverywhereElse)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
