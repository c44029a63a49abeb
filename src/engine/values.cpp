#include "engine/values.h"

#include "engine/decimal.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace quodlin::engine {

// ---------------------------------------------------------------- DATE

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

constexpr std::int64_t kEpochOffset = 25568;  // 1970-01-01 is day 25568 after 1899-12-31

struct DbDate {
    char order[3] = {'M', 'D', 'Y'};
    int yearDigits = 4;
    char separator = '/';
};

DbDate parseDbdate(const std::string &spec)
{
    DbDate f;
    int n = 0;
    bool seenSep = false;
    char order[3] = {0, 0, 0};
    for (size_t i = 0; i < spec.size(); ++i) {
        char c = static_cast<char>(std::toupper(static_cast<unsigned char>(spec[i])));
        if ((c == 'M' || c == 'D' || c == 'Y') && n < 3) {
            order[n++] = c;
            if (c == 'Y' && i + 1 < spec.size() && (spec[i + 1] == '2' || spec[i + 1] == '4'))
                f.yearDigits = spec[++i] - '0';
        } else if (!seenSep && (c == '-' || c == '.' || c == '/' || c == '0')) {
            f.separator = c == '0' ? 0 : c;
            seenSep = true;
        }
    }
    if (n == 3 && order[0] != order[1] && order[1] != order[2] && order[0] != order[2])
        std::copy(order, order + 3, f.order);
    else if (n != 0)
        raise(-1212);
    return f;
}

int currentYear()
{
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return tm.tm_year + 1900;
}

} // namespace

std::int64_t dayNumber(int year, int month, int day)
{
    return daysFromCivil(year, month, day) + kEpochOffset;
}

void civilDate(std::int64_t dn, int &year, int &month, int &day)
{
    std::int64_t z = dn - kEpochOffset + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

static int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0))
        return 29;
    return days[month - 1];
}

bool validDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1
        && day <= daysInMonth(year, month);
}

int expandYear(int yy, const std::string &dbcentury)
{
    int now = currentYear();
    int century = now / 100 * 100;
    char mode = dbcentury.empty() ? 'R' : static_cast<char>(std::toupper(dbcentury[0]));
    int same = century + yy;
    switch (mode) {
    case 'P':
        return same <= now ? same : same - 100;
    case 'F':
        return same >= now ? same : same + 100;
    case 'C': {
        int best = same;
        for (int cand : {same - 100, same + 100})
            if (std::abs(cand - now) < std::abs(best - now))
                best = cand;
        return best;
    }
    default:
        return same;
    }
}

std::int64_t parseDate(const std::string &textIn, const Environment &env)
{
    DbDate f = parseDbdate(env.dbdate);
    std::string text = textIn;
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    size_t b = 0;
    while (b < text.size() && std::isspace(static_cast<unsigned char>(text[b])))
        ++b;
    text = text.substr(b);
    if (text.empty())
        raise(-1218);

    std::string fields[3];
    bool allDigits = std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
    if (allDigits) {
        if (text.size() != 6 && text.size() != 8)
            raise(-1209);
        int yLen = text.size() == 8 ? 4 : 2;
        size_t pos = 0;
        for (int i = 0; i < 3; ++i) {
            int len = f.order[i] == 'Y' ? yLen : 2;
            fields[i] = text.substr(pos, len);
            pos += len;
        }
    } else {
        int n = 0;
        size_t i = 0;
        while (i < text.size()) {
            if (std::isdigit(static_cast<unsigned char>(text[i]))) {
                if (n >= 3)
                    raise(-1218);
                size_t j = i;
                while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])))
                    ++j;
                fields[n++] = text.substr(i, j - i);
                i = j;
            } else if (std::isalpha(static_cast<unsigned char>(text[i]))) {
                raise(-1218);
            } else {
                ++i;
            }
        }
        if (n != 3)
            raise(-1218);
    }
    int y = 0, m = 0, d = 0;
    for (int i = 0; i < 3; ++i) {
        if (fields[i].size() > 4)
            raise(f.order[i] == 'Y' ? -1204 : f.order[i] == 'M' ? -1205 : -1206);
        int v = std::stoi(fields[i]);
        if (f.order[i] == 'Y')
            y = fields[i].size() <= 2 ? expandYear(v, env.dbcentury) : v;
        else if (f.order[i] == 'M')
            m = v;
        else
            d = v;
    }
    if (y < 1 || y > 9999)
        raise(-1204);
    if (m < 1 || m > 12)
        raise(-1205);
    if (d < 1 || d > daysInMonth(y, m))
        raise(-1206);
    return dayNumber(y, m, d);
}

