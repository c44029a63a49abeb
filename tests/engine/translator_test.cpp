// The translator end to end through a session: defaults and serials filled,
// parameters against dates and chars, errors raised while rows are fetched,
// and the dialect's functions and patterns.
#include "engine/sqlfunctions.h"
#include "scratch.h"

#include <gtest/gtest.h>

using namespace quodlin::engine;
using namespace enginetest;

namespace {

class TranslatorTest : public ScratchDatabaseTest {
protected:
    TranslatorTest() : ScratchDatabaseTest("translator_test.db", "tester")
    {
        m_session = open();
        m_session->execute(
            "create table part (pno serial, descr char(20) default 'none', made date default today, maker char(18) default user,"
            " price decimal(8,2))");
    }

    std::string rows(const std::string &sql) { return rowsText(*m_session, sql); }
    int fetchError(const std::string &sql) { return codeOf([&] { rows(sql); }); }

    std::unique_ptr<Session> m_session;
};

TEST_F(TranslatorTest, InsertFillsSerialAndDefaults)
{
    m_session->execute("insert into part (price) values (2.5); insert into part (pno, descr) values (0, 'x')");
    EXPECT_EQ(rows("select dbinfo('sqlca.sqlerrd1'), dbinfo('dbname') from systables where tabid = 1"),
              "2|translator_test\n");
    EXPECT_EQ(rows("select pno, descr, made = today, maker, price from part order by pno"),
              "1|none|t|tester|2.50\n2|x|t|tester|NULL\n");
}

TEST_F(TranslatorTest, ParametersMeetDatesAndChars)
{
    m_session->execute("insert into part (descr, made) values ('bolt', '05/17/2024')");
    EXPECT_EQ(rows("select descr from part where made = ? and descr = ?"), "");
    auto st = m_session->prepare("select pno from part where made = ? and descr = ?");
    st->bind(0, Value::fromText("05/17/2024"));
    st->bind(1, Value::fromText("bolt   "));
    st->execute();
    ASSERT_TRUE(st->next());
    EXPECT_EQ(st->value(0).integer, 1);
}

struct FetchErrorCase {
    const char *name;
    const char *sql;
    int code;
};

void PrintTo(const FetchErrorCase &c, std::ostream *os) { *os << c.name; }

class TranslatorFetchErrors : public TranslatorTest, public ::testing::WithParamInterface<FetchErrorCase> {};

TEST_P(TranslatorFetchErrors, Raise)
{
    EXPECT_EQ(fetchError(GetParam().sql), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Cases, TranslatorFetchErrors, ::testing::Values(
    FetchErrorCase{"badMonth", "select mdy(13, 1, 2024) from systables where tabid = 1", -1205},
    FetchErrorCase{"badDay", "select mdy(2, 30, 2024) from systables where tabid = 1", -1206},
    FetchErrorCase{"monthOverflow", "select mdy(1, 31, 2024) + 1 units month from systables where tabid = 1", -1267},
    FetchErrorCase{"divideByZero", "select 1 / (tabid - 1) from systables where tabid = 1", -1202},
    FetchErrorCase{"modByZero", "select mod(5, 0) from systables where tabid = 1", -1202},
    FetchErrorCase{"notANumber", "select 'abc'::integer from systables where tabid = 1", -1213},
    FetchErrorCase{"scalarSubqueryManyRows", "select (select tabid from systables) from systables where tabid = 1", -284},
    FetchErrorCase{"unknownRoutine", "select nosuchfn(1) from systables where tabid = 1", -674}),
    [](const auto &info) { return std::string(info.param.name); });

struct ValueCase {
    const char *name;
    const char *expr;
    const char *shown;
};

void PrintTo(const ValueCase &c, std::ostream *os) { *os << c.name; }

class TranslatorValues : public TranslatorTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(TranslatorValues, Evaluate)
{
    EXPECT_EQ(rows(std::string("select ") + GetParam().expr + " from systables where tabid = 1"),
              std::string(GetParam().shown) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, TranslatorValues, ::testing::Values(
    ValueCase{"integerDivisionIsDecimal", "7 / 2", "3.5"},
    ValueCase{"trimBoth", "trim('  ab  ')", "ab"},
    ValueCase{"trimLeadingPad", "trim(leading 'x' from 'xxaxx')", "axx"},
    ValueCase{"ltrimRtrim", "ltrim('  a') || rtrim('b  ') || '|'", "ab|"},
    ValueCase{"substrNegative", "substr('abcdef', -3, 2)", "de"},
    ValueCase{"substringFromFor", "substring('abcdef' from 2 for 3)", "bcd"},
    ValueCase{"lengthIgnoresTrailingBlanks", "length('ab  ')", "2"},
    ValueCase{"charLength", "char_length('ab  ')", "4"},
    ValueCase{"octetLength", "octet_length('ab')", "2"},
    ValueCase{"initcap", "initcap('hello wORLD')", "Hello World"},
    ValueCase{"upperLower", "upper('a') || lower('B')", "Ab"},
    ValueCase{"roundHalfAway", "round(2.5, 0) || ' ' || round(-2.5, 0)", "3 -3"},
    ValueCase{"roundNegativeDigits", "round(1234.5, -2)", "1200"},
    ValueCase{"trunc", "trunc(2.789, 2)", "2.78"},
    ValueCase{"pow", "pow(2, 10)", "1024"},
    ValueCase{"sqrt", "sqrt(16)", "4"},
    ValueCase{"absMod", "abs(-3) + mod(10, 4)", "5"},
    ValueCase{"nvlDecode", "nvl(null, 'x') || decode(2, 1, 'a', 2, 'b')", "xb"},
    ValueCase{"decodeDefault", "decode(9, 1, 'a', 'z')", "z"},
    ValueCase{"decodeNull", "decode(null, null, 'isnull', 'other')", "isnull"},
    ValueCase{"caseSimple", "case 2 when 1 then 'one' when 2 then 'two' end", "two"},
    ValueCase{"weekdayOfSunday", "weekday(mdy(12, 31, 1899))", "0"},
    ValueCase{"quarter", "quarter(mdy(8, 1, 2024))", "3"},
    ValueCase{"dateMinusDate", "mdy(3, 1, 2024) - mdy(2, 1, 2024)", "29"},
    ValueCase{"extendDate", "extend(mdy(5, 17, 2024), year to minute)", "2024-05-17 00:00"},
    ValueCase{"extendNarrows", "extend(datetime (2024-05-17 13:45:10) year to second, hour to minute)", "13:45"},
    ValueCase{"datetimeMinusDatetime", "datetime (2024-05-18 12:00) year to minute - datetime (2024-05-17 10:30) year to minute", "1 01:30"},
    ValueCase{"intervalLiteral", "interval (2-06) year to month", "2-06"},
    ValueCase{"unitsHour", "datetime (2024-05-17 23:00) year to minute + 2 units hour", "2024-05-18 01:00"},
    ValueCase{"castToDate", "cast('02/29/2024' as date)", "02/29/2024"},
    ValueCase{"dbinfoVersionMajor", "dbinfo('version', 'major')", "14"},
    ValueCase{"matchesEscape", "case when 'a*b' matches 'a\\*b' then 1 else 0 end", "1"},
    ValueCase{"scalarSubqueryNoRow", "nvl((select tabid from systables where tabid = -5), 7)", "7"},
    ValueCase{"scalarSubqueryOneRow", "(select tabname from systables where tabid = 2)", "syscolumns"},
    ValueCase{"lastDay", "last_day(mdy(2, 10, 2024))", "02/29/2024"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

namespace {

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
