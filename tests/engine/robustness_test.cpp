// Random and truncated statements through the lexer, parser and translator:
// each must either succeed or fail with an EngineError, never crash, hang or
// throw anything else. Seeded, bounded counts, so a failure reproduces.
#include "engine/catalog.h"
#include "engine/engine.h"
#include "engine/error.h"
#include "engine/parser.h"
#include "engine/translator.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>

using namespace quodlin::engine;
namespace fs = std::filesystem;

namespace {

using ast::Script;
using ast::StatementPtr;

const char *const kCorpus[] = {
    "select tabname, owner, tabid from systables where tabid >= 100 and tabtype = 'T' order by owner, tabname",
    "select c.tabid tabid, c.colno colno, c.colname colname, d.type defaulttype, d.default defaultvalue from syscolumns c, "
    "OUTER sysdefaults d where c.tabid = :tabid and d.tabid = c.tabid and d.colno = c.colno order by c.colno",
    "select z.tabname synname, t.btabid sbtabid from systables z, OUTER syssyntable t where z.tabid = t.tabid and z.tabtype in ('P', 'S')",
    "select procname from sysprocedures where mode <> 'P' and (procname matches '[Pp][Ii]*' or procname not matches '[Pp][Dd]*')",
    "select skip 2 first 3 unique t.tabid, count(*), sum(t.ncols) / 2 from systables t, outer (syscolumns c, outer sysindexes i) "
    "where t.tabid = c.tabid and c.tabid = i.tabid group by 1 having count(*) > 1 order by 2 desc",
    "select tabname[1,3] || 'x', case when tabid > 5 then today + 1 units day else mdy(1, 2, 2024) end, "
    "extend(current, year to minute), decode(tabid, 1, 'a', 'b'), nvl(site, 'n') from systables where tabid = any (select tabid from syscolumns)",
    "insert into t (a, b) values (1, '01/02/2024'); update t set (a, b) = (2, today) where a = 1; delete from t where rowid = 3",
    "create table t (a serial(10) primary key constraint pk, b varchar(10,2) default 'x' not null, c datetime year to second "
    "default current year to second, d interval day(3) to hour, check (a > 0) constraint ck) lock mode row",
    "alter table t add (x int before a), drop (b), modify (c char(3) not null), add constraint unique (x) constraint u",
    "create unique cluster index ix on t (a desc, b); rename column t.a to z; drop index ix; create sequence s increment by 2",
    "create procedure p(a int) returning int; define x int; let x = a; return x; end procedure document 'x'",
    "select * from systables where tabname like 'sys\\_%' escape '\\' and tabid between 1 and 99 and exists (select 1 from sysusers)",
    "{ comment } select /* c */ tabid -- tail\n from \"informix\".systables where tabid = ? into temp tt with no log",
};

const char *const kVocabulary[] = {
    "select", "from", "where", "and", "or", "not", "outer", "(", ")", ",", ".", "*", "=", "<>", "<", "+", "-", "/", "||",
    "systables", "syscolumns", "t", "tabid", "tabname", "c", "1", "2.5", "'x'", "\"y\"", ":p", "?", "order", "by", "group",
    "having", "union", "all", "in", "exists", "between", "like", "matches", "is", "null", "case", "when", "then", "else",
    "end", "insert", "into", "values", "update", "set", "delete", "create", "table", "index", "on", "int", "char", "(10)",
    "datetime", "year", "to", "day", "interval", "units", "today", "current", "user", "count", "sum", "first", "skip",
    "distinct", "as", "join", "left", "inner", "any", "[", "]", "::", ";", "{", "}", "/*", "*/", "--", "\n", "drop",
    "alter", "add", "modify", "constraint", "primary", "key", "references", "check", "default", "serial", "temp",
    "mdy", "extend", "trim", "both", "substring", "for", "cast", "date", "decimal", "nextval", "s",
};

class Robustness : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *home = std::getenv("QUODLIN_HOME");
        m_path = (fs::path(home ? home : fs::temp_directory_path().string()) / "robustness_test.db").string();
        fs::remove(m_path);
        Session::createDatabase(m_path, "tester");
        auto s = Session::open(m_path, "tester");
        s->execute("create table t (a integer, b date, c char(10), rowid_x integer)");
        s.reset();
        ASSERT_EQ(sqlite3_open(m_path.c_str(), &m_db), SQLITE_OK);
        m_catalog = std::make_unique<Catalog>(m_db);
    }
    void TearDown() override
    {
        m_catalog.reset();
        sqlite3_close(m_db);
        fs::remove(m_path);
    }

    // Parses and translates; returns false when something other than an EngineError escaped.
    bool survive(const std::string &text)
    {
        try {
            const Script script = parseScript(text, ParseOptions{text.size() % 2 == 0});
            for (const StatementPtr &st : script) {
                if (st->kind != ast::StmtKind::Select && st->kind != ast::StmtKind::Insert
                    && st->kind != ast::StmtKind::Update && st->kind != ast::StmtKind::Delete)
                    continue;
                try {
                    TranslationContext ctx{*m_catalog, m_env, "tester"};
                    translate(*st, ctx);
                } catch (const EngineError &e) {
                    if (e.offset() > int(text.size())) {
                        ADD_FAILURE() << "offset past the end: " << text;
                        return false;
                    }
                }
            }
        } catch (const EngineError &e) {
            if (e.offset() > int(text.size())) {
                ADD_FAILURE() << "offset past the end: " << text;
                return false;
            }
        } catch (const std::exception &e) {
            ADD_FAILURE() << "unexpected " << e.what() << " for: " << text;
            return false;
        }
        return true;
    }

    std::string m_path;
    sqlite3 *m_db = nullptr;
    std::unique_ptr<Catalog> m_catalog;
    Environment m_env;
};

