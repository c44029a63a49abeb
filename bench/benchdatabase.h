#pragma once
// Generated embedded databases for the benchmarks. Each DDL statement makes
// SQLite scan its whole schema table once; with the default 2 MB page cache
// a schema of thousands of tables no longer fits and every scan re-reads it
// from the write-ahead file (3,000 tables: 31 s, with the hint below 12.5 s).
// So the file carries a large suggested cache while it is built, in one
// transaction, and the default again before it is measured.
#include "engine/engine.h"

#include <QCoreApplication>

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace quodlin::bench {

// `prefix` and `i` in five digits (t00042): generated objects sort as made.
inline std::string numbered(const char *prefix, int i)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s%05d", prefix, i);
    return buffer;
}

// Table i of the generated schemas: a SERIAL key, a default, every tenth a
// foreign key to the one before and an index; clerk may select every
// `grantEvery`-th. `nameWidth` and `note` give a changed form of it.
inline std::string generatedTable(int i, int grantEvery, int nameWidth = 20, bool note = false)
{
    const std::string t = numbered("t", i);
    std::string s = "create table " + t + " (id serial not null, name char(" + std::to_string(nameWidth)
        + "), amount decimal(10,2) default 0, since date default today, ref integer";
    if (note)
        s += ", note varchar(40)";
    if (i % 10 == 1)
        s += ", foreign key (ref) references " + numbered("t", i - 1) + " (id)";
    s += ", primary key (id));";
    if (i % 10 == 0)
        s += "create index " + numbered("ix", i) + " on " + t + " (name, amount desc);";
    if (i % grantEvery == 0)
        s += "grant select on " + t + " to clerk;";
    return s;
}

// Where a benchmark keeps its databases: with QUODLIN_BENCH_DATA=DIR, in
// DIR/`name` for this and later runs (remove it after changing the script or
// the engine's files); otherwise in a folder of this run that the caller
// removes (`kept` false).
inline std::filesystem::path dataFolder(const std::string &name, bool *kept)
{
    namespace fs = std::filesystem;
    const char *keep = std::getenv("QUODLIN_BENCH_DATA");
    *kept = keep && *keep;
    if (*kept)
        return fs::path(keep) / name;
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    return base / ("quodlin_" + name + "_" + std::to_string(QCoreApplication::applicationPid()));
}

inline void suggestCacheSize(const std::string &path, int pages)
{
    sqlite3 *db = nullptr;
    const std::string pragma = "PRAGMA default_cache_size = " + std::to_string(pages);
    const bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
                    sqlite3_exec(db, pragma.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    if (!ok)
        throw std::runtime_error("cannot set the cache size of " + path);
}

// Runs `script` on the database at `path` (created when `create`) in one
// transaction; tells how long it took on standard error.
inline void buildDatabase(const std::string &path, const std::string &script, bool create = true)
{
    const auto start = std::chrono::steady_clock::now();
    if (create)
        engine::Session::createDatabase(path, "bench");
    suggestCacheSize(path, 1000000);
    engine::Session::open(path, "bench")->execute("begin work;" + script + "commit work;");
    suggestCacheSize(path, 0);
    std::fprintf(stderr, "%s built in %.1f s\n", path.c_str(),
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

} // namespace quodlin::bench
