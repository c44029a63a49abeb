// The parser's recycled storage: the per-thread token array and the free list
// of expression nodes must carry nothing from one parse to the next, survive
// a parse that fails half-way, and stay sound when a tree is freed on another
// thread than the one that built it.
#include "engine/error.h"
#include "engine/parser.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace quodlin::engine;
using namespace quodlin::engine::ast;

namespace {

// Column names and operators of a WHERE tree, depth first.
void describe(const Expr &e, std::string &out)
{
    out += std::to_string(static_cast<int>(e.kind)) + ":" + e.table + "." + e.text + "(";
    for (const auto &a : e.args)
        describe(*a, out);
    out += ")";
}

std::string whereOf(const std::string &sql)
{
    const Script s = parseScript(sql);
    const auto &sel = static_cast<const SelectStatement &>(*s.at(0));
    std::string out;
    describe(*sel.select.cores.at(0).where, out);
    return out;
}

const char *const kLong =
    "select i.idxname from sysindexes i, outer syscolumns c1, outer syscolumns c2 "
    "where i.tabid = :tabid and i.tabid = c1.tabid and i.part1 = c1.colno "
    "and i.tabid = c2.tabid and i.part2 = c2.colno and c2.colname matches 'A*' order by 1";

TEST(ParserReuse, LaterParsesSeeOnlyTheirOwnText)
{
    const std::string longTree = whereOf(kLong);
    // A shorter text after a longer one, capitals folded, delimited kept.
    const Script s = parseScript("SELECT MixedCase FROM Tab WHERE Col = 1", {});
    const auto &sel = static_cast<const SelectStatement &>(*s.at(0));
    EXPECT_EQ(sel.select.cores.at(0).items.at(0).expr->text, "mixedcase");
    EXPECT_EQ(sel.select.cores.at(0).from.at(0).table.name, "tab");
    EXPECT_EQ(sel.select.cores.at(0).where->args.at(0)->text, "col");
    ParseOptions delim;
    delim.delimident = true;
    const Script d = parseScript("select \"MiXed\" from t", delim);
    EXPECT_EQ(static_cast<const SelectStatement &>(*d.at(0)).select.cores.at(0).items.at(0).expr->text, "MiXed");
    // A parse that fails leaves the next one intact.
    EXPECT_THROW(parseScript("select a from t where a = = 1"), EngineError);
    EXPECT_THROW(parseScript("select 'unterminated from t"), EngineError);
    EXPECT_EQ(whereOf(kLong), longTree);
}

TEST(ParserReuse, TreesBuiltAndFreedOnDifferentThreads)
{
    const std::string expected = whereOf(kLong);
    std::vector<Script> handedOver(4);
    std::vector<std::string> seen(4);
    std::vector<std::thread> builders;
    for (int t = 0; t < 4; ++t) {
        builders.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                Script s = parseScript(kLong);
                if (i == 199)
                    handedOver[t] = std::move(s);
            }
            seen[t] = whereOf(kLong);
        });
    }
    for (auto &b : builders)
        b.join();
    // Freed here, then this thread's recycled nodes build new trees.
    handedOver.clear();
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(whereOf(kLong), expected);
    for (const std::string &s : seen)
        EXPECT_EQ(s, expected);
}

} // namespace
