// Exact decimals. Below SQL, the rules of decimal.h: the collation's order,
// the 64-bit store path against the general one, sums past 128 bits, and the
// conversions whose mistakes would not show in small SQL examples. Through
// SQL, a differential test: seeded random values in DECIMAL(p,s) columns at
// every precision 1..32 and scale 0..p, checked against an exact reference
// computed here on big integers (value = coefficient / 10^scale): rounding
// half away from zero on store and -1226 when the integer part does not fit,
// + - * / (at most 32 significant digits), comparisons with columns and
// literals written at other scales, SUM/MIN/MAX/AVG/COUNT DISTINCT, CAST to
// another precision, and the trip through character text and back.
#include "differential_common.h"
#include "engine/decimal.h"
#include "engine/error.h"
#include "engine/types.h"

#include <boost/multiprecision/cpp_int.hpp>
#include <gtest/gtest.h>

#include <optional>
#include <random>

using namespace quodlin::engine;
using Big = boost::multiprecision::cpp_int;

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
// The fast paths on texts (store, comparison, + and -) and on Decimal64
// against the same operations on Decimal: random plain texts, half the pairs of one shape (one
// column's stored values), lengths past 64 and 128 bits.
TEST(DecimalFastPathsRandom, AgreeWithDecimalPath)
{
    std::mt19937 rng(7);
    auto number = [&](int whole, int fraction, bool negative) {
        std::string t = negative ? "-" : "";
        for (int i = 0; i < whole; ++i) t += char('0' + rng() % 10);
        if (whole == 0) t += '0';
        if (fraction) t += '.';
        for (int i = 0; i < fraction; ++i) t += char('0' + rng() % 10);
        return t;
    };
    int small = 0, fastSums = 0;
    for (int n = 0; n < 20000; ++n) {
        const int p = 1 + int(rng() % 20), s = int(rng() % unsigned(p + 1));
        const int whole = int(rng() % (n % 4 ? 12 : 30)), fraction = int(rng() % (n % 4 ? 8 : 20));
        const bool negative = rng() % 2;
        const std::string in = number(whole, fraction, negative);
        const int collength = encodeDecimal(p, s);
        std::string general;
        const int generalCode = enginetest::codeOf([&] { general = decimalText(fitColumn(Decimal::parseOrRaise(in), collength), s); });
        std::string fast;
        EXPECT_EQ(enginetest::codeOf([&] { fast = storedText(std::string_view(in), collength); }), generalCode) << in << " " << p << "," << s;
        EXPECT_EQ(fast, general) << in << " " << p << "," << s;
        if (isStoredForm(in, collength)) {
            EXPECT_EQ(fast, in) << p << "," << s;
        }
        if (generalCode == 0) {
            EXPECT_TRUE(isStoredForm(fast, collength)) << fast << " " << p << "," << s;
        }

        const std::string other = rng() % 2 ? number(whole, fraction, negative)
                                             : number(int(rng() % 30), int(rng() % 20), rng() % 2);
        const Decimal a = Decimal::parseOrRaise(in), b = Decimal::parseOrRaise(other);
        EXPECT_EQ(compareDecimalText(in, other), compare(a, b)) << in << " vs " << other;
        EXPECT_EQ(decimalSumText(in, other, false), expressionResult(a + b).text()) << in << " + " << other;
        EXPECT_EQ(decimalSumText(in, other, true), expressionResult(a - b).text()) << in << " - " << other;

        // Decimal64, which SPL variables of up to 18 digits hold: each result
        // it gives is Decimal's, and a store fits exactly where fitColumn does.
        Decimal64 x, y, r;
        if (!parseDecimal64(in, x) || !parseDecimal64(other, y))
            continue;
        ++small;
        EXPECT_EQ(compareDecimal64(x, y), compare(a, b)) << in << " vs " << other;
        if (addDecimal64(x, y, false, r)) {
            EXPECT_EQ(decimal64Text(r), expressionResult(a + b).text()) << in << " + " << other;
            ++fastSums;
        }
        if (addDecimal64(x, y, true, r)) {
            EXPECT_EQ(decimal64Text(r), expressionResult(a - b).text()) << in << " - " << other;
        }
        if (mulDecimal64(x, y, r)) {
            EXPECT_EQ(decimal64Text(r), expressionResult(a * b).text()) << in << " * " << other;
        }
        if (p <= 18) {
            r = x;
            const bool fits = fitDecimal64(r, p, s);
            EXPECT_EQ(fits, generalCode == 0) << in << " " << p << "," << s;
            if (fits) {
                EXPECT_EQ(decimal64Text(r), general) << in << " " << p << "," << s;
            }
        }
    }
    EXPECT_GT(small, 5000);
    EXPECT_GT(fastSums, 5000);
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

// ------------------------------------------------------------ against an exact reference

Big pow10(int n) { return boost::multiprecision::pow(Big(10), unsigned(n)); }
// Decimal digits as a number (Big's own parser reads a leading 0 as octal).
Big bigOf(const std::string &digits)
{
    Big v = 0;
    for (char c : digits) v = v * 10 + (c - '0');
    return v;
}
int digitsOf(const Big &v) { return v == 0 ? 1 : int((v < 0 ? Big(-v) : v).str().size()); }

struct Exact {
    Big coef;
    int scale = 0;
};

Exact aligned(const Exact &a, int scale) { return {a.coef * pow10(scale - a.scale), scale}; }

// Half away from zero: the quotient by 10^k, plus one step when the dropped
// part is at least half of it.
Exact roundTo(const Exact &a, int scale)
{
    if (scale >= a.scale) return aligned(a, scale);
    const Big unit = pow10(a.scale - scale);
    Big q = a.coef / unit, r = a.coef % unit;
    if (2 * (r < 0 ? Big(-r) : r) >= unit) q += a.coef < 0 ? -1 : 1;
    return {q, scale};
}

Exact significant32(const Exact &a)
{
    const int d = digitsOf(a.coef);
    return d <= 32 ? a : roundTo(a, a.scale - (d - 32));
}

int cmp(const Exact &a, const Exact &b)
{
    const int s = std::max(a.scale, b.scale);
    const Big x = aligned(a, s).coef, y = aligned(b, s).coef;
    return x < y ? -1 : x > y ? 1 : 0;
}

std::string text(const Exact &a, int scale)
{
    const Exact v = roundTo(a, scale);
    const bool negative = v.coef < 0;
    std::string s = (negative ? Big(-v.coef) : v.coef).str();
    if (scale > 0) {
        if (int(s.size()) <= scale) s.insert(0, std::size_t(scale + 1 - int(s.size())), '0');
        s.insert(s.size() - std::size_t(scale), 1, '.');
    }
    return negative && v.coef != 0 ? "-" + s : s;
}

// The engine's text of a floating result, read back exactly.
Exact parsed(const std::string &t)
{
    Exact e;
    std::string digits;
    for (char c : t) {
        if (c == '.') e.scale = int(digits.size());
        else if (c != '-') digits += c;
    }
    e.scale = t.find('.') == std::string::npos ? 0 : int(digits.size()) - e.scale;
    e.coef = t[0] == '-' ? Big(-bigOf(digits)) : bigOf(digits);
    return e;
}

// a / b to 32 significant digits, rounded once from the exact quotient.
Exact quotient(const Exact &a, const Exact &b)
{
    const int k = 80;
    const Big n = a.coef * pow10(k), q = n / b.coef, r = n % b.coef;
    Exact e{q, a.scale - b.scale + k};
    const int drop = digitsOf(q) - 32;
    if (drop <= 0 || q == 0) return e;
    const Big unit = pow10(drop);
    Big top = q / unit;
    const Big low = (q < 0 ? Big(-q) : q) % unit, absR = r < 0 ? Big(-r) : r, absB = b.coef < 0 ? Big(-b.coef) : b.coef;
    if (2 * (low * absB + absR) >= unit * absB) top += q < 0 ? -1 : 1;
    return {top, e.scale - drop};
}

std::string randomDigits(std::mt19937 &rng, int n, bool leadingNonZero)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += char('0' + (i == 0 && leadingNonZero ? 1 + rng() % 9 : rng() % 10));
    return s;
}

