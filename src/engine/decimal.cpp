#include "engine/decimal.h"

#include "engine/error.h"
#include "engine/types.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace quodlin::engine {

namespace {

using Int = Decimal::Int;
__extension__ typedef __int128 Int128;

// Informix keeps floating decimals between 10^-130 and 10^125.
constexpr int kMaxIntegerDigits = 126;

const Int &pow10(int n)
{
    static const std::array<Int, 160> table = [] {
        std::array<Int, 160> t;
        t[0] = 1;
        for (std::size_t i = 1; i < t.size(); ++i) t[i] = t[i - 1] * 10;
        return t;
    }();
    if (n >= 0 && n < int(table.size())) return table[std::size_t(n)];
    static thread_local Int big;
    big = boost::multiprecision::pow(Int(10), unsigned(n));
    return big;
}

Int fromInt128(Int128 v)
{
    const bool negative = v < 0;
    unsigned __int128 u = negative ? (unsigned __int128)(-(v + 1)) + 1 : (unsigned __int128)v;
    Int r = Int(std::uint64_t(u >> 64));
    r <<= 64;
    r += std::uint64_t(u);
    return negative ? Int(-r) : r;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The parts of a plain decimal text: sign, integer digits without leading
// zeros, fraction digits without trailing zeros.
struct PlainParts {
    bool negative = false;
    std::string_view whole;
    std::string_view fraction;
};

bool splitPlain(std::string_view t, PlainParts &out)
{
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) out.negative = t[i++] == '-';
    const std::size_t wholeStart = i;
    while (i < t.size() && isDigit(t[i])) ++i;
    const std::size_t wholeEnd = i;
    std::size_t fracStart = i, fracEnd = i;
    if (i < t.size() && t[i] == '.') {
        fracStart = ++i;
        while (i < t.size() && isDigit(t[i])) ++i;
        fracEnd = i;
    }
    if (i != t.size() || (wholeEnd == wholeStart && fracEnd == fracStart)) return false;
    std::size_t w = wholeStart;
    while (w < wholeEnd && t[w] == '0') ++w;
    std::size_t f = fracEnd;
    while (f > fracStart && t[f - 1] == '0') --f;
    out.whole = t.substr(w, wholeEnd - w);
    out.fraction = t.substr(fracStart, f - fracStart);
    if (out.whole.empty() && out.fraction.empty()) out.negative = false;
    return true;
}

int sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

} // namespace

// ------------------------------------------------------------------ Decimal

Decimal Decimal::fromDouble(double v)
{
    if (!std::isfinite(v)) raise(-1200);
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return *parse(std::string_view(buf, std::size_t(r.ptr - buf)));
}

std::optional<Decimal> Decimal::parse(std::string_view t)
{
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    std::string digits;
    int fraction = 0;
    bool any = false, point = false;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        if (isDigit(c)) {
            any = true;
            if (!(digits.empty() && c == '0')) digits += c;
            if (point) ++fraction;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!any) return std::nullopt;
    long exponent = 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < t.size() && (t[i] == '-' || t[i] == '+')) expNegative = t[i++] == '-';
        const std::size_t start = i;
        while (i < t.size() && isDigit(t[i]) && i - start < 4) exponent = exponent * 10 + (t[i++] - '0');
        if (i == start) return std::nullopt;
        if (expNegative) exponent = -exponent;
    }
    if (i != t.size()) return std::nullopt;
    Int coef;
    std::size_t pos = 0;
    while (pos < digits.size()) {
        const std::size_t n = std::min<std::size_t>(18, digits.size() - pos);
        std::uint64_t chunk = 0;
        for (std::size_t k = 0; k < n; ++k) chunk = chunk * 10 + std::uint64_t(digits[pos + k] - '0');
        coef = pos == 0 ? Int(chunk) : Int(coef * pow10(int(n)) + chunk);
        pos += n;
    }
    if (negative) coef = -coef;
    return Decimal(std::move(coef), int(fraction - exponent));
}

Decimal Decimal::parseOrRaise(std::string_view text)
{
    std::optional<Decimal> d = parse(text);
    if (!d) raise(-1213);
    return std::move(*d);
}

int Decimal::digits() const
{
    if (m_coef.is_zero()) return 1;
    const Int a = m_coef.sign() < 0 ? Int(-m_coef) : m_coef;
    if (boost::multiprecision::msb(a) < 63) {
        std::uint64_t v = a.convert_to<std::uint64_t>();
        int n = 0;
        while (v) { v /= 10; ++n; }
        return n;
    }
    return int(a.str().size());
}

