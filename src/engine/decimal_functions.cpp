// The SQLite side of exact decimals (see decimal.h): the ifx_decimal
// collation, decimal arithmetic and rounding, SUM/AVG over decimals and
// integers, and the overflow checks of integer and FLOAT arithmetic.
#include "engine/decimal.h"
#include "engine/sqlfunction_util.h"
#include "engine/sqlfunctions.h"
#include "engine/types.h"

#include <charconv>
#include <cmath>
#include <new>

namespace quodlin::engine {

using namespace fn;

namespace {

Decimal decimalOf(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return Decimal::fromInt(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return Decimal::fromDouble(sqlite3_value_double(v));
    default: {
        const unsigned char *t = sqlite3_value_text(v);
        return Decimal::parseOrRaise(std::string_view(reinterpret_cast<const char *>(t), std::size_t(sqlite3_value_bytes(v))));
    }
    }
}

void resultDecimal(sqlite3_context *c, const Decimal &d) { resultText(c, expressionResult(d).text()); }

int collate(void *, int na, const void *a, int nb, const void *b)
{
    return compareDecimalText(std::string_view(static_cast<const char *>(a), std::size_t(na)),
                              std::string_view(static_cast<const char *>(b), std::size_t(nb)));
}

using Body = void (*)(sqlite3_context *, int, sqlite3_value **);

// Registered with and without the trailing offset argument.
void add(sqlite3 *db, const char *name, int nargs, Body body)
{
    for (int n : {nargs, nargs + 1})
        sqlite3_create_function_v2(db, name, n, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, body, nullptr, nullptr, nullptr);
}

template <Decimal (*Op)(const Decimal &, const Decimal &)>
void binaryOp(sqlite3_context *c, int n, sqlite3_value **v)
{
    guarded(c, n, v, [&] { resultDecimal(c, Op(decimalOf(v[0]), decimalOf(v[1]))); }, true, 2);
}

// A number's text without building a Decimal: an INTEGER's digits, TEXT as
// stored; false for a REAL (its shortest form goes through fromDouble).
bool numberText(sqlite3_value *v, char (&buf)[24], std::string_view &out)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        out = std::string_view(buf, std::size_t(std::to_chars(buf, buf + sizeof buf, sqlite3_value_int64(v)).ptr - buf));
        return true;
    case SQLITE_FLOAT: return false;
    default:
        out = std::string_view(reinterpret_cast<const char *>(sqlite3_value_text(v)), std::size_t(sqlite3_value_bytes(v)));
        return true;
    }
}

// + and - on the texts themselves: UPDATE ... SET amt = amt + 0.01 runs
// this once a row.
template <bool Subtract>
void sumOp(sqlite3_context *c, int n, sqlite3_value **v)
{
    guarded(c, n, v, [&] {
        char ba[24], bb[24];
        std::string_view a, b;
        if (numberText(v[0], ba, a) && numberText(v[1], bb, b)) {
            resultText(c, decimalSumText(a, b, Subtract));
            return;
        }
        const Decimal x = decimalOf(v[0]), y = decimalOf(v[1]);
        resultDecimal(c, Subtract ? x - y : x + y);
    }, true, 2);
}

Decimal times(const Decimal &a, const Decimal &b) { return a * b; }
Decimal remainder(const Decimal &a, const Decimal &b)
{
    if (b.isZero()) raise(-1202);
    // a - b * trunc(a / b), exact: the quotient's integer part from the aligned coefficients.
    const int scale = std::max(a.scale(), b.scale());
    const Decimal::Int x = a.withScale(scale).coefficient(), y = b.withScale(scale).coefficient();
    return Decimal(Decimal::Int(x % y), scale);
}

// Integer arithmetic SQLite would turn into a REAL past int64, or that leaves
// INTEGER's range: Informix's overflow error instead.
void checkInteger(sqlite3_context *c, int n, sqlite3_value **v)
{
    guarded(c, n, v, [&] {
        const bool int8 = sqlite3_value_int(v[1]) != TInteger;
        const int error = int8 ? -1284 : -1215;
        if (sqlite3_value_type(v[0]) == SQLITE_INTEGER) {
            const std::int64_t x = sqlite3_value_int64(v[0]);
            if (x == INT64_MIN || (!int8 && (x > 2147483647 || x < -2147483647))) raise(error);
            sqlite3_result_value(c, v[0]);
            return;
        }
        // A REAL here came from an overflow further down the expression.
        if (sqlite3_value_type(v[0]) == SQLITE_FLOAT) raise(error);
        sqlite3_result_value(c, v[0]);
    }, true, 2);
}

struct SumState {
    DecimalSum *sum;
};

DecimalSum *sumOf(sqlite3_context *c, bool create)
{
    auto *s = static_cast<SumState *>(sqlite3_aggregate_context(c, create ? int(sizeof(SumState)) : 0));
    if (!s) return nullptr;
    if (!s->sum && create) s->sum = new (std::nothrow) DecimalSum;
    return s->sum;
}