class DifferentialDecimalTest : public enginetest::ScratchDatabaseTest, public testing::WithParamInterface<unsigned> {
protected:
    DifferentialDecimalTest() : ScratchDatabaseTest("dec.db", "tester") { m_s = open(); }

    // Rows as displayText shows them; "error <code>" on failure.
    difftest::Rows run(const std::string &sql, const std::optional<Value> &param = {})
    {
        difftest::Rows rows;
        try {
            auto st = m_s->prepare(sql);
            if (param) st->bind(0, *param);
            st->execute();
            while (st->hasResultSet() && st->next()) {
                std::string row;
                for (std::size_t i = 0; i < st->columns().size(); ++i) {
                    const Value &v = st->value(int(i));
                    row += (i ? "|" : "") + (v.isNull() ? std::string("NULL") : displayText(v, st->columns()[i], m_s->environment()));
                }
                rows.push_back(row);
            }
        } catch (const EngineError &e) {
            rows = {"error " + std::to_string(e.sqlCode())};
        }
        return rows;
    }

    std::unique_ptr<Session> m_s;
};

TEST_P(DifferentialDecimalTest, MatchesExactOracleAtEveryPrecisionAndScale)
{
    std::mt19937 rng(GetParam());
    const int kRows = 4;
    for (int p = 1; p <= 32; ++p) {
        SCOPED_TRACE("precision " + std::to_string(p));
        const std::string table = "t" + std::to_string(p);
        std::string ddl = "create table " + table + " (id integer";
        for (int s = 0; s <= p; ++s) ddl += ", c" + std::to_string(s) + " decimal(" + std::to_string(p) + "," + std::to_string(s) + ")";
        ASSERT_EQ(run(ddl + ")"), difftest::Rows{});
        // values[s][row]: what column c<s> holds (nullopt: NULL after a refused store).
        std::vector<std::vector<std::optional<Exact>>> values(std::size_t(p + 1));
        for (int r = 0; r < kRows; ++r) {
            ASSERT_EQ(run("insert into " + table + " (id) values (" + std::to_string(r) + ")"), difftest::Rows{});
            for (int s = 0; s <= p; ++s) {
                // Up to one integer digit too many, up to three fraction digits to round away.
                const int whole = int(rng() % unsigned(p - s + 2)), extra = int(rng() % 4);
                const std::string w = randomDigits(rng, whole, true), f = randomDigits(rng, s + extra, false);
                const bool negative = rng() % 3 == 0;
                const std::string literal = (negative ? "-" : "") + (w.empty() ? "0" : w) + (f.empty() ? "" : "." + f);
                const Exact input{negative ? Big(-bigOf(w + f)) : bigOf(w + f), int(f.size())};
                const Exact stored = roundTo(input, s);
                const bool fits = digitsOf(stored.coef) - s <= p - s || stored.coef == 0;
                const std::string where = " where id = " + std::to_string(r);
                // Odd rows bind the text, even rows write it as a literal.
                const difftest::Rows got = r % 2 ? run("update " + table + " set c" + std::to_string(s) + " = ?" + where, Value::fromText(literal))
                                                 : run("update " + table + " set c" + std::to_string(s) + " = " + literal + where);
                EXPECT_EQ(got, fits ? difftest::Rows{} : difftest::Rows{"error -1226"}) << literal << " into decimal(" << p << "," << s << ")";
                values[std::size_t(s)].push_back(fits ? std::optional<Exact>(stored) : std::nullopt);
            }
        }
        auto shown = [](const std::optional<Exact> &v, int scale) { return v ? text(*v, scale) : std::string("NULL"); };
        for (int s = 0; s <= p; ++s) {
            const std::string c = "c" + std::to_string(s);
            const auto &col = values[std::size_t(s)];
            difftest::Rows expect;
            for (const auto &v : col) expect.push_back(shown(v, s));
            EXPECT_EQ(run("select " + c + " from " + table + " order by id"), expect) << c;
            // Text and back: the same digits, and the same number again.
            EXPECT_EQ(run("select cast(" + c + " as varchar(40)) from " + table + " order by id"), expect) << c;
            std::size_t present = 0;
            Exact sum{0, s};
            std::optional<Exact> lo, hi;
            for (const auto &v : col)
                if (v) {
                    ++present;
                    sum = {aligned(sum, s).coef + aligned(*v, s).coef, s};
                    if (!lo || cmp(*v, *lo) < 0) lo = v;
                    if (!hi || cmp(*v, *hi) > 0) hi = v;
                }
            EXPECT_EQ(run("select count(*) from " + table + " where cast(cast(" + c + " as char(40)) as decimal(" + std::to_string(p) + "," + std::to_string(s) + ")) = " + c),
                      difftest::Rows{std::to_string(present)});
            // Aggregates.
            std::string aggregates = present ? text(significant32(sum), s) + "|" + shown(lo, s) + "|" + shown(hi, s) : "NULL|NULL|NULL";
            const difftest::Rows agg = run("select sum(" + c + "), min(" + c + "), max(" + c + "), avg(" + c + ") from " + table);
            ASSERT_EQ(agg.size(), 1u);
            EXPECT_EQ(agg[0].substr(0, agg[0].rfind('|')), aggregates) << c;
            if (present) {
                const Exact avg = quotient(sum, Exact{Big(present), 0});
                EXPECT_EQ(cmp(parsed(agg[0].substr(agg[0].rfind('|') + 1)), avg), 0) << agg[0];
            }
            // CAST to a random other precision and scale: rounded, or -1226 for the whole query.
            const int p2 = 1 + int(rng() % 32), s2 = int(rng() % unsigned(p2 + 1));
            difftest::Rows cast;
            bool overflow = false;
            for (const auto &v : col) {
                if (!v) { cast.push_back("NULL"); continue; }
                const Exact r = roundTo(*v, s2);
                overflow = overflow || (r.coef != 0 && digitsOf(r.coef) - s2 > p2 - s2);
                cast.push_back(text(r, s2));
            }
            EXPECT_EQ(run("select cast(" + c + " as decimal(" + std::to_string(p2) + "," + std::to_string(s2) + ")) from " + table + " order by id"),
                      overflow ? difftest::Rows{"error -1226"} : cast) << c << " as decimal(" << p2 << "," << s2 << ")";
        }
        // Two columns: arithmetic and comparisons.
        for (int n = 0; n < 4; ++n) {
            const int i = int(rng() % unsigned(p + 1)), j = int(rng() % unsigned(p + 1));
            const std::string a = "c" + std::to_string(i), b = "c" + std::to_string(j);
            SCOPED_TRACE(a + " with " + b);
            difftest::Rows arith, less, equal;
            for (int r = 0; r < kRows; ++r) {
                const auto &x = values[std::size_t(i)][std::size_t(r)], &y = values[std::size_t(j)][std::size_t(r)];
                if (!x || !y) continue;
                if (cmp(*x, *y) < 0) less.push_back(std::to_string(r));
                if (cmp(*x, *y) == 0) equal.push_back(std::to_string(r));
                if (y->coef == 0) continue;
                const Exact sum = significant32({aligned(*x, std::max(i, j)).coef + aligned(*y, std::max(i, j)).coef, std::max(i, j)});
                const Exact diff = significant32({aligned(*x, std::max(i, j)).coef - aligned(*y, std::max(i, j)).coef, std::max(i, j)});
                const Exact product = significant32({x->coef * y->coef, i + j});
                arith.push_back(text(sum, std::max(i, j)) + "|" + text(diff, std::max(i, j)) + "|"
                                + (i + j <= 32 ? text(product, i + j) : "~") + "|" + "~");
            }
            const difftest::Rows got = run("select " + a + " + " + b + ", " + a + " - " + b + ", " + a + " * " + b + ", " + a + " / " + b
                                           + " from " + table + " where " + b + " <> 0 and " + a + " is not null order by id");
            ASSERT_EQ(got.size(), arith.size());
            int k = 0;
            for (int r = 0; r < kRows; ++r) {
                const auto &x = values[std::size_t(i)][std::size_t(r)], &y = values[std::size_t(j)][std::size_t(r)];
                if (!x || !y || y->coef == 0) continue;
                // Floating results (* past scale 32, /) compare as numbers.
                std::string row = got[std::size_t(k)];
                const std::size_t q = row.rfind('|'), m = row.rfind('|', q - 1);
                EXPECT_EQ(cmp(parsed(row.substr(q + 1)), quotient(*x, *y)), 0) << row;
                if (i + j > 32) {
                    EXPECT_EQ(cmp(parsed(row.substr(m + 1, q - m - 1)), significant32({x->coef * y->coef, i + j})), 0) << row;
                    row.replace(m + 1, q - m - 1, "~");
                }
                EXPECT_EQ(row.substr(0, row.rfind('|')) + "|~", arith[std::size_t(k)]);
                ++k;
            }
            EXPECT_EQ(run("select id from " + table + " where " + a + " < " + b + " order by id"), less);
            EXPECT_EQ(run("select id from " + table + " where " + b + " = " + a + " order by id"), equal);
        }
        // A literal with more trailing zeros than the column's scale still matches.
        const int s = int(rng() % unsigned(p + 1));
        if (const auto &v = values[std::size_t(s)][0]) {
            const std::string literal = text(*v, s) + (s ? "000" : ".000");
            EXPECT_EQ(run("select id from " + table + " where c" + std::to_string(s) + " = " + literal + " and id = 0"), difftest::Rows{"0"}) << literal;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, DifferentialDecimalTest, testing::ValuesIn(difftest::seeds({1, 2}, 100)));

} // namespace
