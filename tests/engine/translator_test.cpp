// The dialect's LIKE and MATCHES patterns, and parameters meeting dates and
// padded characters. The functions and the errors raised while rows are
// fetched are the SQL scripts' (functions_builtin, errors_runtime).
#include "engine/sqlfunctions.h"
#include "scratch.h"

#include <gtest/gtest.h>

using namespace quodlin::engine;
using namespace enginetest;

namespace {

class TranslatorTest : public ScratchDatabaseTest {};

TEST_F(TranslatorTest, ParametersMeetDatesAndChars)
{
    auto s = open();
    s->execute("create table part (pno serial, descr char(20), made date);"
               "insert into part (descr, made) values ('bolt', '05/17/2024')");
    EXPECT_EQ(rowsText(*s, "select descr from part where made = ? and descr = ?"), "");
    auto st = s->prepare("select pno from part where made = ? and descr = ?");
    st->bind(0, Value::fromText("05/17/2024"));
    st->bind(1, Value::fromText("bolt   "));
    st->execute();
    ASSERT_TRUE(st->next());
    EXPECT_EQ(st->value(0).integer, 1);
}

struct PatternCase {
    const char *name;
    bool matches;   // MATCHES, else LIKE
    const char *text;
    const char *pattern;
    char escape;
    bool expected;
};

void PrintTo(const PatternCase &c, std::ostream *os) { *os << c.name; }

class DialectPatterns : public ::testing::TestWithParam<PatternCase> {};

TEST_P(DialectPatterns, Match)
{
    const PatternCase &c = GetParam();
    EXPECT_EQ(c.matches ? matchesPattern(c.text, c.pattern, c.escape) : likePattern(c.text, c.pattern, c.escape), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DialectPatterns, ::testing::Values(
    PatternCase{"starAny", true, "procedure", "p*", '\\', true},
    PatternCase{"starEmpty", true, "p", "p*", '\\', true},
    PatternCase{"questionOne", true, "ab", "a?", '\\', true},
    PatternCase{"questionNotEmpty", true, "a", "a?", '\\', false},
    PatternCase{"setCase", true, "Pi_x", "[Pp][Ii]*", '\\', true},
    PatternCase{"setMiss", true, "pr_x", "[Pp][Ii]*", '\\', false},
    PatternCase{"range", true, "m", "[a-z]", '\\', true},
    PatternCase{"negatedRange", true, "M", "[^a-z]", '\\', true},
    PatternCase{"negatedRangeMiss", true, "m", "[^a-z]", '\\', false},
    PatternCase{"escapedStar", true, "a*b", "a\\*b", '\\', true},
    PatternCase{"escapedStarLiteral", true, "axb", "a\\*b", '\\', false},
    PatternCase{"customEscape", true, "a?", "a!?", '!', true},
    PatternCase{"backtracking", true, "aXbXc", "*X*c", '\\', true},
    PatternCase{"caseSensitive", true, "ABC", "abc", '\\', false},
    PatternCase{"percentLiteralWithoutEscape", false, "100%", "100%", 0, true},
    PatternCase{"likeUnderscore", false, "nut", "n_t", '\\', true},
    PatternCase{"likeEscapedUnderscore", false, "nxt", "n\\_t", '\\', false},
    PatternCase{"likePercentMiddle", false, "sysindexes", "sys%es", '\\', true},
    PatternCase{"likeBracketIsLiteral", false, "[a]", "[a]", '\\', true},
    PatternCase{"likeNoMatch", false, "abc", "abd", '\\', false}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
