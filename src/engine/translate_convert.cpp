// Conversions of a value for the place it goes: a column it is stored in
// (DBDATE strings, CHAR truncation, range checks), the other side of a
// comparison, exact decimal text, a branch of CASE/NVL/DECODE.
#include "engine/translate_internal.h"
#include "engine/translate_typing.h"

#include "engine/complex_types.h"
#include "engine/decimal.h"
#include "engine/error.h"
#include "engine/values.h"

#include <algorithm>

namespace quodlin::engine {

using namespace ast;
using namespace typing;

std::string Translator::complexValue(const Typed &v, const TypeDesc &t, const std::string &column, int offset,
                                     const ComplexType *given)
{
    if (v.type.code == TNull && v.sql == "NULL") return v.sql;
    std::optional<ComplexType> ct = given ? std::optional(*given)
        : t.extendedId ? loadComplexType(m_ctx.catalog.db(), t.extendedId) : std::nullopt;
    const std::string name = column.empty() && ct ? complexTypeText(*ct) : column;
    // A literal, or a string written as one ('SET{1,2}').
    if (v.literal && (isText(v.type) || isComplex(v.type.code))) {
        const std::optional<ComplexText> text = parseComplexText(v.literalText);
        if (!text) raise(-9632, name, offset);
        try {
            return quoteString(complexValueText(*text, ct ? *ct : literalComplexType(*text), m_ctx.env, name));
        } catch (const EngineError &e) {
            reraise(e, offset);
        }
    }
    // A value of the same type, as another column of it holds it.
    if (isComplex(v.type.code) && v.type.code == t.code) {
        std::optional<ComplexType> from = v.type.extendedId ? loadComplexType(m_ctx.catalog.db(), v.type.extendedId) : std::nullopt;
        if (!ct || (from && complexTypeText(*from) == complexTypeText(*ct) && from->fieldNames == ct->fieldNames)) return v.sql;
    }
    raise(-9632, name, offset);
}

std::string Translator::convertTo(const Typed &v, const TypeDesc &t, int offset)
{
    if (v.type.code == TNull && !v.literal && v.sql == "NULL") return v.sql;
    if (isComplex(t.code)) return complexValue(v, t, {}, offset);
    const bool stringLiteral = v.literal && isText(v.type);
    try {
        switch (t.code) {
        case TDate:
            if (stringLiteral) return std::to_string(parseDate(v.literalText, m_ctx.env));
            if (v.type.code == TDate || isInteger(v.type.code)) return v.sql;
            if (v.type.code == TDateTime) return "ifx_date(" + v.sql + at(offset) + ")";
            return "ifx_store(" + v.sql + ",7,4,0" + at(offset) + ")";
        case TDateTime:
            if (stringLiteral) return quoteString(parseDatetime(v.literalText, t.collength));
            if (v.type.code == TDateTime && v.type.collength == t.collength) return v.sql;
            if (v.type.code == TDateTime)
                return "ifx_extend(" + v.sql + "," + std::to_string(v.type.collength) + "," + std::to_string(t.collength) + at(offset) + ")";
            if (v.type.code == TDate)
                return "ifx_extend(" + v.sql + ",0," + std::to_string(t.collength) + at(offset) + ")";
            return "ifx_store(" + v.sql + ",10," + std::to_string(t.collength) + ",0" + at(offset) + ")";
        case TInterval:
            if (stringLiteral) return quoteString(formatInterval(parseInterval(v.literalText, t.collength), t.collength));
            if (v.type.code == TInterval && v.type.collength == t.collength) return v.sql;
            if (v.type.code == TInterval)
                return "ifx_interval_cast(" + v.sql + "," + std::to_string(v.type.collength) + "," + std::to_string(t.collength) + at(offset) + ")";
            return "ifx_store(" + v.sql + ",14," + std::to_string(t.collength) + ",0" + at(offset) + ")";
        default:
            break;
        }
        if (isBool(t)) {
            if (stringLiteral) return parseBoolean(v.literalText) ? "1" : "0";
            if (isBool(v.type) || isInteger(v.type.code)) return v.sql;
            return "ifx_store(" + v.sql + ",41,1,5" + at(offset) + ")";
        }
        if (isNumeric(t.code) && stringLiteral) {
            // A string meeting a number must be one (-1213 at the literal).
            std::string text = v.literalText;
            const auto a = text.find_first_not_of(" \t");
            const auto b = text.find_last_not_of(" \t");
            text = a == std::string::npos ? std::string() : text.substr(a, b - a + 1);
            if (isDecimal(t)) return quoteString(Decimal::parseOrRaise(text).text());
            const double d = parseNumber(text);
            const bool digits = !text.empty() && text.size() < 19
                && text.find_first_not_of("0123456789") == std::string::npos;
            return digits ? text : formatNumber(d);
        }
        if (isChar(t.code) && stringLiteral) {
            std::string s = v.literalText;
            while (!s.empty() && s.back() == ' ') s.pop_back();
            return quoteString(s);
        }
    } catch (const EngineError &e) {
        reraise(e, offset);
    }
    return v.sql;
}

std::string Translator::storeValue(const Typed &v, const ColumnInfo &col, int offset)
{
    const TypeDesc t = col.type();
    if (v.type.code == TNull && v.sql == "NULL") return v.sql;
    if (t.code == TByte || t.code == TText || (t.code == TUdtFixed && (t.extendedId == kXidBlob || t.extendedId == kXidClob)))
        return v.sql;
    if (isComplex(t.code)) return complexValue(v, t, col.name, offset);
    if (isDateLike(t.code) || isBool(t)) return convertTo(v, t, offset);
    if (v.literal && isNumeric(t.code) && isText(v.type)) {
        Typed number = v;
        number.sql = convertTo(v, t, offset);
        number.literal = false;
        number.type = TypeDesc{TDecimal, encodeDecimal(32, -1), 0};
        return storeValue(number, col, offset);
    }
    if (v.literal && isCharacter(t.code, t.extendedId) && isText(v.type)) {
        // Truncate now: CHAR/VARCHAR values too long for the column are cut silently.
        std::string s = v.literalText;
        const int max = (t.code == TVarChar || t.code == TNVarChar) ? varcharMax(t.collength) : t.collength;
        if (int(s.size()) > max) s.resize(std::size_t(max));
        if (isChar(t.code))
            while (!s.empty() && s.back() == ' ') s.pop_back();
        return quoteString(s);
    }
    std::string value = v.sql;
    if (isCharacter(t.code, t.extendedId) && !isText(v.type)
        && (v.type.code == TDate || isBool(v.type) || v.type.code == TDecimal || v.type.code == TMoney))
        value = displayTextSql(v);
    return "ifx_store(" + value + "," + std::to_string(t.code) + "," + std::to_string(t.collength) + ","
        + std::to_string(t.extendedId) + at(offset) + ")";
}

std::string Translator::defaultValue(const ColumnInfo &col)
{
    switch (col.defaultType) {
    case 'L': {
        Typed v;
        v.literal = true;
        v.literalText = col.defaultValue;
        v.type = type(TChar, int(col.defaultValue.size()));
        v.sql = quoteString(col.defaultValue);
        if (isNumeric(col.coltype)) return quoteString(col.defaultValue);
        return storeValue(v, col, -1);
    }
    case 'U': return "ifx_user()";
    case 'T': return "ifx_today()";
    case 'C': return col.coltype == TDateTime ? "ifx_current(" + std::to_string(col.collength) + ")" : "ifx_today()";
    case 'S': return "ifx_server()";
    default: return "NULL";
    }
}

std::string Translator::decimalSql(const Typed &v, int offset)
{
    if (isDecimal(v.type) || (v.type.code == TNull && v.sql == "NULL")) return v.sql;
    if (v.literal) {
        try {
            return quoteString(Decimal::parseOrRaise(v.literalText).text());
        } catch (const EngineError &e) {
            reraise(e, offset);
        }
    }
    return "ifx_dec(" + v.sql + at(offset) + ")";
}

std::string Translator::branchSql(const Typed &v, const TypeDesc &result, int offset)
{
    if (isDecimal(result)) return decimalSql(v, offset);
    if (result.code == TFloat && isDecimal(v.type)) return "CAST(" + v.sql + " AS REAL)";
    return v.sql;
}

void Translator::decimalOperands(Typed &left, std::vector<Typed *> others, const std::vector<int> &offsets)
{
    bool any = isDecimal(left.type);
    for (const Typed *o : others) any = any || isDecimal(o->type);
    if (!any) return;
    // A decimal column on the left gives its collation to every comparison
    // of the form (BETWEEN and IN compare with the left operand's).
    const bool columnCollation = isDecimal(left.type) && isPlainColumn(left);
    auto toDecimal = [&](Typed &x, int offset) {
        if (isDecimal(x.type)) return;
        if (x.type.code == TNull && x.sql == "NULL") return;
        if (isPlainColumn(x) && isNumeric(x.type.code)) return;
        if (!isNumeric(x.type.code) && x.type.code != TNull) return;
        x.sql = decimalSql(x, offset);
        x.type = decimalFloat();
        x.column = nullptr;
    };
    toDecimal(left, offsets[0]);
    for (std::size_t i = 0; i < others.size(); ++i) toDecimal(*others[i], offsets[i + 1]);
    if (!columnCollation) left.sql = collated(left.sql);
}

std::string Translator::asNumber(const std::string &sql, int offset)
{
    const TypeDesc t = decimalFloat();
    return "ifx_store(" + sql + "," + std::to_string(t.code) + "," + std::to_string(t.collength) + ",0" + at(offset) + ")";
}

} // namespace quodlin::engine
