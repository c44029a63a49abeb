// The object browser's catalog work on a large generated database: 10,000
// tables, 2,000 procedures and every other category filled.
//   ConnectAndTree   - open the connection and build the whole object tree
//   BareCatalogLists - open the connection and read the same list queries
//                      (and every role's members) through the layer, no tree
//   SelectTable      - what selecting a table node runs: qryTable and its
//                      details, then every Columns and Indexes cell's text
//   DataFirstRows    - "SELECT * FROM big" (1,000,000 rows) opened and its
//                      first 100 rows (one grid chunk) read
// The ratio ConnectAndTree / BareCatalogLists is what the tree adds.
// QUODLIN_BENCH_SCALE=N divides the sizes (e.g. for callgrind runs).
#include "browser/objecttree.h"
#include "catalog/dbobjectsmodule.h"
#include "db/dbquery.h"
#include "db/dbsession.h"
#include "db/embeddeddriver.h"
#include "engine/engine.h"

#include <benchmark/benchmark.h>
#include "browser_catalog_fixture.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QString>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace quodlin;
namespace fs = std::filesystem;

namespace {

struct Fixture {
    fs::path dir;
    std::unique_ptr<DbSession> session;

    Fixture()
    {
        // tmpfs where there is one: building the catalog commits every statement.
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        dir = base / ("quodlin_browser_bench_" + std::to_string(QCoreApplication::applicationPid()));
        fs::create_directories(dir / "databases");
        const std::string path = (dir / "databases" / "big.db").string();
        engine::Session::createDatabase(path, "bench");
        engine::Session::open(path, "bench")->execute(catalogScript());
        sqlite3 *db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO big VALUES (?1, ?2, ?3)", -1, &st, nullptr);
        for (int i = 0; i < kBigRows; ++i) {
            const std::string name = "item " + std::to_string(i);
            sqlite3_bind_int(st, 1, i);
            sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(st, 3, i % 97);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);

        session = std::make_unique<DbSession>(QString::fromStdString((dir / "aliases.conf").string()));
        session->registerDriver(std::make_unique<EmbeddedDriver>(QString::fromStdString((dir / "databases").string())));
    }
    ~Fixture()
    {
        session.reset();
        fs::remove_all(dir);
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

std::unique_ptr<TdmDbObjects> connect()
{
    auto module = std::make_unique<TdmDbObjects>(*fixture().session);
    module->SetDatabaseName(QStringLiteral("QuodlinBench"));
    module->Open(QString(), QStringLiteral("local\\big"), QStringLiteral("bench"),
                 QStringLiteral("SERVER NAME=local\nDATABASE NAME=big\nUSER NAME=bench\nPASSWORD="));
    return module;
}

void ConnectAndTree(benchmark::State &state)
{
    fixture();
    size_t nodes = 0;
    for (auto _ : state) {
        auto module = connect();
        const ObjectTree tree = LoadObjectTree(*module, QStringLiteral("big"), {});
        nodes = tree.nodes.size();
        benchmark::DoNotOptimize(nodes);
    }
    state.counters["nodes"] = double(nodes);
}
BENCHMARK(ConnectAndTree)->Unit(benchmark::kMillisecond);

void BareCatalogLists(benchmark::State &state)
{
    fixture();
    size_t rows = 0;
    for (auto _ : state) {
        auto module = connect();
        rows = 0;
        for (DbQuery *q : {&module->qrySystemTables(), &module->qryUserTables(), &module->qryViews(),
                           &module->qrySynonyms(), &module->qrySystemProcs(), &module->qryGeneratedProcs(),
                           &module->qryUngeneratedProcs(), &module->qryInsertTriggers(), &module->qryUpdateTriggers(),
                           &module->qryDeleteTriggers(), &module->qryUsers(), &module->qryRoles()}) {
            q->open();
            q->disableControls();
            for (q->first(); !q->eof(); q->next()) {
                ++rows;
                if (q != &module->qryRoles())
                    continue;
                DbQuery &members = module->qryRoleUsers();
                members.open();
                for (members.first(); !members.eof(); members.next())
                    ++rows;
                members.close();
            }
            q->enableControls();
            q->close();
        }
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(BareCatalogLists)->Unit(benchmark::kMillisecond);

// Every cell text a grid shows, the way the grid asks for it.
size_t readCells(DbQuery &q, int limit = 1 << 30)
{
    size_t chars = 0;
    for (int row = 0; row < limit && (row < q.fetchedRowCount() || q.fetchMore(1) > 0); ++row)
        for (int f = 0; f < q.fieldCount(); ++f)
            if (q.field(f).visible())
                chars += size_t(q.field(f).displayTextAt(row).size());
    return chars;
}

void SelectTable(benchmark::State &state)
{
    fixture();
    auto module = connect();
    int i = 0;
    for (auto _ : state) {
        module->LoadTable(QString::fromStdString(numbered("t", (i += 10) % kTables)), QStringLiteral("bench"));
        benchmark::DoNotOptimize(readCells(module->qryTableColumns()) + readCells(module->qryTableIndexes()));
    }
}
BENCHMARK(SelectTable)->Unit(benchmark::kMicrosecond);

void DataFirstRows(benchmark::State &state)
{
    fixture();
    auto module = connect();
    DbQuery data(*fixture().session);
    data.setDatabaseName(module->GetDatabaseName());
    data.setSql(QStringLiteral("SELECT * FROM big"));
    for (auto _ : state) {
        data.open();
        data.fetchMore(100 - data.fetchedRowCount());
        benchmark::DoNotOptimize(readCells(data, 100));
        data.close();
    }
}
BENCHMARK(DataFirstRows)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
