// Two embedded databases of 10,000 tables (each with a key, a default and a
// few columns; every tenth an index, a foreign key and a grant) with views,
// synonyms and procedures, alike but for 100 changes on the target: columns
// added and widened, indexes dropped, tables dropped and added, views and
// procedures changed.
//   CompareWithScript - both catalogs read, compared, the script made and written
// QUODLIN_BENCH_SCALE=N divides the sizes, down to 1,000 tables (the changes stay 100;
// a larger N stays at 1,000).
// Setup at 10,000 tables takes minutes: SQLite scans its whole schema table
// for every DDL statement.
#include "app/outputfile.h"
#include "benchdatabase.h"
#include "benchscale.h"
#include "catalog/dbobjectsmodule.h"
#include "catalog/schemacompare.h"
#include "db/dbsession.h"
#include "db/embeddeddriver.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

using namespace quodlin;
namespace fs = std::filesystem;

namespace {

using quodlin::bench::benchScale;
// The 100 changes need 1,000 tables (20 procedures) at the least.
const int kTables = std::max(1000, 10000 / benchScale());

using quodlin::bench::numbered;

const int kStep = kTables / 200 > 0 ? kTables / 200 : 1;

// The tables the changes give a column (1) or widen one of (2); 0 for the others.
int alteration(int i)
{
    for (int k = 0; k < 20; ++k) {
        if (i == (5 + k * 10 * kStep) % kTables)
            return 1;
        if (i == (7 + k * 10 * kStep) % kTables)
            return 2;
    }
    return 0;
}

// Table i, `changed` as the target has it.
std::string table(int i, bool changed)
{
    const int alter = changed ? alteration(i) : 0;
    return quodlin::bench::generatedTable(i, 10, alter == 2 ? 30 : 20, alter == 1);
}

// `altered`: the tables the changes alter (in the source's or the target's
// form), else all others. ALTER TABLE rebuilds SQLite's whole schema (16 s a
// statement at 10,000 tables), so the target gets those tables made as the
// changes leave them instead.
std::string tables(bool altered, bool changed)
{
    std::string s = altered ? "" : "create role clerk;";
    for (int i = 0; i < kTables; ++i)
        if ((alteration(i) != 0) == altered)
            s += table(i, changed);
    return s;
}

std::string otherObjects()
{
    std::string s;
    for (int i = 0; i < kTables / 50; ++i) {
        s += "create view " + numbered("v", i) + " as select id, name from " + numbered("t", i) + " where id > 0;";
        s += "create synonym " + numbered("s", i) + " for " + numbered("t", i) + ";";
        s += "create procedure " + numbered("p", i) + "(p integer) define v integer; let v = p; end procedure;";
    }
    return s;
}

// The changes besides the 20 columns added and 20 widened, spread over the database.
std::string changes()
{
    std::string s;
    for (int k = 0; k < 20; ++k)
        s += "drop index " + numbered("ix", (k * 10 * kStep + 30) % kTables / 10 * 10) + ";";
    for (int k = 0; k < 10; ++k)
        s += "drop table " + numbered("t", (kTables / 2 + k * 10 * kStep) % kTables / 10 * 10 + 9) + ";";  // none has a view
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

    bool kept = false;

    static void build(const fs::path &sourceFile, const fs::path &targetFile)
    {
        // What both share is built once and copied; each then gets the
        // altered tables in its form and the rest, the target the changes.
        fs::remove(sourceFile);
        fs::remove(targetFile);
        bench::buildDatabase(sourceFile.string(), tables(false, false));
        fs::copy_file(sourceFile, targetFile);
        bench::buildDatabase(sourceFile.string(), tables(true, false) + otherObjects(), false);
        bench::buildDatabase(targetFile.string(), tables(true, true) + otherObjects() + changes(), false);
    }

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
        dir = bench::dataFolder("compare_bench_" + std::to_string(kTables), &kept);
        fs::create_directories(dir / "databases");
        const fs::path sourceFile = dir / "databases" / "source.db", targetFile = dir / "databases" / "target.db";
        if (!kept || !fs::exists(targetFile))
            build(sourceFile, targetFile);
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
        if (!kept)
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