void sumStep(sqlite3_context *c, int, sqlite3_value **v)
{
    if (isNull(v[0])) return;
    DecimalSum *s = sumOf(c, true);
    if (!s) { sqlite3_result_error_nomem(c); return; }
    try {
        switch (sqlite3_value_type(v[0])) {
        case SQLITE_INTEGER: s->add(std::int64_t(sqlite3_value_int64(v[0]))); break;
        case SQLITE_FLOAT: s->add(Decimal::fromDouble(sqlite3_value_double(v[0]))); break;
        default:
            s->add(std::string_view(reinterpret_cast<const char *>(sqlite3_value_text(v[0])), std::size_t(sqlite3_value_bytes(v[0]))));
        }
    } catch (const EngineError &e) {
        fail(c, e.sqlCode());
    }
}

// As a window function: the value so far (kept for later rows), and a row
// leaving the frame.
void sumValue(sqlite3_context *c, bool average)
{
    DecimalSum *s = sumOf(c, false);
    try {
        if (!s || s->count() == 0) sqlite3_result_null(c);
        else if (average) resultDecimal(c, divide(s->value(), Decimal::fromInt(s->count())));
        else resultDecimal(c, s->value());
    } catch (const EngineError &e) {
        fail(c, e.sqlCode());
    }
}

void sumInverse(sqlite3_context *c, int, sqlite3_value **v)
{
    if (isNull(v[0])) return;
    DecimalSum *s = sumOf(c, false);
    if (!s) return;
    try {
        s->remove(decimalOf(v[0]));
    } catch (const EngineError &e) {
        fail(c, e.sqlCode());
    }
}

void sumFinal(sqlite3_context *c, bool average)
{
    DecimalSum *s = sumOf(c, false);
    if (!s) { sqlite3_result_null(c); return; }
    try {
        if (s->count() == 0) sqlite3_result_null(c);
        else if (average) resultDecimal(c, divide(s->value(), Decimal::fromInt(s->count())));
        else resultDecimal(c, s->value());
    } catch (const EngineError &e) {
        fail(c, e.sqlCode());
    }
    delete s;
}

} // namespace

void registerDecimalFunctions(sqlite3 *db)
{
    sqlite3_create_collation_v2(db, "ifx_decimal", SQLITE_UTF8, nullptr, collate, nullptr);
    // Any number or numeric text as a decimal (-1213 for other text).
    add(db, "ifx_dec", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] { resultDecimal(c, decimalOf(v[0])); }, true, 1);
    });
    add(db, "ifx_dec_add", 2, sumOp<false>);
    add(db, "ifx_dec_sub", 2, sumOp<true>);
    add(db, "ifx_dec_mul", 2, binaryOp<times>);
    add(db, "ifx_dec_div", 2, binaryOp<divide>);
    add(db, "ifx_dec_mod", 2, binaryOp<remainder>);
    add(db, "ifx_dec_neg", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] { resultDecimal(c, decimalOf(v[0]).negated()); }, true, 1);
    });
    // ROUND/TRUNC(x, digits) and ABS/CEIL/FLOOR/SIGN without leaving decimals.
    add(db, "ifx_dec_round", 2, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const int digits = int(std::clamp<std::int64_t>(sqlite3_value_int64(v[1]), -200, 200));
            resultDecimal(c, decimalOf(v[0]).rounded(digits));
        }, true, 2);
    });
    add(db, "ifx_dec_trunc", 2, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const int digits = int(std::clamp<std::int64_t>(sqlite3_value_int64(v[1]), -200, 200));
            resultDecimal(c, decimalOf(v[0]).truncated(digits));
        }, true, 2);
    });
    sqlite3_create_function_v2(db, "ifx_dec_math", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
        [](sqlite3_context *c, int n, sqlite3_value **v) {
            guarded(c, n, v, [&] {
                const std::string f = text(v[0]);
                const Decimal x = decimalOf(v[1]);
                if (f == "abs") resultDecimal(c, x.abs());
                else if (f == "sign") sqlite3_result_int(c, x.isZero() ? 0 : x.isNegative() ? -1 : 1);
                else {
                    // CEIL/FLOOR: truncation moves toward zero, one more step when it cut the wrong way.
                    Decimal t = x.truncated(0);
                    if (f == "ceil" && compare(t, x) < 0) t = t + Decimal::fromInt(1);
                    if (f == "floor" && compare(t, x) > 0) t = t - Decimal::fromInt(1);
                    resultDecimal(c, t);
                }
            });
        }, nullptr, nullptr, nullptr);
    add(db, "ifx_int", 2, checkInteger);
    add(db, "ifx_float", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            if (sqlite3_value_type(v[0]) == SQLITE_FLOAT && !std::isfinite(sqlite3_value_double(v[0]))) raise(-1200);
            sqlite3_result_value(c, v[0]);
        }, true, 1);
    });
    sqlite3_create_window_function(db, "ifx_sum", 1, SQLITE_UTF8, nullptr, sumStep,
                                   [](sqlite3_context *c) { sumFinal(c, false); },
                                   [](sqlite3_context *c) { sumValue(c, false); }, sumInverse, nullptr);
    sqlite3_create_window_function(db, "ifx_avg", 1, SQLITE_UTF8, nullptr, sumStep,
                                   [](sqlite3_context *c) { sumFinal(c, true); },
                                   [](sqlite3_context *c) { sumValue(c, true); }, sumInverse, nullptr);
}

} // namespace quodlin::engine
