// The file writers and LOAD on one 10-column table, beside the sqlite3 shell
// writing the same table of the same database file:
//   Shell/insert, Shell/column, Shell/csv  - sqlite3 FILE with .mode insert,
//                 column or csv and .output to a file (the process's wall time)
//   Quodlin/script, Quodlin/text, Quodlin/unload - "select * from wide" read
//                 forward only through the layer into the writer, into a file
//   QuodlinLoad   - that UNLOAD file loaded into an empty copy of the table
//   QuodlinRead   - the rows read through the layer alone (the writers' floor)
// Goals: script <= half of .mode insert, text <= half of .mode column,
// unload <= .mode csv, load >= 200,000 rows/s, memory flat in the row count.
// Compare wall times: forward-only exports format and write on a second
// thread, so their CPU column shows the reading thread alone.
// QUODLIN_BENCH_ROWS sets the rows (default 1,000,000); every Quodlin case
// reports peak_rss_mb, the resident peak during the case alone (Linux:
// reset through /proc/self/clear_refs), so runs at two row counts show
// whether memory grows with the rows; the shell cases report the shell's own
// CPU time (shell_cpu_ms). Run it niced on a quiet machine.
#include "peakrss.h"
#include "db/dbdatabase.h"
#include "db/dbquery.h"
#include "db/dbsession.h"
#include "db/embeddeddriver.h"
#include "engine/engine.h"
#include "output/exportwriter.h"
#include "workspace/loadunload.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace quodlin;
namespace fs = std::filesystem;

namespace {

const char *const kColumns = "(id integer, name varchar(30), qty smallint, price decimal(10,2), day date, "
                             "amount float, code char(8), note varchar(60), flag integer, stamp datetime year to second)";

int rowCount()
{
    const QByteArray env = qgetenv("QUODLIN_BENCH_ROWS");
    return env.isEmpty() ? 1000000 : env.toInt();
}

struct Fixture {
    fs::path dir;
    std::string dbPath;
    std::unique_ptr<DbSession> session;
    std::unique_ptr<DbDatabase> db;
    int rows = rowCount();

