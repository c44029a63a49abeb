#pragma once
// Small exact decimals, inline and without the multiprecision headers:
// decimal.h has the rest and the representation rules.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace quodlin::engine {

// An exact decimal of at most 18 digits, coef * 10^-scale (scale 0..18): how
// the SPL interpreter keeps DECIMAL(p <= 18, s) variables and computes with
// them, with no text in between. Every operation answers false instead of
// leaving 18 digits; the caller then takes the Decimal path, which raises
// what applies.
struct Decimal64 {
    std::int64_t coef = 0;
    int scale = 0;
};

namespace detail {
inline constexpr std::int64_t kPow10[] = {1LL, 10LL, 100LL, 1000LL, 10000LL, 100000LL, 1000000LL, 10000000LL,
                                          100000000LL, 1000000000LL, 10000000000LL, 100000000000LL,
                                          1000000000000LL, 10000000000000LL, 100000000000000LL,
                                          1000000000000000LL, 10000000000000000LL, 100000000000000000LL,
                                          1000000000000000000LL};
// Below 10^18: any two align and multiply within 128 bits, and the text of
// a result reads back through parseDecimal64.
inline bool small64(std::int64_t v) { return v > -kPow10[18] && v < kPow10[18]; }
inline bool scaleUp(std::int64_t v, int by, std::int64_t &out)
{
    return !__builtin_mul_overflow(v, kPow10[by], &out) && small64(out);
}
} // namespace detail

// An integer of at most 18 digits.
inline bool decimal64FromInt(std::int64_t v, Decimal64 &out)
{
    out = {v, 0};
    return detail::small64(v);
}

// A plain decimal text ("-12.50", "+.5", "7") of at most 18 digits.
inline bool parseDecimal64(std::string_view t, Decimal64 &out)
{
    std::size_t i = 0;
    const bool negative = !t.empty() && t[0] == '-';
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) ++i;
    std::uint64_t v = 0;
    int digits = 0, frac = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        if (c >= '0' && c <= '9') {
            if (++digits > 18) return false;
            v = v * 10 + std::uint64_t(c - '0');
            frac += point;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (digits == 0) return false;
    out = {negative ? -std::int64_t(v) : std::int64_t(v), frac};
    return true;
}

// What Decimal(coef, scale).text() shows.
std::string decimal64Text(const Decimal64 &v);

inline bool addDecimal64(const Decimal64 &a, const Decimal64 &b, bool subtract, Decimal64 &out)
{
    std::int64_t x = a.coef, y = b.coef;
    if (a.scale < b.scale ? !detail::scaleUp(x, b.scale - a.scale, x) : !detail::scaleUp(y, a.scale - b.scale, y))
        return false;
    const std::int64_t r = subtract ? x - y : x + y;  // both below 10^18: no overflow
    if (!detail::small64(r)) return false;
    out = {r, std::max(a.scale, b.scale)};
    return true;
}

inline bool mulDecimal64(const Decimal64 &a, const Decimal64 &b, Decimal64 &out)
{
    std::int64_t r;
    if (a.scale + b.scale > 18 || __builtin_mul_overflow(a.coef, b.coef, &r) || !detail::small64(r)) return false;
    out = {r, a.scale + b.scale};
    return true;
}

inline int compareDecimal64(const Decimal64 &a, const Decimal64 &b)
{
    const int s = std::max(a.scale, b.scale);
    const __int128 x = __int128(a.coef) * detail::kPow10[s - a.scale];
    const __int128 y = __int128(b.coef) * detail::kPow10[s - b.scale];
    return x < y ? -1 : x > y ? 1 : 0;
}

// What a DECIMAL/MONEY(p, s) column with p <= 18 stores: rounded half away
// from zero (or zero-padded) to s, false when the integer part does not fit
// (where fitColumn raises -1226).
inline bool fitDecimal64(Decimal64 &v, int precision, int scale)
{
    std::int64_t c = v.coef;
    if (v.scale > scale) {
        // Half away from zero on the magnitude.
        const std::int64_t unit = detail::kPow10[v.scale - scale];
        const std::int64_t m = c < 0 ? -c : c;
        const std::int64_t q = m / unit + (2 * (m % unit) >= unit ? 1 : 0);
        c = c < 0 ? -q : q;
    } else if (v.scale < scale && !detail::scaleUp(c, scale - v.scale, c)) {
        return false;
    }
    if (c <= -detail::kPow10[precision] || c >= detail::kPow10[precision]) return false;
    v = {c, scale};
    return true;
}

} // namespace quodlin::engine
