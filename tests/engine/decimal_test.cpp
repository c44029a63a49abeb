// The decimal value rules of decimal.h below SQL: the collation's order, the
// 64-bit store path against the general one, sums past 128 bits, and the
// conversions whose mistakes would not show in small SQL examples.
#include "engine/decimal.h"
#include "engine/error.h"
#include "engine/types.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <random>

using namespace quodlin::engine;

namespace {

struct OrderCase {
    const char *name, *a, *b;
    int order;
};

class DecimalTextOrder : public testing::TestWithParam<OrderCase> {};

TEST_P(DecimalTextOrder, ComparesByNumber)
{
    const OrderCase &c = GetParam();
    EXPECT_EQ(compareDecimalText(c.a, c.b), c.order);
    EXPECT_EQ(compareDecimalText(c.b, c.a), -c.order);
}

INSTANTIATE_TEST_SUITE_P(Cases, DecimalTextOrder,
    testing::Values(OrderCase{"TrailingZeros", "1.0", "1.00", 0}, OrderCase{"LeadingZeros", "007.5", "7.50", 0},
                    OrderCase{"NegativeZero", "-0.00", "0", 0}, OrderCase{"LongerIsLarger", "10", "9.999", 1},
                    OrderCase{"NegativeReverses", "-10", "-9.999", -1}, OrderCase{"Fraction", "0.05", "0.1", -1},
                    OrderCase{"SignFirst", "-1", "0.001", -1}, OrderCase{"ThirtyTwoDigits",
                    "12345678901234567890123456789012", "12345678901234567890123456789011", 1},
                    OrderCase{"TextAfterNumbers", "abc", "99", 1}, OrderCase{"TextByBytes", "abc", "abd", -1}),
    [](const testing::TestParamInfo<OrderCase> &i) { return std::string(i.param.name); });

struct ValueCase {
    const char *name, *in;
    int precision, scale;  // scale -1: floating DECIMAL(p)
    const char *stored;    // nullptr: -1226
};

class DecimalStore : public testing::TestWithParam<ValueCase> {};

TEST_P(DecimalStore, RoundsHalfAwayFromZeroOrRefuses)
{
    const ValueCase &c = GetParam();
    const int collength = encodeDecimal(c.precision, c.scale);
    if (!c.stored) {
        EXPECT_EQ(enginetest::codeOf([&] { storedText(std::string_view(c.in), collength); }), -1226);
        return;
    }
    EXPECT_EQ(storedText(std::string_view(c.in), collength), c.stored);
}

INSTANTIATE_TEST_SUITE_P(Cases, DecimalStore,
    // Fixed scales are rounded and refused as the differential decimal test
    // checks at every precision; these are the inputs it does not write.
    testing::Values(ValueCase{"Exponent", "1.5e3", 6, 1, "1500.0"}, ValueCase{"Blanks", " 12.5 ", 4, 1, "12.5"},
                    ValueCase{"ThirtyTwoDigits", "12345678901234567890123456789012", 32, 0,
                              "12345678901234567890123456789012"},
                    ValueCase{"Wide", "1234567890123456789012.345", 30, 2, "1234567890123456789012.35"},
                    ValueCase{"FloatingSignificant", "123456.789", 4, -1, "123500"},
                    ValueCase{"FloatingSmall", "0.000123456", 4, -1, "0.0001235"}),
    [](const testing::TestParamInfo<ValueCase> &i) { return std::string(i.param.name); });

// The 64-bit path must store exactly what the general path stores.
TEST(DecimalStoreRandom, SmallPathAgreesWithDecimalPath)
{
    std::mt19937 rng(7);
    for (int n = 0; n < 20000; ++n) {
        const int p = 1 + int(rng() % 20), s = int(rng() % unsigned(p + 1));
        std::string in = rng() % 2 ? "-" : "";
        const int whole = int(rng() % 12), fraction = int(rng() % 8);
        for (int i = 0; i < whole; ++i) in += char('0' + rng() % 10);
        if (whole == 0) in += '0';
        if (fraction) in += '.';
        for (int i = 0; i < fraction; ++i) in += char('0' + rng() % 10);
        const int collength = encodeDecimal(p, s);
        std::string general;
        const int generalCode = enginetest::codeOf([&] { general = decimalText(fitColumn(Decimal::parseOrRaise(in), collength), s); });
        std::string fast;
        EXPECT_EQ(enginetest::codeOf([&] { fast = storedText(std::string_view(in), collength); }), generalCode) << in << " " << p << "," << s;
        EXPECT_EQ(fast, general) << in << " " << p << "," << s;
    }
}

TEST(DecimalSumTest, StaysExactPastOneHundredTwentyEightBits)
{
    DecimalSum sum;
    Decimal expected;
    const std::string big = "99999999999999999999999999999999";  // 32 digits
    for (int i = 0; i < 2000; ++i) {
        const std::string v = i % 3 ? big : "-0.000001";
        sum.add(std::string_view(v));
        expected = expected + Decimal::parseOrRaise(v);
    }
    sum.add(std::int64_t(INT64_MIN));
    expected = expected + Decimal::fromInt(INT64_MIN);
    EXPECT_EQ(sum.value().text(), expected.text());
    EXPECT_EQ(sum.count(), 2001);
}

TEST(DecimalArithmetic, DivisionRoundsOnceToThirtyTwoDigits)
{
    EXPECT_EQ(divide(Decimal::fromInt(2), Decimal::fromInt(3)).text(), "0.66666666666666666666666666666667");
    EXPECT_EQ(divide(Decimal::fromInt(-1), Decimal::fromInt(8)).text(), "-0.125");
    EXPECT_EQ(divide(Decimal::parseOrRaise("1e40"), Decimal::fromInt(3)).text(), "3333333333333333333333333333333300000000");
    EXPECT_EQ(enginetest::codeOf([] { divide(Decimal::fromInt(1), Decimal::parseOrRaise("0.00")); }), -1202);
    EXPECT_EQ(expressionResult(Decimal::parseOrRaise("123456789012345678901234567890123.5")).text(),
              "123456789012345678901234567890120");
    EXPECT_EQ(enginetest::codeOf([] { expressionResult(Decimal::parseOrRaise("1e130")); }), -1200);
    EXPECT_EQ(Decimal::fromDouble(0.1).text(), "0.1");
    EXPECT_EQ(enginetest::codeOf([] { Decimal::parseOrRaise("12a"); }), -1213);
}

} // namespace
