// Value rules: DATE with DBDATE/DBCENTURY, DATETIME/INTERVAL forms and
// arithmetic, DECIMAL/MONEY display, conversion errors.
#include "engine/values.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>
#include <functional>
#include <random>
#include <thread>

using namespace quodlin::engine;

namespace {

int errorOf(const std::function<void()> &f) { return enginetest::codeOf(f); }

Environment envWith(const std::string &dbdate, const std::string &century = "R")
{
    Environment e;
    e.dbdate = dbdate;
    e.dbcentury = century;
    return e;
}

TEST(DateNumbers, InformixDayCount)
{
    EXPECT_EQ(dayNumber(1899, 12, 31), 0);
    EXPECT_EQ(dayNumber(1900, 1, 1), 1);
    EXPECT_EQ(dayNumber(1, 1, 1), -693594);
    EXPECT_EQ(dayNumber(9999, 12, 31), 2958464);
    int y, m, d;
    civilDate(45656, y, m, d);  // 2024-12-31
    EXPECT_EQ(y * 10000 + m * 100 + d, 20241231);
}

struct DateCase {
    const char *name;
    const char *dbdate;
    const char *text;
    int y, m, d;
    const char *shown;
};

// The four-digit forms of DBDATE are the typed differential test's; these
// are the other forms and the readings of unusual text.
class DateTest : public testing::TestWithParam<DateCase> {};

TEST_P(DateTest, ParsesAndFormats)
{
    const DateCase &c = GetParam();
    Environment env = envWith(c.dbdate);
    EXPECT_EQ(parseDate(c.text, env), dayNumber(c.y, c.m, c.d));
    EXPECT_EQ(formatDate(dayNumber(c.y, c.m, c.d), env), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Dbdate, DateTest, testing::Values(
    DateCase{"Dmy2Dash", "DMY2-", "05-03-2024", 2024, 3, 5, "05-03-24"},
    DateCase{"NoSeparator", "MDY40", "12312024", 2024, 12, 31, "12312024"},
    DateCase{"SixDigits", "MDY4/", "123124", 2024, 12, 31, "12/31/2024"},
    DateCase{"OtherSeparatorInText", "MDY4/", "1-5-2024", 2024, 1, 5, "01/05/2024"},
    DateCase{"ThreeDigitYearKept", "Y4MD-", "999-01-02", 999, 1, 2, "0999-01-02"}),
    [](const auto &info) { return std::string(info.param.name); });

struct DateError {
    const char *name;
    const char *text;
    int code;
};

class DateErrorTest : public testing::TestWithParam<DateError> {};

TEST_P(DateErrorTest, Raises)
{
    EXPECT_EQ(errorOf([&] { parseDate(GetParam().text, Environment{}); }), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Errors, DateErrorTest, testing::Values(
    DateError{"BadMonth", "13/01/2024", -1205},
    DateError{"BadDay", "02/30/2024", -1206},
    DateError{"NotLeap", "02/29/2023", -1206},
    DateError{"YearZero", "01/01/0000", -1204},
    DateError{"SevenDigits", "1231202", -1209},
    DateError{"Letters", "ab/cd/2024", -1218},
    DateError{"TwoFields", "12/2024", -1218}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Dbcentury, ExpandsTwoDigitYears)
{
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    const int now = tm.tm_year + 1900, century = now / 100 * 100, yy = now % 100;
    const int future = (yy + 1) % 100, past = (yy + 99) % 100;
    EXPECT_EQ(expandYear(yy, "R"), now);
    EXPECT_EQ(expandYear(future, "P"), century + future - (future > yy ? 100 : 0));
    EXPECT_EQ(expandYear(past, "F"), century + past + (past < yy ? 100 : 0));
    EXPECT_EQ(expandYear(future, "C") - now, future > yy ? 1 : 1);
    EXPECT_EQ(now - expandYear(past, "C"), 1);
}

struct DatetimeCase {
    const char *name;
    const char *text;
    int qualifier;
    const char *canonical;
};

class DatetimeTest : public testing::TestWithParam<DatetimeCase> {};

TEST_P(DatetimeTest, Canonical)
{
    EXPECT_EQ(parseDatetime(GetParam().text, GetParam().qualifier), GetParam().canonical);
}

INSTANTIATE_TEST_SUITE_P(Forms, DatetimeTest, testing::Values(
    DatetimeCase{"YearToSecond", "2024-05-17 13:45:10", 3594, "2024-05-17 13:45:10"},
    DatetimeCase{"Fraction3", "2024-05-17 13:45:10.123", 4365, "2024-05-17 13:45:10.123"},
    DatetimeCase{"ShortFraction", "2024-05-17 13:45:10.1", 4879, "2024-05-17 13:45:10.10000"},
    DatetimeCase{"YearToDay", "2024-5-7", 2052, "2024-05-07"},
    DatetimeCase{"HourToMinute", "13:45", 1128, "13:45"},
    DatetimeCase{"LeapDay", "2024-02-29", 2052, "2024-02-29"}),
    [](const auto &info) { return std::string(info.param.name); });

class DatetimeErrorTest : public testing::TestWithParam<DateError> {};

TEST_P(DatetimeErrorTest, Raises)
{
    EXPECT_EQ(errorOf([&] { parseDatetime(GetParam().text, 3594); }), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Errors, DatetimeErrorTest, testing::Values(
    DateError{"Month13", "2024-13-01 00:00:00", -1263},
    DateError{"Feb30", "2023-02-29 00:00:00", -1263},
    DateError{"Hour24", "2024-01-01 24:00:00", -1263},
    DateError{"Letters", "2024-0x-01 00:00:00", -1262},
    DateError{"Trailing", "2024-01-01 00:00:00 x", -1264},
    DateError{"YearTooLong", "20245-01-01 00:00:00", -1261}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Interval, ParseFormatAndArithmetic)
{
    const int daySecond = encodeInterval(UDay, USecond);
    IntervalValue v = parseInterval("3 10:30:00", daySecond);
    EXPECT_EQ(formatInterval(v, daySecond), "3 10:30:00");
    EXPECT_EQ(formatInterval(parseInterval("-5", encodeInterval(UDay, UDay, 3)), encodeInterval(UDay, UDay, 3)), "-5");
    EXPECT_EQ(formatInterval(parseInterval("2-06", 1538), 1538), "2-06");
    const int minute3 = encodeInterval(UMinute, UMinute, 3);
    EXPECT_EQ(formatInterval(parseInterval("120", minute3), minute3), "120");
    EXPECT_EQ(errorOf([&] { parseInterval("1000", minute3); }), -1261);
    EXPECT_EQ(errorOf([&] { parseInterval("1 25:00:00", daySecond); }), -1263);

    EXPECT_EQ(addInterval("2024-01-31 22:00:00", 3594, v), "2024-02-04 08:30:00");
    EXPECT_EQ(addInterval("2024-03-01 00:00:00", 3594, v, -1), "2024-02-26 13:30:00");
    EXPECT_EQ(addInterval("2024-01", encodeDatetime(UYear, UMonth), parseInterval("1-02", 1538)), "2025-03");
    EXPECT_EQ(errorOf([&] { addInterval("2024-01-31", 2052, parseInterval("0-01", 1538)); }), -1267);
    IntervalValue diff = subtractDatetimes("2024-03-01 00:00:00", 3594, "2024-02-28 12:00:00", 3594);
    EXPECT_EQ(formatInterval(diff, daySecond), "1 12:00:00");
    EXPECT_EQ(extendDatetime("2024-05-17 13:45:10", 3594, 2052), "2024-05-17");
    EXPECT_EQ(extendDatetime("2024-05-17", 2052, 3594), "2024-05-17 00:00:00");
}

struct DecimalCase {
    const char *name;
    double value;
    int scale;
    const char *text;
};

class DecimalTest : public testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalTest, Formats)
{
    EXPECT_EQ(formatDecimal(GetParam().value, GetParam().scale), GetParam().text);
    // The cursor's variant writes over a buffer holding a previous value.
    std::string reused = "previous value, longer than any result here";
    formatDecimalInto(reused, GetParam().value, GetParam().scale);
    EXPECT_EQ(reused, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Scale, DecimalTest, testing::Values(
    DecimalCase{"PadsScale", 12.5, 2, "12.50"},
    DecimalCase{"Carry", 9.995, 2, "10.00"},
    DecimalCase{"NegativeZero", -0.001, 2, "0.00"},
    DecimalCase{"Large", 12345678901234.5, 1, "12345678901234.5"},
    DecimalCase{"SmallWithLeadingZeros", 0.0123, 3, "0.012"},
    DecimalCase{"NegativeSmall", -0.0456, 3, "-0.046"},
    DecimalCase{"BeyondFastPath", 123456789012.345, 3, "123456789012.345"},
    DecimalCase{"ScaleZeroCarry", 99.5, 0, "100"},
    DecimalCase{"OddScale", 1234.56789, 3, "1234.568"},
    DecimalCase{"WidestFastScale", 1.5, 9, "1.500000000"},
    DecimalCase{"ScaleBeyondFast", 0.1, 12, "0.100000000000"},
    DecimalCase{"Huge", 1e20, 2, "100000000000000000000.00"},
    DecimalCase{"HugeNegative", -123456789012345678.0, 0, "-123456789012345680"},
    DecimalCase{"Tiny", 1e-20, 2, "0.00"},
    DecimalCase{"TinyNegative", -1e-20, 4, "0.0000"},
    DecimalCase{"Zero", 0.0, 2, "0.00"},
    DecimalCase{"FloatingSum", 0.1 + 0.2, 255, "0.3"},
    DecimalCase{"FloatingThird", 1.0 / 3, 255, "0.333333333333333"}),
    [](const auto &info) { return std::string(info.param.name); });

// Rounds the shortest text of the double, digit by digit: the rule the
// arithmetic fast path must agree with (ties, carries and signs at small
// scales are the sweep's, not rows of the table above).
std::string roundShortestText(double value, int scale)
{
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    std::string text(buf, r.ptr);
    auto dot = text.find('.');
    std::string whole = text.substr(0, dot);
    std::string frac = dot == std::string::npos ? "" : text.substr(dot + 1);
    const bool up = static_cast<int>(frac.size()) > scale && frac[scale] >= '5';
    frac.resize(static_cast<size_t>(scale), '0');
    std::string digits = whole + frac;
    if (up) {
        int i = static_cast<int>(digits.size()) - 1;
        for (; i >= 0 && digits[i] == '9'; --i)
            digits[i] = '0';
        if (i < 0)
            digits.insert(digits.begin(), '1');
        else
            ++digits[i];
    }
    std::string out = digits.substr(0, digits.size() - scale);
    if (scale > 0)
        out += "." + digits.substr(digits.size() - scale);
    if (value < 0 && out.find_first_not_of("0.") != std::string::npos)
        out.insert(out.begin(), '-');
    return out;
}

TEST(DecimalSweep, AgreesWithRoundingTheShortestText)
{
    std::mt19937_64 rng(20261206);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-8, 12);
    std::string buffer;
    int failures = 0;
    auto check = [&](double v, int scale) {
        formatDecimalInto(buffer, v, scale);
        const std::string expected = roundShortestText(v, scale);
        if (buffer != expected && ++failures <= 5)
            ADD_FAILURE() << v << " at scale " << scale << ": " << buffer << " instead of " << expected;
    };
    // Ties and near-ties written with three decimals (x.xx5), both signs.
    for (int i = -20000; i <= 20000; ++i)
        for (int scale = 0; scale <= 3; ++scale)
            check(i / 1000.0, scale);
    for (int i = 0; i < 200000; ++i)
        check(mantissa(rng) * std::pow(10.0, exponent(rng)), i % 10);
    EXPECT_EQ(failures, 0);
}

TEST(DecimalStore, RoundsLikeTheDisplay)
{
    EXPECT_EQ(roundDecimal(9.995, 2), 10.0);
    EXPECT_EQ(roundDecimal(-9.995, 2), -10.0);
    EXPECT_EQ(roundDecimal(2.675, 2), 2.68);
    EXPECT_EQ(roundDecimal(1.25, 2), 1.25);
    EXPECT_EQ(roundDecimal(123456789012.345, 2), 123456789012.35);
    EXPECT_EQ(roundDecimal(0.4, 0), 0.0);
    EXPECT_FALSE(std::signbit(roundDecimal(-0.001, 2)));
    EXPECT_EQ(roundDecimal(1.0 / 3, 255), 1.0 / 3);
    EXPECT_TRUE(std::isinf(roundDecimal(INFINITY, 2)));
}

TEST(DecimalErrors, NonFiniteValuesAreRefused)
{
    EXPECT_EQ(errorOf([] { formatDecimal(INFINITY, 2); }), -1200);
    EXPECT_EQ(errorOf([] { formatDecimal(NAN, 2); }), -1200);
    std::string out;
    EXPECT_EQ(errorOf([&] { formatDecimalInto(out, -INFINITY, 2); }), -1200);
}

// The cursor reuses its row buffers: a short value after a long one, NULL in
// between, and text columns next to DECIMAL and MONEY ones.
class ValuesSession : public enginetest::ScratchDatabaseTest {};

TEST_F(ValuesSession, RowBuffersCarryNothingOver)
{
    auto s = open();
    s->execute("create table t (id integer, name varchar(20), d decimal(12,2), m money(8,3), f decimal(8))");
    s->execute("insert into t values (1, 'a rather long name', 1234567.891, 12345.6786, 0.1);"
               "insert into t values (2, 'b', -0.005, -1.0006, 12345678);"
               "insert into t values (3, null, null, null, null);"
               "insert into t values (4, '', 9.995, 0, -2.5)");
    // A bound value is stored by the same rule as a literal.
    auto ins = s->prepare("insert into t values (5, ?, ?, ?, ?)");
    ins->bind(0, Value::fromText("x"));
    ins->bind(1, Value::fromDouble(-9.995));
    ins->bind(2, Value::fromText("2.0005"));
    ins->bind(3, Value::fromInt(7));
    ins->execute();
    auto st = s->prepare("select name, d, m, f from t order by id");
    st->execute();
    const char *expected[][4] = {{"a rather long name", "1234567.89", "12345.679", "0.1"},
                                 {"b", "-0.01", "-1.001", "12345678"},
                                 {nullptr, nullptr, nullptr, nullptr},
                                 {"", "10.00", "0.000", "-2.5"},
                                 {"x", "-10.00", "2.001", "7"}};
    for (const auto &row : expected) {
        ASSERT_TRUE(st->next());
        for (int c = 0; c < 4; ++c) {
            SCOPED_TRACE(c);
            if (!row[c]) {
                EXPECT_TRUE(st->value(c).isNull());
            } else {
                EXPECT_EQ(st->value(c).kind, Value::Kind::Text);
                EXPECT_EQ(st->value(c).text, row[c]);
            }
        }
    }
    EXPECT_FALSE(st->next());
}

// TODAY and CURRENT hold one value through a statement and are read again
// by the next one.
TEST_F(ValuesSession, ClockFixedWithinAStatementOnly)
{
    auto s = open();
    s->execute("create table t (id integer)");
    s->execute("begin work");
    auto ins = s->prepare("insert into t values (?)");
    for (int i = 0; i < 3000; ++i) {
        ins->bind(0, Value::fromInt(i));
        ins->execute();
    }
    s->execute("commit work");
    auto readAll = [&](std::string &first) {
        auto st = s->prepare("select current year to fraction(5), today from t");
        st->execute();
        int rows = 0;
        while (st->next()) {
            if (rows++ == 0)
                first = st->value(0).text;
            EXPECT_EQ(st->value(0).text, first);
            EXPECT_EQ(st->value(1).integer, todayDayNumber());
        }
        EXPECT_EQ(rows, 3000);
    };
    std::string a, b;
    readAll(a);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    readAll(b);
    EXPECT_NE(a, b);
}

// The display of each type is the scripts' (values_display); here the
// conventions no script reaches.
TEST(Display, MoneyConventionsAndConversionErrors)
{
    Environment env;
    EXPECT_EQ(formatMoney("-1.50", env, true), "-$1.50");
    env.dbmoney = ".DM";
    EXPECT_EQ(formatMoney("2.00", env, true), "2.00DM");
    ColumnDescription date{"d", TDate, 4, true, 0, {}};
    EXPECT_EQ(displayText(Value::null(), date, env), "");
    EXPECT_EQ(parseBoolean("T"), true);
    EXPECT_EQ(errorOf([] { parseBoolean("yes"); }), -1260);
}

} // namespace
