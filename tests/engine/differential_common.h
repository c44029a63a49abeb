#pragma once
// Pieces both differential tests share: a statement fragment in its engine and
// plain-SQLite forms, result rows as text, the seed list, and the fixture that
// runs statements on both databases and compares what they give.
#include "scratch.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>


namespace difftest {

// Engine text and SQLite text of one fragment.
struct Sql {
    std::string ifx, lite;
    Sql() = default;
    Sql(std::string both) : ifx(both), lite(std::move(both)) {}
    Sql(const char *both) : ifx(both), lite(both) {}
    Sql(std::string i, std::string l) : ifx(std::move(i)), lite(std::move(l)) {}
};
inline Sql operator+(const Sql &a, const Sql &b) { return {a.ifx + b.ifx, a.lite + b.lite}; }
inline Sql operator+(const Sql &a, const char *b) { return {a.ifx + b, a.lite + b}; }
inline Sql operator+(const char *a, const Sql &b) { return {a + b.ifx, a + b.lite}; }

// Integral values print without a fraction, others with ten digits, so both
// sides' numbers compare as text.
inline std::string normalNumber(double d)
{
    if (std::fabs(d) < 1e15 && d == std::floor(d)) return std::to_string(std::int64_t(d));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", d);
    return buf;
}

using Rows = std::vector<std::string>;

struct Outcome {
    bool ok = true;
    std::string error;
    Rows rows;
};

inline std::string joined(const Rows &rows)
{
    std::string s;
    for (const std::string &r : rows) s += "    " + r + "\n";
    return s.empty() ? "    (no rows)\n" : s;
}

// QUODLIN_DIFF_SEEDS=n adds n more seeds from `firstExtra` on, for a longer hunt by hand.
inline std::vector<unsigned> seeds(std::vector<unsigned> fixed, unsigned firstExtra)
{
    if (const char *more = std::getenv("QUODLIN_DIFF_SEEDS"))
        for (unsigned i = 0, n = unsigned(std::atoi(more)); i < n; ++i) fixed.push_back(firstExtra + i);
    return fixed;
}

// An engine database in a folder of its own and an in-memory SQLite database.
class TwoDatabases : public testing::Test {
protected:
    void open(const std::string &tag)
    {
        m_folder = std::make_unique<enginetest::ScratchFolder>(tag);
        const std::string path = m_folder->file("diff.db");
        quodlin::engine::Session::createDatabase(path, "tester");
        m_engine = quodlin::engine::Session::open(path, "tester");
        ASSERT_EQ(sqlite3_open(":memory:", &m_lite), SQLITE_OK);
    }
    void TearDown() override
    {
        m_engine.reset();
        sqlite3_close(m_lite);
        m_folder.reset();
    }

    void liteExec(const std::string &sql)
    {
        char *err = nullptr;
        ASSERT_EQ(sqlite3_exec(m_lite, sql.c_str(), nullptr, nullptr, &err), SQLITE_OK) << sql << ": " << (err ? err : "");
    }

    // The rows of `sql`, each cell as `cell` writes the column's value.
    Outcome engineRows(const std::string &sql,
                       const std::function<std::string(quodlin::engine::Statement &, int)> &cell)
    {
        Outcome o;
        try {
            auto st = m_engine->prepare(sql);
            st->execute();
            if (st->hasResultSet())
                while (st->next()) {
                    std::string row;
                    for (std::size_t i = 0; i < st->columns().size(); ++i)
                        row += (i ? "|" : "") + cell(*st, int(i));
                    o.rows.push_back(row);
                }
        } catch (const quodlin::engine::EngineError &e) {
            o.ok = false;
            o.error = "error " + std::to_string(e.sqlCode()) + " " + e.what();
        }
        return o;
    }
    Outcome liteRows(const std::string &sql, const std::function<std::string(sqlite3_stmt *, int)> &cell)
    {
        Outcome o;
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(m_lite, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            o.ok = false;
            o.error = sqlite3_errmsg(m_lite);
            return o;
        }
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                row += (i ? "|" : "") + cell(st, i);
            o.rows.push_back(row);
        }
        if (rc != SQLITE_DONE) {
            o.ok = false;
            o.error = sqlite3_errmsg(m_lite);
        }
        sqlite3_finalize(st);
        return o;
    }

    // Counts one comparison unless both sides refused (outside the common
    // subset); the first five mismatches of a run are reported.
    static void compare(const Outcome &eng, const Outcome &lite, const Sql &s, unsigned seed, int n, int &compared,
                        int &failures)
    {
        if (!lite.ok && !eng.ok) {
            if (std::getenv("QUODLIN_DIFF_VERBOSE"))
                std::printf("refused (%s / %s): %s\n", eng.error.c_str(), lite.error.c_str(), s.ifx.c_str());
            return;
        }
        ++compared;
        if (lite.ok == eng.ok && lite.rows == eng.rows)
            return;
        if (++failures <= 5)
            ADD_FAILURE() << "seed " << seed << " statement " << n << "\n  engine: " << s.ifx << "\n  sqlite: " << s.lite
                          << "\n  engine result" << (eng.ok ? ":\n" + joined(eng.rows) : " " + eng.error + "\n")
                          << "  sqlite result" << (lite.ok ? ":\n" + joined(lite.rows) : " " + lite.error + "\n");
    }

    std::unique_ptr<enginetest::ScratchFolder> m_folder;
    std::unique_ptr<quodlin::engine::Session> m_engine;
    sqlite3 *m_lite = nullptr;
};

} // namespace difftest
