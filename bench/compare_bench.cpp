// Two embedded databases of 10,000 tables (each with a key, a default and a
// few columns; every tenth an index, a foreign key and a grant) with views,
// synonyms and procedures, alike but for 100 changes on the target: columns
// added and widened, indexes dropped, tables dropped and added, views and
// procedures changed.
//   CompareWithScript - both catalogs read, compared, the script made and written
// QUODLIN_BENCH_SCALE=N divides the sizes, down to 1,000 tables (the changes stay 100).
#include "app/outputfile.h"
#include "benchdatabase.h"
#include "benchscale.h"
#include "catalog/dbobjectsmodule.h"
#include "catalog/schemacompare.h"
#include "db/dbsession.h"
#include "db/embeddeddriver.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <cstdio>
#include <filesystem>
#include <string>

using namespace quodlin;
namespace fs = std::filesystem;

namespace {

using quodlin::bench::benchScale;
const int kTables = 10000 / benchScale();

std::string numbered(const char *prefix, int i)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s%05d", prefix, i);
    return buffer;
}

std::string schemaScript()
{
    std::string s = "create role clerk;";
    for (int i = 0; i < kTables; ++i) {
        const std::string t = numbered("t", i);
        s += "create table " + t + " (id serial not null, name char(20), amount decimal(10,2) default 0, "
             "since date default today, ref integer";
        if (i % 10 == 1)
            s += ", foreign key (ref) references " + numbered("t", i - 1) + " (id)";
        s += ", primary key (id));";
        if (i % 10 == 0)
            s += "create index " + numbered("ix", i) + " on " + t + " (name, amount desc);";
        if (i % 10 == 0)
            s += "grant select on " + t + " to clerk;";
    }
    for (int i = 0; i < kTables / 50; ++i) {
        s += "create view " + numbered("v", i) + " as select id, name from " + numbered("t", i) + " where id > 0;";
        s += "create synonym " + numbered("s", i) + " for " + numbered("t", i) + ";";
        s += "create procedure " + numbered("p", i) + "(p integer) define v integer; let v = p; end procedure;";
    }
    return s;
}

// 100 changes, spread over the database.
std::string changes()
{
    std::string s;
    const int step = kTables / 200 > 0 ? kTables / 200 : 1;
    for (int k = 0; k < 20; ++k)
        s += "alter table " + numbered("t", (5 + k * 10 * step) % kTables) + " add (note varchar(40));";
    for (int k = 0; k < 20; ++k)
        s += "alter table " + numbered("t", (7 + k * 10 * step) % kTables) + " modify (name char(30));";
    for (int k = 0; k < 20; ++k)
        s += "drop index " + numbered("ix", (k * 10 * step + 30) % kTables / 10 * 10) + ";";
    for (int k = 0; k < 10; ++k)
        s += "drop table " + numbered("t", (kTables / 2 + k * 10 * step) % kTables / 10 * 10 + 9) + ";";  // none has a view
    for (int k = 0; k < 10; ++k)
        s += "create table " + numbered("n", k) + " (k integer, primary key (k));";
    for (int k = 0; k < 10; ++k) {
        const std::string v = numbered("v", k * (kTables / 50) / 10);
        s += "drop view " + v + ";create view " + v + " as select id from " +
             numbered("t", k * (kTables / 50) / 10) + " where id > 1;";
    }
    for (int k = 0; k < 10; ++k) {
        const std::string p = numbered("p", k * (kTables / 50) / 10 + 1);
        s += "drop procedure " + p + ";create procedure " + p + "(p integer) define v integer; let v = p + 1; end procedure;";
    }
    return s;
}

struct Fixture {
    fs::path dir;
    std::unique_ptr<DbSession> session;
    std::unique_ptr<TdmDbObjects> source, target;

    std::unique_ptr<TdmDbObjects> open(const char *name)
    {
        auto module = std::make_unique<TdmDbObjects>(*session);
        module->SetDatabaseName(QStringLiteral("QuodlinCompareBench_") + QLatin1String(name));
        module->Open(QString(), QStringLiteral("local\\") + QLatin1String(name), QStringLiteral("bench"),
                     QStringLiteral("SERVER NAME=local\nDATABASE NAME=") + QLatin1String(name) +
                         QStringLiteral("\nUSER NAME=bench\nPASSWORD="));
        return module;
    }

    Fixture()
    {
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        dir = base / ("quodlin_compare_bench_" + std::to_string(QCoreApplication::applicationPid()));
        fs::create_directories(dir / "databases");
        // The source is built once, in one transaction; the target is its
        // copy with the changes applied.
        const fs::path sourceFile = dir / "databases" / "source.db", targetFile = dir / "databases" / "target.db";
        bench::buildDatabase(sourceFile.string(), schemaScript());
        fs::copy_file(sourceFile, targetFile);
        bench::buildDatabase(targetFile.string(), changes(), false);
        session = std::make_unique<DbSession>(QString::fromStdString((dir / "aliases.conf").string()));
        session->registerDriver(std::make_unique<EmbeddedDriver>(QString::fromStdString((dir / "databases").string())));
        source = open("source");
        target = open("target");
    }
    ~Fixture()
    {
        source.reset();
        target.reset();
        session.reset();
        fs::remove_all(dir);
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void CompareWithScript(benchmark::State &state)
{
    Fixture &f = fixture();
    const QString file = QString::fromStdString((f.dir / "mend.sql").string());
    int differences = 0;
    qsizetype size = 0;
    for (auto _ : state) {
        const SchemaComparison comparison = CompareSchemas(*f.source, *f.target, {});
        const SchemaScript script = CompareScript(comparison, true);
        if (!WriteWholeFile(file, script.text.toUtf8()))
            state.SkipWithError("the script was not written");
        differences = comparison.count();
        size = script.text.size();
    }
    state.counters["differences"] = differences;
    state.counters["script_chars"] = double(size);
}
BENCHMARK(CompareWithScript)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
