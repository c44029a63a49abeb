// The dialect's SQLite user functions. Every function maps NULL arguments to
// NULL (as Informix does), and turns an EngineError into a SQLite error whose
// message carries the Informix number ("quodlin:<code>:<isam>:<arg>"). The
// functions whose errors point at an expression take its offset in the
// statement text as an optional last argument and report it as
// "quodlin@<offset>:<code>:<isam>:<arg>".
#include "engine/sqlfunctions.h"
#include "engine/sqlfunction_util.h"

#include "engine/decimal.h"
#include "engine/error.h"
#include "engine/types.h"
#include "engine/values.h"
#include "engine/version.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ctime>
#include <string>
#include <vector>

namespace quodlin::engine {

using namespace fn;

namespace {

FunctionContext &fctx(sqlite3_context *c) { return *static_cast<FunctionContext *>(sqlite3_user_data(c)); }
// TODAY and CURRENT are fixed for one statement: the first of them reads the
// clock; the calendar part is recomputed only when the second changes
// (single-row INSERT loops).
void readStatementClock(FunctionContext &fc)
{
    using namespace std::chrono;
    static thread_local std::int64_t lastSecond = -1;
    static thread_local std::string base;
    static thread_local std::int64_t day = 0;
    const auto now = system_clock::now();
    const std::int64_t micros = duration_cast<microseconds>(now.time_since_epoch()).count();
    const std::int64_t second = micros / 1000000;
    if (second != lastSecond) {
        std::time_t t = static_cast<std::time_t>(second);
        std::tm tm{};
        localtime_r(&t, &tm);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                      tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
        base = buf;
        day = dayNumber(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
        lastSecond = second;
    }
    char frac[6] = {'.'};
    int units = static_cast<int>((micros % 1000000) / 10);
    for (int k = 5; k >= 1; --k, units /= 10)
        frac[k] = static_cast<char>('0' + units % 10);
    fc.statementDay = day;
    fc.statementNow.assign(base).append(frac, sizeof frac);
    fc.clockValid = true;
}

const Environment &envOf(sqlite3_context *c)
{
    static const Environment defaults;
    const FunctionContext &f = fctx(c);
    return f.env ? *f.env : defaults;
}

bool isDatetimeText(const std::string &s)
{
    return s.size() >= 10 && std::isdigit(static_cast<unsigned char>(s[0])) && s[4] == '-' && s[7] == '-';
}

// A DATE from a day number, a DATE string (DBDATE) or a DATETIME with a date part.
std::int64_t toDay(sqlite3_context *c, sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return sqlite3_value_int64(v);
    case SQLITE_FLOAT: return std::int64_t(std::floor(sqlite3_value_double(v)));
    default: break;
    }
    const std::string s = text(v);
    if (isDatetimeText(s)) {
        const int y = std::atoi(s.substr(0, 4).c_str()), m = std::atoi(s.substr(5, 2).c_str()), d = std::atoi(s.substr(8, 2).c_str());
        if (!validDate(y, m, d)) raise(-1263);
        return dayNumber(y, m, d);
    }
    return parseDate(s, envOf(c));
}

std::string dateCanonical(std::int64_t day)
{
    int y, m, d;
    civilDate(day, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

// ------------------------------------------------------------------ patterns

struct PatternUnit {
    enum Kind { Any, One, Set, Literal };
    PatternUnit(Kind k, char ch = 0) : kind(k), c(ch) {}
    Kind kind;
    char c = 0;
    bool negated = false;
    std::string set;  // pairs lo,hi
};

std::vector<PatternUnit> compile(const std::string &p, bool matches, char escape)
{
    std::vector<PatternUnit> out;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const char ch = p[i];
        if (escape && ch == escape && i + 1 < p.size()) {
            out.push_back({PatternUnit::Literal, p[++i]});
            continue;
        }
        if (ch == (matches ? '*' : '%')) {
            if (out.empty() || out.back().kind != PatternUnit::Any) out.push_back({PatternUnit::Any});
            continue;
        }
        if (ch == (matches ? '?' : '_')) { out.push_back({PatternUnit::One}); continue; }
        if (matches && ch == '[') {
            const std::size_t close = p.find(']', i + 2);
            if (close != std::string::npos) {
                PatternUnit u{PatternUnit::Set};
                std::size_t k = i + 1;
                if (p[k] == '^') { u.negated = true; ++k; }
                for (; k < close; ++k) {
                    if (k + 2 < close && p[k + 1] == '-') {
                        u.set += p[k];
                        u.set += p[k + 2];
                        k += 2;
                    } else {
                        u.set += p[k];
                        u.set += p[k];
                    }
                }
                out.push_back(std::move(u));
                i = close;
                continue;
            }
        }
        out.push_back({PatternUnit::Literal, ch});
    }
    return out;
}

bool unitMatches(const PatternUnit &u, char ch)
{
    switch (u.kind) {
    case PatternUnit::One: return true;
    case PatternUnit::Literal: return u.c == ch;
    case PatternUnit::Set: {
        bool in = false;
        for (std::size_t k = 0; k + 1 < u.set.size(); k += 2)
            if (static_cast<unsigned char>(ch) >= static_cast<unsigned char>(u.set[k])
                && static_cast<unsigned char>(ch) <= static_cast<unsigned char>(u.set[k + 1]))
                in = true;
        return in != u.negated;
    }
    default: return false;
    }
}

// Greedy matching with backtracking to the last `*`: linear for patterns with one star.
bool run(const std::vector<PatternUnit> &p, std::string_view s)
{
    std::size_t pi = 0, si = 0, starP = std::string::npos, starS = 0;
    while (si < s.size()) {
        if (pi < p.size() && p[pi].kind == PatternUnit::Any) {
            starP = pi++;
            starS = si;
            continue;
        }
        if (pi < p.size() && unitMatches(p[pi], s[si])) { ++pi; ++si; continue; }
        if (starP == std::string::npos) return false;
        pi = starP + 1;
        si = ++starS;
    }
    while (pi < p.size() && p[pi].kind == PatternUnit::Any) ++pi;
    return pi == p.size();
}

char escapeOf(sqlite3_context *c, int argc, sqlite3_value **argv, bool &ok)
{
    ok = true;
    if (argc < 3) return '\\';
    const std::string e = text(argv[2]);
    if (e.empty()) return 0;
    if (e.size() != 1) { fail(c, -1213); ok = false; }
    return e[0];
}

// A compiled pattern kept with the statement while its pattern argument is
// constant: compiling it again for every row cost as much as matching.
struct CompiledPattern {
    std::string pattern;
    char escape = 0;
    std::vector<PatternUnit> units;
};

void fnPattern(sqlite3_context *c, int argc, sqlite3_value **argv, bool matches)
{
    if (anyNull(argc, argv)) { sqlite3_result_null(c); return; }
    bool ok;
    const char esc = escapeOf(c, argc, argv, ok);
    if (!ok) return;
    // As text() reads them (a FLOAT in its display form), without a copy per row.
    std::string patternCopy, valueCopy;
    auto view = [](sqlite3_value *v, std::string &copy) -> std::string_view {
        if (sqlite3_value_type(v) == SQLITE_FLOAT) return copy = text(v);
        return {reinterpret_cast<const char *>(sqlite3_value_text(v)), std::size_t(sqlite3_value_bytes(v))};
    };
    const std::string_view pattern = view(argv[1], patternCopy);
    auto *cached = static_cast<CompiledPattern *>(sqlite3_get_auxdata(c, 1));
    if (!cached || cached->pattern != pattern || cached->escape != esc) {
        auto fresh = std::make_unique<CompiledPattern>();
        fresh->pattern = pattern;
        fresh->escape = esc;
        fresh->units = compile(fresh->pattern, matches, esc);
        sqlite3_set_auxdata(c, 1, fresh.release(), [](void *p) { delete static_cast<CompiledPattern *>(p); });
        // SQLite may drop the data at once (a pattern that is not constant).
        cached = static_cast<CompiledPattern *>(sqlite3_get_auxdata(c, 1));
        if (!cached) {
            sqlite3_result_int(c, run(compile(std::string(pattern), matches, esc), view(argv[0], valueCopy)) ? 1 : 0);
            return;
        }
    }
    sqlite3_result_int(c, run(cached->units, view(argv[0], valueCopy)) ? 1 : 0);
}

// ------------------------------------------------------------------ conversion

void storeTo(sqlite3_context *c, sqlite3_value *v, int code, int collength, int xid)
{
    const int type = sqlite3_value_type(v);
    auto number = [&]() -> double {
        if (type == SQLITE_INTEGER) return double(sqlite3_value_int64(v));
        if (type == SQLITE_FLOAT) return sqlite3_value_double(v);
        return parseNumber(text(v));
    };
    switch (code) {
    case TChar: case TNChar: case TVarChar: case TNVarChar: case TUdtVar: {
        if (code == TUdtVar && xid != kXidLVarChar) break;
        std::string s = text(v);
        const int max = (code == TVarChar || code == TNVarChar) ? varcharMax(collength) : collength;
        if (max > 0 && int(s.size()) > max) s.resize(std::size_t(max));
        if (code == TChar || code == TNChar)
            while (!s.empty() && s.back() == ' ') s.pop_back();
        resultText(c, s);
        return;
    }
    case TSmallInt: case TInteger: case TInt8: case TBigInt: case TSerial: case TSerial8: case TBigSerial:
        if (type == SQLITE_INTEGER && code != TSmallInt && code != TInteger && code != TSerial) {
            sqlite3_result_int64(c, sqlite3_value_int64(v));
            return;
        }
        if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) {
            // Text keeps all 19 digits of an INT8 (a double would not).
            const std::optional<std::int64_t> i = Decimal::parseOrRaise(text(v)).truncated(0).toInt64();
            if (!i || *i == INT64_MIN) checkIntegerRange(1e19, code);
            if (code == TSmallInt || code == TInteger || code == TSerial) checkIntegerRange(double(*i), code);
            sqlite3_result_int64(c, *i);
            return;
        }
        sqlite3_result_int64(c, checkIntegerRange(number(), code));
        return;
    case TFloat: case TSmallFloat:
        sqlite3_result_double(c, number());
        return;
    case TDecimal: case TMoney: {
        if (type == SQLITE_INTEGER) resultText(c, storedText(std::int64_t(sqlite3_value_int64(v)), collength));
        else if (type == SQLITE_FLOAT) resultText(c, storedText(sqlite3_value_double(v), collength));
        else {
            // Most values arrive in their stored form (a column's own, a sum at its scale).
            const std::string_view t(reinterpret_cast<const char *>(sqlite3_value_text(v)), std::size_t(sqlite3_value_bytes(v)));
            if (isStoredForm(t, collength)) sqlite3_result_value(c, v);
            else resultText(c, storedText(t, collength));
        }
        return;
    }
    case TDate:
        sqlite3_result_int64(c, toDay(c, v));
        return;
    case TDateTime: {
        if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
            resultText(c, extendDatetime(dateCanonical(toDay(c, v)), encodeDatetime(UYear, UDay), collength));
            return;
        }
        resultText(c, parseDatetime(text(v), collength));
        return;
    }
    case TInterval:
        resultText(c, formatInterval(parseInterval(text(v), collength), collength));
        return;
    case TUdtFixed:
        if (xid == kXidBoolean) {
            if (type == SQLITE_INTEGER) { sqlite3_result_int(c, sqlite3_value_int64(v) ? 1 : 0); return; }
            sqlite3_result_int(c, parseBoolean(text(v)) ? 1 : 0);
            return;
        }
        break;
    default:
        break;
    }
    sqlite3_result_value(c, v);
}

void mergeOnce(sqlite3_context *c, int n, sqlite3_value **v)
{
    sqlite3_result_int(c, 1);
    if (isNull(v[1]) || sqlite3_value_int(v[1]) == 0) return;
    FunctionContext &f = *static_cast<FunctionContext *>(sqlite3_user_data(c));
    if (f.mergeInserted.count(sqlite3_value_int64(v[0]))) {
        sqlite3_result_int(c, 0);
        return;
    }
    if (!f.mergeMatched.insert(sqlite3_value_int64(v[0])).second) fail(c, -9626, f.mergeTarget, 0, offsetArg(n, v, 3));
}

// ------------------------------------------------------------------ registration helpers

using Body = void (*)(sqlite3_context *, int, sqlite3_value **);

void add(sqlite3 *db, FunctionContext *ctx, const char *name, int nargs, Body body, bool deterministic = true)
{
    const int flags = SQLITE_UTF8 | (deterministic ? SQLITE_DETERMINISTIC : 0);
    sqlite3_create_function_v2(db, name, nargs, flags, ctx, body, nullptr, nullptr, nullptr);
}

// Registers `name` with and without the trailing offset argument.
void addAt(sqlite3 *db, FunctionContext *ctx, const char *name, int nargs, Body body)
{
    add(db, ctx, name, nargs, body);
    add(db, ctx, name, nargs + 1, body);
}

double dbl(sqlite3_value *v)
{
    if (sqlite3_value_type(v) == SQLITE_TEXT) return parseNumber(text(v));
    return sqlite3_value_double(v);
}

std::int64_t addMonths(std::int64_t day, std::int64_t months, bool clamp)
{
    int y, m, d;
    civilDate(day, y, m, d);
    std::int64_t total = std::int64_t(y) * 12 + (m - 1) + months;
    int ny = int(total / 12), nm = int(total % 12) + 1;
    if (nm <= 0) { nm += 12; --ny; }
    if (!validDate(ny, nm, d)) {
        if (!clamp) raise(-1267);
        while (d > 28 && !validDate(ny, nm, d)) --d;
    }
    return dayNumber(ny, nm, d);
}

// Variance / standard deviation (n - 1 denominator, as Informix computes them).
struct VarianceState {
    double n, sum, sumSq;
};

void varianceStep(sqlite3_context *c, int, sqlite3_value **argv)
{
    auto *s = static_cast<VarianceState *>(sqlite3_aggregate_context(c, sizeof(VarianceState)));
    if (!s || isNull(argv[0])) return;
    const double x = sqlite3_value_double(argv[0]);
    s->n += 1;
    s->sum += x;
    s->sumSq += x * x;
}

void varianceInverse(sqlite3_context *c, int, sqlite3_value **argv)
{
    auto *s = static_cast<VarianceState *>(sqlite3_aggregate_context(c, sizeof(VarianceState)));
    if (!s || isNull(argv[0])) return;
    const double x = sqlite3_value_double(argv[0]);
    s->n -= 1;
    s->sum -= x;
    s->sumSq -= x * x;
}

void varianceFinal(sqlite3_context *c, bool root)
{
    auto *s = static_cast<VarianceState *>(sqlite3_aggregate_context(c, 0));
    if (!s || s->n < 2) {
        if (s && s->n == 1) sqlite3_result_double(c, 0);
        else sqlite3_result_null(c);
        return;
    }
    double v = (s->sumSq - s->sum * s->sum / s->n) / (s->n - 1);
    if (v < 0) v = 0;
    sqlite3_result_double(c, root ? std::sqrt(v) : v);
}

std::string formatDateTimeParts(int y, int mo, int d, int h, int mi, int s, const std::string &fmt)
{
    static const char *const months[] = {"January", "February", "March", "April", "May", "June", "July",
                                         "August", "September", "October", "November", "December"};
    static const char *const days[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    const int wd = int(((dayNumber(y, mo, d) % 7) + 7) % 7);
    std::string out;
    char buf[16];
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%' || i + 1 >= fmt.size()) { out += fmt[i]; continue; }
        const char k = fmt[++i];
        switch (k) {
        case 'Y': std::snprintf(buf, sizeof buf, "%04d", y); out += buf; break;
        case 'y': std::snprintf(buf, sizeof buf, "%02d", y % 100); out += buf; break;
        case 'm': std::snprintf(buf, sizeof buf, "%02d", mo); out += buf; break;
        case 'd': std::snprintf(buf, sizeof buf, "%02d", d); out += buf; break;
        case 'e': std::snprintf(buf, sizeof buf, "%2d", d); out += buf; break;
        case 'H': std::snprintf(buf, sizeof buf, "%02d", h); out += buf; break;
        case 'M': std::snprintf(buf, sizeof buf, "%02d", mi); out += buf; break;
        case 'S': std::snprintf(buf, sizeof buf, "%02d", s); out += buf; break;
        case 'B': out += months[mo - 1]; break;
        case 'b': out += std::string(months[mo - 1]).substr(0, 3); break;
        case 'A': out += days[wd]; break;
        case 'a': out += std::string(days[wd]).substr(0, 3); break;
        case '%': out += '%'; break;
        default: out += '%'; out += k; break;
        }
    }
    return out;
}

} // namespace