TEST_F(Robustness, EveryPrefixOfTheCorpus)
{
    for (const char *sql : kCorpus) {
        const std::string text = sql;
        for (std::size_t n = 0; n <= text.size(); ++n)
            ASSERT_TRUE(survive(text.substr(0, n))) << n;
    }
}

TEST_F(Robustness, MutatedCorpus)
{
    std::mt19937 rng(20261206);
    const std::string alphabet = "abcz019 '\"(),.*;:?{}[]-/|=<>\n\\";
    for (int round = 0; round < 1500; ++round) {
        std::string text = kCorpus[rng() % std::size(kCorpus)];
        const int edits = 1 + int(rng() % 4);
        for (int k = 0; k < edits && !text.empty(); ++k) {
            const std::size_t at = rng() % text.size();
            switch (rng() % 3) {
            case 0: text[at] = alphabet[rng() % alphabet.size()]; break;
            case 1: text.insert(at, 1, alphabet[rng() % alphabet.size()]); break;
            default: text.erase(at, 1 + rng() % 6); break;
            }
        }
        ASSERT_TRUE(survive(text)) << round;
    }
}

TEST_F(Robustness, RandomTokenSoup)
{
    std::mt19937 rng(4242);
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int length = 1 + int(rng() % 30);
        for (int k = 0; k < length; ++k) {
            text += kVocabulary[rng() % std::size(kVocabulary)];
            text += ' ';
        }
        ASSERT_TRUE(survive(text)) << round;
    }
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 60.0);
}

TEST_F(Robustness, LongAndDeepInputsFailCleanly)
{
    std::string chain = "select 1 from t where a = 0";
    for (int i = 0; i < 900; ++i) chain += " or a = " + std::to_string(i);
    EXPECT_NO_THROW(parseScript(chain));
    ASSERT_TRUE(survive(chain));
    for (int i = 0; i < 200000; ++i) chain += " or a = 1";
    ASSERT_TRUE(survive(chain));
    std::string plus = "select 1";
    for (int i = 0; i < 200000; ++i) plus += "+1";
    ASSERT_TRUE(survive(plus + " from t"));
    std::string from = "select 1 from ";
    for (int i = 0; i < 200000; ++i) from += "(";
    ASSERT_TRUE(survive(from));
    std::string sub = "select 1 from t where a in ";
    for (int i = 0; i < 100000; ++i) sub += "(select a from t where a in ";
    ASSERT_TRUE(survive(sub));
    std::string casts = "select a";
    for (int i = 0; i < 100000; ++i) casts += "::int";
    ASSERT_TRUE(survive(casts + " from t"));
    std::string compares = "select 1 from t where a";
    for (int i = 0; i < 100000; ++i) compares += " = a";
    ASSERT_TRUE(survive(compares));
    std::string outer = "select 1 from t";
    for (int i = 0; i < 100000; ++i) outer += ", outer (";
    ASSERT_TRUE(survive(outer));
}

} // namespace