std::string formatDate(std::int64_t dn, const Environment &env)
{
    DbDate f = parseDbdate(env.dbdate);
    int y, m, d;
    civilDate(dn, y, m, d);
    char buf[8];
    std::string out;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && f.separator)
            out += f.separator;
        if (f.order[i] == 'Y')
            std::snprintf(buf, sizeof buf, f.yearDigits == 2 ? "%02d" : "%04d", f.yearDigits == 2 ? y % 100 : y);
        else
            std::snprintf(buf, sizeof buf, "%02d", f.order[i] == 'M' ? m : d);
        out += buf;
    }
    return out;
}

std::int64_t todayDayNumber()
{
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return dayNumber(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

// ---------------------------------------------------------------- DATETIME

namespace {

// Fields in unit order: year, month, day, hour, minute, second, fraction (1e-5 s).
struct Fields {
    std::int64_t v[7] = {0, 1, 1, 0, 0, 0, 0};
};

int fieldIndex(int unit)
{
    return unit >= 11 ? 6 : unit / 2;
}

const char kSeparators[7] = {0, '-', '-', ' ', ':', ':', '.'};
const int kWidths[7] = {4, 2, 2, 2, 2, 2, 5};

Fields nowFields()
{
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() % 1000000;
    Fields f;
    f.v[0] = tm.tm_year + 1900;
    f.v[1] = tm.tm_mon + 1;
    f.v[2] = tm.tm_mday;
    f.v[3] = tm.tm_hour;
    f.v[4] = tm.tm_min;
    f.v[5] = tm.tm_sec;
    f.v[6] = micros / 10;
    return f;
}

int lastIndex(const Qualifier &q)
{
    return fieldIndex(q.end);
}

int fractionDigits(const Qualifier &q)
{
    return q.end > USecond ? q.end - 10 : 0;
}

// Reads the fields first..last of `text`; the first may have up to
// `leadingDigits` digits. Missing trailing fields keep their defaults.
void readFields(const std::string &textIn, int first, int last, int leadingDigits, Fields &f,
                bool &negative, bool allowSign)
{
    std::string text = textIn;
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1])))
        --e;
    text = text.substr(b, e - b);
    size_t i = 0;
    negative = false;
    if (allowSign && i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
        while (i < text.size() && text[i] == ' ')
            ++i;
    }
    if (i >= text.size())
        raise(-1262);
    for (int k = first; k <= last; ++k) {
        if (k > first) {
            if (i >= text.size())
                return;
            char sep = kSeparators[k];
            if (sep == ' ') {
                if (text[i] != ' ' && text[i] != 'T')
                    raise(std::isdigit(static_cast<unsigned char>(text[i])) ? -1263 : -1262);
                while (i < text.size() && (text[i] == ' ' || text[i] == 'T'))
                    ++i;
            } else if (text[i] == sep) {
                ++i;
            } else {
                raise(std::isdigit(static_cast<unsigned char>(text[i])) ? -1261 : -1262);
            }
        }
        size_t j = i;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])))
            ++j;
        if (j == i)
            raise(-1262);
        std::string digits = text.substr(i, j - i);
        int maxDigits = k == first ? leadingDigits : kWidths[k];
        if (k == 6) {
            if (static_cast<int>(digits.size()) > 5)
                raise(-1264);
            digits.resize(5, '0');
        } else if (static_cast<int>(digits.size()) > maxDigits) {
            raise(-1261);
        }
        f.v[k] = std::stoll(digits);
        i = j;
    }
    if (i != text.size())
        raise(-1264);
}

void validateFields(const Fields &f, int first, int last)
{
    auto has = [&](int k) { return first <= k && k <= last; };
    if (has(1) && (f.v[1] < 1 || f.v[1] > 12))
        raise(-1263);
    if (has(2)) {
        int y = has(0) ? static_cast<int>(f.v[0]) : 2000;  // leap year when the year is unknown
        int m = has(1) ? static_cast<int>(f.v[1]) : 1;
        int maxDay = has(1) ? daysInMonth(std::max(1, y), m) : 31;
        if (f.v[2] < 1 || f.v[2] > maxDay)
            raise(-1263);
    }
    if (has(0) && (f.v[0] < 1 || f.v[0] > 9999))
        raise(-1263);
    if (has(3) && f.v[3] > 23)
        raise(-1263);
    if (has(4) && f.v[4] > 59)
        raise(-1263);
    if (has(5) && f.v[5] > 59)
        raise(-1263);
}

