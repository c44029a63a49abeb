// The embedded engine against raw SQLite on the same data: a full scan of
// 1,000,000 rows, an exact SUM over 1,000,000 DECIMAL(16,2) values against
// SQLite's sum() over the same amounts as REAL, 100,000 single-row INSERTs
// in one transaction, and the parse + translate cost of the object browser's catalog statements (cold:
// parser and translator called directly; warm: the session's caches).
// Instruction counts, which other work on the machine does not disturb:
//   QUODLIN_BENCH_SCALE=20 valgrind --tool=callgrind --toggle-collect='*EngineScan*'
//     --toggle-collect='*fixture*' bench_engine_bench --benchmark_filter=EngineScan/1/
// (the second toggle leaves out building the data; compare with RawSqliteScan).
// Cold parse + translate per statement: --toggle-collect='*ParseTranslateCold*'
// --benchmark_filter='ParseTranslateCold/4$' --benchmark_min_time=2, then the
// inclusive cost of parseScript and translate divided by their call counts
// (the first call also loads the catalog; a few hundred calls amortise it).
#include "benchscale.h"
#include "engine/engine.h"
#include "engine/parser.h"
#include "engine/session.h"
#include "engine/translator.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace quodlin::engine;
namespace fs = std::filesystem;

namespace {

// QUODLIN_BENCH_SCALE divides both row counts (e.g. 100 for callgrind runs).
using quodlin::bench::benchScale;
const int kScanRows = 1000000 / benchScale();
const int kInsertRows = 100000 / benchScale();

struct Fixture {
    std::string path;
    std::int64_t sumCents = 0;  // of table sums
    Fixture()
    {
        fs::path dir = fs::temp_directory_path() / ("quodlin_bench_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        path = (dir / "bench.db").string();
        Session::createDatabase(path, "bench");
        auto s = Session::open(path, "bench");
        s->execute("create table scan (id integer, name varchar(40), price decimal(10,2));"
                   "create table ins (id integer, name varchar(40), price decimal(10,2));"
                   "create table sums (d decimal(16,2), f float);"
                   "create table first_user (a integer, b char(10), c date, d decimal(8,2));"
                   "create index ix3 on first_user (c, a, b)");
        s.reset();
        sqlite3 *db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO scan VALUES (?1, ?2, ?3)", -1, &st, nullptr);
        char price[32];
        for (int i = 0; i < kScanRows; ++i) {
            std::string name = "item " + std::to_string(i);
            sqlite3_bind_int(st, 1, i);
            sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
            // DECIMAL(10,2) as the engine stores it: exact text at its scale.
            std::snprintf(price, sizeof price, "%d.%02d", i / 4, i % 4 * 25);
            sqlite3_bind_text(st, 3, price, -1, SQLITE_TRANSIENT);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        // The same amounts as DECIMAL(16,2) text and as REAL; their exact sum in cents.
        sqlite3_prepare_v2(db, "INSERT INTO sums VALUES (?1, ?2)", -1, &st, nullptr);
        for (std::int64_t i = 0; i < kScanRows; ++i) {
            const std::int64_t cents = (i * 104729) % 1000000000000 - 300000000000;
            sumCents += cents;
            std::snprintf(price, sizeof price, "%s%lld.%02lld", cents < 0 ? "-" : "", static_cast<long long>(std::llabs(cents) / 100),
                          static_cast<long long>(std::llabs(cents) % 100));
            sqlite3_bind_text(st, 1, price, -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(st, 2, static_cast<double>(cents) / 100);
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

// range(0): 1 reads the DECIMAL column too (the engine returns it as exact text).
void RawSqliteScan(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    sqlite3_open(fixture().path.c_str(), &db);
    const bool decimal = state.range(0) != 0;
    for (auto _ : state) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, decimal ? "SELECT id, name, price FROM scan" : "SELECT id, name FROM scan", -1, &st,
                           nullptr);
        std::int64_t sum = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            sum += sqlite3_column_int64(st, 0);
            benchmark::DoNotOptimize(sqlite3_column_text(st, 1));
            if (decimal)
                benchmark::DoNotOptimize(sqlite3_column_text(st, 2));
        }
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * kScanRows);
}

void EngineScan(benchmark::State &state)
{
    auto s = Session::open(fixture().path, "bench");
    const bool decimal = state.range(0) != 0;
    for (auto _ : state) {
        auto st = s->prepare(decimal ? "select id, name, price from scan" : "select id, name from scan");
        st->execute();
        std::int64_t sum = 0;
        while (st->next()) {
            sum += st->value(0).integer;
            benchmark::DoNotOptimize(st->value(1).text.data());
            if (decimal)
                benchmark::DoNotOptimize(st->value(2).text.data());
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kScanRows);
}

// SUM over 1,000,000 amounts: SQLite's sum() over the REAL copy against the
// engine's exact SUM over DECIMAL(16,2), whose result is checked to the cent.
void RawSqliteSum(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    sqlite3_open(fixture().path.c_str(), &db);
    for (auto _ : state) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "SELECT sum(f) FROM sums", -1, &st, nullptr);
        sqlite3_step(st);
        benchmark::DoNotOptimize(sqlite3_column_double(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * kScanRows);
}

void EngineSum(benchmark::State &state)
{
    auto s = Session::open(fixture().path, "bench");
    const std::int64_t cents = fixture().sumCents;
    char expected[48];
    std::snprintf(expected, sizeof expected, "%s%lld.%02lld", cents < 0 ? "-" : "", static_cast<long long>(std::llabs(cents) / 100),
                  static_cast<long long>(std::llabs(cents) % 100));
    for (auto _ : state) {
        auto st = s->prepare("select sum(d) from sums");
        st->execute();
        st->next();
        if (st->value(0).text != expected) {
            state.SkipWithError(("inexact sum " + st->value(0).text + ", expected " + expected).c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kScanRows);
}

void RawSqliteInsert(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    sqlite3_open(fixture().path.c_str(), &db);
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO ins VALUES (?1, ?2, ?3)", -1, &st, nullptr);
        for (int i = 0; i < kInsertRows; ++i) {
            sqlite3_bind_int(st, 1, i);
            sqlite3_bind_text(st, 2, "a name", -1, SQLITE_STATIC);
            sqlite3_bind_double(st, 3, 1.25);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        state.PauseTiming();
        sqlite3_exec(db, "DELETE FROM ins", nullptr, nullptr, nullptr);
        state.ResumeTiming();
    }
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * kInsertRows);
}

void EngineInsert(benchmark::State &state)
{
    auto s = Session::open(fixture().path, "bench");
    for (auto _ : state) {
        s->execute("begin work");
        auto st = s->prepare("insert into ins values (?, ?, ?)");
        for (int i = 0; i < kInsertRows; ++i) {
            st->bind(0, Value::fromInt(i));
            st->bind(1, Value::fromText("a name"));
            st->bind(2, Value::fromDouble(1.25));
            st->execute();
        }
        s->execute("commit work");
        state.PauseTiming();
        s->execute("delete from ins");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kInsertRows);
}

const char *const kCatalogStatements[] = {
    "select tabname, owner, tabid\n from systables \n where tabid >= 100 and tabtype = 'T'\n order by owner, tabname",
    "select tabname, owner, tabid\n from systables \n where tabid < 100 and tabtype = 'T'\n order by owner, tabname",
    "select tabname, owner, tabid, rowsize, tabtype\n from systables \n where tabname = :tabname and owner = :owner",
    "select c.tabid tabid, c.colno colno, c.colname colname, c.coltype coltype,\n"
    "       c.collength collength, c.colmin colmin, c.colmax colmax,\n"
    "       d.type defaulttype, d.default defaultvalue\n from syscolumns c,\n      OUTER sysdefaults d\n"
    " where c.tabid = :tabid and\n       d.tabid = c.tabid and d.colno = c.colno\n order by c.colno",
    "select i.idxname, i.owner, i.tabid, i.idxtype, i.clustered,\n"
    "       c1.colname colname1, c2.colname colname2, c3.colname colname3, c4.colname colname4, c5.colname colname5,\n"
    "       c6.colname colname6, c7.colname colname7, c8.colname colname8, c9.colname colname9, c10.colname colname10,\n"
    "       c11.colname colname11, c12.colname colname12, c13.colname colname13, c14.colname colname14,\n"
    "       c15.colname colname15, c16.colname colname16\n from sysindexes i,\n"
    "      OUTER syscolumns c1, OUTER syscolumns c2,\n      OUTER syscolumns c3, OUTER syscolumns c4,\n"
    "      OUTER syscolumns c5, OUTER syscolumns c6,\n      OUTER syscolumns c7, OUTER syscolumns c8,\n"
    "      OUTER syscolumns c9, OUTER syscolumns c10,\n      OUTER syscolumns c11,OUTER syscolumns c12,\n"
    "      OUTER syscolumns c13,OUTER syscolumns c14,\n      OUTER syscolumns c15,OUTER syscolumns c16\n"
    " where i.tabid = :tabid and\n"
    "       i.tabid = c1.tabid  and i.part1 = c1.colno and\n       i.tabid = c2.tabid  and i.part2 = c2.colno and\n"
    "       i.tabid = c3.tabid  and i.part3 = c3.colno and\n       i.tabid = c4.tabid  and i.part4 = c4.colno and\n"
    "       i.tabid = c5.tabid  and i.part5 = c5.colno and\n       i.tabid = c6.tabid  and i.part6 = c6.colno and\n"
    "       i.tabid = c7.tabid  and i.part7 = c7.colno and\n       i.tabid = c8.tabid  and i.part8 = c8.colno and\n"
    "       i.tabid = c9.tabid  and i.part9 = c9.colno and\n       i.tabid = c10.tabid and i.part10= c10.colno and\n"
    "       i.tabid = c11.tabid and i.part11= c11.colno and\n       i.tabid = c12.tabid and i.part12= c12.colno and\n"
    "       i.tabid = c13.tabid and i.part13= c13.colno and\n       i.tabid = c14.tabid and i.part14= c14.colno and\n"
    "       i.tabid = c15.tabid and i.part15= c15.colno and\n       i.tabid = c16.tabid and i.part16= c16.colno\n"
    " order by i.clustered, i.idxtype desc",
    "select tabname stabname, owner sowner, tabid\n from systables\n where tabid = :sbtabid",
};
const char *const kCatalogNames[] = {"qryUserTables", "qrySystemTables", "qryTable", "qryTableColumns",
                                     "qryTableIndexes", "qrySynLocalTable"};

void ParseTranslateCold(benchmark::State &state)
{
    const std::string text = kCatalogStatements[state.range(0)];
    state.SetLabel(kCatalogNames[state.range(0)]);
    auto session = Session::open(fixture().path, "bench");
    auto &impl = static_cast<SessionImpl &>(*session);
    for (auto _ : state) {
        ast::Script script = parseScript(text);
        TranslationContext ctx = impl.translationContext();
        Translation tr = translate(*script[0], ctx);
        benchmark::DoNotOptimize(tr.sql.data());
    }
}

void PrepareCached(benchmark::State &state)
{
    const std::string text = kCatalogStatements[state.range(0)];
    state.SetLabel(kCatalogNames[state.range(0)]);
    auto session = Session::open(fixture().path, "bench");
    auto &impl = static_cast<SessionImpl &>(*session);
    auto script = impl.parse(text);
    for (auto _ : state) {
        auto again = impl.parse(text);
        auto tr = impl.translation(text, 0, *(*again)[0], impl.schemaStamp());
        benchmark::DoNotOptimize(tr.get());
    }
}

} // namespace

BENCHMARK(RawSqliteScan)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(EngineScan)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(RawSqliteSum)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(EngineSum)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(RawSqliteInsert)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(EngineInsert)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ParseTranslateCold)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK(PrepareCached)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
