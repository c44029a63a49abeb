// Queries of the embedded engine against the same queries on a plain SQLite
// copy of the data (native types, the same indexes, INTEGER PRIMARY KEY
// keys), in one run. Each case runs both sides in turn, the engine first,
// and measures the process CPU time of each (the machine is shared, so wall
// time says little); the counter "ratio" is engine / SQLite.
//   LikePrefix, MatchesPrefix: a prefix search on an indexed VARCHAR (SQLite:
//     LIKE with case_sensitive_like, GLOB); /0 prepares the statement each
//     time, /1 once (the search alone: it reads a handful of rows, so /0 is
//     mostly each side's cost of preparing a statement).
//   UpdateDecimal: amt = amt + 0.01 on every tenth row, committed.
//   OrderDecimal: FIRST 100 rows ordered by a DECIMAL(12,2) (SQLite: REAL).
//   KeyedJoin: three tables joined on their primary keys.
//   LoadKeyed/0 and /1: rows inserted through one prepared INSERT in one
//     transaction into (id integer primary key, ...) and into (id serial
//     primary key, ...), as LOAD does; SQLite inserts the same rows the way
//     the shell's .import does. The ratio is the median of the iterations'.
// 200,000 rows set up in about half a minute; QUODLIN_BENCH_SCALE divides
// the row count.
#include "benchscale.h"
#include "engine/engine.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

using namespace quodlin::engine;
namespace fs = std::filesystem;

namespace {

const int kRows = 200000 / quodlin::bench::benchScale();

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void exec(sqlite3 *db, const std::string &sql)
{
    char *err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "?";
        sqlite3_free(err);
        throw std::runtime_error(sql + ": " + msg);
    }
}

std::string vcOf(int i) { return "customer " + std::to_string(i * 7919 % kRows); }
std::string amtOf(int i) { return std::to_string(i % 100000) + "." + std::to_string(10 + i % 90); }

struct Fixture {
    fs::path dir;
    std::string enginePath, sqlitePath;
    std::unique_ptr<Session> s;
    sqlite3 *db = nullptr;