std::string formatFields(const Fields &f, int first, int last, int fracDigits)
{
    std::string out;
    char buf[16];
    for (int k = first; k <= last; ++k) {
        if (k > first)
            out += kSeparators[k];
        if (k == 6) {
            std::snprintf(buf, sizeof buf, "%05lld", static_cast<long long>(f.v[6]));
            out += std::string(buf).substr(0, fracDigits);
        } else {
            std::snprintf(buf, sizeof buf, "%0*lld", kWidths[k], static_cast<long long>(f.v[k]));
            out += buf;
        }
    }
    return out;
}

Fields parseCanonical(const std::string &text, const Qualifier &q)
{
    Fields f;
    bool neg;
    int first = fieldIndex(q.start);
    readFields(text, first, lastIndex(q), kWidths[first], f, neg, false);
    return f;
}

constexpr std::int64_t kUnitsPerSecond = 100000;
constexpr std::int64_t kUnitsPerDay = 86400 * kUnitsPerSecond;

std::int64_t toUnits(const Fields &f)
{
    return dayNumber(static_cast<int>(f.v[0]), static_cast<int>(f.v[1]), static_cast<int>(f.v[2])) * kUnitsPerDay
        + ((f.v[3] * 60 + f.v[4]) * 60 + f.v[5]) * kUnitsPerSecond + f.v[6];
}

Fields fromUnits(std::int64_t units)
{
    std::int64_t days = units >= 0 ? units / kUnitsPerDay : -((-units + kUnitsPerDay - 1) / kUnitsPerDay);
    std::int64_t rest = units - days * kUnitsPerDay;
    Fields f;
    int y, m, d;
    civilDate(days, y, m, d);
    f.v[0] = y;
    f.v[1] = m;
    f.v[2] = d;
    f.v[6] = rest % kUnitsPerSecond;
    rest /= kUnitsPerSecond;
    f.v[5] = rest % 60;
    rest /= 60;
    f.v[4] = rest % 60;
    f.v[3] = rest / 60;
    return f;
}

// The fields of a datetime with the missing leading ones taken from now.
Fields fullFields(const std::string &canonical, int qualifier)
{
    Qualifier q = decodeQualifier(qualifier, false);
    Fields f = parseCanonical(canonical, q);
    Fields now = nowFields();
    for (int k = 0; k < fieldIndex(q.start); ++k)
        f.v[k] = now.v[k];
    return f;
}

} // namespace

std::string parseDatetime(const std::string &text, int qualifier)
{
    Qualifier q = decodeQualifier(qualifier, false);
    int first = fieldIndex(q.start), last = lastIndex(q);
    Fields f;
    bool neg;
    readFields(text, first, last, kWidths[first], f, neg, false);
    validateFields(f, first, last);
    return formatFields(f, first, last, fractionDigits(q));
}

std::string extendDatetime(const std::string &canonical, int fromQualifier, int toQualifier)
{
    Fields f = fullFields(canonical, fromQualifier);
    Qualifier from = decodeQualifier(fromQualifier, false);
    for (int k = lastIndex(from) + 1; k < 7; ++k)
        f.v[k] = (k == 1 || k == 2) ? 1 : 0;
    if (fractionDigits(from) < 5 && lastIndex(from) == 6) {
        std::int64_t scale = 1;
        for (int i = fractionDigits(from); i < 5; ++i)
            scale *= 10;
        f.v[6] = f.v[6] / scale * scale;
    }
    Qualifier to = decodeQualifier(toQualifier, false);
    return formatFields(f, fieldIndex(to.start), lastIndex(to), fractionDigits(to));
}

std::string currentDatetime(int qualifier)
{
    Qualifier q = decodeQualifier(qualifier, false);
    return formatFields(nowFields(), fieldIndex(q.start), lastIndex(q), fractionDigits(q));
}

// ---------------------------------------------------------------- INTERVAL

