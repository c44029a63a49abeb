// One result of QUODLIN_BENCH_ROWS rows (default 1,000,000: id, name,
// amount numeric(12,2), day) streamed forward only through the layer into
// the UNLOAD writer, which keeps nothing:
//   Stream/embedded - from the embedded engine
//   Stream/postgres - over ODBC from a private PostgreSQL server on the
//                     loopback (tests/pgserver.h; cursor fetches of 500 rows)
// Each case reports peak_rss_mb, the resident peak during the case alone;
// flat memory means it stays near the process's size before the case.
#include "peakrss.h"
#include "../tests/pgserver.h"
#include "db/dbdatabase.h"
#include "db/dbquery.h"
#include "db/dbsession.h"
#include "db/embeddeddriver.h"
#include "db/odbcdriver.h"
#include "engine/engine.h"
#include "output/exportwriter.h"

#include <benchmark/benchmark.h>

#include <QIODevice>

#include <filesystem>

using namespace quodlin;
namespace fs = std::filesystem;

namespace {

int rowCount()
{
    const QByteArray env = qgetenv("QUODLIN_BENCH_ROWS");
    return env.isEmpty() ? 1000000 : env.toInt();
}

class NullDevice : public QIODevice {
public:
    NullDevice() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 size) override { return size; }
};

struct Fixture {
    test::PgServer server;
    QString error;
    fs::path dir;
    std::unique_ptr<DbSession> session;
    std::unique_ptr<DbDatabase> embedded, postgres;
    int rows = rowCount();

    Fixture()
    {
        // First: the driver manager reads the ini files it points to once.
        error = server.start();
        dir = fs::temp_directory_path() / ("quodlin_pg_bench_" + std::to_string(QCoreApplication::applicationPid()));
        fs::create_directories(dir / "databases");
        const std::string path = (dir / "databases" / "rows.db").string();
        engine::Session::createDatabase(path, "bench");
        {
            auto s = engine::Session::open(path, "bench");
            s->execute("create table rows (id integer, name varchar(30), amount decimal(12,2), day date)");
            s->execute("begin work");
            auto insert = s->prepare("insert into rows values (?, ?, ?, ?)");
            using V = engine::Value;
            for (int i = 1; i <= rows; ++i) {
                insert->bind(0, V::fromInt(i));
                insert->bind(1, V::fromText("row " + std::to_string(i)));
                insert->bind(2, V::fromText(std::to_string(i / 4) + "." + std::to_string(10 + i % 90)));
                insert->bind(3, V::fromInt(45000 + i % 3000));
                insert->execute();
            }
            s->execute("commit work");
        }
        session = std::make_unique<DbSession>(QString::fromStdString((dir / "aliases.conf").string()));
        session->registerDriver(std::make_unique<EmbeddedDriver>(QString::fromStdString((dir / "databases").string())));
        session->registerDriver(std::make_unique<OdbcDriver>());
        embedded = std::make_unique<DbDatabase>(*session);
        embedded->setDatabaseName(QStringLiteral("embedded"));
        embedded->setDriverName(kInformixDriverName);
        embedded->setParams({QStringLiteral("SERVER NAME=local"), QStringLiteral("DATABASE NAME=rows"),
                             QStringLiteral("USER NAME=bench"), QStringLiteral("PASSWORD=")});
        embedded->open();

        if (!error.isEmpty())
            return;
        postgres = std::make_unique<DbDatabase>(*session);
        postgres->setDatabaseName(QStringLiteral("postgres"));
        postgres->setAliasName(QLatin1String(test::PgServer::kDsn));
        postgres->setParams(test::PgServer::params());
        postgres->open();
        DbQuery fill(*session);
        fill.setDatabaseName(QStringLiteral("postgres"));
        fill.setSql(QStringLiteral("create table rows as select g as id, cast('row ' || g as varchar(30)) as name,"
                                   " cast(g / 4 + (10 + g % 90) / 100.0 as numeric(12,2)) as amount,"
                                   " date '1899-12-31' + 45000 + g % 3000 as day"
                                   " from generate_series(1, %1) g").arg(rows));
        fill.execSQL();
    }
    ~Fixture()
    {
        embedded.reset();
        postgres.reset();
        session.reset();
        fs::remove_all(dir);
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void Stream(benchmark::State &state, const char *database)
{
    Fixture &f = fixture();
    if (!f.error.isEmpty()) {
        state.SkipWithError(("cannot start PostgreSQL: " + f.error.toStdString()).c_str());
        return;
    }
    bench::resetPeakRss();
    qint64 records = 0;
    for (auto _ : state) {
        DbQuery query(*f.session);
        query.setDatabaseName(QLatin1String(database));
        query.setSql(QStringLiteral("select * from rows"));
        query.setForwardOnly(true);
        query.open();
        NullDevice out;
        ExportOptions options;
        options.format = ExportFormat::Unload;
        const ExportResult result = WriteQuery(query, out, options);
        if (!result.ok()) {
            state.SkipWithError(result.message().toStdString().c_str());
            return;
        }
        records = result.records;
    }
    state.counters["rows"] = double(records);
    state.counters["peak_rss_mb"] = bench::peakRssMb();
}

void Args(benchmark::internal::Benchmark *b) { b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1); }

BENCHMARK_CAPTURE(Stream, embedded, "embedded")->Apply(Args);
BENCHMARK_CAPTURE(Stream, postgres, "postgres")->Apply(Args);

} // namespace

BENCHMARK_MAIN();