int Decimal::integerDigits() const
{
    if (m_coef.is_zero()) return 0;
    return std::max(0, digits() - m_scale);
}

Decimal Decimal::rounded(int scale) const
{
    if (scale >= m_scale) return *this;
    const Int &unit = pow10(m_scale - scale);
    Int q, r;
    boost::multiprecision::divide_qr(m_coef, unit, q, r);
    if (!r.is_zero()) {
        const Int twice = (r.sign() < 0 ? Int(-r) : r) * 2;
        if (twice >= unit) q += m_coef.sign();
    }
    return Decimal(std::move(q), scale);
}

Decimal Decimal::truncated(int scale) const
{
    if (scale >= m_scale) return *this;
    return Decimal(Int(m_coef / pow10(m_scale - scale)), scale);
}

Decimal Decimal::significant(int n) const
{
    const int d = digits();
    if (d <= n) return *this;
    return rounded(m_scale - (d - n)).normalized();
}

Decimal Decimal::withScale(int scale) const
{
    if (scale >= m_scale) return Decimal(Int(m_coef * pow10(scale - m_scale)), scale);
    return rounded(scale);
}

Decimal Decimal::normalized() const
{
    if (m_coef.is_zero()) return Decimal();
    Decimal r = *this;
    while (r.m_scale > 0) {
        Int q, rem;
        boost::multiprecision::divide_qr(r.m_coef, Int(10), q, rem);
        if (!rem.is_zero()) break;
        r.m_coef = std::move(q);
        --r.m_scale;
    }
    return r;
}

std::string Decimal::text() const
{
    const bool negative = m_coef.sign() < 0;
    std::string digits = (negative ? Int(-m_coef) : m_coef).str();
    if (m_coef.is_zero()) {
        digits = "0";
        if (m_scale > 0) digits += "." + std::string(std::size_t(m_scale), '0');
        return digits;
    }
    if (m_scale <= 0) {
        digits.append(std::size_t(-m_scale), '0');
    } else {
        if (int(digits.size()) <= m_scale) digits.insert(0, std::size_t(m_scale + 1 - int(digits.size())), '0');
        digits.insert(digits.size() - std::size_t(m_scale), 1, '.');
    }
    return negative ? "-" + digits : digits;
}

double Decimal::toDouble() const { return std::strtod(text().c_str(), nullptr); }

std::optional<std::int64_t> Decimal::toInt64() const
{
    const Decimal n = normalized();
    if (n.m_scale > 0) return std::nullopt;
    const Int v = n.m_coef * pow10(-n.m_scale);
    if (v > Int(INT64_MAX) || v < Int(INT64_MIN)) return std::nullopt;
    return v.convert_to<std::int64_t>();
}

int compare(const Decimal &a, const Decimal &b)
{
    const int sa = a.m_coef.sign(), sb = b.m_coef.sign();
    if (sa != sb) return sa < sb ? -1 : 1;
    if (a.m_scale == b.m_scale) return sign(a.m_coef.compare(b.m_coef));
    if (a.m_scale < b.m_scale) return sign(Int(a.m_coef * pow10(b.m_scale - a.m_scale)).compare(b.m_coef));
    return sign(a.m_coef.compare(Int(b.m_coef * pow10(a.m_scale - b.m_scale))));
}

Decimal operator+(const Decimal &a, const Decimal &b)
{
    if (a.m_scale == b.m_scale) return Decimal(Int(a.m_coef + b.m_coef), a.m_scale);
    if (a.m_scale < b.m_scale) return Decimal(Int(a.m_coef * pow10(b.m_scale - a.m_scale) + b.m_coef), b.m_scale);
    return Decimal(Int(a.m_coef + b.m_coef * pow10(a.m_scale - b.m_scale)), a.m_scale);
}

Decimal operator-(const Decimal &a, const Decimal &b) { return a + b.negated(); }

Decimal operator*(const Decimal &a, const Decimal &b)
{
    return Decimal(Int(a.m_coef * b.m_coef), a.m_scale + b.m_scale);
}

Decimal divide(const Decimal &a, const Decimal &b)
{
    if (b.isZero()) raise(-1202);
    if (a.isZero()) return Decimal();
    // Enough quotient digits that one rounding to 32 gives the exact result.
    const int extra = std::max(0, kMaxDecimalDigits + 2 + b.digits() - a.digits());
    const Int q = a.coefficient() * pow10(extra) / b.coefficient();
    return Decimal(q, a.scale() - b.scale() + extra).significant(kMaxDecimalDigits).normalized();
}

