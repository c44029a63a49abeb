// The schema writer on a generated database of 10,000 tables (each with a
// primary key, a default and every tenth a foreign key and an index), with
// views, synonyms, triggers, procedures and grants.
//   WriteWholeSchema - the whole database's DDL on an open connection
//   WriteOneTable    - one table's DDL (what the DDL page shows)
// QUODLIN_BENCH_SCALE=N divides the sizes; QUODLIN_BENCH_TABLES=N sets the table count.
#include "benchdatabase.h"
#include "benchscale.h"
#include "catalog/dbobjectsmodule.h"
#include "catalog/schemawriter.h"
#include "db/dbsession.h"
#include "db/embeddeddriver.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace quodlin;
namespace fs = std::filesystem;

namespace {

const int kTables = quodlin::bench::benchTables(10000);

using quodlin::bench::numbered;

std::string schemaScript()
{
    std::string s;
    for (int i = 0; i < kTables; ++i)
        s += quodlin::bench::generatedTable(i, 20);
    for (int i = 0; i < kTables / 50; ++i) {
        s += "create view " + numbered("v", i) + " as select id, name from " + numbered("t", i) + " where id > 0;";
        s += "create synonym " + numbered("s", i) + " for " + numbered("t", i) + ";";
        s += "create trigger " + numbered("tr", i) + " delete on " + numbered("t", i) +
             " after (delete from " + numbered("t", i + 1) + " where id = 0);";
        s += "create procedure " + numbered("p", i) + "(p integer) define v integer; let v = p; end procedure;";
    }
    return s;
}

struct Fixture {
    fs::path dir;
    std::unique_ptr<DbSession> session;
    std::unique_ptr<TdmDbObjects> module;
    bool kept = false;

    Fixture()
    {
        dir = bench::dataFolder("schema_bench_" + std::to_string(kTables), &kept);
        fs::create_directories(dir / "databases");
        const fs::path file = dir / "databases" / "big.db";
        if (!kept || !fs::exists(file)) {
            fs::remove(file);
            bench::buildDatabase(file.string(), schemaScript());
        }
        session = std::make_unique<DbSession>(QString::fromStdString((dir / "aliases.conf").string()));
        session->registerDriver(std::make_unique<EmbeddedDriver>(QString::fromStdString((dir / "databases").string())));
        module = std::make_unique<TdmDbObjects>(*session);
        module->SetDatabaseName(QStringLiteral("QuodlinSchemaBench"));
        module->Open(QString(), QStringLiteral("local\\big"), QStringLiteral("bench"),
                     QStringLiteral("SERVER NAME=local\nDATABASE NAME=big\nUSER NAME=bench\nPASSWORD="));
    }
    ~Fixture()
    {
        module.reset();
        session.reset();
        if (!kept)
            fs::remove_all(dir);
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void WriteWholeSchema(benchmark::State &state)
{
    Fixture &f = fixture();
    qsizetype size = 0;
    for (auto _ : state) {
        size = WriteSchema(*f.module).size();
        benchmark::DoNotOptimize(size);
    }
    state.counters["chars"] = double(size);
}
BENCHMARK(WriteWholeSchema)->Unit(benchmark::kMillisecond);

void WriteOneTable(benchmark::State &state)
{
    Fixture &f = fixture();
    int i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteSchema(*f.module, {QString::fromStdString(numbered("t", (i += 7) % kTables)), {}, true}));
}
BENCHMARK(WriteOneTable)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
