// Type code and collength encodings against the server's published values.
#include "engine/error.h"
#include "engine/types.h"

#include <gtest/gtest.h>

using namespace quodlin::engine;

namespace {

struct QualifierCase {
    const char *name;
    bool interval;
    int start, end, leading;
    int collength;
    const char *text;
};

class QualifierTest : public testing::TestWithParam<QualifierCase> {};

TEST_P(QualifierTest, EncodesAndPrints)
{
    const QualifierCase &c = GetParam();
    int v = c.interval ? encodeInterval(c.start, c.end, c.leading) : encodeDatetime(c.start, c.end);
    EXPECT_EQ(v, c.collength);
    EXPECT_EQ(typeText(c.interval ? TInterval : TDateTime, v), c.text);
    Qualifier q = decodeQualifier(v, c.interval);
    EXPECT_EQ(q.start, c.start);
    EXPECT_EQ(q.end, c.end);
}

INSTANTIATE_TEST_SUITE_P(Worked, QualifierTest, testing::Values(
    QualifierCase{"YearToDay", false, UYear, UDay, -1, 2052, "DATETIME YEAR TO DAY"},
    QualifierCase{"YearToMinute", false, UYear, UMinute, -1, 3080, "DATETIME YEAR TO MINUTE"},
    QualifierCase{"YearToSecond", false, UYear, USecond, -1, 3594, "DATETIME YEAR TO SECOND"},
    QualifierCase{"YearToFraction3", false, UYear, 13, -1, 4365, "DATETIME YEAR TO FRACTION(3)"},
    QualifierCase{"YearToFraction5", false, UYear, 15, -1, 4879, "DATETIME YEAR TO FRACTION(5)"},
    QualifierCase{"HourToMinute", false, UHour, UMinute, -1, 1128, "DATETIME HOUR TO MINUTE"},
    QualifierCase{"HourToSecond", false, UHour, USecond, -1, 1642, "DATETIME HOUR TO SECOND"},
    QualifierCase{"IntervalDay3ToDay", true, UDay, UDay, 3, 836, "INTERVAL DAY(3) TO DAY"},
    QualifierCase{"IntervalDayToSecond", true, UDay, USecond, -1, 2122, "INTERVAL DAY TO SECOND"},
    QualifierCase{"IntervalHourToSecond", true, UHour, USecond, -1, 1642, "INTERVAL HOUR TO SECOND"},
    QualifierCase{"IntervalYearToMonth", true, UYear, UMonth, -1, 1538, "INTERVAL YEAR TO MONTH"},
    QualifierCase{"IntervalMinute3", true, UMinute, UMinute, 3, 904, "INTERVAL MINUTE(3) TO MINUTE"}),
    [](const auto &info) { return std::string(info.param.name); });

struct BadQualifier {
    const char *name;
    bool interval;
    int start, end, leading;
};

class BadQualifierTest : public testing::TestWithParam<BadQualifier> {};

TEST_P(BadQualifierTest, Raises1268)
{
    const BadQualifier &c = GetParam();
    try {
        c.interval ? encodeInterval(c.start, c.end, c.leading) : encodeDatetime(c.start, c.end);
        FAIL() << "no error";
    } catch (const EngineError &e) {
        EXPECT_EQ(e.sqlCode(), -1268);
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, BadQualifierTest, testing::Values(
    BadQualifier{"StartAfterEnd", false, UDay, UYear, -1},
    BadQualifier{"MixedClasses", true, UYear, UDay, -1},
    BadQualifier{"LeadingTooLarge", true, UDay, UDay, 10},
    BadQualifier{"OddUnit", false, 3, USecond, -1}),
    [](const auto &info) { return std::string(info.param.name); });

struct TypeCase {
    const char *name;
    int code, collength, xid;
    const char *text;
};

class TypeTextTest : public testing::TestWithParam<TypeCase> {};

TEST_P(TypeTextTest, Prints)
{
    const TypeCase &c = GetParam();
    EXPECT_EQ(typeText(c.code, c.collength, c.xid), c.text);
}

INSTANTIATE_TEST_SUITE_P(Codes, TypeTextTest, testing::Values(
    TypeCase{"Decimal8_2", TDecimal, 2050, 0, "DECIMAL(8,2)"},
    TypeCase{"Money6_2", TMoney, 1538, 0, "MONEY(6,2)"},
    TypeCase{"Decimal32_0", TDecimal, 8192, 0, "DECIMAL(32,0)"},
    TypeCase{"FloatingDecimal", TDecimal, 4351, 0, "DECIMAL(16)"},
    TypeCase{"VarcharMinMax", TVarChar, 2620, 0, "VARCHAR(60,10)"},
    TypeCase{"VarcharNegativeStorage", TVarChar, -1, 0, "VARCHAR(255,255)"},
    TypeCase{"NotNullChar", 256, 10, 0, "CHAR(10)"},
    TypeCase{"Lvarchar", TUdtVar, 2048, 1, "LVARCHAR(2048)"},
    TypeCase{"Boolean", TUdtFixed, 1, 5, "BOOLEAN"},
    TypeCase{"BigSerialNotNull", 309, 8, 0, "BIGSERIAL"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Encodings, DecimalAndVarcharRoundTrip)
{
    EXPECT_EQ(encodeDecimal(8, 2), 2050);
    EXPECT_EQ(encodeDecimal(16, -1), 4351);
    EXPECT_EQ(decimalPrecision(4351), 16);
    EXPECT_EQ(decimalScale(4351), 255);
    // 255,200 overflows a SMALLINT: stored negative, decoded back.
    int v = encodeVarchar(255, 200);
    EXPECT_LT(v, 0);
    EXPECT_EQ(varcharMax(v), 255);
    EXPECT_EQ(varcharMin(v), 200);
}

} // namespace