Decimal expressionResult(const Decimal &v)
{
    Decimal r = v.significant(kMaxDecimalDigits);
    if (r.integerDigits() > kMaxIntegerDigits) raise(-1200);
    return r;
}

Decimal fitColumn(const Decimal &v, int collength)
{
    const int p = decimalPrecision(collength), s = decimalScale(collength);
    if (s == 255) {
        Decimal r = v.significant(p).normalized();
        if (r.integerDigits() > kMaxIntegerDigits) raise(-1226);
        return r;
    }
    Decimal r = v.withScale(s);
    if (r.integerDigits() > p - s) raise(-1226);
    return r;
}

namespace {

constexpr std::uint64_t kPow10[] = {1ULL, 10ULL, 100ULL, 1000ULL, 10000ULL, 100000ULL, 1000000ULL, 10000000ULL,
                                    100000000ULL, 1000000000ULL, 10000000000ULL, 100000000000ULL,
                                    1000000000000ULL, 10000000000000ULL, 100000000000000ULL,
                                    1000000000000000ULL, 10000000000000000ULL, 100000000000000000ULL,
                                    1000000000000000000ULL};

// fitColumn for a plain decimal of at most 18 digits into a fixed scale of
// at most 18: nullopt where it does not apply.
std::optional<std::string> storedSmall(std::string_view t, int collength)
{
    const int p = decimalPrecision(collength), s = decimalScale(collength);
    if (s == 255 || s > 18) return std::nullopt;
    std::size_t i = 0;
    const bool negative = i < t.size() && t[i] == '-';
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    std::uint64_t v = 0;
    int digits = 0, fraction = 0;
    bool point = false, any = false;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        if (isDigit(c)) {
            any = true;
            if (v != 0 || c != '0') ++digits;
            if (digits > 18) return std::nullopt;
            v = v * 10 + std::uint64_t(c - '0');
            if (point) ++fraction;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!any) return std::nullopt;
    if (fraction > s) {
        // Half away from zero on the magnitude.
        const std::uint64_t unit = kPow10[fraction - s];
        const std::uint64_t q = v / unit, r = v % unit;
        v = q + (2 * r >= unit ? 1 : 0);
    } else if (fraction < s) {
        if (digits + (s - fraction) > 18) return std::nullopt;
        v *= kPow10[s - fraction];
    }
    // Integer digits beyond p - s do not fit.
    if (p - s <= 18 && v / kPow10[s] >= kPow10[p - s]) raise(-1226);
    char buf[32];
    char *end = std::to_chars(buf, buf + sizeof buf, v).ptr;
    std::string digitsText(buf, end);
    if (s > 0) {
        if (int(digitsText.size()) <= s) digitsText.insert(0, std::size_t(s + 1 - int(digitsText.size())), '0');
        digitsText.insert(digitsText.size() - std::size_t(s), 1, '.');
    }
    if (negative && v != 0) digitsText.insert(0, 1, '-');
    return digitsText;
}

} // namespace

std::string storedText(std::string_view number, int collength)
{
    if (std::optional<std::string> small = storedSmall(number, collength)) return std::move(*small);
    return decimalText(fitColumn(Decimal::parseOrRaise(number), collength), decimalScale(collength));
}

std::string storedText(std::int64_t number, int collength)
{
    char buf[32];
    return storedText(std::string_view(buf, std::size_t(std::to_chars(buf, buf + sizeof buf, number).ptr - buf)), collength);
}

std::string storedText(double number, int collength)
{
    if (!std::isfinite(number)) raise(-1200);
    char buf[64];
    return storedText(std::string_view(buf, std::size_t(std::to_chars(buf, buf + sizeof buf, number).ptr - buf)), collength);
}

std::string decimalText(const Decimal &v, int scale)
{
    if (scale == 255 || scale < 0) return v.text();
    return v.withScale(scale).text();
}