// ------------------------------------------------------------------ public helpers

bool matchesPattern(const std::string &text, const std::string &pattern, char escape)
{
    return run(compile(pattern, true, escape), text);
}

bool likePattern(const std::string &text, const std::string &pattern, char escape)
{
    return run(compile(pattern, false, escape), text);
}

std::string patternPrefix(const std::string &pattern, bool matches, char escape)
{
    std::string prefix;
    for (const PatternUnit &u : compile(pattern, matches, escape)) {
        if (u.kind != PatternUnit::Literal) break;
        prefix += u.c;
    }
    return prefix;
}

std::optional<ErrorInfo> functionError(const std::string &msg)
{
    const std::string prefix = "quodlin";
    if (msg.compare(0, prefix.size(), prefix) != 0 || msg.size() <= prefix.size()) return std::nullopt;
    std::size_t pos = prefix.size();
    int offset = -1;
    if (msg[pos] == '@') {
        const std::size_t colon = msg.find(':', pos + 1);
        if (colon == std::string::npos) return std::nullopt;
        offset = std::atoi(msg.substr(pos + 1, colon - pos - 1).c_str());
        pos = colon;
    }
    if (msg[pos] != ':') return std::nullopt;
    const std::size_t a = msg.find(':', pos + 1);
    if (a == std::string::npos) return std::nullopt;
    const std::size_t b = msg.find(':', a + 1);
    if (b == std::string::npos) return std::nullopt;
    const int code = std::atoi(msg.substr(pos + 1, a - pos - 1).c_str());
    const int isam = std::atoi(msg.substr(a + 1, b - a - 1).c_str());
    if (code >= 0) return std::nullopt;
    return makeError(code, msg.substr(b + 1), offset, isam);
}