    Fixture()
    {
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        dir = base / ("quodlin_export_bench_" + std::to_string(QCoreApplication::applicationPid()));
        fs::create_directories(dir / "databases");
        dbPath = (dir / "databases" / "wide.db").string();
        engine::Session::createDatabase(dbPath, "bench");
        auto s = engine::Session::open(dbPath, "bench");
        s->execute(std::string("create table wide ") + kColumns + "; create table wide_copy " + kColumns);
        s->execute("begin work");
        auto insert = s->prepare("insert into wide values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        using V = engine::Value;
        for (int i = 0; i < rows; ++i) {
            char price[32], stamp[32];
            std::snprintf(price, sizeof price, "%d.%02d", i % 100000, i % 100);
            std::snprintf(stamp, sizeof stamp, "2024-%02d-%02d %02d:%02d:%02d", 1 + i % 12, 1 + i % 28, i % 24,
                          i % 60, (i / 60) % 60);
            insert->bind(0, V::fromInt(i));
            insert->bind(1, V::fromText("customer " + std::to_string(i)));
            insert->bind(2, V::fromInt(i % 1000));
            insert->bind(3, V::fromText(price));
            insert->bind(4, V::fromInt(40000 + i % 3000));
            insert->bind(5, V::fromDouble(i * 0.25));
            insert->bind(6, V::fromText("C" + std::to_string(i % 10000)));
            insert->bind(7, V::fromText("note for row " + std::to_string(i) + ", with a comma"));
            insert->bind(8, V::fromInt(i % 2));
            insert->bind(9, V::fromText(stamp));
            insert->execute();
        }
        s->execute("commit work");
        s.reset();

        session = std::make_unique<DbSession>(QString::fromStdString((dir / "aliases.conf").string()));
        session->registerDriver(std::make_unique<EmbeddedDriver>(QString::fromStdString((dir / "databases").string())));
        db = std::make_unique<DbDatabase>(*session);
        db->setDatabaseName(QStringLiteral("QuodlinBench"));
        db->setDriverName(kInformixDriverName);
        db->setParams({QStringLiteral("SERVER NAME=local"), QStringLiteral("DATABASE NAME=wide"),
                       QStringLiteral("USER NAME=bench"), QStringLiteral("PASSWORD=")});
        db->open();
    }
    ~Fixture()
    {
        db.reset();
        session.reset();
        fs::remove_all(dir);
    }
    QString file(const char *name) const { return QString::fromStdString((dir / name).string()); }
    // "select * from wide" opened to be read forward only, as the CLI reads.
    std::unique_ptr<DbQuery> openWide() const
    {
        auto query = std::make_unique<DbQuery>(*session);
        query->setDatabaseName(db->databaseName());
        query->setSql(QStringLiteral("select * from wide"));
        query->setForwardOnly(true);
        query->open();
        return query;
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

using quodlin::bench::peakRssMb;
using quodlin::bench::resetPeakRss;

// User and system time of the finished child processes (the shell's own CPU
// time, which the benchmark's CPU column cannot see).
double childCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void Shell(benchmark::State &state, const char *mode)
{
    Fixture &f = fixture();
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (shell.isEmpty()) {
        state.SkipWithError("the sqlite3 shell is not installed (package sqlite3); nothing to compare with");
        return;
    }
    const QString out = f.file("shell.out");
    const double cpuBefore = childCpuMs();
    for (auto _ : state) {
        QProcess p;
        p.start(shell, {QStringLiteral("-batch"), QString::fromStdString(f.dbPath),
                        QStringLiteral(".mode ") + QLatin1String(mode) + (QLatin1String(mode) == "insert" ? " wide" : ""),
                        QStringLiteral(".output ") + out, QStringLiteral("select * from wide;")});
        if (!p.waitForFinished(-1) || p.exitCode() != 0) {
            state.SkipWithError(("sqlite3 failed: " + p.readAllStandardError().toStdString()).c_str());
            return;
        }
    }
    state.counters["rows"] = f.rows;
    state.counters["file_mb"] = double(QFile(out).size()) / (1 << 20);
    state.counters["shell_cpu_ms"] = (childCpuMs() - cpuBefore) / double(state.iterations());
}

void Quodlin(benchmark::State &state, ExportFormat format)
{
    Fixture &f = fixture();
    const QString out = f.file(format == ExportFormat::Unload ? "wide.unl" : "quodlin.out");
    resetPeakRss();
    qint64 records = 0;
    for (auto _ : state) {
        const std::unique_ptr<DbQuery> query = f.openWide();
        ExportOptions options;
        options.format = format;
        options.tableName = QStringLiteral("wide");
        options.table.name = options.tableName;
        const ExportResult result = WriteQueryToFile(*query, out, options);
        if (!result.ok()) {
            state.SkipWithError(result.message().toStdString().c_str());
            return;
        }
        records = result.records;
    }
    state.counters["rows"] = double(records);
    state.counters["file_mb"] = double(QFile(out).size()) / (1 << 20);
    state.counters["peak_rss_mb"] = peakRssMb();
}

// The floor under every writer: the rows read through the layer as the
// writers take them (cells), nothing written.
void QuodlinRead(benchmark::State &state)
{
    Fixture &f = fixture();
    qint64 values = 0;
    for (auto _ : state) {
        const std::unique_ptr<DbQuery> query = f.openWide();
        for (query->first(); !query->eof(); query->next())
            for (const DbCell &c : query->currentCells()->cells)
                values += c.kind != DbCell::Kind::Null;
    }
    benchmark::DoNotOptimize(values);
}

void QuodlinLoad(benchmark::State &state)
{
    Fixture &f = fixture();
    if (!QFile::exists(f.file("wide.unl"))) {
        state.SkipWithError("run Quodlin/unload first (it writes the file to load)");
        return;
    }
    ClientStatement load;
    load.kind = ClientStatement::Kind::Load;
    load.fileName = f.file("wide.unl");
    load.delimiter = QLatin1Char('|');
    load.table = QStringLiteral("wide_copy");
    resetPeakRss();
    double seconds = 0;
    qint64 rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        DbQuery empty(*f.session);
        empty.setDatabaseName(f.db->databaseName());
        empty.setSql(QStringLiteral("delete from wide_copy"));
        empty.execSQL();
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        rows = RunClientStatement(*f.session, f.db->databaseName(), load).rows;
        seconds += clock.nsecsElapsed() / 1e9;
    }
    state.counters["rows"] = double(rows);
    state.counters["rows_per_s"] = seconds > 0 ? double(rows) * double(state.iterations()) / seconds : 0;
    state.counters["peak_rss_mb"] = peakRssMb();
}

void Args(benchmark::internal::Benchmark *b) { b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1); }

BENCHMARK_CAPTURE(Shell, insert, "insert")->Apply(Args);
BENCHMARK_CAPTURE(Quodlin, script, ExportFormat::Script)->Apply(Args);
BENCHMARK_CAPTURE(Shell, column, "column")->Apply(Args);
BENCHMARK_CAPTURE(Quodlin, text, ExportFormat::Text)->Apply(Args);
BENCHMARK_CAPTURE(Shell, csv, "csv")->Apply(Args);
BENCHMARK_CAPTURE(Quodlin, unload, ExportFormat::Unload)->Apply(Args);
BENCHMARK(QuodlinLoad)->Apply(Args);
BENCHMARK(QuodlinRead)->Apply(Args);

} // namespace

BENCHMARK_MAIN();