    Fixture()
    {
        dir = fs::temp_directory_path() / ("quodlin_query_bench_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        enginePath = (dir / "engine.db").string();
        sqlitePath = (dir / "plain.db").string();
        Session::createDatabase(enginePath, "bench");
        s = Session::open(enginePath, "bench");
        s->execute("create table big (id serial primary key, grp integer, amt decimal(12,2), vc varchar(40),"
                   " name char(20), qty smallint, price decimal(8,2), flag char(1), note varchar(60), code integer)");
        s->execute("create index big_vc on big (vc)");
        s->execute("create table k2 (id integer primary key, v integer)");
        s->execute("create table k3 (id integer primary key, v integer)");
        s->execute("create table load_int (id integer primary key, amt decimal(12,2), vc varchar(40), grp integer)");
        s->execute("create table load_serial (id serial primary key, amt decimal(12,2), vc varchar(40), grp integer)");
        sqlite3_open(sqlitePath.c_str(), &db);
        exec(db, "PRAGMA journal_mode=WAL; PRAGMA case_sensitive_like=ON;"
                 "CREATE TABLE big (id INTEGER PRIMARY KEY, grp INTEGER, amt REAL, vc TEXT, name TEXT, qty INTEGER,"
                 " price REAL, flag TEXT, note TEXT, code INTEGER);"
                 "CREATE INDEX big_vc ON big (vc);"
                 "CREATE TABLE k2 (id INTEGER PRIMARY KEY, v INTEGER);"
                 "CREATE TABLE k3 (id INTEGER PRIMARY KEY, v INTEGER);"
                 "CREATE TABLE load_int (id INTEGER PRIMARY KEY, amt REAL, vc TEXT, grp INTEGER);"
                 "CREATE TABLE load_serial (id INTEGER PRIMARY KEY, amt REAL, vc TEXT, grp INTEGER)");
        s->execute("begin work");
        exec(db, "BEGIN");
        auto ins = s->prepare("insert into big values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        auto k2 = s->prepare("insert into k2 values (?, ?)");
        auto k3 = s->prepare("insert into k3 values (?, ?)");
        sqlite3_stmt *raw = nullptr, *raw2 = nullptr, *raw3 = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO big VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)", -1, &raw, nullptr);
        sqlite3_prepare_v2(db, "INSERT INTO k2 VALUES (?1, ?2)", -1, &raw2, nullptr);
        sqlite3_prepare_v2(db, "INSERT INTO k3 VALUES (?1, ?2)", -1, &raw3, nullptr);
        for (int i = 1; i <= kRows; ++i) {
            const std::string vc = vcOf(i), amt = amtOf(i), name = "name " + std::to_string(i % 977);
            const std::string price = std::to_string(i % 1000) + ".50", note = "note for row " + std::to_string(i);
            const Value row[] = {Value::fromInt(i), Value::fromInt(i % 100), Value::fromText(amt), Value::fromText(vc),
                                 Value::fromText(name), Value::fromInt(i % 30000), Value::fromText(price),
                                 Value::fromText(i % 2 ? "Y" : "N"), Value::fromText(note), Value::fromInt(i % 7)};
            for (int c = 0; c < 10; ++c)
                ins->bind(c, row[c]);
            ins->execute();
            sqlite3_bind_int(raw, 1, i);
            sqlite3_bind_int(raw, 2, i % 100);
            sqlite3_bind_double(raw, 3, std::stod(amt));
            sqlite3_bind_text(raw, 4, vc.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(raw, 5, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(raw, 6, i % 30000);
            sqlite3_bind_double(raw, 7, std::stod(price));
            sqlite3_bind_text(raw, 8, i % 2 ? "Y" : "N", -1, SQLITE_STATIC);
            sqlite3_bind_text(raw, 9, note.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(raw, 10, i % 7);
            sqlite3_step(raw);
            sqlite3_reset(raw);
            for (auto [e, r] : {std::pair{k2.get(), raw2}, std::pair{k3.get(), raw3}}) {
                e->bind(0, Value::fromInt(i));
                e->bind(1, Value::fromInt(i % 13));
                e->execute();
                sqlite3_bind_int(r, 1, i);
                sqlite3_bind_int(r, 2, i % 13);
                sqlite3_step(r);
                sqlite3_reset(r);
            }
        }
        for (sqlite3_stmt *st : {raw, raw2, raw3})
            sqlite3_finalize(st);
        exec(db, "COMMIT; ANALYZE");
        s->execute("commit work");
        s->execute("update statistics");
    }
    ~Fixture()
    {
        s.reset();
        sqlite3_close(db);
        fs::remove_all(dir);
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

// Runs a query to its end on each side; returns the rows read.
std::int64_t engineRows(Session &s, const std::string &text)
{
    auto q = s.prepare(text);
    q->execute();
    std::int64_t n = 0;
    if (!q->hasResultSet())
        return q->rowsAffected();
    while (q->next()) {
        ++n;
        for (std::size_t c = 0; c < q->columns().size(); ++c)
            benchmark::DoNotOptimize(q->value(int(c)).text.data());
    }
    return n;
}

std::int64_t sqliteRows(sqlite3 *db, const std::string &text)
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, text.c_str(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(text + ": " + sqlite3_errmsg(db));
    std::int64_t n = 0;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        ++n;
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            benchmark::DoNotOptimize(sqlite3_column_text(st, c));
    }
    if (rc != SQLITE_DONE)
        throw std::runtime_error(text + ": " + sqlite3_errmsg(db));
    sqlite3_finalize(st);
    return n ? n : sqlite3_changes(db);
}

// A statement prepared once and run again each time on both sides: the
// query's own cost without the statement's preparation.
struct Prepared {
    std::unique_ptr<Statement> engine;
    sqlite3_stmt *plain = nullptr;
    Prepared(Session &s, sqlite3 *db, const std::string &engineText, const std::string &sqliteText)
        : engine(s.prepare(engineText))
    {
        sqlite3_prepare_v2(db, sqliteText.c_str(), -1, &plain, nullptr);
    }
    ~Prepared() { sqlite3_finalize(plain); }
    std::int64_t runEngine()
    {
        engine->execute();
        std::int64_t n = 0;
        while (engine->next()) {
            ++n;
            for (std::size_t c = 0; c < engine->columns().size(); ++c)
                benchmark::DoNotOptimize(engine->value(int(c)).text.data());
        }
        return n;
    }
    std::int64_t runPlain()
    {
        sqlite3_reset(plain);
        std::int64_t n = 0;
        while (sqlite3_step(plain) == SQLITE_ROW) {
            ++n;
            for (int c = 0; c < sqlite3_column_count(plain); ++c)
                benchmark::DoNotOptimize(sqlite3_column_text(plain, c));
        }
        return n;
    }
};

// Both sides in turn; the two row counts must agree.
void compareSides(benchmark::State &state, const std::string &engineText, const std::string &sqliteText,
                  bool preparedOnce = false)
{
    Fixture &f = fixture();
    std::unique_ptr<Prepared> once;
    if (preparedOnce)
        once = std::make_unique<Prepared>(*f.s, f.db, engineText, sqliteText);
    double engine = 0, plain = 0;
    for (auto _ : state) {
        double t0 = cpuSeconds();
        const std::int64_t a = once ? once->runEngine() : engineRows(*f.s, engineText);
        const double t1 = cpuSeconds();
        const std::int64_t b = once ? once->runPlain() : sqliteRows(f.db, sqliteText);
        const double t2 = cpuSeconds();
        engine += t1 - t0;
        plain += t2 - t1;
        if (a != b) {
            state.SkipWithError(("row counts differ: " + std::to_string(a) + " vs " + std::to_string(b)).c_str());
            return;
        }
    }
    const double n = double(state.iterations());
    state.counters["engine_ms"] = engine / n * 1e3;
    state.counters["sqlite_ms"] = plain / n * 1e3;
    state.counters["ratio"] = plain > 0 ? engine / plain : 0;
}

void LikePrefix(benchmark::State &state)
{
    compareSides(state, "select id, vc from big where vc like 'customer 1234%'",
                 "SELECT id, vc FROM big WHERE vc LIKE 'customer 1234%'", state.range(0) == 1);
}

void MatchesPrefix(benchmark::State &state)
{
    compareSides(state, "select id, vc from big where vc matches 'customer 1234*'",
                 "SELECT id, vc FROM big WHERE vc GLOB 'customer 1234*'", state.range(0) == 1);
}

void UpdateDecimal(benchmark::State &state)
{
    compareSides(state, "update big set amt = amt + 0.01 where mod(id, 10) = 0",
                 "UPDATE big SET amt = amt + 0.01 WHERE id % 10 = 0");
}

void OrderDecimal(benchmark::State &state)
{
    compareSides(state, "select first 100 id, amt from big order by amt", "SELECT id, amt FROM big ORDER BY amt LIMIT 100");
}

void KeyedJoin(benchmark::State &state)
{
    compareSides(state, "select count(*), sum(c.v + d.v) from big b, k2 c, k3 d where c.id = b.id and d.id = c.id",
                 "SELECT count(*), sum(c.v + d.v) FROM big b, k2 c, k3 d WHERE c.id = b.id AND d.id = c.id");
}

// LOAD's work: one prepared INSERT in a transaction, the rows removed again
// outside the measured time. SQLite inserts the same rows the way the shell's
// .import does, keys included (.import binds the file's values and cannot
// leave a key to SQLite).
double loadEngine(Fixture &f, const std::string &table, bool serial)
{
    const double t0 = cpuSeconds();
    f.s->execute("begin work");
    auto ins = f.s->prepare("insert into " + table + " values (?, ?, ?, ?)");
    for (int i = 1; i <= kRows; ++i) {
        ins->bind(0, Value::fromInt(serial ? 0 : i));
        ins->bind(1, Value::fromText(amtOf(i)));
        ins->bind(2, Value::fromText(vcOf(i)));
        ins->bind(3, Value::fromInt(i % 100));
        ins->execute();
    }
    ins.reset();
    f.s->execute("commit work");
    const double t = cpuSeconds() - t0;
    f.s->execute("delete from " + table);
    return t;
}

double loadPlain(Fixture &f, const std::string &table, bool nullKeys)
{
    const double t0 = cpuSeconds();
    exec(f.db, "BEGIN");
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(f.db, ("INSERT INTO " + table + " VALUES (?1, ?2, ?3, ?4)").c_str(), -1, &st, nullptr);
    for (int i = 1; i <= kRows; ++i) {
        const std::string amt = amtOf(i), vc = vcOf(i);
        if (nullKeys)
            sqlite3_bind_null(st, 1);
        else
            sqlite3_bind_int(st, 1, i);
        sqlite3_bind_text(st, 2, amt.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, vc.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 4, i % 100);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    exec(f.db, "COMMIT");
    const double t = cpuSeconds() - t0;
    exec(f.db, "DELETE FROM " + table);
    return t;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The sides take turns going first, and the ratio is the median of the
// iterations' own ratios: a burst of load from elsewhere on a shared machine
// then moves one iteration, not the figure. For the SERIAL key, ratio_null
// sets the engine against SQLite numbering NULL keys itself (cheaper than
// the explicit keys .import gives, and not what a SERIAL may do: its next
// value can lie above the highest key).
void LoadKeyed(benchmark::State &state)
{
    Fixture &f = fixture();
    const bool serial = state.range(0) != 0;
    const std::string table = serial ? "load_serial" : "load_int";
    double engine = 0, plain = 0;
    std::vector<double> ratios, nullRatios;
    for (auto _ : state) {
        double e = 0, p = 0;
        if (ratios.size() % 2 == 0) {
            e = loadEngine(f, table, serial);
            p = loadPlain(f, table, false);
        } else {
            p = loadPlain(f, table, false);
            e = loadEngine(f, table, serial);
        }
        engine += e;
        plain += p;
        ratios.push_back(e / p);
        if (serial)
            nullRatios.push_back(e / loadPlain(f, table, true));
    }
    const double n = double(state.iterations());
    state.counters["engine_ms"] = engine / n * 1e3;
    state.counters["sqlite_ms"] = plain / n * 1e3;
    state.counters["ratio"] = median(ratios);
    if (serial)
        state.counters["ratio_null"] = median(nullRatios);
}

} // namespace

BENCHMARK(LikePrefix)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(MatchesPrefix)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(UpdateDecimal)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(OrderDecimal)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(KeyedJoin)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(LoadKeyed)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(9);

BENCHMARK_MAIN();