void registerDialectFunctions(sqlite3 *db, FunctionContext *ctx)
{
    add(db, ctx, "ifx_matches", 2, [](sqlite3_context *c, int n, sqlite3_value **v) { fnPattern(c, n, v, true); });
    add(db, ctx, "ifx_matches", 3, [](sqlite3_context *c, int n, sqlite3_value **v) { fnPattern(c, n, v, true); });
    add(db, ctx, "ifx_like", 2, [](sqlite3_context *c, int n, sqlite3_value **v) { fnPattern(c, n, v, false); });
    add(db, ctx, "ifx_like", 3, [](sqlite3_context *c, int n, sqlite3_value **v) { fnPattern(c, n, v, false); });

    addAt(db, ctx, "ifx_div", 2, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const double b = dbl(v[1]);
            if (b == 0) raise(-1202);
            sqlite3_result_double(c, dbl(v[0]) / b);
        }, true, 2);
    });
    // DATE +/- n must stay within 0001-01-01 .. 9999-12-31.
    addAt(db, ctx, "ifx_date_range", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const double day = dbl(v[0]);
            if (day < -693594 || day > 2958464) raise(-1267);
            sqlite3_result_value(c, v[0]);
        }, true, 1);
    });
    addAt(db, ctx, "ifx_mod", 2, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            if (sqlite3_value_type(v[0]) == SQLITE_INTEGER && sqlite3_value_type(v[1]) == SQLITE_INTEGER) {
                const std::int64_t b = sqlite3_value_int64(v[1]);
                if (b == 0) raise(-1202);
                sqlite3_result_int64(c, sqlite3_value_int64(v[0]) % b);
                return;
            }
            const double b = dbl(v[1]);
            if (b == 0) raise(-1202);
            sqlite3_result_double(c, std::fmod(dbl(v[0]), b));
        }, true, 2);
    });
    addAt(db, ctx, "ifx_raise", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        fail(c, sqlite3_value_int(v[0]), {}, 0, offsetArg(n, v, 1));
    });
    // ifx_not_null(value, 'table.column'): the value; -391 when NULL.
    add(db, ctx, "ifx_not_null", 2, [](sqlite3_context *c, int, sqlite3_value **v) {
        if (isNull(v[0]))
            fail(c, -391, text(v[1]));
        else
            sqlite3_result_value(c, v[0]);
    });
    // ifx_merge_once(target rowid, condition, source column): 1, or 0 for a
    // row the MERGE inserted; fails when the condition holds for a target
    // row already matched.
    add(db, ctx, "ifx_merge_once", 3, mergeOnce, false);
    add(db, ctx, "ifx_merge_once", 4, mergeOnce, false);
    addAt(db, ctx, "ifx_store", 4, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            storeTo(c, v[0], sqlite3_value_int(v[1]), sqlite3_value_int(v[2]), sqlite3_value_int(v[3]));
        }, true, 4);
    });

    // Niladic values: fixed for one statement.
    add(db, ctx, "ifx_today", 0, [](sqlite3_context *c, int, sqlite3_value **) {
        FunctionContext &f = fctx(c);
        if (!f.clockValid)
            readStatementClock(f);
        sqlite3_result_int64(c, f.statementDay);
    }, false);
    add(db, ctx, "ifx_current", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            FunctionContext &f = fctx(c);
            const int q = sqlite3_value_int(v[0]);
            if (!f.clockValid)
                readStatementClock(f);
            resultText(c, extendDatetime(f.statementNow, encodeDatetime(UYear, 15), q));
        });
    }, false);
    add(db, ctx, "ifx_user", 0, [](sqlite3_context *c, int, sqlite3_value **) { resultText(c, fctx(c).user); }, false);
    add(db, ctx, "ifx_server", 0, [](sqlite3_context *c, int, sqlite3_value **) { resultText(c, envOf(c).informixServer); }, false);

    // Dates
    auto datePart = [](sqlite3_context *c, int n, sqlite3_value **v, int part) {
        guarded(c, n, v, [&] {
            const std::int64_t day = toDay(c, v[0]);
            int y, m, d;
            civilDate(day, y, m, d);
            switch (part) {
            case 0: sqlite3_result_int(c, d); break;
            case 1: sqlite3_result_int(c, m); break;
            case 2: sqlite3_result_int(c, y); break;
            case 3: sqlite3_result_int64(c, ((day % 7) + 7) % 7); break;  // 1899-12-31 was a Sunday
            default: sqlite3_result_int(c, (m - 1) / 3 + 1); break;
            }
        });
    };
    static auto s_datePart = datePart;
    add(db, ctx, "ifx_day", 1, [](sqlite3_context *c, int n, sqlite3_value **v) { s_datePart(c, n, v, 0); });
    add(db, ctx, "ifx_month", 1, [](sqlite3_context *c, int n, sqlite3_value **v) { s_datePart(c, n, v, 1); });
    add(db, ctx, "ifx_year", 1, [](sqlite3_context *c, int n, sqlite3_value **v) { s_datePart(c, n, v, 2); });
    add(db, ctx, "ifx_weekday", 1, [](sqlite3_context *c, int n, sqlite3_value **v) { s_datePart(c, n, v, 3); });
    add(db, ctx, "ifx_quarter", 1, [](sqlite3_context *c, int n, sqlite3_value **v) { s_datePart(c, n, v, 4); });
    addAt(db, ctx, "ifx_mdy", 3, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const std::int64_t m = sqlite3_value_int64(v[0]), d = sqlite3_value_int64(v[1]), y = sqlite3_value_int64(v[2]);
            if (m < 1 || m > 12) raise(-1205);
            if (y < 1 || y > 9999) raise(-1204);
            if (d < 1 || !validDate(int(y), int(m), int(d))) raise(-1206);
            sqlite3_result_int64(c, dayNumber(int(y), int(m), int(d)));
        }, true, 3);
    });
    addAt(db, ctx, "ifx_date", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] { sqlite3_result_int64(c, toDay(c, v[0])); }, true, 1);
    });
    addAt(db, ctx, "ifx_extend", 3, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const int from = sqlite3_value_int(v[1]), to = sqlite3_value_int(v[2]);
            if (from == 0) {
                resultText(c, extendDatetime(dateCanonical(toDay(c, v[0])), encodeDatetime(UYear, UDay), to));
                return;
            }
            resultText(c, extendDatetime(text(v[0]), from, to));
        }, true, 3);
    });
    addAt(db, ctx, "ifx_units", 2, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const double k = dbl(v[0]);
            const int q = sqlite3_value_int(v[1]);
            const Qualifier qual = decodeQualifier(q, true);
            IntervalValue iv;
            static const double perUnit[] = {0, 0, 0, 0, 86400e5, 0, 3600e5, 0, 60e5, 0, 1e5, 0, 1};
            if (qual.start == UYear || qual.start == UMonth) {
                iv.yearMonth = true;
                iv.amount = std::llround(k * (qual.start == UYear ? 12 : 1));
            } else {
                iv.amount = std::llround(k * perUnit[qual.start]);
            }
            resultText(c, formatInterval(iv, q));
        }, true, 2);
    });
    addAt(db, ctx, "ifx_dt_add", 5, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const IntervalValue iv = parseInterval(text(v[2]), sqlite3_value_int(v[3]));
            resultText(c, addInterval(text(v[0]), sqlite3_value_int(v[1]), iv, sqlite3_value_int(v[4])));
        }, true, 5);
    });
    addAt(db, ctx, "ifx_dt_sub", 5, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const IntervalValue iv = subtractDatetimes(text(v[0]), sqlite3_value_int(v[1]), text(v[2]), sqlite3_value_int(v[3]));
            resultText(c, formatInterval(iv, sqlite3_value_int(v[4])));
        }, true, 5);
    });
    addAt(db, ctx, "ifx_date_add", 4, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const IntervalValue iv = parseInterval(text(v[1]), sqlite3_value_int(v[2]));
            const std::int64_t sign = sqlite3_value_int(v[3]);
            const std::int64_t day = toDay(c, v[0]);
            if (iv.yearMonth) sqlite3_result_int64(c, addMonths(day, sign * iv.amount, false));
            else sqlite3_result_int64(c, day + sign * (iv.amount / std::int64_t(8640000000)));
        }, true, 4);
    });
    addAt(db, ctx, "ifx_iv_add", 5, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const int qa = sqlite3_value_int(v[1]);
            IntervalValue a = parseInterval(text(v[0]), qa);
            const IntervalValue b = parseInterval(text(v[2]), sqlite3_value_int(v[3]));
            if (a.yearMonth != b.yearMonth) raise(-1266);
            a.amount += sqlite3_value_int(v[4]) * b.amount;
            resultText(c, formatInterval(a, qa));
        }, true, 5);
    });
    addAt(db, ctx, "ifx_iv_scale", 4, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const int q = sqlite3_value_int(v[1]);
            IntervalValue a = parseInterval(text(v[0]), q);
            const double k = dbl(v[2]);
            if (sqlite3_value_int(v[3])) {
                if (k == 0) raise(-1202);
                a.amount = std::llround(double(a.amount) / k);
            } else {
                a.amount = std::llround(double(a.amount) * k);
            }
            resultText(c, formatInterval(a, q));
        }, true, 4);
    });
    addAt(db, ctx, "ifx_interval_cast", 3, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            resultText(c, formatInterval(parseInterval(text(v[0]), sqlite3_value_int(v[1])), sqlite3_value_int(v[2])));
        }, true, 3);
    });
    add(db, ctx, "ifx_last_day", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            int y, m, d;
            civilDate(toDay(c, v[0]), y, m, d);
            d = 31;
            while (!validDate(y, m, d)) --d;
            sqlite3_result_int64(c, dayNumber(y, m, d));
        });
    });
    add(db, ctx, "ifx_add_months", 2, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] { sqlite3_result_int64(c, addMonths(toDay(c, v[0]), sqlite3_value_int64(v[1]), true)); });
    });
    add(db, ctx, "ifx_months_between", 2, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            int y1, m1, d1, y2, m2, d2;
            civilDate(toDay(c, v[0]), y1, m1, d1);
            civilDate(toDay(c, v[1]), y2, m2, d2);
            sqlite3_result_double(c, (y1 - y2) * 12.0 + (m1 - m2) + (d1 - d2) / 31.0);
        });
    });
    add(db, ctx, "ifx_next_day", 2, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            static const char *const names[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
            std::string w = text(v[1]);
            for (char &ch : w) ch = char(std::tolower(static_cast<unsigned char>(ch)));
            int target = -1;
            for (int i = 0; i < 7; ++i)
                if (w.compare(0, 3, names[i]) == 0) target = i;
            if (target < 0) raise(-1260);
            std::int64_t day = toDay(c, v[0]) + 1;
            while (((day % 7) + 7) % 7 != target) ++day;
            sqlite3_result_int64(c, day);
        });
    });
    add(db, ctx, "ifx_to_char", 3, [](sqlite3_context *c, int n, sqlite3_value **v) {
        if (isNull(v[0])) { sqlite3_result_null(c); return; }
        guarded(c, n, v, [&] {
            const int q = sqlite3_value_int(v[1]);
            if (q == 0 && sqlite3_value_type(v[0]) != SQLITE_TEXT && q != -1) { resultText(c, text(v[0])); return; }
            int y = 0, mo = 1, d = 1, h = 0, mi = 0, s = 0;
            std::string canon;
            if (q == -1 || (q == 0 && !isDatetimeText(text(v[0])))) {
                const std::int64_t day = toDay(c, v[0]);
                if (isNull(v[2])) { resultText(c, formatDate(day, envOf(c))); return; }
                civilDate(day, y, mo, d);
            } else {
                canon = q > 0 ? extendDatetime(text(v[0]), q, encodeDatetime(UYear, USecond)) : text(v[0]);
                if (isNull(v[2])) { resultText(c, text(v[0])); return; }
                std::sscanf(canon.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
            }
            resultText(c, formatDateTimeParts(y, mo, d, h, mi, s, text(v[2])));
        }, false);
    });
    addAt(db, ctx, "ifx_to_date", 3, [](sqlite3_context *c, int n, sqlite3_value **v) {
        if (isNull(v[0])) { sqlite3_result_null(c); return; }
        guarded(c, n, v, [&] {
            const int q = sqlite3_value_int(v[2]);
            const std::string s = text(v[0]);
            if (isNull(v[1])) {
                resultText(c, extendDatetime(dateCanonical(parseDate(s, envOf(c))), encodeDatetime(UYear, UDay), q));
                return;
            }
            const std::string fmt = text(v[1]);
            int y = 1, mo = 1, d = 1, h = 0, mi = 0, se = 0;
            std::size_t si = 0;
            auto digits = [&](int max) {
                int val = 0, k = 0;
                while (k < max && si < s.size() && std::isdigit(static_cast<unsigned char>(s[si]))) { val = val * 10 + (s[si++] - '0'); ++k; }
                if (k == 0) raise(-1218);
                return val;
            };
            for (std::size_t i = 0; i < fmt.size(); ++i) {
                if (fmt[i] != '%' || i + 1 >= fmt.size()) { if (si < s.size()) ++si; continue; }
                switch (fmt[++i]) {
                case 'Y': y = digits(4); break;
                case 'y': y = expandYear(digits(2), envOf(c).dbcentury); break;
                case 'm': mo = digits(2); break;
                case 'd': case 'e': d = digits(2); break;
                case 'H': h = digits(2); break;
                case 'M': mi = digits(2); break;
                case 'S': se = digits(2); break;
                default: break;
                }
            }
            if (!validDate(y, mo, d) || h > 23 || mi > 59 || se > 59) raise(-1218);
            char buf[80];
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, se);
            resultText(c, extendDatetime(buf, encodeDatetime(UYear, USecond), q));
        }, false, 3);
    });

    // Strings
    add(db, ctx, "ifx_text", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        if (isNull(v[0])) { sqlite3_result_null(c); return; }
        if (sqlite3_value_type(v[0]) == SQLITE_FLOAT) guarded(c, n, v, [&] { resultText(c, text(v[0])); });
        else sqlite3_result_value(c, v[0]);
    });
    // The text a DATE, BOOLEAN or fixed-point DECIMAL shows, for a value that
    // meets a character type (stored, CAST, ||): kind 1 date (DBDATE), 2
    // boolean (t/f), 3 decimal at the scale in the last argument.
    add(db, ctx, "ifx_display", 3, [](sqlite3_context *c, int n, sqlite3_value **v) {
        if (isNull(v[0])) { sqlite3_result_null(c); return; }
        guarded(c, n, v, [&] {
            switch (sqlite3_value_int(v[1])) {
            case 1: resultText(c, formatDate(sqlite3_value_int64(v[0]), envOf(c))); return;
            case 2: resultText(c, sqlite3_value_int64(v[0]) ? "t" : "f"); return;
            case 3: {
                const int scale = sqlite3_value_int(v[2]);
                if (sqlite3_value_type(v[0]) == SQLITE_FLOAT && (scale < 0 || scale > 32)) {
                    resultText(c, formatNumber(sqlite3_value_double(v[0])));
                    return;
                }
                const Decimal d = sqlite3_value_type(v[0]) == SQLITE_FLOAT ? Decimal::fromDouble(sqlite3_value_double(v[0]))
                    : sqlite3_value_type(v[0]) == SQLITE_INTEGER ? Decimal::fromInt(sqlite3_value_int64(v[0]))
                                                                 : Decimal::parseOrRaise(text(v[0]));
                resultText(c, decimalText(d, scale < 0 || scale > 32 ? 255 : scale));
                return;
            }
            default: resultText(c, text(v[0]));
            }
        });
    }, false);
    add(db, ctx, "ifx_trim", 3, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const std::string pad = text(v[2]);
            if (pad.size() != 1) raise(-879);
            const std::string mode = text(v[1]);
            std::string s = text(v[0]);
            std::size_t a = 0, b = s.size();
            if (mode != "trailing") while (a < b && s[a] == pad[0]) ++a;
            if (mode != "leading") while (b > a && s[b - 1] == pad[0]) --b;
            resultText(c, s.substr(a, b - a));
        });
    });
    auto substrImpl = [](sqlite3_context *c, int n, sqlite3_value **v, bool standard) {
        guarded(c, n, v, [&] {
            const std::string s = text(v[0]);
            std::int64_t start = sqlite3_value_int64(v[1]);
            std::int64_t len = n > 2 ? sqlite3_value_int64(v[2]) : std::int64_t(s.size()) + 1;
            if (standard) {
                // Positions before 1 count against the length.
                if (start < 1) { len += start - 1; start = 1; }
            } else {
                if (start == 0) start = 1;
                if (start < 0) start = std::int64_t(s.size()) + start + 1;
                if (start < 1) start = 1;
            }
            if (len <= 0 || start > std::int64_t(s.size())) { resultText(c, ""); return; }
            resultText(c, s.substr(std::size_t(start - 1), std::size_t(len)));
        });
    };
    static auto s_substr = substrImpl;
    add(db, ctx, "ifx_substr", 2, [](sqlite3_context *c, int n, sqlite3_value **v) { s_substr(c, n, v, false); });
    add(db, ctx, "ifx_substr", 3, [](sqlite3_context *c, int n, sqlite3_value **v) { s_substr(c, n, v, false); });
    add(db, ctx, "ifx_substring", 2, [](sqlite3_context *c, int n, sqlite3_value **v) { s_substr(c, n, v, true); });
    add(db, ctx, "ifx_substring", 3, [](sqlite3_context *c, int n, sqlite3_value **v) { s_substr(c, n, v, true); });
    add(db, ctx, "ifx_length", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            std::string s = text(v[0]);
            while (!s.empty() && s.back() == ' ') s.pop_back();
            sqlite3_result_int64(c, std::int64_t(s.size()));
        });
    });
    add(db, ctx, "ifx_octet_length", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] { sqlite3_result_int64(c, sqlite3_value_bytes(v[0])); });
    });
    add(db, ctx, "ifx_initcap", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            std::string s = text(v[0]);
            bool start = true;
            for (char &ch : s) {
                const unsigned char u = static_cast<unsigned char>(ch);
                if (std::isalnum(u)) {
                    ch = char(start ? std::toupper(u) : std::tolower(u));
                    start = false;
                } else {
                    start = true;
                }
            }
            resultText(c, s);
        });
    });
    add(db, ctx, "ifx_reverse", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] { std::string s = text(v[0]); std::reverse(s.begin(), s.end()); resultText(c, s); });
    });
    add(db, ctx, "ifx_right", 2, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const std::string s = text(v[0]);
            const std::int64_t k = std::max<std::int64_t>(0, sqlite3_value_int64(v[1]));
            resultText(c, k >= std::int64_t(s.size()) ? s : s.substr(s.size() - std::size_t(k)));
        });
    });
    auto padImpl = [](sqlite3_context *c, int n, sqlite3_value **v, bool left) {
        guarded(c, n, v, [&] {
            std::string s = text(v[0]);
            const std::int64_t len = sqlite3_value_int64(v[1]);
            const std::string pad = n > 2 ? text(v[2]) : std::string(" ");
            if (len < 0 || len > 32767) raise(-1213);
            if (std::int64_t(s.size()) >= len || pad.empty()) { resultText(c, s.substr(0, std::size_t(std::max<std::int64_t>(0, len)))); return; }
            std::string fill;
            while (std::int64_t(fill.size() + s.size()) < len) fill += pad;
            fill.resize(std::size_t(len) - s.size());
            resultText(c, left ? fill + s : s + fill);
        });
    };
    static auto s_pad = padImpl;
    add(db, ctx, "ifx_lpad", 2, [](sqlite3_context *c, int n, sqlite3_value **v) { s_pad(c, n, v, true); });
    add(db, ctx, "ifx_lpad", 3, [](sqlite3_context *c, int n, sqlite3_value **v) { s_pad(c, n, v, true); });
    add(db, ctx, "ifx_rpad", 2, [](sqlite3_context *c, int n, sqlite3_value **v) { s_pad(c, n, v, false); });
    add(db, ctx, "ifx_rpad", 3, [](sqlite3_context *c, int n, sqlite3_value **v) { s_pad(c, n, v, false); });

    // Numbers
    add(db, ctx, "ifx_math", 2, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const std::string f = text(v[0]);
            if (f == "abs" && sqlite3_value_type(v[1]) == SQLITE_INTEGER) {
                sqlite3_result_int64(c, std::llabs(sqlite3_value_int64(v[1])));
                return;
            }
            const double x = dbl(v[1]);
            double r;
            if (f == "abs") r = std::fabs(x);
            else if (f == "sqrt") { if (x < 0) raise(-1213); r = std::sqrt(x); }
            else if (f == "exp") r = std::exp(x);
            else if (f == "logn" || f == "ln") { if (x <= 0) raise(-1213); r = std::log(x); }
            else if (f == "log10") { if (x <= 0) raise(-1213); r = std::log10(x); }
            else if (f == "ceil") r = std::ceil(x);
            else if (f == "floor") r = std::floor(x);
            else if (f == "sign") r = x > 0 ? 1 : x < 0 ? -1 : 0;
            else if (f == "sin") r = std::sin(x);
            else if (f == "cos") r = std::cos(x);
            else if (f == "tan") r = std::tan(x);
            else if (f == "asin") r = std::asin(x);
            else if (f == "acos") r = std::acos(x);
            else if (f == "atan") r = std::atan(x);
            else if (f == "hex") {
                char buf[24];
                std::snprintf(buf, sizeof buf, "0x%08llX", static_cast<unsigned long long>(std::llround(x)) & 0xFFFFFFFFull);
                resultText(c, buf);
                return;
            } else raise(-674, f);
            if (!std::isfinite(r)) raise(-1200);
            sqlite3_result_double(c, r);
        });
    });
    add(db, ctx, "ifx_math2", 3, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const std::string f = text(v[0]);
            const double x = dbl(v[1]), y = dbl(v[2]);
            double r;
            if (f == "atan2") r = std::atan2(x, y);
            else if (f == "root") { if (y == 0) raise(-1202); r = std::pow(x, 1.0 / y); }
            else r = std::pow(x, y);
            if (!std::isfinite(r)) raise(-1200);
            sqlite3_result_double(c, r);
        });
    });
    auto roundImpl = [](sqlite3_context *c, int n, sqlite3_value **v, bool trunc) {
        guarded(c, n, v, [&] {
            const std::int64_t digits = sqlite3_value_int64(v[1]);
            if (sqlite3_value_type(v[0]) == SQLITE_INTEGER && digits >= 0) {
                sqlite3_result_int64(c, sqlite3_value_int64(v[0]));
                return;
            }
            const double x = dbl(v[0]);
            const double f = std::pow(10.0, double(digits));
            double r = x * f;
            // Half away from zero; a tiny nudge absorbs binary representation error (2.675 -> 2.68).
            r = trunc ? std::trunc(r) : std::round(r + (r >= 0 ? 1e-9 : -1e-9));
            sqlite3_result_double(c, r / f);
        });
    };
    static auto s_round = roundImpl;
    add(db, ctx, "ifx_round", 2, [](sqlite3_context *c, int n, sqlite3_value **v) { s_round(c, n, v, false); });
    add(db, ctx, "ifx_trunc", 2, [](sqlite3_context *c, int n, sqlite3_value **v) { s_round(c, n, v, true); });

    auto dbinfo = [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const FunctionContext &f = fctx(c);
            std::string what = text(v[0]);
            for (char &ch : what) ch = char(std::tolower(static_cast<unsigned char>(ch)));
            if (what == "sqlca.sqlerrd1") sqlite3_result_int64(c, f.sqlerrd1);
            else if (what == "sqlca.sqlerrd2") sqlite3_result_int64(c, f.sqlerrd2);
            else if (what == "serial8" || what == "bigserial") sqlite3_result_int64(c, f.lastSerial8);
            else if (what == "sessionid") sqlite3_result_int64(c, f.sessionId);
            else if (what == "dbname") resultText(c, f.databaseName);
            else if (what == "dbhostname") resultText(c, envOf(c).informixServer);
            else if (what == "utc_current") sqlite3_result_int64(c, std::int64_t(std::time(nullptr)));
            else if (what == "utc_to_datetime") {
                if (n < 2) raise(-201);
                const std::time_t t = std::time_t(sqlite3_value_int64(v[1]));
                std::tm tm{};
                gmtime_r(&t, &tm);
                char buf[32];
                std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
                resultText(c, buf);
            } else if (what == "version") {
                std::string part = n > 1 ? text(v[1]) : std::string("full");
                for (char &ch : part) ch = char(std::tolower(static_cast<unsigned char>(ch)));
                if (part == "major") sqlite3_result_int(c, kServerMajor);
                else if (part == "minor") sqlite3_result_int(c, kServerMinor);
                else if (part == "server-type") resultText(c, "IBM Informix Dynamic Server");
                else if (part == "full") resultText(c, std::string(kServerProduct) + " Version " + kServerVersion);
                else resultText(c, kServerVersion);
            } else {
                raise(-201);
            }
        });
    };
    static auto s_dbinfo = dbinfo;
    add(db, ctx, "ifx_dbinfo", 1, [](sqlite3_context *c, int n, sqlite3_value **v) { s_dbinfo(c, n, v); }, false);
    add(db, ctx, "ifx_dbinfo", 2, [](sqlite3_context *c, int n, sqlite3_value **v) { s_dbinfo(c, n, v); }, false);

    registerDecimalFunctions(db);
    registerModernFunctions(db);
    registerLobFileFunctions(db, ctx);
    // Window functions too: the final step only reads the state.
    sqlite3_create_window_function(db, "ifx_variance", 1, SQLITE_UTF8, ctx, varianceStep,
                                   [](sqlite3_context *c) { varianceFinal(c, false); },
                                   [](sqlite3_context *c) { varianceFinal(c, false); }, varianceInverse, nullptr);
    sqlite3_create_window_function(db, "ifx_stdev", 1, SQLITE_UTF8, ctx, varianceStep,
                                   [](sqlite3_context *c) { varianceFinal(c, true); },
                                   [](sqlite3_context *c) { varianceFinal(c, true); }, varianceInverse, nullptr);
}

} // namespace quodlin::engine
