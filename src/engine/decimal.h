#pragma once
// Exact decimal numbers: how the engine represents, stores and computes
// DECIMAL(p,s), floating DECIMAL(p) and MONEY(p,s), and where INTEGER, INT8
// and FLOAT meet them.
//
// Representation rules every part of the engine follows:
//  - A DECIMAL or MONEY value is kept in SQLite as TEXT in plain decimal form
//    ("-12.50", "0.001", "12345678901234567890123456789012"): no exponent, a
//    fixed-scale column's value carries exactly its scale's digits. Columns of
//    these types are declared `TEXT COLLATE ifx_decimal`; the collation orders
//    such texts numerically, so comparisons, ORDER BY, GROUP BY, DISTINCT,
//    unique keys and indexes treat 1.0 and 1.00 as equal.
//  - Decimal arithmetic, aggregates and rounding run in the dialect functions
//    (decimal_functions.cpp) on this class, never on SQLite's doubles.
//  - An expression result keeps up to 32 significant digits (rounded half
//    away from zero past them); storing into a column rounds to its scale
//    (or to p significant digits for DECIMAL(p)) and fails with -1226 when
//    the integer part does not fit.
//  - engine::Value carries decimals as Text in the same plain form.
// Integer types stay SQLite INTEGERs; integer arithmetic that leaves the
// type's range is -1215 (INTEGER) or -1284 (INT8), FLOAT overflow is -1200,
// division by zero -1202.
#include "engine/decimal64.h"

#include <boost/multiprecision/cpp_int.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quodlin::engine {

inline constexpr int kMaxDecimalDigits = 32;

class Decimal {
public:
    // Without expression templates: simpler code, and g++ 12 sees no
    // false 'maybe uninitialized' through them.
    using Int = boost::multiprecision::number<boost::multiprecision::cpp_int_backend<>, boost::multiprecision::et_off>;

    Decimal() = default;
    // value = coefficient * 10^-scale; scale may be negative for large floating values.
    Decimal(Int coefficient, int scale) : m_coef(std::move(coefficient)), m_scale(scale) {}

    static Decimal fromInt(std::int64_t v) { return Decimal(Int(v), 0); }
    // The shortest decimal that reads back as the same double (0.1 -> 0.1);
    // -1200 for infinity or NaN.
    static Decimal fromDouble(double v);
    // Plain or exponent form with optional blanks around it; nullopt when the
    // text is not a number.
    static std::optional<Decimal> parse(std::string_view text);
    // As parse, -1213 when the text is not a number.
    static Decimal parseOrRaise(std::string_view text);

    const Int &coefficient() const { return m_coef; }
    int scale() const { return m_scale; }
    bool isZero() const { return m_coef.is_zero(); }
    bool isNegative() const { return m_coef.sign() < 0; }
    // Digits of the coefficient (1 for zero).
    int digits() const;
    // Digits left of the decimal point (0 when |value| < 1).
    int integerDigits() const;

    // Half away from zero at `scale` digits after the point (negative: tens, hundreds...).
    Decimal rounded(int scale) const;
    Decimal truncated(int scale) const;
    // Rounded to at most `n` significant digits, trailing fractional zeros dropped.
    Decimal significant(int n) const;
    // The same value at exactly `scale` digits (rounded or zero-padded).
    Decimal withScale(int scale) const;
    // Trailing fractional zeros dropped.
    Decimal normalized() const;
    Decimal negated() const { return Decimal(-m_coef, m_scale); }
    Decimal abs() const { return Decimal(boost::multiprecision::abs(m_coef), m_scale); }

    std::string text() const;
    double toDouble() const;
    // The value when it is an integer within int64, else nullopt.
    std::optional<std::int64_t> toInt64() const;

    friend int compare(const Decimal &a, const Decimal &b);
    friend bool operator==(const Decimal &a, const Decimal &b) { return compare(a, b) == 0; }
    friend Decimal operator+(const Decimal &a, const Decimal &b);
    friend Decimal operator-(const Decimal &a, const Decimal &b);
    friend Decimal operator*(const Decimal &a, const Decimal &b);

private:
    Int m_coef;
    int m_scale = 0;
};

// a / b to 32 significant digits; -1202 when b is zero.
Decimal divide(const Decimal &a, const Decimal &b);
// An expression result: at most 32 significant digits; -1200 past 10^126.
Decimal expressionResult(const Decimal &v);
// The value a DECIMAL/MONEY column of `collength` (syscolumns encoding)
// stores: rounded to the scale, or to p digits for DECIMAL(p); -1226 when
// the integer part needs more than p - s digits.
Decimal fitColumn(const Decimal &v, int collength);
// The text a DECIMAL/MONEY column of `collength` stores for a number given
// as text, integer or double: fitColumn on 64-bit integers when the digits
// allow (the common case: a million INSERTs), on Decimal otherwise.
std::string storedText(std::string_view number, int collength);
std::string storedText(std::int64_t number, int collength);
std::string storedText(double number, int collength);
// `v` as a fixed-scale column of `scale` shows it, or as it is for scale 255.
std::string decimalText(const Decimal &v, int scale);

// a + b (or a - b) of two numbers given as text, as an expression's result
// shows it (expressionResult(...).text()); on 128-bit integers when both fit.
// -1213 when either is not a number.
std::string decimalSumText(std::string_view a, std::string_view b, bool subtract);

// True when `text` is already what a DECIMAL/MONEY column of `collength`
// stores for it (storedText would return it unchanged).
bool isStoredForm(std::string_view text, int collength);

// Numeric order of two plain decimal texts ("-1.50" vs "-1.5" is 0) without
// building numbers; texts that are not plain decimals sort after numbers, by
// their bytes. The ifx_decimal collation.
int compareDecimalText(std::string_view a, std::string_view b);
// True when `text` is a plain decimal with exactly `scale` fraction digits
// (the stored form of a fixed-scale column): it needs no conversion to show.
bool hasPlainScale(std::string_view text, int scale);

// A running exact sum of plain decimal texts and integers, on 128-bit
// integers while they suffice (SUM over a million DECIMAL(16,2) values stays
// there) and on Decimal beyond.
class DecimalSum {
public:
    void add(std::string_view text);
    void add(std::int64_t v);
    void add(const Decimal &v);
    // A value added before leaves the sum (a window frame moving on).
    void remove(const Decimal &v);
    Decimal value() const;
    std::int64_t count() const { return m_count; }

private:
    void spill();
    __int128 m_small = 0;
    int m_scale = 0;
    bool m_big = false;
    Decimal m_total;
    std::int64_t m_count = 0;
};

} // namespace quodlin::engine
