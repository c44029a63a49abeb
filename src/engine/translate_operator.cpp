// Operators with Informix typing: arithmetic (DATE arithmetic,
// DATETIME/INTERVAL, decimal division, overflow checks), concatenation and
// comparisons (decimal and blank-padded character comparison, a string
// meeting a DATE converted with DBDATE).
#include "engine/translate_internal.h"
#include "engine/translate_typing.h"

#include "engine/decimal.h"
#include "engine/error.h"
#include "engine/values.h"

#include <algorithm>

namespace quodlin::engine {

using namespace ast;
using namespace typing;

namespace {

int intervalDayQualifier(const TypeDesc &a, const TypeDesc &b)
{
    // DATETIME - DATETIME: a day-time interval down to the finer end field.
    const int endA = a.collength & 0xF, endB = b.collength & 0xF;
    int end = std::max(endA, endB);
    if (end < int(UDay)) end = UDay;
    return encodeInterval(UDay, end, 9);
}

} // namespace

Typed Translator::binary(const Expr &e, Scope &scope)
{
    Typed a = expr(*e.args[0], scope);
    Typed b = expr(*e.args[1], scope);
    Typed out;
    out.aggregate = a.aggregate || b.aggregate;
    if (e.op == TokenKind::Concat) {
        // Numbers print as Informix prints them (3, not SQLite's 3.0).
        // A CHAR value keeps its padding to the declared length.
        auto asText = [](const Typed &t) {
            if (isChar(t.type.code) && !t.literal && t.type.collength > 0)
                return "ifx_rpad(" + t.sql + "," + std::to_string(t.type.collength) + ")";
            return isText(t.type) ? t.sql : displayTextSql(t);
        };
        out.sql = "(" + asText(a) + "||" + asText(b) + ")";
        out.type = type(TVarChar, encodeVarchar(255));
        return out;
    }
    const char *op = e.op == TokenKind::Plus ? "+" : e.op == TokenKind::Minus ? "-" : e.op == TokenKind::Star ? "*" : "/";
    // A string next to a DATE/DATETIME takes that type (DBDATE applies).
    if (a.literal && isText(a.type) && isDateLike(b.type.code) && b.type.code != TInterval)
        a.sql = convertTo(a, b.type, e.args[0]->offset), a.type = b.type;
    if (b.literal && isText(b.type) && isDateLike(a.type.code) && a.type.code != TInterval && e.op == TokenKind::Minus)
        b.sql = convertTo(b, a.type, e.args[1]->offset), b.type = a.type;
    const int ca = a.type.code, cb = b.type.code;
    const bool plusMinus = e.op == TokenKind::Plus || e.op == TokenKind::Minus;
    if (plusMinus && (ca == TDateTime || cb == TDateTime || ca == TInterval || cb == TInterval
                      || (ca == TDate && cb == TDate))) {
        const std::string sign = e.op == TokenKind::Plus ? "1" : "-1";
        if (ca == TDate && cb == TDate && e.op == TokenKind::Minus) {
            out.sql = "(" + a.sql + "-" + b.sql + ")";
            out.type = kInteger;
            return out;
        }
        if (ca == TDateTime && cb == TDateTime && e.op == TokenKind::Minus) {
            const int q = intervalDayQualifier(a.type, b.type);
            out.sql = "ifx_dt_sub(" + a.sql + "," + std::to_string(a.type.collength) + "," + b.sql + ","
                + std::to_string(b.type.collength) + "," + std::to_string(q) + at(e.offset) + ")";
            out.type = type(TInterval, q);
            return out;
        }
        if ((ca == TDateTime || ca == TDate) && cb == TInterval) {
            // DATE + n UNITS DAY/MONTH/YEAR stays a DATE; other intervals make a DATETIME.
            if (ca == TDate) {
                const int unitEnd = b.type.collength & 0xF;
                if (unitEnd <= UDay) {
                    out.sql = "ifx_date_add(" + a.sql + "," + b.sql + "," + std::to_string(b.type.collength) + "," + sign + at(e.offset) + ")";
                    out.type = kDate;
                    return out;
                }
                const int q = encodeDatetime(UYear, std::max<int>(UDay, unitEnd));
                a.sql = "ifx_extend(" + a.sql + ",0," + std::to_string(q) + ")";
                a.type = type(TDateTime, q);
            }
            out.sql = "ifx_dt_add(" + a.sql + "," + std::to_string(a.type.collength) + "," + b.sql + ","
                + std::to_string(b.type.collength) + "," + sign + at(e.offset) + ")";
            out.type = a.type;
            return out;
        }
        if (ca == TInterval && (cb == TDateTime || cb == TDate) && e.op == TokenKind::Plus) {
            Typed r;
            if (cb == TDate && (a.type.collength & 0xF) <= UDay) {
                r.sql = "ifx_date_add(" + b.sql + "," + a.sql + "," + std::to_string(a.type.collength) + ",1" + at(e.offset) + ")";
                r.type = kDate;
                return r;
            }
            std::string dt = b.sql;
            TypeDesc dtType = b.type;
            if (cb == TDate) {
                const int q = encodeDatetime(UYear, std::max<int>(UDay, a.type.collength & 0xF));
                dt = "ifx_extend(" + b.sql + ",0," + std::to_string(q) + ")";
                dtType = type(TDateTime, q);
            }
            r.sql = "ifx_dt_add(" + dt + "," + std::to_string(dtType.collength) + "," + a.sql + ","
                + std::to_string(a.type.collength) + ",1" + at(e.offset) + ")";
            r.type = dtType;
            return r;
        }
        if (ca == TInterval && cb == TInterval) {
            out.sql = "ifx_iv_add(" + a.sql + "," + std::to_string(a.type.collength) + "," + b.sql + ","
                + std::to_string(b.type.collength) + "," + sign + at(e.offset) + ")";
            out.type = a.type;
            return out;
        }
        if (ca == TDateTime && cb == TDate && e.op == TokenKind::Minus) {
            const int q = intervalDayQualifier(a.type, a.type);
            out.sql = "ifx_dt_sub(" + a.sql + "," + std::to_string(a.type.collength) + ",ifx_extend(" + b.sql
                + ",0," + std::to_string(a.type.collength) + ")," + std::to_string(a.type.collength) + "," + std::to_string(q) + at(e.offset) + ")";
            out.type = type(TInterval, q);
            return out;
        }
        raise(-1266, {}, e.offset);
    }
    if (ca == TInterval && (e.op == TokenKind::Star || e.op == TokenKind::Slash)) {
        out.sql = "ifx_iv_scale(" + a.sql + "," + std::to_string(a.type.collength) + "," + b.sql + ","
            + (e.op == TokenKind::Star ? "0" : "1") + at(e.offset) + ")";
        out.type = a.type;
        return out;
    }
    const bool floating = ca == TFloat || cb == TFloat || ca == TSmallFloat || cb == TSmallFloat;
    if (e.op == TokenKind::Slash) {
        // Informix division is decimal: 7/2 = 3.5; dividing by zero is -1202.
        if (floating) {
            out.sql = "ifx_float(ifx_div(" + a.sql + "," + b.sql + at(e.offset) + "))";
            out.type = kFloat;
        } else {
            out.sql = collated("ifx_dec_div(" + decimalSql(a, -1) + "," + decimalSql(b, -1) + at(e.offset) + ")");
            out.type = decimalFloat();
        }
        return out;
    }
    if ((ca == TDate && plusMinus) || (cb == TDate && e.op == TokenKind::Plus)) {
        // A day number past the DATE range is -1267, not a date shown as garbage.
        out.sql = "ifx_date_range(" + a.sql + op + b.sql + at(e.offset) + ")";
        out.type = kDate;
        return out;
    }
    out.type = numericResult(a.type, b.type, e.op == TokenKind::Star);
    for (Typed *x : {&a, &b}) {
        // An overflow check stays where this operator would not repeat it
        // (integers under a decimal or FLOAT operator).
        const bool repeated = isDecimal(x->type) || (isInteger(x->type.code) && isInteger(out.type.code))
            || (x->type.code == TFloat && out.type.code == TFloat);
        if (x->wrapPrefix + x->wrapSuffix == 0 || !repeated) continue;
        x->sql = x->sql.substr(x->wrapPrefix, x->sql.size() - x->wrapPrefix - x->wrapSuffix);
        x->wrapPrefix = x->wrapSuffix = 0;
    }
    const std::string plain = "(" + a.sql + op + b.sql + ")";
    auto wrap = [&](const std::string &prefix, const std::string &inner, const std::string &suffix) {
        out.sql = prefix + inner + suffix;
        out.wrapPrefix = std::uint16_t(prefix.size());
        out.wrapSuffix = std::uint16_t(suffix.size());
    };
    // No error offsets but for division: GROUP BY matches select items by their SQL text.
    if (isDecimal(out.type)) {
        const char *f = e.op == TokenKind::Plus ? "ifx_dec_add(" : e.op == TokenKind::Minus ? "ifx_dec_sub(" : "ifx_dec_mul(";
        wrap("(", f + decimalSql(a, -1) + "," + decimalSql(b, -1) + ")", " COLLATE ifx_decimal)");
    } else if (isInteger(out.type.code)) {
        // SQLite turns an int64 overflow into a REAL (which the operators
        // above keep); Informix fails.
        wrap("ifx_int(", plain, "," + std::to_string(out.type.code) + ")");
    } else if (out.type.code == TFloat) {
        wrap("ifx_float(", plain, ")");
    } else {
        out.sql = plain;
    }
    return out;
}

Typed Translator::compare(const Expr &e, Scope &scope)
{
    Typed a = expr(*e.args[0], scope);
    Typed b = expr(*e.args[1], scope);
    const char *op = "=";
    switch (e.op) {
    case TokenKind::Ne: op = "<>"; break;
    case TokenKind::Lt: op = "<"; break;
    case TokenKind::Le: op = "<="; break;
    case TokenKind::Gt: op = ">"; break;
    case TokenKind::Ge: op = ">="; break;
    default: break;
    }
    auto fit = [&](Typed &x, const Typed &other, int offset) {
        if (other.type.code == TNull) return;
        if (x.literal || x.type.code == TNull || (isText(x.type) && !isText(other.type) && !isNumeric(other.type.code))) {
            if (isDateLike(other.type.code) || isBool(other.type) || (isChar(other.type.code) && x.literal) || isComplex(other.type.code)
                || (isNumeric(other.type.code) && x.literal && isText(x.type)))
                x.sql = convertTo(x, other.type, offset);
            else if (isChar(other.type.code) && x.type.code == TNull && x.sql.rfind("?", 0) == 0)
                x.sql = "rtrim(" + x.sql + ")";
        }
    };
    fit(a, b, e.args[0]->offset);
    fit(b, a, e.args[1]->offset);
    // A character value meeting a number is compared as a number (-1213 when
    // it is none); SQLite would compare the number as text ('9' > 10).
    const bool textA = isText(a.type) && !a.literal && isNumeric(b.type.code);
    const bool textB = isText(b.type) && !b.literal && isNumeric(a.type.code);
    if (textA) a.sql = asNumber(a.sql, e.args[0]->offset), a.type = decimalFloat(), a.column = nullptr;
    if (textB) b.sql = asNumber(b.sql, e.args[1]->offset), b.type = decimalFloat(), b.column = nullptr;
    // A string literal made a decimal above is one now.
    if (a.literal && isText(a.type) && isDecimal(b.type)) a.type = decimalFloat();
    if (b.literal && isText(b.type) && isDecimal(a.type)) b.type = decimalFloat();
    decimalOperands(a, {&b}, {e.args[0]->offset, e.args[1]->offset});
    // A text literal with an affinity keeps SQLite from substituting it for the
    // column elsewhere in the WHERE clause, where a conversion of it to a
    // number would fail once for the whole statement (-1213 with no such row).
    if (e.op == TokenKind::Eq) {
        if (isText(a.type) && !a.literal && b.literal && isText(b.type)) b.sql = "CAST(" + b.sql + " AS TEXT)";
        else if (isText(b.type) && !b.literal && a.literal && isText(a.type)) a.sql = "CAST(" + a.sql + " AS TEXT)";
    }
    // A DATE meeting a DATETIME is extended to it.
    if (a.type.code == TDate && b.type.code == TDateTime) {
        a.sql = "ifx_extend(" + a.sql + ",0," + std::to_string(encodeDatetime(UYear, UDay)) + ")";
        a.type = type(TDateTime, encodeDatetime(UYear, UDay));
    }
    if (b.type.code == TDate && a.type.code == TDateTime) {
        b.sql = "ifx_extend(" + b.sql + ",0," + std::to_string(encodeDatetime(UYear, UDay)) + ")";
        b.type = type(TDateTime, encodeDatetime(UYear, UDay));
    }
    if (a.type.code == TDateTime && b.type.code == TDateTime && a.type.collength != b.type.collength) {
        // Different qualifiers compare over the fields of both.
        const Qualifier qa = decodeQualifier(a.type.collength, false), qb = decodeQualifier(b.type.collength, false);
        const int q = encodeDatetime(std::min(qa.start, qb.start), std::max(qa.end, qb.end));
        if (q != a.type.collength)
            a.sql = "ifx_extend(" + a.sql + "," + std::to_string(a.type.collength) + "," + std::to_string(q) + ")";
        if (q != b.type.collength)
            b.sql = "ifx_extend(" + b.sql + "," + std::to_string(b.type.collength) + "," + std::to_string(q) + ")";
    }
    Typed out;
    out.sql.reserve(a.sql.size() + b.sql.size() + 4);
    out.sql += '(';
    out.sql += a.sql;
    out.sql += op;
    out.sql += b.sql;
    out.sql += ')';
    out.type = kBoolean;
    out.aggregate = a.aggregate || b.aggregate;
    return out;
}

} // namespace quodlin::engine
