#pragma once
// The translator's typing rules shared by its expression and function
// units: type shorthands, the numeric result of two operands, the common
// type of CASE/NVL/DECODE branches, and decimal collation.
#include "engine/decimal.h"
#include "engine/error.h"
#include "engine/translate_internal.h"

#include <algorithm>

namespace quodlin::engine::typing {

// The error `e` raised again pointing at `offset`.
[[noreturn]] inline void reraise(const EngineError &e, int offset)
{
    ErrorInfo info = e.info();
    info.offset = offset;
    throw EngineError(info);
}

inline TypeDesc type(int code, int collength, int xid = 0) { return TypeDesc{code, collength, xid}; }
inline const TypeDesc kInteger{TInteger, 4, 0};
inline const TypeDesc kInt8{TInt8, 10, 0};
inline const TypeDesc kFloat{TFloat, 8, 0};
inline const TypeDesc kDate{TDate, 4, 0};
// Comparisons and logical operators: a BOOLEAN, shown t/f in a select list.
inline const TypeDesc kBoolean{TUdtFixed, 1, kXidBoolean};

inline bool isInteger(int code)
{
    return code == TSmallInt || code == TInteger || code == TInt8 || code == TBigInt || code == TSerial
        || code == TSerial8 || code == TBigSerial;
}
inline bool isChar(int code) { return code == TChar || code == TNChar; }
inline bool isText(const TypeDesc &t) { return isCharacter(t.code, t.extendedId) || t.code == TText; }
inline bool isBool(const TypeDesc &t) { return t.code == TUdtFixed && t.extendedId == kXidBoolean; }

inline TypeDesc decimalFloat() { return type(TDecimal, encodeDecimal(32, -1)); }
inline bool isDecimal(const TypeDesc &t) { return t.code == TDecimal || t.code == TMoney; }
// Decimal results order, group and compare numerically, as decimal columns do.
inline std::string collated(const std::string &sql) { return "(" + sql + " COLLATE ifx_decimal)"; }
inline bool isPlainColumn(const Typed &v) { return v.column && !v.baseTable.empty(); }

// A value meeting a character type shows its display text: a DATE in the
// DBDATE form, a BOOLEAN as t/f, a DECIMAL with its scale's digits.
inline std::string displayTextSql(const Typed &v)
{
    if (v.type.code == TDate) return "ifx_display(" + v.sql + ",1,0)";
    if (isBool(v.type)) return "ifx_display(" + v.sql + ",2,0)";
    if (v.type.code == TDecimal || v.type.code == TMoney) {
        const int scale = decimalScale(v.type.collength);
        return "ifx_display(" + v.sql + ",3," + std::to_string(scale == 255 ? -1 : scale) + ")";
    }
    return "ifx_text(" + v.sql + ")";
}

// Precision and scale of an operand in decimal arithmetic; scale -1 for
// floating ones. Integers count as DECIMAL(5,0), (10,0) and (19,0).
struct DecimalShape {
    int precision = 32;
    int scale = -1;
};
inline DecimalShape decimalShape(const TypeDesc &t)
{
    if (t.code == TSmallInt) return {5, 0};
    if (t.code == TInteger || t.code == TSerial) return {10, 0};
    if (isInteger(t.code)) return {19, 0};
    if (isDecimal(t)) {
        const int s = decimalScale(t.collength);
        return {decimalPrecision(t.collength), s == 255 ? -1 : s};
    }
    return {};
}

// Informix's result precision and scale: + and - keep the larger scale and
// one more integer digit, * adds precisions and scales (at most 32 digits).
inline TypeDesc numericResult(const TypeDesc &a, const TypeDesc &b, bool multiply = false)
{
    if (a.code == TNull) return b.code == TNull ? decimalFloat() : b;
    if (b.code == TNull) return a;
    if (a.code == TFloat || b.code == TFloat || a.code == TSmallFloat || b.code == TSmallFloat) return kFloat;
    if (isInteger(a.code) && isInteger(b.code)) {
        if (a.code == TInteger || a.code == TSmallInt || a.code == TSerial)
            if (b.code == TInteger || b.code == TSmallInt || b.code == TSerial) return kInteger;
        return kInt8;
    }
    const DecimalShape x = decimalShape(a), y = decimalShape(b);
    if (x.scale < 0 || y.scale < 0) return decimalFloat();
    const int code = a.code == TMoney || b.code == TMoney ? TMoney : TDecimal;
    if (multiply) {
        if (x.scale + y.scale > kMaxDecimalDigits) return decimalFloat();
        return type(code, encodeDecimal(std::min(kMaxDecimalDigits, x.precision + y.precision), x.scale + y.scale));
    }
    const int scale = std::max(x.scale, y.scale);
    const int precision = std::min(kMaxDecimalDigits, std::max(x.precision - x.scale, y.precision - y.scale) + scale + 1);
    return type(code, encodeDecimal(std::max(precision, scale), scale));
}

// The type of an aggregate `f` (count, sum, avg, min, max, stdev, variance,
// range) of values of type `t`: SUM of integers is DECIMAL(32,0), of
// decimals DECIMAL(32) at their scale; AVG, STDEV and VARIANCE are floating
// decimals but of FLOAT values.
inline TypeDesc aggregateType(const std::string &f, const TypeDesc &t)
{
    if (f == "count") return kInteger;
    if (f == "min" || f == "max") return t;
    if (f == "sum") {
        if (t.code == TMoney) return type(TMoney, encodeDecimal(32, decimalScale(t.collength)));
        if (t.code == TDecimal) return type(TDecimal, encodeDecimal(32, decimalScale(t.collength) == 255 ? -1 : decimalScale(t.collength)));
        if (t.code == TFloat || t.code == TSmallFloat) return kFloat;
        if (isInteger(t.code)) return type(TDecimal, encodeDecimal(32, 0));
        return decimalFloat();
    }
    if (f == "range") return t.code == TNull ? decimalFloat() : t;
    return t.code == TFloat || t.code == TSmallFloat ? kFloat : decimalFloat();
}

// CASE, NVL and DECODE give one type wide enough for every branch, so a
// later branch keeps its digits and its length.
inline TypeDesc branchType(const TypeDesc &a, const TypeDesc &b)
{
    if (a.code == TNull) return b;
    if (b.code == TNull) return a;
    if (isNumeric(a.code) && isNumeric(b.code) && (a.code != b.code || a.collength != b.collength))
        return numericResult(a, b);
    if (isCharacter(a.code, a.extendedId) && isCharacter(b.code, b.extendedId)) {
        // CHAR pads to the longer length; with a varying branch nothing pads.
        if (isChar(a.code) && isChar(b.code)) return b.collength > a.collength ? b : a;
        return isChar(a.code) ? b : a;
    }
    return a;
}

} // namespace quodlin::engine::typing