int compareDecimalText(std::string_view a, std::string_view b)
{
    // Two values of one fixed-scale column mostly share a shape: same sign,
    // same length, the point in the same place. Their numeric order is then
    // their byte order (reversed below zero), found in one pass.
    if (a.size() == b.size() && !a.empty() && (a[0] == '-') == (b[0] == '-')) {
        const bool negative = a[0] == '-';
        int c = 0, points = 0;
        bool digits = false, plain = true;
        for (std::size_t i = negative ? 1 : 0; i < a.size(); ++i) {
            const char x = a[i], y = b[i];
            if (x == '.' && y == '.') {
                ++points;
                continue;
            }
            if (!isDigit(x) || !isDigit(y)) {
                plain = false;
                break;
            }
            digits = true;
            if (c == 0 && x != y) c = x < y ? -1 : 1;
        }
        if (plain && digits && points <= 1) return negative ? -c : c;
    }
    PlainParts pa, pb;
    const bool na = splitPlain(a, pa), nb = splitPlain(b, pb);
    if (!na || !nb) {
        if (na != nb) return na ? -1 : 1;
        const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
        return c ? sign(c) : a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
    }
    const bool za = pa.whole.empty() && pa.fraction.empty(), zb = pb.whole.empty() && pb.fraction.empty();
    const int signA = za ? 0 : pa.negative ? -1 : 1, signB = zb ? 0 : pb.negative ? -1 : 1;
    if (signA != signB) return signA < signB ? -1 : 1;
    if (signA == 0) return 0;
    int c = 0;
    if (pa.whole.size() != pb.whole.size()) {
        c = pa.whole.size() < pb.whole.size() ? -1 : 1;
    } else {
        c = sign(pa.whole.compare(pb.whole));
        if (c == 0) c = sign(pa.fraction.compare(pb.fraction));
    }
    return signA < 0 ? -c : c;
}

bool hasPlainScale(std::string_view t, int scale)
{
    std::size_t i = 0;
    if (i < t.size() && t[i] == '-') ++i;
    const std::size_t start = i;
    while (i < t.size() && isDigit(t[i])) ++i;
    if (i == start) return false;
    if (i == t.size()) return scale == 0 || scale == 255;
    if (t[i] != '.' || scale == 0) return false;
    const std::size_t point = i++;
    while (i < t.size() && isDigit(t[i])) ++i;
    return i == t.size() && i > point + 1 && (scale == 255 || i - point - 1 == std::size_t(scale));
}

// ------------------------------------------------------------------ DecimalSum

namespace {

// Keeps the running 128-bit sum far from overflow: 10^36 leaves room for
// any addend of up to 36 digits.
const Int128 kSmallLimit = Int128(1000000000000000000LL) * Int128(1000000000000000000LL);

Int128 pow10Small(int n)
{
    Int128 r = 1;
    while (n-- > 0) r *= 10;
    return r;
}

// A plain decimal text of at most 36 digits as an integer and its scale.
bool parseSmall(std::string_view t, Int128 &value, int &scale)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    Int128 v = 0;
    int digits = 0, frac = 0;
    bool point = false, any = false;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        if (isDigit(c)) {
            any = true;
            if (v != 0 || c != '0') ++digits;
            if (digits > 36) return false;
            v = v * 10 + (c - '0');
            if (point) ++frac;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!any || frac > 36) return false;
    value = negative ? -v : v;
    scale = frac;
    return true;
}

} // namespace

void DecimalSum::spill()
{
    m_total = m_total + Decimal(fromInt128(m_small), m_scale);
    m_small = 0;
    m_big = true;
}

void DecimalSum::add(std::string_view text)
{
    Int128 v;
    int scale;
    if (!parseSmall(text, v, scale)) {
        add(Decimal::parseOrRaise(text));
        return;
    }
    ++m_count;
    if (scale > m_scale) {
        // Rescaling the running sum: both stay below 10^36 or spill.
        const Int128 f = pow10Small(scale - m_scale);
        if (m_small > kSmallLimit / f || m_small < -kSmallLimit / f) spill();
        m_small *= f;
        m_scale = scale;
    } else if (scale < m_scale) {
        const Int128 f = pow10Small(m_scale - scale);
        if (v > kSmallLimit / f || v < -kSmallLimit / f) {
            --m_count;
            add(Decimal(fromInt128(v), scale));
            return;
        }
        v *= f;
    }
    m_small += v;
    if (m_small > kSmallLimit || m_small < -kSmallLimit) spill();
}

void DecimalSum::add(std::int64_t v)
{
    ++m_count;
    const Int128 f = pow10Small(m_scale);
    if (m_scale > 18) {
        --m_count;
        add(Decimal::fromInt(v));
        return;
    }
    m_small += Int128(v) * f;
    if (m_small > kSmallLimit || m_small < -kSmallLimit) spill();
}

void DecimalSum::add(const Decimal &v)
{
    ++m_count;
    m_total = m_total + v;
    m_big = true;
}

void DecimalSum::remove(const Decimal &v)
{
    --m_count;
    m_total = m_total - v;
    m_big = true;
}

Decimal DecimalSum::value() const
{
    Decimal small(fromInt128(m_small), m_scale);
    return m_big ? m_total + small : small;
}


// ------------------------------------------------------------------ fast paths

