// Parser: statement splitting and offsets, parameter offsets, routine headers
// and -201 positions. What the trees of DDL, OUTER groups and privileges mean
// is checked end to end through the catalog and the rows (tests/data/engine).
#include "engine/error.h"
#include "engine/parser.h"

#include <gtest/gtest.h>

using namespace quodlin::engine;
using namespace quodlin::engine::ast;

namespace {

int errorOffset(const std::string &sql, int expectedCode = -201)
{
    try {
        parseScript(sql);
    } catch (const EngineError &e) {
        EXPECT_EQ(e.sqlCode(), expectedCode) << sql;
        return e.offset();
    }
    ADD_FAILURE() << "parsed: " << sql;
    return -2;
}

TEST(Parser, SplitsStatementsWithOffsets)
{
    const std::string text = "select 1 from t; ; update t set a = 1 ;\ndelete from t";
    const Script s = parseScript(text);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0]->kind, StmtKind::Select);
    EXPECT_EQ(text.substr(s[0]->start, s[0]->end - s[0]->start), "select 1 from t");
    EXPECT_EQ(text.substr(s[1]->start, s[1]->end - s[1]->start), "update t set a = 1");
    EXPECT_EQ(text.substr(s[2]->start, s[2]->end - s[2]->start), "delete from t");

    const Script p = parseScript("select a from t where b = :Tabid and c = ? and d = :owner");
    ASSERT_EQ(p.front()->params.size(), 3u);
    EXPECT_EQ(p.front()->params[0].name, "tabid");
    EXPECT_EQ(p.front()->params[1].offset, 41);
}

TEST(Parser, RoutineHeaderOutsideTheKnownFormsStillParses)
{
    const Script s = parseScript("create function f(a like t.c, b int) returning char(10) as x; return 'a'; end function");
    const auto &r = static_cast<const RoutineStatement &>(*s.front());
    EXPECT_FALSE(r.headerParsed);
    const Script ok = parseScript("create function g(a int default 1, b char(5)) returning int, decimal(8,2); return 1, 2; end function");
    const auto &g = static_cast<const RoutineStatement &>(*ok.front());
    EXPECT_TRUE(g.headerParsed);
    EXPECT_EQ(g.signature.size(), 2u);
    EXPECT_EQ(g.returning.size(), 2u);
}

struct SyntaxCase {
    const char *name;
    const char *sql;
    int offset;
};

void PrintTo(const SyntaxCase &c, std::ostream *os) { *os << c.name; }

class ParserSyntaxErrors : public ::testing::TestWithParam<SyntaxCase> {};

TEST_P(ParserSyntaxErrors, PointsAtTheToken)
{
    EXPECT_EQ(errorOffset(GetParam().sql), GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParserSyntaxErrors, ::testing::Values(
    SyntaxCase{"unknownStatement", "selct 1 from t", 0},
    SyntaxCase{"secondStatement", "select 1 from t; select from t", 24},
    SyntaxCase{"missingParen", "select count(* from t", 15},
    SyntaxCase{"trailingGarbage", "select a from t t2 t3", 19},
    SyntaxCase{"numberAsType", "create table t (a 12)", 18},
    SyntaxCase{"unclosedProcedure", "create procedure p() let a = 1;", 31},
    SyntaxCase{"emptyInList", "select a from t where a in ()", 28},
    SyntaxCase{"dangling", "select a from t where", 21}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