IntervalValue parseInterval(const std::string &text, int qualifier)
{
    Qualifier q = decodeQualifier(qualifier, true);
    int first = fieldIndex(q.start), last = lastIndex(q);
    Fields f;
    for (auto &x : f.v)
        x = 0;
    bool negative = false;
    readFields(text, first, last, q.leading, f, negative, true);
    for (int k = first + 1; k <= last; ++k) {
        static const int limits[7] = {0, 11, 0, 23, 59, 59, 99999};
        if (k != 2 && f.v[k] > limits[k])
            raise(-1263);
    }
    IntervalValue v;
    if (q.start <= UMonth) {
        v.yearMonth = true;
        v.amount = f.v[0] * 12 + f.v[1];
    } else {
        v.amount = (((f.v[2] * 24 + f.v[3]) * 60 + f.v[4]) * 60 + f.v[5]) * kUnitsPerSecond + f.v[6];
    }
    if (negative)
        v.amount = -v.amount;
    return v;
}

std::string formatInterval(const IntervalValue &value, int qualifier)
{
    Qualifier q = decodeQualifier(qualifier, true);
    int first = fieldIndex(q.start), last = lastIndex(q);
    std::int64_t a = value.amount < 0 ? -value.amount : value.amount;
    Fields f;
    for (auto &x : f.v)
        x = 0;
    if (value.yearMonth) {
        if (first == 0) {
            f.v[0] = a / 12;
            f.v[1] = a % 12;
        } else {
            f.v[1] = a;
        }
    } else {
        // Split from the smallest unit up; the leading field takes the rest.
        std::int64_t units[7] = {0, 0, kUnitsPerDay, 3600 * kUnitsPerSecond, 60 * kUnitsPerSecond,
                                 kUnitsPerSecond, 1};
        std::int64_t rest = a;
        for (int k = first; k <= 6; ++k) {
            if (k > last)
                break;
            if (k == first) {
                f.v[k] = rest / units[k];
                rest %= units[k];
            } else {
                f.v[k] = rest / units[k];
                rest %= units[k];
            }
        }
    }
    std::string out = value.amount < 0 ? "-" : "";
    char buf[32];
    for (int k = first; k <= last; ++k) {
        if (k > first)
            out += kSeparators[k];
        if (k == 6) {
            std::snprintf(buf, sizeof buf, "%05lld", static_cast<long long>(f.v[6]));
            out += std::string(buf).substr(0, k == first ? 5 : fractionDigits(q));
        } else if (k == first) {
            out += std::to_string(f.v[k]);
        } else {
            std::snprintf(buf, sizeof buf, "%02lld", static_cast<long long>(f.v[k]));
            out += buf;
        }
    }
    if (q.leading > 0 && static_cast<int>(std::to_string(f.v[first]).size()) > q.leading && first != 6)
        raise(-1265);
    return out;
}

std::string addInterval(const std::string &datetime, int dtQualifier, const IntervalValue &iv, int sign)
{
    Qualifier q = decodeQualifier(dtQualifier, false);
    Fields f = fullFields(datetime, dtQualifier);
    if (iv.yearMonth) {
        std::int64_t months = f.v[0] * 12 + (f.v[1] - 1) + sign * iv.amount;
        f.v[0] = months / 12;
        f.v[1] = months % 12 + 1;
        if (f.v[0] < 1 || f.v[0] > 9999)
            raise(-1267);
        if (f.v[2] > daysInMonth(static_cast<int>(f.v[0]), static_cast<int>(f.v[1])))
            raise(-1267);
    } else {
        f = fromUnits(toUnits(f) + sign * iv.amount);
        if (f.v[0] < 1 || f.v[0] > 9999)
            raise(-1267);
    }
    return formatFields(f, fieldIndex(q.start), lastIndex(q), fractionDigits(q));
}

IntervalValue subtractDatetimes(const std::string &a, int aQualifier, const std::string &b, int bQualifier)
{
    Fields fa = fullFields(a, aQualifier), fb = fullFields(b, bQualifier);
    IntervalValue v;
    v.amount = toUnits(fa) - toUnits(fb);
    return v;
}

// ---------------------------------------------------------------- numbers

namespace {

std::string shortestFixed(double v)
{
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return std::string(buf, r.ptr);
}

} // namespace

