// Random long conditions, seeded and bounded: the engine's answer must match
// a reference evaluated here (three-valued logic included), so the
// regrouping of long chains cannot change a result. Errors must never show
// the engine's internal names.
#include "engine/engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>

using namespace quodlin::engine;
namespace fs = std::filesystem;

namespace {

using Truth = std::optional<bool>;  // nullopt: UNKNOWN

struct Row {
    int v;
    std::optional<int> w;
};

// A random condition as SQL and as a function of a row.
struct Condition {
    std::string sql;
    std::function<Truth(const Row &)> eval;
};

class Generator {
public:
    explicit Generator(unsigned seed) : m_random(seed) {}

    int pick(int n) { return int(m_random() % unsigned(n)); }

    Condition atom()
    {
        const int k = pick(100), j = pick(7);
        switch (pick(4)) {
        case 0: return {"v < " + std::to_string(k), [k](const Row &r) -> Truth { return r.v < k; }};
        case 1:
            return {"w = " + std::to_string(j), [j](const Row &r) -> Truth {
                        if (!r.w) return std::nullopt;
                        return *r.w == j;
                    }};
        case 2: return {"w is null", [](const Row &r) -> Truth { return !r.w; }};
        default:
            return {"w > v - " + std::to_string(k), [k](const Row &r) -> Truth {
                        if (!r.w) return std::nullopt;
                        return *r.w > r.v - k;
                    }};
        }
    }

    // Chains long enough to be regrouped (over 32 terms) as often as short
    // ones at the top, short ones inside.
    Condition condition(int depth, bool top = true)
    {
        if (depth == 0 || (!top && pick(3) == 0)) return atom();
        const bool isAnd = pick(2);
        const int n = top && pick(2) ? 33 + pick(300) : 2 + pick(10);
        std::vector<Condition> parts;
        for (int i = 0; i < n; ++i) parts.push_back(condition(depth - 1, false));
        Condition out;
        out.sql = "(";
        for (int i = 0; i < n; ++i) out.sql += (i ? (isAnd ? " and " : " or ") : "") + parts[std::size_t(i)].sql;
        out.sql += ")";
        out.eval = [isAnd, parts](const Row &r) -> Truth {
            bool unknown = false;
            for (const Condition &p : parts) {
                const Truth t = p.eval(r);
                if (!t) unknown = true;
                else if (*t != isAnd) return !isAnd;
            }
            if (unknown) return std::nullopt;
            return isAnd;
        };
        const int nots = pick(4) == 0 ? pick(40) : 0;
        for (int i = 0; i < nots; ++i) {
            out.sql = "not " + out.sql;
            auto inner = out.eval;
            out.eval = [inner](const Row &r) -> Truth {
                const Truth t = inner(r);
                if (!t) return std::nullopt;
                return !*t;
            };
        }
        return out;
    }

private:
    std::mt19937 m_random;
};

class ChainFuzz : public testing::Test {
protected:
    void SetUp() override
    {
        const char *home = std::getenv("QUODLIN_HOME");
        m_path = (fs::path(home ? home : fs::temp_directory_path().string()) / "chain_fuzz.db").string();
        fs::remove(m_path);
        Session::createDatabase(m_path, "tester");
        m_session = Session::open(m_path, "tester");
        m_session->execute("create table n (v integer, w integer)");
        auto insert = m_session->prepare("insert into n values (?, ?)");
        for (int v = 0; v < 100; ++v) {
            Row r{v, v % 11 == 0 ? std::nullopt : std::optional<int>(v % 7)};
            insert->bind(0, Value::fromInt(v));
            insert->bind(1, r.w ? Value::fromInt(*r.w) : Value::null());
            insert->execute();
            m_rows.push_back(r);
        }
    }
    void TearDown() override
    {
        m_session.reset();
        fs::remove(m_path);
    }

    std::string first(const std::string &sql)
    {
        auto q = m_session->prepare(sql);
        q->execute();
        if (!q->next()) return "no row";
        return displayText(q->value(0), q->columns()[0], m_session->environment());
    }

    std::string m_path;
    std::unique_ptr<Session> m_session;
    std::vector<Row> m_rows;
};

TEST_F(ChainFuzz, LongConditionsCountTheRowsTheReferenceDoes)
{
    Generator g(20261207);
    for (int round = 0; round < 60; ++round) {
        const Condition c = g.condition(2);
        int expected = 0;
        for (const Row &r : m_rows) {
            const Truth t = c.eval(r);
            expected += t && *t;
        }
        ASSERT_EQ(first("select count(*) from n where " + c.sql), std::to_string(expected))
            << "round " << round << ": " << c.sql.substr(0, 300);
    }
}

TEST_F(ChainFuzz, ErrorsNeverNameInternalObjects)
{
    // Failing statements over the shapes the engine rewrites internally.
    const char *const statements[] = {
        "alter table n modify (w integer not null)",
        "alter table n add (z integer check (z > 0) constraint z_pos); update n set z = 1; "
        "update n set z = 0 where v = 1",
        "update n set (v, w) = (select v, null from n where v = 1) where v = 2",
        "select v from n where v = (select v from n)",
        "select (select w from n where w > 1) from n",
        "select * from (select v from n) where nosuch = 1",
        "select v from n where v > all (select nosuch from n)",
        "insert into n select v + 1, w from (select v, w from n) where v = 'x'",
        "create temp table tt (a integer not null); insert into tt select w from n",
        "select v from n union select v, w from n",
    };
    for (const char *sql : statements) {
        try {
            m_session->execute(sql);
            ADD_FAILURE() << "succeeded: " << sql;
        } catch (const EngineError &e) {
            EXPECT_NE(e.sqlCode(), -999) << sql;
            EXPECT_EQ(e.info().message.find("quodlin"), std::string::npos) << e.info().message << "\n" << sql;
            EXPECT_EQ(m_session->sqlca().sqlerrm.find("quodlin"), std::string::npos) << sql;
        }
    }
}

} // namespace