namespace {

// 128-bit division is a library call: digits are counted by comparison and
// printed through at most two 64-bit conversions.
const Int128 *powersOfTen()
{
    static const auto table = [] {
        std::array<Int128, 39> t{};
        t[0] = 1;
        for (std::size_t i = 1; i < t.size(); ++i) t[i] = t[i - 1] * 10;
        return t;
    }();
    return table.data();
}

int digitCount(Int128 v)
{
    if (v < 0) v = -v;
    const Int128 *p = powersOfTen();
    int n = 1;
    while (n < 39 && v >= p[n]) ++n;
    return n;
}

// What Decimal(v, scale).text() shows, for a coefficient below 10^38.
std::string smallText(Int128 v, int scale)
{
    const bool negative = v < 0;
    if (negative) v = -v;
    char buf[48];
    char *end = buf;
    if (v >= Int128(10000000000000000000ULL)) {
        const std::uint64_t low = std::uint64_t(v % Int128(10000000000000000000ULL));
        end = std::to_chars(buf, buf + 24, std::uint64_t(v / Int128(10000000000000000000ULL))).ptr;
        char tail[24];
        char *t = std::to_chars(tail, tail + sizeof tail, low).ptr;
        const std::size_t n = std::size_t(t - tail);
        std::memset(end, '0', 19 - n);
        std::memcpy(end + (19 - n), tail, n);
        end += 19;
    } else {
        end = std::to_chars(buf, buf + sizeof buf, std::uint64_t(v)).ptr;
    }
    const int n = int(end - buf);
    std::string out;
    out.reserve(std::size_t(n + scale + 3));
    if (negative) out += '-';
    if (n <= scale) {
        out += "0.";
        out.append(std::size_t(scale - n), '0');
        out.append(buf, std::size_t(n));
        return out;
    }
    out.append(buf, std::size_t(n - scale));
    if (scale > 0) {
        out += '.';
        out.append(buf + (n - scale), std::size_t(scale));
    }
    return out;
}

} // namespace

std::string decimalSumText(std::string_view a, std::string_view b, bool subtract)
{
    // Both below 10^18 once aligned (a running total of amounts): int64 suffices.
    Decimal64 da, db;
    if (parseDecimal64(a, da) && parseDecimal64(b, db)) {
        const std::int64_t p = da.coef, q = db.coef;
        const int sp = da.scale, sq = db.scale;
        const int s = std::max(sp, sq);
        const std::uint64_t limit = kPow10[18];
        const std::uint64_t mp = kPow10[s - sp], mq = kPow10[s - sq];
        const std::uint64_t ap = std::uint64_t(p < 0 ? -p : p), aq = std::uint64_t(q < 0 ? -q : q);
        if (ap < limit / mp && aq < limit / mq)
            return smallText(Int128(p) * Int128(mp) + (subtract ? -1 : 1) * Int128(q) * Int128(mq), s);
    }
    Int128 x = 0, y = 0;
    int sx = 0, sy = 0;
    if (parseSmall(a, x, sx) && parseSmall(b, y, sy)) {
        const int s = std::max(sx, sy);
        // Aligned, both stay below 10^36 and their sum far from Int128's limit.
        if (digitCount(x) + s - sx <= 36 && digitCount(y) + s - sy <= 36) {
            x *= pow10Small(s - sx);
            y *= pow10Small(s - sy);
            const Int128 r = subtract ? x - y : x + y;
            if (digitCount(r) <= kMaxDecimalDigits) return smallText(r, s);
        }
    }
    const Decimal x1 = Decimal::parseOrRaise(a), y1 = Decimal::parseOrRaise(b);
    return expressionResult(subtract ? x1 - y1 : x1 + y1).text();
}

std::string decimal64Text(const Decimal64 &v) { return smallText(Int128(v.coef), v.scale); }

bool isStoredForm(std::string_view t, int collength)
{
    const int p = decimalPrecision(collength), s = decimalScale(collength);
    if (s == 255 || !hasPlainScale(t, s)) return false;
    const bool negative = t[0] == '-';
    const std::string_view digits = t.substr(negative ? 1 : 0);
    const std::size_t whole = s > 0 ? digits.size() - std::size_t(s) - 1 : digits.size();
    // "0.25" but not "00.25" or "-0.00": what storedText would write differently.
    if (whole > 1 && digits[0] == '0') return false;
    if (negative && digits.find_first_not_of("0.") == std::string_view::npos) return false;
    const bool zeroWhole = whole == 1 && digits[0] == '0';
    return zeroWhole || int(whole) <= p - s;
}

} // namespace quodlin::engine