namespace {

const double kDecimalPow10[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// |value| in units of the scale, rounded half away from zero, unless the
// value sits near a rounding tie: there scaling and rounding the double may
// disagree with rounding its shortest text, so the text decides (false).
bool decimalUnits(double value, int scale, std::uint64_t &units)
{
    if (scale < 0 || scale > 9)
        return false;
    const double mag = std::fabs(value * kDecimalPow10[scale]);
    if (!(mag < 1e12))  // also NaN
        return false;
    const auto whole = static_cast<std::uint64_t>(mag);
    const double frac = mag - static_cast<double>(whole);
    if (std::fabs(frac - 0.5) <= 1e-3)
        return false;
    units = whole + (frac > 0.5 ? 1 : 0);
    return true;
}

// The digits are written backwards from `end` in integer arithmetic (to_chars
// and copies cost over 200 instructions a value on a scan); returns the first
// character, or nullptr when the slow path must decide. Needs 24 characters.
char *decimalFast(double value, int scale, char *end)
{
    static const char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    std::uint64_t units = 0;
    if (!decimalUnits(value, scale, units))
        return nullptr;
    const bool negative = value < 0 && units != 0;
    char *p = end;
    int digits = scale;  // fraction digits still to write
    auto two = [&] {
        const auto k = static_cast<unsigned>(units % 100) * 2;
        units /= 100;
        *--p = kPairs[k + 1];
        *--p = kPairs[k];
    };
    for (; digits >= 2; digits -= 2)
        two();
    if (digits == 1) {
        *--p = static_cast<char>('0' + units % 10);
        units /= 10;
    }
    if (scale > 0)
        *--p = '.';
    while (units >= 100)
        two();
    if (units >= 10)
        two();
    else
        *--p = static_cast<char>('0' + units);
    if (negative)
        *--p = '-';
    return p;
}

} // namespace

void formatDecimalInto(std::string &out, double value, int scale)
{
    char buf[32];
    char *end = buf + sizeof buf;
    if (const char *p = scale != 255 ? decimalFast(value, scale, end) : nullptr) {
        // clear + append reuses the buffer without assign's overlap checks.
        out.clear();
        out.append(p, static_cast<size_t>(end - p));
        return;
    }
    out = formatDecimal(value, scale);
}

std::string formatDecimal(double value, int scale)
{
    if (!std::isfinite(value))
        raise(-1200);
    if (scale == 255 || scale < 0)
        return formatNumber(value);
    char buf[32];
    if (const char *p = decimalFast(value, scale, buf + sizeof buf))
        return std::string(p, static_cast<size_t>(buf + sizeof buf - p));
    // Rounds the shortest exact text of the double (so 2.675 gives 2.68) half
    // away from zero.
    char in[400];
    auto r = std::to_chars(in, in + sizeof in, value, std::chars_format::fixed);
    const char *p = in, *end = r.ptr;
    bool negative = *p == '-';
    if (negative)
        ++p;
    const char *dot = std::find(p, end, '.');
    const char *frac = dot == end ? end : dot + 1;
    const int fracLen = static_cast<int>(end - frac);
    char out[440];
    char *o = out + 1;  // one spare digit for a carry
    char *digitsStart = o;
    o = std::copy(p, dot, o);
    char *intEnd = o;
    for (int i = 0; i < scale; ++i)
        *o++ = i < fracLen ? frac[i] : '0';
    if (fracLen > scale && frac[scale] >= '5') {
        char *q = o - 1;
        while (q >= digitsStart && *q == '9')
            *q-- = '0';
        if (q >= digitsStart) {
            ++*q;
        } else {
            *--digitsStart = '1';
        }
    }
    std::string text(digitsStart, intEnd);
    if (text.empty())
        text = "0";
    if (scale > 0) {
        text += '.';
        text.append(intEnd, o);
    }
    if (negative && text.find_first_not_of("0.") != std::string::npos)
        text.insert(text.begin(), '-');
    return text;
}

double roundDecimal(double value, int scale)
{
    if (scale < 0 || scale == 255 || !std::isfinite(value))
        return value;
    std::uint64_t units = 0;
    if (decimalUnits(value, scale, units)) {
        // units / 10^scale is correctly rounded, so it equals reading the text back.
        const double r = static_cast<double>(units) / kDecimalPow10[scale];
        return units == 0 ? 0.0 : (value < 0 ? -r : r);
    }
    return std::strtod(formatDecimal(value, scale).c_str(), nullptr);
}

std::string formatNumber(double value)
{
    if (!std::isfinite(value))
        raise(-1200);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    std::string s = buf;
    if (s.find('e') != std::string::npos) {
        double rounded = std::strtod(buf, nullptr);
        if (std::fabs(rounded) >= 1e30 || (rounded != 0 && std::fabs(rounded) < 1e-30))
            return s;
        s = shortestFixed(rounded);
    }
    if (s == "-0")
        s = "0";
    return s;
}

double parseNumber(const std::string &text)
{
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1])))
        --e;
    if (b == e)
        raise(-1213);
    std::string s = text.substr(b, e - b);
    for (char c : s)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            raise(-1213);
    char *end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size())
        raise(-1213);
    return v;
}

std::string formatMoney(const std::string &decimalText, const Environment &env, bool withCurrency)
{
    std::string front = "$", back;
    char sep = '.';
    const std::string &m = env.dbmoney;
    auto pos = m.find_first_of(".,");
    if (pos != std::string::npos) {
        front = m.substr(0, pos);
        sep = m[pos];
        back = m.substr(pos + 1);
    } else if (!m.empty()) {
        front = m;
    }
    std::string body = decimalText;
    bool negative = !body.empty() && body[0] == '-';
    if (negative)
        body.erase(0, 1);
    auto dot = body.find('.');
    if (dot != std::string::npos)
        body[dot] = sep;
    if (!withCurrency)
        return (negative ? "-" : "") + body;
    return (negative ? "-" : "") + front + body + back;
}

bool parseBoolean(const std::string &text)
{
    std::string s;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            s += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (s == "t" || s == "1" || s == "true")
        return true;
    if (s == "f" || s == "0" || s == "false")
        return false;
    raise(-1260);
}

std::int64_t checkIntegerRange(double value, int code)
{
    switch (code & kTypeMask) {
    case TSmallInt:
        if (std::fabs(value) > 32767)
            raise(-1214);
        break;
    case TInteger:
    case TSerial:
        if (std::fabs(value) > 2147483647.0)
            raise(-1215);
        break;
    default:
        if (std::fabs(value) >= 9223372036854775807.0)
            raise(-1284);
        break;
    }
    return static_cast<std::int64_t>(value);
}

// ---------------------------------------------------------------- display

std::string displayText(const Value &value, const ColumnDescription &column, const Environment &env,
                        bool withCurrency)
{
    if (value.isNull())
        return {};
    int code = column.coltype & kTypeMask;
    auto asDouble = [&]() {
        switch (value.kind) {
        case Value::Kind::Integer: return static_cast<double>(value.integer);
        case Value::Kind::Float: return value.real;
        default: return parseNumber(value.text);
        }
    };
    switch (code) {
    case TDate:
        if (value.kind == Value::Kind::Integer)
            return formatDate(value.integer, env);
        if (value.kind == Value::Kind::Float)
            return formatDate(static_cast<std::int64_t>(value.real), env);
        return value.text;
    case TDecimal:
    case TMoney: {
        const int scale = decimalScale(column.collength);
        std::string text;
        if (value.kind == Value::Kind::Float) {
            text = formatDecimal(value.real, scale);
        } else if (value.kind == Value::Kind::Integer) {
            text = decimalText(Decimal::fromInt(value.integer), scale);
        } else if (hasPlainScale(value.text, scale)) {
            text = value.text;
        } else {
            const std::optional<Decimal> d = Decimal::parse(value.text);
            text = d ? decimalText(*d, scale) : value.text;
        }
        return code == TMoney ? formatMoney(text, env, withCurrency) : text;
    }
    case TFloat:
    case TSmallFloat:
        if (value.kind == Value::Kind::Text || value.kind == Value::Kind::Blob)
            return value.text;
        return formatNumber(asDouble());
    case TBooleanClient:
    case TUdtFixed:
        if (isBoolean(code, column.extendedId) || code == TBooleanClient) {
            if (value.kind == Value::Kind::Integer)
                return value.integer ? "t" : "f";
            return value.text;
        }
        break;
    default:
        break;
    }
    switch (value.kind) {
    case Value::Kind::Integer: return std::to_string(value.integer);
    case Value::Kind::Float: return formatNumber(value.real);
    case Value::Kind::Blob:
        if (code == TText || (code == TUdtFixed && column.extendedId == kXidClob)) return value.text;
        return code == TUdtFixed ? "<BLOB value>" : "<BYTE value>";
    default: return value.text;
    }
}

} // namespace quodlin::engine
